// The editor against zelk-sim running as a program of its own on the machine's MIDI system (JACK): after
// every failure the editor says what is true. An edit dropped when the encoder gives up outside a panel
// reaches the synthesizer at the next synchronisation; a receive whose asked value is lost asks again or
// fails, never succeeds with a wrong value; an error that a later success made stale is not shown.
#include "ZelkSimFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

using namespace std::chrono_literals;

const ParamAddress kCurrentTemplate(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
const ParamAddress kBankEdited(ParamAddress::kBankEditFlagBank, -1, -1, -1);
const ParamAddress kFileEdited(ParamAddress::kFileEditFlagBank, -1, -1, -1);
// No step of these tests comes near it: only what a test does takes the editor offline.
constexpr int kWatchNeverTripsMs = 600000;

class SynthFailure : public ZelkSimFixture
{
protected:
    SynthFailure() : ZelkSimFixture(QLatin1Char('F')) {}

    // The window with auto-sync at start and the encoder's patience with an unanswered message: where a
    // test makes the encoder give up, two copies of 0.3 s on an idle machine, not the shipped four of 1 s.
    void startWindowWith(int answerTimeoutMs, int answerRetries)
    {
        startWindow(answerTimeoutMs, answerRetries, kWatchNeverTripsMs);
    }
    AutoSync* panel() const { return qobject_cast<AutoSync*>(window->autoSyncPanel()); }
    bool syncedAndIdle() { return online() && panel() == nullptr && window->getLockCount() == 0; }
    long value(const ParamAddress& address) { return memApi->getParam(address).getCurrentValue(); }
    ParamAddress cc(int templ, int knob) { return ParamAddress(0, templ, knob, ParamAddress::kCCNumberParam); }
    static QString knobCC(long number) { return QStringLiteral(" cc %1 ").arg(number); }
    // A number that is not the one given, for an edit that changes something.
    static long other(long number) { return (number + 37) % 128; }
    void expectErrorLook(AutoSync* sync)
    {
        EXPECT_TRUE(sync->lblError->isVisible());
        EXPECT_TRUE(sync->btnRetry->isVisible());
        EXPECT_FALSE(sync->isTransferRunning());
        EXPECT_FALSE(online());
    }
};

} // namespace

TEST_F(SynthFailure, AnEditDroppedWhenTheEncoderGivesUpOutsideAPanelReachesTheSynthesizerAtTheNextSync)
{
    startSim({"--fill", "5"});
    startWindowWith(pacedMs(300), 1);
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(60s)))
        << "no synchronisation at start: " << syncState();
    ASSERT_TRUE(memApi->activateCurrentTemplateNumber(3));
    ASSERT_TRUE(simSays("status", QStringLiteral("template 3,")));
    const long copied = other(value(cc(20, 5)));
    ASSERT_TRUE(memApi->setParam(cc(3, 0), copied));
    ASSERT_TRUE(simSays("show 3 0", knobCC(copied)));

    // The synthesizer loses both acknowledges of the next dump (it and its copy), its active sensing
    // going on all the while. A knob copied into template 20 goes in a dump; an edit of template 3, the
    // current one, waits behind it as parameter changes.
    ASSERT_EQ(ask("fault drop-ack 1"), "ok");
    ASSERT_EQ(ask("fault drop-ack 2"), "ok");
    QSignalSpy abandoned(memApi.get(), &RemoteMemAPI::transferAbandoned);
    ASSERT_TRUE(memApi->copyController(0, 3, 0, 0, 20, 5));
    const long edited = other(value(cc(3, 1)));
    ASSERT_TRUE(memApi->setParam(cc(3, 1), edited));

    // The encoder gives up: the editor is offline at once, as for a lost synthesizer, though no panel runs.
    ASSERT_TRUE(kwtest::processUntil([&] { return abandoned.count() > 0; }, paced(30s))) << "the encoder never gave up";
    EXPECT_FALSE(online()) << "ONLINE stayed on after what was queued was dropped";
    ASSERT_TRUE(kwtest::processUntil([&] { return !window->lblOnline->isVisible() || panel() != nullptr; }))
        << "the online lamp stayed lit";

    // The synthesizer's next announcement synchronises: the dump and the edit that were dropped arrive.
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(60s)))
        << "the synthesizer that answers again was not synchronised with";
    EXPECT_TRUE(simSays("show 3 1", knobCC(edited))) << "the edit queued behind the dump never arrived";
    EXPECT_TRUE(simSays("show 20 5", knobCC(copied))) << "the copied knob never arrived";
    EXPECT_TRUE(ask("status").startsWith("template 3,"));
    EXPECT_EQ(abandoned.count(), 1);
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr);
    EXPECT_TRUE(messages.isEmpty());

    // In step again, an edit goes out as before.
    const long later = other(edited);
    ASSERT_TRUE(memApi->setParam(cc(3, 1), later));
    EXPECT_TRUE(simSays("show 3 1", knobCC(later)));
}

TEST_F(SynthFailure, AReceiveWhoseAskedValueIsLostAsksAgainOrFailsIntoRetryButNeverSucceedsWithAWrongValue)
{
    // The synthesizer is on template 28 with its bank edited at the panel. It loses the answers to the
    // first, second and fourth parameter requests: the first receive's bank edit flag request and its
    // copy, then the second receive's current template number request once.
    startSim({"--fill", "6", "--template", "28", "-c", "edit name Edited Here", "--fault", "drop-answer=1", "--fault",
              "drop-answer=2", "--fault", "drop-answer=4"});
    ASSERT_TRUE(ask("status").startsWith("template 28, bank edited"));
    startWindowWith(pacedMs(300), 1);
    QPointer<AutoSync> sync(panel());
    ASSERT_NE(sync, nullptr) << "no auto-sync at start";
    ASSERT_TRUE(kwtest::processUntil([&] { return sync.isNull() || sync->isErrorShown(); }, paced(60s)))
        << "the receive neither failed nor ended";
    ASSERT_FALSE(sync.isNull()) << "the receive succeeded without the bank edit flag (editor: template "
                                << value(kCurrentTemplate) << ", bank edit flag " << value(kBankEdited) << ")";
    expectErrorLook(sync);
    EXPECT_EQ(memApi->getBankAvailableFlag(2).getCurrentValue(), 0) << "the failed receive was taken";

    // Retry asks again: the number lost once is asked again, and the receive is exact.
    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return sync.isNull(); }, paced(60s))) << "Retry did not succeed";
    EXPECT_TRUE(online());
    EXPECT_EQ(value(kCurrentTemplate), 28);
    EXPECT_EQ(value(kBankEdited), 1);
    EXPECT_EQ(memApi->getParamQString(ParamAddress(0, 28, ParamAddress::kTemplateNameController, -1)),
              QStringLiteral("Edited Here"));
    const QString status = ask("status");
    EXPECT_TRUE(status.contains("dropped 3;")) << status.toStdString();
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SynthFailure, APortErrorOfAnEarlierRetryIsNotShownOverTheSendThatSucceededAfterIt)
{
    startSim({"--fill", "7"});
    startWindowWith(pacedMs(kPatientAnswerMs), kPatientRetries);
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(60s)))
        << "no synchronisation at start: " << syncState();

    // File > Open while ONLINE sends both banks and the store to flash; replies come late enough that
    // the send still runs when the synthesizer is switched off.
    QTemporaryDir folder;
    const QString bankFile = folder.filePath(QStringLiteral("Live Set.Q9E"));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable(kResourceDirVariable) + QStringLiteral("/BankPreset1.Q9E"), bankFile));
    ASSERT_EQ(ask("fault delay 40"), "ok");
    memApi->setParam(kFileEdited, 0L);
    fileAnswer = bankFile;
    ASSERT_TRUE(window->fileOpen());
    QPointer<AutoSync> sync(panel());
    ASSERT_NE(sync, nullptr);
    ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isSending(); }, paced(30s))) << "no send started";
    stopSim();
    ASSERT_TRUE(kwtest::processUntil([&] { return sync && sync->isErrorShown(); }, paced(60s)))
        << "the send did not fail when the synthesizer was switched off";

    // Retry while it is still off: the port cannot be opened, and the send fails again.
    ASSERT_TRUE(kwtest::processUntil([&] { return !memApi->isMIDIRouteLinked(); }, paced(30s)));
    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return sync->isErrorShown() && !sync->isTransferRunning(); }, paced(30s)));
    EXPECT_FALSE(memApi->hasMIDIInput()) << "the port opened although the synthesizer is off";

    // Back on, Retry sends it all, with the store to flash, and nothing tells of the failure before.
    startSim({"--fill", "8"});
    sync->btnRetry->click();
    ASSERT_TRUE(kwtest::processUntil([&] { return online() && sync.isNull(); }, paced(60s))) << "Retry did not succeed";
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr) << "the stale port error was shown over the success";
    EXPECT_EQ(window->getLockCount(), 0);
    EXPECT_TRUE(messages.isEmpty());
    const QString flow = askUntil("flow", [](const QString& line) { return line.contains("flash after"); });
    EXPECT_EQ(flow, "flow: dumps 100, begun early 0, repeated 0, acknowledges out 100; store none; "
                    "flash after 100 (0 unsent)");
    EXPECT_FALSE(memApi->isStoreToFlashSending());
    // Nothing shows later either: the window takes a file again at once.
    EXPECT_TRUE(window->canOpen());
}
