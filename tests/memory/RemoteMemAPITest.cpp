#include "RemoteMemAPI.h"
#include "MemoryTestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using kwtest::CountingObserver;
using kwtest::RecordingSender;

namespace {

ParamAddress online()
{
    return {-2, -1, -1, -1};
}
ParamAddress fileEditFlag()
{
    return {-3, -1, -1, -1};
}
ParamAddress fileName()
{
    return {-4, -1, -1, -1};
}
ParamAddress currentTemplate(int bank)
{
    return {bank, 52, -1, -1};
}

class CountingCounters : public TransmitCounters
{
public:
    void incrementTransmitedBulkCounter() override { ++bulks; }
    void incrementTransmitedBulkReqCounter() override { ++requests; }
    void clearTransmitedBulkCounter() override { bulks = 0; }
    void clearTransmitedBulkReqCounter() override { requests = 0; }
    void decrementTransmitedBulkCounter() override { --bulks; }
    void decrementTransmitedBulkReqCounter() override { --requests; }
    int bulks = 0;
    int requests = 0;
};

class RemoteMemAPITest : public ::testing::Test
{
protected:
    // Registers a fresh observer of address; the fixture keeps both alive.
    CountingObserver& watch(const ParamAddress& address)
    {
        addresses.push_back(std::make_unique<ParamAddress>(address));
        observers.push_back(std::make_unique<CountingObserver>());
        observers.back()->setMemAPI(&api);
        api.registObserver(addresses.back().get(), observers.back().get());
        return *observers.back();
    }

    void goOnline()
    {
        api.setMessageSender(&sender);
        ASSERT_TRUE(api.setONLINEstate(1));
    }

    RemoteMemAPI api;
    RecordingSender sender;
    std::vector<std::unique_ptr<ParamAddress>> addresses;
    std::vector<std::unique_ptr<CountingObserver>> observers;
};

} // namespace

TEST_F(RemoteMemAPITest, OfflineKnobChangeNotifiesAndRaisesTheFileEditFlagOnce)
{
    api.setMessageSender(&sender);
    CountingObserver& knob = watch({0, 3, 2, 1});
    CountingObserver& otherKnob = watch({0, 3, 2, 2});
    CountingObserver& flag = watch(fileEditFlag());

    EXPECT_TRUE(api.setParam(ParamAddress(0, 3, 2, 1), 64L));
    EXPECT_TRUE(api.setParam(ParamAddress(0, 3, 2, 1), 65L));
    EXPECT_EQ(knob.count, 2);
    EXPECT_EQ(otherKnob.count, 0);
    EXPECT_EQ(flag.count, 1) << "the flag is notified the first time only";
    EXPECT_EQ(api.getParam(fileEditFlag()).getCurrentValue(), 1);
    EXPECT_TRUE(sender.changes.isEmpty()) << "nothing is sent while offline";
}

TEST_F(RemoteMemAPITest, WriteThatChangesNothingDoesNothing)
{
    goOnline();
    CountingObserver& knob = watch({0, 3, 2, 1});
    EXPECT_FALSE(api.setParam(ParamAddress(0, 3, 2, 1), 0L));
    EXPECT_FALSE(api.setParam(ParamAddress(0, 3, 2, 1), 128L)) << "out of range";
    EXPECT_FALSE(api.setParam(ParamAddress(0, 3, 2, 0), QString()));
    EXPECT_EQ(knob.count, 0);
    EXPECT_EQ(api.getParam(fileEditFlag()).getCurrentValue(), 0);
    EXPECT_TRUE(sender.changes.isEmpty());
}

TEST_F(RemoteMemAPITest, OnlineCurrentTemplateChangeIsSentAndAwaitsItsEcho)
{
    goOnline();
    CountingObserver& number = watch(currentTemplate(0));
    EXPECT_TRUE(api.setParam(currentTemplate(0), 12L));
    ASSERT_EQ(sender.changes.size(), 1);
    EXPECT_EQ(sender.changes[0].address, currentTemplate(0));
    EXPECT_EQ(sender.changes[0].value, 12);
    EXPECT_EQ(sender.passes, 1);
    EXPECT_EQ(api.pendingTemplateNumbers(), QList<int>({12}));

    EXPECT_FALSE(api.setParam(currentTemplate(0), 12L)) << "unchanged: nothing at all";
    EXPECT_EQ(sender.changes.size(), 1);
    EXPECT_EQ(number.count, 1);

    EXPECT_FALSE(api.takePendingTemplateNumberEcho(13));
    EXPECT_TRUE(api.takePendingTemplateNumberEcho(12));
    EXPECT_FALSE(api.takePendingTemplateNumberEcho(12));
    EXPECT_TRUE(api.pendingTemplateNumbers().isEmpty());
}

TEST_F(RemoteMemAPITest, ActivationSendsTheCurrentTemplateEvenWhenUnchanged)
{
    goOnline();
    ASSERT_TRUE(api.setParam(currentTemplate(0), 5L));
    CountingObserver& number = watch(currentTemplate(0));
    EXPECT_TRUE(api.activateCurrentTemplateNumber(5));
    EXPECT_EQ(number.count, 1);
    ASSERT_EQ(sender.changes.size(), 2);
    EXPECT_EQ(sender.changes[1].value, 5);
    EXPECT_EQ(api.pendingTemplateNumbers(), QList<int>({5, 5}));
    EXPECT_EQ(api.getParam(fileEditFlag()).getCurrentValue(), 1) << "flagged like any edit of bank 0";

    EXPECT_FALSE(api.activateCurrentTemplateNumber(50)) << "out of range is neither notified nor sent";
    EXPECT_FALSE(api.activateCurrentTemplateNumber(-1));
    EXPECT_EQ(number.count, 1);
    EXPECT_EQ(sender.changes.size(), 2);
    EXPECT_EQ(api.getParam(currentTemplate(0)).getCurrentValue(), 5);
}

TEST_F(RemoteMemAPITest, OnlyBankZeroIsSentAndOnlyBanksZeroAndOneRaiseTheFileEditFlag)
{
    goOnline();
    EXPECT_TRUE(api.setParam(ParamAddress(1, 0, 0, 1), 7L));
    EXPECT_EQ(api.getParam(fileEditFlag()).getCurrentValue(), 1);
    EXPECT_TRUE(sender.changes.isEmpty()) << "bank 1 is never sent";

    ASSERT_TRUE(api.setParam(fileEditFlag(), 0L));
    EXPECT_TRUE(api.setParam(ParamAddress(5, 0, 0, 1), 7L));
    EXPECT_TRUE(api.setParam(ParamAddress(5, 0, 13, -1), QStringLiteral("Lib")));
    EXPECT_EQ(api.getParam(fileEditFlag()).getCurrentValue(), 0) << "bank 5 raises nothing";
    EXPECT_TRUE(sender.changes.isEmpty());

    EXPECT_TRUE(api.setParam(ParamAddress(0, 0, 13, -1), QStringLiteral("Live")));
    ASSERT_EQ(sender.changes.size(), 1);
    EXPECT_TRUE(sender.changes[0].isText);
    EXPECT_EQ(sender.changes[0].text, QStringLiteral("Live"));
    EXPECT_EQ(api.getParam(fileEditFlag()).getCurrentValue(), 1);
}

TEST_F(RemoteMemAPITest, EditorOnlyValuesAreNeverSent)
{
    goOnline();
    CountingObserver& flag = watch(fileEditFlag());
    EXPECT_TRUE(api.setParam(ParamAddress(0, 51, -1, -1), 0L)) << "bank 0 available flag";
    EXPECT_EQ(flag.count, 0) << "an available flag raises nothing";
    EXPECT_TRUE(api.setParam(ParamAddress(-6, -1, -1, -1), 1L));
    EXPECT_TRUE(api.setParam(ParamAddress(-5, -1, -1, -1), 1L));
    EXPECT_TRUE(api.setParam(fileName(), QStringLiteral("x.Q9E")));
    EXPECT_TRUE(api.setParam(fileEditFlag(), 1L));
    EXPECT_EQ(flag.count, 1);
    EXPECT_TRUE(sender.changes.isEmpty());
}

TEST_F(RemoteMemAPITest, SendingNeedsOnlineAllowedAndASender)
{
    EXPECT_TRUE(api.setParam(ParamAddress(0, 1, 1, 1), 1L)) << "no sender: only stored";
    api.setMessageSender(&sender);
    EXPECT_TRUE(api.setParam(ParamAddress(0, 1, 1, 1), 2L));
    EXPECT_TRUE(sender.changes.isEmpty()) << "offline";
    ASSERT_TRUE(api.setONLINEstate(1));
    api.setAllowToSendSysExFlag(false);
    EXPECT_TRUE(api.setParam(ParamAddress(0, 1, 1, 1), 3L));
    EXPECT_TRUE(sender.changes.isEmpty()) << "sending held off";
    api.setAllowToSendSysExFlag(true);
    EXPECT_TRUE(api.setParam(ParamAddress(0, 1, 1, 1), 4L));
    ASSERT_EQ(sender.changes.size(), 1);
    EXPECT_EQ(sender.changes[0].value, 4);
    api.setMessageSender(nullptr);
    EXPECT_TRUE(api.setParam(ParamAddress(0, 1, 1, 1), 5L));
    EXPECT_EQ(sender.changes.size(), 1);
    EXPECT_FALSE(api.sendMessage(nullptr));
    EXPECT_FALSE(api.sendHardWareDataReq(true));
}

TEST_F(RemoteMemAPITest, ANestedSendingHoldKeepsSendingOff)
{
    goOnline();
    api.setAllowToSendSysExFlag(false); // a file load
    api.setAllowToSendSysExFlag(false); // a received value in the middle of it
    api.setAllowToSendSysExFlag(true);
    EXPECT_FALSE(api.isAllowToSendSysEx());
    EXPECT_TRUE(api.setParam(ParamAddress(0, 0, 0, 1), 9L));
    EXPECT_TRUE(sender.changes.isEmpty());
    api.setAllowToSendSysExFlag(true);
    api.setAllowToSendSysExFlag(true);
    EXPECT_TRUE(api.isAllowToSendSysEx()) << "an unmatched allow does not go below zero";
    api.setAllowToSendSysExFlag(false);
    EXPECT_FALSE(api.isAllowToSendSysEx());
}

TEST_F(RemoteMemAPITest, ReceivedValuesAreStoredNotifiedFlaggedButNeverEchoed)
{
    goOnline();
    CountingObserver& name = watch({0, 4, 13, -1});
    EXPECT_TRUE(api.setReceivedParam(ParamAddress(0, 4, 13, -1), QStringLiteral("Recv")));
    EXPECT_TRUE(api.setReceivedParam(ParamAddress(0, 4, 3, 1), 99L));
    EXPECT_EQ(name.count, 1);
    EXPECT_EQ(api.getParamQString(ParamAddress(0, 4, 13, -1)), QStringLiteral("Recv"));
    EXPECT_EQ(api.getParam(fileEditFlag()).getCurrentValue(), 1);
    EXPECT_TRUE(sender.changes.isEmpty());
    EXPECT_TRUE(api.isAllowToSendSysEx()) << "the switch itself is untouched";
}

TEST_F(RemoteMemAPITest, FailedQueueingStartsNoSendingPass)
{
    goOnline();
    sender.failEnqueue = true;
    EXPECT_TRUE(api.setParam(ParamAddress(0, 0, 0, 1), 3L)) << "the value is stored all the same";
    EXPECT_EQ(sender.passes, 0);
}

TEST_F(RemoteMemAPITest, DenyCounterStopsRaisingAndNeverGoesBelowZero)
{
    EXPECT_EQ(api.denyToRaiseFileEditFlag(), 1);
    EXPECT_EQ(api.denyToRaiseFileEditFlag(), 2);
    EXPECT_EQ(api.allowToRaiseFileEditFlag(), 1);
    EXPECT_FALSE(api.isAllowToRaiseFileEditFlag());
    EXPECT_TRUE(api.setParam(ParamAddress(0, 0, 0, 1), 3L));
    EXPECT_EQ(api.getParam(fileEditFlag()).getCurrentValue(), 0) << "denied";
    EXPECT_EQ(api.allowToRaiseFileEditFlag(), 0);
    EXPECT_EQ(api.allowToRaiseFileEditFlag(), 0);
    EXPECT_TRUE(api.isAllowToRaiseFileEditFlag());
    EXPECT_EQ(api.denyToRaiseFileEditFlag(), 1) << "the third allow left 0, not -1";
}

TEST_F(RemoteMemAPITest, OnlineStateNotifiesOnlyOnChange)
{
    CountingObserver& state = watch(online());
    EXPECT_TRUE(api.setONLINEstate(1));
    EXPECT_FALSE(api.setONLINEstate(1));
    EXPECT_FALSE(api.setONLINEstate(2));
    EXPECT_EQ(state.count, 1);
    EXPECT_TRUE(api.isONLINE());
    EXPECT_TRUE(api.setONLINEstate(0));
    EXPECT_EQ(state.count, 2);
    EXPECT_FALSE(api.isONLINE());
}

TEST_F(RemoteMemAPITest, SameFileNameNotifiesAgainAndRaisesNothing)
{
    goOnline();
    CountingObserver& name = watch(fileName());
    EXPECT_TRUE(api.setParam(fileName(), QStringLiteral("a.Q9E")));
    EXPECT_TRUE(api.setParam(fileName(), QStringLiteral("a.Q9E")));
    EXPECT_EQ(name.count, 2);
    EXPECT_EQ(api.getParam(fileEditFlag()).getCurrentValue(), 0);
    EXPECT_TRUE(sender.changes.isEmpty());
}

TEST_F(RemoteMemAPITest, GroupNotificationsReachTheirBankTemplateAndKnob)
{
    CountingObserver& knob = watch({2, 7, 3, 1});
    CountingObserver& sameTemplate = watch({2, 7, 13, -1});
    CountingObserver& otherTemplate = watch({2, 8, 3, 1});
    CountingObserver& otherBank = watch({3, 7, 3, 1});
    api.notifyObserverOfControllerAllParam(2, 7, 3);
    EXPECT_EQ(knob.count, 1);
    EXPECT_EQ(sameTemplate.count, 0);
    api.notifyObserverOfTemplateAllParam(2, 7);
    EXPECT_EQ(knob.count, 2);
    EXPECT_EQ(sameTemplate.count, 1);
    EXPECT_EQ(otherTemplate.count, 0);
    api.notifyObserverOfBankAllParam(2);
    EXPECT_EQ(otherTemplate.count, 1);
    EXPECT_EQ(otherBank.count, 0);
}

TEST_F(RemoteMemAPITest, RegisteringTheSameEntryTwiceNotifiesOnce)
{
    ParamAddress address(0, 0, 0, 1);
    CountingObserver observer;
    observer.setMemAPI(&api);
    EXPECT_TRUE(api.registObserver(&address, &observer));
    EXPECT_TRUE(api.registObserver(PairAdrObs(&address, &observer)));
    EXPECT_FALSE(api.registObserver(nullptr, &observer));
    EXPECT_FALSE(api.registObserver(&address, nullptr));
    EXPECT_EQ(api.observerCount(), 1);
    api.notifyObserver(address);
    EXPECT_EQ(observer.count, 1);
}

TEST_F(RemoteMemAPITest, ObserverWithoutServiceLearnsItAndLeavesWhenDestroyed)
{
    ParamAddress address(0, 0, 0, 1);
    auto observer = std::make_unique<CountingObserver>();
    api.registObserver(&address, observer.get());
    EXPECT_EQ(observer->getMemAPI(), &api);
    observer.reset();
    EXPECT_EQ(api.observerCount(), 0);
    EXPECT_TRUE(api.setParam(address, 1L));
}

TEST_F(RemoteMemAPITest, ObserverMayUnregisterItselfAndOthersWhileNotified)
{
    const ParamAddress address(0, 0, 0, 1);
    auto first = std::make_unique<CountingObserver>();
    auto second = std::make_unique<CountingObserver>();
    auto third = std::make_unique<CountingObserver>();
    ParamAddress a1 = address, a2 = address, a3 = address;
    for (auto* o : {first.get(), second.get(), third.get()})
        o->setMemAPI(&api);
    api.registObserver(&a1, first.get());
    api.registObserver(&a2, second.get());
    api.registObserver(&a3, third.get());
    // The first takes the third with it and leaves; the third must then not be called. (Deleting the
    // first ends the closure that runs here, so that comes last.)
    first->onUpdate = [&] {
        third.reset();
        first.reset();
    };
    EXPECT_TRUE(api.setParam(address, 5L));
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(second->count, 1);
    EXPECT_EQ(api.observerCount(), 1);
}

TEST_F(RemoteMemAPITest, ObserverOutlivingTheServiceLeavesSafely)
{
    auto service = std::make_unique<RemoteMemAPI>();
    ParamAddress address(0, 0, 0, 1);
    CountingObserver observer;
    observer.setMemAPI(service.get());
    service->registObserver(&address, &observer);
    service.reset();
    EXPECT_EQ(observer.getMemAPI(), nullptr);
}

TEST_F(RemoteMemAPITest, ValuesAreHandedOutAsCopies)
{
    ASSERT_TRUE(api.setParam(ParamAddress(0, 0, 0, 1), 10L));
    const NumericParameter before = api.getParam(ParamAddress(0, 0, 0, 1));
    ASSERT_TRUE(api.setParam(ParamAddress(0, 0, 0, 1), 20L));
    EXPECT_EQ(before.getCurrentValue(), 10);
    EXPECT_EQ(api.getParam(ParamAddress(0, 0, 0, 1)).getMaxValue(), 127);
    EXPECT_EQ(api.getParam(ParamAddress(12, 0, 0, 1)).getMaxValue(), 0) << "a missing bank reads neutral";
    EXPECT_TRUE(api.getParamQString(ParamAddress(-9, 0, 0, 0)).isEmpty());
}

TEST_F(RemoteMemAPITest, BulkReceiveAndWaitingFlags)
{
    api.setMessageSender(&sender);
    api.revokeReceivedBulk();
    EXPECT_FALSE(api.getBulkRecieveEnableFlag());
    EXPECT_TRUE(api.sendHardWareDataReq(true));
    EXPECT_TRUE(api.getBulkRecieveEnableFlag());
    EXPECT_TRUE(sender.lastRequestEditBufferOnly);
    api.clearTransmitQueue();
    EXPECT_EQ(sender.clears, 1);

    api.setWaitingBulkTransmit(true);
    EXPECT_TRUE(api.takeWaitingBulkTransmit());
    EXPECT_FALSE(api.takeWaitingBulkTransmit()) << "only one completer finds it set";
    api.setWaitingBulkReceive(true);
    EXPECT_TRUE(api.isWaitingBulkReceive());
    EXPECT_TRUE(api.takeWaitingBulkReceive());
    EXPECT_FALSE(api.isWaitingBulkReceive());

    EXPECT_TRUE(api.isWatchPortActivate());
    api.setWatchPortActivate(false);
    EXPECT_FALSE(api.isWatchPortActivate());
    api.setStoreFlag(true);
    api.setStoreToFlashSendingFlag(true);
    EXPECT_TRUE(api.isStorePending());
    EXPECT_TRUE(api.isStoreToFlashSending());
}

TEST_F(RemoteMemAPITest, CountersReachTheDecoderWhenThereIsOne)
{
    api.incrementTransmitedBulkCounter(); // no decoder: nothing happens
    CountingCounters counters;
    api.setTransmitCounters(&counters);
    api.incrementTransmitedBulkCounter();
    api.incrementTransmitedBulkCounter();
    api.incrementTransmitedBulkReqCounter();
    EXPECT_EQ(counters.bulks, 2);
    EXPECT_EQ(counters.requests, 1);
    api.decrementTransmitedBulkCounter();
    api.decrementTransmitedBulkReqCounter();
    EXPECT_EQ(counters.bulks, 1);
    EXPECT_EQ(counters.requests, 0);
    api.clearTransmitedBulkCounter();
    api.clearTransmitedBulkReqCounter();
    EXPECT_EQ(counters.bulks, 0);
    EXPECT_EQ(counters.requests, 0);
    api.setTransmitCounters(nullptr);
}

TEST_F(RemoteMemAPITest, SignalsAreEmittedOnRequest)
{
    QSignalSpy receive(&api, &RemoteMemAPI::completeBulkReceive);
    QSignalSpy transmit(&api, &RemoteMemAPI::completeBulkTransmit);
    QSignalSpy number(&api, &RemoteMemAPI::notifiedCurrentTemplateNumber);
    QSignalSpy port(&api, &RemoteMemAPI::portActivated);
    api.emitCompleteBulkReceiveSignal();
    api.emitCompleteBulkTransmitSignal();
    api.emitNotifiedCurrentTemplateNumberSignal();
    api.emitPortActivatedSignal();
    EXPECT_EQ(receive.count(), 1);
    EXPECT_EQ(transmit.count(), 1);
    EXPECT_EQ(number.count(), 1);
    EXPECT_EQ(port.count(), 1);
}
