// The editor against zelk-sim running as a program of its own on the machine's MIDI system (JACK):
// the synthesizer is switched off and on again (its program ends, or is killed, and starts again) while
// the editor works with it.
#include "ZelkSimFixture.h"

#include "MemChangeObserver.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

using namespace std::chrono_literals;

const ParamAddress kOnline(ParamAddress::kOnlineStateBank, -1, -1, -1);
const ParamAddress kCurrentTemplate(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
// Periods no step of these tests comes near: only the synthesizer's vanishing ports can explain a fall of
// ONLINE or a failed transfer.
constexpr int kWatchNeverTripsMs = 600000;
constexpr int kTransferNeverTimesOutMs = 600000;

// Counts the falls of ONLINE, on whichever thread they are written.
class OnlineFalls : public MemChangeObserver
{
public:
    explicit OnlineFalls(RemoteMemAPI* api) : m_api(api) { api->registObserver(&m_address, this); }
    ~OnlineFalls() override { detachFromMemAPI(); }
    void paramUpdate() override
    {
        if (m_api->getParam(kOnline).getCurrentValue() == 0)
            ++m_falls;
    }
    int count() const { return m_falls; }

private:
    RemoteMemAPI* m_api;
    ParamAddress m_address = kOnline;
    std::atomic<int> m_falls{0};
};

class SynthRestart : public ZelkSimFixture
{
protected:
    SynthRestart() : ZelkSimFixture(QLatin1Char('R')) {}

    void startWatchingWindow(int watchPeriodMs, int answerTimeoutMs = -1, int answerRetries = 0)
    {
        startWindow(answerTimeoutMs, answerRetries, watchPeriodMs);
    }
    // How long the editor took to see the synthesizer go or come back, for the test's log.
    static void tookSince(const QElapsedTimer& since, const std::string& what)
    {
        std::printf("%s: %.2f s\n", what.c_str(), static_cast<double>(since.elapsed()) / 1000.0);
        std::fflush(stdout);
    }
    AutoSync* panel() const { return qobject_cast<AutoSync*>(window->autoSyncPanel()); }
    long editorCC(int templ, int knob)
    {
        return memApi->getParam(ParamAddress(0, templ, knob, ParamAddress::kCCNumberParam)).getCurrentValue();
    }
    static QString knobCC(long cc) { return QStringLiteral(" cc %1 ").arg(cc); }
    // The error look of a failed transfer, with the window's close button back.
    void expectErrorLook(AutoSync* sync)
    {
        EXPECT_FALSE(sync->isTransferRunning());
        EXPECT_TRUE(sync->lblError->isVisible());
        EXPECT_TRUE(sync->btnRetry->isVisible());
        EXPECT_TRUE(sync->btnClose->isVisible());
        EXPECT_TRUE(sync->btnCancel->isVisible());
        EXPECT_FALSE(sync->btnStart->isVisible());
        EXPECT_FALSE(sync->txtMessage->isVisible());
        EXPECT_FALSE(sync->lblAnimation->isVisible());
        EXPECT_TRUE(window->btnWindowClose->isVisible()) << "the window's close button stayed hidden";
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(memApi->isAllowToRaiseFileEditFlag());
        EXPECT_FALSE(online());
    }
    // zelk-sim stops answering in the middle of the transfer: its error shows within 6 s, though the
    // panel's own time-out is far off.
    void expectFailsSoonWhenSilent(AutoSync* sync)
    {
        ASSERT_EQ(ask("fault silent on"), "ok");
        QElapsedTimer silence;
        silence.start();
        ASSERT_TRUE(kwtest::processUntil([&] { return sync->isErrorShown(); }, 30s))
            << "the transfer went on although the synthesizer stopped answering";
        EXPECT_LT(silence.elapsed(), 6000) << "the give-up of the encoder reached the panel late";
        expectErrorLook(sync);
    }
};

} // namespace

TEST_F(SynthRestart, RestartTakesTheEditorOfflineAtOnceSyncsAgainByItselfAndEditsReachTheEditedTemplate)
{
    startSim({"--fill", "5"});
    startWatchingWindow(kWatchNeverTripsMs, pacedMs(kPatientAnswerMs), kPatientRetries);
    ASSERT_NE(panel(), nullptr) << "no auto-sync at start";
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(60s)))
        << "the announcing synthesizer was not synchronised with: " << syncState();
    OnlineFalls falls(memApi.get());

    // The user works on template 29; the synthesizer follows.
    const int edited = 29;
    const int knob = 1;
    ASSERT_TRUE(memApi->activateCurrentTemplateNumber(edited));
    ASSERT_TRUE(simSays("status", QStringLiteral("template %1,").arg(edited)))
        << "the synthesizer did not follow the editor's template";

    // First it comes back at once, on its first template, before anything could notice the gap; then,
    // once the editor is offline, on template 12.
    const struct
    {
        QStringList options;
        int current;
        bool waitUntilOffline;
    } restarts[] = {{{"--fill", "6"}, 0, false}, {{"--fill", "7", "--template", "12"}, 12, true}};
    long cc = editorCC(edited, knob);
    for (const auto& restart : restarts) {
        SCOPED_TRACE(QStringLiteral("back on template %1").arg(restart.current).toStdString());
        const int fallsBefore = falls.count();
        stopSim();
        QElapsedTimer gone;
        gone.start();
        if (restart.waitUntilOffline) {
            ASSERT_TRUE(kwtest::processUntil([&] { return falls.count() > fallsBefore; }, paced(60s)))
                << "the editor stayed online after the synthesizer's ports went";
            tookSince(gone, "offline after the synthesizer ended");
            ASSERT_TRUE(kwtest::processUntil([&] { return !window->lblOnline->isVisible(); }))
                << "the online lamp stayed lit";
            EXPECT_TRUE(memApi->isWatchPortActivate()) << "watching for the synthesizer's return is off";
            EXPECT_FALSE(memApi->isMIDIRouteLinked());
        }
        startSim(restart.options);
        QElapsedTimer back;
        back.start();
        ASSERT_TRUE(kwtest::processUntil([&] { return falls.count() > fallsBefore; }, paced(60s)))
            << "the restart went unnoticed: the editor never went offline";
        ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(120s)))
            << "the synthesizer that came back was not synchronised with: " << syncState();
        tookSince(back, "online and synchronised after the synthesizer was ready");
        EXPECT_TRUE(window->lblOnline->isVisible());
        EXPECT_EQ(window->portOpenErrorPanel(), nullptr);

        // An edit of the template the user works on lands there, not in the one the synthesizer woke on.
        ASSERT_EQ(memApi->getParam(kCurrentTemplate).getCurrentValue(), edited);
        const long other = editorCC(restart.current, knob);
        cc = (cc + 1) % 128 == other ? (cc + 2) % 128 : (cc + 1) % 128;
        ASSERT_TRUE(memApi->setParam(ParamAddress(0, edited, knob, ParamAddress::kCCNumberParam), cc));
        EXPECT_TRUE(simSays(QStringLiteral("show %1 %2").arg(edited).arg(knob), knobCC(cc)))
            << "the edit did not reach template " << edited;
        EXPECT_TRUE(ask(QStringLiteral("show %1 %2").arg(restart.current).arg(knob)).contains(knobCC(other)))
            << "the edit landed in template " << restart.current;
        EXPECT_TRUE(ask("status").startsWith(QStringLiteral("template %1,").arg(edited)));
    }
}

TEST_F(SynthRestart, SynthesizerKilledDuringAReceiveOrASendFailsItAtOnceAndRetryAfterItCameBackSucceeds)
{
    AutoSync::setDefaultTimeouts({kTransferNeverTimesOutMs, kTransferNeverTimesOutMs});
    // Replies come slowly, so that the receive is still running when the synthesizer goes.
    startSim({"--fill", "7", "--fault", "delay=40"});
    startWatchingWindow(kWatchNeverTripsMs);
    QPointer<AutoSync> sync(panel());
    ASSERT_NE(sync, nullptr);
    ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isReceiving(); }, paced(30s))) << "no receive started";
    EXPECT_FALSE(window->btnWindowClose->isVisible());

    // A synthesizer that stops answering, its ports still there: the encoder's resends give up within
    // about four seconds, and the panel says so then.
    expectFailsSoonWhenSilent(sync);
    ASSERT_EQ(ask("fault silent off"), "ok");
    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isReceiving(); }, paced(30s)))
        << "Retry received nothing";

    killSim();
    QElapsedTimer killed;
    killed.start();
    ASSERT_TRUE(
        kwtest::processUntil([&] { return sync && sync->isErrorShown() && !sync->isTransferRunning(); }, paced(60s)))
        << "the receive did not fail when the synthesizer's ports went";
    tookSince(killed, "receive failed after the kill");
    expectErrorLook(sync);
    // A failed dispatch to the ports going may tell the panel before the MIDI system's notice does.
    ASSERT_TRUE(kwtest::processUntil([&] { return !memApi->isMIDIRouteLinked(); }, paced(30s)))
        << "the synthesizer's ports going went unnoticed";
    EXPECT_FALSE(memApi->getBulkRecieveEnableFlag()) << "late dumps would still be stored";
    EXPECT_EQ(memApi->getBankAvailableFlag(2).getCurrentValue(), 0);
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("panel-AutoSync-error-synthesizer-gone-receiving"));
    // A send while the synthesizer is gone tells its caller; a store is owed to the next full send.
    EXPECT_FALSE(memApi->sendAllTemplatesStoreMessage()) << "a send to a vanished synthesizer reported success";
    EXPECT_TRUE(memApi->isStorePending()) << "the refused store was lost";

    // Retry while it is still gone builds the route anew, which fails at once instead of waiting for the
    // time-out.
    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return sync->isErrorShown() && !sync->isTransferRunning(); }, 5s));
    EXPECT_FALSE(memApi->hasMIDIInput()) << "the route whose ports lost the synthesizer's was not built anew";

    startSim({"--fill", "8"});
    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return online() && sync.isNull(); }, paced(60s))) << "Retry did not succeed";
    EXPECT_TRUE(memApi->isMIDIRouteLinked());
    // The port error of the failed retry waited behind the panel; the success after it made it stale.
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr) << "a stale port error was shown over the success";
    EXPECT_EQ(window->getLockCount(), 0);

    // File > Open and File > New while ONLINE send with a follow-up, slowed down by late acknowledges;
    // the synthesizer is killed during the send and started again. The follow-up is owed until it went
    // out after the last acknowledge of a complete send: by Retry, or, once the failed panel is closed,
    // by the auto-sync that the synthesizer's return starts.
    QTemporaryDir folder;
    const QString bankFile = folder.filePath(QStringLiteral("Live Set.Q9E"));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable(kResourceDirVariable) + QStringLiteral("/BankPreset1.Q9E"), bankFile));
    const struct
    {
        const char* what;
        bool open;
        bool retry;
    } sends[] = {
        {"File > Open, Retry", true, true}, {"File > New, Retry", false, true}, {"File > New, Close", false, false}};
    int fill = 10;
    for (const auto& send : sends) {
        SCOPED_TRACE(send.what);
        ASSERT_EQ(ask("fault delay 40"), "ok");
        memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 0L);
        if (send.open) {
            fileAnswer = bankFile;
            ASSERT_TRUE(window->fileOpen());
        } else {
            window->fileNew();
        }
        sync = panel();
        ASSERT_NE(sync, nullptr);
        ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isSending(); }, paced(30s))) << "no send started";
        killSim();
        killed.restart();
        ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isErrorShown(); }, paced(60s)))
            << "the send did not fail when the synthesizer's ports went";
        tookSince(killed, std::string("send (") + send.what + ") failed after the kill");
        expectErrorLook(sync);
        if (send.open)
            kwtest::saveAppScreenshot(window.get(), QStringLiteral("panel-AutoSync-error-synthesizer-gone-sending"));
        EXPECT_EQ(send.open ? memApi->isStoreToFlashSending() : memApi->isStorePending(), true)
            << "the failed send dropped its follow-up";
        // A panel built while the ports are away refreshes the port list: the set the route follows stays chosen.
        window->updatePortInfoList();
        EXPECT_EQ(window->getPortNameList().value(window->getPortIndex()), device) << "the port field lost the set";

        startSim({"--fill", QString::number(fill++)});
        if (send.retry) {
            // Its return does not restart the failed transfer; the user's Retry over the links that
            // followed the synthesizer back does.
            ASSERT_TRUE(kwtest::processUntil([&] { return memApi->isMIDIRouteLinked(); }, paced(60s)))
                << "the links did not follow the synthesizer back";
            EXPECT_TRUE(sync->isErrorShown());
            EXPECT_FALSE(sync->isTransferRunning());
            sync->btnRetry->click();
            ASSERT_TRUE(kwtest::processUntil([&] { return online() && sync.isNull(); }, paced(60s)))
                << "Retry did not succeed";
        } else {
            // Closed once the synthesizer is back: the announcements the failed panel ignored meanwhile
            // must not keep its return from starting the auto-sync.
            ASSERT_TRUE(kwtest::processUntil([&] { return memApi->isMIDIRouteLinked(); }, paced(60s)))
                << "the links did not follow the synthesizer back";
            const int shownBefore = autoSyncsShown();
            sync->btnClose->click();
            ASSERT_TRUE(kwtest::processUntil([&] { return sync.isNull(); })) << "the failed panel did not close";
            ASSERT_TRUE(kwtest::processUntil([&] { return autoSyncsShown() > shownBefore; }, paced(60s)))
                << "the synthesizer's return started no auto-sync";
            ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(60s)))
                << "the auto-sync on the synthesizer's return did not succeed: " << syncState();
        }
        EXPECT_TRUE(memApi->isMIDIRouteLinked());
        EXPECT_EQ(window->portOpenErrorPanel(), nullptr);
        EXPECT_EQ(settings().value(QStringLiteral("PortName")).toString(), device);
        // Every dump of the send, each after the acknowledge of the one before, then the follow-up after
        // the last acknowledge, with none left to go out.
        const QString flow =
            askUntil("flow", [](const QString& line) { return !line.contains("; store none; flash none"); });
        const QString dumps = QStringLiteral("flow: dumps %1, begun early 0, repeated 0, acknowledges out %1; ")
                                  .arg(send.open ? 100 : 50);
        // The first, File > Open's, does not carry the store refused while the synthesizer was gone: the
        // opened file's stored bank replaced what it would have stored.
        EXPECT_EQ(flow.toStdString(), (dumps + (send.open ? QStringLiteral("store none; flash after 100 (0 unsent)")
                                                          : QStringLiteral("store after 50 (0 unsent); flash none")))
                                          .toStdString());
        EXPECT_FALSE(memApi->isStorePending());
        EXPECT_FALSE(memApi->isStoreToFlashSending());
        const long cc = editorCC(40, 11);
        EXPECT_TRUE(ask("show 40 11").contains(knobCC(cc))) << "the retried send did not reach the synthesizer";
    }

    // A send (File > New's) to a synthesizer that stops answering, its ports still there, fails as soon
    // as the encoder gives up; Retry once it answers again finishes it, with the store.
    ASSERT_EQ(ask("fault delay 40"), "ok");
    memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 0L);
    window->fileNew();
    sync = panel();
    ASSERT_NE(sync, nullptr);
    ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isSending(); }, paced(30s))) << "no send started";
    expectFailsSoonWhenSilent(sync);
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("panel-AutoSync-error-synthesizer-silent-sending"));
    EXPECT_TRUE(memApi->isMIDIRouteLinked());
    ASSERT_EQ(ask("fault silent off"), "ok");
    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return online() && sync.isNull(); }, paced(60s))) << "Retry did not succeed";
    EXPECT_FALSE(memApi->isStorePending()) << "the store was not sent after the retried send";
}

#ifdef KW_MIDI_PEER
// The editor's MIDI reader falls behind during a receive (held up here in a receive callback of the
// process's own, as a loaded machine holds it up) while another program sends it a burst larger than its
// input takes: the sequencer empties the editor's whole input, the synthesizer's reply with it. The editor
// is told at once (it would otherwise wait for that reply for ever: the answer time-out here never runs
// out), goes offline, and Retry receives everything.
TEST_F(SynthRestart, AnOverrunOfTheEditorsInputDuringAReceiveFailsItAtOnceAndRetryRestoresTheData)
{
    const kwmidi::ClientRef midi = kwmidi::Client::acquire();
    if (midi->systemName() != "ALSA sequencer")
        GTEST_SKIP() << "the input that the sequencer empties when it overruns is ALSA's";
    AutoSync::setDefaultTimeouts({kTransferNeverTimesOutMs, kTransferNeverTimesOutMs});
    startSim({"--fill", "7", "--fault", "delay=40"});
    QProcess burster;
    const QString bursterName = device + QStringLiteral(" Burst");
    burster.start(QStringLiteral(KW_MIDI_PEER), {bursterName});
    ASSERT_TRUE(burster.waitForStarted(10000));
    ASSERT_TRUE(kwtest::processUntil([&] { return burster.canReadLine(); }, paced(60s)))
        << "the burster never said ready";
    ASSERT_TRUE(burster.readLine().startsWith("ready"));
    const auto tellBurster = [&](const QByteArray& line) {
        burster.write(line + '\n');
        if (!kwtest::processUntil([&] { return burster.canReadLine(); }, paced(60s)))
            return QString();
        return QString::fromUtf8(burster.readLine()).trimmed();
    };

    std::mutex mutex;
    std::condition_variable changed;
    bool holding = true;
    bool heldUp = false;
    std::unique_ptr<kwmidi::InputConnection> holder;
    const std::vector<kwmidi::EndpointInfo> sources = midi->sources();
    for (std::size_t i = 0; i < sources.size() && !holder; ++i) {
        if (sources[i].deviceName == bursterName.toStdString() && sources[i].endpointName.ends_with(" Port1"))
            holder = midi->connectSource(int(i), [&](const std::uint8_t*, std::size_t) {
                std::unique_lock<std::mutex> lock(mutex);
                heldUp = holding;
                changed.notify_all();
                changed.wait(lock, [&] { return !holding; });
            });
    }
    ASSERT_NE(holder, nullptr) << "no link to the burster";

    startWatchingWindow(kWatchNeverTripsMs, kTransferNeverTimesOutMs);
    QPointer<AutoSync> sync(panel());
    ASSERT_NE(sync, nullptr);
    ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isReceiving(); }, paced(30s))) << "no receive started";
    const int vanished = memApi->vanishedCount();

    ASSERT_EQ(tellBurster("burst 1 10"), "burst 1");
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 30s, [&] { return heldUp; })) << "the editor's reader was not held up";
    }
    const QString burst = tellBurster("burst 200 1000");
    ASSERT_TRUE(burst.startsWith("burst ")) << burst.toStdString();
    EXPECT_LT(burst.mid(6).toInt(), 200) << "the editor's input took 200 KB while its reader was held up";
    {
        std::lock_guard<std::mutex> lock(mutex);
        holding = false;
        changed.notify_all();
    }
    ASSERT_TRUE(
        kwtest::processUntil([&] { return sync && sync->isErrorShown() && !sync->isTransferRunning(); }, paced(60s)))
        << "the receive went on waiting for a reply the overrun threw away";
    // Each link of the route (the watch and communication inputs, the output) told the loss.
    EXPECT_EQ(memApi->vanishedCount() - vanished, 3);
    expectErrorLook(sync);
    EXPECT_GT(holder->droppedMessages(), 0u);

    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return online() && sync.isNull(); }, paced(120s)))
        << "Retry did not succeed";
    EXPECT_TRUE(memApi->isMIDIRouteLinked());
    for (const int templ : {0, 23, 49}) {
        const long cc = editorCC(templ, 11);
        EXPECT_TRUE(ask(QStringLiteral("show %1 11").arg(templ)).contains(knobCC(cc)))
            << "template " << templ << " differs from the synthesizer's after Retry";
    }
    holder.reset();
    kwtest::endProcess(burster, 20s);
}
#endif
