#include "SettingsStream.h"
#include "SnmpClient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zemtra;

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& out, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putString(Bytes& out, const std::string& ascii)
{
    put(out, 8, 2);
    put(out, static_cast<std::uint32_t>(ascii.size() * 2 + 2), 4);
    for (char c : ascii)
        put(out, static_cast<unsigned char>(c), 2);
    put(out, 0, 2);
}

// The main window's stored control: 92 bytes.
Bytes mainWindowStream()
{
    Bytes out;
    put(out, 0x300, 4);
    put(out, 5098, 4);
    put(out, 653, 4);
    putString(out, "127.10.10.10");
    putString(out, "tavelo");
    putString(out, "kiminar");
    put(out, 161, 2);
    put(out, 1, 2);
    put(out, 100, 2);
    return out;
}

SnmpClient changedClient()
{
    SnmpClient client;
    client.setAgent("untouched");
    client.setCommunityR("untouched-r");
    client.setCommunityW("untouched-w");
    client.setPort(7);
    client.setRetries(7);
    client.setTimeout(7);
    client.setExtent({7, 7});
    return client;
}

}  // namespace

TEST(SettingsStreamSave, newObjectWritesTheDefaults)
{
    Bytes expected;
    put(expected, 0x300, 4);
    put(expected, 5080, 4);
    put(expected, 5080, 4);
    putString(expected, "192.168.101.248");
    putString(expected, "tavelo");
    putString(expected, "kiminar");
    for (std::uint8_t b : {0xA1, 0x00, 0x01, 0x00, 0x64, 0x00})
        expected.push_back(b);
    EXPECT_EQ(saveSettings(SnmpClient()), expected);
}

TEST(SettingsStreamLoad, mainWindowStreamGivesItsSettingsAndSavesBackIdenticallyANewerVersionNothing)
{
    const Bytes stream = mainWindowStream();
    ASSERT_EQ(stream.size(), 92u);
    SnmpClient client = changedClient();
    ASSERT_EQ(loadSettings(client, stream), kOk);
    EXPECT_EQ(std::tuple(client.Agent(), client.CommunityR(), client.CommunityW(), client.Port(), client.Retries(),
                         client.Timeout(), client.extent().cx, client.extent().cy),
              std::tuple("127.10.10.10", "tavelo", "kiminar", 161, 1, 100, 5098u, 653u));
    EXPECT_EQ(saveSettings(client), stream);

    Bytes newer = stream;
    newer[0] = 0x01;  // 0x0301: refused, nothing applied
    client = changedClient();
    EXPECT_EQ(loadSettings(client, newer), kFail);
    EXPECT_EQ(client.Agent(), "untouched");
    EXPECT_EQ(client.extent(), (Extent{7, 7}));
}

TEST(SettingsStreamLoad, streamEndingEarlyKeepsTheEntriesReadBefore)
{
    const Bytes full = mainWindowStream();
    // Cut inside the read community: the extent and the agent are applied.
    const std::size_t insideCommunityR = 12 + 32 + 10;
    SnmpClient client = changedClient();
    EXPECT_EQ(loadSettings(client, std::span(full).first(insideCommunityR)), kStreamReadFault);
    EXPECT_EQ(std::tuple(client.extent(), client.Agent(), client.CommunityR(), client.Port()),
              std::tuple(Extent{5098, 653}, "127.10.10.10", "untouched-r", 7));

    // Every shorter length fails without crashing.
    for (std::size_t length = 0; length < full.size(); ++length) {
        SnmpClient scratch;
        EXPECT_NE(loadSettings(scratch, std::span(full).first(length)), kOk) << length;
    }
}

TEST(SettingsStreamRoundTrip, nonAsciiTextAndNegativeNumbersSurvive)
{
    SnmpClient client;
    client.setCommunityR("Ca\xC3\xB1\xC3\xB3n");
    client.setPort(40000);
    client.setRetries(-2);
    client.setExtent({0xFFFFFFFF, 0});
    SnmpClient copy = changedClient();
    ASSERT_EQ(loadSettings(copy, saveSettings(client)), kOk);
    EXPECT_EQ(std::tuple(copy.CommunityR(), copy.Port(), copy.Retries(), copy.extent()),
              std::tuple("Ca\xC3\xB1\xC3\xB3n", 40000, -2, Extent{0xFFFFFFFF, 0}));
}
