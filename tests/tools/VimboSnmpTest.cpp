// vimbo-snmp and vimboManager's command line as an operator runs them.
#include "SimulatedProbe.h"

#include <QProcess>

#include <gtest/gtest.h>

using vimbo::test::ProbeSimProcess;
using vimbo::test::startSim;

namespace {

const QString kName = QStringLiteral(".1.3.6.1.4.1.32473.2.2.1.1.0");

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with no window system at all: whatever it says must come before one starts.
ToolRun run(const QString& program, const QStringList& args)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(program, args);
    process.waitForFinished(20000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
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

TEST(VimboSnmp, failureReportsTheResultCodeAndExitsOne)
{
    auto sim = startSim({"--error-oid", kName.toStdString()});
    ASSERT_TRUE(sim);
    const ToolRun failed = tool(agentOf(*sim) + QStringList{"get", kName});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_NE(failed.err.find("0x80000003"), std::string::npos) << failed.err;
    EXPECT_EQ(tool(agentOf(*sim) + QStringList{"set", ".1.3.6.1.4.1.32473.2.2.1.1", "string:new name"}).exitCode, 1);
    const ToolRun badAgent = tool({"--agent", "not-an-address", "get", kName});
    EXPECT_EQ(badAgent.exitCode, 1);
    EXPECT_NE(badAgent.err.find("0x80000001"), std::string::npos) << badAgent.err;
}

TEST(VimboSnmp, badUsageExitsTwoAndSendsNothing)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    const QStringList agent = agentOf(*sim);
    for (const QStringList& args : {QStringList{"get", kName},  // no agent: never the built-in default
                                    agent + QStringList{"get"}, agent + QStringList{"walk", kName},
                                    agent + QStringList{"set", kName, "5"}, agent + QStringList{"set", kName, "int16:40000"},
                                    agent + QStringList{"set", kName, "double:1"},
                                    agent + QStringList{"--timeout", "-1", "get", kName},
                                    agent + QStringList{"--port", "70000", "get", kName},
                                    agent + QStringList{"--bogus", "1", "get", kName}}) {
        const ToolRun usage = tool(args);
        EXPECT_EQ(usage.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_NE(usage.err.find("Usage"), std::string::npos) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(sim->requests().empty());
}

TEST(ManagerCommandLine, badAgentOrPortIsRefusedBeforeAnyWindowWithStatusTwo)
{
    const std::pair<QStringList, const char*> cases[] = {
        {{"--agent", "localhost"}, "--agent takes a numeric IPv4 address"},
        {{"--agent", "127.0.0.999"}, "--agent takes a numeric IPv4 address"},
        {{"--port", "notaport"}, "--port takes a number from 1 to 65535"},
        {{"--port", "0"}, "--port takes a number from 1 to 65535"},
        {{"--port", "65536"}, "--port takes a number from 1 to 65535"},
        {{"--colour", "red"}, "Unknown option 'colour'"},
    };
    for (const auto& [args, says] : cases) {
        const ToolRun refused = run(QStringLiteral(VIMBO_MANAGER_PATH), args);
        EXPECT_EQ(refused.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_NE(refused.err.find(says), std::string::npos) << refused.err;
    }
    const ToolRun help = run(QStringLiteral(VIMBO_MANAGER_PATH), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--agent <ADDRESS>", "--port <N>", "--no-notify", "--help"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option << " in " << help.out;
}
