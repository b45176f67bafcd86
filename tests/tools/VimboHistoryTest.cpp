// vimbo-history against a store written here: what it lists and exports, and
// its exit status for bad usage and for a store it cannot read.
#include "Programs.h"
#include "store/HistoryStore.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace vimbo {
namespace {

const ProbeKey kKestrel{QStringLiteral("127.0.0.1"), 16161, QStringLiteral("KESTREL")};
const ProbeKey kMerlin{QStringLiteral("::1"), 16162, QStringLiteral("MERLIN")};

struct VimboHistory : ::testing::Test {
    void SetUp() override
    {
        auto opened = HistoryStore::open(path);
        ASSERT_TRUE(opened) << opened.error().message.toStdString();
        HistoryStore& store = **opened;
        const auto event = [&](const ProbeKey& p, EventKind k, int slot, std::int64_t agoMs) {
            JournalEvent e;
            e.probe = p;
            e.kind = k;
            e.slot = slot;
            e.channel = slot >= 0 ? QStringLiteral("(Ch21) 474.00MHz") : QString();
            e.time = {now - agoMs, 3600};
            store.addEvent(e);
        };
        event(kKestrel, EventKind::AlarmRose, 0, 3 * 3'600'000);  // three hours ago, for 95 s
        event(kKestrel, EventKind::AlarmCleared, 0, 3 * 3'600'000 - 95'000);
        event(kKestrel, EventKind::ProbeLost, -1, 600'000);
        event(kMerlin, EventKind::WarningRose, 5, 60'000);
        BucketValues values;
        values.fill(std::nanf(""));
        PerSlot<QString> labels;
        labels[0] = QStringLiteral("(Ch21) 474.00MHz");
        for (int i = 0; i < 24; ++i) {  // two minutes of buckets, ten minutes ago
            values[0] = 50.0f + static_cast<float>(i % 12);
            store.addBucket(kKestrel, {minuteAgo10 + i * 5000, 3600}, values, labels);
        }
        store.addBucket(kMerlin, {minuteAgo10, 0}, values, {});
        store.maintain(now, {});
    }
    test::ToolRun run(QStringList args)
    {
        args.prepend(path);
        args.prepend(QStringLiteral("--history"));
        return test::runProgram(QStringLiteral(VIMBO_HISTORY_PATH), args);
    }
    QStringList lines(const std::string& out)
    {
        return QString::fromStdString(out).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("history.sqlite"));
    std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    std::int64_t minuteAgo10 = (now - 600'000) / 60'000 * 60'000;
};

TEST_F(VimboHistory, listsEventsNewestFirstWithDurationsAndFiltersByProbeAndTime)
{
    const auto all = run({QStringLiteral("events")});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    const QStringList rows = lines(all.out);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0], QStringLiteral("time,probe,probe name,kind,slot,channel,duration,acknowledged by,note,power,MER,VBER,detail"));
    EXPECT_TRUE(rows[1].contains(QStringLiteral(",[::1]:16162,MERLIN,warning rose,6,(Ch21) 474.00MHz,,"))) << rows[1].toStdString();
    EXPECT_TRUE(rows[3].contains(QStringLiteral(",127.0.0.1:16161,KESTREL,alarm cleared,1,(Ch21) 474.00MHz,95,"))) << rows[3].toStdString();
    EXPECT_TRUE(rows[4].endsWith(QStringLiteral("alarm rose,1,(Ch21) 474.00MHz,,,,,,,")));
    EXPECT_TRUE(rows[4].contains(QStringLiteral("+01:00,")));  // the offset of the clock then

    EXPECT_EQ(lines(run({QStringLiteral("events"), QStringLiteral("--since"), QStringLiteral("2h")}).out).size(), 3);
    EXPECT_EQ(lines(run({QStringLiteral("events"), QStringLiteral("--probe"), QStringLiteral("127.0.0.1:16161")}).out).size(), 4);
    const QString until = QDateTime::fromMSecsSinceEpoch(now - 3'600'000).toString(Qt::ISODate);
    EXPECT_EQ(lines(run({QStringLiteral("events"), QStringLiteral("--until"), until}).out).size(), 3);

    const auto json = run({QStringLiteral("events"), QStringLiteral("--probe=[::1]:16162"), QStringLiteral("--format"), QStringLiteral("json")});
    const QJsonArray array = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
    ASSERT_EQ(array.size(), 1);
    EXPECT_EQ(array[0][QStringLiteral("kind")].toString(), QStringLiteral("warning rose"));
    EXPECT_EQ(array[0][QStringLiteral("slot")].toInt(), 6);
    EXPECT_TRUE(array[0][QStringLiteral("active")].toBool());
}

TEST_F(VimboHistory, exportsBucketsInTheChartsFormAndMinutesWithTheirEnvelope)
{
    const auto buckets = run({QStringLiteral("export"), QStringLiteral("--probe"), QStringLiteral("127.0.0.1:16161"),
                              QStringLiteral("--since"), QStringLiteral("1h")});
    ASSERT_EQ(buckets.exitCode, 0) << buckets.err;
    const QStringList rows = lines(buckets.out);
    ASSERT_EQ(rows.size(), 25);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("time,(Ch21) 474.00MHz power,(Ch21) 474.00MHz MER,(Ch21) 474.00MHz VBER,Slot 2 power,")));
    EXPECT_TRUE(rows[1].endsWith(QStringLiteral("+01:00,50,,,,,,,,,,,,,,,,,")));

    const auto minutes = run({QStringLiteral("export"), QStringLiteral("--probe"), QStringLiteral("127.0.0.1:16161"),
                              QStringLiteral("--since"), QStringLiteral("1h"), QStringLiteral("--resolution"), QStringLiteral("1m")});
    const QStringList rolled = lines(minutes.out);
    ASSERT_EQ(rolled.size(), 3);
    EXPECT_TRUE(rolled[0].contains(QStringLiteral(",(Ch21) 474.00MHz power min,")));
    const QStringList fields = rolled[1].split(QLatin1Char(','));
    ASSERT_EQ(fields.size(), 1 + 3 * 18);
    EXPECT_EQ(fields[1], QStringLiteral("55.5"));  // mean
    EXPECT_EQ(fields[19], QStringLiteral("50"));   // minimum
    EXPECT_EQ(fields[37], QStringLiteral("61"));   // maximum

    // Without --probe, every probe, each row led by its probe and name under the slots' numbers.
    const auto every = run({QStringLiteral("export"), QStringLiteral("--since"), QStringLiteral("1h")});
    ASSERT_EQ(every.exitCode, 0) << every.err;
    const QStringList all = lines(every.out);
    ASSERT_EQ(all.size(), 1 + 24 + 1);
    EXPECT_TRUE(all[0].startsWith(QStringLiteral("time,probe,probe name,Slot 1 power,Slot 1 MER,Slot 1 VBER,Slot 2 power,")));
    EXPECT_TRUE(all[1].endsWith(QStringLiteral("+01:00,127.0.0.1:16161,KESTREL,50,,,,,,,,,,,,,,,,,"))) << all[1].toStdString();
    EXPECT_TRUE(all[25].contains(QStringLiteral("+00:00,[::1]:16162,MERLIN,61,,,"))) << all[25].toStdString();

    // JSON is streamed row by row, and reads back whole: null where a slot had no measure.
    const auto json = run({QStringLiteral("export"), QStringLiteral("--since"), QStringLiteral("1h"), QStringLiteral("--format"),
                           QStringLiteral("json"), QStringLiteral("--resolution"), QStringLiteral("1m")});
    QJsonParseError error{};
    const QJsonArray rows1m = QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out;
    ASSERT_EQ(rows1m.size(), 3);
    EXPECT_EQ(rows1m[0][QStringLiteral("probe")].toString(), QStringLiteral("127.0.0.1:16161"));
    EXPECT_EQ(rows1m[2][QStringLiteral("probe_name")].toString(), QStringLiteral("MERLIN"));
    const QJsonObject slot1 = rows1m[0][QStringLiteral("slots")][0].toObject();
    EXPECT_EQ(slot1[QStringLiteral("label")].toString(), QStringLiteral("(Ch21) 474.00MHz"));
    EXPECT_EQ(slot1[QStringLiteral("power")][QStringLiteral("mean")].toDouble(), 55.5);
    EXPECT_EQ(slot1[QStringLiteral("power")][QStringLiteral("max")].toDouble(), 61.0);
    EXPECT_TRUE(slot1[QStringLiteral("mer")][QStringLiteral("min")].isNull());

    const auto probes = run({QStringLiteral("probes")});
    const QStringList listed = lines(probes.out);
    ASSERT_EQ(listed.size(), 3);
    EXPECT_TRUE(listed[1].startsWith(QStringLiteral("127.0.0.1:16161,KESTREL,"))) << listed[1].toStdString();
    const QString lostAt = QDateTime::fromMSecsSinceEpoch(now - 600'000, Qt::OffsetFromUTC, 3600).toString(QStringLiteral("HH:mm"));
    EXPECT_TRUE(listed[1].endsWith(QStringLiteral(",lost since ") + lostAt)) << listed[1].toStdString();
    EXPECT_TRUE(listed[2].startsWith(QStringLiteral("[::1]:16162,MERLIN,")));
    EXPECT_TRUE(listed[2].endsWith(QStringLiteral(",answering")));
}

TEST_F(VimboHistory, badUsageEndsWithTwoAndAStoreItCannotReadWithOne)
{
    const std::pair<const char*, QStringList> usage[] = {
        {"no command", {}},
        {"unknown command", {QStringLiteral("purge")}},
        {"unknown option", {QStringLiteral("events"), QStringLiteral("--slot"), QStringLiteral("1")}},
        {"an option of another command", {QStringLiteral("events"), QStringLiteral("--resolution"), QStringLiteral("1m")}},
        {"a bad format", {QStringLiteral("events"), QStringLiteral("--format"), QStringLiteral("xml")}},
        {"a bad time", {QStringLiteral("events"), QStringLiteral("--since"), QStringLiteral("yesterday")}},
        {"a bad probe", {QStringLiteral("events"), QStringLiteral("--probe"), QStringLiteral("localhost:161")}},
        {"export without a start", {QStringLiteral("export"), QStringLiteral("--probe"), QStringLiteral("127.0.0.1:16161")}},
        {"a bad resolution", {QStringLiteral("export"), QStringLiteral("--since"), QStringLiteral("1h"), QStringLiteral("--resolution"), QStringLiteral("1h")}},
        {"a value missing", {QStringLiteral("events"), QStringLiteral("--since")}},
        {"backup without a file", {QStringLiteral("backup")}},
    };
    for (const auto& [name, args] : usage) {
        SCOPED_TRACE(name);
        const auto result = run(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.err.find("Try 'vimbo-history --help'"), std::string::npos) << result.err;
    }
    QFile junk(folder.filePath(QStringLiteral("junk.sqlite")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    for (const QString& file : {folder.filePath(QStringLiteral("missing.sqlite")), junk.fileName()}) {
        SCOPED_TRACE(file.toStdString());
        const auto result = test::runProgram(QStringLiteral(VIMBO_HISTORY_PATH),
                                             {QStringLiteral("--history"), file, QStringLiteral("probes")});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find(file.toStdString()), std::string::npos) << result.err;
    }
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("missing.sqlite"))));  // reading makes nothing
}

TEST_F(VimboHistory, aProbeTheStoreDoesNotHoldOrAnOutputThatCannotBeWrittenIsAFailure)
{
    for (const QString& command : {QStringLiteral("events"), QStringLiteral("export"), QStringLiteral("report")}) {
        SCOPED_TRACE(command.toStdString());
        const auto result = run({command, QStringLiteral("--probe"), QStringLiteral("10.9.9.9:161"), QStringLiteral("--since"),
                                 QStringLiteral("1h")});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "vimbo-history: the store holds no probe at 10.9.9.9:161 (see vimbo-history probes)\n");
    }
    const QStringList commands[] = {
        {QStringLiteral("events")},
        {QStringLiteral("probes"), QStringLiteral("--format"), QStringLiteral("json")},
        {QStringLiteral("export"), QStringLiteral("--since"), QStringLiteral("1h")},
        {QStringLiteral("export"), QStringLiteral("--since"), QStringLiteral("1h"), QStringLiteral("--format"), QStringLiteral("json")},
        {QStringLiteral("report"), QStringLiteral("--since"), QStringLiteral("1d")},
        {QStringLiteral("--version")},
    };
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const auto full = test::runProgram(QStringLiteral("/bin/sh"),
                                           QStringList{QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$@\" >/dev/full"),
                                                       QStringLiteral(VIMBO_HISTORY_PATH), QStringLiteral("--history"), path} +
                                               args);
        EXPECT_EQ(full.exitCode, 3);
        EXPECT_NE(full.err.find("vimbo-history: cannot write the output: No space left on device"), std::string::npos) << full.err;
    }
}

// The cells of a CSV as a spreadsheet splits them (RFC 4180).
std::vector<std::vector<QString>> csvCells(const std::string& text)
{
    std::vector<std::vector<QString>> rows(1);
    QString cell;
    bool quoted = false;
    const QString csv = QString::fromStdString(text);
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < csv.size() && csv[i + 1] == QLatin1Char('"'))
                cell += csv[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                cell += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            rows.back().push_back(std::exchange(cell, {}));
        } else if (c == QLatin1Char('\r') && i + 1 < csv.size() && csv[i + 1] == QLatin1Char('\n')) {
            rows.back().push_back(std::exchange(cell, {}));
            rows.emplace_back();
            ++i;
        } else {
            cell += c;
        }
    }
    rows.pop_back();  // after the last line end
    return rows;
}

TEST_F(VimboHistory, aFormulaFromTheProbeOrTheOperatorIsInertInEveryCsvAndANulCutsNothing)
{
    const QString hyperlink = QStringLiteral("=HYPERLINK(\"http://x\",\"y\")");
    const QString calc = QStringLiteral("@SUM(1+1)*cmd|' /C calc'!A0");
    const ProbeKey hostile{QStringLiteral("127.0.0.3"), 161, hyperlink};
    {
        auto opened = HistoryStore::open(path);
        ASSERT_TRUE(opened) << opened.error().message.toStdString();
        HistoryStore& store = **opened;
        JournalEvent rise;
        rise.probe = {QStringLiteral("127.0.0.3"), 161, calc};
        rise.kind = EventKind::AlarmRose;
        rise.slot = 0;
        rise.channel = QStringLiteral("-1+2");
        rise.time = {now - 30'000, 0};
        store.acknowledge(store.addEvent(rise).value(), QStringLiteral("+ops"), calc + QChar(u'\0') + QStringLiteral("after the NUL"),
                          {now - 20'000, 0});
        PerSlot<QString> labels;
        labels[0] = hyperlink;
        BucketValues values;
        values.fill(-12.5f);
        store.addBucket(hostile, {now - 60'000, 0}, values, labels);
    }
    const QStringList csvs[] = {
        {QStringLiteral("events")},
        {QStringLiteral("probes")},
        {QStringLiteral("export"), QStringLiteral("--since"), QStringLiteral("1h")},
        {QStringLiteral("export"), QStringLiteral("--since"), QStringLiteral("1h"), QStringLiteral("--probe"), QStringLiteral("127.0.0.3:161")},
        {QStringLiteral("report"), QStringLiteral("--since"), QStringLiteral("1h"), QStringLiteral("--format"), QStringLiteral("csv")},
    };
    for (const QStringList& args : csvs) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const auto result = run(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        int hostileCells = 0;
        for (const auto& row : csvCells(result.out))
            for (const QString& cell : row) {
                hostileCells += cell.contains(QStringLiteral("HYPERLINK")) || cell.contains(QStringLiteral("calc")) ||
                                cell == QStringLiteral("'-1+2");
                bool number = false;
                cell.toDouble(&number);
                EXPECT_TRUE(cell.isEmpty() || number || !QStringLiteral("=+-@\t\r").contains(cell.front()))
                    << cell.toStdString();
            }
        EXPECT_GT(hostileCells, 0);  // the names are there, only inert
    }
    const auto events = run({QStringLiteral("events"), QStringLiteral("--probe"), QStringLiteral("127.0.0.3:161")});
    const auto rows = csvCells(events.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][2], QStringLiteral("'") + calc);
    EXPECT_EQ(rows[1][5], QStringLiteral("'-1+2"));
    EXPECT_EQ(rows[1][7], QStringLiteral("'+ops"));
    EXPECT_EQ(rows[1][8], QStringLiteral("'") + calc + QStringLiteral("\uFFFDafter the NUL"));
    EXPECT_EQ(rows[1].size(), 13u);
    const auto exported = csvCells(run({QStringLiteral("export"), QStringLiteral("--since"), QStringLiteral("1h"),
                                        QStringLiteral("--probe"), QStringLiteral("127.0.0.3:161")}).out);
    ASSERT_EQ(exported.size(), 2u);
    EXPECT_EQ(exported[0][1], QStringLiteral("'") + hyperlink + QStringLiteral(" power"));
    EXPECT_EQ(exported[1][1], QStringLiteral("-12.5"));  // a number stays a number
}

TEST_F(VimboHistory, aBackupIsAStoreOfItsOwnAndAReportCountsTheJournalsAlarms)
{
    const QString copy = folder.filePath(QStringLiteral("copy.sqlite"));
    const auto backup = run({QStringLiteral("backup"), copy});
    ASSERT_EQ(backup.exitCode, 0) << backup.err;
    const auto fromCopy = test::runProgram(QStringLiteral(VIMBO_HISTORY_PATH),
                                           {QStringLiteral("--history"), copy, QStringLiteral("events")});
    EXPECT_EQ(fromCopy.out, run({QStringLiteral("events")}).out);
    const auto refused = run({QStringLiteral("backup"), path});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_NE(refused.err.find("is the store itself"), std::string::npos) << refused.err;

    // A probe recorded for four minutes but for 30 s, in alarm for 95 s across that gap, lost for 10 s.
    const ProbeKey echo{QStringLiteral("127.0.0.4"), 161, QStringLiteral("ECHO")};
    const std::int64_t rise = (now - 7'200'000) / 1000 * 1000;
    {
        auto opened = HistoryStore::open(path);
        ASSERT_TRUE(opened) << opened.error().message.toStdString();
        HistoryStore& store = **opened;
        const auto event = [&](EventKind k, int slot, std::int64_t at) {
            JournalEvent e;
            e.probe = echo;
            e.kind = k;
            e.slot = slot;
            e.channel = slot >= 0 ? QStringLiteral("(Ch21) 474.00MHz") : QString();
            e.time = {at, 0};
            store.addEvent(e);
        };
        event(EventKind::AlarmRose, 0, rise);
        event(EventKind::AlarmCleared, 0, rise + 95'000);
        event(EventKind::ProbeLost, -1, rise + 100'000);
        event(EventKind::ProbeBack, -1, rise + 110'000);
        BucketValues values;
        values.fill(std::nanf(""));
        for (std::int64_t t = rise - 55'000; t <= rise + 180'000; t += 5000)
            if (t <= rise + 30'000 || t >= rise + 65'000)  // nothing recorded from 30 s to 60 s
                store.addBucket(echo, {t, 0}, values, {});
    }
    const auto iso = [](std::int64_t t) { return QDateTime::fromMSecsSinceEpoch(t).toOffsetFromUtc(0).toString(Qt::ISODate); };
    const auto report = run({QStringLiteral("report"), QStringLiteral("--since"), iso(rise - 60'000), QStringLiteral("--until"),
                             iso(rise + 180'000), QStringLiteral("--probe"), QStringLiteral("127.0.0.4:161"),
                             QStringLiteral("--format"), QStringLiteral("csv")});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    const auto rows = csvCells(report.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(QStringList(rows[0].begin() + 2, rows[0].end()).join(QLatin1Char('|')),
              QStringLiteral("probe|probe name|slot|channel|watched (s)|unwatched (s)|gaps|availability (%)|in alarm (s)|"
                             "in warning (s)|alarms|warnings|flaps|longest alarm (s)"));
    EXPECT_EQ(QStringList(rows[1].begin() + 2, rows[1].end()).join(QLatin1Char('|')),
              QStringLiteral("127.0.0.4:161|ECHO|1|(Ch21) 474.00MHz|210|30|1|95.24|65|0|1|0|0|95"));
    const auto text = run({QStringLiteral("report"), QStringLiteral("--since"), iso(rise - 60'000), QStringLiteral("--until"),
                           iso(rise + 180'000), QStringLiteral("--probe"), QStringLiteral("127.0.0.4:161")});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const QStringList table = QString::fromStdString(text.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(table.size(), 2);
    EXPECT_EQ(table[0].simplified(), QStringLiteral("from probe watched gaps unwatched available slot channel in alarm "
                                                    "in warning alarms warnings flaps longest alarm"));
    EXPECT_TRUE(table[1].simplified().endsWith(QStringLiteral(
        "ECHO 127.0.0.4:161 3 min 30 s 1 30 s 95.24 % 1 (Ch21) 474.00MHz 1 min 05 s 0 s 1 0 0 1 min 35 s")))
        << table[1].toStdString();
}

TEST_F(VimboHistory, aReportTakesTheWatchesOnToTheLastBucketAndCountsTheFlapsOfTheRecord)
{
    // Watched from 0 to 60 s (its buckets go on to 90 s: a crash's last sign of
    // life), then from 100 s; an alarm from 10 s to 200 s, cleared and risen again at 20 s and 30 s.
    const ProbeKey foxtrot{QStringLiteral("127.0.0.5"), 161, QStringLiteral("FOXTROT")};
    const std::int64_t t0 = (now - 7'200'000) / 1000 * 1000;
    {
        auto opened = HistoryStore::open(path);
        ASSERT_TRUE(opened) << opened.error().message.toStdString();
        HistoryStore& store = **opened;
        const auto first = store.startWatching(foxtrot.address, foxtrot.port, {t0, 0});
        ASSERT_TRUE(first);
        ASSERT_TRUE(store.stopWatching(*first, t0 + 60'000));
        BucketValues values;
        values.fill(std::nanf(""));
        for (std::int64_t t = t0 + 5000; t <= t0 + 240'000; t += 5000)
            if (t <= t0 + 90'000 || t >= t0 + 105'000)  // the second watch's buckets are its own
                ASSERT_TRUE(store.addBucket(foxtrot, {t, 0}, values, {}));
        const auto second = store.startWatching(foxtrot.address, foxtrot.port, {t0 + 100'000, 0});
        ASSERT_TRUE(second);
        ASSERT_TRUE(store.stopWatching(*second, t0 + 240'000));
        for (const auto& [k, at] : {std::pair{EventKind::AlarmRose, 10}, {EventKind::AlarmCleared, 20},
                                    {EventKind::AlarmRose, 30}, {EventKind::AlarmCleared, 200}}) {
            JournalEvent e;
            e.probe = foxtrot;
            e.kind = k;
            e.slot = 2;
            e.channel = QStringLiteral("(Ch34) 578.00MHz");
            e.time = {t0 + at * 1000, 0};
            ASSERT_TRUE(store.addEvent(e));
        }
    }
    const auto iso = [](std::int64_t t) { return QDateTime::fromMSecsSinceEpoch(t).toOffsetFromUtc(0).toString(Qt::ISODate); };
    const auto report = run({QStringLiteral("report"), QStringLiteral("--since"), iso(t0), QStringLiteral("--until"),
                             iso(t0 + 240'000), QStringLiteral("--probe"), QStringLiteral("127.0.0.5:161"),
                             QStringLiteral("--format"), QStringLiteral("csv")});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    const auto rows = csvCells(report.out);
    ASSERT_EQ(rows.size(), 2u);
    // watched, unwatched, gaps, availability, in alarm, in warning, alarms, warnings, flaps, longest
    EXPECT_EQ(QStringList(rows[1].begin() + 6, rows[1].end()).join(QLatin1Char('|')),
              QStringLiteral("230|10|1|100.00|180|0|1|0|1|190"));
    const auto json = run({QStringLiteral("report"), QStringLiteral("--since"), iso(t0), QStringLiteral("--until"),
                           iso(t0 + 240'000), QStringLiteral("--probe"), QStringLiteral("127.0.0.5:161"),
                           QStringLiteral("--format"), QStringLiteral("json")});
    const QJsonArray objects = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
    ASSERT_EQ(objects.size(), 1);
    const QJsonObject o = objects[0].toObject();
    EXPECT_EQ(std::tuple(o[QStringLiteral("probe_name")].toString(), o[QStringLiteral("slot")].toInt(),
                         o[QStringLiteral("watched_s")].toInt(), o[QStringLiteral("gaps")].toInt(),
                         o[QStringLiteral("availability")].toDouble(), o[QStringLiteral("alarm_s")].toInt(),
                         o[QStringLiteral("flaps")].toInt(), o[QStringLiteral("longest_alarm_s")].toInt()),
              std::tuple(QStringLiteral("FOXTROT"), 3, 230, 1, 1.0, 180, 1, 190));
    EXPECT_EQ(QDateTime::fromString(o[QStringLiteral("from")].toString(), Qt::ISODate).toMSecsSinceEpoch(), t0);
}

}  // namespace
}  // namespace vimbo
