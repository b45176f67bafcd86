// Writes a synthetic probe-year into a store, for the scripts that time
// vimbo-history on it: 365 days of minutes, the last 7 days also as 5-second
// buckets, and 100 journal events a day (alarms rising and clearing).
#include "store/HistoryStore.h"
#include "store/StoreConnection.h"

#include <QDateTime>

#include <cmath>
#include <cstdio>

using namespace vimbo;

namespace {

constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kDay = 86'400'000;

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

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("Usage: bench_year_store FILE\n", stderr);
        return 2;
    }
    const ProbeKey probe{QStringLiteral("127.0.0.1"), 16161, QStringLiteral("KESTREL")};
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch() / kMinute * kMinute;
    const auto opened = HistoryStore::open(QString::fromLocal8Bit(argv[1]));
    HistoryStore& store = *opened.value();
    PerSlot<QString> labels;
    for (int s = 0; s < kSlotCount; ++s)
        labels[static_cast<std::size_t>(s)] = QStringLiteral("(Ch%1) %2.00MHz").arg(21 + s).arg(474 + 8 * s);
    store.addBucket(probe, {now - 7 * kDay - 5000, 3600}, bucketAt(0), labels);  // the probe's row and labels
    {
        sql::Transaction transaction(connectionOf(store));
        for (std::int64_t t = now - 365 * kDay; t < now; t += kMinute) {
            const BucketValues b = bucketAt(t);
            MinuteValues m;
            for (std::size_t i = 0; i < b.size(); ++i)
                m[i * 3] = b[i] * 0.99f, m[i * 3 + 1] = b[i], m[i * 3 + 2] = b[i] * 1.01f;
            store.addMinute(probe, {t, 3600}, m);
        }
        for (std::int64_t t = now - 7 * kDay; t < now; t += 5000)
            connectionOf(store)
                .prepare("INSERT INTO bucket(probe, t, utc_offset, vals) VALUES(1, ?1, 3600, ?2)")
                .bind(1, t)
                .bind(2, QByteArray(reinterpret_cast<const char*>(bucketAt(t).data()), sizeof(BucketValues)))
                .run();
        for (std::int64_t t = now - 365 * kDay; t < now; t += kDay / 100) {
            JournalEvent e;
            e.probe = probe;
            e.time = {t, 3600};
            e.kind = (t / (kDay / 100)) % 2 == 0 ? EventKind::AlarmRose : EventKind::AlarmCleared;
            e.slot = static_cast<int>((t / kDay) % kSlotCount);
            e.channel = labels[static_cast<std::size_t>(e.slot)];
            store.addEvent(e);
        }
        transaction.commit();
    }
    connectionOf(store).exec("PRAGMA wal_checkpoint(TRUNCATE)");
    return 0;
}
