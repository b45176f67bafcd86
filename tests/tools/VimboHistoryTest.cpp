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

namespace vimbo {
namespace {

const ProbeKey kKestrel{QStringLiteral("127.0.0.1"), 16161, QStringLiteral("KESTREL")};
const ProbeKey kMerlin{QStringLiteral("::1"), 16162, QStringLiteral("MERLIN")};

struct VimboHistory : ::testing::Test {
    void SetUp() override
    {
        HistoryStore store(path);
        const auto event = [&](const ProbeKey& p, const QString& k, int slot, std::int64_t agoMs) {
            JournalEvent e;
            e.probe = p;
            e.kind = k;
            e.slot = slot;
            e.channel = slot >= 0 ? QStringLiteral("(Ch21) 474.00MHz") : QString();
            e.time = {now - agoMs, 3600};
            store.addEvent(e);
        };
        event(kKestrel, kind::AlarmRose, 0, 3 * 3'600'000);  // three hours ago, for 95 s
        event(kKestrel, kind::AlarmCleared, 0, 3 * 3'600'000 - 95'000);
        event(kKestrel, kind::ProbeLost, -1, 600'000);
        event(kMerlin, kind::WarningRose, 5, 60'000);
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

    // Two probes in the store: which one is for the caller to say.
    EXPECT_EQ(run({QStringLiteral("export"), QStringLiteral("--since"), QStringLiteral("1h")}).exitCode, 2);

    const auto probes = run({QStringLiteral("probes")});
    const QStringList listed = lines(probes.out);
    ASSERT_EQ(listed.size(), 3);
    EXPECT_TRUE(listed[1].startsWith(QStringLiteral("127.0.0.1:16161,KESTREL,"))) << listed[1].toStdString();
    EXPECT_TRUE(listed[1].endsWith(QStringLiteral(",lost")));
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

}  // namespace
}  // namespace vimbo
