// The memory service's bank operations: notifications, the file and library edit flags, what goes to
// the synthesizer, storing, the full send's follow-ups, and the evacuation around a file load.
#include "MemChangeObserver.h"
#include "engine_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace enginetest;

namespace {

class Counter : public MemChangeObserver
{
public:
    ~Counter() override { detachFromMemAPI(); }
    void paramUpdate() override { ++count; }
    std::atomic<int> count{0};
};

const ParamAddress kFileEdit(ParamAddress::kFileEditFlagBank, -1, -1, -1);
const ParamAddress kLibraryEdit(ParamAddress::kLibraryEditFlagBank, -1, -1, -1);
const ParamAddress kCurrent0(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);

class BankOperations : public ::testing::Test
{
protected:
    void SetUp() override
    {
        makeNineBanks(api);
        api.setMessageSender(&sender);
    }
    void TearDown() override { api.setMessageSender(nullptr); }

    // An observer of one value; kept alive by the fixture.
    Counter& watch(const ParamAddress& address)
    {
        addresses.push_back(std::make_unique<ParamAddress>(address));
        observers.push_back(std::make_unique<Counter>());
        api.registObserver(addresses.back().get(), observers.back().get());
        return *observers.back();
    }
    int flag(const ParamAddress& address) { return api.getParam(address).getCurrentValue(); }
    void clearFlags()
    {
        api.setParam(kFileEdit, 0);
        api.setParam(kLibraryEdit, 0);
    }
    QString name(int bank, int t)
    {
        return api.getParamQString(ParamAddress(bank, t, ParamAddress::kTemplateNameController, -1));
    }
    void setName(int bank, int t, const QString& text)
    {
        api.setParam(ParamAddress(bank, t, ParamAddress::kTemplateNameController, -1), text);
    }

    RemoteMemAPI api;
    RecordingSender sender;
    std::vector<std::unique_ptr<ParamAddress>> addresses;
    std::vector<std::unique_ptr<Counter>> observers;
};

} // namespace

TEST_F(BankOperations, CopyBankNotifiesTheDestinationAndRaisesTheFlagOfItsRole)
{
    Counter& fileFlag = watch(kFileEdit);
    Counter& bank1 = watch(ParamAddress(1, 3, 2, ParamAddress::kCCNumberParam));
    Counter& bank6 = watch(ParamAddress(6, 0, ParamAddress::kTemplateNameController, -1));
    Counter& bank5 = watch(ParamAddress(5, 49, -1, -1));
    setName(0, 4, "Source");
    clearFlags();
    fileFlag.count = 0;

    api.copyBank(0, 1);
    EXPECT_EQ(bank1.count, 1);
    EXPECT_EQ(name(1, 4), "Source");
    EXPECT_EQ(flag(kFileEdit), 1);
    EXPECT_EQ(fileFlag.count, 1) << "the flag's observers hear of its change once";
    EXPECT_EQ(api.getBankAvailableFlag(1).getCurrentValue(), 1);

    api.denyToRaiseFileEditFlag();
    clearFlags();
    api.copyBank(0, 5);
    EXPECT_EQ(bank5.count, 1);
    EXPECT_EQ(flag(kLibraryEdit), 1) << "the library flag is raised whatever the deny counter";
    EXPECT_EQ(flag(kFileEdit), 0);
    api.allowToRaiseFileEditFlag();

    api.copyBank(0, 6);
    EXPECT_EQ(bank6.count, 1);
    EXPECT_EQ(flag(kFileEdit), 0);

    api.copyBank(0, 42);
    EXPECT_TRUE(sender.calls.isEmpty()) << "copying banks sends nothing";
    EXPECT_EQ(api.getQuantityOfBank(), 9);
}

TEST_F(BankOperations, TemplateCopiesAndExchangesFollowTheirFlagAndSendingRules)
{
    setName(0, 3, "Three");
    setName(5, 7, "Seven");
    Counter& dst = watch(ParamAddress(1, 3, ParamAddress::kTemplateNameController, -1));
    api.copyTemplate(0, 3, 1, 3);
    clearFlags();
    dst.count = 0;
    EXPECT_FALSE(api.copyTemplate(0, 3, 1, 3));
    EXPECT_EQ(dst.count, 0) << "an equal template notifies nobody";
    EXPECT_EQ(flag(kFileEdit), 1) << "but the file edit flag is raised all the same";

    clearFlags();
    api.setONLINEstate(1);
    Counter& a = watch(ParamAddress(0, 3, ParamAddress::kTemplateNameController, -1));
    Counter& b = watch(ParamAddress(5, 7, ParamAddress::kTemplateNameController, -1));
    EXPECT_TRUE(api.exchangeTemplate(0, 3, 5, 7));
    EXPECT_EQ(name(0, 3), "Seven");
    EXPECT_EQ(name(5, 7), "Three");
    EXPECT_EQ(a.count, 1);
    EXPECT_EQ(b.count, 1);
    EXPECT_EQ(flag(kLibraryEdit), 1);
    EXPECT_EQ(flag(kFileEdit), 0) << "only an exchange within banks 0 and 1 marks the file";
    EXPECT_EQ(sender.calls, QStringList({"bulk 0 3"}));

    sender.calls.clear();
    EXPECT_TRUE(api.exchangeTemplate(0, 3, 0, 9));
    EXPECT_EQ(sender.calls, QStringList({"bulk 0 9", "bulk 0 3"}));
    EXPECT_EQ(flag(kFileEdit), 1);

    api.setONLINEstate(0);
    sender.calls.clear();
    api.exchangeTemplate(0, 3, 0, 9);
    EXPECT_TRUE(sender.calls.isEmpty()) << "nothing is sent while offline";
}

TEST_F(BankOperations, KnobChangesReachOnlyTheTemplateTheyBelongTo)
{
    api.setParam(kCurrent0, 2);
    api.setParam(ParamAddress(0, 2, 1, ParamAddress::kCCNumberParam), 11);
    api.setParam(ParamAddress(0, 2, 4, ParamAddress::kCCNumberParam), 44);
    clearFlags();
    api.setONLINEstate(1);
    sender.calls.clear();
    Counter& knob1 = watch(ParamAddress(0, 2, 1, ParamAddress::kCCNumberParam));
    Counter& knob4 = watch(ParamAddress(0, 2, 4, ParamAddress::kDisplayNameParam));

    EXPECT_TRUE(api.exchangeController(0, 2, 1, 0, 2, 4));
    EXPECT_EQ(api.getParam(ParamAddress(0, 2, 1, ParamAddress::kCCNumberParam)).getCurrentValue(), 44);
    EXPECT_EQ(knob1.count, 1);
    EXPECT_EQ(knob4.count, 1);
    EXPECT_EQ(flag(kFileEdit), 1);
    EXPECT_EQ(sender.calls, QStringList({"knob 0 2 1", "knob 0 2 4"}));

    // Parameter changes would land in the synthesizer's current template (2): another template of
    // bank 0 goes over whole, once.
    sender.calls.clear();
    api.copyController(0, 2, 1, 0, 6, 0);
    api.exchangeController(0, 6, 0, 0, 6, 5);
    EXPECT_EQ(sender.calls, QStringList({"bulk 0 6", "bulk 0 6"}));

    sender.calls.clear();
    clearFlags();
    api.copyController(0, 2, 1, 5, 0, 0);
    EXPECT_TRUE(sender.calls.isEmpty());
    EXPECT_EQ(flag(kLibraryEdit), 0) << "knob copies raise no library flag";
    EXPECT_EQ(flag(kFileEdit), 0);
}

TEST_F(BankOperations, StoreBankMarksTheFileOnlyWhenBankZeroHoldsSomething)
{
    setName(8, 49, "Factory");
    api.initializeInitialTemplate();
    EXPECT_EQ(api.getInitialTemplate().getTemplateName(), "");
    for (int t = 0; t < 50; ++t)
        api.initializeTemplate(0, t);
    clearFlags();
    EXPECT_TRUE(api.storeBank(false));
    EXPECT_EQ(flag(kFileEdit), 0) << "a bank of empty templates leaves the flag alone";
    EXPECT_EQ(api.getBankAvailableFlag(1).getCurrentValue(), 1);

    setName(0, 17, "Edited");
    clearFlags();
    EXPECT_FALSE(api.isEditBufferEdited()) << "the current template (0) equals its backup";
    api.setParam(kCurrent0, 17);
    EXPECT_TRUE(api.isEditBufferEdited());
    EXPECT_TRUE(api.storeBank(false));
    EXPECT_EQ(name(1, 17), "Edited");
    EXPECT_EQ(flag(kFileEdit), 1);
    EXPECT_TRUE(sender.calls.isEmpty());

    EXPECT_TRUE(api.storeBank(true));
    EXPECT_EQ(sender.calls, QStringList({"store"}));
    api.setMessageSender(nullptr);
    EXPECT_FALSE(api.storeBank(true)) << "no route: the store message cannot go";
    EXPECT_FALSE(api.sendStoreToFlash());
    EXPECT_FALSE(api.sendEditorAllData(false));
    EXPECT_FALSE(api.send1TemplateDataParamChange(0, 0));
}

TEST_F(BankOperations, InitializeTemplateNotifiesEvenAnEmptyTemplate)
{
    Counter& t4 = watch(ParamAddress(0, 4, ParamAddress::kTemplateNameController, -1));
    clearFlags();
    api.initializeTemplate(0, 4);
    api.initializeTemplate(0, 4);
    EXPECT_EQ(t4.count, 2);
    EXPECT_EQ(flag(kFileEdit), 0);
    EXPECT_TRUE(sender.calls.isEmpty());
}

TEST_F(BankOperations, FullSendRunsItsFollowUpsOnceAndKeepsThemAfterAFailure)
{
    api.setStoreFlag(true);
    api.setStoreToFlashSendingFlag(true);
    sender.failAllData = true;
    EXPECT_FALSE(api.sendEditorAllData(false));
    EXPECT_TRUE(api.isStorePending());
    EXPECT_TRUE(api.isStoreToFlashSending());
    EXPECT_EQ(sender.calls, QStringList({"all 0"}));

    sender.failAllData = false;
    sender.calls.clear();
    EXPECT_TRUE(api.sendEditorAllData(true));
    EXPECT_EQ(sender.calls, QStringList({"all 1", "store", "flash"}));
    EXPECT_TRUE(api.isStorePending()) << "done before the queue drained";
    EXPECT_TRUE(api.isStoreToFlashSending());
    api.fullSendDrained();
    EXPECT_FALSE(api.isStorePending());
    EXPECT_FALSE(api.isStoreToFlashSending());

    sender.calls.clear();
    EXPECT_TRUE(api.sendEditorAllData(false));
    EXPECT_EQ(sender.calls, QStringList({"all 0"}));
    EXPECT_TRUE(api.send1TemplateDataParamChange(0, 7));
    EXPECT_TRUE(api.sendAllTemplatesStoreMessage());
    EXPECT_EQ(sender.calls.mid(1), QStringList({"template 0 7", "store"}));
}

TEST_F(BankOperations, EvacuationAndRestoreGiveBackExactlyWhatAFailedLoadOverwrote)
{
    setName(0, 0, "Edit buffer");
    setName(4, 9, "Import");
    api.setBankAvailableFlag(0, 4);
    api.denyToRaiseFileEditFlag();
    clearFlags();
    api.evacuateSpecificBankAndEditBuff(4);
    // A load that writes both banks and then fails.
    api.copyBank(8, 4);
    api.copyBank(8, 0);
    setName(0, 0, "Half loaded");
    api.restoreSpecificBankAndEditBuff(4);
    api.allowToRaiseFileEditFlag();

    EXPECT_EQ(name(0, 0), "Edit buffer");
    EXPECT_EQ(name(4, 9), "Import");
    EXPECT_EQ(api.getBankAvailableFlag(4).getCurrentValue(), 0) << "the import bank stays unavailable";
    EXPECT_EQ(api.getBankAvailableFlag(0).getCurrentValue(), 1);
    EXPECT_EQ(flag(kFileEdit), 0) << "raising was denied around the load";
    EXPECT_EQ(api.getBank(99).getBankAvailableFlag().getCurrentValue(), 0) << "no such bank: an empty one";
    EXPECT_EQ(api.getBankAvailableFlag(99).getCurrentValue(), 0);
}

TEST_F(BankOperations, LibraryActivationAndSetupMoveBanksWithoutMarkingTheFile)
{
    setName(0, 1, "Zero");
    api.setupLibraryBank();
    EXPECT_EQ(name(5, 1), "Zero");
    setName(5, 1, "Library");
    clearFlags();
    api.activateLibraryEdit();
    EXPECT_EQ(name(0, 1), "Library");
    EXPECT_EQ(flag(kFileEdit), 0);
    EXPECT_TRUE(api.isAllowToRaiseFileEditFlag());

    api.setBankAvailableFlag(0, 1);
    api.copyStoredBankToEditorBackupBank();
    EXPECT_EQ(name(1, 1), "Library");
    EXPECT_EQ(api.getBankAvailableFlag(1).getCurrentValue(), 1);
    EXPECT_EQ(flag(kFileEdit), 0);
    api.copyStoredBankToArbitraryBank(3);
    EXPECT_EQ(name(3, 1), "Library");
    BankData extra;
    api.setBank(extra);
    EXPECT_EQ(api.getQuantityOfBank(), 10);
}
