#include "HistoryStore.h"

#include "Sqlite.h"
#include "StoreConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <bit>
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
    int closeOpenEnds(const QString& address, int port, const BucketTime& at);
    bool acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at);
    void maintain(std::int64_t nowMsecs, const Retention& retention);
    std::vector<JournalEvent> events(const EventFilter& filter) const;
    std::vector<ProbeSummary> probes() const;
    std::vector<std::int64_t> probeIds(const ProbeKey& probe) const;
    PerSlot<QString> labels(const ProbeKey& probe) const;
    QString lastName(const QString& address, int port) const;

    sql::Database m_db;

private:
    std::int64_t probeId(const ProbeKey& probe);
    std::int64_t insertEvent(std::int64_t probe, const JournalEvent& event, std::optional<std::int64_t> ends);

    std::map<QString, std::int64_t> m_probeIds;  // by where and name
    std::map<std::int64_t, QString> m_labels;     // as stored, so that unchanged labels are not written again
};

HistoryStore::Impl::Impl(const QString& path, Mode mode, int busyTimeoutMs)
    : m_db((mode == Mode::ReadWrite && QDir().mkpath(QFileInfo(path).absolutePath()), path),
           mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY)
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
        transaction.commit();
    }
    // WAL lets a reader and another manager's writer go on together; NORMAL
    // syncs at checkpoints, so a killed manager loses nothing committed.
    m_db.exec("PRAGMA journal_mode=WAL");
    m_db.exec("PRAGMA synchronous=NORMAL");
}

std::int64_t HistoryStore::Impl::probeId(const ProbeKey& probe)
{
    const QString key = probe.where() + QLatin1Char('\n') + probe.name;
    if (const auto found = m_probeIds.find(key); found != m_probeIds.end())
        return found->second;
    m_db.prepare("INSERT OR IGNORE INTO probe(address, port, name) VALUES(?1, ?2, ?3)")
        .bind(1, probe.address).bind(2, probe.port).bind(3, probe.name).run();
    sql::Statement select = m_db.prepare("SELECT id, labels FROM probe WHERE address = ?1 AND port = ?2 AND name = ?3");
    select.bind(1, probe.address).bind(2, probe.port).bind(3, probe.name);
    if (!select.step())
        throw sql::Error(SQLITE_INTERNAL, "the probe's row is missing");
    const std::int64_t id = select.integer(0);
    m_probeIds[key] = id;
    m_labels[id] = select.text(1);
    return id;
}

std::vector<std::int64_t> HistoryStore::Impl::probeIds(const ProbeKey& probe) const
{
    sql::Statement select =
        m_db.prepare("SELECT id FROM probe WHERE address = ?1 AND port = ?2 AND (?3 = '' OR name = ?3)");
    select.bind(1, probe.address).bind(2, probe.port).bind(3, probe.name);
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

std::int64_t HistoryStore::Impl::addEvent(const JournalEvent& event)
{
    sql::Transaction transaction(m_db);
    const std::int64_t probe = probeId(event.probe);
    std::optional<std::int64_t> ended;
    const std::vector<EventKind> openings = openingsOf(ends(event.kind));
    if (!openings.empty()) {
        // The newest rise or outage of this probe and slot that nothing has
        // ended yet; read backwards along the index, it is found at once.
        sql::Statement open = m_db.prepare(
            "SELECT id FROM event o WHERE probe = ?1 AND slot = ?2 AND kind = ?3 "
            "AND NOT EXISTS(SELECT 1 FROM event x WHERE x.ends = o.id) ORDER BY id DESC LIMIT 1");
        for (const EventKind opening : openings) {
            open.bind(1, probe).bind(2, event.slot).bind(3, eventKindText(opening));
            if (open.step())
                ended = std::max(ended.value_or(0), open.integer(0));
            open.reset();
        }
    }
    const std::int64_t id = insertEvent(probe, event, ended);
    transaction.commit();
    return id;
}

int HistoryStore::Impl::closeOpenEnds(const QString& address, int port, const BucketTime& at)
{
    sql::Transaction transaction(m_db);
    const std::vector<EventKind> openings = allOpenings();
    const std::string query = "SELECT o.id, o.probe, o.kind, o.slot, o.channel FROM event o JOIN probe p ON p.id = o.probe "
                              "WHERE p.address = ?1 AND p.port = ?2 AND o.kind IN (" + placeholders(3, openings.size()) +
                              ") AND NOT EXISTS(SELECT 1 FROM event x WHERE x.ends = o.id) ORDER BY o.t, o.id";
    sql::Statement open = m_db.prepare(query.c_str());
    open.bind(1, address).bind(2, port);
    bindKinds(open, 3, openings);
    struct Open {
        std::int64_t id, probe;
        JournalEvent end;
    };
    std::vector<Open> ends;
    while (open.step()) {
        JournalEvent end;
        end.time = at;
        end.kind = unknownEndOf(opens(eventKindFromText(open.text(2)).value_or(EventKind::Save)));
        end.slot = static_cast<int>(open.integer(3));
        end.channel = open.text(4);
        ends.push_back({open.integer(0), open.integer(1), end});
    }
    for (const Open& o : ends)
        insertEvent(o.probe, o.end, o.id);
    transaction.commit();
    return static_cast<int>(ends.size());
}

bool HistoryStore::Impl::acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at)
{
    sql::Statement update = m_db.prepare(
        "UPDATE event SET ack_user = ?1, ack_note = ?2, ack_t = ?3, ack_offset = ?4 WHERE id = ?5");
    update.bind(1, user).bind(2, note).bind(3, at.msecsSinceEpoch).bind(4, at.utcOffsetSeconds).bind(5, eventId).run();
    return sqlite3_changes(m_db.handle()) == 1;
}

void HistoryStore::Impl::maintain(std::int64_t nowMsecs, const Retention& retention)
{
    sql::Transaction transaction(m_db);
    // Minutes that closed over a minute ago: every manager's buckets for them are in.
    const std::int64_t closedBefore = (nowMsecs - kMinuteMs) / kMinuteMs * kMinuteMs;
    std::vector<std::int64_t> ids;
    for (sql::Statement all = m_db.prepare("SELECT id FROM probe"); all.step();)
        ids.push_back(all.integer(0));
    for (const std::int64_t id : ids) {
        sql::Statement last = m_db.prepare("SELECT max(t) FROM minute WHERE probe = ?1");
        last.bind(1, id).step();
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
                offset = static_cast<int>(rows.integer(1));
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
    m_db.prepare("DELETE FROM bucket WHERE t < ?1").bind(1, nowMsecs - retention.bucketDays * kDayMs).run();
    m_db.prepare("DELETE FROM minute WHERE t < ?1").bind(1, nowMsecs - retention.minuteDays * kDayMs).run();
    // The journal is kept as long as the minutes, but an alarm still open stays.
    const std::vector<EventKind> openings = allOpenings();
    const std::string prune = "DELETE FROM event WHERE t < ?1 AND NOT (kind IN (" + placeholders(2, openings.size()) +
                              ") AND NOT EXISTS(SELECT 1 FROM event x WHERE x.ends = event.id))";
    sql::Statement deleteEvents = m_db.prepare(prune.c_str());
    deleteEvents.bind(1, nowMsecs - retention.minuteDays * kDayMs);
    bindKinds(deleteEvents, 2, openings).run();
    transaction.commit();
}

std::vector<JournalEvent> HistoryStore::Impl::events(const EventFilter& filter) const
{
    // A kind no version of the program wrote (a crafted store) is never read.
    const std::vector<EventKind>& kinds = filter.kinds.empty() ? allEventKinds() : filter.kinds;
    const std::string query =
        "SELECT e.id, p.address, p.port, p.name, e.t, e.utc_offset, e.kind, e.slot, e.channel, e.power, e.mer, "
        "e.vber, e.detail, (SELECT o.t FROM event o WHERE o.id = e.ends), "
        "EXISTS(SELECT 1 FROM event x WHERE x.ends = e.id), e.ack_user, e.ack_t, e.ack_offset, e.ack_note "
        "FROM event e JOIN probe p ON p.id = e.probe "
        "WHERE (?1 IS NULL OR (p.address = ?1 AND p.port = ?2)) AND (?3 = '' OR p.name = ?3) "
        "AND (?4 IS NULL OR e.t >= ?4) AND (?5 IS NULL OR e.t <= ?5) AND (?6 < 0 OR e.slot = ?6) "
        "AND e.kind IN (" + placeholders(7, kinds.size()) + ") ORDER BY e.t DESC, e.id DESC";
    sql::Statement select = m_db.prepare(query.c_str());
    bindKinds(select, 7, kinds);
    if (filter.probe)
        select.bind(1, filter.probe->address).bind(2, filter.probe->port).bind(3, filter.probe->name);
    else
        select.bind(1, std::nullopt).bind(2, 0).bind(3, QString());
    select.bind(4, filter.sinceMsecs).bind(5, filter.untilMsecs).bind(6, filter.slot);
    std::vector<JournalEvent> events;
    while (select.step()) {
        JournalEvent e;
        const std::optional<EventKind> kind = eventKindFromText(select.text(6));
        if (!kind)
            continue;
        e.kind = *kind;
        e.id = select.integer(0);
        e.probe = {select.text(1), static_cast<int>(select.integer(2)), select.text(3)};
        e.time = {select.integer(4), static_cast<std::int32_t>(select.integer(5))};
        e.slot = static_cast<int>(select.integer(7));
        e.channel = select.text(8);
        e.power = select.optionalReal(9);
        e.mer = select.optionalReal(10);
        e.vber = select.optionalReal(11);
        e.detail = select.text(12);
        // An unknown end has no duration: when it really ended is not known.
        if (!select.isNull(13) && !isUnknownEnd(e.kind))
            e.durationMsecs = e.time.msecsSinceEpoch - select.integer(13);
        e.active = opens(e.kind) != Episode::None && select.integer(14) == 0;
        e.ackUser = select.text(15);
        if (!select.isNull(16))
            e.ackTime = BucketTime{select.integer(16), static_cast<std::int32_t>(select.integer(17))};
        e.ackNote = select.text(18);
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
        "(SELECT kind FROM event WHERE probe = p.id AND kind IN (?1, ?2, ?3, ?4) ORDER BY t DESC, id DESC LIMIT 1), "
        "EXISTS(SELECT 1 FROM bucket WHERE probe = p.id) OR EXISTS(SELECT 1 FROM minute WHERE probe = p.id) "
        "FROM probe p ORDER BY p.address, p.port, p.name");
    bindKinds(select, 1, {EventKind::ProbeLost, EventKind::NeverAnswered, EventKind::ProbeBack, EventKind::OutageUnknownEnd});
    std::vector<ProbeSummary> probes;
    while (select.step()) {
        ProbeSummary s;
        s.probe = {select.text(1), static_cast<int>(select.integer(2)), select.text(3)};
        if (select.real(4) < 9e18)
            s.first = BucketTime{select.integer(4), 0};
        if (select.integer(5) >= 0)
            s.last = BucketTime{select.integer(5), 0};
        const std::optional<EventKind> last = eventKindFromText(select.text(6));
        if (last == EventKind::ProbeLost)
            s.state = QStringLiteral("lost");
        else if (last == EventKind::NeverAnswered)
            s.state = QStringLiteral("never answered");
        else if (last == EventKind::ProbeBack || select.integer(7) != 0)
            s.state = QStringLiteral("answering");
        else
            s.state = QStringLiteral("unknown");
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
        take({{select.integer(0), static_cast<std::int32_t>(select.integer(1))}, unpack<N>(select.blob(2))});
}

}  // namespace

PerSlot<QString> HistoryStore::Impl::labels(const ProbeKey& probe) const
{
    sql::Statement select = m_db.prepare(
        "SELECT labels FROM probe WHERE address = ?1 AND port = ?2 AND (?3 = '' OR name = ?3) AND labels != '' "
        "ORDER BY (SELECT max(t) FROM bucket WHERE probe = probe.id) DESC LIMIT 1");
    select.bind(1, probe.address).bind(2, probe.port).bind(3, probe.name);
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

StoreResult<int> HistoryStore::closeOpenEnds(const QString& address, int port, const BucketTime& at)
{
    return guarded([&] { return m_impl->closeOpenEnds(address, port, at); });
}

StoreResult<bool> HistoryStore::acknowledge(std::int64_t eventId, const QString& user, const QString& note,
                                            const BucketTime& at)
{
    return guarded([&] { return m_impl->acknowledge(eventId, user, note, at); });
}

StoreStatus HistoryStore::maintain(std::int64_t nowMsecs, const Retention& retention)
{
    return guarded([&] { m_impl->maintain(nowMsecs, retention); });
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
