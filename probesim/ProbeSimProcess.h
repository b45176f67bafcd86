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
    /// Starts one simulator serving `count` probes, each on a free port of
    /// `host`, with `args` (such as --silent-probes 3, --probe-flags 2=0100).
    /// nullptr when it does not come up; `error` then says why.
    static std::unique_ptr<ProbeSimProcess> startMany(unsigned count, const std::vector<std::string>& args = {},
                                                      const std::string& host = "127.0.0.1",
                                                      std::string* error = nullptr);
    ~ProbeSimProcess();
    ProbeSimProcess(const ProbeSimProcess&) = delete;
    ProbeSimProcess& operator=(const ProbeSimProcess&) = delete;

    const std::string& host() const { return m_host; }
    /// The first probe's port.
    std::uint16_t port() const { return m_ports.front(); }
    /// Every probe's port, probe 1 first.
    const std::vector<std::uint16_t>& ports() const { return m_ports; }

    /// The request log so far, one line per request received.
    std::vector<std::string> requests() const;
    void clearRequests() const;

private:
    ProbeSimProcess() = default;
    static std::unique_ptr<ProbeSimProcess> launch(std::vector<std::string> args, const std::string& listen,
                                                   unsigned probes, std::string* error);

    pid_t m_pid = -1;
    std::string m_host;
    std::vector<std::uint16_t> m_ports;
    std::string m_logPath;
};

/// A client aimed at `sim` with the given time-out and retries, other settings default.
zemtra::SnmpClient clientFor(const ProbeSimProcess& sim, std::int16_t timeout10ms = 100, std::int16_t retries = 0);

/// The path of the built simulator.
std::string probeSimPath();

}  // namespace vimbo::test
