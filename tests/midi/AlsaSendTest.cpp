// What the ALSA sequencer backend sends, as the receivers see it: synthesizers behind MIDI cables (the
// virtual raw MIDI driver's devices, one read at the wire's pace as the cable would) and Midi Through,
// programs that are busy a moment, read slowly or stall, two listeners of one source, and a port another
// program holds for itself.
#include "CableReader.h"
#include "EndpointIndex.h"
#include "MidiSystem.h"
#include "TSystemMIDI.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <poll.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A SysEx of length bytes in all, its body counting up.
Bytes sysEx(std::size_t length, std::uint8_t seed = 0)
{
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<std::uint8_t>((i + seed) & 0x7F);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

// Another program on the sequencer, through libasound directly: a port that listens, its queue of a given
// size, read only when the test asks.
class SequencerProgram
{
public:
    explicit SequencerProgram(int queueCells)
    {
        if (snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
            m_seq = nullptr;
            return;
        }
        snd_seq_set_client_pool_input(m_seq, static_cast<std::size_t>(queueCells));
        m_port = snd_seq_create_simple_port(m_seq, "listener", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_READ,
                                            SND_SEQ_PORT_TYPE_APPLICATION);
    }
    ~SequencerProgram() { close(); }
    void close()
    {
        if (m_seq)
            snd_seq_close(m_seq);
        m_seq = nullptr;
    }
    // Subscribes to the named port of the named client.
    bool listenTo(const std::string& clientName, const std::string& portName)
    {
        const auto address = find(clientName, portName);
        return address && snd_seq_connect_from(m_seq, m_port, address->client, address->port) == 0;
    }
    // Subscribes its port to the first port of the named client, exclusively.
    bool holdExclusively(const std::string& clientName)
    {
        const auto address = find(clientName, {});
        if (!address)
            return false;
        snd_seq_port_subscribe_t* subscription;
        snd_seq_port_subscribe_alloca(&subscription);
        const snd_seq_addr_t own{static_cast<unsigned char>(snd_seq_client_id(m_seq)),
                                 static_cast<unsigned char>(m_port)};
        snd_seq_port_subscribe_set_sender(subscription, &own);
        snd_seq_port_subscribe_set_dest(subscription, &*address);
        snd_seq_port_subscribe_set_exclusive(subscription, 1);
        return snd_seq_subscribe_port(m_seq, subscription) == 0;
    }
    // Reads for a while: the bytes of what arrived, SysEx pieces joined.
    void read(std::chrono::milliseconds period)
    {
        pollfd fd{};
        snd_seq_poll_descriptors(m_seq, &fd, 1, POLLIN);
        ::poll(&fd, 1, static_cast<int>(period.count()));
        for (;;) {
            snd_seq_event_t* ev = nullptr;
            const int result = snd_seq_event_input(m_seq, &ev);
            if (result == -ENOSPC) {
                ++overruns;
                continue;
            }
            if (result < 0 || !ev)
                break;
            std::lock_guard<std::mutex> lock(m_mutex);
            if (ev->type == SND_SEQ_EVENT_SYSEX) {
                const auto* data = static_cast<const std::uint8_t*>(ev->data.ext.ptr);
                m_received.insert(m_received.end(), data, data + ev->data.ext.len);
            } else if (ev->type == SND_SEQ_EVENT_NOTEON) {
                m_received.insert(m_received.end(), {std::uint8_t(0x90 | ev->data.note.channel), ev->data.note.note,
                                                     ev->data.note.velocity});
            }
        }
    }
    // Reads until count bytes arrived in all or the deadline passed; everything it got.
    Bytes readUntil(std::size_t count, std::chrono::milliseconds deadline)
    {
        const auto until = std::chrono::steady_clock::now() + deadline;
        while (received().size() < count && std::chrono::steady_clock::now() < until)
            read(10ms);
        return received();
    }
    Bytes received()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }
    int overruns = 0;

private:
    std::optional<snd_seq_addr_t> find(const std::string& clientName, const std::string& portName)
    {
        if (!m_seq)
            return std::nullopt;
        snd_seq_client_info_t* info;
        snd_seq_client_info_alloca(&info);
        snd_seq_port_info_t* port;
        snd_seq_port_info_alloca(&port);
        for (snd_seq_client_info_set_client(info, -1); snd_seq_query_next_client(m_seq, info) >= 0;) {
            if (clientName != snd_seq_client_info_get_name(info))
                continue;
            snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(info));
            for (snd_seq_port_info_set_port(port, -1); snd_seq_query_next_port(m_seq, port) >= 0;) {
                if (portName.empty() || portName == snd_seq_port_info_get_name(port))
                    return *snd_seq_port_info_get_addr(port);
            }
        }
        return std::nullopt;
    }

    snd_seq_t* m_seq = nullptr;
    int m_port = -1;
    std::mutex m_mutex;
    Bytes m_received;
};

class AlsaSend : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv(kwmidi::kBackendVariable, "system");
        kwmidi::setClientName(deviceName);
        client = kwmidi::Client::acquire();
        if (client->systemName() != "ALSA sequencer")
            GTEST_SKIP() << "the sequencer's own receivers are tested on ALSA (scripts/uml/test-interprocess)";
    }
    const std::string deviceName = "KW AlsaSend " + std::to_string(::getpid());
    kwmidi::ClientRef client;
};

} // namespace

TEST_F(AlsaSend, SynthesizersOnCablesGetEveryByteInOrderAtTheirWiresPaceAndMidiThroughAtOnce)
{
    // The first two devices of the virtual raw MIDI driver: kernel clients of its sound card, as a USB
    // synthesizer or a MIDI interface is.
    const auto destinations = client->destinations();
    std::vector<int> indices;
    std::vector<std::string> rawDevices;
    for (std::size_t i = 0; i < destinations.size() && indices.size() < 2; ++i) {
        int card = -1;
        int device = -1;
        if (std::sscanf(destinations[i].deviceName.c_str(), "Virtual Raw MIDI %d-%d", &card, &device) == 2) {
            indices.push_back(static_cast<int>(i));
            rawDevices.push_back("/dev/snd/midiC" + std::to_string(card) + "D" + std::to_string(device));
        }
    }
    ASSERT_EQ(indices.size(), 2u) << "no two virtual raw MIDI devices: the guest kernel lacks SND_VIRMIDI";
    kwtest::CableReader wire(rawDevices[0]);
    ASSERT_TRUE(wire.opened()) << "its raw device does not open";
    // The second one's raw device is read as soon as its driver holds anything: each chunk read is what the
    // sequencer handed the driver at once.
    std::mutex chunksMutex;
    std::vector<std::size_t> chunks;
    kwtest::CableReader driver(
        rawDevices[1],
        [&](const Bytes& chunk) {
            std::lock_guard<std::mutex> lock(chunksMutex);
            chunks.push_back(chunk.size());
        },
        0);
    ASSERT_TRUE(driver.opened()) << "its raw device does not open";
    auto second = client->openDestination(indices[1]);
    ASSERT_NE(second, nullptr);

    // Both are fed at once. The first as the editor sends what the issue measured: two templates initialized
    // within 0.4 s (2,800 bytes each), twelve knob edits (206 bytes each) and one message longer than a packet
    // (5,000 bytes); the second one long message.
    TSystemMIDI transport(client);
    ASSERT_TRUE(transport.openOutput(indices[0] + 1));
    std::vector<Bytes> messages{sysEx(2800, 1), sysEx(2800, 2)};
    for (std::uint8_t knob = 0; knob < 12; ++knob)
        messages.push_back(sysEx(206, knob));
    messages.push_back(sysEx(5000, 3));
    // A message of whole pieces and one byte more: the last piece holds the F7 alone.
    messages.push_back(sysEx(3 * 1024 + 1, 4));
    messages.push_back(sysEx(13 * 256 + 1, 5));
    const Bytes big = sysEx(16 * 1024, 6);
    const auto start = std::chrono::steady_clock::now();
    std::atomic<bool> bigSent{false};
    std::chrono::steady_clock::time_point bigDone;
    std::thread feeder([&] {
        bigSent.store(second->send(big.data(), big.size()));
        bigDone = std::chrono::steady_clock::now();
    });
    Bytes sent;
    for (Bytes& message : messages) {
        EXPECT_TRUE(transport.outputData(int(message.size() - 1), message.data() + 1, 0xF0))
            << "a message of " << message.size() << " bytes was refused";
        sent.insert(sent.end(), message.begin(), message.end());
    }
    // Notes after them keep their place too (each of its own status: the driver leaves out a repeated one).
    unsigned char note[] = {0x3C, 0x64};
    for (const std::uint8_t status : {0x90, 0x80, 0x91}) {
        EXPECT_TRUE(transport.outputData(2, note, status));
        sent.insert(sent.end(), {status, 0x3C, 0x64});
    }
    const auto sentDone = std::chrono::steady_clock::now();
    feeder.join();
    ASSERT_EQ(sent.size(), 13072u + 3073u + 3329u + 9u);
    EXPECT_TRUE(bigSent.load()) << "the long message to the second device was refused";

    // A device is handed no more ahead of its wire (3,125 bytes a second) than its driver's 4,096-byte buffer
    // holds, so a send ends no sooner than the wire has carried all but that; and each device has a wire of its
    // own, so the two were fed in less time than one wire takes for both.
    const auto seconds = [&](std::chrono::steady_clock::time_point until) {
        return std::chrono::duration<double>(until - start).count();
    };
    EXPECT_GE(seconds(sentDone), (double(sent.size()) - 4096.0) / 3125.0) << "the first device outran its wire";
    EXPECT_GE(seconds(bigDone), (double(big.size()) - 4096.0) / 3125.0) << "the second device outran its wire";
    EXPECT_LT(seconds(std::max(sentDone, bigDone)), (double(sent.size() + big.size()) - 4096.0) / 3125.0)
        << "two devices were fed as if through one wire";

    const Bytes arrived = wire.waitFor(sent.size(), 60s);
    EXPECT_EQ(arrived.size(), sent.size()) << "bytes were lost on the way to the cable";
    EXPECT_TRUE(arrived == sent) << "what reached the cable differs from what was sent";
    EXPECT_TRUE(driver.waitFor(big.size(), 30s) == big) << "what reached the second cable differs from what was sent";
    {
        // Pieces sized for the wire, smaller than a program's (1,024 bytes), so that the driver's buffer fills
        // evenly rather than a program's piece at a time.
        std::lock_guard<std::mutex> lock(chunksMutex);
        ASSERT_FALSE(chunks.empty());
        EXPECT_LT(*std::min_element(chunks.begin(), chunks.end()), 1024u)
            << "the driver was handed only whole pieces of 1,024 bytes, as a program is";
    }

    // Midi Through, a kernel client without a card, passes events on in software: it has no wire, and gives
    // the long message back in a fraction of the time the cable took for it.
    const int from = indexOf(client->sources(), "Midi Through", "Midi Through Port-0");
    const int to = indexOf(client->destinations(), "Midi Through", "Midi Through Port-0");
    ASSERT_GE(from, 0) << "no Midi Through source";
    ASSERT_GE(to, 0) << "no Midi Through destination";
    std::mutex echoMutex;
    std::condition_variable echoed;
    Bytes echo;
    auto input = client->connectSource(from, [&](const std::uint8_t* bytes, std::size_t length) {
        std::lock_guard<std::mutex> lock(echoMutex);
        echo.insert(echo.end(), bytes, bytes + length);
        echoed.notify_all();
    });
    auto through = client->openDestination(to);
    ASSERT_NE(input, nullptr);
    ASSERT_NE(through, nullptr);
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(through->send(big.data(), big.size()));
    std::unique_lock<std::mutex> lock(echoMutex);
    EXPECT_TRUE(echoed.wait_for(lock, 30s, [&] { return echo.size() >= big.size(); }))
        << "Midi Through gave back " << echo.size() << " bytes of " << big.size();
    const double answered = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    EXPECT_TRUE(echo == big) << "Midi Through gave back other bytes";
    EXPECT_LT(answered, seconds(bigDone) / 4) << "Midi Through answered as slowly as a cable: it was paced";
}

TEST_F(AlsaSend, ProgramBusyOrSlowGetsEveryMessageOnceAndAStalledOneKeepsWhatCameBefore)
{
    // Two programs with the default queue (200 cells of the sequencer's pool) listen to a source of ours: the
    // first reads only when the test says, the second all the time.
    auto source = client->createSource(deviceName, "Out");
    ASSERT_NE(source, nullptr);
    SequencerProgram held(200);
    SequencerProgram reading(200);
    ASSERT_TRUE(held.listenTo(deviceName, "Out"));
    ASSERT_TRUE(reading.listenTo(deviceName, "Out"));
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop.load())
            reading.read(20ms);
    });
    // Stopped however the test ends, so that a failed assertion is reported rather than ending the process.
    struct StopReader
    {
        std::atomic<bool>& stop;
        std::thread& reader;
        ~StopReader()
        {
            stop.store(true);
            if (reader.joinable())
                reader.join();
        }
    } stopReader{stop, reader};

    // Busy a moment: an 8,003-byte SysEx needs some 300 cells. The send waits for room while the first
    // program does not read, and each program gets the message once, whole. What waits ahead of it (a note:
    // one cell; a SysEx of 250 bytes: one cell and nine of 28 bytes) and four of its pieces of 1,024 bytes (a
    // cell and 37 of 28 bytes each) leave the queue exactly one cell short of the fifth piece: sent then, it
    // would be refused, and the sequencer would empty the queue.
    const Bytes note{0x90, 0x3C, 0x64};
    const Bytes lead = sysEx(250, 8);
    ASSERT_TRUE(source->send(note));
    ASSERT_TRUE(source->send(lead));
    const Bytes big = sysEx(8003, 7);
    std::atomic<int> result{-1};
    std::thread sender([&] { result.store(source->send(big) ? 1 : 0); });
    // The program is busy far less long than a send waits for a receiver that reads nothing.
    std::this_thread::sleep_for(300ms);
    Bytes expected = note;
    expected.insert(expected.end(), lead.begin(), lead.end());
    expected.insert(expected.end(), big.begin(), big.end());
    const Bytes first = held.readUntil(expected.size(), 30s);
    sender.join();
    EXPECT_EQ(result.load(), 1) << "a send to a program busy for 300 ms failed";
    EXPECT_EQ(held.overruns, 0) << "the busy program's queue overran and was emptied";
    EXPECT_TRUE(first == expected) << "the busy program was fed " << first.size() << " bytes of " << expected.size();
    EXPECT_TRUE(reading.readUntil(expected.size(), 30s) == expected) << "the other program was fed short";
    EXPECT_EQ(reading.readUntil(expected.size() + 1, 1s).size(), expected.size()) << "the other program was fed twice";

    // Slow but steady: the first program takes what waits only every 250 ms, and its queue holds five pieces of
    // 1,024 bytes, so a message of 64 pieces takes it over 2 s, longer than a send waits for a receiver that
    // reads nothing. That wait starts again with each piece the program takes: the message goes through.
    std::atomic<bool> steadyDone{false};
    std::thread steady([&] {
        while (!steadyDone.load()) {
            std::this_thread::sleep_for(250ms);
            held.read(0ms);
        }
    });
    const Bytes longest = sysEx(64 * 1024, 10);
    auto since = std::chrono::steady_clock::now();
    EXPECT_TRUE(source->send(longest)) << "a send to a program that reads slowly but steadily failed";
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
    steadyDone.store(true);
    steady.join();
    EXPECT_GT(took, 2.0) << "the message went through within 2 s: nothing waited past a send's deadline";
    expected.insert(expected.end(), longest.begin(), longest.end());
    EXPECT_TRUE(held.readUntil(expected.size(), 30s) == expected) << "the steady program was fed short";
    EXPECT_EQ(held.overruns, 0) << "the steady program's queue overran and was emptied";

    // Stalled: the first program reads nothing while a long message is sent. The send gives up after 2 s
    // without room and says so, and what came before it stays: no event was refused, so the sequencer did
    // not empty the queue.
    const Bytes before = sysEx(100, 9);
    ASSERT_TRUE(source->send(before));
    since = std::chrono::steady_clock::now();
    EXPECT_FALSE(source->send(sysEx(64 * 1024 + 1, 11))) << "a send to a stalled program reported success";
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count(), 2.0)
        << "a send gave up on a program that had read nothing for less than 2 s";
    const Bytes after = sysEx(50, 13);
    ASSERT_TRUE(source->send(after));
    const Bytes stalled = held.readUntil(expected.size() + 1024 * 1024, 3s);
    ASSERT_GE(stalled.size(), expected.size() + before.size() + after.size());
    EXPECT_TRUE(Bytes(stalled.begin() + std::ptrdiff_t(expected.size()),
                      stalled.begin() + std::ptrdiff_t(expected.size() + before.size())) == before)
        << "what came before the stall was lost";
    EXPECT_EQ(stalled[expected.size() + before.size()], 0xF0) << "the stalled message lost its beginning";
    EXPECT_TRUE(Bytes(stalled.end() - std::ptrdiff_t(after.size()), stalled.end()) == after)
        << "what came after the stall was lost";
    stop.store(true);
    reader.join();

    // A program whose queue can never hold a piece (20 cells: 532 bytes) is not sent it: the send fails at
    // once and the program keeps what it had.
    SequencerProgram small(20);
    ASSERT_TRUE(small.listenTo(deviceName, "Out"));
    ASSERT_TRUE(source->send(note));
    EXPECT_FALSE(source->send(sysEx(3 * 1024 + 1, 15))) << "a message that can never fit was reported sent";
    EXPECT_TRUE(small.readUntil(note.size() + 1, 2s) == note) << "the small program lost what it had";
}

TEST_F(AlsaSend, PortHeldByAnotherProgramIsAnErrorInWords)
{
    const auto destinations = client->destinations();
    const int index = indexOf(destinations, "Virtual Raw MIDI 0-1", "VirMIDI 0-1");
    ASSERT_GE(index, 0) << "no virtual raw MIDI device: the guest kernel lacks SND_VIRMIDI";
    // Another program takes the port for itself.
    SequencerProgram other(200);
    ASSERT_TRUE(other.holdExclusively("Virtual Raw MIDI 0-1"));
    EXPECT_EQ(client->openDestination(index), nullptr) << "a port held by another program was linked";
    EXPECT_EQ(client->openError(), "VirMIDI 0-1 is in use by another program");

    // Let go, it opens, and a port that opens says nothing more.
    other.close();
    auto output = client->openDestination(index);
    EXPECT_NE(output, nullptr);
    EXPECT_EQ(client->openError(), "");
    if (output) {
        EXPECT_TRUE(output->send(Bytes{0x90, 0x3C, 0x64}.data(), 3));
    }
}
