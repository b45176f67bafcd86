// The history store: the cost of recording one probe, a year's export at one
// minute, a month's events, and the size of a probe-year on disk.
#include "store/HistoryExport.h"
#include "store/HistoryStore.h"
#include "store/StoreConnection.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <memory>

namespace {

using namespace vimbo;

constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kDay = 86'400'000;
const ProbeKey kProbe{QStringLiteral("127.0.0.1"), 16161, QStringLiteral("KESTREL")};

BucketValues bucketAt(std::int64_t t)
{
    BucketValues v;
    for (std::size_t s = 0; s < kSlotCount; ++s) {
        const float drift = static_cast<float>(std::sin(static_cast<double>(t) / 3.6e6 + static_cast<double>(s)));
        v[s * 3] = 50.0f + drift;
        v[s * 3 + 1] = 30.0f + drift / 2;
        v[s * 3 + 2] = 2e-7f * (1.5f + drift);
    }
    return v;
}

MinuteValues minuteAt(std::int64_t t)
{
    const BucketValues b = bucketAt(t);
    MinuteValues m;
    for (std::size_t i = 0; i < b.size(); ++i) {
        m[i * 3] = b[i] * 0.99f;
        m[i * 3 + 1] = b[i];
        m[i * 3 + 2] = b[i] * 1.01f;
    }
    return m;
}

// One probe-year as the manager leaves it with the default periods: 365 days
// of minutes, the last 7 of 5-second buckets, and 100 journal events a day.
struct YearStore {
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("history.sqlite"));
    std::int64_t now = QDateTime::currentMSecsSinceEpoch() / kMinute * kMinute;
    std::unique_ptr<HistoryStore> store = HistoryStore::open(path).value();

    YearStore()
    {
        PerSlot<QString> labels;
        for (int s = 0; s < kSlotCount; ++s)
            labels[static_cast<std::size_t>(s)] = QStringLiteral("(Ch%1) %2.00MHz").arg(21 + s).arg(474 + 8 * s);
        sql::Transaction transaction(connectionOf(*store));
        for (std::int64_t t = now - 365 * kDay; t < now; t += kMinute)
            store->addMinute(kProbe, {t, 3600}, minuteAt(t));
        transaction.commit();
        for (std::int64_t day = 7; day > 0; --day) {
            sql::Transaction daily(connectionOf(*store));
            const std::int64_t start = now - day * kDay;
            for (std::int64_t t = start; t < start + kDay; t += 5000)
                connectionOf(*store)
                    .prepare("INSERT INTO bucket(probe, t, utc_offset, vals) VALUES(1, ?1, 3600, ?2)")
                    .bind(1, t)
                    .bind(2, QByteArray(reinterpret_cast<const char*>(bucketAt(t).data()), sizeof(BucketValues)))
                    .run();
            daily.commit();
        }
        sql::Transaction events(connectionOf(*store));
        for (std::int64_t t = now - 365 * kDay; t < now; t += kDay / 100) {
            JournalEvent e;
            e.probe = kProbe;
            e.time = {t, 3600};
            const bool rise = (t / (kDay / 100)) % 2 == 0;
            e.kind = rise ? EventKind::AlarmRose : EventKind::AlarmCleared;
            e.slot = static_cast<int>((t / kDay) % kSlotCount);
            e.channel = labels[static_cast<std::size_t>(e.slot)];
            e.power = 50.1, e.mer = 30.2, e.vber = 2e-7;
            store->addEvent(e);
        }
        events.commit();
        store->addBucket(kProbe, {now, 3600}, bucketAt(now), labels);  // the labels
        connectionOf(*store).exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    static YearStore& get()
    {
        static YearStore year;
        return year;
    }
};

// One closed bucket recorded as the manager does, every 5 s: the share of a
// core is the time per bucket divided by 5 s.
void BM_RecordBucket(benchmark::State& state)
{
    QTemporaryDir folder;
    const auto opened = HistoryStore::open(folder.filePath(QStringLiteral("history.sqlite")));
    HistoryStore& store = *opened.value();
    PerSlot<QString> labels;
    std::int64_t t = QDateTime::currentMSecsSinceEpoch();
    const std::clock_t cpuBefore = std::clock();
    for (auto _ : state) {
        store.addBucket(kProbe, {t, 3600}, bucketAt(t), labels);
        t += 5000;
    }
    const double cpuPerBucket = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC /
                                static_cast<double>(state.iterations());
    state.counters["core_pct_at_one_probe"] = cpuPerBucket / 5.0 * 100.0;
}
BENCHMARK(BM_RecordBucket)->Unit(benchmark::kMicrosecond);

// The watch's sign of life, as the recorder gives it: alone every 30 s, and
// with each closed bucket in the bucket's transaction (every 5 s). The store
// grows by one row per watch, not per heartbeat: bytes_per_day is the file's
// growth over a day of heartbeats alone.
void BM_Heartbeat(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("history.sqlite"));
    const auto opened = HistoryStore::open(path);
    HistoryStore& store = *opened.value();
    std::int64_t t = QDateTime::currentMSecsSinceEpoch();
    const std::int64_t watch = store.startWatching(kProbe.address, kProbe.port, {t, 3600}).value();
    const auto fileBytes = [&] {
        connectionOf(store).exec("PRAGMA wal_checkpoint(TRUNCATE)");
        return QFileInfo(path).size();
    };
    const qint64 before = fileBytes();
    const std::clock_t cpuBefore = std::clock();
    for (auto _ : state) {
        store.heartbeat(watch, t);
        t += 30'000;
    }
    const double cpuPerBeat = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC /
                              static_cast<double>(state.iterations());
    state.counters["cpu_us"] = cpuPerBeat * 1e6;
    state.counters["cpu_s_per_day"] = cpuPerBeat * 2880;
    state.counters["bytes_per_day"] =
        static_cast<double>(fileBytes() - before) * 2880.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Heartbeat)->Unit(benchmark::kMicrosecond)->Iterations(2880);

// A bucket and the heartbeat it carries, in one transaction, as the recorder writes it.
void BM_RecordBucketWithHeartbeat(benchmark::State& state)
{
    QTemporaryDir folder;
    const auto opened = HistoryStore::open(folder.filePath(QStringLiteral("history.sqlite")));
    HistoryStore& store = *opened.value();
    PerSlot<QString> labels;
    std::int64_t t = QDateTime::currentMSecsSinceEpoch();
    const std::int64_t watch = store.startWatching(kProbe.address, kProbe.port, {t, 3600}).value();
    const std::clock_t cpuBefore = std::clock();
    for (auto _ : state) {
        store.inOneTransaction([&] {
            const StoreStatus added = store.addBucket(kProbe, {t, 3600}, bucketAt(t), labels);
            return added ? store.heartbeat(watch, t) : added;
        });
        t += 5000;
    }
    const double cpuPerBucket = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC /
                                static_cast<double>(state.iterations());
    state.counters["core_pct_at_one_probe"] = cpuPerBucket / 5.0 * 100.0;
}
BENCHMARK(BM_RecordBucketWithHeartbeat)->Unit(benchmark::kMicrosecond);

// An alarm rise, with its slot, channel and values.
void BM_RecordEvent(benchmark::State& state)
{
    QTemporaryDir folder;
    const auto opened = HistoryStore::open(folder.filePath(QStringLiteral("history.sqlite")));
    HistoryStore& store = *opened.value();
    JournalEvent e;
    e.probe = kProbe;
    e.slot = 2;
    e.channel = QStringLiteral("(Ch34) 578.00MHz");
    e.power = 50.1;
    std::int64_t t = QDateTime::currentMSecsSinceEpoch();
    bool rise = true;
    for (auto _ : state) {
        e.time = {t += 3000, 3600};
        e.kind = rise ? EventKind::AlarmRose : EventKind::AlarmCleared;
        rise = !rise;
        store.addEvent(e);
    }
}
BENCHMARK(BM_RecordEvent)->Unit(benchmark::kMicrosecond);

// vimbo-history export --resolution 1m --since 365d, to CSV in memory.
void BM_ExportYearAtOneMinute(benchmark::State& state)
{
    YearStore& year = YearStore::get();
    std::size_t bytes = 0;
    std::string csv;
    for (auto _ : state) {
        // As the tool writes it: rows appended as they are read, handed on every 256 KB.
        bytes = static_cast<std::size_t>(minutesCsvHeader(year.store->labels(kProbe).value()).toUtf8().size());
        year.store->eachMinute(kProbe, year.now - 365 * kDay, year.now, [&](const StoredMinute& m) {
            appendMinuteCsv(csv, m);
            if (csv.size() > (1 << 18)) {
                bytes += csv.size();
                benchmark::DoNotOptimize(csv.data());
                csv.clear();
            }
        });
        bytes += csv.size();
        csv.clear();
    }
    state.counters["csv_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ExportYearAtOneMinute)->Unit(benchmark::kMillisecond)->Iterations(3);

// vimbo-history events --since 30d: 3,000 events, to CSV.
void BM_EventsOfAMonth(benchmark::State& state)
{
    YearStore& year = YearStore::get();
    std::size_t count = 0;
    for (auto _ : state) {
        EventFilter filter;
        filter.probe = kProbe;
        filter.sinceMsecs = year.now - 30 * kDay;
        const auto events = year.store->events(filter).value();
        count = events.size();
        benchmark::DoNotOptimize(eventsCsv(events));
    }
    state.counters["events"] = static_cast<double>(count);
}
BENCHMARK(BM_EventsOfAMonth)->Unit(benchmark::kMillisecond);

// The file's size for the year (not a timing).
void BM_SizeOfAProbeYear(benchmark::State& state)
{
    YearStore& year = YearStore::get();
    for (auto _ : state)
        benchmark::DoNotOptimize(QFileInfo(year.path).size());
    state.counters["MB"] = static_cast<double>(QFileInfo(year.path).size()) / 1e6;
}
BENCHMARK(BM_SizeOfAProbeYear)->Iterations(1);

// A day of buckets rolled into minutes, and the old ones pruned: the
// recorder's maintenance when a manager was off for a day.
void BM_MaintainADay(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir folder;
        const auto opened = HistoryStore::open(folder.filePath(QStringLiteral("history.sqlite")));
        HistoryStore& store = *opened.value();
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch() / kMinute * kMinute;
        store.addBucket(kProbe, {now - 8 * kDay - 5000, 0}, bucketAt(0), {});  // the probe's row
        {
            sql::Transaction transaction(connectionOf(store));
            for (std::int64_t t = now - 8 * kDay; t < now - 7 * kDay; t += 5000)
                connectionOf(store)
                    .prepare("INSERT OR REPLACE INTO bucket(probe, t, utc_offset, vals) VALUES(1, ?1, 0, ?2)")
                    .bind(1, t)
                    .bind(2, QByteArray(reinterpret_cast<const char*>(bucketAt(t).data()), sizeof(BucketValues)))
                    .run();
            transaction.commit();
        }
        state.ResumeTiming();
        store.maintain(now, {});
    }
}
BENCHMARK(BM_MaintainADay)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
