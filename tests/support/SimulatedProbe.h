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

/// Points `client` at `sim`, keeping its other settings.
inline void aim(zemtra::SnmpClient& client, const ProbeSimProcess& sim)
{
    client.setAgent(sim.host());
    client.setPort(sim.port());
}

}  // namespace vimbo::test
