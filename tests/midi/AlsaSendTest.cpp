// What the ALSA sequencer backend sends, as the receivers see it: a synthesizer behind a MIDI cable (the
// virtual raw MIDI driver's device, read at the wire's pace as the cable would), programs that are busy a
// moment or stall, two listeners of one source, and a port another program holds for itself.
#include "CableReader.h"
#include "EndpointIndex.h"
#include "MidiSystem.h"
#include "TSystemMIDI.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
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

TEST_F(AlsaSend, SynthesizerOnACableGetsEveryByteTheEditorSendsInOrder)
{
    // The first device of the virtual raw MIDI driver: a kernel client of its sound card, as a USB
    // synthesizer or a MIDI interface is.
    const auto destinations = client->destinations();
    int index = -1;
    int card = -1;
    int device = -1;
    for (std::size_t i = 0; i < destinations.size() && index < 0; ++i) {
        if (std::sscanf(destinations[i].deviceName.c_str(), "Virtual Raw MIDI %d-%d", &card, &device) == 2)
            index = static_cast<int>(i);
    }
    ASSERT_GE(index, 0) << "no virtual raw MIDI device: the guest kernel lacks SND_VIRMIDI";
    kwtest::CableReader wire("/dev/snd/midiC" + std::to_string(card) + "D" + std::to_string(device));
    ASSERT_TRUE(wire.opened()) << "its raw device does not open";

    // What the issue measured: two templates initialized within 0.4 s (2,800 bytes each), twelve knob
    // edits (206 bytes each) and one message longer than a packet (5,000 bytes), sent as the editor does.
    TSystemMIDI transport(client);
    ASSERT_TRUE(transport.openOutput(index + 1));
    std::vector<Bytes> messages{sysEx(2800, 1), sysEx(2800, 2)};
    for (std::uint8_t knob = 0; knob < 12; ++knob)
        messages.push_back(sysEx(206, knob));
    messages.push_back(sysEx(5000, 3));
    // A message of whole pieces and one byte more: the last piece holds the F7 alone.
    messages.push_back(sysEx(3 * 1024 + 1, 4));
    messages.push_back(sysEx(13 * 256 + 1, 5));
    Bytes sent;
    for (Bytes& message : messages) {
        EXPECT_TRUE(transport.outputData(int(message.size() - 1), message.data() + 1, 0xF0))
            << "a message of " << message.size() << " bytes was refused";
        sent.insert(sent.end(), message.begin(), message.end());
    }
    ASSERT_EQ(sent.size(), 13072u + 3073u + 3329u);
    // Notes after them keep their place too (each of its own status: the driver leaves out a repeated one).
    unsigned char note[] = {0x3C, 0x64};
    for (const std::uint8_t status : {0x90, 0x80, 0x91}) {
        EXPECT_TRUE(transport.outputData(2, note, status));
        sent.insert(sent.end(), {status, 0x3C, 0x64});
    }
    const Bytes arrived = wire.waitFor(sent.size(), 60s);
    EXPECT_EQ(arrived.size(), sent.size()) << "bytes were lost on the way to the cable";
    EXPECT_TRUE(arrived == sent) << "what reached the cable differs from what was sent";
}

TEST_F(AlsaSend, ProgramBusyAMomentGetsEveryMessageOnceAndAStalledOneKeepsWhatCameBefore)
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

    // Busy a moment: an 8,003-byte SysEx needs some 300 cells. The send waits for room while the first
    // program does not read, and each program gets the message once, whole.
    const Bytes note{0x90, 0x3C, 0x64};
    ASSERT_TRUE(source->send(note));
    const Bytes big = sysEx(8003, 7);
    std::atomic<int> result{-1};
    std::thread sender([&] { result.store(source->send(big) ? 1 : 0); });
    // The program is busy far less long than a send waits for a receiver that reads nothing.
    std::this_thread::sleep_for(300ms);
    Bytes expected = note;
    expected.insert(expected.end(), big.begin(), big.end());
    const Bytes first = held.readUntil(expected.size(), 30s);
    sender.join();
    EXPECT_EQ(result.load(), 1) << "a send to a program busy for 300 ms failed";
    EXPECT_TRUE(first == expected) << "the busy program was fed " << first.size() << " bytes of " << expected.size();
    EXPECT_TRUE(reading.readUntil(expected.size(), 30s) == expected) << "the other program was fed short";
    EXPECT_EQ(reading.readUntil(expected.size() + 1, 1s).size(), expected.size()) << "the other program was fed twice";

    // Stalled: the first program reads nothing while a long message is sent. The send gives up and says so,
    // and what came before it stays: no event was refused, so the sequencer did not empty the queue.
    const Bytes before = sysEx(100, 9);
    ASSERT_TRUE(source->send(before));
    EXPECT_FALSE(source->send(sysEx(64 * 1024 + 1, 11))) << "a send to a stalled program reported success";
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
