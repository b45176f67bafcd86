// SnmpClient against the probe simulator over loopback.
#include "ProbeSimProcess.h"
#include "SnmpClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace zemtra;
using vimbo::test::clientFor;
using vimbo::test::ProbeSimProcess;

namespace {

const std::string kRoot = ".1.3.6.1.4.1.32473.2.2";
const std::string kName = kRoot + ".1.1.0";
const std::string kMerAlarmObject = kRoot + ".2.1";

std::unique_ptr<ProbeSimProcess> startSim(const std::vector<std::string>& args = {},
                                          const std::string& listen = "127.0.0.1:0")
{
    std::string error;
    auto sim = ProbeSimProcess::start(args, listen, &error);
    EXPECT_TRUE(sim) << error;
    return sim;
}

double secondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(SnmpClientSettings, freshObjectHoldsTheDefaults)
{
    const SnmpClient client;
    EXPECT_EQ(client.Agent(), "192.168.101.248");
    EXPECT_EQ(client.CommunityR(), "tavelo");
    EXPECT_EQ(client.CommunityW(), "kiminar");
    EXPECT_EQ(client.Port(), 161);
    EXPECT_EQ(client.Retries(), 1);
    EXPECT_EQ(client.Timeout(), 100);
}

// ---- value mapping of get ------------------------------------------------

struct MappingCase {
    const char* name;
    const char* item;      // below the probe's root
    const char* wireType;  // nullptr: the probe's own value
    Variant expected;
    ResultCode result;
};

class SnmpClientGetMapping : public testing::TestWithParam<MappingCase> {
public:
    static void SetUpTestSuite()
    {
        std::vector<std::string> args;
        for (const MappingCase& c : cases())
            if (c.wireType)
                args.insert(args.end(), {"--wrong-type", kRoot + c.item + "=" + c.wireType});
        s_sim = ProbeSimProcess::start(args).release();
    }
    static void TearDownTestSuite()
    {
        delete s_sim;
        s_sim = nullptr;
    }
    static std::vector<MappingCase> cases();

protected:
    static ProbeSimProcess* s_sim;
};

ProbeSimProcess* SnmpClientGetMapping::s_sim = nullptr;

std::vector<MappingCase> SnmpClientGetMapping::cases()
{
    return {
        {"Integer", ".3.1.0", nullptr, Variant(std::int32_t{1}), kOk},
        {"NegativeInteger", ".8.1.0", "integer:-7", Variant(std::int32_t{-7}), kOk},
        {"OctetString", ".1.1.0", nullptr, Variant("VIMBO-SIM"), kOk},
        {"TextWithCrLf", ".8.2.0", "string:a\r\nb", Variant("a\r\nb"), kOk},
        {"NonPrintableOctets", ".8.3.0", "octets:00FF41",
         Variant("00 FF 41 " + std::string(13 * 3, ' ') + " ..A"), kOk},
        {"Counter32AboveInt32", ".8.4.0", "counter32:3000000000", Variant(std::int32_t{-1294967296}), kOk},
        {"Gauge32Max", ".8.5.0", "gauge32:4294967295", Variant(std::int32_t{-1}), kOk},
        {"TimeTicksHundredths", ".8.6.0", "timeticks:12345", Variant(std::int32_t{12345}), kOk},
        {"ObjectIdentifier", ".8.7.0", "oid:1.3.6.1.4.1.32473.2", Variant("1.3.6.1.4.1.32473.2"), kOk},
        {"IpAddress", ".7.1.0", "ipaddress:127.10.10.10", Variant("127.10.10.10"), kOk},
        {"BitString", ".7.2.0", "bits:4142", Variant("AB"), kOk},
        {"OpaqueBytes", ".7.3.0", "opaque:414243", Variant("ABC"), kOk},
        // A float inside an Opaque comes back as the Opaque's bytes: 9F 78, length 4, 2.5f.
        {"OpaqueFloat", ".7.4.0", "opaque-float:2.5",
         Variant("9F 78 04 40 20 00 00 " + std::string(9 * 3, ' ') + " .x.@ .."), kOk},
        {"UnmappedSyntax", ".7.6.0", "uinteger32:5", Variant(), kTypeNotMapped},
    };
}

TEST_P(SnmpClientGetMapping, mapsTheValueIntoTheVariant)
{
    ASSERT_NE(s_sim, nullptr);
    const MappingCase& c = GetParam();
    SnmpClient client = clientFor(*s_sim);
    Variant value(std::string("previous"));
    EXPECT_EQ(client.get(kRoot + c.item, value), c.result);
    EXPECT_EQ(value, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Wire, SnmpClientGetMapping, testing::ValuesIn(SnmpClientGetMapping::cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// An agent library never answers a GET with a NULL value, but the protocol
// allows it: this peer returns each request with its NULL values as the
// response, by turning the GetRequest tag into GetResponse.
class NullAnsweringPeer {
public:
    NullAnsweringPeer()
    {
        m_socket = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { answerOne(); });
    }
    ~NullAnsweringPeer()
    {
        m_thread.join();
        close(m_socket);
    }
    std::uint16_t port() const { return m_port; }

private:
    void answerOne()
    {
        pollfd watch{m_socket, POLLIN, 0};
        if (poll(&watch, 1, 5000) <= 0)
            return;
        std::uint8_t packet[1500];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t size =
            recvfrom(m_socket, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        // 30 LL 02 01 00 04 CL <community> A0 ...: short lengths at these sizes.
        if (size < 8 || packet[0] != 0x30 || packet[2] != 0x02 || packet[5] != 0x04)
            return;
        const std::size_t tag = 7 + packet[6];
        if (tag >= static_cast<std::size_t>(size) || packet[tag] != 0xA0)
            return;
        packet[tag] = 0xA2;
        sendto(m_socket, packet, static_cast<std::size_t>(size), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }

    int m_socket = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

TEST(SnmpClientGet, nullValueGivesEmptyAndSuccess)
{
    NullAnsweringPeer peer;
    SnmpClient client;
    client.setAgent("127.0.0.1");
    client.setPort(peer.port());
    client.setRetries(0);
    Variant value(std::int32_t{5});
    EXPECT_EQ(client.get(kName, value), kOk);
    EXPECT_TRUE(value.isEmpty());
}

TEST(SnmpClientGet, integerFollowsTheTypeOfTheCallersVariant)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    const std::string surveyed = kRoot + ".3.1.0";  // 1 on the probe
    const std::string unsurveyed = kRoot + ".8.1.0";  // 0

    Variant flag(false);
    ASSERT_EQ(client.get(surveyed, flag), kOk);
    EXPECT_EQ(flag, Variant(true));
    ASSERT_EQ(client.get(unsurveyed, flag), kOk);
    EXPECT_EQ(flag, Variant(false));

    Variant error(ErrorCode{0});
    ASSERT_EQ(client.get(surveyed, error), kOk);
    EXPECT_EQ(error, Variant(ErrorCode{1}));

    Variant empty;
    ASSERT_EQ(client.get(surveyed, empty), kOk);
    EXPECT_EQ(empty, Variant(std::int32_t{1}));

    Variant small(std::int16_t{9});
    ASSERT_EQ(client.get(surveyed, small), kOk);
    EXPECT_EQ(small, Variant(std::int32_t{1}));

    Variant text(true);
    ASSERT_EQ(client.get(kName, text), kOk);
    EXPECT_EQ(text, Variant("VIMBO-SIM"));
}

// ---- failures of get -----------------------------------------------------

TEST(SnmpClientGet, errorStatusOrUnknownObjectFailsAndEmptiesTheValue)
{
    auto sim = startSim({"--error-oid", kName + "=5"});
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    Variant value(std::int32_t{3});
    EXPECT_EQ(client.get(kName, value), kRequestFailed);
    EXPECT_TRUE(value.isEmpty());

    value = Variant(std::int32_t{3});
    EXPECT_EQ(client.get(kRoot + ".9.1.0", value), kRequestFailed);  // no group 9
    EXPECT_TRUE(value.isEmpty());
    value = Variant(std::int32_t{3});
    EXPECT_EQ(client.get(kRoot + ".2.1", value), kRequestFailed);  // the object, not its instance
    EXPECT_TRUE(value.isEmpty());
}

TEST(SnmpClientGet, silentAgentCostsRetriesPlusOneTimeOuts)
{
    auto sim = startSim({"--silent"});
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim, 20, 2);  // 200 ms, sent three times
    Variant value("previous");
    ResultCode result = kOk;
    const double seconds = secondsOf([&] { result = client.get(kName, value); });
    EXPECT_EQ(result, kRequestFailed);
    EXPECT_TRUE(value.isEmpty());
    EXPECT_GE(seconds, 0.55);
    EXPECT_LT(seconds, 1.5);
    EXPECT_EQ(sim->requests().size(), 3u);
}

TEST(SnmpClientGet, badAddressFailsAtOnceSendsNothingAndKeepsTheValue)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    for (const char* agent : {"", "localhost", "probe.invalid", "127.0.0.300", "127.0.0.1:x"}) {
        client.setAgent(agent);
        Variant value(std::int16_t{4});
        EXPECT_EQ(client.get(kName, value), kBadAgentAddress) << agent;
        EXPECT_EQ(value, Variant(std::int16_t{4}));
        EXPECT_EQ(client.set(kMerAlarmObject, Variant(std::int16_t{20})), kBadAgentAddress) << agent;
    }
    EXPECT_TRUE(sim->requests().empty());
}

TEST(SnmpClientGet, negativeTimeOutOrRetriesAreRefusedWithoutSending)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    client.setTimeout(-1);
    Variant value("previous");
    EXPECT_EQ(client.get(kName, value), kRequestFailed);
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(client.set(kMerAlarmObject, Variant(std::int16_t{20})), kRequestFailed);
    client.setTimeout(100);
    client.setRetries(-1);
    EXPECT_EQ(client.get(kName, value), kRequestFailed);
    EXPECT_TRUE(sim->requests().empty());
}

TEST(SnmpClientGet, malformedIdentifierFailsWithoutSending)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    Variant value;
    EXPECT_EQ(client.get("", value), kRequestFailed);
    EXPECT_EQ(client.get("iso.3.6", value), kRequestFailed);
    EXPECT_EQ(client.set(".1.3.x", Variant(std::int32_t{1})), kRequestFailed);
    EXPECT_TRUE(sim->requests().empty());
}

TEST(SnmpClientGet, socketThatCannotOpenGivesSessionNotOpened)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit none = saved;
    none.rlim_cur = 0;  // no new descriptor can be made, so no socket
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    Variant value("previous");
    const ResultCode got = client.get(kName, value);
    const ResultCode set = client.set(kMerAlarmObject, Variant(std::int16_t{20}));
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(got, kSessionNotOpened);
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(set, kSessionNotOpened);
    EXPECT_TRUE(sim->requests().empty());
    EXPECT_EQ(client.get(kName, value), kOk);  // and it recovers
}

// ---- set -----------------------------------------------------------------

TEST(SnmpClientSet, integersGoAsIntegerAndTextAsOctetString)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    const Variant small(std::int16_t{-5});
    EXPECT_EQ(client.set(kMerAlarmObject, small), kOk);
    EXPECT_EQ(small, Variant(std::int16_t{-5}));
    EXPECT_EQ(client.set(kRoot + ".3.2", Variant(std::int32_t{578000000})), kOk);
    // Text to an integer object reaches the probe, which refuses it.
    EXPECT_EQ(client.set(kMerAlarmObject, Variant("abc")), kRequestFailed);
    EXPECT_EQ(client.set(kMerAlarmObject, Variant("")), kRequestFailed);

    const auto lines = sim->requests();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "SET kiminar " + kMerAlarmObject + " INTEGER -5");
    EXPECT_EQ(lines[1], "SET kiminar " + kRoot + ".3.2 INTEGER 578000000");
    EXPECT_EQ(lines[2], "SET kiminar " + kMerAlarmObject + " STRING abc");
    EXPECT_EQ(lines[3], "SET kiminar " + kMerAlarmObject + " STRING ");

    Variant readBack;
    ASSERT_EQ(client.get(kMerAlarmObject + ".0", readBack), kOk);
    EXPECT_EQ(readBack, Variant(std::int32_t{-5}));
}

TEST(SnmpClientSet, otherVariantTypesAreRefusedWithoutSending)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    for (const Variant& value : {Variant(), Variant::null(), Variant(2.0), Variant(2.0f), Variant(true),
                                 Variant(std::uint8_t{2}), Variant(ErrorCode{2})}) {
        EXPECT_EQ(client.set(kMerAlarmObject, value), kTypeNotMapped) << typeName(value.type());
    }
    EXPECT_TRUE(sim->requests().empty());
}

TEST(SnmpClientSet, agentErrorStatusFails)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    EXPECT_EQ(client.set(kRoot + ".1.1", Variant("new name")), kRequestFailed);      // read-only
    EXPECT_EQ(client.set(kRoot + ".3.3", Variant(std::int32_t{1})), kRequestFailed);  // a measure
    EXPECT_EQ(client.set(kMerAlarmObject + ".0", Variant(std::int16_t{1})), kRequestFailed);
    client.setCommunityW("tavelo");  // the read community may not write
    EXPECT_EQ(client.set(kMerAlarmObject, Variant(std::int16_t{1})), kRequestFailed);
}

// ---- addressing ----------------------------------------------------------

TEST(SnmpClientAddressing, eachCallUsesTheSettingsOfThatMoment)
{
    auto first = startSim({}, "127.0.0.1:0");
    auto second = startSim({}, "127.0.0.2:0");
    ASSERT_TRUE(first && second);
    SnmpClient client = clientFor(*first);
    Variant value;
    ASSERT_EQ(client.get(kName, value), kOk);
    client.setAgent("127.0.0.2");
    client.setPort(second->port());
    client.setCommunityR("kiminar");
    ASSERT_EQ(client.get(kName, value), kOk);
    EXPECT_EQ(first->requests(), std::vector<std::string>{"GET tavelo " + kName + " NULL"});
    EXPECT_EQ(second->requests(), std::vector<std::string>{"GET kiminar " + kName + " NULL"});
}

TEST(SnmpClientAddressing, portPropertyOverridesAPortInTheAddress)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim);
    for (const char* agent : {"127.0.0.1:1", "127.0.0.1/1"}) {
        client.setAgent(agent);
        Variant value;
        EXPECT_EQ(client.get(kName, value), kOk) << agent;
    }
}

TEST(SnmpClientAddressing, emptyCommunityIsSentEmpty)
{
    auto sim = startSim();
    ASSERT_TRUE(sim);
    SnmpClient client = clientFor(*sim, 10);
    client.setCommunityR("");
    Variant value;
    EXPECT_EQ(client.get(kName, value), kRequestFailed);  // the probe ignores unknown communities
    EXPECT_EQ(sim->requests(), std::vector<std::string>{"GET  " + kName + " NULL"});
}

TEST(SnmpClientAddressing, portsAboveThe16BitSignedRangeAreReached)
{
    std::string error;
    auto sim = ProbeSimProcess::start({}, "127.0.0.1:65535", &error);
    if (!sim)
        GTEST_SKIP() << "port 65535 is not free here: " << error;
    SnmpClient client = clientFor(*sim);
    ASSERT_EQ(client.Port(), 65535);
    Variant value;
    EXPECT_EQ(client.get(kName, value), kOk);
}

TEST(SnmpClientAddressing, ipv6LoopbackAgent)
{
    std::string error;
    auto sim = ProbeSimProcess::start({}, "[::1]:0", &error);
    if (!sim)
        GTEST_SKIP() << "no IPv6 loopback here: " << error;
    SnmpClient client = clientFor(*sim);
    for (const char* agent : {"::1", "[::1]", "[::1]:9"}) {
        client.setAgent(agent);
        Variant value;
        EXPECT_EQ(client.get(kName, value), kOk) << agent;
        EXPECT_EQ(value, Variant("VIMBO-SIM"));
    }
}
