// The value mapping of get and the addresses and identifiers it takes, without the wire.
#include "AgentAddress.h"
#include "ObjectId.h"
#include "ValueMapping.h"

#include <string_view>

#include <gtest/gtest.h>

using namespace zemtra;

namespace {

wire::Value answer(std::uint8_t syntax, std::int64_t integer = 0, std::vector<std::uint8_t> bytes = {})
{
    wire::Value value;
    value.syntax = syntax;
    value.integer = integer;
    value.bytes = std::move(bytes);
    return value;
}

}  // namespace

TEST(ValueMapping, eachSyntaxMapsAsTheComponentPromises)
{
    wire::Value oid = answer(wire::kObjectId);
    oid.arcs = {1, 3, 6, 1, 4, 1, 32473, 4294967295u};
    wire::Value big = answer(wire::kCounter64);
    big.high = 0xABC;
    big.low = 0x12;
    wire::Value small = answer(wire::kCounter64);
    small.low = 4294967295u;
    std::vector<std::uint8_t> seventeen(17, 'a');
    seventeen[16] = 0x7F;
    const std::string pad12(12 * 3, ' ');
    struct Case {
        const char* name;
        wire::Value in;
        ResultCode result;
        Variant out;
    } cases[] = {
        {"a negative integer", answer(wire::kInteger, -7), kOk, Variant(std::int32_t{-7})},
        {"a counter past 2^31 wraps", answer(wire::kCounter32, 3000000000), kOk, Variant(std::int32_t{-1294967296})},
        {"the largest gauge", answer(wire::kGauge32, 4294967295), kOk, Variant(std::int32_t{-1})},
        {"time ticks", answer(wire::kTimeTicks, 12345), kOk, Variant(std::int32_t{12345})},
        {"printable text keeps its line breaks", answer(wire::kOctetString, 0, {'l', '1', '\r', '\n', 'l', '2'}), kOk, Variant("l1\r\nl2")},
        {"binary bytes as a hex dump", answer(wire::kOctetString, 0, {0x00, 0xFF, 'A', 0x10}), kOk, Variant("00 FF 41 10 " + pad12 + " ..A.")},
        {"a dump of more than 16 bytes breaks its line", answer(wire::kOctetString, 0, seventeen), kOk,
         Variant("61 61 61 61 61 61 61 61 61 61 61 61 61 61 61 61  aaaaaaaaaaaaaaaa\n7F " + std::string(45, ' ') + " .")},
        {"printable Opaque bytes", answer(wire::kOpaque, 0, {'A', 'B'}), kOk, Variant("AB")},
        {"an IP address", answer(wire::kIpAddress, 0, {127, 10, 10, 10}), kOk, Variant("127.10.10.10")},
        {"an OID's largest arc", oid, kOk, Variant("1.3.6.1.4.1.32473.4294967295")},
        {"a small Counter64", small, kOk, Variant("4294967295")},
        {"a large Counter64 in hex", big, kOk, Variant("0xABC00000012")},
        {"null", answer(wire::kNull), kOk, Variant()},
        {"a sequence is not mapped", answer(wire::kSequence), kSequenceNotMapped, Variant("before")},
        {"UInteger32 is not mapped", answer(0x47), kTypeNotMapped, Variant("before")},  // UInteger32
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Variant value("before");
        EXPECT_EQ(mapValue(c.in, value), c.result);
        EXPECT_EQ(value, c.out);
    }
}

TEST(AgentAddress, numericAddressesOnlyWithAnOptionalPort)
{
    const std::pair<const char*, const char*> good[] = {
        {"127.10.10.10", "127.10.10.10"}, {"127.0.0.1:1", "127.0.0.1"}, {"127.0.0.1/161", "127.0.0.1"},
        {"[::1]:161", "::1"},             {"fe80::1/161", "fe80::1"},
    };
    for (const auto& [text, host] : good) {
        const auto address = parseAgentAddress(text);
        ASSERT_TRUE(address) << text;
        EXPECT_EQ(address->host, host);
    }
    for (const char* bad : {"", "localhost", "127.0.0.256", "127.0.0.1:", "127.0.0.1:65536", "[::1", "1.2.3"})
        EXPECT_FALSE(parseAgentAddress(bad)) << bad;
    // What follows a NUL would be cut off on the way to the socket layer.
    using namespace std::string_view_literals;
    for (const std::string_view bad : {"127.0.0.1\0evil"sv, "::1\0"sv, "[::1]\0:161"sv})
        EXPECT_FALSE(parseAgentAddress(bad)) << bad.size();
}

TEST(ObjectId, dottedDecimalOfTwoTo128Arcs)
{
    EXPECT_EQ(parseObjectId(".1.3.6.1.4.1.32473.2.2.1.1.0"), (ObjectId{1, 3, 6, 1, 4, 1, 32473, 2, 2, 1, 1, 0}));
    for (const char* bad : {"", "1", "1..3", "1.3.", "1.3.4294967296", "iso.3"})
        EXPECT_FALSE(parseObjectId(bad)) << bad;
    std::string longest = "1";
    for (int i = 1; i < 128; ++i)
        longest += ".1";
    EXPECT_TRUE(parseObjectId(longest));
    EXPECT_FALSE(parseObjectId(longest + ".1"));
}
