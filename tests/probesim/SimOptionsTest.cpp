#include "SimOptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <fstream>

using namespace vimbo::sim;

namespace {

ParsedOptions parse(std::vector<std::string> args) { return parseSimOptions(args); }

std::string writeTemporary(const std::string& text)
{
    char path[] = "/tmp/vimbo-static.XXXXXX";
    const int fd = mkstemp(path);
    close(fd);
    std::ofstream(path) << text;
    return path;
}

}  // namespace

TEST(SimOptionsListen, loopbackOnlyUnlessForced)
{
    const auto defaults = parse({});
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(defaults.options->listenHost, "127.0.0.1");
    EXPECT_EQ(defaults.options->listenPort, 16161);

    const auto v6 = parse({"--listen", "[::1]:0"});
    ASSERT_TRUE(v6.options);
    EXPECT_TRUE(v6.options->listenIpv6);
    EXPECT_EQ(v6.options->listenPort, 0);

    EXPECT_TRUE(parse({"--listen", "127.200.0.9:1161"}).options);
    for (const char* outside : {"192.168.101.248:161", "10.0.0.1", "0.0.0.0:161", "[::]:161", "[fe80::1]:161"})
        EXPECT_TRUE(parse({"--listen", outside}).isError) << outside;
    EXPECT_TRUE(parse({"--listen", "10.0.0.1:161", "--force-non-loopback"}).options);
    for (const char* bad : {"localhost:161", "127.0.0.1:70000", "[::1", "127.0.0.1:"})
        EXPECT_TRUE(parse({"--listen", bad}).isError) << bad;
}

TEST(SimOptionsFaults, faultSpecificationsAreCheckedAndKept)
{
    const auto parsed = parse({"--drop-every", "3", "--delay-ms", "250", "--silent", "--error-oid",
                               ".1.3.6.1.4.1.32473.2.2.1.1.0=2", "--wrong-type",
                               "1.3.6.1.4.1.32473.2.2.3.3.0=gauge32:4294967295"});
    ASSERT_TRUE(parsed.options) << parsed.message;
    const SimOptions& options = *parsed.options;
    EXPECT_EQ(options.dropEvery, 3u);
    EXPECT_EQ(options.delayMs, 250u);
    EXPECT_TRUE(options.silent);
    EXPECT_EQ(options.errorOids.begin()->second, 2);
    const WrongTypeAnswer& answer = options.wrongTypes.begin()->second;
    EXPECT_EQ(answer.syntax, 0x42);
    EXPECT_EQ(std::get<std::int64_t>(answer.value), 4294967295LL);

    for (std::vector<std::string> bad : {
             std::vector<std::string>{"--wrong-type", "1.3.6.1.4.1.32473.2.2.3.3.0=double"},
             {"--wrong-type", "1.3.6.1.4.1.32473.2.2.3.3.0=octets:0"},
             {"--wrong-type", "1.3.6.1.2.1.1.1.0=null"},
             {"--error-oid", "1.3.6.1.4.1.32473.2.2.1.1.0=0"},
             {"--drop-every", "-1"},
             {"--oversize", "1.3.6.1.4.1.32473.2.2.1.1.0=65001"},
             {"--oversize", "1.3.6.1.4.1.32473.2.2.1.1.0"},
             {"--long-name", "1.3.6.1.2.1.1.1.0"},
             {"--delay-ms"},
             {"--bogus"},
         })
        EXPECT_TRUE(parse(bad).isError) << bad[0];
    EXPECT_FALSE(parse({"--help"}).options);
    EXPECT_FALSE(parse({"--help"}).isError);
}
