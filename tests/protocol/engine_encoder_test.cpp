// The encoder on a real output port of the in-process MIDI system: the bytes it sends, its grouping
// and passes, its counters and its failures.
#include "ComuController.h"
#include "MessageDecoder.h"
#include "MessageEncoder.h"
#include "MidiSystem.h"
#include "SysEx.h"
#include "SysExParamChangeAddressTransTable.h"
#include "VirtualMidiFixture.h"
#include "engine_support.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>

using namespace enginetest;
using Bytes = std::vector<std::uint8_t>;

namespace {

const unsigned char kSendModel[3] = {0x7F, 0x1C, 0x00};
const unsigned char kReceiveModel[3] = {0x7F, 0x1C, 0x01};

Bytes wire(std::initializer_list<int> values)
{
    Bytes out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

class Encoder : public kwtest::VirtualMidiTest
{
protected:
    void SetUp() override
    {
        kwtest::VirtualMidiTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        device = "KW Encoder " + std::to_string(++s_instance);
        destination = client->createDestination(device, "Port5");
        ASSERT_TRUE(destination);
        controller = std::make_unique<ComuController>(&table);
        port = portNumber(controller->getOutputPortList(), qs(device), " Port5");
        ASSERT_GT(port, 0);
        ASSERT_TRUE(controller->requestPort(ComuController::kOutput, port, 0, nullptr));
        makeNineBanks(api);
        // Answers come only from the tests here: nothing is sent again while a test looks, however slow
        // the machine.
        makeEncoder(600000, 3);
        api.setTransmitCounters(&decoder);
    }
    void TearDown() override
    {
        api.setTransmitCounters(nullptr);
        api.setMessageSender(nullptr);
        encoder.reset();
        controller.reset();
    }

    // Every byte sent so far, once `messages` messages have arrived.
    Bytes sent(int messages)
    {
        EXPECT_TRUE(waitFor([&] { return messageCount() >= messages; }, 5s))
            << "only " << messageCount() << " of " << messages << " messages arrived";
        return destination->receivedBytes();
    }
    // Index of the start of message n (0-based) in bytes; their size when there are fewer.
    static std::ptrdiff_t messageStart(const Bytes& bytes, int n)
    {
        int seen = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == 0xF0 && seen++ == n)
                return std::ptrdiff_t(i);
        }
        return std::ptrdiff_t(bytes.size());
    }
    int messageCount()
    {
        const Bytes all = destination->receivedBytes();
        return int(std::count(all.begin(), all.end(), std::uint8_t(0xF0)));
    }
    void clearSent() { destination->clearReceived(); }
    // The synthesizer's answers, as the decoder takes them.
    bool feedAcknowledge() { return feed(SysEx::bulkAcknowledge()); }
    bool feed(const QByteArray& record)
    {
        return decoder.processRecord(reinterpret_cast<const unsigned char*>(record.constData()), int(record.size()));
    }
    // One whole dump of template t as the synthesizer answers a request; true when its footer answered.
    bool feedDump(unsigned char area, int t)
    {
        const auto from = SysEx::kDirectionFromSynth;
        feed(SysEx::bulkMessage(SysEx::kAddressHeader, area, static_cast<unsigned char>(t), {}, from));
        feed(SysEx::commonBlockMessage({QStringLiteral("T%1").arg(t), QStringLiteral("Inst"), 1}, from));
        for (int k = 0; k < 12; ++k)
            feed(SysEx::controllerBlockMessage(k, {QStringLiteral("10000000%1").arg(k % 10), "Knob", k, 0}, from));
        return feed(SysEx::bulkMessage(SysEx::kAddressFooter, area, static_cast<unsigned char>(t), {}, from));
    }
    // An encoder with the given answer time-out and retries in place of the fixture's.
    void makeEncoder(int answerTimeoutMs, int answerRetries)
    {
        api.setMessageSender(nullptr);
        encoder = std::make_unique<MessageEncoder>(kSendModel, table, *controller, port, &api, answerTimeoutMs,
                                                   answerRetries);
        api.setMessageSender(encoder.get());
    }

    inline static int s_instance = 0;
    std::string device;
    std::unique_ptr<kwmidi::PublishedDestination> destination;
    SysExParamChangeAddressTransTable table;
    std::unique_ptr<ComuController> controller;
    int port = 0;
    RemoteMemAPI api;
    MessageDecoder decoder{&table, kReceiveModel, 0, &api, 6};
    std::unique_ptr<MessageEncoder> encoder;
};

} // namespace

TEST_F(Encoder, LiveEditsGoOutAsParameterChangesOfTheCurrentTemplate)
{
    QSignalSpy completed(&api, &RemoteMemAPI::completeBulkTransmit);
    api.setParam(ParamAddress(0, 0, 2, ParamAddress::kCCNumberParam), 63);
    api.setONLINEstate(1);
    api.setParam(ParamAddress(0, 0, 2, ParamAddress::kCCNumberParam), 64);
    EXPECT_EQ(sent(1), wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x12, 0x18, 0x40, 0xF7}));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);
    EXPECT_FALSE(api.getBulkRecieveEnableFlag()) << "a drained queue ends bulk reception";
    EXPECT_EQ(completed.count(), 0) << "no full send was waiting for it";

    clearSent();
    api.setParam(ParamAddress(0, 9, ParamAddress::kTemplateNameController, -1), QStringLiteral("Lead"));
    Bytes expected;
    const char* text = "Lead         ";
    for (int i = 0; i < 13; ++i) {
        const Bytes m = wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x00, i, text[i], 0xF7});
        expected.insert(expected.end(), m.begin(), m.end());
    }
    EXPECT_EQ(sent(13), expected);

    clearSent();
    api.setParam(ParamAddress(0, 9, 5, ParamAddress::kRemoteNumberParam), QStringLiteral("2abcdef01"));
    EXPECT_EQ(sent(1), wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x15, 0x00, '2', 'a', 'b', 'c', 'd', 'e', 'f',
                             '0', '1', 0xF7}));

    clearSent();
    api.setParam(ParamAddress(1, 9, 5, ParamAddress::kCCNumberParam), 5);
    api.setParam(ParamAddress(5, 9, 5, ParamAddress::kCCNumberParam), 5);
    api.setONLINEstate(0);
    api.setParam(ParamAddress(0, 9, 5, ParamAddress::kCCNumberParam), 5);
    api.setONLINEstate(1);
    api.setParam(ParamAddress(0, 0, 0, ParamAddress::kDisplayFormatParam), 1);
    EXPECT_EQ(sent(1), wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x10, 0x19, 0x01, 0xF7}))
        << "only bank 0, and only while ONLINE";
}

TEST_F(Encoder, FullSendKeepsOneChainAndItsFollowUpsWaitForItsLastAcknowledge)
{
    QSignalSpy completed(&api, &RemoteMemAPI::completeBulkTransmit);
    api.setParam(ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1), 31);
    api.setParam(ParamAddress(0, 0, ParamAddress::kTemplateNameController, -1), QStringLiteral("First"));
    api.setStoreFlag(true);
    api.setStoreToFlashSendingFlag(true);
    api.setWaitingBulkTransmit(true);
    EXPECT_TRUE(api.sendEditorAllData(true));
    const Bytes first = sent(15);
    EXPECT_EQ(decoder.transmitedBulkCount(), 50);
    // The store and the store to flash wait behind the dumps: they start no second chain.
    QList<int> groups = encoder->queuedRecordCounts();
    ASSERT_EQ(groups.size(), 52);
    EXPECT_EQ(groups.count(15), 49);
    EXPECT_EQ(groups.mid(49), QList<int>({1, 1, 1})) << "template number select, store, store to flash";
    // Owed until they went out after the last acknowledge: a failed try keeps them for the next.
    EXPECT_TRUE(api.isStorePending());
    EXPECT_TRUE(api.isStoreToFlashSending());
    ASSERT_TRUE(feedAcknowledge());
    api.clearTransmitQueue();
    EXPECT_TRUE(api.isStorePending());
    EXPECT_TRUE(api.isStoreToFlashSending());
    EXPECT_EQ(completed.count(), 0);
    encoder->forgetAnswers();
    clearSent();
    EXPECT_TRUE(api.sendEditorAllData(true));
    sent(15);
    ASSERT_EQ(encoder->queuedGroupCount(), 52) << "the retry lost a follow-up";
    const Bytes header = wire({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x0E, 0x6F, 0x00, 0x03, 0xF7});
    EXPECT_TRUE(std::equal(header.begin(), header.end(), first.begin()));
    const SysEx::Message common = SysEx::parse(reinterpret_cast<const unsigned char*>(first.data()) + 14, 39);
    EXPECT_EQ(common.type, SysEx::MessageType::CommonBlock);
    EXPECT_TRUE(common.checksumOk);
    EXPECT_EQ(common.byteCount, 31);

    // Only the acknowledge moves the chain, one dump for each.
    EXPECT_TRUE(api.sendMessage(nullptr));
    EXPECT_TRUE(encoder->sendMessage(nullptr));
    EXPECT_EQ(encoder->queuedGroupCount(), 52);
    for (int i = 1; i < 50; ++i) {
        ASSERT_TRUE(feedAcknowledge());
        ASSERT_EQ(encoder->queuedGroupCount(), 52 - i);
        ASSERT_EQ(decoder.transmitedBulkCount(), 50 - i);
    }
    EXPECT_EQ(completed.count(), 0);
    const Bytes dumps = sent(50 * 15);
    EXPECT_EQ(messageCount(), 50 * 15) << "the follow-ups left before the last acknowledge";

    // The last acknowledge lets the select, the store and the store to flash out, in this order.
    ASSERT_TRUE(feedAcknowledge());
    const Bytes all = sent(50 * 15 + 3);
    const Bytes tail =
        wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x20, 0x00, 31,   0xF7, 0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00,
              0x01, 0x22, 0x00, 0xF7, 0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x11, 0x00, 0x00, 0x6F, 0xF7});
    ASSERT_GE(all.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), all.end() - tail.size()));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);
    EXPECT_EQ(completed.count(), 1);
    EXPECT_FALSE(encoder->isHoldingChain());
    EXPECT_FALSE(api.isStorePending());
    EXPECT_FALSE(api.isStoreToFlashSending());

    // An acknowledge nobody waits for moves and counts nothing.
    EXPECT_FALSE(feedAcknowledge());
    EXPECT_EQ(completed.count(), 1);
    EXPECT_EQ(encoder->strayAnswerCount(), 1);
    EXPECT_EQ(encoder->resentCount(), 0);
}

TEST_F(Encoder, DataRequestAsksTemplateByTemplateAndEndsWithTheFlagsAnswer)
{
    QSignalSpy received(&api, &RemoteMemAPI::completeBulkReceive);
    api.setWaitingBulkReceive(true);
    api.sendHardWareDataReq(false);
    EXPECT_TRUE(api.getBulkRecieveEnableFlag());
    EXPECT_EQ(sent(1), wire({0xF0, 0x43, 0x20, 0x7F, 0x1C, 0x00, 0x0E, 0x60, 0x00, 0xF7}));
    EXPECT_EQ(encoder->queuedGroupCount(), 50);
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 51) << "50 dumps and the bank edit flag";
    EXPECT_TRUE(api.sendMessage(nullptr));
    EXPECT_EQ(encoder->queuedGroupCount(), 50) << "a pass asked for while the answer is due sends nothing";
    // Each request goes out when the dump it asked for has come whole.
    for (int t = 0; t < 49; ++t) {
        ASSERT_TRUE(feedDump(SysEx::kAreaStored, t));
        ASSERT_EQ(encoder->queuedGroupCount(), 49 - t);
    }
    EXPECT_TRUE(api.getBulkRecieveEnableFlag());
    const Bytes requests = sent(50);
    const Bytes last = wire({0xF0, 0x43, 0x20, 0x7F, 0x1C, 0x00, 0x0E, 0x60, 0x31, 0xF7});
    EXPECT_TRUE(std::equal(last.begin(), last.end(), requests.end() - 10));
    EXPECT_EQ(received.count(), 0);
    ASSERT_TRUE(feedDump(SysEx::kAreaStored, 49));
    const Bytes all = sent(51);
    const Bytes flagRequest = wire({0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x00, 0x01, 0x23, 0x00, 0xF7});
    EXPECT_TRUE(std::equal(flagRequest.begin(), flagRequest.end(), all.end() - 10));
    // The receive is not complete before the bank edit flag came: an answer cut short, or a value of
    // another address, is none.
    EXPECT_EQ(received.count(), 0) << "the receive ended without the bank edit flag";
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 1);
    EXPECT_TRUE(encoder->isHoldingChain());
    const ParamAddress bankEdited(ParamAddress::kBankEditFlagBank, -1, -1, -1);
    api.setParam(bankEdited, 0L);
    EXPECT_FALSE(feed(SysEx::parameterChangeFromSynth(SysEx::kMidBankEditFlag, 0x00, QByteArray())));
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 1) << "a reply without its value byte was taken as the answer";
    EXPECT_TRUE(encoder->isHoldingChain());
    EXPECT_EQ(api.getParam(bankEdited).getCurrentValue(), 0);
    feed(SysEx::parameterChangeFromSynth(SysEx::kMidCurrentTemplateNumber, 0x00, QByteArray(1, 7)));
    EXPECT_EQ(received.count(), 0);
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 1);
    EXPECT_TRUE(encoder->isHoldingChain());
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(SysEx::kMidBankEditFlag, 0x00, QByteArray(1, 1))));
    EXPECT_FALSE(encoder->isHoldingChain());
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 0);
    EXPECT_EQ(api.getParam(ParamAddress(ParamAddress::kBankEditFlagBank, -1, -1, -1)).getCurrentValue(), 1);
    EXPECT_FALSE(api.getBulkRecieveEnableFlag());
    EXPECT_EQ(received.count(), 1);
    // The synthesizer's own report of its flag later is written, and answers nothing.
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(SysEx::kMidBankEditFlag, 0x00, QByteArray(1, 0))));
    EXPECT_EQ(received.count(), 1);
    EXPECT_EQ(encoder->strayAnswerCount(), 0);
    EXPECT_EQ(api.getParamQString(ParamAddress(2, 49, ParamAddress::kTemplateNameController, -1)), "T49");
    bool wasEmpty = false;
    EXPECT_TRUE(encoder->sendMessage(&wasEmpty));
    EXPECT_TRUE(wasEmpty);

    // A value asked by its address is answered only by that address: knob 2's display format (12 19) is
    // written when it comes, yet answers no request of its control-change number (12 18).
    const unsigned char knob2CC[2] = {0x12, 0x18};
    ASSERT_TRUE(encoder->enqueueParamReq(knob2CC));
    ASSERT_TRUE(encoder->sendMessage(nullptr));
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 1);
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(0x12, 0x19, QByteArray(1, 1))));
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 1) << "another parameter of the same block answered the request";
    EXPECT_TRUE(encoder->isHoldingChain());
    EXPECT_TRUE(feed(SysEx::parameterChangeFromSynth(0x12, 0x18, QByteArray(1, 64))));
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 0);
    EXPECT_FALSE(encoder->isHoldingChain());

    clearSent();
    EXPECT_TRUE(encoder->sendHardWareDataReq(true));
    EXPECT_EQ(encoder->queuedGroupCount(), 101);
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 102) << "both values count among the answers awaited";
}

// A dump or request whose answer does not come is sent again. An acknowledge names no dump: after a dump
// was sent twice, the second acknowledge may be the first copy's, late, and must not move the chain on
// to the next dump or count for it. A dump's footer names its template, which tells a late answer to a
// request from the answer to the next.
TEST_F(Encoder, WithoutATimeOutOfItsOwnADumpWaitsOneSecondForItsAnswerBeforeGoingAgain)
{
    // As the memory service's route makes it: no time-out given.
    api.setMessageSender(nullptr);
    encoder = std::make_unique<MessageEncoder>(kSendModel, table, *controller, port, &api);
    api.setMessageSender(encoder.get());
    EXPECT_EQ(encoder->answerTimeoutMs(), 1000);
    api.setWaitingBulkTransmit(true);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(encoder->sendEditorAllData(false));
    sent(15);
    ASSERT_TRUE(waitFor([&] { return encoder->resentCount() > 0; }, 30s)) << "the unanswered dump was not sent again";
    // Timers may fire a little early; a tenth of the second would be far below this.
    EXPECT_GE(clock.elapsed(), 900) << "the dump went again before its answer was given a second";
}

TEST_F(Encoder, AnUnansweredDumpOrRequestGoesAgainAndALateAnswerNeitherRunsAheadNorCountsTwice)
{
    // Long enough that the test sees every step between two copies; the late limit is four time-outs.
    makeEncoder(1000, 3);
    QSignalSpy completed(&api, &RemoteMemAPI::completeBulkTransmit);
    QSignalSpy abandoned(&api, &RemoteMemAPI::transferAbandoned);
    api.setWaitingBulkTransmit(true);
    ASSERT_TRUE(encoder->sendEditorAllData(false));
    const Bytes both = sent(30);
    const std::ptrdiff_t dumpSize = messageStart(both, 15);
    EXPECT_TRUE(std::equal(both.begin(), both.begin() + dumpSize, both.begin() + dumpSize))
        << "the copy is the same dump";
    ASSERT_TRUE(feedAcknowledge());
    const int copies = encoder->resentCount() + 1;
    ASSERT_GE(copies, 2);
    EXPECT_EQ(decoder.transmitedBulkCount(), 99);
    EXPECT_EQ(encoder->queuedGroupCount(), 100) << "the next dump left while a copy's acknowledge may still come";
    for (int late = 1; late < copies; ++late) {
        EXPECT_EQ(encoder->queuedGroupCount(), 100);
        EXPECT_FALSE(feedAcknowledge()) << "the late acknowledge of copy " << late + 1;
    }
    EXPECT_EQ(encoder->queuedGroupCount(), 99) << "the chain did not go on once every copy was acknowledged";
    EXPECT_EQ(decoder.transmitedBulkCount(), 99) << "a dump counted twice";
    EXPECT_EQ(encoder->strayAnswerCount(), copies - 1);

    // The second dump's first acknowledge is lost: the one for its copy moves nothing at first, and the
    // chain goes on once the other can no longer be expected.
    ASSERT_TRUE(waitFor([&] { return encoder->resentCount() > copies - 1; }, 30s))
        << "the second dump was not sent again";
    ASSERT_TRUE(feedAcknowledge());
    const int copiesSecond = encoder->resentCount() - (copies - 1) + 1;
    EXPECT_EQ(decoder.transmitedBulkCount(), 98);
    EXPECT_EQ(encoder->queuedGroupCount(), 99);
    sent(15 * (copies + copiesSecond));
    clearSent();
    ASSERT_TRUE(waitFor([&] { return encoder->queuedGroupCount() == 98; }, 30s))
        << "the chain stalled on an acknowledge that was lost";

    // The third is never answered: after three copies more the encoder gives up, the transfer is not
    // complete, and nothing of it counts as awaiting an answer any more. The editor is offline, and a
    // store and a store to flash queued behind the dumps are owed to the next synchronisation.
    api.setONLINEstate(1);
    ASSERT_TRUE(api.sendAllTemplatesStoreMessage());
    ASSERT_TRUE(encoder->enqueueStoreToFlash());
    EXPECT_FALSE(api.isStorePending());
    EXPECT_FALSE(api.isStoreToFlashSending());
    ASSERT_TRUE(waitFor([&] { return encoder->queuedGroupCount() == 0; }, 60s))
        << "the encoder never gave up on a synthesizer that does not answer";
    sent(4 * 15);
    EXPECT_EQ(messageCount(), 4 * 15);
    EXPECT_EQ(decoder.transmitedBulkCount(), 0);
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 0);
    EXPECT_EQ(abandoned.count(), 1) << "the encoder gave up without a word";
    EXPECT_FALSE(api.isONLINE()) << "the editor stayed online after dropping what was queued";
    EXPECT_TRUE(api.isStorePending()) << "the store queued when the encoder gave up was dropped";
    EXPECT_TRUE(api.isStoreToFlashSending()) << "the store to flash queued when the encoder gave up was dropped";
    // Its copies may still be acknowledged, so the next chain waits; unless the synthesizer's ports went
    // away with them.
    EXPECT_TRUE(encoder->isHoldingChain());
    encoder->forgetAnswers();
    EXPECT_FALSE(encoder->isHoldingChain());
    EXPECT_EQ(completed.count(), 0) << "a send that lost a dump reported success";

    // Requests: a late answer names the template it answers.
    clearSent();
    api.setWaitingBulkReceive(true);
    ASSERT_TRUE(api.sendHardWareDataReq(false));
    ASSERT_TRUE(waitFor([&] { return messageCount() >= 2; }, 30s)) << "the request was not sent again";
    const Bytes requests = sent(2);
    const Bytes twice = wire({0xF0, 0x43, 0x20, 0x7F, 0x1C, 0x00, 0x0E, 0x60, 0x00, 0xF7,
                              0xF0, 0x43, 0x20, 0x7F, 0x1C, 0x00, 0x0E, 0x60, 0x00, 0xF7});
    EXPECT_TRUE(std::equal(twice.begin(), twice.end(), requests.begin()));
    // The bank edit flag's request stays counted behind the dumps'.
    EXPECT_TRUE(feedDump(SysEx::kAreaStored, 0));
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 50);
    EXPECT_EQ(encoder->queuedGroupCount(), 49);
    EXPECT_FALSE(feedDump(SysEx::kAreaStored, 0)) << "the second answer to the first request";
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 50);
    EXPECT_EQ(encoder->queuedGroupCount(), 49);
    EXPECT_FALSE(feedDump(SysEx::kAreaEditBuffer, 1)) << "a dump of another area";
    EXPECT_TRUE(feedDump(SysEx::kAreaStored, 1));
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 49);

    // The bank edit flag's request is never answered: it goes four times, then the request counter, and
    // only it, is back to nothing, and the editor is offline.
    for (int t = 2; t < 50; ++t)
        ASSERT_TRUE(feedDump(SysEx::kAreaStored, t));
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 1);
    // A dump counted besides shows a request taken off the wrong counter.
    decoder.incrementTransmitedBulkCounter();
    api.setONLINEstate(1);
    ASSERT_TRUE(waitFor([&] { return abandoned.count() == 2; }, 60s)) << "the encoder never gave up on the request";
    const Bytes flagRequest = wire({0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x00, 0x01, 0x23, 0x00, 0xF7});
    const auto flagRequestsSent = [&] {
        const Bytes all = destination->receivedBytes();
        int count = 0;
        auto at = std::search(all.begin(), all.end(), flagRequest.begin(), flagRequest.end());
        for (; at != all.end(); at = std::search(at + 1, all.end(), flagRequest.begin(), flagRequest.end()))
            ++count;
        return count;
    };
    EXPECT_TRUE(waitFor([&] { return flagRequestsSent() >= 4; }, 5s));
    EXPECT_EQ(flagRequestsSent(), 4);
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 0) << "the request given up on is still awaited";
    EXPECT_EQ(decoder.transmitedBulkCount(), 1) << "the request given up on was taken off the dumps awaited";
    EXPECT_FALSE(api.isONLINE());
    EXPECT_FALSE(encoder->isHoldingChain());
}

TEST_F(Encoder, BuildersAndGroupingRefuseWhatTheSynthesizerCannotTake)
{
    EXPECT_EQ(MessageEncoder::createBulkHeaderFooter(MessageEncoder::kEditBufferArea, MessageEncoder::kHeaderPart, 49),
              QByteArray::fromHex("43007F1C000400 0E6F3152F7"));
    EXPECT_TRUE(
        MessageEncoder::createBulkHeaderFooter(MessageEncoder::kStoredArea, MessageEncoder::kHeaderPart, 50).isEmpty());
    EXPECT_EQ(MessageEncoder::CreateBulkChecksum(QByteArray::fromHex("43007F1C000400110000")), 0x6F);
    EXPECT_EQ(MessageEncoder::CreateBulkChecksum(QByteArray::fromHex("43007F")), 0);
    EXPECT_TRUE(encoder->createBulkContent(13, 0, 0).isEmpty());
    EXPECT_FALSE(encoder->enqueue1TemplateBulk(2, 0));
    EXPECT_FALSE(encoder->enqueue1TemplateBulk(0, 50));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);

    const QByteArray footer =
        MessageEncoder::createBulkHeaderFooter(MessageEncoder::kStoredArea, MessageEncoder::kFooterPart, 3);
    EXPECT_FALSE(encoder->bufferingMsg(footer)) << "a footer without its header";
    EXPECT_FALSE(encoder->bufferingMsg(encoder->createBulkContent(0, 0, 3)));
    EXPECT_TRUE(encoder->bufferingMsg(
        MessageEncoder::createBulkHeaderFooter(MessageEncoder::kStoredArea, MessageEncoder::kHeaderPart, 3)));
    EXPECT_FALSE(encoder->bufferingMsg(
        MessageEncoder::createBulkHeaderFooter(MessageEncoder::kStoredArea, MessageEncoder::kHeaderPart, 4)));
    EXPECT_FALSE(encoder->enqueueBulkReqHeaderFooter(MessageEncoder::kStoredArea, MessageEncoder::kHeaderPart, 0));
    EXPECT_FALSE(encoder->enqueueStoreToFlash());
    EXPECT_TRUE(encoder->bufferingMsg(footer));
    EXPECT_EQ(encoder->queuedRecordCounts(), QList<int>({2}));
    encoder->clearTransmitQueue(true);

    EXPECT_TRUE(api.sendStoreToFlash());
    EXPECT_TRUE(api.sendAllTemplatesStoreMessage());
    EXPECT_EQ(sent(2), wire({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x11, 0x00, 0x00, 0x6F,
                             0xF7, 0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x22, 0x00, 0xF7}));

    clearSent();
    EXPECT_TRUE(api.send1TemplateDataParamChange(0, 4));
    sent(13 + 12 + 1 + 1 + 12 * (15 + 1 + 1 + 1));
    EXPECT_TRUE(encoder->sendParamChangeOfController(0, 4, 11));
    EXPECT_FALSE(encoder->sendParamChangeOfController(0, 4, 12));
}

// A message that cannot go out spoils the order of what follows it: the whole queue goes, and the editor
// is offline, whether the message awaited an answer or not, so that the next synchronisation sends what
// was lost. A store or store to flash among what was dropped stays owed to that synchronisation.
TEST_F(Encoder, AFailedSendDropsTheWholeQueueTakesTheEditorOfflineAndKeepsItsStoresOwed)
{
    QSignalSpy abandoned(&api, &RemoteMemAPI::transferAbandoned);
    api.setONLINEstate(1);
    EXPECT_TRUE(encoder->enqueue1TemplateBulk(0, 1));
    EXPECT_TRUE(encoder->enqueue1TemplateBulk(1, 2));
    EXPECT_TRUE(encoder->enqueueStoreToFlash());
    EXPECT_EQ(decoder.transmitedBulkCount(), 2);
    destination->setRefusing(true);
    EXPECT_FALSE(api.sendMessage(nullptr));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);
    EXPECT_EQ(decoder.transmitedBulkCount(), 0);
    EXPECT_FALSE(api.isONLINE());
    EXPECT_EQ(abandoned.count(), 1);
    EXPECT_TRUE(api.isStoreToFlashSending()) << "the store to flash queued behind the refused dump was dropped";
    api.setStoreToFlashSendingFlag(false);
    EXPECT_FALSE(api.sendEditorAllData(false));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);

    // A live edit refused, nothing awaited: the edit is lost, and the editor says so by going offline.
    api.setONLINEstate(1);
    api.setParam(ParamAddress(0, 0, 2, ParamAddress::kCCNumberParam), 64);
    EXPECT_FALSE(api.isONLINE()) << "a refused edit was lost without a word";
    EXPECT_EQ(abandoned.count(), 3);
    // A store and a store to flash refused themselves are owed as those queued behind a refusal.
    for (const bool flash : {false, true}) {
        SCOPED_TRACE(flash ? "store to flash" : "store");
        api.setONLINEstate(1);
        EXPECT_FALSE(flash ? api.sendStoreToFlash() : api.sendAllTemplatesStoreMessage());
        EXPECT_FALSE(api.isONLINE());
        EXPECT_EQ(flash ? api.isStoreToFlashSending() : api.isStorePending(), true) << "a refused store was not owed";
    }
    EXPECT_EQ(abandoned.count(), 5);
    EXPECT_EQ(decoder.transmitedBulkCount(), 0);
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 0);

    // A port that is gone fails the same way.
    destination->setRefusing(false);
    controller->releasePort(ComuController::kOutput, port);
    api.setONLINEstate(1);
    EXPECT_FALSE(encoder->sendBulk(0, 0));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);
    EXPECT_FALSE(api.isONLINE());
    EXPECT_EQ(decoder.transmitedBulkCount(), 0);
    EXPECT_EQ(messageCount(), 0);
}
