#include "SnmpSessions.h"

#include "SimulatedProbe.h"
#include "WaitFor.h"
#include "core/SnmpRequests.h"
#include "poll/ProbePoller.h"

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <memory>

using namespace vimbo;

namespace {

using Clock = std::chrono::steady_clock;
const std::string& kRoot = test::kProbeRoot;

ClientSettings settingsFor(const test::ProbeSimProcess& sim, std::size_t probe, std::int16_t timeout10ms = 100,
                           std::int16_t retries = 0)
{
    return {sim.host(), "tavelo", "kiminar", timeout10ms, retries, sim.ports().at(probe)};
}

/// The reply `transport` gives for one read, waited for up to 5 s.
SnmpReply readOnce(PollTransport& transport, const std::string& oid, const ClientSettings& settings)
{
    QObject context;
    std::optional<SnmpReply> reply;
    transport.get(oid, settings, &context, [&](const SnmpReply& r) { reply = r; });
    EXPECT_TRUE(test::waitFor([&] { return reply.has_value(); }, 5000)) << oid;
    return reply.value_or(SnmpReply{});
}

}  // namespace

TEST(SnmpSessions, valuesAndFailuresComeBackAsTheDesktopWorkerGivesThem)
{
    auto sim = test::startProbes(2, {"--static", "/dev/null", "--silent-probes", "2",
                                     "--error-oid", kRoot + ".2.2.0=5",
                                     "--wrong-type", kRoot + ".1.2.0=gauge32:4294967295",
                                     "--wrong-type", kRoot + ".1.3.0=oid:1.3.6.1.4.1.32473.9",
                                     "--wrong-type", kRoot + ".2.3.0=uinteger32",
                                     "--wrong-type", kRoot + ".2.4.0=opaque-float:1.5"});
    ASSERT_TRUE(sim);
    zemtra::SnmpClient unused;
    SnmpRequests worker(unused);
    SnmpSessions sessions;
    SessionTransport shared(sessions, settingsFor(*sim, 0));

    ClientSettings badAgent = settingsFor(*sim, 0);
    badAgent.agent = "300.1.1.1";
    ClientSettings negative = settingsFor(*sim, 0);
    negative.timeout10ms = -1;
    struct Row {
        std::string oid;
        ClientSettings settings;
        zemtra::ResultCode code;
    };
    const Row rows[] = {
        {kRoot + ".1.1.0", settingsFor(*sim, 0), zemtra::kOk},              // the name, text
        {kRoot + ".2.1.0", settingsFor(*sim, 0), zemtra::kOk},              // a threshold, integer
        {kRoot + ".3.2.0", settingsFor(*sim, 0), zemtra::kOk},              // a frequency
        {kRoot + ".1.2.0", settingsFor(*sim, 0), zemtra::kOk},              // Gauge32 4294967295: -1
        {kRoot + ".1.3.0", settingsFor(*sim, 0), zemtra::kOk},              // an identifier: its text
        {kRoot + ".2.4.0", settingsFor(*sim, 0), zemtra::kOk},              // an Opaque float: its text
        {kRoot + ".2.3.0", settingsFor(*sim, 0), zemtra::kTypeNotMapped},   // no variant type
        {kRoot + ".2.2.0", settingsFor(*sim, 0), zemtra::kRequestFailed},   // genErr
        {kRoot + ".9.9.0", settingsFor(*sim, 0), zemtra::kRequestFailed},   // noSuchName
        {"1.3.x", settingsFor(*sim, 0), zemtra::kRequestFailed},            // no identifier
        {kRoot + ".1.1.0", badAgent, zemtra::kBadAgentAddress},
        {kRoot + ".1.1.0", negative, zemtra::kRequestFailed},
        {kRoot + ".1.1.0", settingsFor(*sim, 1, 10, 1), zemtra::kRequestFailed},  // silent: 2 tries of 100 ms
    };
    for (const Row& row : rows) {
        const SnmpReply expected = readOnce(worker, row.oid, row.settings);
        const SnmpReply got = readOnce(shared, row.oid, row.settings);
        SCOPED_TRACE(row.oid + " on " + row.settings.agent + ":" + std::to_string(row.settings.port));
        EXPECT_EQ(expected.code, row.code) << expected.reason;
        EXPECT_EQ(got.code, expected.code);
        EXPECT_EQ(got.value, expected.value);
        EXPECT_EQ(got.reason, expected.reason);
        EXPECT_EQ(got.tries, expected.tries);
        EXPECT_EQ(got.oid, row.oid);
    }
    EXPECT_EQ(readOnce(shared, kRoot + ".1.1.0", settingsFor(*sim, 0)).value.toText(),
              "VIMBO-SIM-" + std::to_string(sim->ports()[0]));
    EXPECT_EQ(readOnce(shared, kRoot + ".1.2.0", settingsFor(*sim, 0)).value, zemtra::Variant(std::int32_t{-1}));
}

TEST(SnmpSessions, aSilentProbeHoldsUpNoOtherProbesCycles)
{
    auto sim = test::startProbes(2, {"--silent-probes", "2"});
    ASSERT_TRUE(sim);
    SnmpSessions sessions;
    SessionTransport answering(sessions, settingsFor(*sim, 0, 100, 1));
    SessionTransport silent(sessions, settingsFor(*sim, 1, 100, 1));  // 2 tries of 1 s

    QEventLoop loop;
    std::vector<Clock::duration> cycles;
    Clock::time_point cycleStart;
    std::optional<CycleEnd::Outcome> silentEnd;
    ProbePoller* fast = nullptr;
    ProbePoller::Handlers fastHandlers;
    fastHandlers.ended = [&](const CycleEnd& end) {
        EXPECT_EQ(end.outcome, CycleEnd::Complete) << end.snapshot.reason;
        cycles.push_back(Clock::now() - cycleStart);
        // The next cycle at once, once this one's reply has been handed on.
        QTimer::singleShot(0, &loop, [&] {
            cycleStart = Clock::now();
            fast->tick();
        });
    };
    ProbePoller fastPoller(answering, fastHandlers);
    fast = &fastPoller;
    ProbePoller::Handlers silentHandlers;
    silentHandlers.ended = [&](const CycleEnd& end) {
        silentEnd = end.outcome;
        loop.quit();
    };
    ProbePoller silentPoller(silent, silentHandlers);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);

    const auto start = Clock::now();
    ASSERT_TRUE(silentPoller.tick());
    cycleStart = Clock::now();
    ASSERT_TRUE(fastPoller.tick());
    EXPECT_EQ(sessions.inFlight(), 2u);  // both probes' first reads are out at once
    loop.exec();

    ASSERT_EQ(silentEnd, CycleEnd::Failed);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1900));
    ASSERT_GE(cycles.size(), 10u) << "complete cycles while the silent probe's one read waited 2 s";
    EXPECT_LT(*std::max_element(cycles.begin(), cycles.end()), std::chrono::milliseconds(500));
    EXPECT_EQ(sessions.openSessions(), 2u);  // one each, reused cycle after cycle
}

TEST(SnmpSessions, aReplyWhoseContextOrTransportIsGoneIsDropped)
{
    auto sim = test::startProbes(2);
    ASSERT_TRUE(sim);
    const std::string name = kRoot + ".1.1.0";
    SnmpSessions sessions;
    auto transport = std::make_unique<SessionTransport>(sessions, settingsFor(*sim, 0));

    int goneCalls = 0;
    std::optional<SnmpReply> live;
    auto gone = std::make_unique<QObject>();
    ClientSettings badAgent = settingsFor(*sim, 0);
    badAgent.agent = "";
    transport->get(name, settingsFor(*sim, 0), gone.get(), [&](const SnmpReply&) { ++goneCalls; });
    transport->get(name, badAgent, gone.get(), [&](const SnmpReply&) { ++goneCalls; });  // fails without sending
    QObject context;
    transport->get(name, settingsFor(*sim, 0), &context, [&](const SnmpReply& reply) { live = reply; });
    gone.reset();
    ASSERT_TRUE(test::waitFor([&] { return live.has_value(); }, 5000));
    EXPECT_EQ(goneCalls, 0);
    EXPECT_EQ(live->value.toText(), "VIMBO-SIM-" + std::to_string(sim->ports()[0]));

    // A read sent, then its probe's transport closed: nothing comes back, the session is gone.
    int afterClose = 0;
    transport->get(name, settingsFor(*sim, 0), &context, [&](const SnmpReply&) { ++afterClose; });
    transport.reset();
    EXPECT_EQ(sessions.openSessions(), 0u);
    test::waitFor([] { return false; }, 200);
    EXPECT_EQ(afterClose, 0);
    EXPECT_EQ(sessions.inFlight(), 0u);
}

TEST(SnmpSessions, newSettingsOpenANewSessionAndTheOldOneClosesWithItsLastReply)
{
    auto sim = test::startProbes(2);
    ASSERT_TRUE(sim);
    const std::string name = kRoot + ".1.1.0";
    SnmpSessions sessions;
    SessionTransport transport(sessions, settingsFor(*sim, 0));
    QObject context;
    std::optional<SnmpReply> first, second;
    transport.get(name, settingsFor(*sim, 0), &context, [&](const SnmpReply& reply) { first = reply; });
    transport.get(name, settingsFor(*sim, 1), &context, [&](const SnmpReply& reply) { second = reply; });
    EXPECT_EQ(sessions.openSessions(), 2u);
    ASSERT_TRUE(test::waitFor([&] { return first && second; }, 5000));
    EXPECT_EQ(first->value.toText(), "VIMBO-SIM-" + std::to_string(sim->ports()[0]));
    EXPECT_EQ(second->value.toText(), "VIMBO-SIM-" + std::to_string(sim->ports()[1]));
    EXPECT_EQ(sessions.openSessions(), 1u);
}

TEST(SnmpSessions, aProbeOnIpv6LoopbackIsReadAsOneOnIpv4)
{
    auto sim = test::startProbes(2, {}, "::1");
    ASSERT_TRUE(sim);
    SnmpSessions sessions;
    SessionTransport transport(sessions, settingsFor(*sim, 1));
    const SnmpReply reply = readOnce(transport, kRoot + ".1.1.0", settingsFor(*sim, 1));
    EXPECT_EQ(reply.code, zemtra::kOk) << reply.reason;
    EXPECT_EQ(reply.value.toText(), "VIMBO-SIM-" + std::to_string(sim->ports()[1]));
}
