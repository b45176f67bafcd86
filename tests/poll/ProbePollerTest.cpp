// The polling cycle's rules without a window, a process or a socket: a fake
// transport answers each read as the test says.
#include "poll/ProbePoller.h"
#include "mib/ProbeOids.h"

#include <deque>
#include <map>

#include <gtest/gtest.h>

namespace vimbo {
namespace {

using Kind = ProbeEvent::Kind;

class FakeTransport : public PollTransport {
public:
    struct Sent {
        std::string oid;
        ClientSettings settings;
    };
    ClientSettings current{"127.0.0.1", "tavelo", "kiminar", 100, 1, 16161};
    std::map<std::string, zemtra::Variant> values;  // an identifier without one fails with 0x80000003
    std::vector<Sent> sent;

    ClientSettings currentSettings() const override { return current; }
    void get(const std::string& oid, const ClientSettings& settings, QObject*, Done done) override
    {
        sent.push_back({oid, settings});
        waiting.push_back({oid, std::move(done)});
    }
    /// Answers the oldest request; true when there was one.
    bool answerOne()
    {
        if (waiting.empty())
            return false;
        auto [oid, done] = std::move(waiting.front());
        waiting.pop_front();
        SnmpReply reply;
        reply.oid = oid;
        if (const auto found = values.find(oid); found != values.end())
            reply.value = found->second;
        else
            reply.code = zemtra::kRequestFailed, reply.reason = "no answer";
        done(reply);
        return true;
    }
    void answerAll()
    {
        while (answerOne()) {
        }
    }
    bool idle() const { return waiting.empty(); }

private:
    std::deque<std::pair<std::string, Done>> waiting;
};

// A probe of the simulator's kind: every object answers.
void fillProbe(FakeTransport& transport, const char* flags = "0000")
{
    for (const ReadStep& step : readPlan()) {
        zemtra::Variant value(std::int32_t{0});
        switch (step.item) {
        case ProbeItem::Name: value = zemtra::Variant("KESTREL"); break;
        case ProbeItem::Ipn: value = zemtra::Variant("IPN-7"); break;
        case ProbeItem::Version: value = zemtra::Variant("v01.02.03"); break;
        case ProbeItem::AlarmFlags: value = zemtra::Variant(flags); break;
        case ProbeItem::MerAlarm: value = zemtra::Variant(std::int32_t{20}); break;
        case ProbeItem::VberAlarm: value = zemtra::Variant(std::int32_t{1000}); break;
        case ProbeItem::Surveyed: value = zemtra::Variant(std::int32_t{step.slot < 4 ? 1 : 0}); break;
        case ProbeItem::Frequency: value = zemtra::Variant(std::int32_t{474000000 + 8000000 * step.slot}); break;
        case ProbeItem::Power: value = zemtra::Variant(std::int32_t{5206 + step.slot}); break;
        case ProbeItem::Mer: value = zemtra::Variant(std::int32_t{3081}); break;
        case ProbeItem::Vber: value = zemtra::Variant(std::int32_t{2}); break;
        case ProbeItem::PowerAlarm: value = zemtra::Variant(std::int32_t{40}); break;
        default: break;
        }
        transport.values[step.oid] = value;
    }
}

struct Recorder {
    std::vector<ProbeReading> readings;
    std::vector<CycleEnd> ends;
    int probeChanges = 0;
    bool refuse = false;  // the window cannot show the slot 2 power warning
    ProbePoller::Handlers handlers()
    {
        return {[this](const ProbeReading& r) {
                    readings.push_back(r);
                    return !(refuse && r.item == ProbeItem::PowerWarning && r.slot == 2);
                },
                [this](const CycleEnd& end) { ends.push_back(end); }, [this] { ++probeChanges; }};
    }
};

struct Poller : ::testing::Test {
    FakeTransport transport;
    Recorder seen;
    ProbePoller poller{transport, seen.handlers()};

    const CycleEnd& cycle()
    {
        EXPECT_TRUE(poller.tick());
        transport.answerAll();
        EXPECT_FALSE(poller.cycleRunning());
        return seen.ends.back();
    }
};

TEST_F(Poller, aCompleteCycleReadsTheFiftyObjectsInOrderAndGivesEachValueInItsUnits)
{
    fillProbe(transport);
    const CycleEnd& end = cycle();
    ASSERT_EQ(transport.sent.size(), 50u);
    EXPECT_EQ(transport.sent[0].oid, ".1.3.6.1.4.1.32473.2.2.1.1.0");
    EXPECT_EQ(transport.sent[4].oid, ".1.3.6.1.4.1.32473.2.2.2.1.0");
    EXPECT_EQ(transport.sent[8].oid, ".1.3.6.1.4.1.32473.2.2.3.1.0");
    EXPECT_EQ(transport.sent[49].oid, ".1.3.6.1.4.1.32473.2.2.8.7.0");
    EXPECT_EQ(readPlanIdentifiers().size(), 50u);
    ASSERT_EQ(seen.readings.size(), 50u);
    for (std::size_t i = 0; i < 50; ++i)
        EXPECT_EQ(seen.readings[i].step, i);
    EXPECT_EQ(seen.readings[0].text, QStringLiteral("KESTREL"));
    EXPECT_DOUBLE_EQ(seen.readings[6].value, 1e-4);  // VBER alarm threshold x 10^7
    EXPECT_EQ(seen.readings[9].kHz, 474000);
    EXPECT_DOUBLE_EQ(seen.readings[10].value, 52.06);  // hundredths of dBuV
    EXPECT_DOUBLE_EQ(seen.readings[12].value, 2e-7);

    EXPECT_EQ(end.outcome, CycleEnd::Complete);
    const CycleSnapshot& snapshot = end.snapshot;
    EXPECT_TRUE(snapshot.complete);
    EXPECT_EQ(std::tuple(snapshot.name, snapshot.ipn, snapshot.version),
              std::tuple(QStringLiteral("KESTREL"), QStringLiteral("IPN-7"), QStringLiteral("v01.02.03")));
    EXPECT_EQ(snapshot.merAlarm, QStringLiteral("20"));
    EXPECT_EQ(snapshot.settings.port, 16161);
    EXPECT_TRUE(snapshot.slotValues[3].surveyed);
    EXPECT_FALSE(snapshot.slotValues[4].surveyed);
    EXPECT_EQ(snapshot.slotValues[5].kHz, 514000);
    EXPECT_DOUBLE_EQ(snapshot.slotValues[5].power, 52.11);
    EXPECT_EQ(snapshot.slotValues[5].powerAlarm, QStringLiteral("40"));
    EXPECT_TRUE(end.events.empty());  // a probe that answers at start-up is not news
}

TEST_F(Poller, theFirstFailureEndsTheCycleWhereverItComes)
{
    fillProbe(transport);
    for (std::size_t failing = 0; failing < 50; ++failing) {
        SCOPED_TRACE(failing);
        const std::string oid = readPlan()[failing].oid;
        const zemtra::Variant kept = transport.values[oid];
        transport.values.erase(oid);
        transport.sent.clear();
        seen.readings.clear();
        const CycleEnd& end = cycle();
        EXPECT_EQ(end.outcome, CycleEnd::Failed);
        EXPECT_EQ(end.snapshot.failedAt, failing);
        EXPECT_EQ(end.snapshot.reason, "result 0x80000003 no answer");
        EXPECT_EQ(transport.sent.size(), failing + 1);  // nothing asked after it
        EXPECT_EQ(seen.readings.size(), failing);
        transport.values[oid] = kept;
    }
    // Values the cycle cannot use fail it as a failed request does.
    const std::tuple<const char*, std::size_t, zemtra::Variant> unusable[] = {
        {"a name without text", 0, zemtra::Variant::null()},
        {"a flag that is no number", 8, zemtra::Variant("surveyed")},
        {"a frequency beyond 32-bit kHz", 9, zemtra::Variant(1e300)},
    };
    for (const auto& [name, step, value] : unusable) {
        SCOPED_TRACE(name);
        const zemtra::Variant kept = std::exchange(transport.values[readPlan()[step].oid], value);
        EXPECT_EQ(cycle().snapshot.failedAt, step);
        transport.values[readPlan()[step].oid] = kept;
    }
    // And so does a value the window cannot show.
    seen.refuse = true;
    EXPECT_EQ(cycle().snapshot.failedAt, 8u + 2 * 7 + 6);
}

TEST_F(Poller, aTickDuringACycleOrAWriteStartsNothingAndAWriteDropsTheCycleUnderWay)
{
    fillProbe(transport, "0100");
    ASSERT_TRUE(poller.tick());
    for (int i = 0; i < 5; ++i)
        transport.answerOne();
    EXPECT_FALSE(poller.tick());  // skipped: its cycle is under way
    EXPECT_EQ(transport.sent.size(), 6u);

    poller.setWriting(true);
    transport.answerAll();
    ASSERT_EQ(seen.ends.size(), 1u);
    EXPECT_EQ(seen.ends[0].outcome, CycleEnd::Dropped);
    EXPECT_TRUE(seen.ends[0].events.empty());  // the alarm it saw is told by a cycle that counts
    EXPECT_EQ(transport.sent.size(), 6u);
    EXPECT_FALSE(poller.tick());
    EXPECT_TRUE(transport.idle());

    poller.setWriting(false);
    const CycleEnd& after = cycle();
    EXPECT_EQ(after.outcome, CycleEnd::Complete);
    EXPECT_EQ(after.events, (std::vector<ProbeEvent>{{Kind::AlarmRose, 0}}));
}

TEST_F(Poller, aCycleKeepsTheSettingsItBeganWithAndAnotherProbeIsToldAtTheNextCycle)
{
    fillProbe(transport);
    ASSERT_TRUE(poller.tick());
    transport.answerOne();
    transport.current.agent = "127.0.0.2";
    transport.answerAll();
    for (const auto& sent : transport.sent)
        EXPECT_EQ(sent.settings.agent, "127.0.0.1");
    EXPECT_EQ(seen.probeChanges, 0);

    transport.sent.clear();
    cycle();
    EXPECT_EQ(transport.sent.front().settings.agent, "127.0.0.2");
    EXPECT_EQ(seen.probeChanges, 1);
    transport.current.communityR = "other";  // the same probe
    cycle();
    EXPECT_EQ(seen.probeChanges, 1);
    transport.current.port = 16162;
    cycle();
    EXPECT_EQ(seen.probeChanges, 2);
}

TEST_F(Poller, anotherProbesLitLampsAreItsOwnRisesAndItsFirstFailureIsAFirstLoss)
{
    fillProbe(transport, "0101");
    cycle();
    transport.current.port = 16162;  // the next probe has the same lamp lit
    EXPECT_EQ(cycle().events, (std::vector<ProbeEvent>{{Kind::AlarmRose, 0}, {Kind::WarningRose, 0}}));
    transport.values.clear();
    EXPECT_EQ(cycle().state, ProbeState::Lost);  // this one is lost; the next never answers
    transport.current.port = 16163;
    EXPECT_EQ(poller.state(), ProbeState::Lost);  // until the next cycle asks it
    const CycleEnd& first = cycle();
    EXPECT_EQ(first.events, (std::vector<ProbeEvent>{{Kind::ProbeLost}}));
    EXPECT_EQ(first.state, ProbeState::NeverAnswered);
    EXPECT_EQ(cycle().state, ProbeState::NeverAnswered);
    fillProbe(transport, "0000");
    EXPECT_EQ(cycle().events, (std::vector<ProbeEvent>{{Kind::ProbeBack}}));
    EXPECT_EQ(poller.state(), ProbeState::Answering);
}

TEST(ProbeStates, eachHasItsWords)
{
    const std::int64_t at = 1'765'000'000'000;  // 2025-12-06T05:46:40Z
    const std::tuple<ProbeState, std::optional<std::int64_t>, int, const char*> rows[] = {
        {ProbeState::Waiting, std::nullopt, 0, "waiting for the first answer"},
        {ProbeState::Answering, at, 0, "answering"},
        {ProbeState::Lost, at, 0, "lost since 05:46"},
        {ProbeState::Lost, at, -12600, "lost since 02:16"},
        {ProbeState::Lost, std::nullopt, 0, "lost"},
        {ProbeState::NeverAnswered, at, 0, "never answered"},
        {ProbeState::NotWatched, at, 20700, "not watched since 11:31"},
        {ProbeState::NotWatched, std::nullopt, 0, "not watched"},
    };
    for (const auto& [state, since, offset, text] : rows)
        EXPECT_EQ(probeStateText(state, since, offset), QLatin1String(text));
    EXPECT_TRUE(isUnanswered(ProbeState::Lost) && isUnanswered(ProbeState::NeverAnswered));
    EXPECT_FALSE(isUnanswered(ProbeState::Waiting) || isUnanswered(ProbeState::Answering));
}

TEST_F(Poller, lampChangesAndTheProbesStateAreToldOnceAtTheCyclesEnd)
{
    // Flags: bits 0..5 warn slots 0..5, bits 8..13 alarm them.
    const std::pair<const char*, std::vector<ProbeEvent>> cycles[] = {
        {"0101", {{Kind::AlarmRose, 0}, {Kind::WarningRose, 0}}},  // lit at the first read
        {"0101", {}},                                             // still lit
        {"0120", {{Kind::WarningCleared, 0}, {Kind::WarningRose, 5}}},
        {"0020", {{Kind::AlarmCleared, 0}}},
    };
    for (const auto& [flags, expected] : cycles) {
        SCOPED_TRACE(flags);
        fillProbe(transport, flags);
        EXPECT_EQ(cycle().events, expected);
    }

    // Lost, still lost, back; a failure before the flags tells no lamp.
    transport.values.clear();
    EXPECT_EQ(cycle().events, (std::vector<ProbeEvent>{{Kind::ProbeLost}}));
    EXPECT_TRUE(cycle().events.empty());
    fillProbe(transport, "0020");
    EXPECT_EQ(cycle().events, (std::vector<ProbeEvent>{{Kind::ProbeBack}}));
}

}  // namespace
}  // namespace vimbo
