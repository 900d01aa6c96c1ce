#include "RemoteMemory.h"

#include <gtest/gtest.h>

namespace {

const ParamAddress kOnline(-2, -1, -1, -1);
const ParamAddress kFileName(-4, -1, -1, -1);

void nameTemplate(RemoteMemory& store, int bank, int templ, const QString& name)
{
    ASSERT_TRUE(store.setParam(ParamAddress(bank, templ, 13, -1), name));
}

} // namespace

TEST(RemoteMemory, NewStoreHasSixBanksOnlyTheFirstAvailable)
{
    const RemoteMemory store;
    EXPECT_EQ(store.getQuantityOfBank(), 6);
    EXPECT_EQ(store.getBankAvailableFlag(0).getCurrentValue(), 1);
    for (int bank = 1; bank < 6; ++bank)
        EXPECT_EQ(store.getBankAvailableFlag(bank).getCurrentValue(), 0) << bank;
    EXPECT_FALSE(store.isONLINE());
    EXPECT_TRUE(store.isAllowedToSendSysEx());
    EXPECT_TRUE(store.getWriteEnable());
}

TEST(RemoteMemory, StateFlagsTakeOnlyZeroAndOne)
{
    RemoteMemory store;
    EXPECT_FALSE(store.setParam(kOnline, 2L));
    EXPECT_FALSE(store.isONLINE());
    EXPECT_TRUE(store.setParam(kOnline, 1L));
    EXPECT_FALSE(store.setParam(kOnline, 1L));
    EXPECT_TRUE(store.isONLINE());
    EXPECT_FALSE(store.setONLINEstate(-1));
    EXPECT_TRUE(store.setONLINEstate(0));
    for (int bank : {-3, -5, -6}) {
        const ParamAddress flag(bank, -1, -1, -1);
        EXPECT_TRUE(store.setParam(flag, 1L)) << bank;
        EXPECT_EQ(store.getParam(flag).getCurrentValue(), 1) << bank;
    }
    EXPECT_FALSE(store.setParam(ParamAddress(-7, -1, -1, -1), 1L));
    EXPECT_FALSE(store.setParam(ParamAddress(-4, -1, -1, -1), 1L)) << "the file name is no number";
}

TEST(RemoteMemory, NumbersBeyondIntNeverWrapIntoRange)
{
    RemoteMemory store;
    const long wrapsToOne = 0x100000001L;
    EXPECT_FALSE(store.setParam(ParamAddress(0, 0, 0, 1), wrapsToOne));
    EXPECT_FALSE(store.setONLINEstate(wrapsToOne));
    EXPECT_EQ(store.getParam(ParamAddress(0, 0, 0, 1)).getCurrentValue(), 0);
}

TEST(RemoteMemory, FileNameWriteAlwaysCounts)
{
    RemoteMemory store;
    EXPECT_TRUE(store.setParam(kFileName, QStringLiteral("bank.Q9E")));
    EXPECT_TRUE(store.setParam(kFileName, QStringLiteral("bank.Q9E")));
    EXPECT_EQ(store.getParamQString(kFileName), QStringLiteral("bank.Q9E"));
    EXPECT_FALSE(store.setParam(ParamAddress(-2, -1, -1, -1), QStringLiteral("x")));
}

TEST(RemoteMemory, BanksThatDoNotExistReadNeutralAndRefuseWrites)
{
    RemoteMemory store;
    while (store.getQuantityOfBank() < 9)
        store.createBank();
    EXPECT_EQ(store.getBankAvailableFlag(8).getCurrentValue(), 1) << "appended banks start available";
    EXPECT_FALSE(store.setParam(ParamAddress(9, 0, 0, 1), 5L));
    EXPECT_FALSE(store.setParam(ParamAddress(9, 0, 13, -1), QStringLiteral("x")));
    EXPECT_TRUE(store.getParamQString(ParamAddress(9, 0, 13, -1)).isEmpty());
    EXPECT_EQ(store.getParam(ParamAddress(9, 52, -1, -1)).getMaxValue(), 0);
    EXPECT_EQ(store.getParam(ParamAddress(-8, -1, -1, -1)).getMaxValue(), 0);
    EXPECT_EQ(store.AccessBank(ParamAddress(-1, 0, 0, 0)), nullptr);
    EXPECT_EQ(store.AccessBank(ParamAddress(9, 0, 0, 0)), nullptr);
    EXPECT_EQ(store.getBank(42).getBankAvailableFlag().getCurrentValue(), 1) << "a default bank";
    store.setBankAvailableFlag(0, 42);
    store.setBank(BankData(), 42);
    EXPECT_EQ(store.getQuantityOfBank(), 9);
    EXPECT_TRUE(store.getTemplateData(9, 0) == ControlTemplateData());
    EXPECT_TRUE(store.getTemplateData(0, 50) == ControlTemplateData());
}

TEST(RemoteMemory, DisabledWritesStoreNothing)
{
    RemoteMemory store;
    store.setWriteEnable(false);
    EXPECT_FALSE(store.setParam(ParamAddress(0, 0, 0, 1), 5L));
    EXPECT_FALSE(store.setParam(kFileName, QStringLiteral("x")));
    EXPECT_TRUE(store.getParamQString(kFileName).isEmpty());
}

TEST(RemoteMemory, CopyBankMakesTheDestinationAnAvailableCopy)
{
    RemoteMemory store;
    nameTemplate(store, 0, 4, QStringLiteral("Bass"));
    store.copyBank(0, 3);
    EXPECT_EQ(store.getBankAvailableFlag(3).getCurrentValue(), 1);
    EXPECT_EQ(store.getParamQString(ParamAddress(3, 4, 13, -1)), QStringLiteral("Bass"));
    store.copyBank(0, 9);
    store.copyBank(9, 0);
    EXPECT_EQ(store.getQuantityOfBank(), 6);
    store.copyBank(3, 3);
    EXPECT_EQ(store.getParamQString(ParamAddress(3, 4, 13, -1)), QStringLiteral("Bass"));
}

TEST(RemoteMemory, AppendedBankIsAnOwnedCopy)
{
    RemoteMemory store;
    BankData bank(0);
    bank.setParam(ParamAddress(0, 1, 13, -1), QStringLiteral("Pad"));
    store.setBank(bank);
    bank.setParam(ParamAddress(0, 1, 13, -1), QStringLiteral("Changed"));
    EXPECT_EQ(store.getQuantityOfBank(), 7);
    EXPECT_EQ(store.getParamQString(ParamAddress(6, 1, 13, -1)), QStringLiteral("Pad"));
}

TEST(RemoteMemory, CopyTemplateRefusesEqualTemplatesAndBadIndexes)
{
    RemoteMemory store;
    EXPECT_FALSE(store.copyTemplate(0, 3, 1, 3)) << "both default, already equal";
    nameTemplate(store, 0, 3, QStringLiteral("Lead"));
    EXPECT_TRUE(store.copyTemplate(0, 3, 1, 3));
    EXPECT_EQ(store.getParamQString(ParamAddress(1, 3, 13, -1)), QStringLiteral("Lead"));
    EXPECT_FALSE(store.copyTemplate(0, 3, 1, 50));
    EXPECT_FALSE(store.copyTemplate(0, -1, 1, 3));
    EXPECT_FALSE(store.copyTemplate(6, 3, 1, 3));
}

TEST(RemoteMemory, ExchangeTemplateSwapsDifferentTemplates)
{
    RemoteMemory store;
    nameTemplate(store, 0, 1, QStringLiteral("One"));
    nameTemplate(store, 0, 2, QStringLiteral("Two"));
    EXPECT_TRUE(store.exchangeTemplate(0, 1, 0, 2));
    EXPECT_EQ(store.getParamQString(ParamAddress(0, 1, 13, -1)), QStringLiteral("Two"));
    EXPECT_EQ(store.getParamQString(ParamAddress(0, 2, 13, -1)), QStringLiteral("One"));
    EXPECT_FALSE(store.exchangeTemplate(0, 5, 0, 6)) << "equal templates";
    EXPECT_FALSE(store.exchangeTemplate(0, 1, 0, 1));
    EXPECT_FALSE(store.exchangeTemplate(0, 1, 7, 1));
}

TEST(RemoteMemory, ControllerCopiesCheckEveryIndex)
{
    RemoteMemory store;
    ASSERT_TRUE(store.setParam(ParamAddress(0, 2, 1, 1), 11L));
    ASSERT_TRUE(store.setParam(ParamAddress(0, 2, 4, 1), 44L));
    EXPECT_FALSE(store.copyController(0, 2, 12, 0, 2, 1));
    EXPECT_FALSE(store.copyController(0, 2, 1, 0, 2, 12));
    EXPECT_FALSE(store.copyController(0, 50, 1, 0, 2, 1));
    EXPECT_FALSE(store.exchangeController(0, 2, -1, 0, 2, 4));
    EXPECT_TRUE(store.copyController(0, 2, 1, 1, 9, 0));
    EXPECT_EQ(store.getParam(ParamAddress(1, 9, 0, 1)).getCurrentValue(), 11);
    EXPECT_FALSE(store.copyController(0, 2, 1, 1, 9, 0)) << "already equal";
    EXPECT_TRUE(store.exchangeController(0, 2, 1, 0, 2, 4));
    EXPECT_EQ(store.getParam(ParamAddress(0, 2, 1, 1)).getCurrentValue(), 44);
    EXPECT_EQ(store.getParam(ParamAddress(0, 2, 4, 1)).getCurrentValue(), 11);
    EXPECT_FALSE(store.exchangeController(0, 2, 1, 0, 2, 1));
}

TEST(RemoteMemory, InitialTemplateComesFromThePresetBankWithoutNames)
{
    RemoteMemory store;
    store.initializeInitialTemplate();
    EXPECT_TRUE(store.getInitialTemplate() == ControlTemplateData()) << "no preset bank yet: a default template";
    while (store.getQuantityOfBank() < 9)
        store.createBank();
    nameTemplate(store, 8, 49, QStringLiteral("Init"));
    ASSERT_TRUE(store.setParam(ParamAddress(8, 49, 15, -1), QStringLiteral("Synth")));
    ASSERT_TRUE(store.setParam(ParamAddress(8, 49, 14, -1), 1L));
    ASSERT_TRUE(store.setParam(ParamAddress(8, 49, 6, 1), 74L));
    store.initializeInitialTemplate();
    const ControlTemplateData initial = store.getInitialTemplate();
    EXPECT_TRUE(initial.getTemplateName().isEmpty());
    EXPECT_TRUE(initial.getQPXiName().isEmpty());
    EXPECT_EQ(initial.getCtrlType().getCurrentValue(), 0);
    EXPECT_EQ(initial.getController(6).getCCNum().getCurrentValue(), 74);

    nameTemplate(store, 0, 7, QStringLiteral("Edited"));
    EXPECT_TRUE(store.initializeTemplate(0, 7));
    EXPECT_TRUE(store.getTemplateData(0, 7) == initial);
    EXPECT_FALSE(store.initializeTemplate(0, 7)) << "already empty";
    EXPECT_FALSE(store.initializeTemplate(9, 7));
}

TEST(RemoteMemory, CopiesOfTheStoreAreDeep)
{
    RemoteMemory store;
    nameTemplate(store, 2, 0, QStringLiteral("Deep"));
    RemoteMemory copy(store);
    RemoteMemory assigned;
    assigned = store;
    RemoteMemory replaced;
    replaced.setMemory(store);
    nameTemplate(store, 2, 0, QStringLiteral("Changed"));
    for (const RemoteMemory* other : {&copy, &assigned, &replaced}) {
        EXPECT_EQ(other->getParamQString(ParamAddress(2, 0, 13, -1)), QStringLiteral("Deep"));
        EXPECT_EQ(other->getQuantityOfBank(), 6);
    }
    replaced.setMemory(replaced);
    EXPECT_EQ(replaced.getParamQString(ParamAddress(2, 0, 13, -1)), QStringLiteral("Deep"));
}
