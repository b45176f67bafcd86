#include "SimOptions.h"

#include <gtest/gtest.h>

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

TEST(SimOptions, faultsAreCheckedAndKept)
{
    const auto parsed = parseSimOptions({"--drop-every", "3", "--error-oid", ".1.3.6.1.4.1.32473.2.2.1.1.0=2",
                                         "--wrong-type", "1.3.6.1.4.1.32473.2.2.3.3.0=gauge32:4294967295"});
    ASSERT_TRUE(parsed.options) << parsed.message;
    EXPECT_EQ(parsed.options->dropEvery, 3u);
    EXPECT_EQ(parsed.options->errorOids.begin()->second, 2);
    const WrongTypeAnswer& answer = parsed.options->wrongTypes.begin()->second;
    EXPECT_EQ(answer.syntax, 0x42);
    EXPECT_EQ(std::get<std::int64_t>(answer.value), 4294967295LL);
    for (std::vector<std::string> bad : {
             std::vector<std::string>{"--wrong-type", "1.3.6.1.4.1.32473.2.2.3.3.0=double"},
             {"--wrong-type", "1.3.6.1.2.1.1.1.0=null"},  // outside the probe
             {"--error-oid", "1.3.6.1.4.1.32473.2.2.1.1.0=0"},
             {"--oversize", "1.3.6.1.4.1.32473.2.2.1.1.0=65001"},
             {"--drop-every", "-1"},
             {"--delay-ms"},
             {"--bogus"},
         })
        EXPECT_TRUE(parseSimOptions(bad).isError) << bad[0];
}
