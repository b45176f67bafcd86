#pragma once

#include "HistoryStore.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace vimbo {

class Clock;

/// Records into the store on a thread of its own, so that no write or wait
/// for another manager's lock ever holds up the window. Opening happens
/// there too. A store that cannot be opened or written is told once, through
/// `failed` on the creator's thread, and the program goes on without it.
class HistoryRecorder : public QObject {
public:
    struct Options {
        QString path;
        Retention retention;
        int maintainEveryMs = 10 * 60 * 1000;  // retention
        int busyTimeoutMs = 5000;
        int heartbeatEveryMs = 30'000;  // a crash leaves the last one as the watch's end
        std::int64_t flapHoldMs = 60'000;
        int rollUpEveryMs = 30'000;  // closed minutes into the minute table
    };

    /// `clock` is read on the store's thread (maintenance).
    HistoryRecorder(Options options, const Clock& clock, std::function<void(const QString& message)> failed);
    /// Finishes what was queued, then closes the store.
    ~HistoryRecorder() override;

    const QString& path() const { return m_options.path; }
    /// False once the store failed to open, or while its writes fail.
    bool recording() const { return m_recording; }

    void recordBucket(const ProbeKey& probe, const BucketTime& closedAt, const BucketValues& values,
                      const PerSlot<QString>& labels);
    void recordEvent(const JournalEvent& event);
    /// From now on the probe at this address and port is watched (and the one before no longer).
    void watch(const QString& address, int port);
    /// At the watch's first complete cycle: what earlier runs left open goes on or ends (HistoryStore::resume).
    void resume(const Sighting& lit);
    /// No probe is watched any more.
    void unwatch();
    void acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at);

    /// Asks the store on its thread; `answer` runs on the recorder's thread
    /// unless `receiver` (living there) is gone by then. Without a store, or
    /// when the store fails, the answer is empty.
    template <typename Result>
    void query(std::function<StoreResult<Result>(const HistoryStore&)> ask, QObject* receiver,
               std::function<void(Result)> answer)
    {
        // The receiver is only looked at back on its own thread: it may be
        // going while the store answers.
        auto reply = [this, answer = std::move(answer), receiver = QPointer<QObject>(receiver)](Result result) {
            if (receiver)
                answer(std::move(result));
        };
        post([this, ask = std::move(ask), reply = std::move(reply)](HistoryStore* store) mutable {
            StoreResult<Result> asked = store ? ask(*store) : StoreResult<Result>(Result{});
            Result result = asked ? std::move(asked).value() : Result{};
            QMetaObject::invokeMethod(
                this, [reply = std::move(reply), result = std::move(result)]() mutable { reply(std::move(result)); },
                Qt::QueuedConnection);
        }, true);
    }

    /// Runs `work` on the store's thread as a write: its failure is told as any other.
    void run(std::function<StoreStatus(HistoryStore&)> work);

    /// Blocks until everything queued so far is done: for tests and benchmarks.
    void waitForIdle();

private:
    /// Runs `work` on the store's thread; a query also runs without a store.
    void post(std::function<void(HistoryStore*)> work, bool alsoWithoutStore = false);
    void tell(const QString& message);
    void opened();
    BucketTime now() const;  // through the clock, on the store's thread
    void stopWatching();     // on the store's thread

    Options m_options;
    const Clock& m_clock;
    std::function<void(const QString&)> m_failed;
    QThread m_thread;
    QObject* m_worker = nullptr;             // lives on m_thread
    std::unique_ptr<HistoryStore> m_store;   // touched on m_thread only
    std::atomic<bool> m_recording{true};
    bool m_toldWriteFailure = false;         // on m_thread only
    std::optional<std::int64_t> m_watch;     // on m_thread only
};

}  // namespace vimbo
