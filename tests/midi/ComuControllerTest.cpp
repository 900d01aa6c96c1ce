#include "ComuController.h"
#include "MessageProcessor.h"
#include "MidiSystem.h"
#include "RecordingProcessor.h"
#include "TAppMIDIIn.h"
#include "TAppMIDIOut.h"
#include "TMIDIPortAccessor.h"
#include "TestEnvironment.h"
#include "VirtualMidiFixture.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kPorts = 5;

// Five sources and five destinations of one device on the in-process MIDI system, and a controller
// whose port numbers for them are known.
class ComuControllerTest : public kwtest::VirtualMidiTest
{
protected:
    void SetUp() override
    {
        kwtest::VirtualMidiTest::SetUp();
        if (HasFatalFailure())
            return;
        device = "KW Comu " + std::to_string(++s_instance);
        for (int i = 1; i <= kPorts; ++i) {
            sources.push_back(client->createSource(device, "Port" + std::to_string(i)));
            destinations.push_back(client->createDestination(device, "Port" + std::to_string(i)));
            ASSERT_TRUE(sources.back() && destinations.back());
        }
        controller = std::make_unique<ComuController>(nullptr);
        inputNumbers = numbersOf(controller->getInputPortList());
        outputNumbers = numbersOf(controller->getOutputPortList());
        ASSERT_EQ(inputNumbers.size(), size_t(kPorts));
        ASSERT_EQ(outputNumbers.size(), size_t(kPorts));
    }
    void TearDown() override { controller.reset(); }

    // The port numbers of this device's ports 1..5 in a directory list.
    std::vector<long> numbersOf(const QStringList& entries) const
    {
        std::vector<long> numbers;
        for (int i = 1; i <= kPorts; ++i) {
            const QString name = QStringLiteral("%1 Port%2").arg(QString::fromStdString(device)).arg(i);
            for (const QString& entry : entries) {
                QString number;
                QString entryName;
                if (TMIDIPortAccessor::splitEntry(entry, &number, &entryName) && entryName == name)
                    numbers.push_back(number.toLong());
            }
        }
        return numbers;
    }

    static tagMPEVENT shortRecord(std::uint32_t type, long port, int channel, std::initializer_list<int> data)
    {
        tagMPEVENT r{};
        r.type = type;
        r.portId = std::int32_t(port);
        r.channel = channel;
        int i = 0;
        for (int v : data)
            r.data[i++] = static_cast<unsigned char>(v);
        return r;
    }

    std::vector<Bytes> chunksAt(int k, size_t bytes)
    {
        auto& d = destinations[size_t(k - 1)];
        EXPECT_TRUE(d->waitForBytes(bytes, 5s)) << "fewer than " << bytes << " bytes arrived at port " << k;
        return d->receivedChunks();
    }

    static inline int s_instance = 0;
    std::string device;
    std::vector<std::unique_ptr<kwmidi::PublishedSource>> sources;
    std::vector<std::unique_ptr<kwmidi::PublishedDestination>> destinations;
    std::unique_ptr<ComuController> controller;
    std::vector<long> inputNumbers;
    std::vector<long> outputNumbers;
};

} // namespace

TEST_F(ComuControllerTest, PortNumberZeroOpensNothing)
{
    kwtest::RecordingProcessor processor(0, 6);
    EXPECT_FALSE(controller->requestPort(ComuController::kInput, 0, 6, &processor));
    EXPECT_FALSE(controller->requestPort(ComuController::kOutput, 0, 0, nullptr));
    EXPECT_FALSE(controller->isPortActive(ComuController::kInput, 0));
    EXPECT_FALSE(controller->isPortActive(ComuController::kOutput, 0));
    EXPECT_FALSE(controller->requestPort(ComuController::kOutput, 9999, 0, nullptr));
    EXPECT_FALSE(controller->isPortActive(ComuController::kOutput, 9999));
    EXPECT_FALSE(controller->requestPort(ComuController::kInput, 9999, 6, &processor));
    EXPECT_FALSE(controller->requestPort(7, outputNumbers[4], 0, nullptr));
    EXPECT_FALSE(controller->setMessageProcessorAndOpenPort(nullptr));
}

TEST_F(ComuControllerTest, AnOutputOpenedTwiceIsOnePortAndAReleasedOneRefusesToSend)
{
    const long port5 = outputNumbers[4];
    EXPECT_TRUE(controller->requestPort(ComuController::kOutput, port5, 0, nullptr));
    EXPECT_TRUE(controller->requestPort(ComuController::kOutput, port5, 0, nullptr));
    EXPECT_TRUE(controller->isPortActive(ComuController::kOutput, port5));
    EXPECT_FALSE(controller->isPortActive(ComuController::kInput, port5));

    const tagMPEVENT cc = shortRecord(MPEV_CONTROL, port5, 0, {7, 100});
    EXPECT_EQ(controller->midiOutDispatch(cc, 1), kMidiSuccess);
    EXPECT_EQ(chunksAt(5, 3), (std::vector<Bytes>{{0xB0, 7, 100}}));

    controller->releasePort(ComuController::kOutput, port5);
    EXPECT_FALSE(controller->isPortActive(ComuController::kOutput, port5));
    EXPECT_EQ(controller->midiOutDispatch(cc, 1), kMidiFailure);
    controller->releasePort(ComuController::kOutput, port5); // twice is harmless

    EXPECT_TRUE(controller->requestPort(ComuController::kOutput, port5, 0, nullptr));
    EXPECT_EQ(controller->midiOutDispatch(cc, 1), kMidiSuccess);
    EXPECT_EQ(chunksAt(5, 6).size(), 2u);
    // A port never opened.
    tagMPEVENT other = cc;
    other.portId = std::int32_t(outputNumbers[0]);
    EXPECT_EQ(controller->midiOutDispatch(other, 1), kMidiFailure);
}

TEST_F(ComuControllerTest, ExpandsRecordsIntoTheirMidiBytes)
{
    const long port = outputNumbers[1];
    ASSERT_TRUE(controller->requestPort(ComuController::kOutput, port, 0, nullptr));
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_NRPN, port, 2, {1, 2, 3, 4}), 1), kMidiSuccess);
    EXPECT_EQ(chunksAt(2, 12),
              (std::vector<Bytes>{{0xB2, 0x63, 1}, {0xB2, 0x62, 2}, {0xB2, 0x06, 3}, {0xB2, 0x26, 4}}));
    destinations[1]->clearReceived();

    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_RPN, port, 0x1F, {5, 6, 7, 8}), 1), kMidiSuccess);
    EXPECT_EQ(chunksAt(2, 12),
              (std::vector<Bytes>{{0xBF, 0x65, 5}, {0xBF, 0x64, 6}, {0xBF, 0x06, 7}, {0xBF, 0x26, 8}}));
    destinations[1]->clearReceived();

    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_BANKPROGRAM, port, 3, {0x10, 0x20, 0x30}), 1), kMidiSuccess);
    EXPECT_EQ(chunksAt(2, 8), (std::vector<Bytes>{{0xB3, 0x00, 0x10}, {0xB3, 0x20, 0x20}, {0xC3, 0x30}}));
    destinations[1]->clearReceived();

    const std::vector<std::pair<tagMPEVENT, Bytes>> singles = {
        {shortRecord(MPEV_NOTEOFF, port, 1, {60, 0}), {0x81, 60, 0}},
        {shortRecord(MPEV_NOTEON, port, 1, {60, 99}), {0x91, 60, 99}},
        {shortRecord(MPEV_KEYPRESSURE, port, 4, {61, 5}), {0xA4, 61, 5}},
        {shortRecord(MPEV_PROGRAM, port, 5, {12, 99}), {0xC5, 12}},
        {shortRecord(MPEV_CHANPRESSURE, port, 6, {33, 99}), {0xD6, 33}},
        {shortRecord(MPEV_PITCHBEND, port, 7, {0x00, 0x40}), {0xE7, 0x00, 0x40}},
    };
    for (const auto& [record, bytes] : singles) {
        destinations[1]->clearReceived();
        EXPECT_EQ(controller->midiOutDispatch(record, 1), kMidiSuccess) << record.type;
        EXPECT_EQ(chunksAt(2, bytes.size()), std::vector<Bytes>{bytes}) << record.type;
    }

    unsigned char sysex[] = {0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x12, 0x18, 0x40, 0xF7};
    tagMPEVENT long1{};
    long1.type = MPEV_SYSEX;
    long1.portId = std::int32_t(port);
    long1.length = sizeof(sysex);
    long1.longData = sysex;
    destinations[1]->clearReceived();
    EXPECT_EQ(controller->midiOutDispatch(long1, 1), kMidiSuccess);
    Bytes expected{0xF0};
    expected.insert(expected.end(), std::begin(sysex), std::end(sysex));
    EXPECT_EQ(chunksAt(2, expected.size()), std::vector<Bytes>{expected});
    long1.type = MPEV_SYSEXCONT;
    destinations[1]->clearReceived();
    EXPECT_EQ(controller->midiOutDispatch(long1, 1), kMidiSuccess);
    expected[0] = 0xF7;
    EXPECT_EQ(chunksAt(2, expected.size()), std::vector<Bytes>{expected});
}

TEST_F(ComuControllerTest, RefusesRecordsThatCannotBeSentAndReportsFailedSends)
{
    const long port = outputNumbers[2];
    ASSERT_TRUE(controller->requestPort(ComuController::kOutput, port, 0, nullptr));
    tagMPEVENT noteOn = shortRecord(MPEV_NOTEON, port, 0, {60, 100});
    noteOn.length = 3;
    EXPECT_EQ(controller->midiOutDispatch(noteOn, 1), kMidiFailure);
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_NONE, port, 0, {}), 1), kMidiFailure);
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_ACTIVESENSE, port, 0, {0, 0xFE}), 1), kMidiFailure);
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(0x4000, port, 0, {}), 1), kMidiFailure);
    tagMPEVENT empty{};
    empty.type = MPEV_SYSEX;
    empty.portId = std::int32_t(port);
    empty.length = 5; // no bytes behind it
    EXPECT_EQ(controller->midiOutDispatch(empty, 1), kMidiFailure);
    // A mode without bit 0 sends nothing and reports success.
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_CONTROL, port, 0, {1, 2}), 0), kMidiSuccess);
    EXPECT_TRUE(destinations[2]->receivedBytes().empty());

    // A send the MIDI system refuses is a failure, not a success; the NRPN stops at its first packet.
    destinations[2]->setRefusing(true);
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_CONTROL, port, 0, {1, 2}), 1), kMidiFailure);
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_NRPN, port, 0, {1, 2, 3, 4}), 1), kMidiFailure);
    destinations[2]->setRefusing(false);
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_CONTROL, port, 0, {1, 2}), 1), kMidiSuccess);
    EXPECT_EQ(chunksAt(3, 3), (std::vector<Bytes>{{0xB0, 1, 2}}));
}

TEST_F(ComuControllerTest, InputsStampRecordsAndHandThemToTheirProcessor)
{
    kwtest::RecordingProcessor processor(inputNumbers[4], 6);
    ASSERT_TRUE(controller->setMessageProcessorAndOpenPort(&processor));
    EXPECT_TRUE(controller->isPortActive(ComuController::kInput, inputNumbers[4]));
    // Opening it again keeps the first processor.
    kwtest::RecordingProcessor other(inputNumbers[4], 0);
    EXPECT_TRUE(controller->requestPort(ComuController::kInput, inputNumbers[4], 0, &other));

    ASSERT_TRUE(sources[4]->send(Bytes{0xF0, 0x43, 0x60, 0x02, 0xF7, 0xFE, 0x90, 0x40, 0x7F}));
    ASSERT_TRUE(kwtest::waitUntil([&] { return processor.count() >= 3; })) << "three records did not arrive";
    const auto got = processor.taken();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].record.type, MPEV_SYSEX);
    EXPECT_EQ(got[0].bytes, (Bytes{0x43, 0x60, 0x02, 0xF7}));
    EXPECT_EQ(got[1].record.type, MPEV_ACTIVESENSE);
    EXPECT_EQ(got[2].record.type, MPEV_NOTEON);
    for (const auto& r : got) {
        EXPECT_EQ(r.record.portId, inputNumbers[4]);
        EXPECT_EQ(r.record.inbound, 1);
    }
    EXPECT_LT(got[0].record.sequence, got[1].record.sequence);
    EXPECT_LT(got[1].record.sequence, got[2].record.sequence);
    EXPECT_EQ(other.count(), 0u);
}

TEST_F(ComuControllerTest, SequenceNumbersAreUniqueAcrossTwoInputs)
{
    kwtest::RecordingProcessor first(inputNumbers[0], 0);
    kwtest::RecordingProcessor second(inputNumbers[1], 6);
    ASSERT_TRUE(controller->requestPort(ComuController::kInput, inputNumbers[0], 0, &first));
    ASSERT_TRUE(controller->requestPort(ComuController::kInput, inputNumbers[1], 6, &second));
    constexpr int kEach = 400;
    auto pump = [](kwmidi::PublishedSource* source) {
        for (int i = 0; i < kEach; ++i)
            source->send(Bytes{0xB0, std::uint8_t(i & 0x7F), 1});
    };
    std::thread a(pump, sources[0].get());
    std::thread b(pump, sources[1].get());
    a.join();
    b.join();
    ASSERT_TRUE(kwtest::waitUntil([&] { return first.count() + second.count() >= 2 * kEach; }))
        << "only " << first.count() + second.count() << " records arrived";
    std::set<std::uint64_t> sequences;
    for (auto* p : {&first, &second})
        for (const auto& r : p->taken())
            sequences.insert(r.record.sequence);
    EXPECT_EQ(sequences.size(), size_t(2 * kEach));
}

TEST_F(ComuControllerTest, ReleasingAnInputDeliversWhatWasQueuedFirst)
{
    kwtest::RecordingProcessor processor(inputNumbers[2], 6);
    ASSERT_TRUE(controller->requestPort(ComuController::kInput, inputNumbers[2], 6, &processor));
    for (int i = 0; i < 50; ++i)
        sources[2]->send(Bytes{0xC0, std::uint8_t(i)});
    ASSERT_TRUE(sources[2]->waitUntilDelivered(5s));
    controller->releasePort(ComuController::kInput, inputNumbers[2]);
    EXPECT_FALSE(controller->isPortActive(ComuController::kInput, inputNumbers[2]));
    EXPECT_EQ(processor.count(), 50u);
    sources[2]->send(Bytes{0xC0, 1});
    ASSERT_TRUE(sources[2]->waitUntilDelivered(5s));
    EXPECT_EQ(processor.count(), 50u);
}

TEST_F(ComuControllerTest, ReleasingAnInputWaitsForTheProcessorItIsIn)
{
    // A processor that holds the delivery thread until the test lets it go.
    class Holding : public kwtest::RecordingProcessor
    {
    public:
        using kwtest::RecordingProcessor::RecordingProcessor;
        void onProcess() override
        {
            std::unique_lock<std::mutex> lock(m);
            entered = true;
            cv.notify_all();
            cv.wait_for(lock, 10s, [this] { return letGo; });
        }
        std::mutex m;
        std::condition_variable cv;
        bool entered = false;
        bool letGo = false;
    } processor(inputNumbers[3], 6);

    ASSERT_TRUE(controller->requestPort(ComuController::kInput, inputNumbers[3], 6, &processor));
    sources[3]->send(Bytes{0xFE});
    {
        std::unique_lock<std::mutex> lock(processor.m);
        ASSERT_TRUE(processor.cv.wait_for(lock, 5s, [&] { return processor.entered; })) << "no record arrived";
    }
    std::atomic<bool> released{false};
    std::thread releaser([&] {
        controller->releasePort(ComuController::kInput, inputNumbers[3]);
        released = true;
    });
    // The release cannot finish while the processor runs.
    EXPECT_FALSE(kwtest::waitUntil([&] { return released.load(); }, 200ms));
    {
        std::lock_guard<std::mutex> lock(processor.m);
        processor.letGo = true;
    }
    processor.cv.notify_all();
    releaser.join();
    EXPECT_TRUE(released);
    EXPECT_EQ(processor.count(), 1u);
}

TEST_F(ComuControllerTest, CloseAllWhileAnotherThreadDispatchesNeverSendsOnAClosedPort)
{
    const long port = outputNumbers[0];
    kwtest::RecordingProcessor processor(inputNumbers[0], 0);
    ASSERT_TRUE(controller->requestPort(ComuController::kOutput, port, 0, nullptr));
    ASSERT_TRUE(controller->requestPort(ComuController::kInput, inputNumbers[0], 0, &processor));
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::atomic<int> failed{0};
    std::thread sender([&] {
        const tagMPEVENT cc = shortRecord(MPEV_CONTROL, port, 0, {7, 1});
        while (!stop) {
            if (controller->midiOutDispatch(cc, 1) == kMidiSuccess)
                ++sent;
            else
                ++failed;
        }
    });
    ASSERT_TRUE(kwtest::waitUntil([&] { return sent.load() > 10; }));
    controller->CloseAllOpendPortAndDeleteAllTransporters();
    EXPECT_FALSE(controller->isPortActive(ComuController::kOutput, port));
    EXPECT_FALSE(controller->isPortActive(ComuController::kInput, inputNumbers[0]));
    ASSERT_TRUE(kwtest::waitUntil([&] { return failed.load() > 10; }));
    const int sentAtClose = sent;
    // Reopening brings sending back.
    ASSERT_TRUE(controller->requestPort(ComuController::kOutput, port, 0, nullptr));
    ASSERT_TRUE(kwtest::waitUntil([&] { return sent.load() > sentAtClose; }));
    stop = true;
    sender.join();
}

TEST_F(ComuControllerTest, PortListsFollowThePortsPresent)
{
    auto extra = client->createSource(device, "Extra");
    const QString name = QStringLiteral("%1 Extra").arg(QString::fromStdString(device));
    EXPECT_TRUE(controller->getInputPortList().join('|').contains(name));
    extra.reset();
    EXPECT_FALSE(controller->getInputPortList().join('|').contains(name));
    ASSERT_NE(controller->portAccessor(), nullptr);
}

TEST_F(ComuControllerTest, OpensTheListedPortAfterOtherPortsCameAndWent)
{
    // Port 1 goes (the later ones move up) and a second port of port 3's names comes behind them all.
    sources[0].reset();
    destinations[0].reset();
    auto newSource = client->createSource(device, "Port3");
    auto newDestination = client->createDestination(device, "Port3");
    ASSERT_TRUE(newSource && newDestination);
    // Another program listing in between must not move the numbers either.
    EXPECT_EQ(client->sources().size(), client->destinations().size());

    kwtest::RecordingProcessor processor(inputNumbers[2], 6);
    ASSERT_TRUE(controller->requestPort(ComuController::kInput, inputNumbers[2], 6, &processor));
    ASSERT_TRUE(newSource->send(Bytes{0x90, 0x30, 0x10}));
    ASSERT_TRUE(sources[2]->send(Bytes{0x90, 0x40, 0x7F}));
    ASSERT_TRUE(newSource->waitUntilDelivered(5s) && sources[2]->waitUntilDelivered(5s));
    ASSERT_TRUE(kwtest::waitUntil([&] { return processor.count() >= 1; })) << "nothing arrived from port 3";
    const auto got = processor.taken();
    ASSERT_EQ(got.size(), 1u) << "a port of the same names was listened to as well";
    EXPECT_EQ(got[0].record.data[0], 0x40);

    const long port3 = outputNumbers[2];
    ASSERT_TRUE(controller->requestPort(ComuController::kOutput, port3, 0, nullptr));
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_CONTROL, port3, 0, {7, 100}), 1), kMidiSuccess);
    EXPECT_EQ(chunksAt(3, 3), (std::vector<Bytes>{{0xB0, 7, 100}}));
    EXPECT_TRUE(newDestination->receivedBytes().empty());
    EXPECT_TRUE(destinations[3]->receivedBytes().empty());

    // The port that went cannot be opened by its old number, though that index names another port now.
    EXPECT_FALSE(controller->requestPort(ComuController::kInput, inputNumbers[0], 6, &processor));
    EXPECT_FALSE(controller->requestPort(ComuController::kOutput, outputNumbers[0], 0, nullptr));

    // A fresh list numbers the ports present, and the second port of port 3's names, listed as the second
    // device's, opens by its own.
    const QString name = QStringLiteral("%1 (2) Port3").arg(QString::fromStdString(device));
    long second = 0;
    for (const QString& entry : controller->getOutputPortList()) {
        QString number;
        QString entryName;
        if (TMIDIPortAccessor::splitEntry(entry, &number, &entryName) && entryName == name)
            second = std::max(second, number.toLong());
    }
    ASSERT_GT(second, port3);
    ASSERT_TRUE(controller->requestPort(ComuController::kOutput, second, 0, nullptr));
    EXPECT_EQ(controller->midiOutDispatch(shortRecord(MPEV_CONTROL, second, 1, {8, 1}), 1), kMidiSuccess);
    ASSERT_TRUE(newDestination->waitForBytes(3, 5s));
    EXPECT_EQ(newDestination->receivedBytes(), (Bytes{0xB1, 8, 1}));
}
