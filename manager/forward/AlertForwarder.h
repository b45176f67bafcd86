#pragma once

#include "store/HistoryStore.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

namespace vimbo {

class Clock;

/// Forwards the journal to an Alertmanager through its v2 API: an alert for
/// each active alarm, warning and lost probe, posted again while it lasts and
/// resolved at its clear, and an always-firing heartbeat, so that a manager
/// that stops is itself known. Posts never wait: a failed one is tried again
/// with back-off, its alerts kept, and told once until a post gets through.
class AlertForwarder : public QObject {
public:
    struct Options {
        QUrl url;           // the Alertmanager, e.g. http://127.0.0.1:9093
        QString site;       // labels of the probe where known; empty: left out
        QString probeLabel;
        QString manager;    // the heartbeat's `manager` label: which manager it is (the probe it was started on)
        QString program = QStringLiteral("vimboManager");  // named in the heartbeat's summary
        int repostMs = 30'000;      // well within Alertmanager's resolve_timeout
        int validMs = 120'000;      // endsAt this far ahead of each post
        int firstRetryMs = 2'000;   // doubled at each failure, up to maxRetryMs
        int maxRetryMs = 60'000;
        int transferTimeoutMs = 10'000;
    };
    /// `told` hears of the Alertmanager unreachable (once until it is reached
    /// again) and reached again.
    AlertForwarder(const Clock& clock, Options options, std::function<void(const QString&)> told);
    ~AlertForwarder() override;

    /// Starts the heartbeat and the re-posts.
    void start();
    /// An event the journal recorded.
    void eventRecorded(const JournalEvent& event);
    /// The same, of a probe of the console's list: its own site and label.
    void eventRecorded(const JournalEvent& event, const QString& site, const QString& probeLabel);

    static QString apiUrl(const QUrl& base);
    std::size_t activeCount() const { return m_active.size(); }

private:
    struct Alert {
        QVariantMap labels, annotations;
        std::int64_t startsMs = 0;
        std::int64_t endsMs = 0;  // resolved ones only
    };
    using Key = std::tuple<int, QString, int, int>;  // episode, address, port, slot

    struct Who {
        QString site, probeLabel;
    };
    void rise(const JournalEvent& event, int episode, const Who& who);
    void clear(const JournalEvent& event, int episode);
    void post();
    void finished(QNetworkReply* reply, std::size_t resolvedSent);
    QByteArray payload(std::int64_t nowMs) const;
    QVariantMap baseLabels(const ProbeKey& probe, const Who& who) const;

    const Clock& m_clock;
    Options m_options;
    std::function<void(const QString&)> m_told;
    QNetworkAccessManager* m_network;
    QTimer m_repost, m_retry;
    std::map<Key, Alert> m_active;
    std::vector<Alert> m_resolved;  // until a post carrying them gets through
    Alert m_heartbeat;
    bool m_inFlight = false;
    bool m_again = false;  // something changed while a post was in flight
    bool m_failing = false;
    int m_retryMs = 0;
};

}  // namespace vimbo
