// The editor against zelk-sim running as a program of its own on the machine's MIDI system (JACK): what
// the synthesizer records of the editor's pace while the user stores, starts a new bank and opens a file
// online, each of which sends with a follow-up (store, store to flash), and messages lost on the way.
#include "ZelkSimFixture.h"

#include "ConfirmPanels.h"
#include "EditorTemplate.h"
#include "ParamAddress.h"

#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using namespace std::chrono_literals;

const ParamAddress kBankEdited(ParamAddress::kBankEditFlagBank, -1, -1, -1);
const ParamAddress kFileEdited(ParamAddress::kFileEditFlagBank, -1, -1, -1);

// Delivers the synthesizer's announcement the moment an auto-sync panel first shows, the earliest it can
// reach the window: the panel then starts its send before the code that made it goes on.
class AnnounceOnPanelShow : public QObject
{
public:
    explicit AnnounceOnPanelShow(RemoteMemAPI* api) : m_api(api) { qApp->installEventFilter(this); }
    ~AnnounceOnPanelShow() override { qApp->removeEventFilter(this); }
    bool announced() const { return m_announced; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_announced && event->type() == QEvent::Show && qobject_cast<AutoSync*>(watched)) {
            m_announced = true;
            m_api->emitPortActivatedSignal();
        }
        return false;
    }

private:
    RemoteMemAPI* m_api;
    bool m_announced = false;
};

class SynthPace : public ZelkSimFixture
{
protected:
    SynthPace() : ZelkSimFixture(QLatin1Char('P')) {}

    void SetUp() override
    {
        ZelkSimFixture::SetUp();
        // The system's own time-outs: a transfer that loses a message takes seconds longer.
        AutoSync::setDefaultTimeouts({});
    }

    // A number that follows a label in zelk-sim's answer ("dropped 2"); -1 when absent.
    static int numberAfter(const QString& line, const QString& label)
    {
        const QRegularExpressionMatch m =
            QRegularExpression(QRegularExpression::escape(label) + QStringLiteral(" (-?\\d+)")).match(line);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

    // zelk-sim's record of the editor's pace; -1 for what it does not say (a store never heard).
    struct Flow
    {
        QString line;
        int dumps = -1;
        int early = -1;
        int repeated = -1;
        int acksOut = -1;
        int storeAfter = -1;
        int storeUnsent = -1;
        int flashAfter = -1;
        int flashUnsent = -1;
    };
    Flow flow()
    {
        Flow f;
        f.line = ask(QStringLiteral("flow"));
        f.dumps = numberAfter(f.line, QStringLiteral("dumps"));
        f.early = numberAfter(f.line, QStringLiteral("begun early"));
        f.repeated = numberAfter(f.line, QStringLiteral("repeated"));
        f.acksOut = numberAfter(f.line, QStringLiteral("acknowledges out"));
        const QRegularExpression placed(QStringLiteral("(store|flash) after (\\d+) \\((\\d+) unsent\\)"));
        for (auto it = placed.globalMatch(f.line); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const bool store = m.captured(1) == QStringLiteral("store");
            (store ? f.storeAfter : f.flashAfter) = m.captured(2).toInt();
            (store ? f.storeUnsent : f.flashUnsent) = m.captured(3).toInt();
        }
        return f;
    }

    // The store button and both lamps, as the view shows them now.
    bool storeShown(EditorTemplate* v)
    {
        const bool shown = v->btnStore->isVisible();
        EXPECT_EQ(v->lblStoreFlash->isVisible(), shown);
        EXPECT_EQ(v->lblBankEditFlag->isVisible(), shown);
        return shown;
    }
};

} // namespace

TEST_F(SynthPace, StoreFollowsTheSynthesizerAndSendsKeepOnePaceThroughLostMessages)
{
    // The footer of the third dump the synthesizer sends is lost: the start-up receive asks again.
    startSim({"--fill", "5", "--fault", "drop-footer=3"});
    startWindow();
    ASSERT_NE(window->autoSyncPanel(), nullptr) << "no auto-sync at start";
    ASSERT_TRUE(kwtest::processUntil([&] { return synchronised(); }, paced(90s)))
        << "the receive that lost a footer did not complete";
    QString status = ask(QStringLiteral("status"));
    EXPECT_EQ(numberAfter(status, QStringLiteral("dropped")), 1) << status.toStdString();
    EXPECT_GE(numberAfter(status, QStringLiteral("requests")), 101) << "the request of the lost footer went again";
    EXPECT_TRUE(status.contains(QStringLiteral("bank stored"))) << status.toStdString();

    // Online, the store button follows the synthesizer's bank edit flag: hidden while it is clear...
    EditorTemplate* v = window->getTemplateEditor();
    activate();
    EXPECT_EQ(memApi->getParam(kBankEdited).getCurrentValue(), 0);
    EXPECT_FALSE(storeShown(v));
    // ...shown once an edit made here reached the synthesizer, which tells its flag back.
    v->editTemplateName->setFocus();
    v->editTemplateName->selectAll();
    QTest::keyClicks(v->editTemplateName, QStringLiteral("Stored Pad"));
    QTest::keyClick(v->editTemplateName, Qt::Key_Return);
    ASSERT_TRUE(kwtest::processUntil([&] { return storeShown(v); }, paced(30s))) << "an edit online did not show STORE";
    EXPECT_EQ(memApi->getParam(kBankEdited).getCurrentValue(), 1);
    EXPECT_TRUE(ask(QStringLiteral("status")).contains(QStringLiteral("bank edited")));
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("template-store-after-edit"));

    // Store -> YES: the synthesizer stores and clears its flag, and the button and lamps go.
    QTest::mouseClick(v->btnStore, Qt::LeftButton);
    QPointer<StoreConfirm> question = window->findChild<StoreConfirm*>();
    ASSERT_FALSE(question.isNull()) << "STORE asked nothing";
    press(question, QStringLiteral("Y"));
    ASSERT_TRUE(gone(question));
    ASSERT_TRUE(kwtest::processUntil([&] { return !storeShown(v); }, paced(30s))) << "Store -> YES left STORE shown";
    EXPECT_EQ(memApi->getParam(kBankEdited).getCurrentValue(), 0);
    status = ask(QStringLiteral("status"));
    EXPECT_TRUE(status.contains(QStringLiteral("bank stored"))) << status.toStdString();
    EXPECT_EQ(numberAfter(status, QStringLiteral("stores")), 1);
    EXPECT_TRUE(online());
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("template-store-after-yes"));

    // File > New online sends the empty edit buffer with the store as follow-up; the seventh acknowledge
    // on the way is lost, so one dump goes twice.
    EXPECT_EQ(ask(QStringLiteral("fault drop-ack 7")), QStringLiteral("ok"));
    memApi->setParam(kFileEdited, 0L);
    {
        // The send may start as soon as File > New shows its panel: the store must be asked for already.
        AnnounceOnPanelShow announcement(memApi.get());
        window->fileNew();
        ASSERT_TRUE(announcement.announced());
    }
    ASSERT_NE(window->autoSyncPanel(), nullptr);
    ASSERT_TRUE(kwtest::processUntil([&] { return synchronised(); }, paced(120s)))
        << "the send after File > New did not complete";
    EXPECT_FALSE(memApi->isStorePending()) << "the store was left for a later send";
    status = askUntil(QStringLiteral("status"),
                      [](const QString& line) { return numberAfter(line, QStringLiteral("stores")) == 2; });
    EXPECT_EQ(numberAfter(status, QStringLiteral("stores")), 2) << "no store after File > New";
    EXPECT_EQ(numberAfter(status, QStringLiteral("dropped")), 2) << status.toStdString();
    ASSERT_TRUE(kwtest::processUntil([&] { return !storeShown(v); }, paced(30s))) << "the sent bank was stored";
    EXPECT_TRUE(ask(QStringLiteral("status")).contains(QStringLiteral("bank stored")));
    // One chain: no dump began before the acknowledge of the one before it went out, and the store came
    // when every acknowledge had gone out. The dump whose acknowledge was lost went twice.
    Flow f = flow();
    EXPECT_EQ(f.early, 0) << f.line.toStdString();
    EXPECT_GE(f.repeated, 1) << f.line.toStdString();
    EXPECT_EQ(f.dumps - f.acksOut, 1) << "one acknowledge lost, every other dump acknowledged: "
                                      << f.line.toStdString();
    EXPECT_GE(f.acksOut, 50);
    EXPECT_EQ(f.storeAfter, f.acksOut) << "the store did not follow the send's last acknowledge: "
                                       << f.line.toStdString();
    EXPECT_EQ(f.storeUnsent, 0);
    EXPECT_EQ(f.flashAfter, -1);
    const int acksBeforeOpen = f.acksOut;

    // File > Open online sends both banks with the store to flash as follow-up.
    QTemporaryDir folder;
    const QString bankFile = folder.filePath(QStringLiteral("Live Set.Q9E"));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable(kResourceDirVariable) + QStringLiteral("/BankPreset1.Q9E"), bankFile));
    memApi->setParam(kFileEdited, 0L);
    fileAnswer = bankFile;
    EXPECT_TRUE(window->fileOpen());
    ASSERT_NE(window->autoSyncPanel(), nullptr);
    ASSERT_TRUE(kwtest::processUntil([&] { return synchronised(); }, paced(120s)))
        << "the send after File > Open did not complete";
    EXPECT_FALSE(memApi->isStoreToFlashSending()) << "the store to flash was left for a later send";
    status = askUntil(QStringLiteral("status"),
                      [](const QString& line) { return numberAfter(line, QStringLiteral("flash")) == 1; });
    EXPECT_EQ(numberAfter(status, QStringLiteral("flash")), 1) << "no store to flash after File > Open";
    f = flow();
    EXPECT_EQ(f.early, 0) << f.line.toStdString();
    EXPECT_GE(f.acksOut - acksBeforeOpen, 100) << f.line.toStdString();
    EXPECT_EQ(f.dumps - f.acksOut, 1) << "no acknowledge lost this time: " << f.line.toStdString();
    EXPECT_EQ(f.flashAfter, f.acksOut) << f.line.toStdString();
    EXPECT_EQ(f.flashUnsent, 0);
    EXPECT_EQ(f.storeAfter, acksBeforeOpen) << "no store this time";
    // The edit buffer dumps changed the synthesizer's edit buffer, and nothing stored it since.
    ASSERT_TRUE(kwtest::processUntil([&] { return storeShown(v); }, paced(30s))) << "STORE did not follow the flag";
    EXPECT_TRUE(status.contains(QStringLiteral("bank edited"))) << status.toStdString();
}
