#pragma once

#include "chart/MeasureHistory.h"
#include "core/ProbeState.h"
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

/// One acknowledgement of an alarm: who, when, and what they noted.
struct Acknowledgement {
    QString user;
    BucketTime time;
    QString note;
    bool operator==(const Acknowledgement&) const = default;
};

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
    // The latest acknowledgement, and all of them oldest first.
    QString ackUser, ackNote;
    std::optional<BucketTime> ackTime;
    std::vector<Acknowledgement> acknowledgements;
    // On a rise and on its end: the clears followed by a new rise within the
    // flap hold that the record absorbed, and the unwatched gaps it spans.
    int flaps = 0;
    int gaps = 0;
    /// An end written at the last sighting: the real end fell in a gap nobody watched.
    bool endedUnwatched = false;
};

/// A stretch a manager watched a probe: from its start to its clean close,
/// or to its last heartbeat when it stopped without one (a crash).
struct WatchedPeriod {
    std::int64_t startMsecs = 0;
    std::int64_t endMsecs = 0;  // the last heartbeat while still watched
    bool ongoing = false;       // a manager watches it now
    bool operator==(const WatchedPeriod&) const = default;
};

/// What a manager found lit at its first complete cycle on a probe.
struct Sighting {
    PerSlot<bool> alarm{}, warning{};
    bool outage = false;  // it saw the probe not answering before this cycle
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
    ProbeState probeState = ProbeState::Waiting;  // Waiting: nothing recorded says yet
    /// Its words: "answering", "lost since 11:57", "not watched since 02:08" ... (probeStateText).
    QString state;
    std::optional<BucketTime> notWatchedSince;  // when no manager watches it now
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
    /// Writes the event, merged with what any manager recorded at the probe's
    /// address and port: a rise or an outage while one of its kind is open on
    /// the slot is that one; a rise within the flap hold after a clear
    /// continues the cleared record and counts a flap; an end closes the open
    /// one, and with none open is not written. Gives the id of the record
    /// (0 for an end that closed nothing).
    StoreResult<std::int64_t> addEvent(const JournalEvent& event);
    /// Keeps every acknowledgement; false when no such event is stored.
    StoreResult<bool> acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at);
    /// How soon after a clear a new rise continues the record (60 s unless set).
    void setFlapHold(std::int64_t msecs);

    /// A manager starts watching the probe at this address and port; gives the watch.
    StoreResult<std::int64_t> startWatching(const QString& address, int port, const BucketTime& at);
    /// The manager still watches: at least once a minute, so a crash leaves its last sign of life.
    StoreStatus heartbeat(std::int64_t watch, std::int64_t atMsecs);
    /// The manager stops watching: a clean close, or another agent.
    StoreStatus stopWatching(std::int64_t watch, std::int64_t atMsecs);
    /// At the watch's first complete cycle, when its lamps are known: what
    /// earlier watches left open at the probe goes on when still lit, across
    /// the gap (counted), and otherwise ends at its last sighting, marked as
    /// ending unwatched. While another manager watches the probe, nothing of
    /// its is ended. Gives how many records ended.
    StoreResult<int> resume(std::int64_t watch, const Sighting& lit, const BucketTime& at);
    /// The stretches any manager watched the probe at this address and port
    /// within [since, until], overlaps merged, cut to the range, oldest first.
    StoreResult<std::vector<WatchedPeriod>> watchedPeriods(const QString& address, int port, std::int64_t since,
                                                           std::int64_t until) const;

    /// Rolls closed minutes into the minute table and drops what is older than
    /// kept, counted back from the newest record when the clock runs ahead of it.
    StoreStatus maintain(std::int64_t nowMsecs, const Retention& retention);
    /// Rolls up only the minutes closed since the last roll-up: cheap, so run every minute.
    StoreStatus rollUp(std::int64_t nowMsecs);

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
