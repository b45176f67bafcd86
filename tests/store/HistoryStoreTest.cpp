// The store on disk: what it keeps and prunes, and how it behaves when the
// file cannot be used, the disk fills or two managers write at once.
#include "WaitFor.h"
#include "store/HistoryRecorder.h"
#include "store/HistoryStore.h"
#include "store/StoreBackup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace vimbo {
namespace {

constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kDay = 86'400'000;
// Now, to the minute: the recorder prunes by its own clock at opening.
const std::int64_t kNow = QDateTime::currentMSecsSinceEpoch() / kMinute * kMinute;
const ProbeKey kProbe{QStringLiteral("127.0.0.1"), 16161, QStringLiteral("KESTREL")};

BucketValues valuesOf(float power)
{
    BucketValues v;
    v.fill(std::nanf(""));
    v[0] = power;        // slot 1 power
    v[1] = power / 2;    // slot 1 MER
    v[2] = 1e-6f;        // slot 1 VBER
    return v;
}

JournalEvent event(const QString& k, int slot, std::int64_t at, const ProbeKey& probe = kProbe)
{
    JournalEvent e;
    e.probe = probe;
    e.kind = k;
    e.slot = slot;
    e.time = {at, 3600};
    return e;
}

struct Store : ::testing::Test {
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("state/vimbo/history.sqlite"));
};

TEST_F(Store, endsAreTiedToTheirRiseWithADurationAndAnUnknownEndHasNone)
{
    HistoryStore store(path);
    store.addEvent(event(kind::AlarmRose, 1, kNow));
    store.addEvent(event(kind::WarningRose, 1, kNow + 1000));
    store.addEvent(event(kind::AlarmCleared, 1, kNow + 65'000));
    store.addEvent(event(kind::NeverAnswered, -1, kNow + 70'000));
    store.addEvent(event(kind::ProbeBack, -1, kNow + 73'000));
    store.addEvent(event(kind::AlarmRose, 4, kNow + 80'000));
    // Another probe's rise at the same address is closed too; one elsewhere is not.
    store.addEvent(event(kind::AlarmRose, 0, kNow, {kProbe.address, kProbe.port, QStringLiteral("OLD NAME")}));
    store.addEvent(event(kind::AlarmRose, 0, kNow, {kProbe.address, 16162, kProbe.name}));
    EXPECT_EQ(store.closeOpenEnds(kProbe.address, kProbe.port, {kNow + 90'000, 3600}), 3);

    const EventFilter here{.probe = ProbeKey{kProbe.address, kProbe.port, {}}};
    const auto events = store.events(here);
    ASSERT_EQ(events.size(), 10u);
    const auto find = [&](const QString& k, int slot) {
        for (const JournalEvent& e : events)
            if (e.kind == k && e.slot == slot)
                return e;
        ADD_FAILURE() << k.toStdString() << " " << slot;
        return JournalEvent{};
    };
    EXPECT_EQ(find(kind::AlarmCleared, 1).durationMsecs, 65'000);
    EXPECT_EQ(find(kind::ProbeBack, -1).durationMsecs, 3'000);
    EXPECT_FALSE(find(kind::AlarmRose, 1).active);
    EXPECT_FALSE(find(kind::WarningRose, 1).active);  // ended unknown
    EXPECT_FALSE(find(kind::AlarmUnknownEnd, 4).durationMsecs.has_value());
    EXPECT_FALSE(find(kind::WarningUnknownEnd, 1).durationMsecs.has_value());
    EXPECT_EQ(events.front().time.msecsSinceEpoch, kNow + 90'000);  // newest first
    EXPECT_TRUE(store.events({.probe = ProbeKey{kProbe.address, 16162, {}}}).front().active);

    EXPECT_TRUE(store.acknowledge(events.back().id, QStringLiteral("ana"), QStringLiteral("on site"), {kNow, 0}));
    EXPECT_FALSE(store.acknowledge(99999, QStringLiteral("ana"), {}, {kNow, 0}));
    const auto acknowledged = store.events(here).back();
    EXPECT_EQ(acknowledged.ackUser, QStringLiteral("ana"));
    EXPECT_EQ(acknowledged.ackNote, QStringLiteral("on site"));
}

TEST_F(Store, oldBucketsBecomeMinutesWithMinimumMeanAndMaximumAndBothPeriodsAreKept)
{
    HistoryStore store(path);
    // Ten days of a bucket every 20 s (three a minute: 10, 20, 30 dBuV), and slot 2 never measured.
    for (std::int64_t t = kNow - 10 * kDay; t < kNow; t += 20'000)
        store.addBucket(kProbe, {t, 3600}, valuesOf(10.0f + static_cast<float>(t / 20'000 % 3) * 10.0f), {});
    store.addMinute(kProbe, {kNow - 401 * kDay, 0}, MinuteValues{});
    store.addEvent(event(kind::AlarmRose, 2, kNow - 402 * kDay));     // still open: kept
    store.addEvent(event(kind::WarningRose, 2, kNow - 402 * kDay));
    store.addEvent(event(kind::WarningCleared, 2, kNow - 401 * kDay));  // ended long ago: dropped

    store.maintain(kNow, Retention{7, 400});
    const auto buckets = store.buckets(kProbe, 0, kNow);
    ASSERT_FALSE(buckets.empty());
    EXPECT_GE(buckets.front().time.msecsSinceEpoch, kNow - 7 * kDay);
    const auto minutes = store.minutes(kProbe, 0, kNow);
    ASSERT_EQ(minutes.size(), static_cast<std::size_t>(10 * 24 * 60 - 1));  // the last minute is still open
    EXPECT_EQ(minutes.front().time.msecsSinceEpoch, kNow - 10 * kDay);
    const MinuteValues& first = minutes.front().values;
    EXPECT_FLOAT_EQ(first[0], 10.0f);  // slot 1 power: minimum, mean, maximum
    EXPECT_FLOAT_EQ(first[1], 20.0f);
    EXPECT_FLOAT_EQ(first[2], 30.0f);
    EXPECT_FLOAT_EQ(first[4], 10.0f);  // slot 1 MER's mean
    EXPECT_TRUE(std::isnan(first[9]));  // slot 2 had no measure
    const auto events = store.events({});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front().kind, kind::AlarmRose);

    // Shorter periods: a day of buckets, two of minutes.
    store.maintain(kNow, Retention{1, 2});
    EXPECT_GE(store.buckets(kProbe, 0, kNow).front().time.msecsSinceEpoch, kNow - kDay);
    EXPECT_EQ(store.minutes(kProbe, 0, kNow).size(), static_cast<std::size_t>(2 * 24 * 60 - 1));
}

// Collects what a recorder tells.
struct Told {
    std::vector<QString> messages;
    std::function<void(const QString&)> sink() { return [this](const QString& m) { messages.push_back(m); }; }
};

void settle(HistoryRecorder& recorder)
{
    recorder.waitForIdle();
    test::waitFor([] { return false; }, 20);  // the queued message reaches this thread
}

TEST_F(Store, aStoreThatCannotBeUsedIsToldOnceAndNothingElseHappens)
{
    using Hold = std::unique_ptr<sql::Database>;  // another program's connection, kept while the case runs
    const struct {
        const char* name;
        std::function<QString(QTemporaryDir&, Hold&)> make;  // the file to use
        const char* reason;
    } cases[] = {
        {"not a store",
         [](QTemporaryDir& d, Hold&) {
             QFile f(d.filePath(QStringLiteral("history.sqlite")));
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray(8192, '\x5a'));
             return f.fileName();
         },
         "damaged"},
        {"another program's database",
         [](QTemporaryDir& d, Hold&) {
             const QString file = d.filePath(QStringLiteral("notes.sqlite"));
             sql::Database(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).exec("CREATE TABLE note(text)");
             return file;
         },
         "not a history file"},
        {"a place that cannot be written",
         [](QTemporaryDir&, Hold&) { return QStringLiteral("/proc/vimbo/history.sqlite"); }, "cannot be opened"},
        {"locked by another program",
         [](QTemporaryDir& d, Hold& other) {
             const QString file = d.filePath(QStringLiteral("history.sqlite"));
             { HistoryStore create(file); }
             other = std::make_unique<sql::Database>(file, SQLITE_OPEN_READWRITE);
             other->exec("PRAGMA locking_mode=EXCLUSIVE");
             other->exec("BEGIN EXCLUSIVE");
             return file;
         },
         "locked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        Hold other;
        const QString file = c.make(dir, other);
        Told told;
        {
            HistoryRecorder recorder({file, {}, 60'000, 200}, told.sink());
            for (int i = 0; i < 3; ++i) {
                recorder.recordBucket(kProbe, {kNow + i, 0}, valuesOf(1), {});
                recorder.recordEvent(event(kind::AlarmRose, 0, kNow));
            }
            settle(recorder);
            EXPECT_FALSE(recorder.recording());
        }
        ASSERT_EQ(told.messages.size(), 1u);
        EXPECT_TRUE(told.messages[0].contains(file)) << told.messages[0].toStdString();
        if (file.endsWith(QLatin1String("notes.sqlite"))) {  // nothing added to it
            const sql::Database notes(file, SQLITE_OPEN_READONLY);
            sql::Statement tables = notes.prepare("SELECT count(*) FROM sqlite_master");
            tables.step();
            EXPECT_EQ(tables.integer(0), 1);
        }
        EXPECT_TRUE(told.messages[0].contains(QLatin1String(c.reason))) << told.messages[0].toStdString();
    }
}

TEST_F(Store, aFullDiskStopsRecordingWithOneMessageKeepsWhatWasWrittenAndRecordingResumes)
{
    Told told;
    HistoryRecorder recorder({path, {}, 60'000, 200}, told.sink());
    recorder.run([](HistoryStore& store) { store.database().exec("PRAGMA max_page_count = 12"); });
    for (int i = 0; i < 400; ++i)
        recorder.recordBucket(kProbe, {kNow + i * 5000, 0}, valuesOf(static_cast<float>(i)), {});
    settle(recorder);
    EXPECT_FALSE(recorder.recording());
    ASSERT_EQ(told.messages.size(), 1u);
    EXPECT_TRUE(told.messages[0].contains(QLatin1String("disk is full"))) << told.messages[0].toStdString();

    recorder.run([](HistoryStore& store) { store.database().exec("PRAGMA max_page_count = 100000"); });
    recorder.recordBucket(kProbe, {kNow + 400 * 5000, 0}, valuesOf(400), {});
    settle(recorder);
    EXPECT_TRUE(recorder.recording());
    const HistoryStore reader(path, HistoryStore::Mode::ReadOnly);
    const auto kept = reader.buckets(kProbe, 0, kNow + kDay);
    ASSERT_GT(kept.size(), 10u);
    for (std::size_t i = 0; i + 1 < kept.size(); ++i)  // nothing half written: each is whole and in order
        EXPECT_FLOAT_EQ(kept[i].values[0], static_cast<float>(i));
    EXPECT_FLOAT_EQ(kept.back().values[0], 400.0f);
}

TEST_F(Store, twoManagersShareOneStoreWithoutLosingAWrite)
{
    const ProbeKey other{QStringLiteral("127.0.0.2"), 16161, QStringLiteral("MERLIN")};
    Told told;
    {
        HistoryRecorder a({path, {}, 60'000, 5000}, told.sink());
        HistoryRecorder b({path, {}, 60'000, 5000}, told.sink());
        for (int i = 0; i < 300; ++i) {
            a.recordBucket(kProbe, {kNow + i * 5000, 0}, valuesOf(1), {});
            b.recordBucket(other, {kNow + i * 5000, 0}, valuesOf(2), {});
            a.recordEvent(event(kind::AlarmRose, i % 6, kNow + i));
            b.recordEvent(event(kind::WarningRose, i % 6, kNow + i, other));
        }
        a.waitForIdle();
        b.waitForIdle();
    }
    test::waitFor([] { return false; }, 20);
    EXPECT_TRUE(told.messages.empty()) << told.messages.front().toStdString();
    const HistoryStore reader(path, HistoryStore::Mode::ReadOnly);
    EXPECT_EQ(reader.buckets(kProbe, 0, kNow + kDay).size(), 300u);
    EXPECT_EQ(reader.buckets(other, 0, kNow + kDay).size(), 300u);
    EXPECT_EQ(reader.events({.probe = kProbe}).size(), 300u);
    EXPECT_EQ(reader.events({.probe = other}).size(), 300u);
    EXPECT_EQ(reader.probes().size(), 2u);
}

TEST_F(Store, aBackupTakenWhileAManagerWritesIsConsistentPrivateAndNeverWrittenThroughALink)
{
    HistoryStore(path).addBucket(kProbe, {kNow, 0}, valuesOf(1), {});
    std::jthread writer([&](const std::stop_token& stop) {  // joined however the test ends
        HistoryStore store(path);
        for (int i = 1; !stop.stop_requested(); ++i) {
            // A bucket and an event in one transaction: a consistent copy has as many of each.
            sql::Transaction transaction(store.database());
            store.addBucket(kProbe, {kNow + i * 5000, 0}, valuesOf(1), {});
            store.addEvent(event(kind::AlarmRose, 0, kNow + i * 5000));
            transaction.commit();
        }
    });
    const QString copy = folder.filePath(QStringLiteral("copy.sqlite"));
    std::size_t before = 0;
    for (int round = 0; round < 5; ++round) {
        test::waitFor([] { return false; }, 30);
        ASSERT_EQ(backupStore(path, copy), std::nullopt);
        const HistoryStore reader(copy, HistoryStore::Mode::ReadOnly);
        const std::size_t buckets = reader.buckets(kProbe, 0, kNow + kDay).size();
        EXPECT_EQ(buckets, reader.events({.probe = kProbe}).size() + 1);
        EXPECT_GT(buckets, before);
        before = buckets;
    }
    writer.request_stop();
    writer.join();
    struct stat info{};
    ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("copy.sqlite")});  // no -wal, no temporary

    const QString target = folder.filePath(QStringLiteral("target"));
    const QString link = folder.filePath(QStringLiteral("link.sqlite"));
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_NE(backupStore(path, link).value_or(QString()).indexOf(QStringLiteral("symbolic link")), -1);
    EXPECT_NE(backupStore(path, path).value_or(QString()).indexOf(QStringLiteral("the store itself")), -1);
    EXPECT_NE(backupStore(path, folder.filePath(QStringLiteral("no/such/folder.sqlite"))), std::nullopt);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::System).size(), 2);  // the copy and the link
}

}  // namespace
}  // namespace vimbo
