#include "widgets/Geometry.h"
#include "TestFiles.h"
#include "widgets/ZemtraLib.h"

#include <gtest/gtest.h>

using vimbo::VariantGrid;
using zemtra::Variant;
using vimbo::test::errorNumberOf;

namespace {

const Variant kZero(std::int16_t{0});

// Every cell holds "r<row>c<column>".
VariantGrid labelled(int rowLower, int rowUpper, int columnLower, int columnUpper)
{
    VariantGrid grid(rowLower, rowUpper, columnLower, columnUpper);
    for (int r = rowLower; r <= rowUpper; ++r)
        for (int c = columnLower; c <= columnUpper; ++c)
            grid.at(r, c) = Variant("r" + std::to_string(r) + "c" + std::to_string(c));
    return grid;
}

Variant label(int row, int column) { return Variant("r" + std::to_string(row) + "c" + std::to_string(column)); }

}  // namespace

TEST(ShiftRows, rowsMoveByTheShiftFreedRowsHoldZeroAndALargerShiftIsRefused)
{
    VariantGrid up = labelled(0, 60, 0, 6);
    ZemtraLib::shiftRows(up, -1);
    for (int c = 0; c <= 6; ++c)
        EXPECT_EQ((std::vector<Variant>{up.at(0, c), up.at(59, c), up.at(60, c)}),
                  (std::vector<Variant>{label(1, c), label(60, c), kZero}));
    VariantGrid down = labelled(1, 5, -1, 1);  // any lower bounds
    ZemtraLib::shiftRows(down, 2);
    for (int c = -1; c <= 1; ++c)
        EXPECT_EQ((std::vector<Variant>{down.at(1, c), down.at(2, c), down.at(3, c), down.at(5, c)}),
                  (std::vector<Variant>{kZero, kZero, label(1, c), label(3, c)}));
    VariantGrid all = labelled(1, 5, 0, 1);
    ZemtraLib::shiftRows(all, -5);
    EXPECT_EQ(all.at(1, 0), kZero);
    EXPECT_EQ(errorNumberOf([&] { ZemtraLib::shiftRows(all, 6); }), vimbo::errors::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { ZemtraLib::shiftRows(all, -6); }), vimbo::errors::kSubscriptOutOfRange);
}

TEST(IsValidIPAddress, endFieldsFromOneTo254MiddleFieldsAnyByteWrittenPlainly)
{
    for (const char* good : {"172.16.5.20", "127.10.10.10", "1.1.1.1", "254.254.254.254", "192.168.101.248",
                             "10.0.0.1", "192.168.0.20", "172.16.0.5", "127.0.0.1", "10.255.255.1"})
        EXPECT_TRUE(ZemtraLib::isValidIPAddress(QString::fromLatin1(good))) << good;
    for (const char* bad : {"0.1.1.1", "1.1.1.0", "255.1.1.1", "1.1.1.255", "1.256.1.1", "1.00.1.1", "1.01.1.1",
                            "172.16.1.255", "172.16.001.5", "172.16.1", "172.16.1.5.7", "", "1.2.3.4.",
                            "+5.1.1.1", " 1.1.1.1", "1.1.1.1 ", "1..1.1", "1.1.1.1e0", "1.1.1.٣", "1000.1.1.1",
                            "0x1.1.1.1", "1.1.1.-1"})
        EXPECT_FALSE(ZemtraLib::isValidIPAddress(QString::fromUtf8(bad))) << bad;
}

