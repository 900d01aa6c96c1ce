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
        encoder = std::make_unique<MessageEncoder>(kSendModel, table, *controller, port, &api);
        api.setMessageSender(encoder.get());
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
    int messageCount()
    {
        const Bytes all = destination->receivedBytes();
        return int(std::count(all.begin(), all.end(), std::uint8_t(0xF0)));
    }
    void clearSent() { destination->clearReceived(); }

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

TEST_F(Encoder, FullSendQueuesWaitGroupsAndSendsOneDumpPerPass)
{
    api.setParam(ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1), 31);
    api.setParam(ParamAddress(0, 0, ParamAddress::kTemplateNameController, -1), QStringLiteral("First"));
    EXPECT_TRUE(encoder->sendEditorAllData(true));
    const Bytes first = sent(15);
    EXPECT_EQ(messageCount(), 15) << "the pass stops after the first dump";
    EXPECT_EQ(decoder.transmitedBulkCount(), 50);
    QList<int> groups = encoder->queuedRecordCounts();
    ASSERT_EQ(groups.size(), 50);
    EXPECT_EQ(groups.count(15), 49);
    EXPECT_EQ(groups.last(), 1) << "the template number select closes the send";
    const Bytes header = wire({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x0E, 0x6F, 0x00, 0x03, 0xF7});
    EXPECT_TRUE(std::equal(header.begin(), header.end(), first.begin()));
    const SysEx::Message common = SysEx::parse(reinterpret_cast<const unsigned char*>(first.data()) + 14, 39);
    EXPECT_EQ(common.type, SysEx::MessageType::CommonBlock);
    EXPECT_TRUE(common.checksumOk);
    EXPECT_EQ(common.byteCount, 31);

    // Nobody waits for the answer but the caller: every call is a pass.
    EXPECT_TRUE(api.sendMessage(nullptr));
    sent(30);
    for (int i = 0; i < 49; ++i)
        encoder->sendMessage(nullptr);
    const Bytes all = sent(50 * 15 + 1);
    const Bytes select = wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x20, 0x00, 31, 0xF7});
    EXPECT_TRUE(std::equal(select.begin(), select.end(), all.end() - 11));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);
}

TEST_F(Encoder, DataRequestAsksTemplateByTemplateAndDrainsWithTheFlagRequest)
{
    api.sendHardWareDataReq(false);
    EXPECT_TRUE(api.getBulkRecieveEnableFlag());
    EXPECT_EQ(sent(1), wire({0xF0, 0x43, 0x20, 0x7F, 0x1C, 0x00, 0x0E, 0x60, 0x00, 0xF7}));
    EXPECT_EQ(encoder->queuedGroupCount(), 50);
    EXPECT_EQ(decoder.transmitedBulkReqCount(), 50);
    for (int i = 0; i < 49; ++i)
        encoder->sendMessage(nullptr);
    EXPECT_TRUE(api.getBulkRecieveEnableFlag());
    bool wasEmpty = true;
    EXPECT_TRUE(encoder->sendMessage(&wasEmpty));
    EXPECT_FALSE(wasEmpty);
    const Bytes all = sent(51);
    const Bytes flagRequest = wire({0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x00, 0x01, 0x23, 0x00, 0xF7});
    EXPECT_TRUE(std::equal(flagRequest.begin(), flagRequest.end(), all.end() - 10));
    EXPECT_FALSE(api.getBulkRecieveEnableFlag());
    EXPECT_TRUE(encoder->sendMessage(&wasEmpty));
    EXPECT_TRUE(wasEmpty);

    clearSent();
    EXPECT_TRUE(encoder->sendHardWareDataReq(true));
    EXPECT_EQ(encoder->queuedGroupCount(), 101);
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

TEST_F(Encoder, AFailedSendDropsTheWholeQueue)
{
    EXPECT_TRUE(encoder->enqueue1TemplateBulk(0, 1));
    EXPECT_TRUE(encoder->enqueue1TemplateBulk(1, 2));
    destination->setRefusing(true);
    EXPECT_FALSE(api.sendMessage(nullptr));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);
    EXPECT_FALSE(api.sendEditorAllData(false));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);

    // A port that is gone fails the same way.
    destination->setRefusing(false);
    controller->releasePort(ComuController::kOutput, port);
    EXPECT_FALSE(encoder->sendBulk(0, 0));
    EXPECT_EQ(encoder->queuedGroupCount(), 0);
    EXPECT_EQ(messageCount(), 0);
}
