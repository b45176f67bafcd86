#include "AgentAddress.h"
#include "ObjectId.h"
#include "PrintableText.h"
#include "Utf16.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zemtra;

namespace {
std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }
}  // namespace

TEST(OctetStringText, printableBytesCarriageReturnAndLineFeedStayText)
{
    EXPECT_EQ(octetStringText(bytesOf("VIMBO-SIM")), "VIMBO-SIM");
    EXPECT_EQ(octetStringText(bytesOf("line 1\r\nline 2")), "line 1\r\nline 2");
    EXPECT_EQ(octetStringText({}), "");
}

TEST(OctetStringText, anyOtherByteGivesAHexDumpOf16BytesALine)
{
    const std::vector<std::uint8_t> bytes{0x00, 0xFF, 'A', 0x10};
    EXPECT_EQ(octetStringText(bytes), "00 FF 41 10 " + std::string(12 * 3, ' ') + " ..A.");

    std::vector<std::uint8_t> seventeen(17, 'a');
    seventeen[16] = 0x7F;
    const std::string dump = octetStringText(seventeen);
    const auto newline = dump.find('\n');
    ASSERT_NE(newline, std::string::npos);
    EXPECT_EQ(dump.substr(0, newline), "61 61 61 61 61 61 61 61 61 61 61 61 61 61 61 61  aaaaaaaaaaaaaaaa");
    EXPECT_EQ(dump.substr(newline + 1), "7F " + std::string(15 * 3, ' ') + " .");
}

TEST(PrintableText, objectIdIpAddressAndCounter64)
{
    const std::vector<std::uint32_t> arcs{1, 3, 6, 1, 4, 1, 32473, 4294967295u};
    EXPECT_EQ(objectIdText(arcs), "1.3.6.1.4.1.32473.4294967295");
    EXPECT_EQ(ipAddressText(std::vector<std::uint8_t>{127, 10, 10, 10}), "127.10.10.10");
    EXPECT_EQ(counter64Text(0, 4294967295u), "4294967295");
    EXPECT_EQ(counter64Text(1, 0), "0x100000000");
    EXPECT_EQ(counter64Text(0xABC, 0x12), "0xABC00000012");
}

struct AddressCase {
    const char* text;
    bool valid;
    bool ipv6;
    const char* host;
};

class AgentAddressParse : public testing::TestWithParam<AddressCase> {};

TEST_P(AgentAddressParse, acceptsNumericAddressesOnly)
{
    const AddressCase& c = GetParam();
    const auto address = parseAgentAddress(c.text);
    ASSERT_EQ(address.has_value(), c.valid) << c.text;
    if (c.valid) {
        EXPECT_EQ(address->ipv6, c.ipv6);
        EXPECT_EQ(address->host, c.host);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AgentAddressParse,
    testing::Values(AddressCase{"127.10.10.10", true, false, "127.10.10.10"},
                    AddressCase{"127.0.0.1:1", true, false, "127.0.0.1"},
                    AddressCase{"127.0.0.1/161", true, false, "127.0.0.1"},
                    AddressCase{"::1", true, true, "::1"}, AddressCase{"[::1]", true, true, "::1"},
                    AddressCase{"[::1]:161", true, true, "::1"}, AddressCase{"[::1]/161", true, true, "::1"},
                    AddressCase{"fe80::1/161", true, true, "fe80::1"}, AddressCase{"", false, false, ""},
                    AddressCase{"localhost", false, false, ""}, AddressCase{"probe.example", false, false, ""},
                    AddressCase{"127.0.0.256", false, false, ""}, AddressCase{"127.0.0.1:", false, false, ""},
                    AddressCase{"127.0.0.1:65536", false, false, ""}, AddressCase{"127.0.0.1:x", false, false, ""},
                    AddressCase{" 127.0.0.1", false, false, ""}, AddressCase{"[::1", false, false, ""},
                    AddressCase{"[127.0.0.1]", false, false, ""}, AddressCase{"1.2.3", false, false, ""}));

TEST(AgentAddressPeer, namesTheTransportAndPort)
{
    EXPECT_EQ(peerName({false, "127.0.0.1"}, 161), "udp:127.0.0.1:161");
    EXPECT_EQ(peerName({true, "::1"}, 65535), "udp6:[::1]:65535");
}

TEST(ObjectIdParse, dottedDecimalWithOrWithoutLeadingDot)
{
    EXPECT_EQ(parseObjectId(".1.3.6.1.4.1.32473.2.2.1.1.0"),
              (ObjectId{1, 3, 6, 1, 4, 1, 32473, 2, 2, 1, 1, 0}));
    EXPECT_EQ(parseObjectId("1.3.4294967295"), (ObjectId{1, 3, 4294967295u}));
    for (const char* bad : {"", ".", "1", "1..3", "1.3.", "..1.3", "1.3.a", "1.3.4294967296", "iso.3", " 1.3"})
        EXPECT_FALSE(parseObjectId(bad).has_value()) << bad;
    std::string longest = "1";
    for (int i = 1; i < 128; ++i)
        longest += ".1";
    EXPECT_TRUE(parseObjectId(longest).has_value());
    EXPECT_FALSE(parseObjectId(longest + ".1").has_value());
}

TEST(Utf16Conversion, roundTripsAndReplacesMalformedInput)
{
    const std::string text = "Ca\xC3\xB1\xC3\xB3n \xF0\x9F\x93\xA1";  // "Cañón" and a satellite dish
    const std::u16string wide = utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 8u);  // the dish is a surrogate pair
    EXPECT_EQ(utf16ToUtf8(wide), text);
    EXPECT_EQ(utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}
