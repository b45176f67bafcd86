#pragma once

#include "SnmpClient.h"

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vimbo::test {

/// A running vimboProbeSim, stopped when this object goes. It listens on a
/// free port of a loopback address and logs every request it receives.
class ProbeSimProcess {
public:
    /// Starts the simulator with `args` on `listen` (HOST:0 picks a free port).
    /// nullptr when it does not come up; `error` then says why.
    static std::unique_ptr<ProbeSimProcess> start(const std::vector<std::string>& args = {},
                                                  const std::string& listen = "127.0.0.1:0",
                                                  std::string* error = nullptr);
    ~ProbeSimProcess();
    ProbeSimProcess(const ProbeSimProcess&) = delete;
    ProbeSimProcess& operator=(const ProbeSimProcess&) = delete;

    const std::string& host() const { return m_host; }
    std::uint16_t port() const { return m_port; }

    /// The request log so far, one line per request received.
    std::vector<std::string> requests() const;
    void clearRequests() const;

private:
    ProbeSimProcess() = default;

    pid_t m_pid = -1;
    std::string m_host;
    std::uint16_t m_port = 0;
    std::string m_logPath;
};

/// A client aimed at `sim` with the given time-out and retries, other settings default.
zemtra::SnmpClient clientFor(const ProbeSimProcess& sim, std::int16_t timeout10ms = 100, std::int16_t retries = 0);

/// The path of the built simulator.
std::string probeSimPath();

}  // namespace vimbo::test
