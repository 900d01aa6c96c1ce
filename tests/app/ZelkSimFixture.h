#pragma once

// The editor against zelk-sim running as a program of its own on the test JACK server: starting, stopping
// and killing the synthesizer's program, and asking it at its panel what it holds.
#include "PanelFixture.h"

#include "AutoSync.h"
#include "EndpointIndex.h"

#include "MachinePace.h"
#include "MidiSystem.h"
#include "ParamAddress.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

class ZelkSimFixture : public PanelFixture
{
protected:
    // The tag keeps the device names of the test programs apart ("Telvor ZELK6/ZELK8 R1234").
    explicit ZelkSimFixture(QChar tag)
        : device(QStringLiteral("Telvor ZELK6/ZELK8 %1%2").arg(tag).arg(QCoreApplication::applicationPid())), m_tag(tag)
    {
    }

    void SetUp() override
    {
        PanelFixture::SetUp();
        qputenv(kwmidi::kBackendVariable, "system");
        kwmidi::setClientName("Knobwright");
        if (!kwmidi::Client::acquire()->isAvailable())
            GTEST_SKIP() << "no JACK server answers (source scripts/jack-env and run start_test_jack)";
        settings().setValue(QStringLiteral("PortName"), device);
        ASSERT_TRUE(pace.measure()) << "no program could be run: the machine's pace is unknown";
        std::printf("machine pace: %s\n", pace.describe().c_str());
        std::fflush(stdout);
        // The auto-sync panel's shortened time-outs are paced as well: a test whose subject is a time-out
        // sets the panel's own after this.
        AutoSync::setDefaultTimeouts({pacedMs(kTestReceiveMs), pacedMs(kTestSendMs)});
    }
    void TearDown() override
    {
        stopWindow();
        stopSim();
        PanelFixture::TearDown();
    }

    // Starts zelk-sim under this test's device name and waits until it says it is ready.
    void startSim(const QStringList& extra = {})
    {
        using namespace std::chrono_literals;
        sim.setStandardErrorFile(kwtest::isolatedRoot() + QStringLiteral("/zelk-sim-%1.err").arg(m_tag),
                                 QIODevice::Append);
        sim.start(QStringLiteral(KW_ZELK_SIM), QStringList{"--name", device, "--sense", "100"} + extra);
        ASSERT_TRUE(sim.waitForStarted(10000)) << "zelk-sim did not start";
        ASSERT_TRUE(kwtest::processUntil([&] { return sim.canReadLine(); }, paced(60s))) << "zelk-sim never said ready";
        ASSERT_TRUE(sim.readLine().startsWith("ready"));
        waitUntilListed(1);
    }
    // Until this process lists the ports of that many synthesizers of the device's name.
    void waitUntilListed(int synthesizers)
    {
        using namespace std::chrono_literals;
        ASSERT_TRUE(kwtest::processUntil(
            [&] { return devicesWithFivePorts(kwmidi::Client::acquire(), device.toStdString()) >= synthesizers; },
            paced(30s)))
            << "the ports of " << synthesizers << " zelk-sim were not all listed";
    }
    // Ends zelk-sim as its user would (end of its input); killed if it does not end.
    void stopSim() { kwtest::endProcess(sim, std::chrono::seconds(20)); }
    // The synthesizer's program dies at once: its ports go without a goodbye.
    void killSim()
    {
        sim.kill();
        ASSERT_TRUE(sim.waitForFinished(20000)) << "zelk-sim outlived SIGKILL";
    }

    // One panel command of zelk-sim and its one-line answer.
    QString ask(const QString& command)
    {
        using namespace std::chrono_literals;
        sim.write(command.toUtf8() + '\n');
        if (!kwtest::processUntil([&] { return sim.canReadLine(); }, paced(30s)))
            return QStringLiteral("(zelk-sim did not answer %1)").arg(command);
        return QString::fromUtf8(sim.readLine()).trimmed();
    }
    // The answer to a command, asked again until it says what is expected or the deadline passes: what the
    // editor sent last may still be on its way to zelk-sim.
    QString askUntil(const QString& command, const std::function<bool(const QString&)>& expected,
                     std::chrono::milliseconds deadline = std::chrono::seconds(30))
    {
        QString answer;
        const auto until = std::chrono::steady_clock::now() + paced(deadline);
        do {
            answer = ask(command);
        } while (!expected(answer) && std::chrono::steady_clock::now() < until);
        return answer;
    }
    bool simSays(const QString& command, const QString& text,
                 std::chrono::milliseconds deadline = std::chrono::seconds(30))
    {
        return askUntil(
                   command, [&](const QString& answer) { return answer.contains(text); }, deadline)
            .contains(text);
    }

    bool online()
    {
        return memApi->getParam(ParamAddress(ParamAddress::kOnlineStateBank, -1, -1, -1)).getCurrentValue() == 1;
    }
    // A budget sized on an idle machine (a wait, the encoder's patience, a panel's time-out), stretched by
    // the pace measured at the test's start, for what a test is not about. A test whose subject is a
    // time-out gives the system its value as it is.
    std::chrono::milliseconds paced(std::chrono::milliseconds idle) const { return pace.stretch(idle); }
    int pacedMs(int idleMs) const { return pace.stretchMs(idleMs); }
    // The encoder's patience on an idle machine in tests whose subject is not that patience (paced): the
    // shipped one (1 s, four copies) leaves little margin for a machine that holds an answer a moment.
    static constexpr int kPatientAnswerMs = 3000;
    static constexpr int kPatientRetries = 3;
    // The editor's window as the program starts it, on a memory service of its own. A positive answerTimeoutMs
    // sets the encoder's patience (answerRetries copies more), a positive watchPeriodMs the connection watch's.
    void startWindow(int answerTimeoutMs = -1, int answerRetries = 0, int watchPeriodMs = -1)
    {
        memApi = std::make_unique<RemoteMemAPI>();
        if (watchPeriodMs > 0)
            memApi->setConnectionWatchPeriod(watchPeriodMs);
        if (answerTimeoutMs > 0)
            memApi->setAnswerTimeout(answerTimeoutMs, answerRetries);
        window = std::make_unique<EditorMainWindow>(memApi.get(), true);
        window->show();
        g_pEditorMainWindow = window.get();
    }
    // Auto-sync has brought the two into step: its panel is gone and the editor is ONLINE.
    bool synchronised() { return online() && window->autoSyncPanel() == nullptr; }
    bool syncedAndIdle() { return synchronised() && memApi->isMIDIRouteLinked(); }
    // Where the editor stands, for a wait that ended without what it waited for.
    std::string syncState()
    {
        const auto* sync = qobject_cast<AutoSync*>(window->autoSyncPanel());
        const char* panel = !sync                       ? "no panel"
                            : sync->isErrorShown()      ? "panel showing an error"
                            : sync->isReceiving()       ? "panel receiving"
                            : sync->isSending()         ? "panel sending"
                            : sync->isTransferRunning() ? "panel transferring"
                                                        : "panel waiting";
        return std::string(online() ? "ONLINE" : "offline") + ", " + panel + ", route " +
               (memApi->isMIDIRouteLinked() ? "linked" : "not linked");
    }

    const QString device;
    QProcess sim;
    kwtest::MachinePace pace;

private:
    QChar m_tag;
};
