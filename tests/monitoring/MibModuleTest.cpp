// The probe's MIB module against what the manager reads and writes, and
// against a walk of the simulated probe.
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "PollCycle.h"
#include "Programs.h"
#include "SimulatedProbe.h"
#include "surveillance/SurveillancePlan.h"
#include "Widgets.h"
#include "poll/ReadPlan.h"
#include "main/frmMain.h"

#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace vimbo;

namespace {

/// Where the set-up unpacked the monitoring tools and base MIB modules, and the
/// project's monitoring folder.
const QString kMonitoringCache = QStringLiteral(VIMBO_SOURCE_DIR "/.cache/monitoring");
const QString kMonitoring = QStringLiteral(VIMBO_SOURCE_DIR "/monitoring");

/// Runs a tool; net-snmp's and libsmi's tools find their modules in `mibDirs` only, and load the probe's.
test::ToolRun runTool(const QString& program, const QStringList& args, const QString& mibDirs)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"MIBDIRS", "SMIPATH"})
        environment.insert(QLatin1String(variable), mibDirs);
    environment.insert(QStringLiteral("MIBS"), QStringLiteral("VIMBO-PROBE-MIB"));
    return test::runProgram(program, args, environment);
}

class MibModule : public testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(kMonitoringCache + QStringLiteral("/mibs/SNMPv2-SMI")))
            GTEST_SKIP() << "run scripts/fetch-monitoring.sh first";
        ASSERT_TRUE(mibs.isValid());
        for (const char* module : {"SNMPv2-SMI", "SNMPv2-TC", "SNMPv2-CONF"})
            QFile::copy(kMonitoringCache + QStringLiteral("/mibs/") + QLatin1String(module), mibs.filePath(QLatin1String(module)));
        QFile::copy(kMonitoring + QStringLiteral("/mib/VIMBO-PROBE-MIB.txt"), mibs.filePath(QStringLiteral("VIMBO-PROBE-MIB.txt")));
    }

    /// The module's object for an identifier, as "VIMBO-PROBE-MIB::name" (and the instance suffix, if any).
    QString translate(const std::string& oid)
    {
        const test::ToolRun ran = runTool(QStringLiteral("snmptranslate"), {QString::fromStdString(oid)}, mibs.path());
        EXPECT_EQ(ran.exitCode, 0) << oid << ran.err;
        return QString::fromStdString(ran.out).trimmed();
    }

    QTemporaryDir mibs;
};

}  // namespace

TEST_F(MibModule, everyIdentifierTheManagerReadsOrWritesIsOneObjectOfTheModuleAndNoneIsLeftOver)
{
    std::set<std::string> read, written;
    for (const std::string& oid : readPlanIdentifiers()) {
        const QString name = translate(oid);
        SCOPED_TRACE(oid);
        EXPECT_TRUE(name.startsWith(QStringLiteral("VIMBO-PROBE-MIB::vimbo")) && name.endsWith(QStringLiteral(".0")))
            << name.toStdString();
        read.insert(name.chopped(2).toStdString());
    }
    EXPECT_EQ(read.size(), 50u);  // 50 reads, 50 distinct objects
    for (const WriteStep& step : writePlan()) {
        const QString name = translate(step.oid);  // writes address the object itself
        EXPECT_TRUE(read.count(name.toStdString())) << step.oid << " is " << name.toStdString();
        written.insert(name.toStdString());
    }
    EXPECT_EQ(written.size(), 28u);

    // Every object of the module (smidump names each scalar), and only those, is one the manager reads.
    const test::ToolRun dump = runTool(QStringLiteral("smidump"),
                                   {QStringLiteral("-f"), QStringLiteral("identifiers"), mibs.filePath(QStringLiteral("VIMBO-PROBE-MIB.txt"))},
                                   mibs.path());
    std::set<std::string> scalars;
    for (const QString& line : QString::fromStdString(dump.out).split(QLatin1Char('\n')))
        if (const QStringList fields = line.simplified().split(QLatin1Char(' ')); fields.size() >= 3 && fields[2] == QLatin1String("scalar"))
            scalars.insert((fields[0] + QStringLiteral("::") + fields[1]).toStdString());
    EXPECT_EQ(scalars, read) << dump.err;
}

TEST_F(MibModule, aWalkOfTheProbeNamesEveryObjectAndShowsTheValuesAsTheWindowShowsThem)
{
    QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));  // the window's channel plan
    auto sim = test::startSim({"--static", "/dev/null"});
    ASSERT_TRUE(sim);
    const test::ToolRun walk = runTool(QStringLiteral("snmpwalk"),
                                   {QStringLiteral("-v1"), QStringLiteral("-c"), QStringLiteral("tavelo"),
                                    QStringLiteral("127.0.0.1:%1").arg(sim->port()), QStringLiteral(".1.3.6.1.4.1.32473.2.2")},
                                   mibs.path());
    ASSERT_EQ(walk.exitCode, 0) << walk.err;
    // "VIMBO-PROBE-MIB::vimboSlot0Power.0 = INTEGER: 52.00 dBuV"
    static const QRegularExpression line(QStringLiteral("^VIMBO-PROBE-MIB::(\\w+)\\.0 = \\w+: (.*)$"));
    std::map<QString, QString> walked;
    for (const QString& text : QString::fromStdString(walk.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (text == QLatin1String("End of MIB"))  // the probe's objects are the last of its agent
            continue;
        const auto match = line.match(text);
        EXPECT_TRUE(match.hasMatch()) << text.toStdString();  // every object has its name
        walked[match.captured(1)] = match.captured(2);
    }
    EXPECT_EQ(walked.size(), 50u);

    test::FakeDialogs dialogs;
    test::FakeClock clock;
    frmMain window(dialogs, clock);
    window.frmMain_Form_Load();
    test::aim(window.SnmpClient1(), *sim);
    ASSERT_TRUE(test::pollCycle(window));
    ASSERT_FALSE(window.pollFailed());
    const auto shown = [&](const QString& box) { return test::child<QLineEdit>(window, box)->text().toStdString(); };
    // "52.00 dBuV" (".00 dBuV" for nought) against the window's "52.00": the
    // same number with the same two decimals, and the unit.
    const auto sameHundredths = [&](const QString& object, const QString& box, const char* unit) {
        const QString value = walked[object];
        const QString number = value.section(QLatin1Char(' '), 0, 0);
        EXPECT_EQ(value.section(QLatin1Char(' '), 1).toStdString(), unit) << object.toStdString();
        EXPECT_EQ(number.section(QLatin1Char('.'), 1).size(), 2) << value.toStdString();
        EXPECT_DOUBLE_EQ(number.toDouble(), QString::fromStdString(shown(box)).toDouble()) << object.toStdString();
    };
    EXPECT_EQ(walked[QStringLiteral("vimboName")].toStdString(), shown(QStringLiteral("txtVimboName")));
    EXPECT_EQ(walked[QStringLiteral("vimboMerAlarmThreshold")].toStdString(), shown(QStringLiteral("txtThrAlarmMER")) + " dB");
    for (int s = 0; s < 6; ++s) {
        SCOPED_TRACE(s);
        const QString slot = QStringLiteral("vimboSlot%1").arg(s);
        sameHundredths(slot + QStringLiteral("Power"), QStringLiteral("txtMeasPower_%1").arg(s), "dBuV");
        sameHundredths(slot + QStringLiteral("Mer"), QStringLiteral("txtMeasMER_%1").arg(s), "dB");
        // The walk writes VBER as a decimal fraction (.0000002), the window in scientific form (2.00E-07).
        const QString vber = walked[slot + QStringLiteral("Vber")];
        EXPECT_TRUE(vber.endsWith(QStringLiteral(" errors per bit"))) << vber.toStdString();
        EXPECT_DOUBLE_EQ(vber.section(QLatin1Char(' '), 0, 0).toDouble(),
                         QString::fromStdString(shown(QStringLiteral("txtMeasVBER_%1").arg(s))).toDouble());
        EXPECT_EQ(walked[slot + QStringLiteral("PowerAlarm")].toStdString(),
                  shown(QStringLiteral("txtThrAlarmChPower_%1").arg(s)) + " dBuV");
    }
}
