// The store as vimbo-history reads it, on a crafted file: a fresh store whose
// tables hold the rows the input describes (hostile times, offsets, slots,
// kinds, names and packed values), maintained as a manager does at start-up,
// then read back (events, probes, every probe's buckets and minutes) and
// exported as CSV and JSON. Never a crash, never undefined behaviour.
#include "store/HistoryExport.h"
#include "store/HistoryStore.h"
#include "store/StoreConnection.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

using namespace vimbo;

// Reads the input as the values of rows, running short as zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool more() const { return m_at < m_size; }
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::int64_t integer()
    {
        // Mostly the edges a crafted file would use; otherwise eight raw bytes.
        static constexpr std::int64_t kEdges[] = {0, 1, -1, 5, 6, -2, INT32_MAX, INT32_MIN,
                                                  std::numeric_limits<std::int64_t>::max(),
                                                  std::numeric_limits<std::int64_t>::min(), 1'796'000'000'000, 60'000};
        const std::uint8_t pick = byte();
        if (pick < 2 * std::size(kEdges))
            return kEdges[pick % std::size(kEdges)];
        std::uint64_t raw = 0;
        for (int i = 0; i < 8; ++i)
            raw = raw << 8 | byte();
        return static_cast<std::int64_t>(raw);
    }
    QByteArray bytes()
    {
        const std::size_t n = std::min<std::size_t>(byte(), m_size - std::min(m_at, m_size));
        QByteArray out(reinterpret_cast<const char*>(m_data + m_at), static_cast<qsizetype>(n));
        m_at += n;
        return out;
    }
    QString text() { return QString::fromUtf8(bytes()); }
    QString kind()
    {
        const std::uint8_t pick = byte();
        const auto& kinds = allEventKinds();
        return pick < 2 * kinds.size() ? eventKindText(kinds[pick % kinds.size()]) : text();
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

void addRow(sql::Database& db, Input& in)
{
    switch (in.byte() % 6) {
    case 0:
        db.prepare("INSERT INTO probe(id, address, port, name, labels) VALUES(?1, ?2, ?3, ?4, ?5)")
            .bind(1, in.integer()).bind(2, in.text()).bind(3, in.integer()).bind(4, in.text()).bind(5, in.text()).run();
        break;
    case 1:
        db.prepare("INSERT INTO event(id, probe, t, utc_offset, kind, slot, channel, power, detail, ends, flaps, gaps, "
                   "unwatched) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)")
            .bind(1, in.integer()).bind(2, in.integer()).bind(3, in.integer()).bind(4, in.integer()).bind(5, in.kind())
            .bind(6, in.integer()).bind(7, in.text()).bind(8, static_cast<double>(in.integer())).bind(9, in.text())
            .bind(10, in.integer()).bind(11, in.integer()).bind(12, in.integer()).bind(13, in.integer()).run();
        break;
    case 2:
    case 3:
        db.prepare(in.byte() % 2 ? "INSERT INTO bucket(probe, t, utc_offset, vals) VALUES(?1, ?2, ?3, ?4)"
                                 : "INSERT INTO minute(probe, t, utc_offset, vals) VALUES(?1, ?2, ?3, ?4)")
            .bind(1, in.integer()).bind(2, in.integer()).bind(3, in.integer()).bind(4, in.bytes()).run();
        break;
    case 4:
        db.prepare("INSERT INTO ack(event, user, t, utc_offset, note) VALUES(?1, ?2, ?3, ?4, ?5)")
            .bind(1, in.integer()).bind(2, in.text()).bind(3, in.integer()).bind(4, in.integer()).bind(5, in.text()).run();
        break;
    default:
        db.prepare("INSERT INTO watch(address, port, host, pid, started, utc_offset, seen, closed) "
                   "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)")
            .bind(1, in.text()).bind(2, in.integer()).bind(3, in.text()).bind(4, in.integer()).bind(5, in.integer())
            .bind(6, in.integer()).bind(7, in.integer()).bind(8, in.integer()).run();
        break;
    }
}

void readAsTheToolDoes(const HistoryStore& store)
{
    const auto events = store.events({});
    if (events) {
        (void)eventsCsv(*events);
        (void)eventsJson(*events);
    }
    const auto probes = store.probes();
    if (!probes)
        return;
    constexpr std::int64_t kAll[] = {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()};
    for (const ProbeSummary& summary : *probes) {
        (void)store.events(EventFilter{summary.probe, {}, {}, -1, {}, 10});
        const auto labels = store.labels(summary.probe);
        const JsonRowParts parts = jsonRowParts(labels ? *labels : PerSlot<QString>{}, &summary.probe);
        const std::string fields = probeCsvFields(summary.probe);
        std::string text;
        (void)store.eachBucket(summary.probe, kAll[0], kAll[1], [&](const StoredBucket& b) {
            appendBucketCsv(text, b, fields);
            appendBucketJson(text, parts, b);
        });
        (void)store.eachMinute(summary.probe, kAll[0], kAll[1], [&](const StoredMinute& m) {
            appendMinuteCsv(text, m, fields);
            appendMinuteJson(text, parts, m);
        });
        (void)store.watchedPeriods(summary.probe.address, summary.probe.port, kAll[0], kAll[1]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("history.sqlite"));
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    Input in(data, size);
    // The clock and retention of the manager that opens the file, then the rows.
    const std::int64_t now = in.integer();
    const Retention retention{static_cast<int>(in.byte()) - 8, static_cast<int>(in.byte())};
    {
        auto store = HistoryStore::open(path);
        if (!store)
            __builtin_trap();  // a fresh store always opens
        sql::Database& db = connectionOf(**store);
        for (int rows = 0; in.more() && rows < 64; ++rows) {
            try {
                addRow(db, in);
            } catch (const sql::Error&) {
                // A row the schema refuses (a duplicate key): the next one.
            }
        }
        // What a manager does with the file at its start.
        (void)(*store)->maintain(now, retention);
    }
    const auto reader = HistoryStore::open(path, HistoryStore::Mode::ReadOnly);
    if (reader)
        readAsTheToolDoes(**reader);
    return 0;
}
