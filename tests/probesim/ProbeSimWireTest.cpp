// The simulator's faults and state, seen through the component over loopback.
#include "ProbeSimProcess.h"
#include "SnmpClient.h"

#include <gtest/gtest.h>


#include <chrono>
#include <cstdio>
#include <unistd.h>
#include <fstream>
#include <thread>

using namespace zemtra;
using vimbo::test::clientFor;
using vimbo::test::ProbeSimProcess;

namespace {

const std::string kRoot = ".1.3.6.1.4.1.32473.2.2";

Variant read(SnmpClient& client, const std::string& item, ResultCode expected = kOk)
{
    Variant value;
    EXPECT_EQ(client.get(kRoot + item, value), expected) << item;
    return value;
}

}  // namespace

TEST(ProbeSimFaults, dropEveryNthRequestIsAnsweredByTheRetry)
{
    auto sim = ProbeSimProcess::start({"--drop-every", "2"});
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim, 20, 1);
    for (int i = 0; i < 3; ++i)
        read(client, ".1.1.0");
    EXPECT_EQ(sim->requests().size(), 5u);  // the 2nd and 4th went unanswered

    client.setRetries(0);
    read(client, ".1.1.0", kRequestFailed);  // the 6th is dropped
    EXPECT_EQ(read(client, ".1.1.0"), Variant("VIMBO-SIM"));
}

TEST(ProbeSimState, staticValuesHoldAndFlagsFollowWrittenThresholds)
{
    char path[] = "/tmp/vimbo-static.XXXXXX";
    close(mkstemp(path));
    // Slot 0 alone surveyed, its MER 26 dB: between the warning threshold and one written later.
    std::ofstream(path) << kRoot << ".3.4.0 2600\n"
                        << kRoot << ".4.1.0 0\n"
                        << kRoot << ".5.1.0 0\n"
                        << kRoot << ".6.1.0 0\n";
    auto sim = ProbeSimProcess::start({"--static", path});
    std::remove(path);
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim, 100, 0);

    EXPECT_EQ(read(client, ".3.4.0"), Variant(std::int32_t{2600}));
    EXPECT_EQ(read(client, ".1.4.0"), Variant("0000"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // drift would have stepped
    EXPECT_EQ(read(client, ".3.4.0"), Variant(std::int32_t{2600}));

    ASSERT_EQ(client.set(kRoot + ".2.2", Variant(std::int16_t{27})), kOk);  // MER warning above 26 dB
    EXPECT_EQ(read(client, ".2.2.0"), Variant(std::int32_t{27}));
    EXPECT_EQ(read(client, ".1.4.0"), Variant("0001"));
    ASSERT_EQ(client.set(kRoot + ".3.1", Variant(std::int16_t{0})), kOk);  // slot 0 no longer surveyed
    EXPECT_EQ(read(client, ".1.4.0"), Variant("0000"));
    EXPECT_EQ(read(client, ".3.4.0"), Variant(std::int32_t{0}));
}
