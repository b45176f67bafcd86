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
