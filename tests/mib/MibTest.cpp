// The probe's values on their way to and from the screen: scales, roundings,
// alarm flags and display formats.
#include "mib/AlarmFlags.h"
#include "mib/DisplayFormat.h"
#include "mib/Scales.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vimbo::mib;

TEST(Scales, readDividesWriteMultipliesAndHalvesRoundToEven)
{
    EXPECT_DOUBLE_EQ(vberFromRaw(1), 1e-7);
    EXPECT_DOUBLE_EQ(hundredthsFromRaw(5230), 52.30);
    EXPECT_EQ(kHzFromHz(578000500), 578000);
    EXPECT_EQ(kHzFromHz(578001500), 578002);
    EXPECT_EQ(vberToRaw(1), 10000000);
    EXPECT_EQ(vberToRaw(2.5e-7), 2);
    EXPECT_EQ(hzFromMHz(177.5), 177500000);
    EXPECT_EQ(roundToInt16(2.5), 2);
    EXPECT_EQ(roundToInt16(3.5), 4);
    EXPECT_EQ(roundToInt16(-2.5), -2);
    EXPECT_EQ(roundToInt16(32767.4), 32767);
    EXPECT_FALSE(roundToInt16(32767.5));
    EXPECT_FALSE(hzFromMHz(2200));
    EXPECT_FALSE(vberToRaw(std::numeric_limits<double>::quiet_NaN()));
}

TEST(AlarmFlags, hexUpToTheFirstOtherCharacterBitsZeroToFiveWarnEightToThirteenAlarm)
{
    const std::pair<const char*, int> values[] = {{"3f3f", 0x3F3F},  {"1g01", 0x1},     {"01 01", 0x1}, {"0x0101", 0},
                                                  {"ABCDEF0123450101", 0x0101}, {"FFFFFFFFFFFFFFFFFFFF", 0x3FFF}};
    for (const auto& [text, value] : values)
        EXPECT_EQ(alarmFlagsValue(text), value) << text;
    const AlarmFlags flags = readAlarmFlags("2101");
    EXPECT_EQ(flags.warning, (std::array<bool, 6>{true, false, false, false, false, false}));
    EXPECT_EQ(flags.alarm, (std::array<bool, 6>{true, false, false, false, false, true}));
    EXPECT_EQ(readAlarmFlags("C0C0").alarm, (std::array<bool, 6>{}));  // unused bits light nothing
}

TEST(DisplayFormat, scientificFixedAndMegahertzInTheUsersLocale)
{
    const QLocale c(QLocale::C), spanish(QLocale::Spanish, QLocale::Spain);
    const std::pair<double, const char*> scientific[] = {
        {1e-7, "1.00E-07"}, {1.235e-5, "1.24E-05"}, {9.995e-5, "1.00E-04"}, {0.0, "0.00E+00"},
        {52.3, "5.23E+01"}, {1e100, "1.00E+100"}, {-3.4e-7, "-3.40E-07"}};
    for (const auto& [value, text] : scientific)
        EXPECT_EQ(formatScientific(value, c).toStdString(), text);
    const std::pair<double, const char*> fixed[] = {{52.3, "52.30"}, {0.125, "0.13"}, {2.675, "2.68"},
                                                    {99.995, "100.00"}, {-0.001, "0.00"}, {123456.789, "123456.79"}};
    for (const auto& [value, text] : fixed)
        EXPECT_EQ(formatFixed2(value, c).toStdString(), text);
    EXPECT_EQ(formatMHz(578.125, c), "578.13MHz");
    EXPECT_EQ(formatMHz(578.0, spanish), "578,00MHz");
    EXPECT_EQ(formatScientific(1e-7, spanish), "1,00E-07");
    EXPECT_EQ(formatFixed2(std::numeric_limits<double>::quiet_NaN(), c), "NaN");
}
