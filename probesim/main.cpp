#include "ProbeAgent.h"
#include "SimOptions.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void requestStop(int) { g_stop = 1; }

// The library reads its configuration and keeps state in folders named by
// the environment: point them at a private folder that goes away with us.
class PrivateFolder {
public:
    PrivateFolder()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vimboProbeSim.XXXXXX";
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~PrivateFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace

int main(int argc, char** argv)
{
    using namespace vimbo::sim;
    const ParsedOptions parsed = parseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        (parsed.isError ? std::cerr : std::cout) << parsed.message << (parsed.isError ? "\n" + simUsage() : "");
        return parsed.isError ? 2 : 0;
    }
    const SimOptions& options = *parsed.options;

    ProbeState state = defaultProbeState();
    if (options.staticFile) {
        if (const auto error = loadStaticState(*options.staticFile, state)) {
            std::cerr << "vimboProbeSim: " << *error << "\n";
            return 2;
        }
    }

    PrivateFolder folder;
    if (folder.path().empty()) {
        std::cerr << "vimboProbeSim: cannot create a private folder\n";
        return 1;
    }
    setenv("SNMPCONFPATH", folder.path().c_str(), 1);
    setenv("SNMP_PERSISTENT_DIR", folder.path().c_str(), 1);
    setenv("MIBDIRS", folder.path().c_str(), 1);
    setenv("MIBS", "", 1);

    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    ProbeAgent agent(options, state, !options.staticFile);
    if (const auto error = agent.start()) {
        std::cerr << "vimboProbeSim: " << *error << "\n";
        return 1;
    }
    for (const std::string& address : agent.boundAddresses())
        std::cout << "listening on " << address << "\n";
    std::cout << std::flush;
    agent.run(g_stop);
    return 0;
}
