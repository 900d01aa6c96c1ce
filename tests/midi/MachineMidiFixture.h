#pragma once

// The machine's MIDI system (JACK, or the ALSA sequencer) with test programs of its own beside this one:
// the fixtures and helpers of the tests that carry MIDI between programs.
#include "EndpointIndex.h"
#include "MidiSystem.h"
#include "TestEnvironment.h"
#include "detail/AlsaEngine.h"
#include "private_jack.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kwtest {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

inline constexpr const char* kSkipWithoutServer =
    "no MIDI system: no JACK server answers (source scripts/jack-env and run start_test_jack)";

// What arrives at a listening connection, in order, with a wait for a count of bytes; it can hold up
// the backend's reader in the callback. Any thread.
class Arrivals
{
public:
    kwmidi::ReceiveCallback callback()
    {
        return [this](const std::uint8_t* bytes, std::size_t length) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_heldUp = m_holding;
            m_arrived.notify_all();
            m_arrived.wait(lock, [&] { return !m_holding; });
            m_heldUp = false;
            m_received.insert(m_received.end(), bytes, bytes + length);
            m_arrived.notify_all();
        };
    }
    void hold(bool holding)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holding = holding;
        m_arrived.notify_all();
    }
    // True once a callback waits in hold.
    bool waitUntilHeldUp(std::chrono::milliseconds deadline)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, deadline, [&] { return m_heldUp; });
    }
    // The bytes received once count arrived, or all there are at the deadline.
    Bytes waitFor(std::size_t count, std::chrono::milliseconds deadline)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_arrived.wait_for(lock, deadline, [&] { return m_received.size() >= count; });
        return m_received;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    Bytes m_received;
    bool m_holding = false;
    bool m_heldUp = false;
};

// A link each way to one endpoint of a peer that echoes: what went out, what came back, and how often each
// link was told it lost its peer. One test thread; the counts from the engine's.
struct EchoLinks
{
    // Made to the source and the destination listed at those indices; false when either was not made.
    bool open(const kwmidi::ClientRef& client, int source, int destination)
    {
        input = client->connectSource(source, arrivals.callback());
        output = client->openDestination(destination);
        if (!input || !output)
            return false;
        input->setLinkLostCallback([this] { ++inputLost; });
        output->setLinkLostCallback([this] { ++outputLost; });
        return true;
    }
    // Sends a SysEx with that tag and expects it back after all that came back before.
    void echo(std::uint8_t tag, const char* when)
    {
        const Bytes sysex{0xF0, 0x7D, 0x02, tag, 0xF7};
        ASSERT_TRUE(output->send(sysex.data(), sysex.size())) << when;
        expected.insert(expected.end(), sysex.begin(), sysex.end());
        EXPECT_EQ(arrivals.waitFor(expected.size(), 10s), expected) << "no echo " << when;
    }

    // What the connections' callbacks reach comes first: the connections go before it.
    Arrivals arrivals;
    std::atomic<int> inputLost{0};
    std::atomic<int> outputLost{0};
    Bytes expected;
    std::unique_ptr<kwmidi::InputConnection> input;
    std::unique_ptr<kwmidi::OutputConnection> output;
};

// Asks the engine from a link-lost callback, as the editor's owner may: whether the connection is linked,
// on a thread of its own that the callback waits for, so that a loss told under the engine's lock fails
// here rather than hanging the test; then, that answered, a listing on the callback's own thread. Any
// thread; joins its threads as it goes.
class AskFromCallback
{
public:
    ~AskFromCallback()
    {
        for (std::thread& thread : m_threads)
            thread.join();
    }
    void ask(const kwmidi::ClientRef& client, std::function<bool()> linked)
    {
        auto done = std::make_shared<std::atomic<bool>>(false);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_asked;
            m_threads.emplace_back([this, linked, done] {
                if (linked())
                    ++m_linkedWhenTold;
                done->store(true);
            });
        }
        if (!kwtest::waitUntil([&] { return done->load(); }, 10s))
            return;
        client->sources();
        ++m_answered;
    }
    int asked() const { return m_asked.load(); }
    int answered() const { return m_answered.load(); }
    int linkedWhenTold() const { return m_linkedWhenTold.load(); }

private:
    std::mutex m_mutex;
    std::vector<std::thread> m_threads;
    std::atomic<int> m_asked{0};
    std::atomic<int> m_answered{0};
    std::atomic<int> m_linkedWhenTold{0};
};

// True when this process's JACK is PipeWire's and older than the version given; its version string tells
// ("3.0.0.0 (using PipeWire 0.3.65)"), jackd's has no "PipeWire" in it.
inline bool pipeWireJackBefore(int major, int minor, int micro)
{
    const char* version = jack_get_version_string();
    const char* pipeWire = version ? std::strstr(version, "(using PipeWire ") : nullptr;
    int found[3] = {0, 0, 0};
    if (!pipeWire || std::sscanf(pipeWire, "(using PipeWire %d.%d.%d", &found[0], &found[1], &found[2]) != 3)
        return false;
    const int wanted[3] = {major, minor, micro};
    return std::lexicographical_compare(found, found + 3, wanted, wanted + 3);
}

// The name this process's client shows under on the machine's MIDI system when none was set: its program's.
inline std::string ownDeviceName()
{
    return program_invocation_short_name;
}

// What /proc/asound/seq/clients tells of the sequencer client of this name (the last of that name): its
// lines up to the next client's.
inline std::vector<std::string> sequencerClientLines(const std::string& name)
{
    QFile file(QStringLiteral("/proc/asound/seq/clients"));
    std::vector<std::string> lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    bool inside = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const std::string line = raw.toStdString();
        if (line.rfind("Client ", 0) == 0) {
            inside = line.find(": \"" + name + "\"") != std::string::npos;
            if (inside)
                lines.clear();
        }
        if (inside)
            lines.push_back(line);
    }
    return lines;
}

// The number after a word in a line of /proc/asound/seq/clients ("Client 128 : ...", "  Port   0 : ..."); -1
// when the line has none.
inline int numberAfter(const std::string& line, const std::string& word)
{
    const auto at = line.find(word);
    if (at == std::string::npos)
        return -1;
    try {
        return std::stoi(line.substr(at + word.size()));
    } catch (const std::exception&) {
        return -1;
    }
}

// The machine's MIDI system with a second process that publishes five ports of one device and echoes.
class MachineMidi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv(kwmidi::kBackendVariable, "system");
        client = kwmidi::Client::acquire();
        ASSERT_EQ(client->backend(), kwmidi::Backend::System);
        if (!client->isAvailable())
            GTEST_SKIP() << kSkipWithoutServer;
    }
    void TearDown() override
    {
        stopPeer(peer);
        stopPeer(otherPeer);
        if (alsaProgram)
            snd_seq_close(alsaProgram);
    }
    void startPeer(const QString& program = QStringLiteral(KW_MIDI_PEER), QStringList arguments = {})
    {
        startPeerIn(peer, program, arguments);
    }
    void startPeerIn(QProcess& process, const QString& program = QStringLiteral(KW_MIDI_PEER),
                     QStringList arguments = {})
    {
        if (arguments.isEmpty())
            arguments = QStringList{QString::fromStdString(device)};
        process.start(program, arguments);
        ASSERT_TRUE(process.waitForStarted(10000)) << "the second MIDI program did not start";
        // A server loaded by a parallel run admits clients slowly.
        ASSERT_TRUE(process.waitForReadyRead(45000))
            << "the second MIDI program never said ready: " << process.readAllStandardError().toStdString();
        ASSERT_TRUE(process.readLine().startsWith("ready"));
        const std::string name = deviceOf(process);
        closedAPort.erase(&process);
        const auto whole = [&](const QProcess& p) {
            return p.state() == QProcess::Running && deviceOf(p) == name && !closedAPort.contains(&p);
        };
        const int running = int(whole(peer)) + int(whole(otherPeer));
        ASSERT_TRUE(kwtest::waitUntil([&] { return devicesWithFivePorts(client, name) >= running; }, 30s))
            << "the ports of " << running << " programs named \"" << name << "\" were not all listed";
    }
    // The device name a peer's ports show under: its one argument, or zelk-sim's --name.
    static std::string deviceOf(const QProcess& process)
    {
        const QStringList arguments = process.arguments();
        const qsizetype name = arguments.indexOf(QStringLiteral("--name"));
        return (name >= 0 ? arguments.value(name + 1) : arguments.value(0)).toStdString();
    }
    // Tells a peer one line (see MidiPeerMain.cpp) and gives its answer.
    static std::string ask(QProcess& process, const std::string& line)
    {
        process.write((line + "\n").c_str());
        process.waitForBytesWritten(10000);
        const auto until = std::chrono::steady_clock::now() + 60s;
        while (!process.canReadLine() && std::chrono::steady_clock::now() < until)
            process.waitForReadyRead(1000);
        return process.readLine().trimmed().toStdString();
    }
    // Ends a peer and with it its ports; true once it is gone.
    static bool stopPeer(QProcess& process) { return kwtest::endProcess(process, 10s); }

    // Another program on the ALSA sequencer, made with the sequencer's own calls: a client of the name with
    // one port that sends to its subscribers. It goes at the end of the test.
    void startAlsaProgram(const std::string& name, const std::string& portName)
    {
        ASSERT_EQ(snd_seq_open(&alsaProgram, "default", SND_SEQ_OPEN_DUPLEX, 0), 0);
        snd_seq_set_client_name(alsaProgram, name.c_str());
        alsaProgramPort = snd_seq_create_simple_port(alsaProgram, portName.c_str(),
                                                     SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                                     SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        ASSERT_GE(alsaProgramPort, 0);
        ASSERT_TRUE(kwtest::waitUntil([&] { return indexOf(client->sources(), name, portName) >= 0; }, 10s))
            << "the other program's port is not listed";
    }

    kwmidi::ClientRef client;
    QProcess peer;
    QProcess otherPeer;
    // Peers that closed one of their five ports at the test's word: they are no longer listed as whole.
    std::set<const QProcess*> closedAPort;
    snd_seq_t* alsaProgram = nullptr;
    int alsaProgramPort = -1;
    std::string device = "KW Peer " + std::to_string(QCoreApplication::applicationPid());
};

// What only JACK has: its graph, changed by a client of the test's own.
class JackMidi : public MachineMidi
{
protected:
    void SetUp() override
    {
        MachineMidi::SetUp();
        if (!IsSkipped() && client->systemName() != "JACK")
            GTEST_SKIP() << "the graph this changes is JACK's";
    }
};

} // namespace kwtest
