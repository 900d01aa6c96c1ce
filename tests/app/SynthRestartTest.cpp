// The editor against zelk-sim running as a program of its own on the machine's MIDI system (JACK):
// the synthesizer is switched off and on again (its program ends and starts again) while the editor
// works with it.
#include "PanelFixture.h"

#include "MidiSystem.h"
#include "ParamAddress.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QProcess>

namespace {

using namespace std::chrono_literals;

const ParamAddress kOnline(ParamAddress::kOnlineStateBank, -1, -1, -1);

class SynthRestart : public PanelFixture
{
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        qputenv(kwmidi::kBackendVariable, "rtmidi");
        kwmidi::setClientName("Knobwright");
        if (!kwmidi::Client::acquire()->isAvailable())
            GTEST_SKIP() << "no JACK server answers (source scripts/jack-env and run start_test_jack)";
        settings().setValue(QStringLiteral("PortName"), device);
    }
    void TearDown() override
    {
        stopWindow();
        stopSim();
        PanelFixture::TearDown();
    }

    void startSim(const QStringList& extra = {})
    {
        sim.setStandardErrorFile(kwtest::isolatedRoot() + "/restart-zelk-sim.err", QIODevice::Append);
        sim.start(QStringLiteral(KW_ZELK_SIM), QStringList{"--name", device, "--sense", "100"} + extra);
        ASSERT_TRUE(sim.waitForStarted(10000)) << "zelk-sim did not start";
        ASSERT_TRUE(kwtest::processUntil([&] { return sim.canReadLine(); }, 60s)) << "zelk-sim never said ready";
        ASSERT_TRUE(sim.readLine().startsWith("ready"));
    }
    void stopSim()
    {
        if (sim.state() == QProcess::NotRunning)
            return;
        sim.closeWriteChannel();
        if (!sim.waitForFinished(20000)) {
            sim.kill();
            sim.waitForFinished(5000);
        }
    }
    // The window over a service whose connection watcher notices silence within a second.
    void startWatchingWindow()
    {
        memApi = std::make_unique<RemoteMemAPI>();
        memApi->setConnectionWatchPeriod(500);
        window = std::make_unique<EditorMainWindow>(memApi.get(), true);
        window->show();
        g_pEditorMainWindow = window.get();
    }
    bool online() { return memApi->getParam(kOnline).getCurrentValue() == 1; }
    AutoSync* panel() const { return qobject_cast<AutoSync*>(window->autoSyncPanel()); }

    QString device = QStringLiteral("Telvor ZELK6/ZELK8 R%1").arg(QCoreApplication::applicationPid());
    QProcess sim;
};

} // namespace

TEST_F(SynthRestart, EditorFallsOfflineAndSyncsAgainByItselfWhenTheSynthesizerComesBack)
{
    startSim({"--fill", "5"});
    startWatchingWindow();
    ASSERT_NE(panel(), nullptr) << "no auto-sync at start";
    ASSERT_TRUE(kwtest::processUntil([&] { return online() && panel() == nullptr; }, 60s))
        << "the announcing synthesizer was not synchronised with";

    stopSim();
    ASSERT_TRUE(kwtest::processUntil([&] { return !online(); }, 10s)) << "the editor stayed online";
    EXPECT_FALSE(memApi->isMIDIRouteLinked());

    startSim({"--fill", "6"});
    ASSERT_TRUE(kwtest::processUntil([&] { return panel() != nullptr; }, 30s))
        << "the synthesizer that came back did not start auto-sync";
    ASSERT_TRUE(kwtest::processUntil([&] { return online() && panel() == nullptr; }, 60s))
        << "the synthesizer that came back was not synchronised with";
    EXPECT_TRUE(memApi->isMIDIRouteLinked());
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr);
}

TEST_F(SynthRestart, SynthesizerGoneDuringAReceiveFailsItAndRetryAfterItCameBackSucceeds)
{
    // Replies come slowly, so that the receive is still running when the synthesizer goes.
    startSim({"--fill", "7", "--fault", "delay=40"});
    startWatchingWindow();
    QPointer<AutoSync> sync(panel());
    ASSERT_NE(sync, nullptr);
    ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isReceiving(); }, 30s)) << "no receive started";

    stopSim();
    ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isErrorShown(); }, 20s)) << "the receive did not fail";
    EXPECT_FALSE(online());
    // A send while the synthesizer is gone tells its caller.
    EXPECT_FALSE(memApi->sendAllTemplatesStoreMessage()) << "a send to a vanished synthesizer reported success";

    // Retry while it is still gone builds the route anew, which fails at once (its port error waits
    // behind the panel) instead of waiting for the time-out.
    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return sync->isErrorShown() && !sync->isTransferRunning(); }, 5s));
    EXPECT_FALSE(memApi->hasMIDIInput()) << "the route whose ports lost the synthesizer's was not built anew";

    startSim({"--fill", "8"});
    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return online() && sync.isNull(); }, 60s)) << "Retry did not succeed";
    EXPECT_TRUE(memApi->isMIDIRouteLinked());
    ASSERT_TRUE(kwtest::processUntil([&] { return window->portOpenErrorPanel() != nullptr; }))
        << "the port error of the failed retry was not shown after the panel";
    EXPECT_TRUE(closePanel(window->portOpenErrorPanel()));
}
