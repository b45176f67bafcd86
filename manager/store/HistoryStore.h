#pragma once

#include "chart/MeasureHistory.h"
#include "core/Slots.h"
#include "Sqlite.h"

#include <QString>

#include <QStringList>

#include <array>
#include <map>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vimbo {

/// A probe as the store keys it: where it was polled and the name it reported.
struct ProbeKey {
    QString address;
    int port = 0;
    QString name;
    bool operator==(const ProbeKey&) const = default;
    /// "address:port", brackets round an IPv6 address.
    QString where() const;
};

/// A closed bucket's averages, [slot * 3 + magnitude]; NaN where it had none.
using BucketValues = std::array<float, kSlotCount * 3>;
/// A minute's minimum, mean and maximum, [(slot * 3 + magnitude) * 3 + statistic].
using MinuteValues = std::array<float, kSlotCount * 3 * 3>;

/// The kinds of journal events, as the store writes and the tools print them.
namespace kind {
inline const QString AlarmRose = QStringLiteral("alarm rose");
inline const QString AlarmCleared = QStringLiteral("alarm cleared");
inline const QString AlarmUnknownEnd = QStringLiteral("alarm unknown end");
inline const QString WarningRose = QStringLiteral("warning rose");
inline const QString WarningCleared = QStringLiteral("warning cleared");
inline const QString WarningUnknownEnd = QStringLiteral("warning unknown end");
inline const QString ProbeLost = QStringLiteral("probe lost");
inline const QString NeverAnswered = QStringLiteral("never answered");
inline const QString ProbeBack = QStringLiteral("probe back");
inline const QString OutageUnknownEnd = QStringLiteral("outage unknown end");
inline const QString AgentChanged = QStringLiteral("agent changed");
inline const QString Save = QStringLiteral("save");
}  // namespace kind

/// One line of the journal.
struct JournalEvent {
    std::int64_t id = 0;  // given by the store
    ProbeKey probe;
    BucketTime time;
    QString kind;
    int slot = -1;  // 0..5, or -1 for the whole probe
    QString channel;
    std::optional<double> power, mer, vber;
    QString detail;
    // Read back only:
    std::optional<std::int64_t> durationMsecs;  // on the event that ends an alarm, warning or outage
    bool active = false;                        // a rise or an outage not yet ended
    QString ackUser, ackNote;
    std::optional<BucketTime> ackTime;
};

struct Retention {
    int bucketDays = 7;
    int minuteDays = 400;
};

struct EventFilter {
    std::optional<ProbeKey> probe;  // by address and port; the name when not empty
    std::optional<std::int64_t> sinceMsecs, untilMsecs;
    int slot = -1;
    QStringList kinds;  // empty: all
    int limit = 0;      // 0: all
};

struct ProbeSummary {
    ProbeKey probe;
    std::optional<BucketTime> first, last;
    QString state;  // "answering", "lost", "never answered", or "unknown" before any event
};

struct StoredBucket {
    BucketTime time;
    BucketValues values;
};
struct StoredMinute {
    BucketTime time;
    MinuteValues values;
};

/// The history on disk: closed 5-second buckets, per-minute roll-ups and the
/// journal, in one SQLite file that several managers may share. Every call
/// raises sql::Error on failure.
class HistoryStore {
public:
    enum class Mode { ReadWrite, ReadOnly };
    /// Opens or creates the store; the folder is made when missing.
    /// Another manager's write is waited for up to `busyTimeoutMs`.
    explicit HistoryStore(const QString& path, Mode mode = Mode::ReadWrite, int busyTimeoutMs = 5000);

    void addBucket(const ProbeKey& probe, const BucketTime& closedAt, const BucketValues& values,
                   const PerSlot<QString>& labels);
    void addMinute(const ProbeKey& probe, const BucketTime& start, const MinuteValues& values);
    /// Writes the event; an end (a clear, a return, an unknown end) is tied to
    /// the rise or outage it ends. Returns its id.
    std::int64_t addEvent(const JournalEvent& event);
    /// Ends every alarm, warning and outage still open for probes at this
    /// address and port, as of `at`, with an unknown end. Returns how many.
    int closeOpenEnds(const QString& address, int port, const BucketTime& at);
    bool acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at);

    /// Rolls closed minutes into the minute table and drops what is older than kept.
    void maintain(std::int64_t nowMsecs, const Retention& retention);

    std::vector<JournalEvent> events(const EventFilter& filter) const;
    std::vector<ProbeSummary> probes() const;
    /// A probe's buckets or minutes from `since` to `until`, oldest first, as
    /// they are read: a year need not be held at once.
    void eachBucket(const ProbeKey& probe, std::int64_t since, std::int64_t until,
                    const std::function<void(const StoredBucket&)>& take) const;
    void eachMinute(const ProbeKey& probe, std::int64_t since, std::int64_t until,
                    const std::function<void(const StoredMinute&)>& take) const;
    std::vector<StoredBucket> buckets(const ProbeKey& probe, std::int64_t since, std::int64_t until) const;
    std::vector<StoredMinute> minutes(const ProbeKey& probe, std::int64_t since, std::int64_t until) const;
    /// The slot labels last recorded with the probe's buckets.
    PerSlot<QString> labels(const ProbeKey& probe) const;
    /// The name last reported at this address and port, or empty.
    QString lastName(const QString& address, int port) const;

    sql::Database& database() { return m_db; }

private:
    std::int64_t probeId(const ProbeKey& probe);
    std::vector<std::int64_t> probeIds(const ProbeKey& probe) const;
    std::int64_t insertEvent(std::int64_t probe, const JournalEvent& event, std::optional<std::int64_t> ends);

    sql::Database m_db;
    std::map<QString, std::int64_t> m_probeIds;  // by where and name
    std::map<std::int64_t, QString> m_labels;     // as stored, so that unchanged labels are not written again
};

/// $XDG_STATE_HOME/vimbo/history.sqlite, or ~/.local/state/vimbo/history.sqlite.
QString defaultHistoryPath();

/// "sqlite.c: message" for a user: what failed, in words.
QString describeStoreError(const sql::Error& error);

}  // namespace vimbo
