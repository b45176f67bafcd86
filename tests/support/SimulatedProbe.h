#pragma once

#include "ProbeSimProcess.h"

#include <gtest/gtest.h>

namespace vimbo::test {

/// The probe's objects sit below this identifier.
inline const std::string kProbeRoot = ".1.3.6.1.4.1.32473.2.2";

/// The simulator started with `args` on `listen`; a test failure saying why when it does not come up.
inline std::unique_ptr<ProbeSimProcess> startSim(const std::vector<std::string>& args = {},
                                                 const std::string& listen = "127.0.0.1:0")
{
    std::string error;
    auto sim = ProbeSimProcess::start(args, listen, &error);
    EXPECT_TRUE(sim) << listen << ": " << error;
    return sim;
}

/// One simulator serving `count` probes on free ports of `host`, each named
/// after its port. Twelve probes, the 12th silent and the 2nd with slot 1 in
/// alarm (flag bit 8): startProbes(12, {"--silent-probes", "12", "--probe-flags", "2=0100"}).
/// Their ports are sim->ports(), probe 1 first.
inline std::unique_ptr<ProbeSimProcess> startProbes(unsigned count, const std::vector<std::string>& args = {},
                                                    const std::string& host = "127.0.0.1")
{
    std::string error;
    auto sim = ProbeSimProcess::startMany(count, args, host, &error);
    EXPECT_TRUE(sim) << count << " probes on " << host << ": " << error;
    return sim;
}

/// Points `client` at `sim`, keeping its other settings.
inline void aim(zemtra::SnmpClient& client, const ProbeSimProcess& sim)
{
    client.setAgent(sim.host());
    client.setPort(sim.port());
}

}  // namespace vimbo::test
