// The decoder against a live memory: what it writes where, what it drops, the echo guard and the flow
// control it drives. Messages are given as the synthesizer sends them (bytes behind F0).
#include "MessageDecoder.h"
#include "SysEx.h"
#include "SysExParamChangeAddressTransTable.h"
#include "engine_support.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <thread>

using namespace enginetest;

namespace {

const unsigned char kReceiveModel[3] = {0x7F, 0x1C, 0x01};
const ParamAddress kCurrent0(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// Notes, for each pass it is asked for, whether its caller holds the memory lock beside the service's own
// hold for the call: released once here, the lock is free to another thread unless the caller holds it too.
class LockProbingSender : public RecordingSender
{
public:
    explicit LockProbingSender(RemoteMemAPI* api) : m_api(api) {}
    bool sendMessage(bool* wasEmpty) override
    {
        QRecursiveMutex& lock = m_api->memoryLock();
        lock.unlock();
        bool taken = false;
        std::thread([&] {
            taken = lock.tryLock();
            if (taken)
                lock.unlock();
        }).join();
        lock.lock();
        heldByCaller.push_back(!taken);
        return RecordingSender::sendMessage(wasEmpty);
    }
    std::vector<bool> heldByCaller;

private:
    RemoteMemAPI* m_api;
};

class Decoder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        makeNineBanks(api);
        api.setMessageSender(&sender);
        api.setTransmitCounters(&decoder);
        api.setParam(kCurrent0, 7);
    }
    void TearDown() override
    {
        api.setTransmitCounters(nullptr);
        api.setMessageSender(nullptr);
    }

    bool feed(const QByteArray& record)
    {
        return decoder.processRecord(reinterpret_cast<const unsigned char*>(record.constData()), int(record.size()));
    }
    QString text(int bank, int t, int controller, int param)
    {
        return api.getParamQString(ParamAddress(bank, t, controller, param));
    }
    int number(int bank, int t, int controller, int param)
    {
        return api.getParam(ParamAddress(bank, t, controller, param)).getCurrentValue();
    }
    // One template's whole dump from the synthesizer, optionally without one block.
    void feedDump(unsigned char area, int t, const QString& name, int skipBlock = -1)
    {
        feed(SysEx::bulkMessage(SysEx::kAddressHeader, area, static_cast<unsigned char>(t), {},
                                SysEx::kDirectionFromSynth));
        if (skipBlock != 0)
            feed(SysEx::commonBlockMessage({name, "Inst", 1}, SysEx::kDirectionFromSynth));
        for (int k = 0; k < 12; ++k) {
            if (skipBlock != 1 + k)
                feed(SysEx::controllerBlockMessage(k, {"1000000a" + QString::number(k % 10), "Knob", 10 + k, 1},
                                                   SysEx::kDirectionFromSynth));
        }
        feed(SysEx::bulkMessage(SysEx::kAddressFooter, area, static_cast<unsigned char>(t), {},
                                SysEx::kDirectionFromSynth));
    }

    RemoteMemAPI api;
    RecordingSender sender;
    SysExParamChangeAddressTransTable table;
    MessageDecoder decoder{&table, kReceiveModel, 5, &api, 6};
};

} // namespace

TEST_F(Decoder, ParameterChangesEditTheCurrentTemplateCharacterByCharacter)
{
    api.setParam(ParamAddress(0, 7, ParamAddress::kTemplateNameController, -1), QStringLiteral("Lead"));
    api.setONLINEstate(1);
    sender.calls.clear();
    EXPECT_TRUE(feed(bytes({0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x05, 0x41, 0xF7})));
    EXPECT_EQ(text(0, 7, ParamAddress::kTemplateNameController, -1), "Lead A");
    EXPECT_TRUE(sender.calls.isEmpty()) << "nothing received is sent back";
    EXPECT_TRUE(api.isAllowToSendSysEx());

    // A control character becomes a blank, so the name can always be saved and read back.
    EXPECT_TRUE(feed(bytes({0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x01, 0x09, 0xF7})));
    EXPECT_EQ(text(0, 7, ParamAddress::kTemplateNameController, -1), "L ad A");

    // The remote number comes whole; knob 4's block is 01 14.
    QByteArray id = bytes({0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x14, 0x00});
    id.append("2cafe0042");
    id.append(char(0xF7));
    EXPECT_TRUE(feed(id));
    EXPECT_EQ(text(0, 7, 4, ParamAddress::kRemoteNumberParam), "2cafe0042");
    // Short of its nine bytes it is dropped rather than read past the message.
    QByteArray shortId = bytes({0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x14, 0x00});
    shortId.append("1ab");
    shortId.append(char(0xF7));
    EXPECT_FALSE(feed(shortId));
    EXPECT_EQ(text(0, 7, 4, ParamAddress::kRemoteNumberParam), "2cafe0042");
    // Inside the field it never grows the text past the field's end.
    QByteArray inside = bytes({0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x14, 0x07});
    inside.append("ffffffffff");
    inside.append(char(0xF7));
    EXPECT_TRUE(feed(inside));
    EXPECT_EQ(text(0, 7, 4, ParamAddress::kRemoteNumberParam), "2cafe00ff");

    // Numbers: knob 2's control-change number, and the last byte of the display name field.
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(0x12, 0x18, bytes({64}))));
    EXPECT_EQ(number(0, 7, 2, ParamAddress::kCCNumberParam), 64);
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(0x12, 0x17, bytes({'Z'}))));
    EXPECT_EQ(text(0, 7, 2, ParamAddress::kDisplayNameParam), QString(14, ' ') + "Z");
    EXPECT_FALSE(feed(bytes({0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x12, 0x18, 0xF7}))) << "no data byte";
    EXPECT_FALSE(feed(SysEx::parameterChangeFromSynth(0x30, 0x00, bytes({1})))) << "an address nobody has";
}

TEST_F(Decoder, IgnoresWhatIsNotTheSynthesizersAndWhatIsTooShort)
{
    const QByteArray own = bytes({0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x12, 0x18, 0x33, 0xF7});
    const QByteArray otherModel = bytes({0x43, 0x10, 0x7F, 0x1D, 0x01, 0x01, 0x12, 0x18, 0x33, 0xF7});
    const QByteArray otherMaker = bytes({0x41, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x12, 0x18, 0x33, 0xF7});
    const QByteArray request = bytes({0x43, 0x30, 0x7F, 0x1C, 0x01, 0x01, 0x20, 0x00, 0xF7});
    for (const QByteArray& r : {own, otherModel, otherMaker, request, bytes({0x43, 0x10, 0xF7}), bytes({0xF7}),
                                QByteArray(), bytes({0x43, 0x00, 0x7F, 0x1C, 0x00, 0x00, 0xF7}),
                                bytes({0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x12, 0x18, 0x33})}) {
        EXPECT_FALSE(feed(r)) << SysEx::toHex(r).toStdString();
    }
    EXPECT_EQ(number(0, 7, 2, ParamAddress::kCCNumberParam), 0);
    tagMPEVENT note{};
    note.type = MPEV_NOTEON;
    EXPECT_FALSE(decoder.Process(note));
}

TEST_F(Decoder, EchoGuardDropsOwnNumbersOnlyAndForgetsLostEchoes)
{
    QSignalSpy notified(&api, &RemoteMemAPI::notifiedCurrentTemplateNumber);
    api.setONLINEstate(1);
    api.setParam(kCurrent0, 12);
    api.setParam(kCurrent0, 13);
    api.setParam(kCurrent0, 14);
    EXPECT_EQ(api.pendingTemplateNumbers(), QList<int>({12, 13, 14}));

    // The echo of 12 was lost; 13's echo also accounts for it.
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(0x20, 0x00, bytes({13}))));
    EXPECT_EQ(api.getParam(kCurrent0).getCurrentValue(), 14) << "an echo is not written back";
    EXPECT_EQ(api.pendingTemplateNumbers(), QList<int>({14}));
    EXPECT_EQ(notified.count(), 1);

    // ONLINE falls: echoes still awaited will not come, and the next report is genuine.
    api.setONLINEstate(0);
    EXPECT_TRUE(api.pendingTemplateNumbers().isEmpty());
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(0x20, 0x00, bytes({14}))));
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(0x20, 0x00, bytes({3}))));
    EXPECT_EQ(api.getParam(kCurrent0).getCurrentValue(), 3);
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(0x20, 0x00, bytes({50})))) << "out of range: not stored";
    EXPECT_EQ(api.getParam(kCurrent0).getCurrentValue(), 3);
    EXPECT_EQ(notified.count(), 4);

    api.setONLINEstate(1);
    for (int i = 0; i < 40; ++i)
        api.setParam(kCurrent0, i % 2);
    EXPECT_EQ(api.pendingTemplateNumbers().size(), RemoteMemAPI::kMaxPendingTemplateNumbers);
}

TEST_F(Decoder, StoreCommandAndBankEditFlagFromTheSynthesizer)
{
    api.setParam(ParamAddress(0, 3, ParamAddress::kTemplateNameController, -1), QStringLiteral("Stored"));
    sender.calls.clear();
    EXPECT_TRUE(feed(bytes({0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x22, 0x00, 0xF7})));
    EXPECT_EQ(text(1, 3, ParamAddress::kTemplateNameController, -1), "Stored");
    EXPECT_TRUE(sender.calls.isEmpty()) << "the editor stores without telling the synthesizer back";
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(0x23, 0x00, bytes({1}))));
    EXPECT_EQ(api.getParam(ParamAddress(ParamAddress::kBankEditFlagBank, -1, -1, -1)).getCurrentValue(), 1);
}

TEST_F(Decoder, DumpsLandInTheReceiveBanksAndOnlyWholeOnesCount)
{
    QSignalSpy received(&api, &RemoteMemAPI::completeBulkReceive);
    for (int i = 0; i < 3; ++i)
        decoder.incrementTransmitedBulkReqCounter();
    api.setWaitingBulkReceive(true);
    api.revokeReceivedBulk();
    feedDump(SysEx::kAreaStored, 4, "Off");
    EXPECT_EQ(text(2, 4, ParamAddress::kTemplateNameController, -1), "") << "bulk reception is off";

    api.sendHardWareDataReq(false);
    feedDump(SysEx::kAreaStored, 4, "Stored four");
    EXPECT_EQ(text(2, 4, ParamAddress::kTemplateNameController, -1), "Stored four");
    EXPECT_EQ(number(2, 4, ParamAddress::kControlTypeController, -1), 1);
    EXPECT_EQ(text(2, 4, 11, ParamAddress::kRemoteNumberParam), "1000000a1");
    EXPECT_EQ(number(2, 4, 11, ParamAddress::kCCNumberParam), 21);
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 2);

    // A dump missing a block, and one with a damaged block, leave their requests outstanding.
    feedDump(SysEx::kAreaEditBuffer, 5, "Half", 3);
    EXPECT_EQ(text(3, 5, ParamAddress::kTemplateNameController, -1), "Half") << "blocks are written as they come";
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 2);
    QByteArray damaged = SysEx::controllerBlockMessage(0, {"100000000", "Bad", 1, 0}, SysEx::kDirectionFromSynth);
    damaged[damaged.size() - 2] = char((damaged.at(damaged.size() - 2) + 1) & 0x7F);
    feed(SysEx::bulkMessage(SysEx::kAddressHeader, SysEx::kAreaEditBuffer, 6, {}, SysEx::kDirectionFromSynth));
    EXPECT_FALSE(feed(damaged));
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 2);
    EXPECT_EQ(received.count(), 0);

    feedDump(SysEx::kAreaEditBuffer, 49, "Last");
    feedDump(SysEx::kAreaStored, 0, "First");
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 0);
    EXPECT_EQ(received.count(), 1);
    EXPECT_EQ(text(3, 49, ParamAddress::kTemplateNameController, -1), "Last");
    feedDump(SysEx::kAreaStored, 1, "Extra");
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 0) << "the counter stays at 0";
    EXPECT_EQ(received.count(), 1) << "completion is reported once per transfer";

    // Headers and blocks the dialect does not have.
    EXPECT_FALSE(feed(SysEx::bulkMessage(SysEx::kAddressHeader, 0x60, 50, {}, SysEx::kDirectionFromSynth)));
    EXPECT_FALSE(feed(SysEx::bulkMessage(SysEx::kAddressHeader, 0x61, 1, {}, SysEx::kDirectionFromSynth)));
    feed(SysEx::bulkMessage(SysEx::kAddressHeader, 0x60, 9, {}, SysEx::kDirectionFromSynth));
    EXPECT_FALSE(feed(SysEx::bulkMessage(0x01, 0x1C, 0x00, QByteArray(26, 'x'), SysEx::kDirectionFromSynth)));
    EXPECT_TRUE(feed(SysEx::bulkMessage(0x01, 0x05, 0x00, QByteArray(26, 'x'), SysEx::kDirectionFromSynth)));
    EXPECT_FALSE(feed(SysEx::bulkMessage(0x01, 0x00, 0x00, QByteArray(20, 'x'), SysEx::kDirectionFromSynth)))
        << "a short common block is not read";
    EXPECT_EQ(text(2, 9, ParamAddress::kTemplateNameController, -1), "");
}

TEST_F(Decoder, AcknowledgesDriveTheSendAndCompleteItOnce)
{
    // The answer, the pass it starts and the completion are one step under the memory lock: a pass of the
    // GUI thread in between would send the next dump twice or see a completion that is not there.
    LockProbingSender probe(&api);
    api.setMessageSender(&probe);
    QSignalSpy sent(&api, &RemoteMemAPI::completeBulkTransmit);
    api.setWaitingBulkTransmit(true);
    decoder.incrementTransmitedBulkCounter();
    probe.queueEmpty = false;
    EXPECT_TRUE(feed(SysEx::bulkAcknowledge()));
    EXPECT_EQ(sent.count(), 0) << "a group was still queued";
    probe.queueEmpty = true;
    EXPECT_TRUE(feed(SysEx::bulkAcknowledge(3)));
    EXPECT_EQ(sent.count(), 1);
    EXPECT_FALSE(api.getBulkRecieveEnableFlag());
    EXPECT_TRUE(feed(SysEx::bulkAcknowledge()));
    EXPECT_EQ(sent.count(), 1);
    EXPECT_EQ(decoder.transmitedBulkCount(), 0);
    EXPECT_EQ(probe.heldByCaller, std::vector<bool>(3, true))
        << "the acknowledge's pass ran without the memory lock held around it";
}
