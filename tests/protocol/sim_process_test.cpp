// zelk-sim as a separate process on the machine's MIDI ports (a JACK server here), driven from this one.
#include "MidiSystem.h"
#include "SimSynthCodec.h"
#include "SimSynthTemplate.h"
#include "sim_midi_support.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

using namespace std::chrono_literals;
using namespace zelksim;
using simtest::Collector;

namespace {

constexpr const char* kSkipWithoutServer =
    "no MIDI system: no JACK server answers (source scripts/jack-env and run start_test_jack)";

class ZelkSimProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv(kwmidi::kBackendVariable, "rtmidi", 1);
        client = kwmidi::Client::acquire();
        ASSERT_EQ(client->backend(), kwmidi::Backend::RtMidi);
        if (!client->isAvailable()) {
            GTEST_SKIP() << kSkipWithoutServer;
        }
    }
    void TearDown() override
    {
        toSynth.reset();
        sense.disconnect();
        sysex.disconnect();
        if (sim.state() != QProcess::NotRunning) {
            sim.closeWriteChannel();
            if (!sim.waitForFinished(10000)) {
                sim.kill();
                sim.waitForFinished(5000);
            }
        }
    }

    void startSim(const QStringList& extra)
    {
        sim.setProcessChannelMode(QProcess::SeparateChannels);
        sim.setStandardErrorFile(QProcess::nullDevice());
        sim.start(QStringLiteral(KW_ZELK_SIM), QStringList{"--name", QString::fromStdString(device)} + extra);
        ASSERT_TRUE(sim.waitForStarted(10000)) << "zelk-sim did not start";
        ASSERT_TRUE(readLine().starts_with("ready")) << "zelk-sim never said ready";
    }

    void connectPorts()
    {
        const int port1 = simtest::indexOf(client->sources(), device, device + " Port1");
        const int port5 = simtest::indexOf(client->sources(), device, device + " Port5");
        const int in5 = simtest::indexOf(client->destinations(), device, device + " Port5");
        ASSERT_GE(port1, 0);
        ASSERT_GE(port5, 0);
        ASSERT_GE(in5, 0);
        ASSERT_TRUE(sense.connect(*client, port1));
        ASSERT_TRUE(sysex.connect(*client, port5));
        toSynth = client->openDestination(in5);
        ASSERT_NE(toSynth, nullptr);
    }

    std::string readLine()
    {
        if (!sim.canReadLine() && !sim.waitForReadyRead(20000)) {
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
};

} // namespace

TEST_F(ZelkSimProcess, ServesDumpsAcknowledgesAndPanelCommandsAcrossProcesses)
{
    startSim({"--sense", "50", "--fill", "7"});
    connectPorts();
    EXPECT_TRUE(sense.waitForBytes(2, 10s)) << "no active sensing on Port1";

    // The whole stored bank, one request at a time as the editor asks for it.
    for (int t = 0; t < kTemplateCount; ++t) {
        send(buildBulkRequest(0, kAreaStored, static_cast<std::uint8_t>(t)));
        const TemplateImage image = TemplateImage::pattern(7, t);
        std::vector<Bytes> dump{buildBulkHeader(0, kFromSynth, kAreaStored, static_cast<std::uint8_t>(t))};
        for (int block = 0; block < kBlockCount; ++block) {
            dump.push_back(buildBulkBlock(0, kFromSynth, block, image.block(block)));
        }
        dump.push_back(buildBulkFooter(0, kFromSynth, kAreaStored, static_cast<std::uint8_t>(t)));
        const Bytes expected = simtest::joined(dump);
        ASSERT_TRUE(sysex.waitForBytes(expected.size(), 10s)) << "template " << t << " did not come";
        ASSERT_EQ(sysex.take(), expected) << "template " << t;
    }

    // A dump from this side, acknowledged.
    const TemplateImage image = TemplateImage::pattern(99, 5);
    send(buildBulkHeader(0, kFromEditor, kAreaEditBuffer, 5));
    for (int block = 0; block < kBlockCount; ++block) {
        send(buildBulkBlock(0, kFromEditor, block, image.block(block)));
    }
    send(buildBulkFooter(0, kFromEditor, kAreaEditBuffer, 5));
    ASSERT_TRUE(sysex.waitForBytes(5, 10s)) << "no acknowledge";
    EXPECT_EQ(sysex.take(), buildBulkAck(0));

    // The panel, through standard input: select, and the answer on stdout.
    sim.write("select 5\nstatus\n");
    ASSERT_TRUE(sim.waitForBytesWritten(10000));
    const Bytes select = buildParamChange(0, kFromSynth, kAddrTemplateNumber, 0, Bytes{5});
    ASSERT_TRUE(sysex.waitForBytes(select.size(), 10s));
    EXPECT_EQ(sysex.take(), select);
    EXPECT_EQ(readLine(), "ok");
    EXPECT_NE(readLine().find("template 5"), std::string::npos);
    send(buildParamRequest(0, 0x00, 0x00));
    ASSERT_TRUE(sysex.waitForBytes(11, 10s));
    EXPECT_EQ(sysex.take()[9], image.bytes(fields::templateName())[0]) << "the dump was written where it said";

    // End of input ends it, cleanly.
    sim.closeWriteChannel();
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
}

TEST_F(ZelkSimProcess, EndsCleanlyOnSigtermAndSigint)
{
    for (int signal : {SIGTERM, SIGINT}) {
        startSim({"--no-stdin", "--sense", "20"});
        ::kill(static_cast<pid_t>(sim.processId()), signal);
        ASSERT_TRUE(sim.waitForFinished(10000)) << "zelk-sim ignored signal " << signal;
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
        ASSERT_TRUE(sim.waitForFinished(10000));
        EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
    }
}
