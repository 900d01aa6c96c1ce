#include "TSystemMIDI.h"
#include "TestEnvironment.h"
#include "TransportHarness.h"
#include "VirtualMidiFixture.h"

#include <gtest/gtest.h>

#include <future>
#include <numeric>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Holds the delivery thread inside the listener's first call until released.
struct FirstCallGate
{
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool first = true;
    void hook(const tagMPEVENT&)
    {
        if (!first)
            return;
        first = false;
        entered.set_value();
        released.wait();
    }
};

using VirtualTransport = kwtest::VirtualMidiTest;

} // namespace

TEST(MidiDelivery, KeepsEveryRecordOfABurstWhileTheListenerIsHeldCountsWhatOverflowsAndStopDeliversWhatWasQueued)
{
    kwtest::RecordingListener listener;
    FirstCallGate gate;
    listener.hook = [&](const tagMPEVENT& r) { gate.hook(r); };
    kwtest::ParserHarness transport(&listener);

    transport.feed({0x90, 0x00, 0x00});
    ASSERT_EQ(gate.entered.get_future().wait_for(5s), std::future_status::ready) << "nothing was delivered";
    // The delivery thread is held: a burst far larger than a ring of 960 records arrives meanwhile, in
    // chunks as a receive thread hands them over, SysEx among the notes.
    constexpr int kBurst = 5000;
    Bytes chunk;
    for (int i = 0; i < kBurst; ++i) {
        if (i % 10 == 9) {
            const Bytes sysex{0xF0, 0x43, static_cast<std::uint8_t>(i & 0x7F),
                              static_cast<std::uint8_t>((i >> 7) & 0x7F), 0xF7};
            chunk.insert(chunk.end(), sysex.begin(), sysex.end());
        } else {
            chunk.insert(chunk.end(),
                         {0x90, static_cast<std::uint8_t>(i & 0x7F), static_cast<std::uint8_t>((i >> 7) & 0x7F)});
        }
        if (chunk.size() > 200) {
            transport.feed(chunk);
            chunk.clear();
        }
    }
    transport.feed(chunk);
    // Past 64 MiB waiting for delivery a chunk's records are refused, and counted.
    Bytes big{0xF0, 0x43};
    big.resize(60000, 0x11);
    big.push_back(0xF7);
    std::size_t bigOnes = 0;
    while (transport.droppedRecords() == 0 && bigOnes < (std::size_t(64) << 20) / big.size() + 2) {
        transport.feed(big);
        ++bigOnes;
    }
    ASSERT_EQ(transport.droppedRecords(), 1u) << "a queue holding 64 MiB refused nothing";

    auto stopped = std::async(std::launch::async, [&] { transport.stopPusherThread(); });
    EXPECT_EQ(stopped.wait_for(20ms), std::future_status::timeout) << "stop did not wait for the queued records";
    gate.release.set_value();
    ASSERT_EQ(stopped.wait_for(60s), std::future_status::ready) << "the delivery thread did not stop";

    const auto got = listener.taken();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kBurst + 1) + bigOnes - 1) << "records were lost uncounted";
    for (int i = 0; i < kBurst; ++i) {
        const auto& r = got[static_cast<std::size_t>(i + 1)];
        const bool sysex = i % 10 == 9;
        ASSERT_EQ(r.type, sysex ? MPEV_SYSEX : MPEV_NOTEON) << "record " << i;
        const std::size_t at = sysex ? 1 : 0; // behind the maker byte of the SysEx
        ASSERT_EQ(r.bytes[at] | r.bytes[at + 1] << 7, i) << "records were reordered";
    }
    EXPECT_EQ(transport.droppedRecords(), 1u);
    transport.feed({0xFE});
    EXPECT_EQ(listener.count(), got.size()) << "a record came through after the stop";
}

TEST(MidiDelivery, ListenerRunsOnTheDeliveryThreadForEachRecordInOrder)
{
    kwtest::RecordingListener listener;
    kwtest::ParserHarness transport(&listener);
    for (int i = 0; i < 100; ++i)
        transport.feed({0xB0, 0x07, static_cast<std::uint8_t>(i)});
    ASSERT_TRUE(kwtest::waitUntil([&] { return listener.count() == 100; })) << "records went missing";
    const auto got = listener.taken();
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(got[static_cast<std::size_t>(i)].bytes[1], i);
        EXPECT_NE(got[static_cast<std::size_t>(i)].thread, std::this_thread::get_id());
    }
}

TEST_F(VirtualTransport, InputParsesChunkedBytesUntilClosed)
{
    auto source = client->createSource("Synth", "Synth Port1");
    source->setChunking({{1, 2, 5}, false});
    std::unique_ptr<TMIDITransport> transport(MIDITransportInstance());
    kwtest::RecordingListener listener;
    ASSERT_TRUE(transport->openInput(1, &listener, 0));

    source->send(Bytes{0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x00, 0x05, 0xF7, 0xFE, 0x91, 0x40, 0x7F});
    ASSERT_TRUE(kwtest::waitUntil([&] { return listener.count() == 3; }))
        << "got " << listener.count() << " records of 3";
    const auto got = listener.taken();
    EXPECT_EQ(got[0].type, MPEV_SYSEX);
    EXPECT_EQ(got[0].length, 10);
    EXPECT_EQ(got[1].type, MPEV_ACTIVESENSE);
    EXPECT_EQ(got[2].type, MPEV_NOTEON);
    EXPECT_EQ(got[2].channel, 1);

    transport->closeInput();
    source->send(Bytes{0xFE});
    ASSERT_TRUE(source->waitUntilDelivered(5s));
    EXPECT_EQ(listener.count(), 3u) << "a closed input still delivered";
    EXPECT_TRUE(transport->openInput(1, &listener, 0)) << "an input could not be opened again";
}

TEST_F(VirtualTransport, OpeningFailsForPortZeroMissingPortsAndWithoutClient)
{
    auto source = client->createSource("Synth", "Synth Port1");
    auto destination = client->createDestination("Synth", "Synth Port1");
    kwtest::RecordingListener listener;
    TSystemMIDI transport(client);
    EXPECT_FALSE(transport.openInput(0, &listener, 0));
    EXPECT_FALSE(transport.openInput(2, &listener, 0));
    EXPECT_FALSE(transport.openOutput(0));
    EXPECT_FALSE(transport.openOutput(2));
    unsigned char byte = 0x40;
    EXPECT_FALSE(transport.outputData(1, &byte, 0)) << "sent with no output open";

    TSystemMIDI orphan(nullptr);
    EXPECT_FALSE(orphan.openInput(1, &listener, 0));
    EXPECT_FALSE(orphan.openOutput(1));
}

TEST_F(VirtualTransport, TransportMadeWithoutAClientOpensNothing)
{
    client.reset();
    ASSERT_EQ(kwmidi::Client::current(), nullptr);
    std::unique_ptr<TMIDITransport> transport(MIDITransportInstance());
    EXPECT_FALSE(transport->openOutput(1));
}

TEST_F(VirtualTransport, OutputSendsSmallMessagesWholeAndPacesLongOnes)
{
    auto destination = client->createDestination("Synth", "Synth Port5");
    std::unique_ptr<TMIDITransport> transport(MIDITransportInstance());
    ASSERT_TRUE(transport->openOutput(1));

    unsigned char note[] = {0x40, 0x7F};
    EXPECT_TRUE(transport->outputData(2, note, 0x92));
    EXPECT_TRUE(transport->outputData(0, nullptr, 0xFE));
    EXPECT_FALSE(transport->outputData(0, nullptr, 0)) << "an empty send succeeded";
    EXPECT_EQ(destination->receivedChunks(), (std::vector<Bytes>{{0x92, 0x40, 0x7F}, {0xFE}}));
    destination->clearReceived();

    Bytes body(5000);
    std::iota(body.begin(), body.end(), 0);
    for (auto& b : body)
        b &= 0x7F;
    body.back() = 0xF7;
    EXPECT_TRUE(transport->outputData(static_cast<int>(body.size()), body.data(), 0xF0));
    const auto chunks = destination->receivedChunks();
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].size(), 4096u);
    EXPECT_EQ(chunks[1].size(), 905u);
    EXPECT_EQ(chunks[0][0], 0xF0);
    Bytes joined(chunks[0].begin() + 1, chunks[0].end());
    joined.insert(joined.end(), chunks[1].begin(), chunks[1].end());
    EXPECT_EQ(joined, body) << "the packets do not add up to the message";
    const auto times = destination->receivedTimes();
    EXPECT_GE(times[1] - times[0], 100ms) << "packets followed each other too fast";

    destination->setRefusing(true);
    EXPECT_FALSE(transport->outputData(2, note, 0x92)) << "a refused packet was reported sent";
    destination.reset();
    destination = nullptr;
    EXPECT_FALSE(transport->outputData(2, note, 0x92)) << "a vanished destination was reported sent";
}
