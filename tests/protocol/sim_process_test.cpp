// zelk-sim as a separate process on the machine's MIDI ports (a JACK server here), driven from this one.
#include "MidiSystem.h"
#include "SimSynthCodec.h"
#include "SimSynthTemplate.h"
#include "sim_midi_support.h"
#include "zelk_sim_process.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>

using namespace std::chrono_literals;
using namespace zelksim;
using simtest::Collector;

namespace {

class ZelkSimProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
        client = simtest::machineMidiClient();
        ASSERT_EQ(client->backend(), kwmidi::Backend::System);
        if (!client->isAvailable()) {
            GTEST_SKIP() << simtest::kSkipWithoutServer;
        }
    }
    void TearDown() override
    {
        toSynth.reset();
        sense.disconnect();
        sysex.disconnect();
        simtest::stopZelkSim(sim);
    }

    void startSim(const QStringList& extra)
    {
        sim.setProcessChannelMode(QProcess::SeparateChannels);
        sim.setStandardErrorFile(errorFile);
        sim.start(QStringLiteral(KW_ZELK_SIM), QStringList{"--name", QString::fromStdString(device)} + extra);
        ASSERT_TRUE(sim.waitForStarted(10000)) << "zelk-sim did not start";
        ASSERT_TRUE(readLine(simtest::kZelkSimReadyDeadline).starts_with("ready"))
            << "zelk-sim never said ready: " << errors();
    }

    // An index names an endpoint only until the list changes, and other programs add and remove ports
    // all the time on a shared server: a connection is kept only once it is seen to reach zelk-sim
    // (sensing on Port1, an answer on Port5), else it is made again from a fresh list.
    void connectPorts()
    {
        bool connected = false;
        for (int attempt = 0; attempt < 5 && !connected; ++attempt) {
            toSynth.reset();
            sense.disconnect();
            sysex.disconnect();
            const int port1 = simtest::indexOf(client->sources(), device, device + " Port1");
            const int port5 = simtest::indexOf(client->sources(), device, device + " Port5");
            const int in5 = simtest::indexOf(client->destinations(), device, device + " Port5");
            connected = port1 >= 0 && port5 >= 0 && in5 >= 0 && sense.connect(*client, port1) &&
                        sysex.connect(*client, port5) && (toSynth = client->openDestination(in5)) != nullptr &&
                        sense.waitForBytes(1, 3s) && answers();
        }
        ASSERT_TRUE(connected) << "the ports of " << device << " could not be reached; " << errors();
        sense.take();
        sysex.take();
    }

    // Whether a question on Port5 is answered (ten bytes in, eleven out).
    bool answers()
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            sysex.take();
            send(buildParamRequest(0, kAddrTemplateNumber, 0));
            if (sysex.waitForBytes(11, 2s)) {
                return true;
            }
        }
        return false;
    }

    // Asks and waits for the answer. The MIDI system of a loaded machine may lose a message between
    // processes (a client that misses its cycle), so a question is asked again a few times.
    bool exchange(const std::function<void()>& ask, const Bytes& expected)
    {
        for (int attempt = 0; attempt < 4; ++attempt) {
            sysex.take();
            ask();
            if (sysex.waitForBytes(expected.size(), 4s)) {
                const Bytes got = sysex.take();
                if (std::search(got.begin(), got.end(), expected.begin(), expected.end()) != got.end()) {
                    return true;
                }
            }
            ++retries;
        }
        return false;
    }

    // What zelk-sim says of itself, for a failure message.
    std::string diagnose()
    {
        sim.write("status\n");
        sim.waitForBytesWritten(5000);
        std::string line;
        do {
            line = readLine();
        } while (line == "ok");
        return "zelk-sim says: " + line + "; " + errors();
    }

    std::string errors()
    {
        QFile file(errorFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

    std::string readLine(std::chrono::milliseconds deadline = 20s)
    {
        if (!sim.canReadLine() && !sim.waitForReadyRead(static_cast<int>(deadline.count()))) {
            return {};
        }
        while (!sim.canReadLine() && sim.waitForReadyRead(5000)) {
        }
        return sim.readLine().trimmed().toStdString();
    }

    void send(const Bytes& bytes) { ASSERT_TRUE(toSynth->send(bytes.data(), bytes.size())); }

    kwmidi::ClientRef client;
    QProcess sim;
    std::string device = "Telvor ZELK6/ZELK8 T" + std::to_string(QCoreApplication::applicationPid());
    Collector sense;
    Collector sysex;
    std::unique_ptr<kwmidi::OutputConnection> toSynth;
    QString errorFile = kwtest::isolatedRoot() + "/zelk-sim.err";
    int retries = 0;
};

} // namespace

TEST_F(ZelkSimProcess, ServesDumpsAcknowledgesAndPanelCommandsAcrossProcesses)
{
    ASSERT_NO_FATAL_FAILURE(startSim({"--sense", "50", "--fill", "7"}));
    ASSERT_NO_FATAL_FAILURE(connectPorts());
    EXPECT_TRUE(sense.waitForBytes(2, 10s)) << "no active sensing on Port1";

    // The whole stored bank, one request at a time as the editor asks for it.
    for (int t = 0; t < kTemplateCount; ++t) {
        const TemplateImage image = TemplateImage::pattern(7, t);
        std::vector<Bytes> dump{buildBulkHeader(0, kFromSynth, kAreaStored, static_cast<std::uint8_t>(t))};
        for (int block = 0; block < kBlockCount; ++block) {
            dump.push_back(buildBulkBlock(0, kFromSynth, block, image.block(block)));
        }
        dump.push_back(buildBulkFooter(0, kFromSynth, kAreaStored, static_cast<std::uint8_t>(t)));
        ASSERT_TRUE(exchange([&] { send(buildBulkRequest(0, kAreaStored, static_cast<std::uint8_t>(t))); },
                             simtest::joined(dump)))
            << "template " << t << " did not come; " << diagnose();
    }

    // A dump from this side, acknowledged.
    const TemplateImage image = TemplateImage::pattern(99, 5);
    ASSERT_TRUE(exchange(
        [&] {
            send(buildBulkHeader(0, kFromEditor, kAreaEditBuffer, 5));
            for (int block = 0; block < kBlockCount; ++block) {
                send(buildBulkBlock(0, kFromEditor, block, image.block(block)));
            }
            send(buildBulkFooter(0, kFromEditor, kAreaEditBuffer, 5));
        },
        buildBulkAck(0)))
        << "no acknowledge";

    // The panel, through standard input: select, and the answers on stdout.
    ASSERT_TRUE(exchange(
        [&] {
            sim.write("select 5\n");
            sim.waitForBytesWritten(10000);
        },
        buildParamChange(0, kFromSynth, kAddrTemplateNumber, 0, Bytes{5})));
    sim.write("status\n");
    ASSERT_TRUE(sim.waitForBytesWritten(10000));
    std::string line;
    do {
        line = readLine();
    } while (line == "ok");
    EXPECT_NE(line.find("template 5,"), std::string::npos) << line;
    const std::uint8_t first = image.bytes(fields::templateName())[0];
    EXPECT_TRUE(exchange([&] { send(buildParamRequest(0, 0x00, 0x00)); },
                         buildParamChange(0, kFromSynth, 0x00, 0x00, std::span(&first, 1))))
        << "the dump was not written where it said";

    // End of input ends it, cleanly.
    sim.closeWriteChannel();
    ASSERT_TRUE(sim.waitForFinished(30000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    RecordProperty("retries", retries);
}

TEST_F(ZelkSimProcess, EndsCleanlyOnSigtermAndSigint)
{
    for (int signal : {SIGTERM, SIGINT}) {
        ASSERT_NO_FATAL_FAILURE(startSim({"--no-stdin", "--sense", "20"}));
        ::kill(static_cast<pid_t>(sim.processId()), signal);
        ASSERT_TRUE(sim.waitForFinished(30000)) << "zelk-sim ignored signal " << signal;
        EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.exitCode(), 0);
        for (const auto& endpoint : client->sources()) {
            EXPECT_NE(endpoint.deviceName, device) << "its ports outlived it";
        }
    }
}

TEST_F(ZelkSimProcess, RefusesBadOptions)
{
    for (const QStringList& args : {QStringList{"--sense", "x"}, QStringList{"--fault", "drop-ack=0"},
                                    QStringList{"--device", "16"}, QStringList{"--bogus"}}) {
        sim.start(QStringLiteral(KW_ZELK_SIM), args);
        ASSERT_TRUE(sim.waitForFinished(30000));
        EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
    }
}
