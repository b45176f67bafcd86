#include "SimOptions.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace vimbo::sim;

TEST(SimOptions, listensOnLoopbackOnlyUnlessForced)
{
    const auto defaults = parseSimOptions({});
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(defaults.options->listenHost, "127.0.0.1");
    EXPECT_EQ(defaults.options->listenPort, 16161);
    const auto v6 = parseSimOptions({"--listen", "[::1]:0"});
    ASSERT_TRUE(v6.options);
    EXPECT_TRUE(v6.options->listenIpv6);
    EXPECT_TRUE(parseSimOptions({"--listen", "127.200.0.9:1161"}).options);
    for (const char* outside : {"192.168.101.248:161", "10.0.0.1", "0.0.0.0:161", "[::]:161", "[fe80::1]:161",
                                "localhost:161", "127.0.0.1:70000"})
        EXPECT_TRUE(parseSimOptions({"--listen", outside}).isError) << outside;
    EXPECT_TRUE(parseSimOptions({"--listen", "10.0.0.1:161", "--force-non-loopback"}).options);
}

TEST(SimOptions, eachFaultOptionIsReadAndABadValueIsRefusedWithItsReason)
{
    const auto faults = parseSimOptions({"--silent", "--error-oid", ".1.3.6.1.4.1.32473.2.2.1.1.0=5", "--oversize",
                                         ".1.3.6.1.4.1.32473.2.2.3.3.0=100", "--duplicate-replies"});
    ASSERT_TRUE(faults.options);
    EXPECT_TRUE(faults.options->silent && faults.options->duplicateReplies);
    EXPECT_EQ(faults.options->errorOids.at({1, 3, 6, 1, 4, 1, 32473, 2, 2, 1, 1, 0}), 5);
    EXPECT_EQ(faults.options->oversize.at({1, 3, 6, 1, 4, 1, 32473, 2, 2, 3, 3, 0}), 100u);
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--drop-every"}, {"--delay-ms", "soon"},
                                                {"--oversize", ".1.3=70000"}, {"--error-oid", "not.an.oid"},
                                                {"--wrong-type", ".1.3=colour"}, {"--bogus"}}) {
        const auto refused = parseSimOptions(bad);
        EXPECT_TRUE(refused.isError && !refused.options) << bad[0];
        EXPECT_FALSE(refused.message.empty()) << bad[0];
    }
}

TEST(SimOptions, manyProbesTakeConsecutivePortsAndPerProbeOptionsNameThemByNumber)
{
    const auto range = parseSimOptions({"--ports", "16101-16200", "--silent-probes", "3,90-92", "--probe-flags",
                                        "2=0100", "--probe-flags", "100=2000"});
    ASSERT_TRUE(range.options) << range.message;
    EXPECT_EQ(range.options->listenPort, 16101);
    EXPECT_EQ(range.options->probes, 100u);
    EXPECT_EQ(range.options->silentProbes, (std::set<unsigned>{3, 90, 91, 92}));
    EXPECT_EQ(range.options->probeFlags, (std::map<unsigned, std::string>{{2, "0100"}, {100, "2000"}}));

    const auto count = parseSimOptions({"--listen", "127.0.0.1:0", "--probes", "12", "--silent-probes", "12"});
    ASSERT_TRUE(count.options) << count.message;
    EXPECT_EQ(count.options->listenPort, 0);
    EXPECT_EQ(count.options->probes, 12u);

    EXPECT_EQ(probeName("VIMBO-SIM", 1, 16161), "VIMBO-SIM");
    EXPECT_EQ(probeName("VIMBO-SIM", 2, 16101), "VIMBO-SIM-16101");

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--probes", "0"},
             {"--probes", "501"},
             {"--ports", "16200-16101"},
             {"--ports", "0-10"},
             {"--ports", "16101"},
             {"--ports", "16101-16700"},
             {"--probes", "5", "--ports", "16101-16110"},
             {"--listen", "127.0.0.1:65530", "--probes", "10"},
             {"--probes", "4", "--silent-probes", "5"},
             {"--probes", "4", "--silent-probes", "0"},
             {"--probes", "4", "--silent-probes", "3-2"},
             {"--probes", "4", "--silent-probes", "1,,2"},
             {"--silent-probes", "2"},
             {"--probes", "4", "--probe-flags", "5=0100"},
             {"--probes", "4", "--probe-flags", "2=red"},
             {"--probes", "4", "--probe-flags", "2"},
         }) {
        const auto refused = parseSimOptions(bad);
        EXPECT_TRUE(refused.isError && !refused.options) << bad[0] << " " << bad[1] << " " << bad.back();
    }
}
