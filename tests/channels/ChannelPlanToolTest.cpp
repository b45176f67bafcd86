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
}
