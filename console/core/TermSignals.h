#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace vimbo {

/// SIGTERM and SIGINT turned into a call on the event loop, through a pipe
/// the handler only writes to: nothing but write() runs in the handler. The
/// handlers before are put back when it goes. One at a time in a process.
class TermSignals : public QObject {
public:
    explicit TermSignals(std::function<void(int signal)> received);
    ~TermSignals() override;
    TermSignals(const TermSignals&) = delete;
    TermSignals& operator=(const TermSignals&) = delete;

    /// False when the pipe or the handlers could not be set up.
    bool ok() const { return m_ok; }

private:
    std::function<void(int)> m_received;
    QSocketNotifier* m_notifier = nullptr;
    bool m_ok = false;
};

}  // namespace vimbo
