// The store on disk: what it keeps and prunes, and how it behaves when the
// file cannot be used, the disk fills or two managers write at once.
#include "FakeClock.h"
#include "WaitFor.h"
#include "core/Clock.h"
#include "store/HistoryRecorder.h"
#include "store/HistoryStore.h"
#include "store/StoreBackup.h"
#include "store/StoreConnection.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <atomic>
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

JournalEvent event(EventKind k, int slot, std::int64_t at, const ProbeKey& probe = kProbe)
{
    JournalEvent e;
    e.probe = probe;
    e.kind = k;
    e.slot = slot;
    e.time = {at, 3600};
    return e;
}

std::unique_ptr<HistoryStore> openStore(const QString& path, HistoryStore::Mode mode = HistoryStore::Mode::ReadWrite)
{
    auto store = HistoryStore::open(path, mode);
    if (!store) {
        ADD_FAILURE() << store.error().message.toStdString();
        return nullptr;
    }
    return std::move(store).value();
}

struct Store : ::testing::Test {
    SystemClock clock;
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("state/vimbo/history.sqlite"));
};

JournalEvent find(const std::vector<JournalEvent>& events, EventKind k, int slot)
{
    for (const JournalEvent& e : events)
        if (e.kind == k && e.slot == slot)
            return e;
    ADD_FAILURE() << eventKindText(k).toStdString() << " " << slot;
    return JournalEvent{};
}

// A manager that stopped without a word: its process is gone.
void crash(HistoryStore& store, std::int64_t watch)
{
    sql::Statement dead = connectionOf(store).prepare("UPDATE watch SET pid = 2147483647 WHERE id = ?1");
    dead.bind(1, watch).run();
}

TEST_F(Store, endsAreTiedToTheirRiseWithADurationAndEveryAcknowledgementIsKept)
{
    auto opened = openStore(path);
    ASSERT_TRUE(opened);
    HistoryStore& store = *opened;
    const std::int64_t rise = store.addEvent(event(EventKind::AlarmRose, 1, kNow)).value();
    store.addEvent(event(EventKind::WarningRose, 1, kNow + 1000));
    store.addEvent(event(EventKind::AlarmCleared, 1, kNow + 65'000));
    store.addEvent(event(EventKind::NeverAnswered, -1, kNow + 70'000));
    store.addEvent(event(EventKind::ProbeBack, -1, kNow + 73'000));
    store.addEvent(event(EventKind::AlarmRose, 4, kNow + 80'000));
    EXPECT_EQ(store.addEvent(event(EventKind::WarningCleared, 3, kNow + 81'000)).value(), 0);  // nothing to end

    const EventFilter here{.probe = ProbeKey{kProbe.address, kProbe.port, {}}};
    const auto events = store.events(here).value();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(find(events, EventKind::AlarmCleared, 1).durationMsecs, 65'000);
    EXPECT_EQ(find(events, EventKind::ProbeBack, -1).durationMsecs, 3'000);
    EXPECT_FALSE(find(events, EventKind::AlarmRose, 1).active);
    EXPECT_TRUE(find(events, EventKind::WarningRose, 1).active);  // no manager ever said otherwise
    EXPECT_EQ(events.front().time.msecsSinceEpoch, kNow + 80'000);  // newest first

    EXPECT_TRUE(store.acknowledge(rise, QStringLiteral("ana"), QStringLiteral("on site"), {kNow + 5000, 0}).value());
    EXPECT_TRUE(store.acknowledge(rise, QStringLiteral("bo"), QStringLiteral("=fixed"), {kNow + 9000, 3600}).value());
    EXPECT_FALSE(store.acknowledge(99999, QStringLiteral("ana"), {}, {kNow, 0}).value());
    const auto acknowledged = find(store.events(here).value(), EventKind::AlarmRose, 1);
    EXPECT_EQ(acknowledged.acknowledgements,
              (std::vector<Acknowledgement>{{QStringLiteral("ana"), {kNow + 5000, 0}, QStringLiteral("on site")},
                                            {QStringLiteral("bo"), {kNow + 9000, 3600}, QStringLiteral("=fixed")}}));
    EXPECT_EQ(acknowledged.ackUser, QStringLiteral("bo"));  // the latest
}

TEST_F(Store, anOlderStoreIsReadAsItIsAndBroughtUpToDateByAManager)
{
    {
        // As the first stores were: no watches, one acknowledgement kept on its event.
        auto store = openStore(path);
        ASSERT_TRUE(store);
        const std::int64_t rise = store->addEvent(event(EventKind::AlarmRose, 0, kNow)).value();
        sql::Database& db = connectionOf(*store);
        db.exec("DROP TABLE watch; DROP TABLE ack; ALTER TABLE event DROP COLUMN flaps; "
                "ALTER TABLE event DROP COLUMN gaps; ALTER TABLE event DROP COLUMN unwatched");
        db.prepare("UPDATE event SET ack_user = 'ana', ack_t = ?1, ack_offset = 3600, ack_note = 'on site' WHERE id = ?2")
            .bind(1, kNow + 1000).bind(2, rise).run();
    }
    const std::vector<Acknowledgement> kept{{QStringLiteral("ana"), {kNow + 1000, 3600}, QStringLiteral("on site")}};
    for (const auto mode : {HistoryStore::Mode::ReadOnly, HistoryStore::Mode::ReadWrite, HistoryStore::Mode::ReadOnly}) {
        auto store = openStore(path, mode);
        ASSERT_TRUE(store);
        const auto events = store->events({}).value();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].acknowledgements, kept);
        EXPECT_TRUE(events[0].active);
        EXPECT_EQ(store->probes().value().front().probeState, ProbeState::Waiting);
    }
}

TEST_F(Store, aRestartContinuesWhatIsStillLitAndEndsTheRestAtItsLastSighting)
{
    auto store = openStore(path);
    ASSERT_TRUE(store);
    const QString& at = kProbe.address;
    const std::int64_t first = store->startWatching(at, kProbe.port, {kNow, 3600}).value();
    const std::int64_t alarm = store->addEvent(event(EventKind::AlarmRose, 0, kNow + 5000)).value();
    store->acknowledge(alarm, QStringLiteral("ana"), {}, {kNow + 6000, 3600});
    store->addEvent(event(EventKind::WarningRose, 2, kNow + 6000));
    store->addEvent(event(EventKind::ProbeLost, -1, kNow + 7000));
    store->addEvent(event(EventKind::AlarmRose, 3, kNow + 8000, {at, 16162, {}}));  // another probe: untouched
    store->heartbeat(first, kNow + 60'000);
    crash(*store, first);
    const auto notWatched = store->probes().value().front();
    EXPECT_EQ(notWatched.notWatchedSince, (BucketTime{kNow + 60'000, 3600}));
    EXPECT_EQ(notWatched.probeState, ProbeState::NotWatched);
    EXPECT_EQ(notWatched.state, probeStateText(ProbeState::NotWatched, kNow + 60'000, 3600));
    EXPECT_FALSE(store->events({}).value().back().active);  // open, but nobody watches

    const std::int64_t second = store->startWatching(at, kProbe.port, {kNow + 95'000, 3600}).value();
    Sighting lit;
    lit.alarm[0] = true;
    EXPECT_EQ(store->resume(second, lit, {kNow + 100'000, 3600}).value(), 2);  // the warning and the outage
    EXPECT_EQ(store->addEvent(event(EventKind::AlarmRose, 0, kNow + 100'000)).value(), alarm);  // no second rise

    const auto events = store->events({.probe = ProbeKey{at, kProbe.port, {}}}).value();
    ASSERT_EQ(events.size(), 5u);
    const JournalEvent same = find(events, EventKind::AlarmRose, 0);
    EXPECT_TRUE(same.active);
    EXPECT_EQ(same.gaps, 1);
    EXPECT_EQ(same.acknowledgements.size(), 1u);
    for (const auto& [kind, slot, duration] : {std::tuple(EventKind::WarningUnknownEnd, 2, 54'000),
                                              std::tuple(EventKind::OutageUnknownEnd, -1, 53'000)}) {
        const JournalEvent end = find(events, kind, slot);
        EXPECT_EQ(end.time.msecsSinceEpoch, kNow + 60'000);  // its last sighting
        EXPECT_EQ(end.durationMsecs, duration);
        EXPECT_TRUE(end.endedUnwatched);
    }
    EXPECT_EQ(store->watchedPeriods(at, kProbe.port, kNow - kDay, kNow + kDay).value(),
              (std::vector<WatchedPeriod>{{kNow, kNow + 60'000, false}, {kNow + 95'000, kNow + 95'000, true}}));
    EXPECT_EQ(store->watchedPeriods(at, kProbe.port, kNow + 30'000, kNow + 40'000).value(),
              (std::vector<WatchedPeriod>{{kNow + 30'000, kNow + 40'000, false}}));

    // A clean close: nothing is active as if watched, and the probe says since when.
    store->stopWatching(second, kNow + 120'000);
    EXPECT_FALSE(find(store->events({}).value(), EventKind::AlarmRose, 0).active);
    EXPECT_EQ(store->probes().value().front().notWatchedSince, (BucketTime{kNow + 120'000, 3600}));
}

TEST_F(Store, twoManagersOnOneProbeRecordOneRiseAndNeverEndEachOthersAlarms)
{
    auto store = openStore(path);
    ASSERT_TRUE(store);
    const std::int64_t a = store->startWatching(kProbe.address, kProbe.port, {kNow, 0}).value();
    const std::int64_t rise = store->addEvent(event(EventKind::AlarmRose, 0, kNow + 5000)).value();
    const std::int64_t b = store->startWatching(kProbe.address, kProbe.port, {kNow + 10'000, 0}).value();
    EXPECT_EQ(store->resume(b, Sighting{}, {kNow + 15'000, 0}).value(), 0);  // b sees it dark: a's to end
    EXPECT_EQ(store->addEvent(event(EventKind::AlarmRose, 0, kNow + 7000)).value(), rise);
    store->addEvent(event(EventKind::AlarmCleared, 0, kNow + 100'000));  // a's
    EXPECT_EQ(store->addEvent(event(EventKind::AlarmCleared, 0, kNow + 102'000)).value(), 0);  // b's
    const auto events = store->events({}).value();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events.front().durationMsecs, 95'000);
    store->stopWatching(a, kNow + 200'000);
    EXPECT_EQ(store->probes().value().front().notWatchedSince, std::nullopt);  // b still watches
    EXPECT_EQ(store->watchedPeriods(kProbe.address, kProbe.port, kNow, kNow + kDay).value(),
              (std::vector<WatchedPeriod>{{kNow, kNow + 200'000, true}}));
    (void)b;
}

TEST_F(Store, aManagerElsewhereSilentForTwoMinutesNoLongerHoldsWhatItLeftOpen)
{
    auto store = openStore(path);
    ASSERT_TRUE(store);
    const std::int64_t far = store->startWatching(kProbe.address, kProbe.port, {kNow, 0}).value();
    store->addEvent(event(EventKind::AlarmRose, 0, kNow + 1000));
    store->heartbeat(far, kNow + 10'000);
    connectionOf(*store).exec("UPDATE watch SET host = 'far-away', pid = 1");
    const std::int64_t near = store->startWatching(kProbe.address, kProbe.port, {kNow + 60'000, 0}).value();
    EXPECT_EQ(store->resume(near, Sighting{}, {kNow + 60'000, 0}).value(), 0);  // it may still be watching
    store->stopWatching(near, kNow + 61'000);
    const std::int64_t later = store->startWatching(kProbe.address, kProbe.port, {kNow + 200'000, 0}).value();
    EXPECT_EQ(store->resume(later, Sighting{}, {kNow + 200'000, 0}).value(), 1);
    EXPECT_EQ(store->events({}).value().front().time.msecsSinceEpoch, kNow + 61'000);
}

TEST_F(Store, aClearAndANewRiseWithinTheHoldAreOneRecordThatCountsItsFlaps)
{
    auto store = openStore(path);
    ASSERT_TRUE(store);
    const std::int64_t rise = store->addEvent(event(EventKind::WarningRose, 1, kNow)).value();
    // Rises at 20 s and 60 s after their clears; an alarm and another slot are records of their own.
    for (const auto& [kind, at] : {std::pair(EventKind::WarningCleared, 3'000), std::pair(EventKind::WarningRose, 23'000),
                                   std::pair(EventKind::WarningCleared, 30'000), std::pair(EventKind::WarningRose, 90'000)})
        store->addEvent(event(kind, 1, kNow + at));
    store->addEvent(event(EventKind::AlarmRose, 1, kNow + 91'000));
    store->addEvent(event(EventKind::WarningCleared, 1, kNow + 100'000));
    EXPECT_NE(store->addEvent(event(EventKind::WarningRose, 1, kNow + 160'001)).value(), rise);  // past the hold
    store->setFlapHold(10'000);
    store->addEvent(event(EventKind::WarningCleared, 1, kNow + 170'000));
    store->addEvent(event(EventKind::WarningRose, 1, kNow + 181'000));  // past the shorter hold
    const auto events = store->events({.slot = 1, .kinds = {EventKind::WarningRose, EventKind::WarningCleared}}).value();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[4].id, rise);
    EXPECT_EQ(events[4].flaps, 2);
    EXPECT_EQ(events[3].durationMsecs, 100'000);
    EXPECT_EQ(events[3].flaps, 2);
    EXPECT_EQ(events[2].flaps, 0);
    EXPECT_TRUE(events[0].active);
}

TEST_F(Store, oldBucketsBecomeMinutesWithMinimumMeanAndMaximumAndBothPeriodsAreKept)
{
    auto opened = openStore(path);
    ASSERT_TRUE(opened);
    HistoryStore& store = *opened;
    // Ten days of a bucket every 20 s (three a minute: 10, 20, 30 dBuV), and slot 2 never measured.
    for (std::int64_t t = kNow - 10 * kDay; t < kNow; t += 20'000)
        store.addBucket(kProbe, {t, 3600}, valuesOf(10.0f + static_cast<float>(t / 20'000 % 3) * 10.0f), {});
    store.addMinute(kProbe, {kNow - 401 * kDay, 0}, MinuteValues{});
    store.addEvent(event(EventKind::AlarmRose, 2, kNow - 402 * kDay));     // still open: kept
    store.addEvent(event(EventKind::WarningRose, 2, kNow - 402 * kDay));
    store.addEvent(event(EventKind::WarningCleared, 2, kNow - 401 * kDay));  // ended long ago: dropped
    store.addEvent(event(EventKind::ProbeLost, -1, kNow - 403 * kDay));       // an outage still open: kept

    store.maintain(kNow, Retention{7, 400});
    const std::int64_t newest = kNow - 20'000;  // kept is counted back from the newest record
    const auto buckets = store.buckets(kProbe, 0, kNow).value();
    ASSERT_FALSE(buckets.empty());
    EXPECT_GE(buckets.front().time.msecsSinceEpoch, newest - 7 * kDay);
    const auto minutes = store.minutes(kProbe, 0, kNow).value();
    ASSERT_EQ(minutes.size(), static_cast<std::size_t>(10 * 24 * 60 - 1));  // the last minute is still open
    EXPECT_EQ(minutes.front().time.msecsSinceEpoch, kNow - 10 * kDay);
    const MinuteValues& first = minutes.front().values;
    EXPECT_FLOAT_EQ(first[0], 10.0f);  // slot 1 power: minimum, mean, maximum
    EXPECT_FLOAT_EQ(first[1], 20.0f);
    EXPECT_FLOAT_EQ(first[2], 30.0f);
    EXPECT_FLOAT_EQ(first[4], 10.0f);  // slot 1 MER's mean
    EXPECT_TRUE(std::isnan(first[9]));  // slot 2 had no measure
    const auto events = store.events({}).value();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events.front().kind, EventKind::AlarmRose);
    EXPECT_EQ(events.back().kind, EventKind::ProbeLost);

    // Shorter periods: a day of buckets, two of minutes.
    store.maintain(kNow, Retention{1, 2});
    EXPECT_GE(store.buckets(kProbe, 0, kNow).value().front().time.msecsSinceEpoch, newest - kDay);
    EXPECT_EQ(store.minutes(kProbe, 0, kNow).value().size(), static_cast<std::size_t>(2 * 24 * 60 - 1));
}

TEST(EventKinds, eachHasItsStoredTextAndWhatItBeginsOrEnds)
{
    const struct {
        EventKind kind;
        const char* text;
        Episode opens, ends;
        bool unknownEnd;
    } rows[] = {
        {EventKind::AlarmRose, "alarm rose", Episode::Alarm, Episode::None, false},
        {EventKind::AlarmCleared, "alarm cleared", Episode::None, Episode::Alarm, false},
        {EventKind::AlarmUnknownEnd, "alarm unknown end", Episode::None, Episode::Alarm, true},
        {EventKind::WarningRose, "warning rose", Episode::Warning, Episode::None, false},
        {EventKind::WarningCleared, "warning cleared", Episode::None, Episode::Warning, false},
        {EventKind::WarningUnknownEnd, "warning unknown end", Episode::None, Episode::Warning, true},
        {EventKind::ProbeLost, "probe lost", Episode::Outage, Episode::None, false},
        {EventKind::NeverAnswered, "never answered", Episode::Outage, Episode::None, false},
        {EventKind::ProbeBack, "probe back", Episode::None, Episode::Outage, false},
        {EventKind::OutageUnknownEnd, "outage unknown end", Episode::None, Episode::Outage, true},
        {EventKind::AgentChanged, "agent changed", Episode::None, Episode::None, false},
        {EventKind::Save, "save", Episode::None, Episode::None, false},
    };
    ASSERT_EQ(allEventKinds().size(), std::size(rows));
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(eventKindText(r.kind), QLatin1String(r.text));
        EXPECT_EQ(eventKindFromText(QString::fromLatin1(r.text)), r.kind);
        EXPECT_EQ(opens(r.kind), r.opens);
        EXPECT_EQ(ends(r.kind), r.ends);
        EXPECT_EQ(isUnknownEnd(r.kind), r.unknownEnd);
        if (r.unknownEnd)
            EXPECT_EQ(unknownEndOf(r.ends), r.kind);
    }
    EXPECT_EQ(eventKindFromText(u"alarm rose "), std::nullopt);
}

TEST_F(Store, theKindFilterAndTheLimitGoIntoTheQueryAndAKindNoProgramWroteIsSkipped)
{
    auto store = openStore(path);
    ASSERT_TRUE(store);
    for (int i = 0; i < 4; ++i) {
        store->addEvent(event(EventKind::WarningRose, i, kNow + i * 1000));
        store->addEvent(event(EventKind::Save, -1, kNow + i * 1000 + 500));
    }
    // A crafted store: a kind no version wrote, and a hostile slot and time.
    connectionOf(*store).exec("INSERT INTO event(probe, t, utc_offset, kind, slot) "
                              "VALUES(1, 9223372036854775807, -2147483648, 'alarm exploded', 2147483647)");
    EXPECT_EQ(store->events({}).value().size(), 8u);
    const auto warnings = store->events({.kinds = {EventKind::WarningRose}, .limit = 3}).value();
    ASSERT_EQ(warnings.size(), 3u);
    for (const JournalEvent& e : warnings)
        EXPECT_EQ(e.kind, EventKind::WarningRose);
    EXPECT_EQ(warnings.front().slot, 3);  // newest first
    EXPECT_EQ(store->events({.kinds = {EventKind::Save, EventKind::AlarmRose}}).value().size(), 4u);
}

TEST_F(Store, aFailureIsAValueWithItsCodeAndTheConnectionGoesOn)
{
    QFile garbage(folder.filePath(QStringLiteral("garbage.sqlite")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    const auto damaged = HistoryStore::open(garbage.fileName());
    ASSERT_FALSE(damaged);
    EXPECT_EQ(damaged.error().code, 26);  // SQLITE_NOTADB
    EXPECT_TRUE(damaged.error().message.startsWith(QLatin1String("it is damaged or not a history file")));

    auto store = openStore(path);
    ASSERT_TRUE(store);
    connectionOf(*store).exec("DROP TABLE bucket");
    const StoreStatus failed = store->addBucket(kProbe, {kNow, 0}, valuesOf(1), {});
    ASSERT_FALSE(failed);
    EXPECT_NE(failed.error().message.indexOf(QLatin1String("no such table")), -1);
    EXPECT_TRUE(store->addEvent(event(EventKind::AlarmRose, 0, kNow)));  // and the next call works
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
             { openStore(file); }
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
            HistoryRecorder recorder({file, {}, 60'000, 200}, clock, told.sink());
            for (int i = 0; i < 3; ++i) {
                recorder.recordBucket(kProbe, {kNow + i, 0}, valuesOf(1), {});
                recorder.recordEvent(event(EventKind::AlarmRose, 0, kNow));
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
    HistoryRecorder recorder({path, {}, 60'000, 200}, clock, told.sink());
    recorder.run([](HistoryStore& store) { connectionOf(store).exec("PRAGMA max_page_count = 12");
        return StoreStatus(); });
    for (int i = 0; i < 400; ++i)
        recorder.recordBucket(kProbe, {kNow + i * 5000, 0}, valuesOf(static_cast<float>(i)), {});
    settle(recorder);
    EXPECT_FALSE(recorder.recording());
    ASSERT_EQ(told.messages.size(), 1u);
    EXPECT_TRUE(told.messages[0].contains(QLatin1String("disk is full"))) << told.messages[0].toStdString();

    recorder.run([](HistoryStore& store) { connectionOf(store).exec("PRAGMA max_page_count = 100000");
        return StoreStatus(); });
    recorder.recordBucket(kProbe, {kNow + 400 * 5000, 0}, valuesOf(400), {});
    settle(recorder);
    EXPECT_TRUE(recorder.recording());
    const auto reader = openStore(path, HistoryStore::Mode::ReadOnly);
    ASSERT_TRUE(reader);
    const auto kept = reader->buckets(kProbe, 0, kNow + kDay).value();
    ASSERT_GT(kept.size(), 10u);
    for (std::size_t i = 0; i + 1 < kept.size(); ++i)  // nothing half written: each is whole and in order
        EXPECT_FLOAT_EQ(kept[i].values[0], static_cast<float>(i));
    EXPECT_FLOAT_EQ(kept.back().values[0], 400.0f);
}

TEST_F(Store, theRecorderFinishesEveryQueuedWriteAndPrunesByTheInjectedClock)
{
    // A bucket ten days old by the real clock is kept by a clock a day behind it... and pruned by one a day ahead.
    for (const int daysAhead : {-4, 1}) {
        SCOPED_TRACE(daysAhead);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("history.sqlite"));
        openStore(file)->addBucket(kProbe, {kNow - 7 * kDay + 60'000, 0}, valuesOf(1), {});
        // Kept counts back from the newest record at most: one stamped two days on.
        openStore(file)->addBucket(kProbe, {kNow + 2 * kDay, 0}, valuesOf(1), {});
        test::FakeClock fake(QDateTime::fromMSecsSinceEpoch(kNow + daysAhead * kDay));
        {
            HistoryRecorder recorder({file, {}, 60'000, 5000}, fake, {});
            for (int i = 0; i < 2000; ++i)  // queued, and the recorder goes at once
                recorder.recordBucket(kProbe, {kNow + i * 5000, 0}, valuesOf(static_cast<float>(i)), {});
        }
        const auto buckets = openStore(file, HistoryStore::Mode::ReadOnly)->buckets(kProbe, 0, kNow + kDay).value();
        EXPECT_EQ(buckets.size(), daysAhead > 0 ? 2000u : 2001u);
        EXPECT_FLOAT_EQ(buckets.back().values[0], 1999.0f);
    }
}

// A clock the store's thread may read while the test moves it.
class SteppedClock final : public Clock {
public:
    explicit SteppedClock(std::int64_t msecs) : m_msecs(msecs) {}
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(m_msecs.load(), Qt::OffsetFromUTC, 3600); }
    void set(std::int64_t msecs) { m_msecs = msecs; }

private:
    std::atomic<std::int64_t> m_msecs;
};

TEST_F(Store, aWatchBeatsByTheInjectedClockAndEndsAtACleanClose)
{
    SteppedClock stepped(kNow);
    const auto periods = [&] {
        return openStore(path, HistoryStore::Mode::ReadOnly)->watchedPeriods(kProbe.address, kProbe.port, 0, kNow + kDay).value();
    };
    {
        HistoryRecorder recorder({.path = path, .heartbeatEveryMs = 20}, stepped, {});
        recorder.watch(kProbe.address, kProbe.port);
        recorder.waitForIdle();
        stepped.set(kNow + 42'000);
        ASSERT_TRUE(test::waitFor([&] { return periods().back().endMsecs == kNow + 42'000; }, 3000)) << periods().back().endMsecs;
        EXPECT_EQ(periods(), (std::vector<WatchedPeriod>{{kNow, kNow + 42'000, true}}));
        // A bucket is a sign of life too, at its close.
        recorder.recordBucket(kProbe, {kNow + 45'000, 3600}, valuesOf(1), {});
        recorder.waitForIdle();
        EXPECT_EQ(periods().back().endMsecs, kNow + 45'000);
        stepped.set(kNow + 50'000);
        recorder.watch(kProbe.address, 16162);  // another agent: this watch ends
        recorder.waitForIdle();
        stepped.set(kNow + 70'000);
    }
    EXPECT_EQ(periods(), (std::vector<WatchedPeriod>{{kNow, kNow + 50'000, false}}));
    EXPECT_EQ(openStore(path, HistoryStore::Mode::ReadOnly)->watchedPeriods(kProbe.address, 16162, 0, kNow + kDay).value(),
              (std::vector<WatchedPeriod>{{kNow + 50'000, kNow + 70'000, false}}));  // closed at the recorder's end
}

TEST_F(Store, theRecordersFlapHoldReachesTheStore)
{
    for (const auto& [holdMs, rises] : {std::pair(std::int64_t{0}, 2u), std::pair(std::int64_t{60'000}, 1u)}) {
        SCOPED_TRACE(holdMs);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("history.sqlite"));
        {
            HistoryRecorder recorder({.path = file, .flapHoldMs = holdMs}, clock, {});
            recorder.recordEvent(event(EventKind::AlarmRose, 0, kNow));
            recorder.recordEvent(event(EventKind::AlarmCleared, 0, kNow + 3000));
            recorder.recordEvent(event(EventKind::AlarmRose, 0, kNow + 4000));
        }
        EXPECT_EQ(openStore(file)->events({.kinds = {EventKind::AlarmRose}}).value().size(), rises);
    }
}

TEST_F(Store, anAnswerForAReceiverThatIsGoneIsDropped)
{
    HistoryRecorder recorder({path, {}, 60'000, 5000}, clock, {});
    int answered = 0;
    auto receiver = std::make_unique<QObject>();
    QObject kept;
    for (QObject* r : {receiver.get(), &kept})
        recorder.query<int>([](const HistoryStore&) { return StoreResult<int>(7); }, r, [&](int v) { answered += v; });
    receiver.reset();
    recorder.waitForIdle();
    test::waitFor([&] { return answered > 0; }, 2000);
    test::waitFor([] { return false; }, 20);
    EXPECT_EQ(answered, 7);
}

TEST_F(Store, twoManagersShareOneStoreWithoutLosingAWrite)
{
    const ProbeKey other{QStringLiteral("127.0.0.2"), 16161, QStringLiteral("MERLIN")};
    Told told;
    {
        HistoryRecorder a({path, {}, 60'000, 5000}, clock, told.sink());
        HistoryRecorder b({path, {}, 60'000, 5000}, clock, told.sink());
        for (int i = 0; i < 300; ++i) {
            a.recordBucket(kProbe, {kNow + i * 5000, 0}, valuesOf(1), {});
            b.recordBucket(other, {kNow + i * 5000, 0}, valuesOf(2), {});
            a.recordEvent(event(EventKind::Save, -1, kNow + i));  // each one its own line
            b.recordEvent(event(EventKind::AgentChanged, -1, kNow + i, other));
        }
        a.waitForIdle();
        b.waitForIdle();
    }
    test::waitFor([] { return false; }, 20);
    EXPECT_TRUE(told.messages.empty()) << told.messages.front().toStdString();
    const auto reader = openStore(path, HistoryStore::Mode::ReadOnly);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->buckets(kProbe, 0, kNow + kDay).value().size(), 300u);
    EXPECT_EQ(reader->buckets(other, 0, kNow + kDay).value().size(), 300u);
    EXPECT_EQ(reader->events({.probe = kProbe}).value().size(), 300u);
    EXPECT_EQ(reader->events({.probe = other}).value().size(), 300u);
    EXPECT_EQ(reader->probes().value().size(), 2u);
}

TEST_F(Store, aBackupTakenWhileAManagerWritesIsConsistentPrivateAndNeverWrittenThroughALink)
{
    openStore(path)->addBucket(kProbe, {kNow, 0}, valuesOf(1), {});
    std::jthread writer([&](const std::stop_token& stop) {  // joined however the test ends
        const auto store = openStore(path);
        for (int i = 1; store && !stop.stop_requested(); ++i) {
            // A bucket and an event in one transaction: a consistent copy has as many of each.
            store->inOneTransaction([&] {
                store->addBucket(kProbe, {kNow + i * 5000, 0}, valuesOf(1), {});
                return store->addEvent(event(EventKind::Save, -1, kNow + i * 5000)).status();
            });
        }
    });
    const QString copy = folder.filePath(QStringLiteral("copy.sqlite"));
    std::size_t before = 0;
    for (int round = 0; round < 5; ++round) {
        test::waitFor([] { return false; }, 30);
        ASSERT_EQ(backupStore(path, copy), std::nullopt);
        const auto reader = openStore(copy, HistoryStore::Mode::ReadOnly);
        ASSERT_TRUE(reader);
        const std::size_t buckets = reader->buckets(kProbe, 0, kNow + kDay).value().size();
        EXPECT_EQ(buckets, reader->events({.probe = kProbe}).value().size() + 1);
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

namespace vimbo {
namespace {

mode_t modeOf(const QString& path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(Store, theStoreItsLogAndItsFolderArePrivateAndALinkAtItsPathIsRefused)
{
    const mode_t before = ::umask(022);
    {
        auto store = openStore(path);
        ASSERT_TRUE(store);
        store->addBucket(kProbe, {kNow, 0}, valuesOf(1), {});
        for (const char* file : {"", "-wal", "-shm"})
            EXPECT_EQ(modeOf(path + QLatin1String(file)), 0600u) << file;
        EXPECT_EQ(modeOf(QFileInfo(path).absolutePath()), 0700u);
    }
    // Made wider before: tightened at the next opening.
    ::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), 0755);
    ::chmod(QFile::encodeName(path).constData(), 0644);
    EXPECT_TRUE(openStore(path));
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(QFileInfo(path).absolutePath()), 0700u);
    ::umask(before);

    const QString link = folder.filePath(QStringLiteral("planted.sqlite"));
    ASSERT_TRUE(QFile::link(path, link));
    for (const auto mode : {HistoryStore::Mode::ReadWrite, HistoryStore::Mode::ReadOnly}) {
        const auto refused = HistoryStore::open(link, mode);
        ASSERT_FALSE(refused);
        EXPECT_TRUE(refused.error().message.contains(link + QStringLiteral(": is a symbolic link")))
            << refused.error().message.toStdString();
    }
}

TEST_F(Store, aNameIsCappedAndAProbeRenamingItselfEveryCycleAddsNoRowPastTheBound)
{
    auto store = openStore(path);
    ASSERT_TRUE(store);
    const ProbeKey huge{kProbe.address, kProbe.port, QString(65'000, QLatin1Char('N'))};
    ASSERT_TRUE(store->addEvent(event(EventKind::Save, -1, kNow, huge)));
    EXPECT_EQ(store->probes().value().at(0).probe.name, QString(255, QLatin1Char('N')));

    for (int cycle = 0; cycle < 500; ++cycle) {
        const ProbeKey renamed{kProbe.address, kProbe.port, QStringLiteral("NAME-%1").arg(cycle)};
        ASSERT_TRUE(store->addBucket(renamed, {kNow + cycle * 5000, 0}, valuesOf(1), {}));
        ASSERT_TRUE(store->addEvent(event(EventKind::Save, -1, kNow + cycle * 5000, renamed)));
    }
    sql::Statement rows = connectionOf(*store).prepare("SELECT count(*) FROM probe");
    rows.step();
    EXPECT_EQ(rows.integer(0), 16);
    EXPECT_EQ(store->events({}).value().size(), 501u);  // nothing recorded under an old name is lost
    EXPECT_EQ(store->buckets({kProbe.address, kProbe.port, {}}, 0, kNow + kDay).value().size(), 500u);
    EXPECT_EQ(store->lastName(kProbe.address, kProbe.port).value(), QStringLiteral("NAME-499"));
}

TEST_F(Store, aCraftedStoresHostileValuesAreReadWithinBounds)
{
    auto store = openStore(path);
    ASSERT_TRUE(store);
    const std::int64_t rise = store->addEvent(event(EventKind::AlarmRose, 0, kNow)).value();
    store->addEvent(event(EventKind::AlarmCleared, 0, kNow + 1000));
    store->addEvent(event(EventKind::Save, -1, kNow));
    sql::Database& db = connectionOf(*store);
    db.exec(("UPDATE event SET t = -9223372036854775807 - 1 WHERE id = " + std::to_string(rise)).c_str());
    db.exec("UPDATE event SET t = 9223372036854775807 WHERE kind = 'alarm cleared'");
    db.exec("UPDATE event SET utc_offset = -2147483648, slot = -1 WHERE kind = 'save'");
    const std::int64_t warning = store->addEvent(event(EventKind::WarningRose, 1, kNow)).value();
    db.exec(("UPDATE event SET slot = 2147483647 WHERE id = " + std::to_string(warning)).c_str());

    const auto events = store->events({}).value();
    ASSERT_EQ(events.size(), 3u);  // the slot no probe has is not read
    for (const JournalEvent& e : events) {
        if (e.kind == EventKind::AlarmCleared)
            EXPECT_EQ(e.durationMsecs, std::nullopt);  // no span fits
        if (e.kind == EventKind::Save)
            EXPECT_EQ(e.time.utcOffsetSeconds, -18 * 3600);
    }
    // A minute stamped at the end of time neither overflows nor holds back the roll-up.
    store->addMinute(kProbe, {std::numeric_limits<std::int64_t>::max() - 1, 0}, MinuteValues{});
    store->addBucket(kProbe, {kNow + 10'000, 0}, valuesOf(7), {});
    ASSERT_TRUE(store->rollUp(kNow + 2 * kMinute));
    ASSERT_EQ(store->minutes(kProbe, 0, kNow + kDay).value().size(), 1u);
    EXPECT_FLOAT_EQ(store->minutes(kProbe, 0, kNow + kDay).value().at(0).values[1], 7.0f);
}

TEST_F(Store, retentionCountsBackFromTheNewestRecordWhenTheClockRunsAhead)
{
    auto store = openStore(path);
    ASSERT_TRUE(store);
    store->addEvent(event(EventKind::Save, -1, kNow - 10 * kDay));
    store->addEvent(event(EventKind::Save, -1, kNow - 500 * kDay));  // older than the newest less 400 days
    store->addBucket(kProbe, {kNow - kMinute, 0}, valuesOf(1), {});
    ASSERT_TRUE(store->maintain(kNow + 1100 * kDay, Retention{7, 400}));  // a clock three years ahead
    EXPECT_EQ(store->events({}).value().size(), 1u);
    EXPECT_EQ(store->buckets(kProbe, 0, kNow).value().size(), 1u);
}

TEST_F(Store, aClosedMinuteIsRolledUpWithinAMinuteByTheRecordersClock)
{
    const std::int64_t minute = kNow + kDay;  // a minute to come, by the recorder's own clock
    SteppedClock steps(minute);
    HistoryRecorder recorder({path, {}, 3'600'000, 5000, 30'000, 60'000, 50}, steps, {});
    for (int s = 0; s < 60; s += 5)
        recorder.recordBucket(kProbe, {minute + s * 1000, 0}, valuesOf(static_cast<float>(s)), {});
    recorder.waitForIdle();
    steps.set(minute + kMinute + 6000);  // 6 s after the minute ended
    EXPECT_TRUE(test::waitFor(
        [&] { return !openStore(path, HistoryStore::Mode::ReadOnly)->minutes(kProbe, minute, minute).value().empty(); },
        10'000));
}

}  // namespace
}  // namespace vimbo
