#include "ProbeSimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace vimbo::test {

namespace {

std::string temporaryFile()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vimbo-requests.XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return {};
    close(fd);
    return pattern;
}

// Reads the simulator's next line ("listening on udp:HOST:PORT") within 10 s.
std::string readFirstLine(int fd)
{
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd watch{fd, POLLIN, 0};
        if (poll(&watch, 1, 100) <= 0)
            continue;
        char c = 0;
        const ssize_t n = read(fd, &c, 1);
        if (n <= 0)
            break;
        if (c == '\n')
            return line;
        line += c;
    }
    return {};
}

void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

std::string probeSimPath() { return VIMBO_PROBESIM_PATH; }

zemtra::SnmpClient clientFor(const ProbeSimProcess& sim, std::int16_t timeout10ms, std::int16_t retries)
{
    zemtra::SnmpClient client;
    client.setAgent(sim.host());
    client.setPort(sim.port());
    client.setTimeout(timeout10ms);
    client.setRetries(retries);
    return client;
}

std::unique_ptr<ProbeSimProcess> ProbeSimProcess::start(const std::vector<std::string>& args,
                                                        const std::string& listen, std::string* error)
{
    return launch(args, listen, 1, error);
}

std::unique_ptr<ProbeSimProcess> ProbeSimProcess::startMany(unsigned count, const std::vector<std::string>& args,
                                                            const std::string& host, std::string* error)
{
    std::vector<std::string> all{"--probes", std::to_string(count)};
    all.insert(all.end(), args.begin(), args.end());
    const bool ipv6 = host.find(':') != std::string::npos;
    return launch(all, (ipv6 ? "[" + host + "]" : host) + ":0", count, error);
}

std::unique_ptr<ProbeSimProcess> ProbeSimProcess::launch(std::vector<std::string> args, const std::string& listen,
                                                         unsigned probes, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return nullptr;
    };
    std::unique_ptr<ProbeSimProcess> sim(new ProbeSimProcess);
    sim->m_logPath = temporaryFile();
    if (sim->m_logPath.empty())
        return fail("cannot create the request log");

    std::vector<std::string> argv{probeSimPath(), "--listen", listen, "--log-requests", sim->m_logPath};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return fail("cannot create a pipe");
    const pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        return fail("cannot fork");
    }
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        execv(raw[0], raw.data());
        _exit(127);
    }
    close(out[1]);
    sim->m_pid = pid;
    // One line per probe: "listening on udp:127.0.0.1:PORT" or "listening on udp6:[::1]:PORT"
    for (unsigned i = 0; i < probes; ++i) {
        const std::string line = readFirstLine(out[0]);
        const std::string prefix = "listening on ";
        const auto colon = line.rfind(':');
        const auto transport = line.find(':');
        if (line.rfind(prefix, 0) != 0 || colon == std::string::npos || transport == colon) {
            close(out[0]);
            return fail("the simulator did not start: '" + line + "'");
        }
        std::string host = line.substr(transport + 1, colon - transport - 1);
        if (host.size() > 2 && host.front() == '[')
            host = host.substr(1, host.size() - 2);
        sim->m_host = host;
        sim->m_ports.push_back(static_cast<std::uint16_t>(std::stoi(line.substr(colon + 1))));
    }
    close(out[0]);
    return sim;
}

ProbeSimProcess::~ProbeSimProcess()
{
    stop(m_pid);
    if (!m_logPath.empty())
        unlink(m_logPath.c_str());
}

std::vector<std::string> ProbeSimProcess::requests() const
{
    std::vector<std::string> lines;
    std::ifstream file(m_logPath);
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

void ProbeSimProcess::clearRequests() const { std::ofstream(m_logPath, std::ios::trunc); }

}  // namespace vimbo::test
