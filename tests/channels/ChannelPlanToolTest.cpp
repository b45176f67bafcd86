// vimbo-canplan as an operator runs it.
#include "TestFiles.h"

#include <QProcess>

#include <gtest/gtest.h>

using vimbo::test::writeFile;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun canplan(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(VIMBO_CANPLAN_PATH), args);
    process.waitForFinished(10000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

TEST(VimboCanplan, buildThenDumpGivesTheSameChannels)
{
    QTemporaryDir folder;
    const QByteArray csv = "name,videoKHz,centreKHz\nE5,175250,177500\n34,575250,578000\nMY CH,-1,0\n";
    const QString in = writeFile(folder, QStringLiteral("plan.csv"), "# my plan\n" + csv);
    const QString out = folder.filePath(QStringLiteral("plan.can"));
    const ToolRun built = canplan({QStringLiteral("build"), in, out});
    ASSERT_EQ(built.exitCode, 0) << built.err.toStdString();
    const ToolRun dumped = canplan({QStringLiteral("dump"), out});
    EXPECT_EQ(dumped.exitCode, 0);
    EXPECT_EQ(dumped.out, QString::fromUtf8(csv));
}

TEST(VimboCanplan, errorsNameTheProblemAndExitOne)
{
    QTemporaryDir folder;
    const ToolRun missing = canplan({QStringLiteral("dump"), folder.filePath(QStringLiteral("none.can"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("Error reading "))) << missing.err.toStdString();

    const QString broken = writeFile(folder, QStringLiteral("broken.can"), QByteArray("\x05\x00\x00\xFF\xFF\x00\x00\x00" "AB", 10));
    const ToolRun truncated = canplan({QStringLiteral("dump"), broken});
    EXPECT_EQ(truncated.exitCode, 1);
    EXPECT_TRUE(truncated.err.contains(QStringLiteral("past end of file"))) << truncated.err.toStdString();
    EXPECT_TRUE(truncated.out.isEmpty());

    for (const QByteArray& bad : {QByteArray("A,1\n"), QByteArray("NINECHARS,1,2\n"), QByteArray("A,x,2\n"),
                                  QByteArray("A,1,99999999999\n"), QByteArray("# only a comment\n")}) {
        const QString in = writeFile(folder, QStringLiteral("bad.csv"), bad);
        const ToolRun run = canplan({QStringLiteral("build"), in, folder.filePath(QStringLiteral("bad.can"))});
        EXPECT_EQ(run.exitCode, 1) << bad.toStdString();
        EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("bad.can")))) << bad.toStdString();
    }
    EXPECT_EQ(canplan({}).exitCode, 2);
    EXPECT_EQ(canplan({QStringLiteral("dump")}).exitCode, 2);
}
