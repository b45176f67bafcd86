#include "HistoryStore.h"

#include "Sqlite.h"
#include "StoreConnection.h"
#include "StoreFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QSysInfo>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <type_traits>

namespace vimbo {

static_assert(std::endian::native == std::endian::little, "the stored values are little-endian floats");

namespace {

constexpr std::int64_t kMinuteMs = 60'000;
constexpr std::int64_t kApplicationId = 0x56696D62;  // "Vimb", in the file's header
constexpr std::int64_t kDayMs = 86'400'000;
constexpr std::int64_t kLateBucketMs = 5'000;  // how late after its close another manager's bucket may come
constexpr qsizetype kNameLength = 255;       // characters of a probe's name kept
constexpr std::int64_t kNamesPerAddress = 16;  // names kept per address and port

// An offset as read from a store: clocks lie within 18 hours of UTC.
std::int32_t storedOffset(std::int64_t seconds)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(seconds, -18 * 3600, 18 * 3600));
}

// From one stored time to another, or none where a crafted store's span overflows.
std::optional<std::int64_t> duration(std::int64_t from, std::int64_t to)
{
    std::int64_t msecs = 0;
    if (__builtin_sub_overflow(to, from, &msecs))
        return std::nullopt;
    return msecs;
}

QString storedName(const QString& name)
{
    if (name.size() <= kNameLength)
        return name;
    // Not half a character: a pair cut in two is dropped whole.
    return name.left(name.at(kNameLength - 1).isHighSurrogate() ? kNameLength - 1 : kNameLength);
}

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS probe(
  id INTEGER PRIMARY KEY, address TEXT NOT NULL, port INTEGER NOT NULL, name TEXT NOT NULL,
  labels TEXT NOT NULL DEFAULT '', UNIQUE(address, port, name));
-- Values are packed as little-endian 32-bit floats, the chart's own precision:
-- a probe-year of per-minute minimum, mean and maximum fits in well under 200 MB.
CREATE TABLE IF NOT EXISTS bucket(
  probe INTEGER NOT NULL, t INTEGER NOT NULL, utc_offset INTEGER NOT NULL, vals BLOB NOT NULL,
  PRIMARY KEY(probe, t)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS minute(
  probe INTEGER NOT NULL, t INTEGER NOT NULL, utc_offset INTEGER NOT NULL, vals BLOB NOT NULL,
  PRIMARY KEY(probe, t)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS event(
  id INTEGER PRIMARY KEY, probe INTEGER NOT NULL, t INTEGER NOT NULL, utc_offset INTEGER NOT NULL,
  kind TEXT NOT NULL, slot INTEGER NOT NULL DEFAULT -1, channel TEXT, power REAL, mer REAL, vber REAL,
  detail TEXT, ends INTEGER, ack_user TEXT, ack_t INTEGER, ack_offset INTEGER, ack_note TEXT);
CREATE INDEX IF NOT EXISTS event_time ON event(t);
CREATE INDEX IF NOT EXISTS event_ends ON event(ends);
CREATE INDEX IF NOT EXISTS event_open ON event(probe, slot, kind);
)";

// Added later; an older store is brought up to them when a manager opens it.
const char* const kWatchAndAckSchema = R"(
CREATE TABLE IF NOT EXISTS watch(
  id INTEGER PRIMARY KEY, address TEXT NOT NULL, port INTEGER NOT NULL, host TEXT NOT NULL, pid INTEGER NOT NULL,
  started INTEGER NOT NULL, utc_offset INTEGER NOT NULL, seen INTEGER NOT NULL, closed INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS watch_probe ON watch(address, port, seen);
CREATE TABLE IF NOT EXISTS ack(
  id INTEGER PRIMARY KEY, event INTEGER NOT NULL, user TEXT NOT NULL, t INTEGER NOT NULL, utc_offset INTEGER NOT NULL,
  note TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS ack_event ON ack(event);
)";
// flaps: the clears and new rises a record absorbed; gaps: the unwatched
// stretches it spans; unwatched: an end at the last sighting before a gap.
const char* const kEventColumns[] = {"flaps", "gaps", "unwatched"};


// The kinds' stored texts, bound as one parameter each.
sql::Statement& bindKinds(sql::Statement& statement, int first, const std::vector<EventKind>& kinds)
{
    for (std::size_t i = 0; i < kinds.size(); ++i)
        statement.bind(first + static_cast<int>(i), eventKindText(kinds[i]));
    return statement;
}

// "?3, ?4, ?5" for `count` parameters from `first`.
std::string placeholders(int first, std::size_t count)
{
    std::string list;
    for (std::size_t i = 0; i < count; ++i)
        list += (i ? ", ?" : "?") + std::to_string(first + static_cast<int>(i));
    return list;
}

std::vector<EventKind> allOpenings()
{
    std::vector<EventKind> kinds;
    for (const Episode e : {Episode::Alarm, Episode::Warning, Episode::Outage})
        for (const EventKind k : openingsOf(e))
            kinds.push_back(k);
    return kinds;
}

template <std::size_t N>
QByteArray pack(const std::array<float, N>& values)
{
    return QByteArray(reinterpret_cast<const char*>(values.data()), static_cast<qsizetype>(N * sizeof(float)));
}

template <std::size_t N>
std::array<float, N> unpack(const QByteArray& blob)
{
    std::array<float, N> values;
    values.fill(std::numeric_limits<float>::quiet_NaN());
    std::memcpy(values.data(), blob.constData(), std::min<std::size_t>(N * sizeof(float), static_cast<std::size_t>(blob.size())));
    return values;
}

QString labelsText(const PerSlot<QString>& labels)
{
    QStringList list;
    for (const QString& label : labels)
        list << label;
    return list.join(QLatin1Char('\t'));
}

}  // namespace

QString ProbeKey::where() const
{
    const QString host = address.contains(QLatin1Char(':')) ? QLatin1Char('[') + address + QLatin1Char(']') : address;
    return host + QLatin1Char(':') + QString::number(port);
}

class HistoryStore::Impl {
public:
    Impl(const QString& path, Mode mode, int busyTimeoutMs);

    void addBucket(const ProbeKey& probe, const BucketTime& closedAt, const BucketValues& values,
                   const PerSlot<QString>& labels);
    void addMinute(const ProbeKey& probe, const BucketTime& start, const MinuteValues& values);
    std::int64_t addEvent(const JournalEvent& event);
    std::int64_t startWatching(const QString& address, int port, const BucketTime& at);
    void heartbeat(std::int64_t watch, std::int64_t atMsecs, bool closing);
    int resume(std::int64_t watch, const Sighting& lit, const BucketTime& at);
    std::vector<WatchedPeriod> watchedPeriods(const QString& address, int port, std::int64_t since,
                                              std::int64_t until) const;
    bool acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at);
    void rollUp(std::int64_t nowMsecs);
    void prune(std::int64_t nowMsecs, const Retention& retention);
    std::vector<JournalEvent> events(const EventFilter& filter) const;
    std::vector<ProbeSummary> probes() const;
    std::vector<std::int64_t> probeIds(const ProbeKey& probe) const;
    PerSlot<QString> labels(const ProbeKey& probe) const;
    QString lastName(const QString& address, int port) const;

    sql::Database m_db;

private:
    static void refuseUnsafe(const QString& path, bool forWriting);
    bool hasTable(const char* table) const;
    bool hasColumn(const char* table, const char* column) const;
    std::int64_t probeId(const ProbeKey& probe);
    std::int64_t insertEvent(std::int64_t probe, const JournalEvent& event, std::optional<std::int64_t> ends);

    std::map<QString, std::int64_t> m_probeIds;  // by where and name
    std::map<std::int64_t, QString> m_labels;     // as stored, so that unchanged labels are not written again
    bool m_legacyEvents = false;                  // read-only, from before flaps and gaps were kept
public:
    std::int64_t m_flapHoldMsecs = 60'000;

private:
    struct Open {
        std::int64_t id, probe, time;
        EventKind kind;
        int slot;
        QString channel;
    };
    /// The records of this episode still open at the address and port, on the slot (any slot when < -1).
    std::vector<Open> openAt(const QString& address, int port, int slot, Episode episode) const;
    struct Newest {
        std::int64_t id, time;
        std::optional<std::int64_t> ends;
    };
    /// The newest event of these kinds on the slot at the address and port, found along the index.
    std::optional<Newest> newestOf(const QString& address, int port, int slot, const std::vector<EventKind>& kinds) const;
    /// The open record of the episode on the slot: as rows are merged, only the newest rise can be.
    std::optional<std::int64_t> openOn(const QString& address, int port, int slot, Episode episode) const;
    /// Whether a manager other than `exceptWatch` watches the address and port now; with `at`,
    /// one silent for longer than its heartbeats allow is taken for gone.
    bool watchedByAnother(const QString& address, int port, std::int64_t exceptWatch,
                          std::optional<std::int64_t> at = std::nullopt) const;
    bool everWatched(const QString& address, int port) const;
};

namespace {

// A watch of a manager on this machine lives as long as its process; one
// elsewhere is trusted until it closes.
bool watchLives(const QString& host, std::int64_t pid, bool closed)
{
    if (closed)
        return false;
    if (host != QSysInfo::machineHostName())
        return true;
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

}  // namespace

void HistoryStore::Impl::refuseUnsafe(const QString& path, bool forWriting)
{
    if (const auto why = prepareStoreFile(path, forWriting))
        throw sql::Error(SQLITE_CANTOPEN, why->toStdString());
}

bool HistoryStore::Impl::hasTable(const char* table) const
{
    sql::Statement select = m_db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    return select.bind(1, QString::fromLatin1(table)).step();
}

bool HistoryStore::Impl::hasColumn(const char* table, const char* column) const
{
    sql::Statement select = m_db.prepare("SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2");
    return select.bind(1, QString::fromLatin1(table)).bind(2, QString::fromLatin1(column)).step();
}

HistoryStore::Impl::Impl(const QString& path, Mode mode, int busyTimeoutMs)
    : m_db((refuseUnsafe(path, mode == Mode::ReadWrite), path),
           (mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY) |
               SQLITE_OPEN_NOFOLLOW)
{
    sqlite3_busy_timeout(m_db.handle(), busyTimeoutMs);
    const auto applicationId = [this] {
        sql::Statement read = m_db.prepare("PRAGMA application_id");
        return read.step() ? read.integer(0) : 0;
    };
    // Another program's database is never written into, even when named on purpose.
    const auto refuse = [] { throw sql::Error(SQLITE_NOTADB, "another program's database"); };
    if (mode == Mode::ReadOnly) {
        if (applicationId() != kApplicationId)
            refuse();
        // An older store read as it is: no watches, its one acknowledgement per event.
        if (!hasTable("watch"))
            m_db.exec("CREATE TEMP TABLE watch(id INTEGER PRIMARY KEY, address TEXT, port INTEGER, host TEXT, "
                      "pid INTEGER, started INTEGER, utc_offset INTEGER, seen INTEGER, closed INTEGER)");
        if (!hasTable("ack"))
            m_db.exec("CREATE TEMP VIEW ack(id, event, user, t, utc_offset, note) AS SELECT id, id, "
                      "coalesce(ack_user, ''), ack_t, coalesce(ack_offset, 0), coalesce(ack_note, '') "
                      "FROM main.event WHERE ack_t IS NOT NULL");
        m_legacyEvents = !hasColumn("event", "flaps");
        return;
    }
    {
        sql::Transaction transaction(m_db);
        sql::Statement tables = m_db.prepare("SELECT count(*) FROM sqlite_master");
        tables.step();
        if (const std::int64_t id = applicationId(); id == 0 && tables.integer(0) == 0)
            m_db.exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
        else if (id != kApplicationId)
            refuse();
        m_db.exec(kSchema);
        const bool hadAcks = hasTable("ack");
        m_db.exec(kWatchAndAckSchema);
        for (const char* column : kEventColumns)
            if (!hasColumn("event", column))
                m_db.exec((std::string("ALTER TABLE event ADD COLUMN ") + column + " INTEGER NOT NULL DEFAULT 0").c_str());
        if (!hadAcks)  // an older store's one acknowledgement per event
            m_db.exec("INSERT INTO ack(event, user, t, utc_offset, note) SELECT id, coalesce(ack_user, ''), ack_t, "
                      "coalesce(ack_offset, 0), coalesce(ack_note, '') FROM event WHERE ack_t IS NOT NULL");
        transaction.commit();
    }
    // WAL lets a reader and another manager's writer go on together; NORMAL
    // syncs at checkpoints, so a killed manager loses nothing committed.
    m_db.exec("PRAGMA journal_mode=WAL");
    m_db.exec("PRAGMA synchronous=NORMAL");
    tightenStoreCompanions(path);
}

std::int64_t HistoryStore::Impl::probeId(const ProbeKey& asReported)
{
    // A name is the network's: capped, and a probe renaming itself every
    // cycle adds no row past the last kNamesPerAddress at its address.
    ProbeKey probe = asReported;
    probe.name = storedName(probe.name);
    const QString key = probe.where() + QLatin1Char('\n') + probe.name;
    if (const auto found = m_probeIds.find(key); found != m_probeIds.end())
        return found->second;
    sql::Statement select = m_db.prepare("SELECT id, labels FROM probe WHERE address = ?1 AND port = ?2 AND name = ?3");
    select.bind(1, probe.address).bind(2, probe.port).bind(3, probe.name);
    if (!select.step()) {
        sql::Statement names = m_db.prepare("SELECT count(*), max(id) FROM probe WHERE address = ?1 AND port = ?2");
        names.bind(1, probe.address).bind(2, probe.port).step();
        if (names.integer(0) >= kNamesPerAddress) {
            // The newest row takes the new name: its records go on under it.
            const std::int64_t newest = names.integer(1);
            m_db.prepare("UPDATE probe SET name = ?1 WHERE id = ?2").bind(1, probe.name).bind(2, newest).run();
            std::erase_if(m_probeIds, [newest](const auto& entry) { return entry.second == newest; });
        } else {
            m_db.prepare("INSERT INTO probe(address, port, name) VALUES(?1, ?2, ?3)")
                .bind(1, probe.address).bind(2, probe.port).bind(3, probe.name).run();
        }
        select.reset();
        select.bind(1, probe.address).bind(2, probe.port).bind(3, probe.name);
        if (!select.step())
            throw sql::Error(SQLITE_INTERNAL, "the probe's row is missing");
    }
    const std::int64_t id = select.integer(0);
    m_probeIds[key] = id;
    m_labels[id] = select.text(1);
    return id;
}

std::vector<std::int64_t> HistoryStore::Impl::probeIds(const ProbeKey& probe) const
{
    sql::Statement select =
        m_db.prepare("SELECT id FROM probe WHERE address = ?1 AND port = ?2 AND (?3 = '' OR name = ?3)");
    select.bind(1, probe.address).bind(2, probe.port).bind(3, storedName(probe.name));
    std::vector<std::int64_t> ids;
    while (select.step())
        ids.push_back(select.integer(0));
    return ids;
}

void HistoryStore::Impl::addBucket(const ProbeKey& probe, const BucketTime& closedAt, const BucketValues& values,
                             const PerSlot<QString>& labels)
{
    sql::Transaction transaction(m_db);
    const std::int64_t id = probeId(probe);
    const QString text = labelsText(labels);
    if (m_labels[id] != text) {
        m_db.prepare("UPDATE probe SET labels = ?1 WHERE id = ?2").bind(1, text).bind(2, id).run();
        m_labels[id] = text;
    }
    m_db.prepare("INSERT OR REPLACE INTO bucket(probe, t, utc_offset, vals) VALUES(?1, ?2, ?3, ?4)")
        .bind(1, id).bind(2, closedAt.msecsSinceEpoch).bind(3, closedAt.utcOffsetSeconds).bind(4, pack(values)).run();
    transaction.commit();
}

void HistoryStore::Impl::addMinute(const ProbeKey& probe, const BucketTime& start, const MinuteValues& values)
{
    m_db.prepare("INSERT OR REPLACE INTO minute(probe, t, utc_offset, vals) VALUES(?1, ?2, ?3, ?4)")
        .bind(1, probeId(probe)).bind(2, start.msecsSinceEpoch).bind(3, start.utcOffsetSeconds).bind(4, pack(values))
        .run();
}

std::int64_t HistoryStore::Impl::insertEvent(std::int64_t probe, const JournalEvent& event, std::optional<std::int64_t> ends)
{
    m_db.prepare("INSERT INTO event(probe, t, utc_offset, kind, slot, channel, power, mer, vber, detail, ends) "
                 "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)")
        .bind(1, probe).bind(2, event.time.msecsSinceEpoch).bind(3, event.time.utcOffsetSeconds).bind(4, eventKindText(event.kind))
        .bind(5, event.slot).bind(6, event.channel).bind(7, event.power).bind(8, event.mer).bind(9, event.vber)
        .bind(10, event.detail).bind(11, ends).run();
    return m_db.lastInsertId();
}

std::vector<HistoryStore::Impl::Open> HistoryStore::Impl::openAt(const QString& address, int port, int slot,
                                                                   Episode episode) const
{
    const std::vector<EventKind> openings = episode == Episode::None ? allOpenings() : openingsOf(episode);
    const std::string query =
        "SELECT o.id, o.probe, o.t, o.kind, o.slot, o.channel FROM event o JOIN probe p ON p.id = o.probe "
        "WHERE p.address = ?1 AND p.port = ?2 AND (?3 < -1 OR o.slot = ?3) AND o.kind IN (" +
        placeholders(4, openings.size()) + ") AND NOT EXISTS(SELECT 1 FROM event x WHERE x.ends = o.id) ORDER BY o.t, o.id";
    sql::Statement select = m_db.prepare(query.c_str());
    select.bind(1, address).bind(2, port).bind(3, slot);
    bindKinds(select, 4, openings);
    std::vector<Open> open;
    while (select.step())
        if (const auto kind = eventKindFromText(select.text(3)))
            open.push_back({select.integer(0), select.integer(1), select.integer(2), *kind,
                            static_cast<int>(select.integer(4)), select.text(5)});
    return open;
}

std::optional<HistoryStore::Impl::Newest> HistoryStore::Impl::newestOf(const QString& address, int port, int slot,
                                                                        const std::vector<EventKind>& kinds) const
{
    sql::Statement ids = m_db.prepare("SELECT id FROM probe WHERE address = ?1 AND port = ?2");
    ids.bind(1, address).bind(2, port);
    sql::Statement newest =
        m_db.prepare("SELECT id, t, ends FROM event WHERE probe = ?1 AND slot = ?2 AND kind = ?3 ORDER BY id DESC LIMIT 1");
    std::optional<Newest> found;
    while (ids.step())
        for (const EventKind kind : kinds) {
            newest.bind(1, ids.integer(0)).bind(2, slot).bind(3, eventKindText(kind));
            if (newest.step() && (!found || newest.integer(0) > found->id))
                found = Newest{newest.integer(0), newest.integer(1),
                               newest.isNull(2) ? std::nullopt : std::optional(newest.integer(2))};
            newest.reset();
        }
    return found;
}

std::optional<std::int64_t> HistoryStore::Impl::openOn(const QString& address, int port, int slot, Episode episode) const
{
    const auto rise = newestOf(address, port, slot, openingsOf(episode));
    if (!rise)
        return std::nullopt;
    sql::Statement ended = m_db.prepare("SELECT 1 FROM event WHERE ends = ?1 LIMIT 1");
    return ended.bind(1, rise->id).step() ? std::nullopt : std::optional(rise->id);
}

std::int64_t HistoryStore::Impl::addEvent(const JournalEvent& event)
{
    sql::Transaction transaction(m_db);
    const std::int64_t probe = probeId(event.probe);
    const QString& address = event.probe.address;
    const int port = event.probe.port;
    std::int64_t id = 0;
    if (const Episode begun = opens(event.kind); begun != Episode::None) {
        // Another manager on the same probe, or this one again after a gap, already holds it open.
        if (const auto open = openOn(address, port, event.slot, begun)) {
            transaction.commit();
            return *open;
        }
        if (begun != Episode::Outage) {
            // The newest clear of the slot: within the hold, the record goes on and counts a flap.
            const auto clear = newestOf(address, port, event.slot,
                                        {begun == Episode::Alarm ? EventKind::AlarmCleared : EventKind::WarningCleared});
            if (clear && clear->ends && clear->time >= event.time.msecsSinceEpoch - m_flapHoldMsecs) {
                m_db.prepare("DELETE FROM event WHERE id = ?1").bind(1, clear->id).run();
                m_db.prepare("UPDATE event SET flaps = flaps + 1 WHERE id = ?1").bind(1, *clear->ends).run();
                transaction.commit();
                return *clear->ends;
            }
        }
        id = insertEvent(probe, event, std::nullopt);
    } else if (const Episode ended = ends(event.kind); ended != Episode::None) {
        // Only what is open is ended: a second manager's clear of the same fall ends nothing.
        const auto open = openOn(address, port, event.slot, ended);
        if (!open) {
            transaction.commit();
            return 0;
        }
        id = insertEvent(probe, event, *open);
        if (event.endedUnwatched)
            m_db.prepare("UPDATE event SET unwatched = 1 WHERE id = ?1").bind(1, id).run();
    } else {
        id = insertEvent(probe, event, std::nullopt);
    }
    transaction.commit();
    return id;
}

std::int64_t HistoryStore::Impl::startWatching(const QString& address, int port, const BucketTime& at)
{
    m_db.prepare("INSERT INTO watch(address, port, host, pid, started, utc_offset, seen) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?5)")
        .bind(1, address).bind(2, port).bind(3, QSysInfo::machineHostName()).bind(4, std::int64_t{::getpid()})
        .bind(5, at.msecsSinceEpoch).bind(6, at.utcOffsetSeconds).run();
    return m_db.lastInsertId();
}

void HistoryStore::Impl::heartbeat(std::int64_t watch, std::int64_t atMsecs, bool closing)
{
    m_db.prepare("UPDATE watch SET seen = max(seen, ?2), closed = closed OR ?3 WHERE id = ?1")
        .bind(1, watch).bind(2, atMsecs).bind(3, closing ? 1 : 0).run();
}

bool HistoryStore::Impl::watchedByAnother(const QString& address, int port, std::int64_t exceptWatch,
                                          std::optional<std::int64_t> at) const
{
    // Heartbeats come every 30 s: four missed, and the manager (on another machine too) is gone.
    constexpr std::int64_t kSilentMsecs = 120'000;
    sql::Statement select = m_db.prepare("SELECT host, pid FROM watch WHERE address = ?1 AND port = ?2 AND closed = 0 "
                                         "AND id != ?3 AND (?4 IS NULL OR seen >= ?4)");
    select.bind(1, address).bind(2, port).bind(3, exceptWatch);
    select.bind(4, at ? std::optional(*at - kSilentMsecs) : std::nullopt);
    while (select.step())
        if (watchLives(select.text(0), select.integer(1), false))
            return true;
    return false;
}

bool HistoryStore::Impl::everWatched(const QString& address, int port) const
{
    sql::Statement select = m_db.prepare("SELECT 1 FROM watch WHERE address = ?1 AND port = ?2 LIMIT 1");
    return select.bind(1, address).bind(2, port).step();
}

int HistoryStore::Impl::resume(std::int64_t watch, const Sighting& lit, const BucketTime& at)
{
    sql::Transaction transaction(m_db);
    sql::Statement self = m_db.prepare("SELECT address, port, started FROM watch WHERE id = ?1");
    if (!self.bind(1, watch).step())
        return 0;
    const QString address = self.text(0);
    const int port = static_cast<int>(self.integer(1));
    const std::int64_t started = self.integer(2);
    // Another manager watched all along: what it holds open is its to end.
    if (watchedByAnother(address, port, watch, at.msecsSinceEpoch)) {
        transaction.commit();
        return 0;
    }
    // The last sign of life of the watches before this one.
    sql::Statement last = m_db.prepare("SELECT max(seen) FROM watch WHERE address = ?1 AND port = ?2 AND id != ?3 "
                                       "AND seen <= ?4");
    last.bind(1, address).bind(2, port).bind(3, watch).bind(4, at.msecsSinceEpoch).step();
    const std::optional<std::int64_t> lastSeen = last.isNull(0) ? std::nullopt : std::optional(last.integer(0));
    int ended = 0;
    for (const Open& o : openAt(address, port, -2, Episode::None)) {
        const Episode episode = opens(o.kind);
        const auto s = static_cast<std::size_t>(std::clamp(o.slot, 0, kSlotCount - 1));
        const bool stillLit = episode == Episode::Outage ? lit.outage
                              : o.slot >= 0 && o.slot < kSlotCount &&
                                    (episode == Episode::Alarm ? lit.alarm[s] : lit.warning[s]);
        if (stillLit) {
            if (o.time < started)
                m_db.prepare("UPDATE event SET gaps = gaps + 1 WHERE id = ?1").bind(1, o.id).run();
            continue;
        }
        JournalEvent end;
        end.kind = unknownEndOf(episode);
        end.slot = o.slot;
        end.channel = o.channel;
        end.time = {std::max(o.time, lastSeen.value_or(o.time)), at.utcOffsetSeconds};
        end.detail = QStringLiteral("in an unwatched gap");
        const std::int64_t id = insertEvent(o.probe, end, o.id);
        m_db.prepare("UPDATE event SET unwatched = 1 WHERE id = ?1").bind(1, id).run();
        ++ended;
    }
    transaction.commit();
    return ended;
}

std::vector<WatchedPeriod> HistoryStore::Impl::watchedPeriods(const QString& address, int port, std::int64_t since,
                                                              std::int64_t until) const
{
    sql::Statement select = m_db.prepare("SELECT started, seen, closed, host, pid FROM watch WHERE address = ?1 AND "
                                         "port = ?2 AND seen >= ?3 AND started <= ?4 ORDER BY started, id");
    select.bind(1, address).bind(2, port).bind(3, since).bind(4, until);
    std::vector<WatchedPeriod> periods;
    while (select.step()) {
        WatchedPeriod p{std::max(select.integer(0), since), std::min(select.integer(1), until),
                        watchLives(select.text(3), select.integer(4), select.integer(2) != 0)};
        if (p.endMsecs < p.startMsecs)
            continue;
        if (!periods.empty() && p.startMsecs <= periods.back().endMsecs) {
            periods.back().endMsecs = std::max(periods.back().endMsecs, p.endMsecs);
            periods.back().ongoing = periods.back().ongoing || p.ongoing;
        } else {
            periods.push_back(p);
        }
    }
    return periods;
}

bool HistoryStore::Impl::acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at)
{
    m_db.prepare("INSERT INTO ack(event, user, t, utc_offset, note) SELECT id, ?2, ?3, ?4, ?5 FROM event WHERE id = ?1")
        .bind(1, eventId).bind(2, user).bind(3, at.msecsSinceEpoch).bind(4, at.utcOffsetSeconds).bind(5, note).run();
    return sqlite3_changes(m_db.handle()) == 1;
}

void HistoryStore::Impl::rollUp(std::int64_t nowMsecs)
{
    sql::Transaction transaction(m_db);
    // Minutes that ended a few seconds ago: every manager's buckets for them are in.
    const std::int64_t closedBefore = (std::max(nowMsecs, kLateBucketMs) - kLateBucketMs) / kMinuteMs * kMinuteMs;
    std::vector<std::int64_t> ids;
    for (sql::Statement all = m_db.prepare("SELECT id FROM probe"); all.step();)
        ids.push_back(all.integer(0));
    for (const std::int64_t id : ids) {
        // From the last minute rolled up; one stamped in the future (a clock set
        // ahead once) does not hold back the minutes before it.
        sql::Statement last = m_db.prepare("SELECT max(t) FROM minute WHERE probe = ?1 AND t < ?2");
        last.bind(1, id).bind(2, closedBefore).step();
        const std::int64_t from = last.isNull(0) ? 0 : last.integer(0) + kMinuteMs;
        sql::Statement rows =
            m_db.prepare("SELECT t, utc_offset, vals FROM bucket WHERE probe = ?1 AND t >= ?2 AND t < ?3 ORDER BY t");
        rows.bind(1, id).bind(2, from).bind(3, closedBefore);
        sql::Statement insert =
            m_db.prepare("INSERT OR REPLACE INTO minute(probe, t, utc_offset, vals) VALUES(?1, ?2, ?3, ?4)");
        std::int64_t minute = -1;
        int offset = 0;
        MinuteValues values{};
        std::array<int, kSlotCount * 3> counts{};
        const auto flush = [&] {
            if (minute < 0)
                return;
            for (std::size_t i = 0; i < counts.size(); ++i) {
                if (counts[i] == 0)
                    values[i * 3] = values[i * 3 + 1] = values[i * 3 + 2] = std::numeric_limits<float>::quiet_NaN();
                else
                    values[i * 3 + 1] /= static_cast<float>(counts[i]);
            }
            insert.bind(1, id).bind(2, minute).bind(3, offset).bind(4, pack(values)).run();
        };
        while (rows.step()) {
            const std::int64_t start = rows.integer(0) / kMinuteMs * kMinuteMs;
            if (start != minute) {
                flush();
                minute = start;
                offset = storedOffset(rows.integer(1));
                values.fill(0);
                counts.fill(0);
            }
            const BucketValues bucket = unpack<kSlotCount * 3>(rows.blob(2));
            for (std::size_t i = 0; i < bucket.size(); ++i) {
                const float v = bucket[i];
                if (std::isnan(v))
                    continue;
                float* stats = &values[i * 3];
                stats[0] = counts[i] == 0 ? v : std::min(stats[0], v);
                stats[1] += v;
                stats[2] = counts[i] == 0 ? v : std::max(stats[2], v);
                ++counts[i];
            }
        }
        flush();
    }
    transaction.commit();
}

void HistoryStore::Impl::prune(std::int64_t nowMsecs, const Retention& retention)
{
    sql::Transaction transaction(m_db);
    // Kept counts back from the newest record, never from a clock that runs
    // ahead of everything recorded: a clock set years on deletes nothing.
    sql::Statement newest = m_db.prepare("SELECT max(coalesce((SELECT max(t) FROM bucket), ?1), "
                                         "coalesce((SELECT max(t) FROM minute), ?1), coalesce((SELECT max(t) FROM event), ?1))");
    newest.bind(1, std::numeric_limits<std::int64_t>::min()).step();
    if (newest.integer(0) == std::numeric_limits<std::int64_t>::min())
        return;  // nothing recorded
    const std::int64_t reference = std::min(nowMsecs, newest.integer(0));
    const auto before = [reference](int days) {
        const std::int64_t kept = std::clamp<std::int64_t>(days, 0, 1'000'000) * kDayMs;
        return reference < std::numeric_limits<std::int64_t>::min() + kept ? std::numeric_limits<std::int64_t>::min()
                                                                           : reference - kept;
    };
    m_db.prepare("DELETE FROM bucket WHERE t < ?1").bind(1, before(retention.bucketDays)).run();
    m_db.prepare("DELETE FROM minute WHERE t < ?1").bind(1, before(retention.minuteDays)).run();
    // The journal is kept as long as the minutes, but an alarm still open stays.
    const std::vector<EventKind> openings = allOpenings();
    const std::string prune = "DELETE FROM event WHERE t < ?1 AND NOT (kind IN (" + placeholders(2, openings.size()) +
                              ") AND NOT EXISTS(SELECT 1 FROM event x WHERE x.ends = event.id))";
    sql::Statement deleteEvents = m_db.prepare(prune.c_str());
    deleteEvents.bind(1, before(retention.minuteDays));
    bindKinds(deleteEvents, 2, openings).run();
    // Acknowledgements go with their events; closed watches with the journal of their time.
    m_db.exec("DELETE FROM ack WHERE NOT EXISTS(SELECT 1 FROM event e WHERE e.id = ack.event)");
    m_db.prepare("DELETE FROM watch WHERE closed != 0 AND seen < ?1").bind(1, before(retention.minuteDays)).run();
    transaction.commit();
}

std::vector<JournalEvent> HistoryStore::Impl::events(const EventFilter& filter) const
{
    // A kind no version of the program wrote (a crafted store) is never read.
    const std::vector<EventKind>& kinds = filter.kinds.empty() ? allEventKinds() : filter.kinds;
    // A record's flaps and gaps are kept on its rise; its end reads them there.
    const char* const record = m_legacyEvents ? "0, 0, 0, " : "coalesce(o.flaps, e.flaps), coalesce(o.gaps, e.gaps), e.unwatched, ";
    const std::string query =
        "SELECT e.id, p.address, p.port, p.name, e.t, e.utc_offset, e.kind, e.slot, e.channel, e.power, e.mer, "
        "e.vber, e.detail, o.t, EXISTS(SELECT 1 FROM event x WHERE x.ends = e.id), " + std::string(record) +
        "EXISTS(SELECT 1 FROM ack a WHERE a.event = e.id) "
        "FROM event e JOIN probe p ON p.id = e.probe LEFT JOIN event o ON o.id = e.ends "
        "WHERE (?1 IS NULL OR (p.address = ?1 AND p.port = ?2)) AND (?3 = '' OR p.name = ?3) "
        "AND (?4 IS NULL OR e.t >= ?4) AND (?5 IS NULL OR e.t <= ?5) AND (?6 < 0 OR e.slot = ?6) "
        "AND e.kind IN (" + placeholders(7, kinds.size()) + ") ORDER BY e.t DESC, e.id DESC";
    sql::Statement select = m_db.prepare(query.c_str());
    bindKinds(select, 7, kinds);
    if (filter.probe)
        select.bind(1, filter.probe->address).bind(2, filter.probe->port).bind(3, storedName(filter.probe->name));
    else
        select.bind(1, std::nullopt).bind(2, 0).bind(3, QString());
    select.bind(4, filter.sinceMsecs).bind(5, filter.untilMsecs).bind(6, filter.slot);
    sql::Statement acks = m_db.prepare("SELECT user, t, utc_offset, note FROM ack WHERE event = ?1 ORDER BY t, id");
    // An open record is active while a manager watches its probe, or where none ever said (an older store).
    std::map<std::pair<QString, int>, bool> watched;
    const auto watchedNow = [&](const ProbeKey& p) {
        const auto key = std::make_pair(p.address, p.port);
        if (const auto found = watched.find(key); found != watched.end())
            return found->second;
        return watched[key] = !everWatched(p.address, p.port) || watchedByAnother(p.address, p.port, 0);
    };
    std::vector<JournalEvent> events;
    while (select.step()) {
        JournalEvent e;
        const std::optional<EventKind> kind = eventKindFromText(select.text(6));
        if (!kind)
            continue;
        // Nor a slot no probe has (a crafted store).
        const std::int64_t slot = select.integer(7);
        if (slot < -1 || slot >= kSlotCount)
            continue;
        e.kind = *kind;
        e.id = select.integer(0);
        e.probe = {select.text(1), static_cast<int>(select.integer(2)), select.text(3)};
        e.time = {select.integer(4), storedOffset(select.integer(5))};
        e.slot = static_cast<int>(slot);
        e.channel = select.text(8);
        e.power = select.optionalReal(9);
        e.mer = select.optionalReal(10);
        e.vber = select.optionalReal(11);
        e.detail = select.text(12);
        e.flaps = static_cast<int>(std::clamp<std::int64_t>(select.integer(15), 0, INT_MAX));
        e.gaps = static_cast<int>(std::clamp<std::int64_t>(select.integer(16), 0, INT_MAX));
        e.endedUnwatched = select.integer(17) != 0;
        // An unknown end has no duration, but one at the last sighting runs to it.
        if (!select.isNull(13) && (!isUnknownEnd(e.kind) || e.endedUnwatched))
            e.durationMsecs = duration(select.integer(13), e.time.msecsSinceEpoch);
        e.active = opens(e.kind) != Episode::None && select.integer(14) == 0 && watchedNow(e.probe);
        if (select.integer(18) != 0) {
            for (acks.bind(1, e.id); acks.step();)
                e.acknowledgements.push_back(
                    {acks.text(0), {acks.integer(1), storedOffset(acks.integer(2))}, acks.text(3)});
            acks.reset();
            const Acknowledgement& latest = e.acknowledgements.back();
            e.ackUser = latest.user;
            e.ackTime = latest.time;
            e.ackNote = latest.note;
        }
        events.push_back(e);
        if (filter.limit > 0 && static_cast<int>(events.size()) == filter.limit)
            break;
    }
    return events;
}

std::vector<ProbeSummary> HistoryStore::Impl::probes() const
{
    sql::Statement select = m_db.prepare(
        "SELECT p.id, p.address, p.port, p.name, "
        "min(coalesce((SELECT min(t) FROM minute WHERE probe = p.id), 9e18), "
        "    coalesce((SELECT min(t) FROM bucket WHERE probe = p.id), 9e18), "
        "    coalesce((SELECT min(t) FROM event WHERE probe = p.id), 9e18)), "
        "max(coalesce((SELECT max(t) FROM bucket WHERE probe = p.id), -1), "
        "    coalesce((SELECT max(t) FROM minute WHERE probe = p.id), -1), "
        "    coalesce((SELECT max(t) FROM event WHERE probe = p.id), -1)), "
        "EXISTS(SELECT 1 FROM bucket WHERE probe = p.id) OR EXISTS(SELECT 1 FROM minute WHERE probe = p.id) "
        "FROM probe p ORDER BY p.address, p.port, p.name");
    const std::vector<EventKind> outageKinds = {EventKind::ProbeLost, EventKind::NeverAnswered, EventKind::ProbeBack,
                                                EventKind::OutageUnknownEnd};
    const std::string lastOutage = "SELECT kind, t, utc_offset FROM event WHERE probe = ?1 AND kind IN (" +
                                   placeholders(2, outageKinds.size()) + ") ORDER BY t DESC, id DESC LIMIT 1";
    sql::Statement outage = m_db.prepare(lastOutage.c_str());
    sql::Statement seen =
        m_db.prepare("SELECT seen, utc_offset FROM watch WHERE address = ?1 AND port = ?2 ORDER BY seen DESC LIMIT 1");
    std::vector<ProbeSummary> probes;
    while (select.step()) {
        ProbeSummary s;
        s.probe = {select.text(1), static_cast<int>(select.integer(2)), select.text(3)};
        if (select.real(4) < 9e18)
            s.first = BucketTime{select.integer(4), 0};
        if (select.integer(5) >= 0)
            s.last = BucketTime{select.integer(5), 0};
        std::optional<BucketTime> since;
        bindKinds(outage.bind(1, select.integer(0)), 2, outageKinds);
        const std::optional<EventKind> last = outage.step() ? eventKindFromText(outage.text(0)) : std::nullopt;
        if (last == EventKind::ProbeLost) {
            s.probeState = ProbeState::Lost;
            since = BucketTime{outage.integer(1), storedOffset(outage.integer(2))};
        } else if (last == EventKind::NeverAnswered) {
            s.probeState = ProbeState::NeverAnswered;
        } else if (last == EventKind::ProbeBack || select.integer(6) != 0) {
            s.probeState = ProbeState::Answering;
        }
        outage.reset();
        // Whatever it last showed, nobody sees it now.
        if (everWatched(s.probe.address, s.probe.port) && !watchedByAnother(s.probe.address, s.probe.port, 0)) {
            if (seen.bind(1, s.probe.address).bind(2, s.probe.port).step()) {
                s.probeState = ProbeState::NotWatched;
                s.notWatchedSince = since = BucketTime{seen.integer(0), storedOffset(seen.integer(1))};
            }
            seen.reset();
        }
        s.state = since ? probeStateText(s.probeState, since->msecsSinceEpoch, since->utcOffsetSeconds)
                        : probeStateText(s.probeState);
        probes.push_back(s);
    }
    return probes;
}

namespace {

// A probe's rows from `since` to `until`, oldest first, of every name it
// reported there. Under one name the key's own order serves; only a renamed
// probe's rows need sorting.
template <typename Row, std::size_t N>
void eachRow(const sql::Database& db, const char* table, const std::vector<std::int64_t>& ids, std::int64_t since,
             std::int64_t until, const std::function<void(const Row&)>& take)
{
    if (ids.empty())
        return;
    std::string query = std::string("SELECT t, utc_offset, vals FROM ") + table + " WHERE probe IN (";
    for (std::size_t i = 0; i < ids.size(); ++i)
        query += (i ? ",?" : "?") + std::to_string(i + 3);
    query += ") AND t >= ?1 AND t <= ?2 ORDER BY ";
    query += ids.size() == 1 ? "probe, t" : "t";
    sql::Statement select = db.prepare(query.c_str());
    select.bind(1, since).bind(2, until);
    for (std::size_t i = 0; i < ids.size(); ++i)
        select.bind(static_cast<int>(i + 3), ids[i]);
    while (select.step())
        take({{select.integer(0), storedOffset(select.integer(1))}, unpack<N>(select.blob(2))});
}

}  // namespace

PerSlot<QString> HistoryStore::Impl::labels(const ProbeKey& probe) const
{
    sql::Statement select = m_db.prepare(
        "SELECT labels FROM probe WHERE address = ?1 AND port = ?2 AND (?3 = '' OR name = ?3) AND labels != '' "
        "ORDER BY (SELECT max(t) FROM bucket WHERE probe = probe.id) DESC LIMIT 1");
    select.bind(1, probe.address).bind(2, probe.port).bind(3, storedName(probe.name));
    PerSlot<QString> labels;
    const QStringList stored = select.step() ? select.text(0).split(QLatin1Char('\t')) : QStringList();
    for (int s = 0; s < kSlotCount; ++s)
        labels[static_cast<std::size_t>(s)] =
            s < stored.size() && !stored[s].isEmpty() ? stored[s] : QStringLiteral("Slot %1").arg(s + 1);
    return labels;
}

QString HistoryStore::Impl::lastName(const QString& address, int port) const
{
    sql::Statement select = m_db.prepare(
        "SELECT p.name FROM probe p WHERE p.address = ?1 AND p.port = ?2 AND p.name != '' ORDER BY "
        "max(coalesce((SELECT max(t) FROM bucket WHERE probe = p.id), -1), "
        "coalesce((SELECT max(t) FROM event WHERE probe = p.id), -1)) DESC LIMIT 1");
    select.bind(1, address).bind(2, port);
    return select.step() ? select.text(0) : QString();
}

QString defaultHistoryPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative value is to be ignored, as the base directory rules say.
    if (state.isEmpty() || !state.startsWith(QLatin1Char('/')))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/vimbo/history.sqlite");
}

static StoreError storeError(const sql::Error& error)
{
    QString reason;
    switch (error.code()) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        reason = QStringLiteral("it is damaged or not a history file");
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        reason = QStringLiteral("another program keeps it locked");
        break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        reason = QStringLiteral("it cannot be written");
        break;
    case SQLITE_CANTOPEN:
        reason = QStringLiteral("it cannot be opened (a folder in its place, or no permission)");
        break;
    case SQLITE_FULL:
        reason = QStringLiteral("the disk is full");
        break;
    default:
        reason = QStringLiteral("it cannot be used");
        break;
    }
    return {error.code(), reason + QStringLiteral(" (") + QString::fromUtf8(error.what()) + QLatin1Char(')')};
}

namespace {

// The store's calls throw inside; what leaves it is a value.
template <typename Work>
auto guarded(Work&& work) -> StoreResult<decltype(work())>
{
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            return {};
        } else {
            return work();
        }
    } catch (const sql::Error& error) {
        return storeError(error);
    }
}

}  // namespace

HistoryStore::HistoryStore(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
HistoryStore::~HistoryStore() = default;

StoreResult<std::unique_ptr<HistoryStore>> HistoryStore::open(const QString& path, Mode mode, int busyTimeoutMs)
{
    return guarded([&] {
        return std::unique_ptr<HistoryStore>(new HistoryStore(std::make_unique<Impl>(path, mode, busyTimeoutMs)));
    });
}

StoreStatus HistoryStore::addBucket(const ProbeKey& probe, const BucketTime& closedAt, const BucketValues& values,
                                    const PerSlot<QString>& labels)
{
    return guarded([&] { m_impl->addBucket(probe, closedAt, values, labels); });
}

StoreStatus HistoryStore::addMinute(const ProbeKey& probe, const BucketTime& start, const MinuteValues& values)
{
    return guarded([&] { m_impl->addMinute(probe, start, values); });
}

StoreResult<std::int64_t> HistoryStore::addEvent(const JournalEvent& event)
{
    return guarded([&] { return m_impl->addEvent(event); });
}

void HistoryStore::setFlapHold(std::int64_t msecs) { m_impl->m_flapHoldMsecs = std::max<std::int64_t>(0, msecs); }

StoreResult<std::int64_t> HistoryStore::startWatching(const QString& address, int port, const BucketTime& at)
{
    return guarded([&] { return m_impl->startWatching(address, port, at); });
}

StoreStatus HistoryStore::heartbeat(std::int64_t watch, std::int64_t atMsecs)
{
    return guarded([&] { m_impl->heartbeat(watch, atMsecs, false); });
}

StoreStatus HistoryStore::stopWatching(std::int64_t watch, std::int64_t atMsecs)
{
    return guarded([&] { m_impl->heartbeat(watch, atMsecs, true); });
}

StoreResult<int> HistoryStore::resume(std::int64_t watch, const Sighting& lit, const BucketTime& at)
{
    return guarded([&] { return m_impl->resume(watch, lit, at); });
}

StoreResult<std::vector<WatchedPeriod>> HistoryStore::watchedPeriods(const QString& address, int port,
                                                                     std::int64_t since, std::int64_t until) const
{
    return guarded([&] { return m_impl->watchedPeriods(address, port, since, until); });
}

StoreResult<bool> HistoryStore::acknowledge(std::int64_t eventId, const QString& user, const QString& note,
                                            const BucketTime& at)
{
    return guarded([&] { return m_impl->acknowledge(eventId, user, note, at); });
}

StoreStatus HistoryStore::maintain(std::int64_t nowMsecs, const Retention& retention)
{
    return guarded([&] {
        m_impl->rollUp(nowMsecs);
        m_impl->prune(nowMsecs, retention);
    });
}

StoreStatus HistoryStore::rollUp(std::int64_t nowMsecs)
{
    return guarded([&] { m_impl->rollUp(nowMsecs); });
}

StoreResult<std::vector<JournalEvent>> HistoryStore::events(const EventFilter& filter) const
{
    return guarded([&] { return m_impl->events(filter); });
}

StoreResult<std::vector<ProbeSummary>> HistoryStore::probes() const
{
    return guarded([&] { return m_impl->probes(); });
}

StoreStatus HistoryStore::eachBucket(const ProbeKey& probe, std::int64_t since, std::int64_t until,
                                     const std::function<void(const StoredBucket&)>& take) const
{
    return guarded([&] {
        eachRow<StoredBucket, kSlotCount * 3>(m_impl->m_db, "bucket", m_impl->probeIds(probe), since, until, take);
    });
}

StoreStatus HistoryStore::eachMinute(const ProbeKey& probe, std::int64_t since, std::int64_t until,
                                     const std::function<void(const StoredMinute&)>& take) const
{
    return guarded([&] {
        eachRow<StoredMinute, kSlotCount * 3 * 3>(m_impl->m_db, "minute", m_impl->probeIds(probe), since, until, take);
    });
}

StoreResult<std::vector<StoredBucket>> HistoryStore::buckets(const ProbeKey& probe, std::int64_t since,
                                                              std::int64_t until) const
{
    std::vector<StoredBucket> rows;
    if (StoreStatus read = eachBucket(probe, since, until, [&](const StoredBucket& b) { rows.push_back(b); }); !read)
        return read.error();
    return rows;
}

StoreResult<std::vector<StoredMinute>> HistoryStore::minutes(const ProbeKey& probe, std::int64_t since,
                                                              std::int64_t until) const
{
    std::vector<StoredMinute> rows;
    if (StoreStatus read = eachMinute(probe, since, until, [&](const StoredMinute& m) { rows.push_back(m); }); !read)
        return read.error();
    return rows;
}

StoreResult<PerSlot<QString>> HistoryStore::labels(const ProbeKey& probe) const
{
    return guarded([&] { return m_impl->labels(probe); });
}

StoreResult<QString> HistoryStore::lastName(const QString& address, int port) const
{
    return guarded([&] { return m_impl->lastName(address, port); });
}

sql::Database& connectionOf(HistoryStore& store) { return store.m_impl->m_db; }

StoreStatus HistoryStore::inOneTransaction(const std::function<StoreStatus()>& work)
{
    StoreStatus status;
    const StoreStatus ran = guarded([&] {
        sql::Transaction transaction(m_impl->m_db);
        status = work();
        if (status)
            transaction.commit();
    });
    return ran ? status : ran;
}

}  // namespace vimbo
