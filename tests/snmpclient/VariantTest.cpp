#include "Variant.h"

#include <gtest/gtest.h>

using zemtra::ErrorCode;
using zemtra::Variant;
using zemtra::VarType;

TEST(VariantIntegerRule, keepsInt32ErrorCodeAndBooleanTypes)
{
    Variant number(std::int32_t{7});
    number.assignInteger(-3);
    EXPECT_EQ(number, Variant(std::int32_t{-3}));

    Variant error(ErrorCode{1});
    error.assignInteger(42);
    EXPECT_EQ(error, Variant(ErrorCode{42}));

    Variant flag(false);
    flag.assignInteger(5);
    EXPECT_EQ(flag, Variant(true));
    flag.assignInteger(0);
    EXPECT_EQ(flag, Variant(false));
}

TEST(VariantIntegerRule, anyOtherTypeBecomesInt32)
{
    for (Variant before : {Variant(), Variant::null(), Variant(std::string("text")), Variant(std::int16_t{1}),
                           Variant(2.5), Variant(1.5f), Variant(std::uint8_t{9})}) {
        before.assignInteger(-8);
        EXPECT_EQ(before.type(), VarType::Int32);
        EXPECT_EQ(*before.getIf<std::int32_t>(), -8);
    }
}

TEST(VariantText, convertsLikeAHostStringConversion)
{
    EXPECT_EQ(Variant().toText(), "");
    EXPECT_EQ(Variant::null().toText(), std::nullopt);
    EXPECT_EQ(Variant(true).toText(), "True");
    EXPECT_EQ(Variant(std::int16_t{-5}).toText(), "-5");
    EXPECT_EQ(Variant(std::int32_t{578000000}).toText(), "578000000");
    EXPECT_EQ(Variant(0.1).toText(), "0.1");
    EXPECT_EQ(Variant(std::string("abc")).toText(), "abc");
    EXPECT_EQ(Variant(ErrorCode{5}).toText(), "Error 5");
}

TEST(VariantType, namesTheAutomationTypes)
{
    EXPECT_EQ(Variant().type(), VarType::Empty);
    EXPECT_EQ(static_cast<int>(Variant(std::string()).type()), 8);
    EXPECT_EQ(static_cast<int>(Variant(true).type()), 11);
    EXPECT_STREQ(zemtra::typeName(Variant(std::int32_t{1}).type()), "Int32");
    EXPECT_STREQ(zemtra::typeName(Variant("x").type()), "String");
    EXPECT_STREQ(zemtra::typeName(VarType::Empty), "Empty");
}

TEST(VariantNumber, numbersBooleansAndDecimalTexts)
{
    EXPECT_EQ(Variant().toNumber(), 0.0);
    EXPECT_EQ(Variant(true).toNumber(), -1.0);
    EXPECT_EQ(Variant(std::int32_t{578000000}).toNumber(), 578000000.0);
    EXPECT_EQ(Variant(std::int16_t{-5}).toNumber(), -5.0);
    EXPECT_EQ(Variant(" 12.5 ").toNumber(), 12.5);
    EXPECT_EQ(Variant("+1e-7").toNumber(), 1e-7);
    EXPECT_EQ(Variant("-3").toNumber(), -3.0);
    for (const char* text : {"", " ", "abc", "1,5", "12abc", "inf", "nan", "0x10", "1 2", "--1"})
        EXPECT_EQ(Variant(text).toNumber(), std::nullopt) << text;
    EXPECT_EQ(Variant::null().toNumber(), std::nullopt);
    EXPECT_EQ(Variant(ErrorCode{3}).toNumber(), std::nullopt);
}
