// Many probes in one simulator, through the wire.
#include "SimulatedProbe.h"

#include <chrono>

using namespace vimbo;

namespace {

const std::string kName = test::kProbeRoot + ".1.1.0";
const std::string kFlags = test::kProbeRoot + ".1.4.0";
const std::string kMerAlarm = test::kProbeRoot + ".2.1";

std::string textAt(zemtra::SnmpClient& client, const std::string& oid)
{
    zemtra::Variant value;
    EXPECT_EQ(client.get(oid, value), zemtra::kOk) << client.Port() << " " << oid << ": " << client.lastFailureReason();
    return value.toText().value_or("(no text)");
}

}  // namespace

TEST(ProbeFarm, eachPortAnswersAsItsOwnProbeAndASilentOneTimesOut)
{
    auto sim = test::startProbes(3, {"--silent-probes", "3", "--probe-flags", "2=0100"});
    ASSERT_TRUE(sim);
    ASSERT_EQ(sim->ports().size(), 3u);
    zemtra::SnmpClient first = test::clientFor(*sim, 100, 0);
    zemtra::SnmpClient second = test::clientFor(*sim, 100, 0);
    second.setPort(sim->ports()[1]);

    EXPECT_EQ(textAt(first, kName), "VIMBO-SIM-" + std::to_string(sim->ports()[0]));
    EXPECT_EQ(textAt(second, kName), "VIMBO-SIM-" + std::to_string(sim->ports()[1]));
    EXPECT_EQ(textAt(second, kFlags), "0100");
    EXPECT_NE(textAt(first, kFlags), "0100");

    // A write reaches the one probe it was sent to.
    ASSERT_EQ(first.set(kMerAlarm, zemtra::Variant(std::int32_t{17})), zemtra::kOk) << first.lastFailureReason();
    EXPECT_EQ(textAt(first, kMerAlarm + ".0"), "17");
    EXPECT_EQ(textAt(second, kMerAlarm + ".0"), "20");

    zemtra::SnmpClient silent = test::clientFor(*sim, 20, 1);
    silent.setPort(sim->ports()[2]);
    zemtra::Variant value;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(silent.get(kName, value), zemtra::kRequestFailed);
    EXPECT_TRUE(silent.lastCallTimedOut()) << silent.lastFailureReason();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(390));
}
