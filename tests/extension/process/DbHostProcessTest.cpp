// The extension in dbhost and the simulated synthesizer in zelk-sim, two processes that meet only on the
// machine's MIDI ports, as the extension meets the synthesizer inside a host.
#include "zelk_sim_process.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using namespace std::chrono_literals;

namespace {

class DbHostOnMachineMidi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!simtest::machineMidiClient()->isAvailable())
            GTEST_SKIP() << simtest::kSkipWithoutServer;
        synth.setProcessChannelMode(QProcess::MergedChannels);
        synth.start(QStringLiteral(KW_ZELK_SIM), {"--sense", "0", "--fill", "1"});
        ASSERT_TRUE(synth.waitForStarted(10000)) << "zelk-sim did not start";
        ASSERT_TRUE(waitFor(synth, synthOutput, "ready:", simtest::kZelkSimReadyDeadline)) << synthOutput;
        // The Virlux template of dbhost's project, typed at the panel as the README tells.
        const std::size_t typed = synthOutput.size();
        for (const char* line : {"edit instrument Virlux", "edit knob 0 id 000000010", "edit knob 1 id 000000011",
                                 "edit knob 2 id 000000012"})
            toSynth(line);
        ASSERT_TRUE(waitFor(synth, synthOutput, "ok\nok\nok\nok\n", 10s, typed)) << synthOutput;

        host.setProcessChannelMode(QProcess::MergedChannels);
        host.start(QStringLiteral(KW_DBHOST), {"run", QStringLiteral(KW_DIALBRIDGE), "--seconds", "240"});
        ASSERT_TRUE(host.waitForStarted(10000)) << "dbhost did not start";
    }
    void TearDown() override
    {
        if (host.state() != QProcess::NotRunning) {
            host.closeWriteChannel();
            if (!host.waitForFinished(30000))
                host.kill();
            host.waitForFinished(5000);
        }
        simtest::stopZelkSim(synth);
    }

    // Reads the process's output until it holds text (after from); false at the deadline.
    static bool waitFor(QProcess& process, std::string& output, const std::string& text,
                        std::chrono::milliseconds deadline, std::size_t from = 0)
    {
        const auto until = std::chrono::steady_clock::now() + deadline;
        while (output.find(text, from) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            if (left.count() <= 0 || process.state() == QProcess::NotRunning)
                return output.find(text, from) != std::string::npos;
            if (process.waitForReadyRead(static_cast<int>(std::min<long long>(left.count(), 1000))))
                output += process.readAll().toStdString();
        }
        return true;
    }

    void toSynth(const std::string& line)
    {
        synth.write((line + "\n").c_str());
        synth.waitForBytesWritten(5000);
    }

    // Sends a panel command until the host reports what it expects: the MIDI system of a loaded machine
    // may lose a message between processes.
    bool panelReaches(const std::string& line, const std::string& expected)
    {
        for (int attempt = 0; attempt < 4; ++attempt) {
            const std::size_t from = hostOutput.size();
            toSynth(line);
            if (waitFor(host, hostOutput, expected, 10s, from))
                return true;
        }
        return false;
    }

    QProcess synth;
    QProcess host;
    std::string synthOutput;
    std::string hostOutput;
};

} // namespace

TEST_F(DbHostOnMachineMidi, TheSynthesizerShowsTheTemplatesParameterNamesAndItsKnobTurnsOne)
{
    ASSERT_TRUE(waitFor(host, hostOutput, "ready\n", 60s)) << hostOutput;
    EXPECT_NE(hostOutput.find("device \"Telvor ZELK6/ZELK8\" on \"Telvor ZELK6/ZELK8 Port2\""), std::string::npos)
        << hostOutput;
    ASSERT_TRUE(waitFor(host, hostOutput, "device sends: F0 43 10 7F 1C 00 01 56 01 F7", 20s)) << hostOutput;

    // Remote mode, from the device's announcement or else from the panel, tells the template.
    if (!waitFor(host, hostOutput, "device gets: F0 43 10 7F 1C 01 01 51 00", 10s)) {
        ASSERT_TRUE(panelReaches("remote on", "device gets: F0 43 10 7F 1C 01 01 51 00")) << hostOutput;
    }

    // The extension shows the template's parameter names; the knob turns the parameter they name.
    bool named = false;
    for (int attempt = 0; attempt < 10 && !named; ++attempt) {
        const std::size_t from = synthOutput.size();
        toSynth("display");
        named = waitFor(synth, synthOutput, "knob 2 \"Attack\"", 2s, from);
    }
    EXPECT_TRUE(named) << synthOutput;
    EXPECT_NE(synthOutput.find("knob 0 \"Cutoff\" = \"64.0\""), std::string::npos) << synthOutput;
    EXPECT_TRUE(panelReaches("turn 0 3", "device gets: AsgnKnob1 3")) << hostOutput;
    EXPECT_TRUE(waitFor(host, hostOutput, "host: Pad Cutoff 64.", 10s)) << hostOutput;
    EXPECT_TRUE(panelReaches("turn 12 -2", "device gets: EQKnob1 66")) << hostOutput;
    EXPECT_TRUE(panelReaches("press play", "host handles: Play 127")) << hostOutput;
}
