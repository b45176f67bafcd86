#include "Scales.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vimbo::mib;

TEST(Scales, readSideDividesByTheProbesScale)
{
    EXPECT_DOUBLE_EQ(vberFromRaw(1), 1e-7);
    EXPECT_DOUBLE_EQ(hundredthsFromRaw(5230), 52.30);
    EXPECT_EQ(kHzFromHz(578000000), 578000);
    EXPECT_DOUBLE_EQ(mhzFromKHz(578000), 578.0);
}

TEST(Scales, halvesRoundToTheEvenNeighbour)
{
    EXPECT_EQ(roundToInt16(2.5), 2);
    EXPECT_EQ(roundToInt16(3.5), 4);
    EXPECT_EQ(roundToInt16(-2.5), -2);
    EXPECT_EQ(roundToInt16(2.4999), 2);
    EXPECT_EQ(roundToInt32(-0.5), 0);
    EXPECT_EQ(kHzFromHz(578000500), 578000);
    EXPECT_EQ(kHzFromHz(578001500), 578002);
}

TEST(Scales, writeSideMultipliesAndRounds)
{
    EXPECT_EQ(vberToRaw(1), 10000000);
    EXPECT_EQ(vberToRaw(1e-7), 1);
    EXPECT_EQ(vberToRaw(2.5e-7), 2);
    EXPECT_EQ(hzFromMHz(578.0), 578000000);
    EXPECT_EQ(hzFromMHz(177.5), 177500000);
}

TEST(Scales, valuesThatDoNotFitAreRefused)
{
    EXPECT_EQ(roundToInt16(32767.4), 32767);
    EXPECT_FALSE(roundToInt16(32767.5).has_value());
    EXPECT_FALSE(roundToInt16(-32769).has_value());
    EXPECT_FALSE(hzFromMHz(2200).has_value());
    EXPECT_FALSE(vberToRaw(std::numeric_limits<double>::quiet_NaN()).has_value());
    EXPECT_FALSE(roundToInt32(std::numeric_limits<double>::infinity()).has_value());
}
