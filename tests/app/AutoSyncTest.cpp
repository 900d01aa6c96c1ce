#include "PanelFixture.h"
#include "SynthImages.h"

#include "CText.h"
#include "ParamAddress.h"
#include "ShellPanels.h"
#include "SimSynthTemplate.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

#include <string>

namespace {

using namespace std::chrono_literals;
using kwtest::templateDifference;
using kwtest::writeTemplate;

const QString kSynthName = QStringLiteral("Telvor ZELK6/ZELK8");
constexpr int kTemplates = 50;

long value(RemoteMemAPI& api, const ParamAddress& address)
{
    return api.getParam(address).getCurrentValue();
}

const ParamAddress kOnline(ParamAddress::kOnlineStateBank, -1, -1, -1);
const ParamAddress kFileEditFlag(ParamAddress::kFileEditFlagBank, -1, -1, -1);
const ParamAddress kCurrentTemplate(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);

} // namespace

class AutoSyncFixture : public PanelFixture
{
protected:
    // A quiet synthesizer and the auto-sync panel of the start, waiting for the user.
    QPointer<AutoSync> startWaitingPanel()
    {
        startQuietSynth();
        startWindow(true);
        return panel();
    }

    AutoSync* panel() const { return qobject_cast<AutoSync*>(window->autoSyncPanel()); }

    template <typename F> auto core(F&& f)
    {
        return synth->withCore([&](zelksim::SynthCore& c, zelksim::Millis now) { return f(c, now); });
    }

    // A silent synthesizer answers nothing and stops its active sensing.
    void setSynthSilent(bool silent)
    {
        synth->withCore([silent](zelksim::SynthCore& c, zelksim::Millis) { c.setSilent(silent); });
    }

    // Where the editor's bank differs from the synthesizer's stored (or edit) templates; empty when equal.
    std::string bankDifference(int bank, bool editBuffer)
    {
        for (int t = 0; t < kTemplates; ++t) {
            const zelksim::TemplateImage image = core([&](zelksim::SynthCore& c, zelksim::Millis) {
                return editBuffer ? c.editTemplate(t) : c.storedTemplate(t);
            });
            std::string difference = templateDifference(*memApi, bank, t, image);
            if (!difference.empty()) {
                return difference;
            }
        }
        return {};
    }

    // Chooses entry index of the port pop-up as the user would.
    void choosePort(int index)
    {
        bool chosen = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no port pop-up";
            ASSERT_LT(index, menu->actions().size());
            for (int i = 0; i < menu->actions().size(); ++i) {
                EXPECT_EQ(menu->actions().at(i)->text().trimmed(), window->getPortNameList().value(i));
            }
            menu->setActiveAction(menu->actions().at(index));
            QTest::keyClick(menu, Qt::Key_Return);
            chosen = true;
        });
        QTest::mouseClick(panel()->btnMidiPort, Qt::LeftButton);
        EXPECT_TRUE(chosen);
        activate();
    }

    bool online() { return value(*memApi, kOnline) == 1; }
};

TEST_F(AutoSyncFixture, ReachesOnlineAfterAFullReceiveThatMatchesTheSynthesizer)
{
    startSynth();
    core([](zelksim::SynthCore& c, zelksim::Millis now) {
        c.fillPattern(11);
        return c.hardwareSelectTemplate(17, now);
    });
    ASSERT_TRUE(synth->waitUntilSent(2s));
    startWindow(true);
    ASSERT_NE(panel(), nullptr) << "start-up with the synthesizer present asks for auto-sync";
    QPointer<QWidget> guard(panel());
    EXPECT_EQ(panel()->txtMidiPort->text(), kSynthName);
    EXPECT_TRUE(panel()->btnStart->isVisible());
    EXPECT_FALSE(panel()->btnRetry->isVisible());
    EXPECT_FALSE(panel()->lblError->isVisible());
    EXPECT_EQ(panel()->geometry(), QRect(EditorViewPos, QSize(442, 419)));
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("panel-AutoSync"));

    // An announcement that reaches the panel after it finished starts nothing. It is made as the panel
    // hides on its way out: the panel exists then, whenever the event loop deletes it afterwards.
    bool lateAnnouncementIgnored = false;
    EventHook hidden(panel(), QEvent::Hide, [&](QObject*) {
        auto* sync = qobject_cast<AutoSync*>(guard.data());
        ShellPanels::autoSyncActivePort(sync);
        lateAnnouncementIgnored = !sync->isTransferRunning();
    });
    // The synthesizer's active sensing starts the exchange without a key.
    ASSERT_TRUE(kwtest::processUntil([&] { return guard.isNull() || panel()->isTransferRunning(); }));
    ASSERT_TRUE(gone(guard, 30s)) << "auto-sync did not complete";
    EXPECT_TRUE(lateAnnouncementIgnored);
    EXPECT_TRUE(online());
    EXPECT_TRUE(window->lblOnline->isVisible());
    EXPECT_EQ(bankDifference(0, true), "") << "the working bank is the synthesizer's edit buffer";
    EXPECT_EQ(bankDifference(1, false), "") << "the stored data are the synthesizer's stored bank";
    EXPECT_EQ(value(*memApi, kCurrentTemplate), 17) << "the synthesizer's current template survives the copy";
    EXPECT_EQ(memApi->getBankAvailableFlag(2).getCurrentValue(), 1);
    EXPECT_EQ(memApi->getBankAvailableFlag(3).getCurrentValue(), 1);
    EXPECT_EQ(value(*memApi, kFileEditFlag), 1) << "received data count as unsaved";
    EXPECT_TRUE(memApi->isAllowToRaiseFileEditFlag());
    EXPECT_FALSE(memApi->needToWaitAutoSyncDone());
    EXPECT_EQ(window->getLockCount(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->btnWindowClose->isVisible());
}

TEST_F(AutoSyncFixture, SendingLeavesTheSynthesizerMemoryEqualToTheEditor)
{
    startSynth();
    core([](zelksim::SynthCore& c, zelksim::Millis) {
        c.fillPattern(3);
        return 0;
    });
    startWindow(true);
    ASSERT_NE(panel(), nullptr);
    ASSERT_TRUE(gone(QPointer<AutoSync>(panel()), 30s)) << "the first auto-sync did not complete";
    ASSERT_TRUE(online());

    // Offline edits of both banks, then a later synchronisation: it sends, the banks being received now.
    memApi->setONLINEstate(0);
    for (int t = 0; t < kTemplates; ++t) {
        writeTemplate(*memApi, 0, t, zelksim::TemplateImage::pattern(40, t));
        writeTemplate(*memApi, 1, t, zelksim::TemplateImage::pattern(41, t));
    }
    memApi->setParam(kCurrentTemplate, 33);
    // Each acknowledge comes 20 ms late, so that the send of both banks (100 dumps) takes longer than the
    // receive's time-out, which must not end it: a send has a time-out of its own.
    AutoSync::setDefaultTimeouts({500, 600000});
    core([](zelksim::SynthCore& c, zelksim::Millis) {
        c.setReplyDelay(20);
        return 0;
    });
    window->autoSync(true, false);
    ASSERT_NE(panel(), nullptr);
    QPointer<QWidget> guard(panel());
    activate();
    QElapsedTimer sendTime;
    sendTime.start();
    press(panel(), QStringLiteral("Return"));
    ASSERT_TRUE(kwtest::processUntil([&] { return guard.isNull() || panel()->isSending(); }));
    ASSERT_TRUE(kwtest::processUntil(
        [&] { return guard.isNull() || qobject_cast<AutoSync*>(guard.data())->isErrorShown(); }, 30s))
        << "the send neither completed nor failed";
    ASSERT_TRUE(guard.isNull()) << "the send failed after " << sendTime.elapsed() << " ms";
    EXPECT_GT(sendTime.elapsed(), 500) << "the send ended within the receive's time-out: nothing told the two apart";
    EXPECT_TRUE(online());
    EXPECT_EQ(bankDifference(0, true), "") << "the synthesizer's edit buffer is the working bank";
    EXPECT_EQ(bankDifference(1, false), "") << "the synthesizer's stored bank is the stored data";
    EXPECT_EQ(core([](zelksim::SynthCore& c, zelksim::Millis) { return c.currentTemplate(); }), 33);
}

TEST_F(AutoSyncFixture, SilentSynthesizerEndsInTheErrorStateAndRetrySucceedsOnceItAnswers)
{
    // Long enough that the running state is seen before the time-out on a loaded machine.
    AutoSync::setDefaultTimeouts({5000, 5000});
    startSynth();
    setSynthSilent(true);
    startWindow(true);
    ASSERT_NE(panel(), nullptr);
    QPointer<AutoSync> sync(panel());
    activate();
    press(sync, QStringLiteral("Return"));
    ASSERT_TRUE(kwtest::processUntil([&] { return sync->isReceiving(); })) << "Return did not press Start";
    EXPECT_EQ(sync->txtMessage->text(), QStringLiteral("Receiving"));
    EXPECT_TRUE(sync->lblAnimation->isVisible());
    EXPECT_FALSE(sync->btnClose->isVisible());
    EXPECT_FALSE(sync->btnCancel->isVisible());
    EXPECT_FALSE(window->btnWindowClose->isVisible()) << "the window cannot close during a transfer";
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    ASSERT_TRUE(kwtest::processUntil([&] { return !sync->lblAnimation->pixmap().isNull(); }));
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("panel-AutoSync-receiving"));

    ASSERT_TRUE(kwtest::processUntil([&] { return sync->isErrorShown(); }, 60s)) << "no time-out";
    EXPECT_FALSE(sync->isTransferRunning());
    EXPECT_TRUE(sync->lblError->isVisible());
    EXPECT_TRUE(sync->btnRetry->isVisible());
    EXPECT_FALSE(sync->btnStart->isVisible());
    EXPECT_TRUE(sync->btnClose->isVisible());
    EXPECT_TRUE(sync->btnMidiPort->isVisible());
    EXPECT_FALSE(sync->txtMessage->isVisible());
    EXPECT_FALSE(online());
    EXPECT_EQ(memApi->getBankAvailableFlag(2).getCurrentValue(), 0);
    EXPECT_EQ(memApi->getBankAvailableFlag(3).getCurrentValue(), 0);
    EXPECT_FALSE(memApi->getBulkRecieveEnableFlag()) << "late dumps are not stored";
    EXPECT_TRUE(memApi->isAllowToRaiseFileEditFlag());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->btnWindowClose->isVisible());
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("panel-AutoSync-error"));

    // After a failure only the user restarts.
    ShellPanels::autoSyncActivePort(sync);
    EXPECT_FALSE(sync->isTransferRunning());

    setSynthSilent(false);
    AutoSync::setDefaultTimeouts({kTestReceiveMs, kTestSendMs});
    press(sync, QStringLiteral("Return"));
    ASSERT_TRUE(kwtest::processUntil([&] { return sync.isNull() || sync->isTransferRunning(); }))
        << "Return did not press Retry";
    ASSERT_TRUE(gone(sync, 30s)) << "the retried receive did not complete";
    EXPECT_TRUE(online());
    EXPECT_EQ(bankDifference(0, true), "");

    // A synthesizer whose ports vanish in the middle of a send fails it at once, not at its time-out.
    AutoSync::setDefaultTimeouts({600000, 600000});
    setSynthSilent(true);
    window->autoSync(true, true);
    QPointer<AutoSync> sending(panel());
    ASSERT_NE(sending, nullptr);
    sending->btnStart->click();
    ASSERT_TRUE(sending->isSending());
    const int vanishedBefore = memApi->vanishedCount();
    synth.reset();
    ASSERT_TRUE(kwtest::processUntil([&] { return sending->isErrorShown(); }, 30s))
        << "the send outlived the synthesizer";
    EXPECT_GT(memApi->vanishedCount(), vanishedBefore);
    EXPECT_FALSE(sending->isTransferRunning());
    EXPECT_TRUE(sending->btnRetry->isVisible());
    EXPECT_TRUE(sending->btnClose->isVisible());
    EXPECT_TRUE(window->btnWindowClose->isVisible());
    EXPECT_FALSE(online());
    EXPECT_TRUE(kwtest::processUntil([&] { return !window->lblOnline->isVisible(); })) << "the online lamp stayed lit";

    // Back under the same names, it is sent to by the user's Retry over the ports that followed it.
    startQuietSynth();
    sending->btnRetry->click();
    ASSERT_TRUE(gone(sending, 30s)) << "Retry after the synthesizer came back did not succeed";
    EXPECT_TRUE(online());
    EXPECT_EQ(bankDifference(0, true), "");
}

TEST_F(AutoSyncFixture, ActiveSensingAnnouncesTheSynthesizerAndStartsAutoSync)
{
    startSynth();
    core([](zelksim::SynthCore& c, zelksim::Millis) {
        c.fillPattern(5);
        return 0;
    });
    startWindow(false);
    ASSERT_TRUE(window->isRouteOpen());
    EXPECT_EQ(panel(), nullptr) << "nothing asked for auto-sync at start";
    // Looked at as the exchange ends, before the panel hears of it: the whole exchange may run between two
    // looks of a wait.
    bool runningAtItsEnd = false;
    bool fileOpeningWaitedAtItsEnd = false;
    QObject::connect(memApi.get(), &RemoteMemAPI::completeBulkReceive, window.get(), [&] {
        runningAtItsEnd = panel() != nullptr && panel()->isTransferRunning();
        fileOpeningWaitedAtItsEnd = memApi->needToWaitAutoSyncDone();
    });
    ASSERT_TRUE(kwtest::processUntil([&] { return autoSyncsShown() > 0; })) << "the synthesizer was not announced";
    ASSERT_TRUE(gone(QPointer<AutoSync>(panel()), 30s));
    EXPECT_TRUE(runningAtItsEnd) << "the announcement starts the exchange";
    EXPECT_TRUE(fileOpeningWaitedAtItsEnd) << "file opening waits for the exchange";
    EXPECT_EQ(autoSyncsShown(), 1);
    EXPECT_TRUE(online());
    EXPECT_FALSE(memApi->needToWaitAutoSyncDone());
    EXPECT_EQ(bankDifference(0, true), "");

    // An announcement queued while the exchange was finishing arrives once the editor is online.
    memApi->emitPortActivatedSignal();
    QCoreApplication::processEvents();
    EXPECT_FALSE(memApi->needToWaitAutoSyncDone()) << "file opening must not wait for an exchange that never comes";
    EXPECT_EQ(panel(), nullptr);
}

TEST_F(AutoSyncFixture, ReturnPressesOnlyAStartOrRetryButtonThatIsShown)
{
    AutoSync::setDefaultTimeouts({400, 400});
    startQuietSynth();
    setSynthSilent(true);
    startWindow(true);
    ASSERT_NE(panel(), nullptr);
    QPointer<AutoSync> sync(panel());
    activate();

    // Completion signals while nothing of their kind runs change nothing.
    memApi->emitCompleteBulkReceiveSignal();
    memApi->emitCompleteBulkTransmitSignal();
    QTest::qWait(50);
    ASSERT_FALSE(sync.isNull());
    EXPECT_FALSE(online());

    choosePort(0);
    EXPECT_EQ(sync->txtMidiPort->text(), PortNotAssigned);
    EXPECT_EQ(sync->selectedPortIndex(), 0);
    EXPECT_FALSE(sync->btnStart->isVisible());
    EXPECT_FALSE(sync->btnRetry->isVisible());
    press(sync, QStringLiteral("Return"));
    press(sync, QStringLiteral("Enter"));
    QTest::qWait(250);
    EXPECT_FALSE(sync->isTransferRunning());
    EXPECT_FALSE(sync->isErrorShown());
    EXPECT_TRUE(window->isRouteOpen()) << "a hidden Start must not drop the route";
    EXPECT_EQ(window->getPortIndex(), 1);

    choosePort(1);
    EXPECT_TRUE(sync->btnStart->isVisible());
    press(sync, QStringLiteral("Enter"));
    ASSERT_TRUE(kwtest::processUntil([&] { return sync->isErrorShown(); }, 60s));

    choosePort(1);
    EXPECT_TRUE(sync->btnRetry->isVisible()) << "after a failure the port choice shows Retry";
    EXPECT_FALSE(sync->btnStart->isVisible());
    choosePort(0);
    EXPECT_FALSE(sync->btnRetry->isVisible());
    press(sync, QStringLiteral("Return"));
    QTest::qWait(250);
    EXPECT_FALSE(sync->isTransferRunning());
    EXPECT_TRUE(window->isRouteOpen());

    press(sync, QStringLiteral("Escape"));
    EXPECT_TRUE(gone(sync));
}

TEST_F(AutoSyncFixture, CloseDuringATransferIsRefusedAndFileOpeningKeepsWaiting)
{
    // Long enough that the refusals are tried before the time-out on a loaded machine.
    AutoSync::setDefaultTimeouts({10000, 10000});
    zelksim::SynthOptions slow;
    slow.replyDelay = 600000;
    startSynth(slow);
    startWindow(true);
    ASSERT_NE(panel(), nullptr);
    QPointer<AutoSync> sync(panel());
    ASSERT_TRUE(kwtest::processUntil([&] { return sync->isTransferRunning(); })) << "sensing did not start it";
    ASSERT_TRUE(memApi->needToWaitAutoSyncDone());
    activate();

    press(sync, QStringLiteral("Escape"));
    QMetaObject::invokeMethod(sync, "close");
    QTest::qWait(250);
    ASSERT_FALSE(sync.isNull());
    EXPECT_TRUE(sync->isVisible());
    EXPECT_TRUE(memApi->needToWaitAutoSyncDone()) << "a refused close lets file opening wait on";
    EXPECT_FALSE(window->close()) << "the window stays while the transfer runs";

    ASSERT_TRUE(kwtest::processUntil([&] { return sync->isErrorShown(); }, 60s));
    EXPECT_TRUE(memApi->needToWaitAutoSyncDone());
    QTest::mouseClick(sync->btnCancel, Qt::LeftButton);
    ASSERT_TRUE(gone(sync));
    EXPECT_FALSE(memApi->needToWaitAutoSyncDone()) << "Cancel is the panel's own close";
    EXPECT_FALSE(online());
}

TEST_F(AutoSyncFixture, ReceiveWithoutTheEditBufferSendsAndLeavesBankThreeUnavailable)
{
    startQuietSynth();
    core([](zelksim::SynthCore& c, zelksim::Millis) {
        c.fillPattern(21);
        return 0;
    });
    startWindow(false);
    ASSERT_TRUE(window->isRouteOpen());
    for (int t = 0; t < kTemplates; ++t) {
        writeTemplate(*memApi, 0, t, zelksim::TemplateImage::pattern(60, t));
    }
    window->autoSync(true, true);
    ASSERT_NE(panel(), nullptr);
    QPointer<AutoSync> sync(panel());
    QTest::mouseClick(sync->btnStart, Qt::LeftButton);
    ASSERT_TRUE(sync->isReceiving());
    ASSERT_TRUE(kwtest::processUntil([&] { return sync.isNull() || sync->isSending(); }, 30s))
        << "a receive for a file goes on to send";
    ASSERT_TRUE(gone(sync, 30s));
    EXPECT_TRUE(online());
    EXPECT_EQ(memApi->getBankAvailableFlag(2).getCurrentValue(), 1);
    EXPECT_EQ(memApi->getBankAvailableFlag(3).getCurrentValue(), 0) << "the edit buffer was never received";
    EXPECT_EQ(bankDifference(0, true), "") << "the editor's working bank went to the synthesizer";
    EXPECT_NE(templateDifference(*memApi, 1, 0, zelksim::TemplateImage::pattern(21, 0)), "")
        << "received data are not adopted when the editor sends afterwards";
}

TEST_F(AutoSyncFixture, PendingFileOpenKeepsTheReceivedDataUnflagged)
{
    QPointer<AutoSync> sync = startWaitingPanel();
    ASSERT_FALSE(sync.isNull());
    memApi->setFileOpenRequestFlag(true);
    QTest::mouseClick(sync->btnStart, Qt::LeftButton);
    ASSERT_TRUE(gone(sync, 30s));
    EXPECT_TRUE(online());
    EXPECT_FALSE(memApi->isFileOpenRequestExist());
    EXPECT_EQ(value(*memApi, kFileEditFlag), 0);
}

TEST_F(AutoSyncFixture, CloseButtonLetsFileOpeningGoOnWithoutTouchingMemory)
{
    QPointer<AutoSync> sync = startWaitingPanel();
    ASSERT_FALSE(sync.isNull());
    memApi->setNeedToWaitAutoSyncDoneFlag(true);
    QTest::mouseClick(sync->btnClose, Qt::LeftButton);
    ASSERT_TRUE(gone(sync));
    EXPECT_FALSE(memApi->needToWaitAutoSyncDone());
    EXPECT_FALSE(online());
    EXPECT_EQ(memApi->getBankAvailableFlag(2).getCurrentValue(), 0);
    EXPECT_EQ(window->getLockCount(), 0);
}

TEST_F(AutoSyncFixture, RouteThatCannotOpenFailsAtOnceAndItsErrorFollowsThePanel)
{
    QPointer<AutoSync> sync = startWaitingPanel();
    ASSERT_FALSE(sync.isNull());
    ASSERT_TRUE(window->isRouteOpen());
    synth.reset();
    // The route is closed meanwhile, so the start must open the panel's port set again, which is gone.
    window->setPortIndex(0);
    QTest::mouseClick(sync->btnStart, Qt::LeftButton);
    EXPECT_TRUE(sync->isErrorShown()) << "a transfer without a route fails at once";
    EXPECT_FALSE(sync->isTransferRunning());
    EXPECT_FALSE(window->isRouteOpen());
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr) << "the port error waits while the panel holds the window";

    QTest::mouseClick(sync->btnCancel, Qt::LeftButton);
    ASSERT_TRUE(gone(sync));
    ASSERT_NE(window->portOpenErrorPanel(), nullptr);
    EXPECT_EQ(window->portOpenErrorPanel()->property("portName").toString(), kSynthName);
    EXPECT_FALSE(online());
}

TEST_F(AutoSyncFixture, SendEndThatMeetsTheVanishingInEitherOrderFailsAndTheReturnSyncsAgain)
{
    AutoSync::setDefaultTimeouts({600000, 600000});
    startSynth();
    startWindow(false);
    ASSERT_TRUE(kwtest::processUntil([&] { return autoSyncsShown() > 0; })) << "the synthesizer was not announced";
    ASSERT_TRUE(gone(QPointer<AutoSync>(panel()), 30s)) << "the first exchange did not complete";
    // The send's completion (the last acknowledge's, queued by the MIDI thread) and the news that the
    // synthesizer went, queued too, may reach the panel in either order: in both the editor ends offline.
    for (const bool completionFirst : {true, false}) {
        SCOPED_TRACE(completionFirst ? "completion first" : "vanishing first");
        ASSERT_TRUE(online());
        // Acknowledges come too late to end the send by themselves.
        core([](zelksim::SynthCore& c, zelksim::Millis) {
            c.setReplyDelay(600000);
            return 0;
        });
        memApi->setStoreFlag(true);
        window->autoSync(true, true);
        QPointer<AutoSync> sending(panel());
        ASSERT_NE(sending, nullptr);
        sending->btnStart->click();
        ASSERT_TRUE(sending->isSending());
        const int vanishedBefore = memApi->vanishedCount();
        if (completionFirst) {
            const QSignalBlocker newsHeldBack(memApi.get());
            synth.reset();
            ASSERT_TRUE(kwtest::processUntil([&] { return memApi->vanishedCount() > vanishedBefore; }))
                << "the synthesizer's ports went unnoticed";
            QMetaObject::invokeMethod(sending.data(), "bulkSended");
        } else {
            synth.reset();
            ASSERT_TRUE(kwtest::processUntil([&] { return sending->isErrorShown(); }))
                << "the send outlived the synthesizer";
            QMetaObject::invokeMethod(sending.data(), "bulkSended");
        }
        emit memApi->synthesizerVanished();
        QCoreApplication::processEvents();
        EXPECT_FALSE(online()) << "the send counted as done for a synthesizer that went";
        ASSERT_TRUE(sending && sending->isErrorShown()) << "the panel showed no error";
        EXPECT_TRUE(memApi->isStorePending()) << "the store did not reach the synthesizer that went";

        // Closed instead of retried: the synthesizer's return starts the auto-sync, which sends the store.
        sending->btnClose->click();
        ASSERT_TRUE(gone(sending));
        const int shownBefore = autoSyncsShown();
        startSynth();
        ASSERT_TRUE(kwtest::processUntil([&] { return autoSyncsShown() > shownBefore; }, 30s))
            << "the synthesizer's return started no auto-sync";
        ASSERT_TRUE(gone(QPointer<AutoSync>(panel()), 30s)) << "the auto-sync on its return did not complete";
        EXPECT_TRUE(online());
        EXPECT_FALSE(memApi->isStorePending());
        EXPECT_EQ(core([](zelksim::SynthCore& c, zelksim::Millis) { return c.stats().stores; }), 1);
        EXPECT_EQ(bankDifference(0, true), "");
    }
}
