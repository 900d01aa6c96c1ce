#include "ParamAddress.h"
#include "AddressTransTable.h"
#include "NumericParameter.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using Components = std::tuple<int, int, int, int>;

Components components(const ParamAddress& a)
{
    return {a.getParamAddress(0), a.getParamAddress(1), a.getParamAddress(2), a.getParamAddress(3)};
}

class ParamAddressTest : public ::testing::Test
{
protected:
    AddressTransTable table;
};

} // namespace

TEST(AddressTransTable, HoldsExactlyTheTwentyEightNames)
{
    const AddressTransTable table;
    const QHash<QString, int> names = table.getTable();
    EXPECT_EQ(names.size(), 28);
    const std::pair<const char*, int> expected[] = {
        {"bankName", 50},     {"templateName", 13},    {"controlType", 14},       {"displayName", 0},
        {"ccNumber", 1},      {"displayFormat", 2},    {"remoteNumber", 3},       {"qpxiName", 15},
        {"none", -1},         {"isOnline", -2},        {"fileName", -4},          {"bankEditFlag", -6},
        {"fileEditFlag", -3}, {"libraryEditFlag", -5}, {"bankAvailableFlag", 51}, {"currentTemplateNumber", 52}};
    for (const auto& [name, number] : expected) {
        ASSERT_TRUE(names.contains(QLatin1String(name))) << name;
        EXPECT_EQ(names.value(QLatin1String(name)), number) << name;
    }
    // Knobs are numbered row by row: (row - 1) * 4 + column.
    const char columns[] = "ABCD";
    for (int row = 1; row <= 3; ++row)
        for (int column = 0; column < 4; ++column) {
            const QString name = QStringLiteral("knob%1%2").arg(QLatin1Char(columns[column])).arg(row);
            EXPECT_EQ(names.value(name, -100), (row - 1) * 4 + column) << name.toStdString();
        }
}

TEST_F(ParamAddressTest, LooksNamesUpExactlyAndCaseSensitively)
{
    ParamAddress a(&table);
    EXPECT_EQ(a.String2ParamAdr(QStringLiteral("knobD3")), 11);
    EXPECT_EQ(a.String2ParamAdr("ccNumber"), 1);
    EXPECT_EQ(a.String2ParamAdr("CCNumber"), -1);
    EXPECT_EQ(a.String2ParamAdr("ccNumber "), -1);
    EXPECT_EQ(a.String2ParamAdr(static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(ParamAddress().String2ParamAdr("ccNumber"), -1) << "no table, no names";
}

TEST_F(ParamAddressTest, ConstructorsStartUnsetAndStoreOnlySetArguments)
{
    EXPECT_EQ(components(ParamAddress(&table)), Components(-1, -1, -1, -1));
    const ParamAddress a(0, 52, -1, -1);
    EXPECT_EQ(components(a), Components(0, 52, -1, -1));
    EXPECT_EQ(a.addressTransTable(), nullptr);
}

TEST_F(ParamAddressTest, EqualityIgnoresTheTable)
{
    AddressTransTable other;
    ParamAddress a(0, 52, -1, -1);
    ParamAddress b(0, 52, -1, -1);
    a.setAddressTransTable(&table);
    b.setAddressTransTable(&other);
    EXPECT_TRUE(a == b);
    b.setParamAddress(1, -1, -1, -1);
    EXPECT_FALSE(a == b);
}

TEST_F(ParamAddressTest, NumericSetterCannotClearAndInitClearsAll)
{
    ParamAddress a(3, 4, 5, 1);
    a.setAddressTransTable(&table);
    a.setParamAddress(-1, -1, -1, -1);
    EXPECT_EQ(components(a), Components(3, 4, 5, 1));
    a.setParamAddress(-1, 7, -1, -1);
    EXPECT_EQ(components(a), Components(3, 7, 5, 1));
    a.initParamAddress();
    EXPECT_EQ(components(a), Components(-1, -1, -1, -1));
    EXPECT_EQ(a.addressTransTable(), &table) << "init keeps the table";
}

TEST_F(ParamAddressTest, ComponentIndexOutsideRangeGivesMinusOne)
{
    const ParamAddress a(1, 2, 3, 0);
    EXPECT_EQ(a.getParamAddress(4), -1);
    EXPECT_EQ(a.getParamAddress(-1), -1);
    EXPECT_EQ(a.getParamAddress(3), 0);
}

TEST_F(ParamAddressTest, TwoPartNameResolvesControllerAndParam)
{
    ParamAddress a(&table);
    a.setParamAddress(0, 9, "knobA1/remoteNumber", -1);
    EXPECT_EQ(components(a), Components(0, 9, 0, 3));

    ParamAddress b(&table);
    b.setParamAddress(0, 9, "/ccNumber", -1);
    EXPECT_EQ(components(b), Components(0, 9, 1, 1)) << "the empty first part is dropped";

    ParamAddress c(&table);
    c.setParamAddress(2, 3, "knobB2", -1);
    EXPECT_EQ(components(c), Components(2, 3, 5, 5)) << "a name without '/' is both parts";

    ParamAddress d(&table);
    d.setParamAddress(0, 0, "knobD3/displayFormat", 1);
    EXPECT_EQ(components(d), Components(0, 0, 11, 2)) << "the name overrides the param argument";

    ParamAddress e(&table);
    e.setParamAddress(0, 0, "knobZ9/ccNumber", -1);
    EXPECT_EQ(components(e), Components(0, 0, -1, 1)) << "an unknown part resolves to not set";
}

TEST_F(ParamAddressTest, TwoPartNameWithoutPartsLeavesTheAddress)
{
    for (const char* name : {"", "/", "//", static_cast<const char*>(nullptr)}) {
        ParamAddress a(&table);
        a.setParamAddress(0, 5, 2, 1);
        a.setParamAddress(-1, -1, name, -1);
        EXPECT_EQ(components(a), Components(0, 5, 2, 1)) << (name ? name : "(null)");
    }
}

TEST_F(ParamAddressTest, NamedSettersWithoutTableResolveToNotSet)
{
    ParamAddress a(0, 1, 2, 1);
    a.setParamAddress(-1, -1, "knobA1/ccNumber", -1);
    EXPECT_EQ(components(a), Components(0, 1, -1, -1));
}

TEST_F(ParamAddressTest, SingleNameMovesTheNumberToItsComponent)
{
    ParamAddress a(&table);
    a.setParamAddress(0, 7, -1, "templateName");
    EXPECT_EQ(components(a), Components(0, 7, 13, -1));

    a.setParamAddress(-1, -1, 4, "qpxiName");
    EXPECT_EQ(components(a), Components(0, 7, 15, -1)) << "the name wins over the controller argument";

    a.setParamAddress(-1, -1, -1, "controlType");
    EXPECT_EQ(components(a), Components(0, 7, 14, -1));

    ParamAddress b(&table);
    b.setParamAddress(3, 7, 2, "currentTemplateNumber");
    EXPECT_EQ(components(b), Components(3, 52, -1, -1));
    b.setParamAddress(-1, 7, -1, "bankAvailableFlag");
    EXPECT_EQ(components(b), Components(3, 51, -1, -1));

    const std::pair<const char*, int> stateNames[] = {
        {"fileName", -4}, {"isOnline", -2}, {"bankEditFlag", -6}, {"fileEditFlag", -3}, {"libraryEditFlag", -5}};
    for (const auto& [name, bank] : stateNames) {
        ParamAddress c(&table);
        c.setParamAddress(5, 9, 3, name);
        EXPECT_EQ(components(c), Components(bank, -1, -1, -1)) << name;
    }
}

TEST_F(ParamAddressTest, SingleNameOfAKnobValueLandsInParam)
{
    ParamAddress a(&table);
    a.setParamAddress(0, 7, 3, "ccNumber");
    EXPECT_EQ(components(a), Components(0, 7, 3, 1));
    a.setParamAddress(-1, -1, -1, "bankName");
    EXPECT_EQ(components(a), Components(0, 7, 3, 50));
    a.setParamAddress(-1, -1, -1, "noSuchName");
    EXPECT_EQ(components(a), Components(0, 7, 3, -1));
    a.setParamAddress(1, -1, -1, static_cast<const char*>(nullptr));
    EXPECT_EQ(components(a), Components(1, 7, 3, -1)) << "a null name stops after the numbers";
}

TEST_F(ParamAddressTest, SplitDropsEmptyParts)
{
    EXPECT_EQ(ParamAddress::splitNamedAdr("//knobA1///ccNumber/"),
              QStringList({QStringLiteral("knobA1"), QStringLiteral("ccNumber")}));
    EXPECT_TRUE(ParamAddress::splitNamedAdr("").isEmpty());
    EXPECT_TRUE(ParamAddress::splitNamedAdr(nullptr).isEmpty());
}

TEST(ParamAddressPredicates, ClassifyEveryWellFormedAddress)
{
    const ParamAddress fileName(-4, -1, -1, -1);
    EXPECT_FALSE(fileName.isStringParamAdr());
    EXPECT_FALSE(fileName.isNumericParamAdr());
    EXPECT_TRUE(fileName.isParamUsedInOnlyEditor());
    EXPECT_TRUE(fileName.isFileNameAdr());

    const ParamAddress libraryFlag(-5, -1, -1, -1);
    EXPECT_FALSE(libraryFlag.isNumericParamAdr());
    EXPECT_FALSE(libraryFlag.isParamUsedInOnlyEditor());
    EXPECT_TRUE(libraryFlag.isLibraryEditFlagAdr());

    for (int bank : {-2, -3, -6}) {
        const ParamAddress flag(bank, -1, -1, -1);
        EXPECT_TRUE(flag.isNumericParamAdr()) << bank;
        EXPECT_TRUE(flag.isParamUsedInOnlyEditor()) << bank;
        EXPECT_FALSE(flag.isBankParam()) << bank;
    }

    const ParamAddress available(2, 51, -1, -1);
    EXPECT_TRUE(available.isBankAvailFlagAdr());
    EXPECT_TRUE(available.isNumericParamAdr());
    EXPECT_TRUE(available.isParamUsedInOnlyEditor());
    EXPECT_FALSE(available.isBankParamAdr());

    const ParamAddress current(0, 52, -1, -1);
    EXPECT_TRUE(current.isCurrentTemplateNumAdr());
    EXPECT_TRUE(current.isNumericParamAdr());
    EXPECT_FALSE(current.isParamUsedInOnlyEditor());
    EXPECT_TRUE(current.isStoredBankParamAdr());

    for (int param = 0; param < 4; ++param) {
        const ParamAddress knob(1, 49, 11, param);
        EXPECT_EQ(knob.isStringParamAdr(), param == 0 || param == 3) << param;
        EXPECT_EQ(knob.isNumericParamAdr(), param == 1 || param == 2) << param;
        EXPECT_TRUE(knob.isControllerAdr());
        EXPECT_TRUE(knob.isBankParamAdr());
        EXPECT_TRUE(knob.isEditBufferOrStoredBankParam());
        EXPECT_FALSE(knob.isStoredBankParamAdr());
    }
    EXPECT_TRUE(ParamAddress(0, 0, 13, -1).isStringParamAdr());
    EXPECT_TRUE(ParamAddress(0, 0, 15, -1).isStringParamAdr());
    EXPECT_TRUE(ParamAddress(0, 0, 14, -1).isNumericParamAdr());

    EXPECT_FALSE(ParamAddress(0, 50, 12, -1).isBankParamAdr());
    EXPECT_FALSE(ParamAddress(0, -1, 12, -1).isControllerAdr());
    EXPECT_FALSE(ParamAddress(2, 0, 0, 0).isEditBufferOrStoredBankParam());
    EXPECT_TRUE(ParamAddress::isEditBufferOrStoredBankParam(1));
    EXPECT_FALSE(ParamAddress::isEditBufferOrStoredBankParam(-1));
}

TEST(NumericParameter, DefaultIsAllZero)
{
    const NumericParameter p;
    EXPECT_EQ(p.getCurrentValue(), 0);
    EXPECT_EQ(p.getMinValue(), 0);
    EXPECT_EQ(p.getMaxValue(), 0);
    EXPECT_EQ(p.getInitialValue(), 0);
}

TEST(NumericParameter, StoresOnlyChangedValuesWithinLimits)
{
    NumericParameter p(0, 49, 0);
    EXPECT_FALSE(p.setCurrentValue(50));
    EXPECT_FALSE(p.setCurrentValue(-1));
    EXPECT_EQ(p.getCurrentValue(), 0);
    EXPECT_FALSE(p.setCurrentValue(0)) << "no change";
    EXPECT_TRUE(p.setCurrentValue(49));
    EXPECT_EQ(p.getCurrentValue(), 49);
}

TEST(NumericParameter, LimitSettersReportChangeAndLeaveCurrent)
{
    NumericParameter p(0, 127, 0);
    ASSERT_TRUE(p.setCurrentValue(100));
    EXPECT_TRUE(p.setMaxValue(10));
    EXPECT_FALSE(p.setMaxValue(10));
    EXPECT_EQ(p.getCurrentValue(), 100) << "a lower max keeps current";
    EXPECT_FALSE(p.setCurrentValue(50)) << "later sets obey the new bound";
    EXPECT_TRUE(p.setCurrentValue(5));
    EXPECT_TRUE(p.setMinValue(3));
    EXPECT_FALSE(p.setCurrentValue(2));
    EXPECT_TRUE(p.setInitialValue(7));
    EXPECT_EQ(p.getInitialValue(), 7);
    EXPECT_EQ(p.getCurrentValue(), 5);
}

TEST(NumericParameter, EqualityComparesCurrentValuesOnly)
{
    NumericParameter a(0, 1, 1);
    NumericParameter b(0, 127, 1);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a.isIdenticalTo(b));
    EXPECT_TRUE(b.setCurrentValue(2));
    EXPECT_FALSE(a == b);
}
