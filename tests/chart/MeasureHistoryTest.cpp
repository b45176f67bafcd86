#include "chart/MeasureHistory.h"
#include "core/ProgramError.h"

#include <gtest/gtest.h>


using namespace vimbo;

namespace {

constexpr float kHuge = 3.402823E+38f;
const ChannelMask kAll{true, true, true, true, true, true};

Measures filled(float power, float mer, float vber)
{
    Measures m{};
    for (std::size_t c = 0; c < 6; ++c) {
        m[0][c] = power + static_cast<float>(c);
        m[1][c] = mer;
        m[2][c] = vber;
    }
    return m;
}

}  // namespace

TEST(BucketClock, thirteenBucketsAMinuteAndTheWaitForTheNextOne)
{
    const int expected[60] = {0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 4, 4,
                              4, 4, 4, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 8, 8,
                              8, 8, 8, 9, 9, 9, 9, 9, 10, 10, 10, 10, 10, 11, 11, 11, 11, 11, 12, 12};
    for (int s = 0; s < 60; ++s)
        EXPECT_EQ(MeasureHistory::clockNumber(s), expected[s]) << s;
    // Milliseconds of the minute -> milliseconds until the number changes.
    const std::pair<int, int> waits[] = {{0, 3000},     {2999, 1},     {3000, 5000}, {7999, 1},
                                         {52500, 500}, {57999, 1},    {58000, 2000}, {59999, 1}};
    for (const auto& [now, wait] : waits)
        EXPECT_EQ(MeasureHistory::msecToNextClockChange(now), wait) << now;
}

TEST(History, setsInOneBucketAreAveragedWhenItCloses)
{
    MeasureHistory history;
    history.add(filled(50, 30, 1e-6f));
    history.add(filled(52, 31, 3e-6f));
    history.closeBucket(1);
    EXPECT_FLOAT_EQ(history.value(0, 0, 0), 51.0f);
    EXPECT_FLOAT_EQ(history.value(0, 0, 5), 56.0f);
    EXPECT_FLOAT_EQ(history.value(0, 1, 3), 30.5f);
    EXPECT_FLOAT_EQ(history.value(0, 2, 2), 2e-6f);

    history.add(filled(40, 20, 0));
    history.closeBucket(2);
    EXPECT_FLOAT_EQ(history.value(1, 0, 0), 40.0f);  // one set stays as it was
    history.closeBucket(3);
    EXPECT_EQ(history.count(2), 0.0f);  // nothing arrived: no value
    EXPECT_EQ(history.insertInd(), 3);
}

TEST(History, ringWrapsAfter1440ClosesAndClearsTheOldestBucket)
{
    MeasureHistory history;
    history.add(filled(50, 30, 1e-6f));
    for (int i = 0; i < MeasureHistory::kBuckets - 1; ++i)
        history.closeBucket(static_cast<std::int16_t>(i % 2 + 1));
    EXPECT_EQ(history.insertInd(), 1439);
    EXPECT_FALSE(history.arrayFilled());
    EXPECT_EQ(history.count(0), 1.0f);
    history.closeBucket(5);
    EXPECT_EQ(history.insertInd(), 0);
    EXPECT_TRUE(history.arrayFilled());
    EXPECT_EQ(history.count(0), 0.0f);
    EXPECT_EQ(history.value(0, 0, 0), 0.0f);
    EXPECT_EQ(history.last5sSlot(), 5);
}

TEST(Margins, onlyCheckedChannelsAndBucketsWithValuesCount)
{
    MeasureHistory history;
    EXPECT_EQ(history.get5sAvgMeasMargins(0, 0, 10, kAll), (Margins{kHuge, -kHuge}));
    history.add(filled(50, 30, 1e-6f));  // power 50..55 over the channels
    history.closeBucket(1);
    history.closeBucket(2);  // an empty bucket between
    history.add(filled(40, 30, 1e-6f));
    history.closeBucket(3);
    EXPECT_EQ(history.get5sAvgMeasMargins(0, 0, 2, kAll), (Margins{40.0f, 55.0f}));
    // One channel over one bucket: a constant, widened by 10 % either way.
    EXPECT_EQ(history.get5sAvgMeasMargins(0, 0, 0, {false, true, false, false, false, false}),
              (Margins{static_cast<float>(51.0 * 0.9), static_cast<float>(51.0 * 1.1)}));
    EXPECT_EQ(history.get5sAvgMeasMargins(0, 0, 2, ChannelMask{}), (Margins{kHuge, -kHuge}));
}

TEST(Margins, constantValuesAreWidenedEvenWhenZeroOrNegative)
{
    MeasureHistory history;
    history.add(filled(0, -10, 0));
    history.closeBucket(1);
    EXPECT_EQ(history.get5sAvgMeasMargins(2, 0, 0, kAll), (Margins{0.0f, 0.0f}));
    EXPECT_EQ(history.get5sAvgMeasMargins(1, 0, 0, kAll), (Margins{-9.0f, -11.0f}));
    EXPECT_THROW(history.get5sAvgMeasMargins(1, 1, 0, kAll), ProgramError);  // a reversed stretch
}

TEST(Margins, shownStretchCoversSixtyOneBucketsAcrossTheWrap)
{
    MeasureHistory history;
    // One value per bucket in the power of channel 0: the bucket number, but
    // extremes at 1389 (just outside the stretch ending at 10) and 1390 (inside).
    const ChannelMask first{true, false, false, false, false, false};
    for (int bucket = 0; bucket < MeasureHistory::kBuckets; ++bucket) {
        Measures m{};
        m[0][0] = bucket == 1389 ? -1000.0f : bucket == 1390 ? 5000.0f : static_cast<float>(bucket);
        history.add(m);
        history.closeBucket(static_cast<std::int16_t>(bucket % 2 + 1));
    }
    ASSERT_TRUE(history.arrayFilled());
    // The last close wrapped and cleared bucket 0. End at 10: buckets 1390..1439
    // and 1..10 count, 1389 does not.
    EXPECT_EQ(history.getShownMeasMargins(0, 10, first, 60), (Margins{1.0f, 5000.0f}));
    EXPECT_EQ(history.getShownMeasMargins(0, 100, first, 60), (Margins{40.0f, 100.0f}));
    history.setArrayFilled(false);
    EXPECT_EQ(history.getShownMeasMargins(0, 10, first, 60), (Margins{1.0f, 10.0f}));
}
