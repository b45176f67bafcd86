#include "DisplayFormat.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vimbo::mib;

namespace {
const QLocale kC(QLocale::C);
const QLocale kSpanish(QLocale::Spanish, QLocale::Spain);
}  // namespace

struct FormatCase {
    double value;
    const char* text;
};

class ScientificFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(ScientificFormat, twoDecimalsAndASignedTwoDigitExponent)
{
    EXPECT_EQ(formatScientific(GetParam().value, kC).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, ScientificFormat,
                         testing::Values(FormatCase{1e-7, "1.00E-07"}, FormatCase{1.25e-5, "1.25E-05"},
                                         FormatCase{1.235e-5, "1.24E-05"}, FormatCase{9.995e-5, "1.00E-04"},
                                         FormatCase{0.0, "0.00E+00"}, FormatCase{52.3, "5.23E+01"},
                                         FormatCase{1e100, "1.00E+100"}, FormatCase{-3.4e-7, "-3.40E-07"},
                                         FormatCase{1e-4, "1.00E-04"}));

class FixedFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(FixedFormat, twoDecimalsHalvesAwayFromZero)
{
    EXPECT_EQ(formatFixed2(GetParam().value, kC).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, FixedFormat,
                         testing::Values(FormatCase{52.3, "52.30"}, FormatCase{0.0, "0.00"},
                                         FormatCase{0.125, "0.13"}, FormatCase{2.675, "2.68"},
                                         FormatCase{99.995, "100.00"}, FormatCase{-12.5, "-12.50"},
                                         FormatCase{-0.001, "0.00"}, FormatCase{0.005, "0.01"},
                                         FormatCase{123456.789, "123456.79"}, FormatCase{7, "7.00"}));

TEST(DisplayFormat, frequencyInMHz)
{
    EXPECT_EQ(formatMHz(578.0, kC), "578.00MHz");
    EXPECT_EQ(formatMHz(177.5, kC), "177.50MHz");
    EXPECT_EQ(formatMHz(578.125, kC), "578.13MHz");
}

TEST(DisplayFormat, usesTheLocalesDecimalSeparator)
{
    EXPECT_EQ(formatMHz(578.0, kSpanish), "578,00MHz");
    EXPECT_EQ(formatScientific(1e-7, kSpanish), "1,00E-07");
    EXPECT_EQ(formatFixed2(1234.5, kSpanish), "1234,50");
}

TEST(DisplayFormat, notANumberDoesNotFail)
{
    EXPECT_EQ(formatFixed2(std::numeric_limits<double>::quiet_NaN(), kC), "NaN");
    EXPECT_EQ(formatScientific(-std::numeric_limits<double>::infinity(), kC), "-Infinity");
}
