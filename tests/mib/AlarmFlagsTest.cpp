#include "AlarmFlags.h"

#include <gtest/gtest.h>

using namespace vimbo::mib;

namespace {

int lit(const std::array<bool, 6>& lamps)
{
    int count = 0;
    for (bool on : lamps)
        count += on;
    return count;
}

}  // namespace

TEST(AlarmFlags, bitsZeroToFiveWarnEightToThirteenAlarm)
{
    const AlarmFlags slot0 = readAlarmFlags("0101");
    EXPECT_TRUE(slot0.warning[0]);
    EXPECT_TRUE(slot0.alarm[0]);
    EXPECT_EQ(lit(slot0.warning) + lit(slot0.alarm), 2);

    const AlarmFlags all = readAlarmFlags("3F3F");
    EXPECT_EQ(lit(all.warning), 6);
    EXPECT_EQ(lit(all.alarm), 6);

    const AlarmFlags slot5Alarm = readAlarmFlags("2000");
    EXPECT_TRUE(slot5Alarm.alarm[5]);
    EXPECT_EQ(lit(slot5Alarm.warning) + lit(slot5Alarm.alarm), 1);
}

TEST(AlarmFlags, unusedBitsAndEmptyTextLightNothing)
{
    for (const char* text : {"C0", "", "C0C0", "zz", "FFFFC000"}) {
        const AlarmFlags flags = readAlarmFlags(text);
        EXPECT_EQ(lit(flags.warning) + lit(flags.alarm), 0) << text;
    }
}

TEST(AlarmFlags, readingStopsAtTheFirstNonHexCharacterInEitherCase)
{
    EXPECT_EQ(alarmFlagsValue("3f3f"), 0x3F3F);
    EXPECT_EQ(alarmFlagsValue("1g01"), 0x1);
    EXPECT_EQ(alarmFlagsValue("01 01"), 0x1);
    EXPECT_EQ(alarmFlagsValue("0x0101"), 0x0);
    // Longer texts keep their lowest bits exactly.
    EXPECT_EQ(alarmFlagsValue("ABCDEF0123450101"), 0x0101);
    EXPECT_EQ(alarmFlagsValue("FFFFFFFFFFFFFFFFFFFF"), 0x3FFF);
}
