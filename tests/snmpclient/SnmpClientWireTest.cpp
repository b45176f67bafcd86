// SnmpClient against the probe simulator over loopback.
#include "SimulatedProbe.h"
#include "SnmpClient.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace zemtra;
using vimbo::test::clientFor;
using vimbo::test::startSim;

namespace {

const std::string& kRoot = vimbo::test::kProbeRoot;
const std::string kName = kRoot + ".1.1.0";
const std::string kMerAlarmObject = kRoot + ".2.1";


}  // namespace

TEST(SnmpClientGet, valuesOfEveryKindCrossTheWire)
{
    struct Case {
        const char* item;      // below the probe's root
        const char* wireType;  // nullptr: the probe's own value
        Variant expected;
        ResultCode result;
    };
    const Case cases[] = {
        {".3.1.0", nullptr, Variant(std::int32_t{1}), kOk},
        {".1.1.0", nullptr, Variant("VIMBO-SIM"), kOk},
        {".8.4.0", "counter32:3000000000", Variant(std::int32_t{-1294967296}), kOk},
        {".8.7.0", "oid:1.3.6.1.4.1.32473.2", Variant("1.3.6.1.4.1.32473.2"), kOk},
        {".7.1.0", "ipaddress:127.10.10.10", Variant("127.10.10.10"), kOk},
        // A float inside an Opaque comes back as the Opaque's bytes: 9F 78, length 4, 2.5f.
        {".7.4.0", "opaque-float:2.5", Variant("9F 78 04 40 20 00 00 " + std::string(27, ' ') + " .x.@ .."), kOk},
        {".7.6.0", "uinteger32:5", Variant(), kTypeNotMapped},
    };
    std::vector<std::string> args;
    for (const Case& c : cases)
        if (c.wireType)
            args.insert(args.end(), {"--wrong-type", kRoot + c.item + "=" + c.wireType});
    auto sim = startSim(args);
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    for (const Case& c : cases) {
        Variant value(std::string("previous"));
        EXPECT_EQ(client.get(kRoot + c.item, value), c.result) << c.item;
        EXPECT_EQ(value, c.expected) << c.item;
    }
}

TEST(SnmpClientGet, failedRequestsEmptyTheValue)
{
    auto sim = startSim({"--error-oid", kName + "=5"});
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    // An error status, a group the probe lacks, the object instead of its instance.
    for (const std::string& oid : {kName, kRoot + ".9.1.0", kRoot + ".2.1"}) {
        Variant value(std::int32_t{3});
        EXPECT_EQ(client.get(oid, value), kRequestFailed) << oid;
        EXPECT_TRUE(value.isEmpty()) << oid;
    }
}

TEST(SnmpClientGet, silentAgentCostsExactlyRetriesPlusOneTimeOutsWithoutBackOff)
{
    auto sim = startSim({"--silent"});
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim, 20, 2);  // 200 ms, sent three times: 600 ms
    Variant value("previous");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.get(kName, value), kRequestFailed);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(value.isEmpty());
    EXPECT_GE(seconds, 0.59);
    EXPECT_LT(seconds, 0.8);  // a doubling back-off would take 1.4 s
    EXPECT_EQ(sim->requests().size(), 3u);
}

TEST(SnmpClient, unusableSettingsOrIdentifiersFailWithoutSending)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    struct Case {
        const char* agent;
        std::int16_t timeout, retries;
        const char* oid;
        ResultCode result;
        bool keepsValue;
    };
    const std::string name = kName;
    for (const Case& c : {Case{"localhost", 100, 1, name.c_str(), kBadAgentAddress, true},
                          Case{"", 100, 1, name.c_str(), kBadAgentAddress, true},
                          Case{nullptr, -1, 1, name.c_str(), kRequestFailed, false},
                          Case{nullptr, 100, -1, name.c_str(), kRequestFailed, false},
                          Case{nullptr, 100, 1, "iso.3.6", kRequestFailed, false},
                          Case{nullptr, 100, 1, "", kRequestFailed, false}}) {
        SnmpClient client = clientFor(*sim, c.timeout, c.retries);
        if (c.agent)
            client.setAgent(c.agent);
        Variant value(std::int16_t{4});
        EXPECT_EQ(client.get(c.oid, value), c.result) << c.agent << c.timeout << c.retries << c.oid;
        EXPECT_EQ(value == Variant(std::int16_t{4}), c.keepsValue);
        EXPECT_EQ(client.set(c.oid, Variant(std::int16_t{20})), c.result);
    }
    EXPECT_TRUE(sim->requests().empty());
}

TEST(SnmpClientSet, integersGoAsIntegerTextAsOctetStringAndNothingElseGoes)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    for (const Variant& value : {Variant(), Variant::null(), Variant(2.0), Variant(2.0f), Variant(true),
                                 Variant(std::uint8_t{2}), Variant(ErrorCode{2})})
        EXPECT_EQ(client.set(kMerAlarmObject, value), kTypeNotMapped);
    EXPECT_EQ(client.set(kMerAlarmObject, Variant(std::int16_t{-5})), kOk);
    EXPECT_EQ(client.set(kRoot + ".3.2", Variant(std::int32_t{578000000})), kOk);
    // Text to an integer object reaches the probe, which refuses it; so do
    // read-only objects, instances, and the read community.
    EXPECT_EQ(client.set(kMerAlarmObject, Variant("abc")), kRequestFailed);
    EXPECT_EQ(client.set(kRoot + ".1.1", Variant("new name")), kRequestFailed);
    EXPECT_EQ(client.set(kMerAlarmObject + ".0", Variant(std::int16_t{1})), kRequestFailed);
    client.setCommunityW("tavelo");
    EXPECT_EQ(client.set(kMerAlarmObject, Variant(std::int16_t{1})), kRequestFailed);

    const auto lines = sim->requests();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "SET kiminar " + kMerAlarmObject + " INTEGER -5");
    EXPECT_EQ(lines[1], "SET kiminar " + kRoot + ".3.2 INTEGER 578000000");
    EXPECT_EQ(lines[2], "SET kiminar " + kMerAlarmObject + " STRING abc");
}

TEST(SnmpClientAddressing, eachCallUsesTheSettingsOfThatMoment)
{
    auto first = startSim({}, "127.0.0.1:0");
    auto second = startSim({}, "127.0.0.2:0");
    ASSERT_TRUE(first && second);
    SnmpClient client = clientFor(*first);
    Variant value;
    ASSERT_EQ(client.get(kName, value), kOk);
    client.setAgent("127.0.0.2:1");  // the Port property wins over a port in the address
    client.setPort(second->port());
    client.setCommunityR("");
    EXPECT_EQ(client.get(kName, value), kRequestFailed);  // the probe ignores unknown communities
    client.setCommunityR("kiminar");
    ASSERT_EQ(client.get(kName, value), kOk);
    EXPECT_EQ(first->requests(), std::vector<std::string>{"GET tavelo " + kName + " NULL"});
    EXPECT_EQ(second->requests(), (std::vector<std::string>{"GET  " + kName + " NULL", "GET kiminar " + kName + " NULL"}));
}

TEST(SnmpClientAddressing, ipv6AndPortsAboveTheSigned16BitRange)
{
    for (const char* listen : {"[::1]:0", "127.0.0.1:65535"}) {
        auto sim = startSim({}, listen);
        if (!sim)
            continue;
        SnmpClient client = clientFor(*sim);
        Variant value;
        EXPECT_EQ(client.get(kName, value), kOk) << listen;
        EXPECT_EQ(value, Variant("VIMBO-SIM"));
    }
}
