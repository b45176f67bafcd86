// vimbo-console --headless as a night desk runs it: twelve probes, one
// silent and one in alarm, the store read by vimbo-history while it watches.
#include "ProbeList.h"
#include "SimulatedProbe.h"
#include "WaitFor.h"

#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <map>

using namespace vimbo;

namespace {

const QString kBin = QStringLiteral(VIMBO_BIN_DIR);

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(kBin + QLatin1Char('/') + program, arguments);
    EXPECT_TRUE(process.waitForFinished(15000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput()).remove(QLatin1Char('\r'));  // CSV rows end in CRLF
}

}  // namespace

TEST(ConsoleEndToEnd, twelveProbesKeepTheirCycleBesideASilentOneAndTheStoreHoldsEachUnderItsName)
{
    auto sim = test::startProbes(12, {"--silent-probes", "12", "--probe-flags", "2=0100"});
    ASSERT_TRUE(sim);
    QTemporaryDir folder;
    const QString list = folder.filePath(QStringLiteral("probes.conf"));
    const QString history = folder.filePath(QStringLiteral("history.sqlite"));
    std::vector<ProbeEntry> probes;
    for (std::size_t i = 0; i < 12; ++i) {
        ProbeEntry entry{QStringLiteral("probe-%1").arg(i + 1), QStringLiteral("Site %1").arg(i % 4), defaultProbeSettings()};
        entry.settings.agent = sim->host();
        entry.settings.port = sim->ports().at(i);
        probes.push_back(entry);
    }
    ASSERT_FALSE(writeProbeList(list, probes));

    QProcess console;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
    console.setProcessEnvironment(environment);
    std::map<QString, std::vector<qint64>> completes;
    QString log;
    QObject::connect(&console, &QProcess::readyReadStandardError, [&] {
        while (console.canReadLine()) {
            const QString line = QString::fromUtf8(console.readLine()).trimmed();
            log += line + QLatin1Char('\n');
            if (line.endsWith(QLatin1String(": a complete cycle")))
                completes[line.section(QLatin1Char(' '), 1, 1).chopped(1)].push_back(QDateTime::currentMSecsSinceEpoch());
        }
    });
    console.setReadChannel(QProcess::StandardError);
    console.start(kBin + QStringLiteral("/vimbo-console"),
                  {QStringLiteral("--headless"), QStringLiteral("--log-cycles"), QStringLiteral("--probes"), list,
                   QStringLiteral("--history"), history, QStringLiteral("--plan"), kBin + QStringLiteral("/CCIR.can")});
    ASSERT_TRUE(console.waitForStarted());

    // Four complete cycles of every answering probe: three pauses of 3 s each.
    const auto enough = [&] {
        for (int i = 1; i <= 11; ++i)
            if (completes[QStringLiteral("probe-%1").arg(i)].size() < 4)
                return false;
        return true;
    };
    ASSERT_TRUE(test::waitFor(enough, 30000)) << log.toStdString();
    for (int i = 1; i <= 11; ++i) {
        const auto& ends = completes[QStringLiteral("probe-%1").arg(i)];
        for (std::size_t c = 1; c < ends.size(); ++c)
            EXPECT_LE(ends[c] - ends[c - 1], 3500) << "probe-" << i << " cycle " << c;
    }
    EXPECT_TRUE(completes[QStringLiteral("probe-12")].empty());
    EXPECT_TRUE(log.contains(QStringLiteral("Site 1 / probe-2: Alarm on (Ch"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Site 3 / probe-12: The probe does not answer"))) << log.toStdString();

    // While it watches: 11 answering, the silent one never answered.
    const QString listed = run(QStringLiteral("vimbo-history"), {QStringLiteral("--history"), history, QStringLiteral("probes")});
    EXPECT_EQ(listed.count(QStringLiteral(",answering\n")), 11) << listed.toStdString();
    const QString silentPort = QStringLiteral("127.0.0.1:%1,").arg(sim->ports().at(11));
    const QStringList rows = listed.split(QLatin1Char('\n'));
    const auto silentRow = std::find_if(rows.begin(), rows.end(), [&](const QString& row) { return row.startsWith(silentPort); });
    ASSERT_NE(silentRow, rows.end()) << silentPort.toStdString() << listed.toStdString();
    EXPECT_TRUE(silentRow->endsWith(QStringLiteral(",never answered"))) << silentRow->toStdString();
    const QString events = run(QStringLiteral("vimbo-history"), {QStringLiteral("--history"), history, QStringLiteral("events")});
    const QString alarmPort = QStringLiteral("127.0.0.1:%1,").arg(sim->ports().at(1));
    int alarms = 0;
    for (const QString& line : events.split(QLatin1Char('\n')))
        if (line.contains(QStringLiteral(",alarm rose,"))) {
            ++alarms;
            EXPECT_TRUE(line.contains(alarmPort)) << line.toStdString();
            EXPECT_TRUE(line.contains(QStringLiteral(",alarm rose,1,(Ch"))) << line.toStdString();
        }
    EXPECT_EQ(alarms, 1) << events.toStdString();

    // SIGTERM: a clean end, every watch closed.
    ::kill(static_cast<pid_t>(console.processId()), SIGTERM);
    ASSERT_TRUE(console.waitForFinished(10000));
    EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(console.exitCode(), 0);
    log += QString::fromUtf8(console.readAllStandardError());
    EXPECT_TRUE(log.contains(QStringLiteral("SIGTERM: the watch of 12 probes ended"))) << log.toStdString();
    const QString after = run(QStringLiteral("vimbo-history"), {QStringLiteral("--history"), history, QStringLiteral("probes")});
    EXPECT_EQ(after.count(QStringLiteral(",not watched since ")), 12) << after.toStdString();
}
