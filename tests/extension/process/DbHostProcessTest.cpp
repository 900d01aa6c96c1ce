// The extension in dbhost and the simulated synthesizer in zelk-sim, two processes that meet only on the
// machine's MIDI ports, as the extension meets the synthesizer inside a host.
#include "private_jack.h"
#include "zelk_sim_process.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Ends dbhost as its user would (end of its input), then the synthesizer; killed where they do not end.
void stopBoth(QProcess& host, QProcess& synth)
{
    kwtest::endProcess(host, std::chrono::seconds(30));
    simtest::stopZelkSim(synth);
}

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
    void TearDown() override { stopBoth(host, synth); }

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
    void toHost(const std::string& line)
    {
        host.write((line + "\n").c_str());
        host.waitForBytesWritten(5000);
    }

    // Asks zelk-sim for its display until it shows every one of texts, again whenever dbhost reports
    // more traffic; false after 20 s.
    bool synthShows(std::initializer_list<std::string> texts)
    {
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < until) {
            const std::size_t from = synthOutput.size();
            toSynth("display");
            // The buttons line closes the display's fixed part; its knob lines come with it.
            if (waitFor(synth, synthOutput, "buttons", 2s, from)) {
                waitFor(synth, synthOutput, "knob 23 ", 200ms, from);
                const std::string shown = synthOutput.substr(from);
                if (std::all_of(texts.begin(), texts.end(),
                                [&](const std::string& text) { return shown.find(text) != std::string::npos; }))
                    return true;
            }
            if (host.waitForReadyRead(500))
                hostOutput += host.readAll().toStdString();
        }
        return false;
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
    EXPECT_TRUE(synthShows(
        {"instrument \"Virlux\", track \"Pad\"", "knob 0 \"Cutoff\" = \"64.0\"", "knob 2 \"Attack\" = \"5.0\""}))
        << synthOutput;
    EXPECT_TRUE(panelReaches("turn 0 3", "device gets: AsgnKnob1 3")) << hostOutput;
    EXPECT_TRUE(waitFor(host, hostOutput, "host: Pad Cutoff 64.", 10s)) << hostOutput;
    EXPECT_TRUE(panelReaches("turn 12 -2", "device gets: EQKnob1 66")) << hostOutput;
    EXPECT_TRUE(panelReaches("press play", "host handles: Play 127")) << hostOutput;
    // F1 performs the host command of the first page's first button.
    EXPECT_TRUE(panelReaches("press f1", "host performs: Zoom/Zoom In")) << hostOutput;

    // A track the synthesizer has no template for: the display shows its instrument and no track name,
    // and the user then makes a template for it at the panel, as the README tells; the display takes it
    // at once, with the track's name.
    toHost("select Drums");
    EXPECT_TRUE(synthShows({"instrument \"Audio Track\", track \"\""})) << synthOutput;
    bool taken = false;
    for (int attempt = 0; attempt < 3 && !taken; ++attempt) {
        toSynth("select 1");
        toSynth("edit instrument Audio Track");
        toSynth("edit knob 0 id 100000401");
        taken = synthShows({"instrument \"Audio Track\", track \"Drums\"", "knob 0 \"Volume\""});
    }
    EXPECT_TRUE(taken) << synthOutput;
}

TEST(DbHostWithoutSynthesizer, SaysWhatItWaitsForAndEndsAtTheEndOfItsInput)
{
    // A server of its own, where no synthesizer of another test can be.
    simtest::PrivateJackServer server;
    QString why;
    if (!server.start(1024, &why))
        GTEST_SKIP() << why.toStdString();
    QProcess host;
    host.setProcessChannelMode(QProcess::MergedChannels);
    host.start(QStringLiteral(KW_DBHOST), {"run", QStringLiteral(KW_DIALBRIDGE)});
    ASSERT_TRUE(host.waitForStarted(10000)) << "dbhost did not start";
    std::string output;
    const auto until = std::chrono::steady_clock::now() + 60s;
    const std::string waiting = "waiting for the synthesizer's ports \"Telvor ZELK6/ZELK8 Port2\" (Ctrl-D ends)\n";
    while (output.find(waiting) == std::string::npos && std::chrono::steady_clock::now() < until &&
           host.state() != QProcess::NotRunning)
        if (host.waitForReadyRead(1000))
            output += host.readAll().toStdString();
    EXPECT_NE(output.find(waiting), std::string::npos) << output;

    host.closeWriteChannel();
    const bool ended = host.waitForFinished(30000);
    if (!ended)
        host.kill();
    host.waitForFinished(5000);
    output += host.readAll().toStdString();
    EXPECT_TRUE(ended) << "dbhost went on waiting after the end of its input:\n" << output;
    // The user gave up waiting: a normal end, said as such, not the failure of a wait that ran out.
    EXPECT_EQ(host.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(host.exitCode(), 0) << output;
    EXPECT_NE(output.find(waiting + "stopped waiting for the synthesizer's ports: end of input\n"), std::string::npos)
        << output;
    EXPECT_EQ(output.find("no ports named"), std::string::npos) << output;
}

namespace {

// dbhost and a zelk-sim that is stopped and started again, on a JACK server of the test's own (short
// periods for quick round trips, and no other test's synthesizer of the same name). Reads both programs'
// output as it comes, so that neither waits on a full pipe.
class SynthesizerSwitchedOffAndOn : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString why;
        if (!server.start(256, &why))
            GTEST_SKIP() << why.toStdString();
        host.setProcessChannelMode(QProcess::MergedChannels);
        synth.setProcessChannelMode(QProcess::MergedChannels);
    }
    void TearDown() override { stopBoth(host, synth); }

    // The synthesizer with its memory as the README's walk-through leaves it: the Virlux template is its
    // current one (a synthesizer keeps its templates when switched off).
    void switchOn()
    {
        synthOutput.clear();
        synth.start(QStringLiteral(KW_ZELK_SIM),
                    {"--sense", "0", "--fill", "1", "-c", "edit instrument Virlux", "-c", "edit knob 0 id 000000010",
                     "-c", "edit knob 1 id 000000011", "-c", "edit knob 2 id 000000012"});
        ASSERT_TRUE(synth.waitForStarted(10000)) << "zelk-sim did not start";
        ASSERT_TRUE(
            until([&] { return synthOutput.find("ready:") != std::string::npos; }, simtest::kZelkSimReadyDeadline))
            << synthOutput;
    }

    // Takes what both programs printed; waits a little for more when there is none.
    void read()
    {
        for (auto [process, output] : {std::pair{&synth, &synthOutput}, std::pair{&host, &hostOutput}}) {
            if (process->state() != QProcess::NotRunning)
                process->waitForReadyRead(10);
            *output += process->readAll().toStdString();
        }
    }

    bool until(const std::function<bool()>& done, std::chrono::milliseconds deadline)
    {
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            read();
        }
        return true;
    }

    // Asks zelk-sim for its display (its status line marks the answer's end) until what it shows holds
    // every text expected; false at the deadline, with the last display in shown.
    bool showsAll(const std::vector<std::string>& expected, std::chrono::milliseconds deadline, std::string& shown)
    {
        const auto end = std::chrono::steady_clock::now() + deadline;
        for (;;) {
            const std::size_t from = synthOutput.size();
            synth.write("display\nstatus\n");
            if (!until([&] { return synthOutput.find("\ntemplate ", from) != std::string::npos; }, 10s))
                return false;
            shown = synthOutput.substr(from, synthOutput.find("\ntemplate ", from) - from);
            if (std::all_of(expected.begin(), expected.end(),
                            [&](const std::string& text) { return shown.find(text) != std::string::npos; }))
                return true;
            if (std::chrono::steady_clock::now() > end)
                return false;
            // The next look waits for the host to do something, or a moment.
            const std::size_t seen = hostOutput.size();
            until([&] { return hostOutput.size() > seen; }, 200ms);
        }
    }

    simtest::PrivateJackServer server;
    QProcess synth;
    QProcess host;
    std::string synthOutput;
    std::string hostOutput;
};

} // namespace

TEST_F(SynthesizerSwitchedOffAndOn, IsBroughtBackEachTimeToItsPageTrackNamesAndValuesWithoutTheUser)
{
    switchOn();
    host.start(QStringLiteral(KW_DBHOST), {"run", QStringLiteral(KW_DIALBRIDGE), "--seconds", "900"});
    ASSERT_TRUE(host.waitForStarted(10000)) << "dbhost did not start";
    ASSERT_TRUE(until([&] { return hostOutput.find("ready\n") != std::string::npos; }, 60s)) << hostOutput;

    // The user goes to the third page of commands; from then on the synthesizer shows this.
    const std::vector<std::string> where = {
        "extension running, remote mode on\n",
        "track \"Pad\", page \"MIDI\"",
        "buttons [AdMidi] [AutoQ] [Qtz] [QtzLng] [Step] [QtzSet]\n",
        "knob 0 \"Cutoff\" = \"64.0\"\n",
        "knob 1 \"Resonance\" = \"20.0\"\n",
        "knob 2 \"Attack\" = \"5.0\"\n",
        "knob 23 \"EQ 4 Gain\" = \"0.0 dB\"",
    };
    synth.write("press sfbank3\n");
    std::string shown;
    ASSERT_TRUE(showsAll(where, 60s, shown)) << shown << "\n" << hostOutput;

    for (int restart = 1; restart <= 5; ++restart) {
        const bool killed = restart % 2 == 0;
        const std::size_t before = hostOutput.size();
        if (killed)
            synth.kill();
        else
            synth.terminate();
        ASSERT_TRUE(synth.waitForFinished(30000)) << "zelk-sim did not end";
        ASSERT_TRUE(until(
            [&] { return hostOutput.find("host: device closed: its ports are gone\n", before) != std::string::npos; },
            60s))
            << "restart " << restart << ": dbhost did not see the synthesizer go\n"
            << hostOutput.substr(before);

        const std::size_t gone = hostOutput.find("host: device closed: its ports are gone\n", before);
        switchOn();
        const auto back = std::chrono::steady_clock::now();
        ASSERT_TRUE(showsAll(where, 60s, shown))
            << "restart " << restart << ": the synthesizer was not brought back; it shows\n"
            << shown << "\n"
            << hostOutput.substr(before);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - back).count();
        std::printf("restart %d (%s): back where it was %.2f s after zelk-sim was ready\n", restart,
                    killed ? "killed" : "terminated", seconds);
        EXPECT_TRUE(until([&] { return hostOutput.find("led: SFBank3 127\n", gone) != std::string::npos; }, 10s))
            << "restart " << restart << ": the page's LED was not lit again";
    }
    std::fflush(stdout);
}
