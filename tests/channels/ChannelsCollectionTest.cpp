#include "ProgramError.h"
#include "channelsCollection.h"

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

int errorNumberOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const ProgramError& error) {
        return error.number();
    }
    return 0;
}

}  // namespace

TEST(ChannelsCollection, addNumbersChannelsInOrderAndRemoveMovesLaterOnesUp)
{
    channelsCollection plan;
    const ChannelPtr first = plan.Add(QStringLiteral("21"), 471250, 474000);
    const ChannelPtr second = plan.Add(QStringLiteral("22"), 479250, 482000);
    plan.Add(QStringLiteral("23"), 487250, 490000);
    QStringList names;
    for (const ChannelPtr& channel : plan)
        names << channel->ChName() + QString::number(channel->ChInd());
    EXPECT_EQ(names, QStringList({"210", "221", "232"}));
    plan.Remove(1);
    EXPECT_EQ(plan.Item(1), second);
    EXPECT_EQ(second->ChInd(), 1);  // not renumbered
    EXPECT_EQ(first->ChName(), QStringLiteral("21"));  // a holder keeps its channel
    EXPECT_EQ(plan.Add(QStringLiteral("C"), 5, 6)->ChInd(), 2);
}

TEST(ChannelsCollection, keysFindAndRemoveAndMustBeUnique)
{
    channelsCollection plan;
    plan.Add(QStringLiteral("A"), 1, 2, QStringLiteral("first"));
    const ChannelPtr b = plan.Add(QStringLiteral("B"), 3, 4, QStringLiteral("second"));
    plan.Add(QStringLiteral("C"), 5, 6);
    EXPECT_EQ(plan.Item(QStringLiteral("second")), b);
    EXPECT_EQ(errorNumberOf([&] { plan.Add(QStringLiteral("D"), 7, 8, QStringLiteral("first")); }),
              errors::kDuplicateKey);
    EXPECT_EQ(plan.Count(), 3);  // the refused channel is not in the collection
    plan.Remove(QStringLiteral("first"));
    EXPECT_EQ(plan.Item(1), b);
    EXPECT_EQ(errorNumberOf([&] { plan.Item(QStringLiteral("first")); }), errors::kInvalidArgument);
    plan.Add(QStringLiteral("E"), 9, 10, QStringLiteral("first"));  // the key is free again
    EXPECT_EQ(plan.Item(QStringLiteral("first"))->ChName(), QStringLiteral("E"));
}

TEST(ChannelsCollection, positionsOutsideTheCollectionAreInvalidArguments)
{
    channelsCollection plan;
    EXPECT_EQ(errorNumberOf([&] { plan.Item(1); }), errors::kInvalidArgument);
    plan.Add(QStringLiteral("A"), 1, 2);
    for (int position : {0, -1, 2})
        EXPECT_EQ(errorNumberOf([&] { plan.Item(position); }), errors::kInvalidArgument) << position;
    EXPECT_EQ(errorNumberOf([&] { plan.Remove(2); }), errors::kInvalidArgument);
    EXPECT_EQ(errorNumberOf([&] { plan.Remove(QStringLiteral("none")); }), errors::kInvalidArgument);
}

TEST(ChannelsCollection, the32769thChannelOverflows)
{
    channelsCollection plan;
    for (int i = 0; i < 32768; ++i)
        plan.Add(QString(), i, i);
    EXPECT_EQ(plan.Item(32768)->ChInd(), 32767);
    EXPECT_EQ(errorNumberOf([&] { plan.Add(QString(), 0, 0); }), errors::kOverflow);
    EXPECT_EQ(plan.Count(), 32768);
}

TEST(ChannelsCollectionFind, firstMatchInOrderOnCentreOrVideo)
{
    channelsCollection plan;
    EXPECT_EQ(plan.findByFreq(474000), nullptr);
    const ChannelPtr a = plan.Add(QStringLiteral("a"), 100, 200);
    const ChannelPtr b = plan.Add(QStringLiteral("b"), 300, 100);  // centre equals a's video
    const ChannelPtr c = plan.Add(QStringLiteral("c"), 200, 400);  // video equals a's centre
    const ChannelPtr d = plan.Add(QStringLiteral("d"), 500, 400);  // shares c's centre
    EXPECT_EQ(plan.findByFreq(100), a);
    EXPECT_EQ(plan.findByFreq(200), a);
    EXPECT_EQ(plan.findByFreq(300), b);
    EXPECT_EQ(plan.findByFreq(400), c);
    EXPECT_EQ(plan.findByFreq(500), d);
    EXPECT_EQ(plan.findByFreq(0), nullptr);
    EXPECT_EQ(plan.findByFreq(401), nullptr);
}

TEST(ChannelsCollectionFind, nameMatchesExactlyAndCaseSensitively)
{
    channelsCollection plan;
    const ChannelPtr e5 = plan.Add(QStringLiteral("E5"), 175250, 177500);
    plan.Add(QStringLiteral("E5"), 1, 2);
    EXPECT_EQ(plan.findByName(QStringLiteral("E5")), e5);
    for (const char* other : {"e5", "E5 ", "69"})
        EXPECT_EQ(plan.findByName(QLatin1String(other)), nullptr) << other;
}
