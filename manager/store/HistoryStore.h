#pragma once

#include "chart/MeasureHistory.h"
#include "core/Slots.h"
#include "EventKind.h"
#include "StoreResult.h"

#include <QString>

#include <QStringList>

#include <array>
#include <memory>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vimbo {

namespace sql {
class Database;
}

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

/// One line of the journal.
struct JournalEvent {
    std::int64_t id = 0;  // given by the store
    ProbeKey probe;
    BucketTime time;
    EventKind kind = EventKind::Save;
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
    std::vector<EventKind> kinds;  // empty: all
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
/// gives its failure as a value; the connection stays usable after one.
class HistoryStore {
public:
    enum class Mode { ReadWrite, ReadOnly };
    /// Opens or creates the store; the folder is made when missing.
    /// Another manager's write is waited for up to `busyTimeoutMs`.
    static StoreResult<std::unique_ptr<HistoryStore>> open(const QString& path, Mode mode = Mode::ReadWrite,
                                                           int busyTimeoutMs = 5000);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    StoreStatus addBucket(const ProbeKey& probe, const BucketTime& closedAt, const BucketValues& values,
                          const PerSlot<QString>& labels);
    StoreStatus addMinute(const ProbeKey& probe, const BucketTime& start, const MinuteValues& values);
    /// Writes the event; an end (a clear, a return, an unknown end) is tied to
    /// the rise or outage it ends. Gives its id.
    StoreResult<std::int64_t> addEvent(const JournalEvent& event);
    /// Ends every alarm, warning and outage still open for probes at this
    /// address and port, as of `at`, with an unknown end. Gives how many.
    StoreResult<int> closeOpenEnds(const QString& address, int port, const BucketTime& at);
    /// False when no such event is stored.
    StoreResult<bool> acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at);

    /// Rolls closed minutes into the minute table and drops what is older than kept.
    StoreStatus maintain(std::int64_t nowMsecs, const Retention& retention);

    StoreResult<std::vector<JournalEvent>> events(const EventFilter& filter) const;
    StoreResult<std::vector<ProbeSummary>> probes() const;
    /// A probe's buckets or minutes from `since` to `until`, oldest first, as
    /// they are read: a year need not be held at once.
    StoreStatus eachBucket(const ProbeKey& probe, std::int64_t since, std::int64_t until,
                           const std::function<void(const StoredBucket&)>& take) const;
    StoreStatus eachMinute(const ProbeKey& probe, std::int64_t since, std::int64_t until,
                           const std::function<void(const StoredMinute&)>& take) const;
    StoreResult<std::vector<StoredBucket>> buckets(const ProbeKey& probe, std::int64_t since, std::int64_t until) const;
    StoreResult<std::vector<StoredMinute>> minutes(const ProbeKey& probe, std::int64_t since, std::int64_t until) const;
    /// The slot labels last recorded with the probe's buckets.
    StoreResult<PerSlot<QString>> labels(const ProbeKey& probe) const;
    /// The name last reported at this address and port, or empty.
    StoreResult<QString> lastName(const QString& address, int port) const;

    /// Runs `work` as one transaction: the store's calls inside it commit
    /// together, or not at all when `work` fails. For bulk writes.
    StoreStatus inOneTransaction(const std::function<StoreStatus()>& work);

    class Impl;

private:
    friend sql::Database& connectionOf(HistoryStore& store);
    explicit HistoryStore(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

/// $XDG_STATE_HOME/vimbo/history.sqlite, or ~/.local/state/vimbo/history.sqlite.
QString defaultHistoryPath();


}  // namespace vimbo
