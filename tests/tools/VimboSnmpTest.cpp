// vimbo-snmp as an operator runs it, against the simulator.
#include "ProbeSimProcess.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <unistd.h>
#include <string>

using vimbo::test::ProbeSimProcess;

namespace {

const std::string kName = ".1.3.6.1.4.1.32473.2.2.1.1.0";

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `args` (already shell-quoted where needed).
ToolRun runProgram(const std::string& program, const std::string& args)
{
    char errPath[] = "/tmp/vimbo-snmp-err.XXXXXX";
    close(mkstemp(errPath));
    const std::string command = program + " " + args + " 2>" + errPath;
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe))
        run.out += buffer.data();
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* err = std::fopen(errPath, "r")) {
        while (fgets(buffer.data(), buffer.size(), err))
            run.err += buffer.data();
        std::fclose(err);
    }
    std::remove(errPath);
    return run;
}

ToolRun runTool(const std::string& args) { return runProgram(VIMBO_SNMP_PATH, args); }

std::string agentOf(const ProbeSimProcess& sim)
{
    return "--agent " + sim.host() + " --port " + std::to_string(sim.port()) + " --timeout 20 --retries 0 ";
}

}  // namespace

TEST(VimboSnmp, getPrintsTypeAndValue)
{
    auto sim = ProbeSimProcess::start();
    ASSERT_TRUE(sim);
    const ToolRun name = runTool(agentOf(*sim) + "get " + kName);
    EXPECT_EQ(name.exitCode, 0) << name.err;
    EXPECT_EQ(name.out, "String VIMBO-SIM\n");
    const ToolRun frequency = runTool(agentOf(*sim) + "get .1.3.6.1.4.1.32473.2.2.3.2.0");
    EXPECT_EQ(frequency.out, "Int32 474000000\n");
}

TEST(VimboSnmp, setWritesTheTypedValue)
{
    auto sim = ProbeSimProcess::start();
    ASSERT_TRUE(sim);
    EXPECT_EQ(runTool(agentOf(*sim) + "set .1.3.6.1.4.1.32473.2.2.2.2 int16:-3").exitCode, 0);
    EXPECT_EQ(runTool(agentOf(*sim) + "get .1.3.6.1.4.1.32473.2.2.2.2.0").out, "Int32 -3\n");
    EXPECT_EQ(runTool(agentOf(*sim) + "set .1.3.6.1.4.1.32473.2.2.3.2 int32:578000000").exitCode, 0);
    EXPECT_EQ(sim->requests().back(), "SET kiminar .1.3.6.1.4.1.32473.2.2.3.2 INTEGER 578000000");
}

TEST(VimboSnmp, failureReportsTheResultCodeAndExitsOne)
{
    auto sim = ProbeSimProcess::start({"--error-oid", kName});
    ASSERT_TRUE(sim);
    const ToolRun failed = runTool(agentOf(*sim) + "get " + kName);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_NE(failed.err.find("0x80000003"), std::string::npos) << failed.err;

    const ToolRun readOnly = runTool(agentOf(*sim) + "set .1.3.6.1.4.1.32473.2.2.1.1 'string:new name'");
    EXPECT_EQ(readOnly.exitCode, 1);
    const ToolRun badAgent = runTool("--agent not-an-address get " + kName);
    EXPECT_EQ(badAgent.exitCode, 1);
    EXPECT_NE(badAgent.err.find("0x80000001"), std::string::npos) << badAgent.err;
}

TEST(VimboSnmp, badUsageExitsTwoAndSendsNothing)
{
    auto sim = ProbeSimProcess::start();
    ASSERT_TRUE(sim);
    const std::string agent = agentOf(*sim);
    for (const std::string& args : {std::string("get ") + kName,  // no agent: never the built-in default
                                    agent + "get", agent + "walk " + kName, agent + "set " + kName + " 5",
                                    agent + "set " + kName + " int16:40000", agent + "set " + kName + " double:1",
                                    agent + "--timeout -1 get " + kName, agent + "--port 70000 get " + kName,
                                    agent + "--bogus 1 get " + kName}) {
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_NE(run.err.find("Usage"), std::string::npos) << args;
    }
    EXPECT_TRUE(sim->requests().empty());
}

TEST(ManagerCommandLine, badAgentOrPortIsRefusedBeforeAnyWindowWithStatusTwo)
{
    struct Case {
        const char* args;
        const char* says;
    };
    // No display at all: the refusal must come before the window system starts.
    const std::string program = std::string("env -u DISPLAY -u QT_QPA_PLATFORM ") + VIMBO_MANAGER_PATH;
    for (const Case& c : {Case{"--agent localhost", "--agent takes a numeric IPv4 address"},
                          Case{"--agent 127.0.0.999", "--agent takes a numeric IPv4 address"},
                          Case{"--port notaport", "--port takes a number from 1 to 65535"},
                          Case{"--port 0", "--port takes a number from 1 to 65535"},
                          Case{"--port 65536", "--port takes a number from 1 to 65535"},
                          Case{"--colour red", "Unknown option 'colour'"}}) {
        const ToolRun run = runProgram(program, c.args);
        EXPECT_EQ(run.exitCode, 2) << c.args;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.args << ": " << run.err;
    }
    const ToolRun help = runProgram(program, "--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--agent <ADDRESS>", "--port <N>", "--no-notify", "--help"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option << " in " << help.out;
}
