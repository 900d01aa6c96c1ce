#include "SysExParamChangeAddressTransTable.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

struct Bytes4
{
    unsigned char b[4] = {0xAA, 0xAA, 0xAA, 0xAA};
};

ParamAddress memoryOf(const SysExParamChangeAddressTransTable& table, unsigned char mid, unsigned char low)
{
    const unsigned char address[2] = {mid, low};
    return table.getMemoryParamAddress(address);
}

} // namespace

TEST(SysExAddressTable, HoldsOneEntryPerByteOfEveryBlock)
{
    const SysExParamChangeAddressTransTable table;
    EXPECT_EQ(table.entryCount(), 27 + 12 * 26);
    // Every byte of the common block and of each controller block maps back to exactly one field byte,
    // and the positions of one field count 0 .. length - 1.
    for (int mid = 0x00; mid <= 0x1B; mid = (mid == 0x00 ? 0x10 : mid + 1)) {
        const int blockLength = mid == 0x00 ? 27 : 26;
        for (int low = 0; low < blockLength; ++low) {
            const unsigned char address[2] = {uchar(mid), uchar(low)};
            unsigned char info[2] = {0xEE, 0xEE};
            table.getSysExAddressParamInfo(address, info);
            ASSERT_NE(info[1], 0xEE) << mid << " " << low;
            EXPECT_LT(info[0], info[1]);
            const ParamAddress a = table.getMemoryParamAddress(address);
            unsigned char start[4];
            ASSERT_TRUE(table.getSysExParamAddress(a, start)) << mid << " " << low;
            EXPECT_EQ(start[0], mid);
            EXPECT_EQ(start[1] + info[0], low);
            EXPECT_EQ(start[3], info[1]);
        }
        // One past the block holds nothing.
        EXPECT_EQ(memoryOf(table, uchar(mid), uchar(blockLength)), ParamAddress(-1, -1, -1, -1));
    }
}

TEST(SysExAddressTable, GivesFieldStartsOfTheWorkedExamples)
{
    const SysExParamChangeAddressTransTable table;
    Bytes4 out;
    ASSERT_TRUE(table.getSysExParamAddress(ParamAddress(0, 7, 13, -1), out.b));
    EXPECT_EQ(std::vector<int>(out.b, out.b + 4), (std::vector<int>{0x00, 0x00, 0x00, 0x0D}));
    ASSERT_TRUE(table.getSysExParamAddress(ParamAddress(0, 7, 4, 0), out.b));
    EXPECT_EQ(std::vector<int>(out.b, out.b + 4), (std::vector<int>{0x14, 0x09, 0x00, 0x0F}));
    ASSERT_TRUE(table.getSysExParamAddress(ParamAddress(3, 52, -1, -1), out.b));
    EXPECT_EQ(std::vector<int>(out.b, out.b + 4), (std::vector<int>{0x20, 0x00, 0x00, 0x01}));
    ASSERT_TRUE(table.getSysExParamAddress(ParamAddress(-6, -1, -1, -1), out.b));
    EXPECT_EQ(std::vector<int>(out.b, out.b + 4), (std::vector<int>{0x23, 0x00, 0x00, 0x01}));
    ASSERT_TRUE(table.getSysExParamAddress(ParamAddress(0, 7, 11, 3), out.b));
    EXPECT_EQ(std::vector<int>(out.b, out.b + 4), (std::vector<int>{0x1B, 0x00, 0x00, 0x09}));
    ASSERT_TRUE(table.getSysExParamAddress(ParamAddress(1, 0, 15, -1), out.b));
    EXPECT_EQ(std::vector<int>(out.b, out.b + 4), (std::vector<int>{0x00, 0x0D, 0x00, 0x0C}));
    ASSERT_TRUE(table.getSysExParamAddress(ParamAddress(1, 0, 2, 1), out.b));
    EXPECT_EQ(std::vector<int>(out.b, out.b + 4), (std::vector<int>{0x12, 0x18, 0x00, 0x01}));
}

TEST(SysExAddressTable, RefusesAddressesWithoutASysExField)
{
    const SysExParamChangeAddressTransTable table;
    Bytes4 out;
    EXPECT_FALSE(table.getSysExParamAddress(ParamAddress(0, 51, -1, -1), out.b));  // bank available flag
    EXPECT_FALSE(table.getSysExParamAddress(ParamAddress(-2, -1, -1, -1), out.b)); // ONLINE
    EXPECT_FALSE(table.getSysExParamAddress(ParamAddress(-4, -1, -1, -1), out.b)); // file name
    EXPECT_FALSE(table.getSysExParamAddress(ParamAddress(0, 7, 4, -1), out.b));
    EXPECT_FALSE(table.getSysExParamAddress(ParamAddress(0, 7, 12, 0), out.b));
    EXPECT_FALSE(table.getSysExParamAddress(ParamAddress(0, 7, 13, 0), out.b));
    EXPECT_EQ(out.b[0], 0xAA); // untouched
    EXPECT_FALSE(table.getSysExParamAddress(ParamAddress(0, 7, 13, -1), nullptr));
}

TEST(SysExAddressTable, MapsSysExAddressesBackToMemoryElements)
{
    const SysExParamChangeAddressTransTable table;
    EXPECT_EQ(memoryOf(table, 0x14, 0x0C), ParamAddress(-1, -1, 4, 0));
    const unsigned char displayName[2] = {0x14, 0x0C};
    unsigned char info[2] = {0, 0};
    table.getSysExAddressParamInfo(displayName, info);
    EXPECT_EQ(info[0], 3);
    EXPECT_EQ(info[1], 15);
    EXPECT_EQ(memoryOf(table, 0x00, 0x1A), ParamAddress(-1, -1, 16, -1));
    EXPECT_EQ(memoryOf(table, 0x00, 0x0D), ParamAddress(-1, -1, 15, -1));
    EXPECT_EQ(memoryOf(table, 0x00, 0x19), ParamAddress(-1, -1, 14, -1));
    EXPECT_EQ(memoryOf(table, 0x1B, 0x19), ParamAddress(-1, -1, 11, 2));
    EXPECT_EQ(memoryOf(table, 0x10, 0x08), ParamAddress(-1, -1, 0, 3));
    EXPECT_EQ(memoryOf(table, 0x20, 0x00), ParamAddress(-1, 52, -1, -1));
    EXPECT_EQ(memoryOf(table, 0x23, 0x00), ParamAddress(-1, -1, -1, -1));
    EXPECT_EQ(memoryOf(table, 0x22, 0x00), ParamAddress(-1, -1, -1, -1));
    EXPECT_EQ(memoryOf(table, 0x1C, 0x00), ParamAddress(-1, -1, -1, -1));
    EXPECT_EQ(table.getMemoryParamAddress(nullptr), ParamAddress(-1, -1, -1, -1));

    // Addresses outside every field leave the info untouched.
    const unsigned char single[2] = {0x20, 0x00};
    unsigned char untouched[2] = {0x55, 0x66};
    table.getSysExAddressParamInfo(single, untouched);
    EXPECT_EQ(untouched[0], 0x55);
    EXPECT_EQ(untouched[1], 0x66);
}

TEST(SysExAddressTable, EnregisterAddsNothingForEmptyFields)
{
    SysExParamChangeAddressTransTable table;
    const int before = table.entryCount();
    table.enregister(5, 5, 0x30, 0, 0);
    table.enregister(5, 5, 0x30, 0, -3);
    EXPECT_EQ(table.entryCount(), before);
    table.enregister(5, 5, 0x30, 0x04, 2);
    EXPECT_EQ(table.entryCount(), before + 2);
    Bytes4 out;
    ASSERT_TRUE(table.getSysExParamAddress(ParamAddress(0, 0, 5, 5), out.b));
    EXPECT_EQ(std::vector<int>(out.b, out.b + 4), (std::vector<int>{0x30, 0x04, 0x00, 0x02}));
}

TEST(SysExAddressTable, PacksComponentsAsTheKeysAre)
{
    EXPECT_EQ(SysExParamChangeAddressTransTable::Combine(13, -1), 0x0DFF);
    EXPECT_EQ(SysExParamChangeAddressTransTable::Combine(-1, -1), 0xFFFF);
    EXPECT_EQ(SysExParamChangeAddressTransTable::Combine(4, 0), 0x0400);
    EXPECT_EQ(SysExParamChangeAddressTransTable::Combine(0x1FF, 0x1FF), 0xFFFF);
    unsigned char out[2] = {0, 0};
    SysExParamChangeAddressTransTable::Devide(0x140C, out);
    EXPECT_EQ(out[0], 0x14);
    EXPECT_EQ(out[1], 0x0C);
    SysExParamChangeAddressTransTable::Devide(0x140C, nullptr);
}
