#include "Variant.h"

#include <gtest/gtest.h>

using zemtra::ErrorCode;
using zemtra::Variant;

TEST(Variant, integerRuleKeepsInt32ErrorAndBooleanAndMakesAnythingElseInt32)
{
    const std::pair<Variant, Variant> cases[] = {
        {Variant(std::int32_t{7}), Variant(std::int32_t{-8})}, {Variant(ErrorCode{1}), Variant(ErrorCode{-8})},
        {Variant(false), Variant(true)},                       {Variant(), Variant(std::int32_t{-8})},
        {Variant("text"), Variant(std::int32_t{-8})},          {Variant(std::int16_t{1}), Variant(std::int32_t{-8})},
        {Variant(2.5), Variant(std::int32_t{-8})},             {Variant::null(), Variant(std::int32_t{-8})},
    };
    for (auto [before, after] : cases) {
        before.assignInteger(-8);
        EXPECT_EQ(before, after);
    }
}

TEST(Variant, textAndNumberConvertAsTheHostsConversionsDo)
{
    EXPECT_EQ(Variant().toText(), "");
    EXPECT_EQ(Variant::null().toText(), std::nullopt);
    EXPECT_EQ(Variant(true).toText(), "True");
    EXPECT_EQ(Variant(std::int32_t{578000000}).toText(), "578000000");
    EXPECT_EQ(Variant(0.1).toText(), "0.1");
    EXPECT_EQ(Variant(ErrorCode{5}).toText(), "Error 5");

    EXPECT_EQ(Variant(true).toNumber(), -1.0);
    EXPECT_EQ(Variant(" 12.5 ").toNumber(), 12.5);
    EXPECT_EQ(Variant("+1e-7").toNumber(), 1e-7);
    for (const char* text : {"", "abc", "1,5", "12abc", "inf", "nan", "0x10", "1 2", "--1"})
        EXPECT_EQ(Variant(text).toNumber(), std::nullopt) << text;
    EXPECT_EQ(Variant(ErrorCode{3}).toNumber(), std::nullopt);
}
