#include "TestFiles.h"
#include "channels/channelsCollection.h"

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::errorNumberOf;

TEST(ChannelsCollection, positionsAndKeysFindChannelsAndRemoveMovesLaterOnesUp)
{
    channelsCollection plan;
    EXPECT_EQ(errorNumberOf([&] { plan.Item(1); }), errors::kInvalidArgument);
    const ChannelPtr first = plan.Add(QStringLiteral("21"), 471250, 474000, QStringLiteral("first"));
    const ChannelPtr second = plan.Add(QStringLiteral("22"), 479250, 482000);
    plan.Add(QStringLiteral("23"), 487250, 490000);
    QStringList names;
    for (const ChannelPtr& channel : plan)
        names << channel->ChName() + QString::number(channel->ChInd());
    EXPECT_EQ(names, QStringList({"210", "221", "232"}));
    EXPECT_EQ(errorNumberOf([&] { plan.Add(QStringLiteral("D"), 7, 8, QStringLiteral("first")); }),
              errors::kDuplicateKey);
    plan.Remove(QStringLiteral("first"));
    EXPECT_EQ(plan.Item(1), second);
    EXPECT_EQ(second->ChInd(), 1);  // not renumbered
    EXPECT_EQ(first->ChName(), QStringLiteral("21"));  // a holder keeps its channel
    for (int position : {0, -1, 3})
        EXPECT_EQ(errorNumberOf([&] { plan.Item(position); }), errors::kInvalidArgument) << position;
}

TEST(ChannelsCollection, frequencyFindsTheFirstMatchOnCentreOrVideoAndNamesMatchExactly)
{
    channelsCollection plan;
    EXPECT_EQ(plan.findByFreq(474000), nullptr);
    const ChannelPtr a = plan.Add(QStringLiteral("E5"), 100, 200);
    const ChannelPtr b = plan.Add(QStringLiteral("b"), 300, 100);  // centre equals a's video
    const ChannelPtr c = plan.Add(QStringLiteral("E5"), 200, 400);  // video equals a's centre
    const ChannelPtr d = plan.Add(QStringLiteral("d"), 500, 400);  // shares c's centre
    const std::pair<int, ChannelPtr> found[] = {{100, a}, {200, a}, {300, b}, {400, c}, {500, d}, {0, nullptr},
                                                {401, nullptr}};
    for (const auto& [kHz, channel] : found)
        EXPECT_EQ(plan.findByFreq(kHz), channel) << kHz;
    EXPECT_EQ(plan.findByName(QStringLiteral("E5")), a);
    for (const char* other : {"e5", "E5 ", "69"})
        EXPECT_EQ(plan.findByName(QLatin1String(other)), nullptr) << other;
}
