// One probe's view as the console keeps it: what a complete, failed or dropped
// cycle leaves on the tile, and the words for its state and age.
#include "ProbeView.h"

#include "channels/channelsCollection.h"
#include "poll/ProbePoller.h"

#include <gtest/gtest.h>

namespace vimbo {
namespace {

constexpr std::int64_t kT0 = 1'764'979'200'000;  // midnight UTC

CycleEnd complete(std::initializer_list<int> alarmSlots, std::initializer_list<int> warningSlots,
                  const char* name = "Vimbo 7")
{
    CycleEnd end;
    end.outcome = CycleEnd::Complete;
    end.state = ProbeState::Answering;
    end.snapshot.complete = true;
    end.snapshot.name = QString::fromLatin1(name);
    for (int s : alarmSlots)
        end.snapshot.flags.alarm[static_cast<std::size_t>(s)] = true;
    for (int s : warningSlots)
        end.snapshot.flags.warning[static_cast<std::size_t>(s)] = true;
    for (int s = 0; s < kSlotCount; ++s)
        end.snapshot.slotValues[static_cast<std::size_t>(s)].kHz = 474000 + 8000 * s;
    return end;
}

CycleEnd failed(ProbeState state)
{
    CycleEnd end;
    end.outcome = CycleEnd::Failed;
    end.state = state;
    end.snapshot.failedAt = 3;
    end.snapshot.name = QStringLiteral("half-read");
    end.snapshot.flags.alarm.fill(true);  // read before the failure: not an answer
    return end;
}

CycleEnd dropped()
{
    CycleEnd end = complete({0, 1, 2}, {3});
    end.outcome = CycleEnd::Dropped;
    return end;
}

std::string lamps(const ProbeView& view)
{
    // One letter per lamp, alarms then warnings: d dark, L lit, s stale.
    std::string text;
    const auto letter = [](LampLook lamp) { return lamp == LampLook::Lit ? 'L' : lamp == LampLook::Stale ? 's' : 'd'; };
    for (const SlotView& slot : view.slotViews)
        text += letter(slot.alarm);
    text += '/';
    for (const SlotView& slot : view.slotViews)
        text += letter(slot.warning);
    return text;
}

TEST(ProbeView, eachCycleLeavesTheLampsStateAndTimesAsTheTileShowsThem)
{
    struct Step {
        CycleEnd end;
        std::int64_t atSeconds;
        std::string lamps;
        ProbeState state;
        std::optional<std::int64_t> lostSinceSeconds;
        std::optional<std::int64_t> lastCompleteSeconds;
        const char* name;
    };
    struct Case {
        const char* title;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"a first cycle that fails lights nothing",
         {{failed(ProbeState::NeverAnswered), 3, "dddddd/dddddd", ProbeState::NeverAnswered, {}, {}, ""}}},
        {"a complete cycle lights what it read",
         {{complete({1, 5}, {0}), 3, "dLdddL/Lddddd", ProbeState::Answering, {}, 3, "Vimbo 7"}}},
        {"a failure after an answer leaves its lamps stale, lost since that cycle",
         {{complete({1}, {2}), 3, "dLdddd/ddLddd", ProbeState::Answering, {}, 3, "Vimbo 7"},
          {failed(ProbeState::Lost), 9, "dsdddd/ddsddd", ProbeState::Lost, 9, 3, "Vimbo 7"},
          {failed(ProbeState::Lost), 15, "dsdddd/ddsddd", ProbeState::Lost, 9, 3, "Vimbo 7"}}},
        {"the answer after a loss is current again",
         {{complete({1}, {}), 3, "dLdddd/dddddd", ProbeState::Answering, {}, 3, "Vimbo 7"},
          {failed(ProbeState::Lost), 9, "dsdddd/dddddd", ProbeState::Lost, 9, 3, "Vimbo 7"},
          {complete({}, {4}, "Vimbo 8"), 15, "dddddd/ddddLd", ProbeState::Answering, {}, 15, "Vimbo 8"}}},
        {"a dropped cycle changes nothing",
         {{complete({}, {}), 3, "dddddd/dddddd", ProbeState::Answering, {}, 3, "Vimbo 7"},
          {dropped(), 9, "dddddd/dddddd", ProbeState::Answering, {}, 3, "Vimbo 7"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ProbeView view = freshView(QStringLiteral("kestrel-hill-1"), QStringLiteral("Kestrel Hill"),
                                   QStringLiteral("127.0.0.1:16101"));
        for (const Step& step : c.steps) {
            view = nextView(view, step.end, kT0 + step.atSeconds * 1000);
            EXPECT_EQ(lamps(view), step.lamps);
            EXPECT_EQ(view.state, step.state);
            EXPECT_EQ(view.lostSinceMsecs, step.lostSinceSeconds ? std::optional(kT0 + *step.lostSinceSeconds * 1000)
                                                                 : std::nullopt);
            EXPECT_EQ(view.lastCompleteMsecs,
                      step.lastCompleteSeconds ? std::optional(kT0 + *step.lastCompleteSeconds * 1000) : std::nullopt);
            EXPECT_EQ(view.reportedName, QString::fromLatin1(step.name));
        }
        EXPECT_EQ(view.id, QStringLiteral("kestrel-hill-1"));
        EXPECT_EQ(view.site, QStringLiteral("Kestrel Hill"));
    }
}

TEST(ProbeView, channelLabelsComeFromTheLabelerOrTheFrequency)
{
    ProbeView view = nextView(ProbeView{}, complete({}, {}), kT0);
    EXPECT_EQ(view.slotViews[0].channel, QStringLiteral("474.00MHz"));
    EXPECT_EQ(view.slotViews[5].channel, QStringLiteral("514.00MHz"));
    view = nextView(ProbeView{}, complete({}, {}), kT0,
                    [](std::int32_t kHz) { return QStringLiteral("(Ch%1) x").arg((kHz - 306000) / 8000); });
    EXPECT_EQ(view.slotViews[0].channel, QStringLiteral("(Ch21) x"));
    EXPECT_EQ(view.slotViews[2].channel, QStringLiteral("(Ch23) x"));

    // The plan's channel by its centre or video frequency, as the desktop labels a slot.
    auto plan = std::make_shared<channelsCollection>();
    plan->Add(QStringLiteral("21"), 471250, 474000);
    plan->Add(QStringLiteral("E5"), 175250, 482000);
    view = nextView(ProbeView{}, complete({}, {}), kT0, planLabeler(plan));
    EXPECT_EQ(view.slotViews[0].channel, QStringLiteral("(Ch21) 474.00MHz"));
    EXPECT_EQ(view.slotViews[1].channel, QStringLiteral("(ChE5) 482.00MHz"));
    EXPECT_EQ(view.slotViews[2].channel, QStringLiteral("490.00MHz"));
    EXPECT_EQ(planLabeler(nullptr)(177500), QStringLiteral("177.50MHz"));
}

TEST(ProbeView, notWatchedTurnsLitLampsStaleFromThatTime)
{
    ProbeView view = nextView(ProbeView{}, complete({2}, {}), kT0);
    view = notWatchedView(view, kT0 + 60'000);
    EXPECT_EQ(lamps(view), "ddsddd/dddddd");
    EXPECT_EQ(stateText(view, 0), QStringLiteral("not watched since 00:01"));
    EXPECT_EQ(notWatchedView(view, kT0 + 120'000).lostSinceMsecs, kT0 + 60'000);
}

TEST(ProbeView, stateAndAgeAreWordsAPersonReads)
{
    ProbeView view = nextView(ProbeView{}, complete({}, {}), kT0);
    struct Case {
        std::int64_t afterMsecs;
        const char* age;
    };
    const Case cases[] = {{-5'000, "0 s ago"},     {0, "0 s ago"},          {3'999, "3 s ago"},
                          {119'000, "119 s ago"}, {120'000, "2 min ago"},  {7'199'000, "119 min ago"},
                          {7'200'000, "2 h ago"}, {172'800'000, "2 d ago"}};
    for (const Case& c : cases)
        EXPECT_EQ(cycleAgeText(view, kT0 + c.afterMsecs), QString::fromLatin1(c.age)) << c.afterMsecs;
    EXPECT_EQ(cycleAgeText(ProbeView{}, kT0), QStringLiteral("no complete cycle"));

    view = nextView(view, failed(ProbeState::Lost), kT0 + 17 * 60'000);
    EXPECT_EQ(stateText(view, 0), QStringLiteral("lost since 00:17"));
    EXPECT_EQ(stateText(view, 3600), QStringLiteral("lost since 01:17"));
    EXPECT_EQ(stateText(ProbeView{}, 0), QStringLiteral("waiting for the first answer"));
    EXPECT_EQ(probeAddress(QStringLiteral("::1"), 16101), QStringLiteral("[::1]:16101"));
    EXPECT_EQ(probeAddress(QStringLiteral("127.0.0.1"), 161), QStringLiteral("127.0.0.1:161"));
}

}  // namespace
}  // namespace vimbo
