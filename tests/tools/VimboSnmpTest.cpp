// vimbo-snmp and vimboManager's command line as an operator runs them.
#include "Programs.h"
#include "SimulatedProbe.h"
#include "WaitFor.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using vimbo::test::ProbeSimProcess;
using vimbo::test::ToolRun;
using vimbo::test::startSim;

namespace {

const QString kName = QStringLiteral(".1.3.6.1.4.1.32473.2.2.1.1.0");

// Runs `program` with no window system at all: whatever it says must come before one starts.
ToolRun run(const QString& program, const QStringList& args)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return vimbo::test::runProgram(program, args, environment);
}

ToolRun tool(const QStringList& args) { return run(QStringLiteral(VIMBO_SNMP_PATH), args); }

QStringList agentOf(const ProbeSimProcess& sim)
{
    return {"--agent", QString::fromStdString(sim.host()), "--port", QString::number(sim.port()), "--timeout", "20",
            "--retries", "0"};
}

}  // namespace

TEST(VimboSnmp, getPrintsTypeAndValueAndSetWritesTheTypedValue)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    const QStringList agent = agentOf(*sim);
    const ToolRun name = tool(agent + QStringList{"get", kName});
    EXPECT_EQ(name.exitCode, 0) << name.err;
    EXPECT_EQ(name.out, "String VIMBO-SIM\n");
    EXPECT_EQ(tool(agent + QStringList{"set", ".1.3.6.1.4.1.32473.2.2.2.2", "int16:-3"}).exitCode, 0);
    EXPECT_EQ(tool(agent + QStringList{"get", ".1.3.6.1.4.1.32473.2.2.2.2.0"}).out, "Int32 -3\n");
    EXPECT_EQ(tool(agent + QStringList{"set", ".1.3.6.1.4.1.32473.2.2.3.2", "int32:578000000"}).exitCode, 0);
    EXPECT_EQ(sim->requests().back(), "SET kiminar .1.3.6.1.4.1.32473.2.2.3.2 INTEGER 578000000");
}

TEST(VimboSnmp, aFailureExitsWithItsKindAndTheResultCodeAndVerboseTellsTheCauseItLumpsTogether)
{
    const QString ipn = QStringLiteral(".1.3.6.1.4.1.32473.2.2.1.2.0");
    auto sim = startSim({"--error-oid", kName.toStdString(), "--wrong-type", ipn.toStdString() + "=uinteger32:5"});
    auto silent = startSim({"--silent"});
    ASSERT_TRUE(sim && silent);
    struct Case {
        QStringList args;
        int status;
        const char* code;
        const char* says;
    };
    const Case cases[] = {
        {agentOf(*silent) + QStringList{"--verbose", "get", kName}, 1, "0x80000003", "no answer from udp:127.0.0.1:"},
        {agentOf(*sim) + QStringList{"--community-r", "wrong", "--verbose", "get", kName}, 1, "0x80000003", "no answer from"},
        {agentOf(*sim) + QStringList{"--verbose", "get", kName}, 3, "0x80000003", "error status 5 (genError)"},
        {agentOf(*sim) + QStringList{"--verbose", "get", ".1.3.6.1.4.1.32473.2.2.9.9.0"}, 3, "0x80000003", "error status 2 (noSuchName)"},
        {agentOf(*sim) + QStringList{"--verbose", "set", ".1.3.6.1.4.1.32473.2.2.1.1", "string:new"}, 3, "0x80000003", "(noSuchName)"},  // read-only, as version 1 says it
        {agentOf(*sim) + QStringList{"--verbose", "get", ipn}, 4, "0x80000005", "has no variant type"},
    };
    for (const Case& c : cases) {
        const ToolRun failed = tool(c.args);
        EXPECT_EQ(failed.exitCode, c.status) << c.args.join(' ').toStdString();
        EXPECT_EQ(failed.out, "");
        EXPECT_NE(failed.err.find(c.code), std::string::npos) << failed.err;
        EXPECT_NE(failed.err.find(c.says), std::string::npos) << failed.err;
    }
    EXPECT_EQ(tool(agentOf(*sim) + QStringList{"get", kName}).err.find("genError"), std::string::npos);

    // The tries told are the tries made.
    silent->clearRequests();
    const ToolRun tried = tool(agentOf(*silent) + QStringList{"--retries", "3", "--verbose", "get", kName});
    EXPECT_NE(tried.err.find("(4 tries of 200 ms)"), std::string::npos) << tried.err;
    EXPECT_TRUE(vimbo::test::waitFor([&] { return silent->requests().size() >= 4; }, 2000));
    EXPECT_EQ(silent->requests().size(), 4u);
}

TEST(VimboSnmp, badUsageExitsTwoAndSendsNothing)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    const QStringList agent = agentOf(*sim);
    for (const QStringList& args : {QStringList{"get", kName},  // no agent: never the built-in default
                                    agent + QStringList{"get"}, agent + QStringList{"walk", kName},
                                    QStringList{"--agent", "localhost", "get", kName},
                                    QStringList{"--agent", "not-an-address", "get", kName},
                                    agent + QStringList{"set", kName, "5"}, agent + QStringList{"set", kName, "int16:40000"},
                                    agent + QStringList{"set", kName, "double:1"},
                                    agent + QStringList{"--timeout", "-1", "get", kName},
                                    agent + QStringList{"--port", "70000", "get", kName},
                                    QStringList{"--agent", "127.0.0.1", "--port", "0", "get", kName},
                                    agent + QStringList{"get", "not.an.oid"}, agent + QStringList{"set", "1..3", "int16:1"},
                                    agent + QStringList{"--bogus", "1", "get", kName}}) {
        const ToolRun usage = tool(args);
        EXPECT_EQ(usage.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_NE(usage.err.find("Usage"), std::string::npos) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(sim->requests().empty());
    EXPECT_NE(tool(agent + QStringList{"set", kName, "int16:40000"}).err.find("from -32768 to 32767: 40000"),
              std::string::npos);
}

TEST(Programs, everyProgramTellsItsVersionAndABadUsageExitsTwoWithoutAWindowSystem)
{
    for (const char* program : {VIMBO_SNMP_PATH, VIMBO_MANAGER_PATH, VIMBO_CANPLAN_PATH, VIMBO_PROBESIM_PATH}) {
        const ToolRun version = run(QString::fromUtf8(program), {"--version"});
        EXPECT_EQ(version.exitCode, 0) << program;
        EXPECT_EQ(version.out, QFileInfo(QString::fromUtf8(program)).fileName().toStdString() + " 1.0.0\n");
        const ToolRun refused = run(QString::fromUtf8(program), {"--agent", "localhost", "--bogus"});
        EXPECT_EQ(refused.exitCode, 2) << program << refused.err;
    }
    // The manager's table of command lines is its library's own test; here, the program applies it.
    EXPECT_NE(run(QStringLiteral(VIMBO_MANAGER_PATH), {"--agent", "localhost"}).err.find("--agent takes a numeric IPv4"),
              std::string::npos);
}

namespace {

// The manager with a settings folder of its own and the offscreen window system.
QProcessEnvironment managerEnvironment(const QTemporaryDir& config)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

}  // namespace

TEST(ManagerSettings, saveDefaultsWritesTheFileTheNextStartUsesUnderTheCommandLineAndABadOneIsToldOnce)
{
    QTemporaryDir config;
    auto fromFile = startSim();
    auto fromOption = startSim();
    ASSERT_TRUE(fromFile && fromOption);
    QProcess save;
    save.setProcessEnvironment(managerEnvironment(config));
    save.start(QStringLiteral(VIMBO_MANAGER_PATH),
               {"--agent", "127.0.0.1", "--port", QString::number(fromFile->port()), "--save-defaults"});
    ASSERT_TRUE(save.waitForFinished(10000));
    EXPECT_EQ(save.exitCode(), 0) << save.readAllStandardError().toStdString();
    QFile written(config.filePath(QStringLiteral("vimbo/vimboManager.conf")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(),
              "# vimboManager's client settings; command-line options override them.\n[snmp]\nagent = 127.0.0.1\n"
              "port = " + std::to_string(fromFile->port()) +
              "\ncommunity-read = tavelo\ncommunity-write = kiminar\ntimeout-10ms = 100\nretries = 1\n");
    EXPECT_EQ(QDir(config.filePath(QStringLiteral("vimbo"))).entryList(QDir::Files),
              QStringList({"vimboManager.conf"}));  // no temporary file left beside it

    // Started from the file, then with --port over it: each polls its own probe only.
    const auto pollsOnly = [&](const QStringList& args, const ProbeSimProcess& polled, const ProbeSimProcess& other) {
        const std::size_t otherBefore = other.requests().size();
        QProcess manager;
        manager.setProcessEnvironment(managerEnvironment(config));
        manager.setWorkingDirectory(QFileInfo(QStringLiteral(VIMBO_MANAGER_PATH)).absolutePath());  // where CCIR.can is
        manager.start(QStringLiteral(VIMBO_MANAGER_PATH), QStringList{"--no-notify"} + args);
        for (int i = 0; i < 200 && polled.requests().size() < 50; ++i)
            QThread::msleep(100);
        manager.terminate();
        manager.waitForFinished(5000);
        EXPECT_GE(polled.requests().size(), 50u) << args.join(' ').toStdString();
        EXPECT_EQ(other.requests().size(), otherBefore) << args.join(' ').toStdString();
    };
    pollsOnly({}, *fromFile, *fromOption);
    pollsOnly({"--port", QString::number(fromOption->port())}, *fromOption, *fromFile);

    // A bad file is told once, and the program carries on with the stored settings.
    written.close();
    ASSERT_TRUE(written.open(QIODevice::WriteOnly | QIODevice::Truncate));
    written.write("[snmp]\nagent = 127.0.0.1\nport = 99999\n");
    written.close();
    QProcess manager;
    manager.setProcessEnvironment(managerEnvironment(config));
    manager.start(QStringLiteral(VIMBO_MANAGER_PATH), {"--no-notify"});
    EXPECT_FALSE(manager.waitForFinished(1500));  // still running
    manager.terminate();
    manager.waitForFinished(5000);
    const QString said = QString::fromLocal8Bit(manager.readAllStandardError());
    EXPECT_EQ(said.count(QStringLiteral("vimboManager:")), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(written.fileName() + QStringLiteral(":3: port takes a whole number from 1 to 65535; the "
                                                                  "stored settings are used")))
        << said.toStdString();

    // Saving over it would lose the operator's other lines: nothing is saved, and the file stays as it was.
    const ToolRun refused = vimbo::test::runProgram(QStringLiteral(VIMBO_MANAGER_PATH), {"--port", "16161", "--save-defaults"},
                                                    managerEnvironment(config));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(":3: port takes a whole number"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("nothing is saved"), std::string::npos) << refused.err;
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("[snmp]\nagent = 127.0.0.1\nport = 99999\n"));
}
