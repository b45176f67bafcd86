// vimbo-canplan as an operator runs it.
#include "Programs.h"
#include "TestFiles.h"

#include <QProcess>

#include <gtest/gtest.h>

using vimbo::test::writeFile;

namespace {

vimbo::test::ToolRun canplan(const QStringList& args) { return vimbo::test::runProgram(QStringLiteral(VIMBO_CANPLAN_PATH), args); }

}  // namespace

TEST(VimboCanplan, buildThenDumpGivesTheSameChannels)
{
    QTemporaryDir folder;
    const QByteArray csv = "name,videoKHz,centreKHz\nE5,175250,177500\n34,575250,578000\nMY CH,-1,0\n";
    const QString in = writeFile(folder, QStringLiteral("plan.csv"), "# my plan\n" + csv);
    const QString out = folder.filePath(QStringLiteral("plan.can"));
    const vimbo::test::ToolRun built = canplan({QStringLiteral("build"), in, out});
    ASSERT_EQ(built.exitCode, 0) << built.err;
    const vimbo::test::ToolRun dumped = canplan({QStringLiteral("dump"), out});
    EXPECT_EQ(dumped.exitCode, 0);
    EXPECT_EQ(dumped.out, csv.toStdString());
}

// Each frequency names the first channel it belongs to, centre or video carrier, as the
// manager's lookup does; the kHz the manager rounds the probe's Hz to, halves to even.
TEST(VimboCanplan, rulesNameEachFrequencyAsTheManagerShows)
{
    QTemporaryDir folder;
    const QString in = writeFile(folder, QStringLiteral("plan.csv"),
                                 "21,471250,474000\nA\"\\B,48251,48251\nDUP,474000,474001\n");
    const QString plan = folder.filePath(QStringLiteral("plan.can"));
    ASSERT_EQ(canplan({QStringLiteral("build"), in, plan}).exitCode, 0);
    const vimbo::test::ToolRun run = canplan({QStringLiteral("rules"), plan});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const char* const rule = "      - record: instance_slot:vimbo_channel:info\n"
                             "        expr: instance_slot:vimbo_frequency_hz:kept %1\n"
                             "        labels:\n"
                             "          channel: \"%2\"\n";
    const QString expected =
        QStringLiteral("# Made by vimbo-canplan rules from plan.can: each alerting slot's channel, as\n"
                       "# vimboManager shows it, for the alerts' texts (vimbo-alerts.yml). Value: the frequency in Hz.\n"
                       "groups:\n  - name: vimbo-channels\n    rules:\n") +
        QString::fromLatin1(rule).arg(QStringLiteral(">= 473999500 <= 474000500"), QStringLiteral("(Ch21) 474.00MHz")) +
        QString::fromLatin1(rule).arg(QStringLiteral(">= 471249500 <= 471250500"), QStringLiteral("(Ch21) 471.25MHz")) +
        QString::fromLatin1(rule).arg(QStringLiteral("> 48250500 < 48251500"), QStringLiteral("(ChA\\\"\\\\B) 48.25MHz")) +
        QString::fromLatin1(rule).arg(QStringLiteral("> 474000500 < 474001500"), QStringLiteral("(ChDUP) 474.00MHz"));
    EXPECT_EQ(run.out, expected.toStdString());
}

// The shipped rules are the CCIR plan's: made again whenever the plan changes.
TEST(VimboCanplan, shippedChannelRulesAreTheCcirPlans)
{
    const vimbo::test::ToolRun run = canplan({QStringLiteral("rules"), QStringLiteral(VIMBO_CCIR_PLAN)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    QFile shipped(QStringLiteral(VIMBO_SOURCE_DIR "/monitoring/prometheus/vimbo-channels.yml"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_EQ(run.out, shipped.readAll().toStdString()) << "make it again: vimbo-canplan rules CCIR.can";
}

TEST(VimboCanplan, errorsNameTheProblemAndExitOne)
{
    QTemporaryDir folder;
    const vimbo::test::ToolRun missing = canplan({QStringLiteral("dump"), folder.filePath(QStringLiteral("none.can"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err.rfind("Error reading ", 0), 0u) << missing.err;

    const QString broken = writeFile(folder, QStringLiteral("broken.can"), QByteArray("\x05\x00\x00\xFF\xFF\x00\x00\x00" "AB", 10));
    const vimbo::test::ToolRun truncated = canplan({QStringLiteral("dump"), broken});
    EXPECT_EQ(truncated.exitCode, 1);
    EXPECT_NE(truncated.err.find("past end of file"), std::string::npos) << truncated.err;
    EXPECT_EQ(truncated.out, "");

    for (const QByteArray& bad : {QByteArray("A,1\n"), QByteArray("NINECHARS,1,2\n"), QByteArray("A,x,2\n"),
                                  QByteArray("A,1,99999999999\n"), QByteArray("# only a comment\n")}) {
        const QString in = writeFile(folder, QStringLiteral("bad.csv"), bad);
        const vimbo::test::ToolRun run = canplan({QStringLiteral("build"), in, folder.filePath(QStringLiteral("bad.can"))});
        EXPECT_EQ(run.exitCode, 1) << bad.toStdString();
        EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("bad.can")))) << bad.toStdString();
    }
    EXPECT_EQ(canplan({}).exitCode, 2);
    EXPECT_EQ(canplan({QStringLiteral("dump")}).exitCode, 2);
    EXPECT_EQ(canplan({QStringLiteral("rules")}).exitCode, 2);
    const vimbo::test::ToolRun noPlan = canplan({QStringLiteral("rules"), folder.filePath(QStringLiteral("none.can"))});
    EXPECT_EQ(noPlan.exitCode, 1);
    EXPECT_EQ(noPlan.out, "");
}
