// Two synthesizers of one name, each zelk-sim as a program of its own on the machine's MIDI system (JACK
// here, the ALSA sequencer elsewhere): the editor offers both and works with the one chosen, all its
// ports of that one.
#include "ZelkSimFixture.h"

#include "Setup.h"

#include <QMenu>
#include <QRegularExpression>
#include <QTimer>

namespace {

using namespace std::chrono_literals;

const ParamAddress kCurrentTemplate(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);

class TwoSynths : public ZelkSimFixture
{
protected:
    TwoSynths() : ZelkSimFixture(QLatin1Char('T')) {}

    void TearDown() override
    {
        kwtest::endProcess(other, std::chrono::seconds(20));
        ZelkSimFixture::TearDown();
    }
    // The second synthesizer, under the same device name.
    void startOther(const QStringList& extra)
    {
        other.setStandardErrorFile(kwtest::isolatedRoot() + QStringLiteral("/zelk-sim-T2.err"), QIODevice::Append);
        other.start(QStringLiteral(KW_ZELK_SIM), QStringList{"--name", device, "--sense", "100"} + extra);
        ASSERT_TRUE(other.waitForStarted(10000)) << "the second zelk-sim did not start";
        ASSERT_TRUE(kwtest::processUntil([&] { return other.canReadLine(); }, paced(60s)))
            << "the second zelk-sim never said ready";
        ASSERT_TRUE(other.readLine().startsWith("ready"));
        waitUntilListed(sim.state() == QProcess::Running ? 2 : 1);
    }
    QString askOther(const QString& command)
    {
        other.write(command.toUtf8() + '\n');
        if (!kwtest::processUntil([&] { return other.canReadLine(); }, paced(30s)))
            return QStringLiteral("(the second zelk-sim did not answer %1)").arg(command);
        return QString::fromUtf8(other.readLine()).trimmed();
    }
    static int requestsIn(const QString& status)
    {
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("; requests ([0-9]+),")).match(status);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    }
    // The entry "n;name" of a port number in the directory's list of a direction.
    QString entryOf(int id, bool input)
    {
        const QString prefix = QString::number(id) + QLatin1Char(';');
        for (const QString& entry : input ? memApi->getInputPortList() : memApi->getOutputPortList()) {
            if (entry.startsWith(prefix))
                return entry.mid(prefix.size());
        }
        return QStringLiteral("(no port %1)").arg(id);
    }

    // A digest of the second synthesizer's whole memory (both banks, byte by byte), its current template
    // and bank edit flag.
    QString otherMemory()
    {
        const QString memory = askOther(QStringLiteral("memory"));
        EXPECT_TRUE(memory.startsWith(QStringLiteral("memory stored "))) << memory.toStdString();
        return memory;
    }
    static QString writesIn(const QString& status)
    {
        const QRegularExpression counts(QStringLiteral("template [0-9]+, bank [a-z]+|dumps accepted [0-9]+|changes "
                                                       "[0-9]+|selects [0-9]+|stores [0-9]+|flash [0-9]+"));
        QStringList found;
        for (auto it = counts.globalMatch(status); it.hasNext();)
            found.append(it.next().captured(0));
        return found.join(QStringLiteral(", "));
    }
    // Opens File > Setup and hands back what its port field and pop-up show, the pop-up closed unchanged (and
    // pictured under screenshot, when one is named).
    QStringList setupShows(QString* field, const QString& screenshot = {})
    {
        QMetaObject::invokeMethod(window.get(), "fileSetup");
        QPointer<::Setup> setup = qobject_cast<::Setup*>(window->setupPanel());
        if (!setup)
            return {QStringLiteral("(no Setup panel)")};
        *field = setup->txtMidiPort->text();
        QStringList offered;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                offered.append(action->text().trimmed());
            if (!screenshot.isEmpty())
                kwtest::saveAppScreenshotWithPopup(window.get(), menu, screenshot);
            menu->close();
        });
        QTest::mouseClick(setup->btnMidiPort, Qt::LeftButton);
        // OK with the choice as it was: nothing of the route may change.
        setup->btnOK->click();
        kwtest::processUntil([&] { return setup.isNull(); });
        return offered;
    }
    long editorCC(int templ, int knob)
    {
        return memApi->getParam(ParamAddress(0, templ, knob, ParamAddress::kCCNumberParam)).getCurrentValue();
    }

    QProcess other;
};

} // namespace

TEST_F(TwoSynths, TheEditorOffersBothLinksThePortsOfTheChosenOneAndReceivesFromItAlone)
{
    startSim({"--fill", "5"});
    startOther({"--fill", "6", "--template", "12"});
    const QString second = device + QStringLiteral(" (2)");
    settings().setValue(QStringLiteral("PortName"), second);
    startWindow(pacedMs(kPatientAnswerMs), kPatientRetries);

    // Both are offered, each with the ports of its own.
    const QStringList names = window->getPortNameList().filter(device);
    EXPECT_EQ(names.join(QStringLiteral(", ")).toStdString(), (device + QStringLiteral(", ") + second).toStdString());
    EXPECT_EQ(window->getPortNameList().value(window->getPortIndex()).toStdString(), second.toStdString())
        << "the saved choice was not taken";
    for (const EditorMainWindow::PortInfo& info : window->getPortInfoList()) {
        if (!info.name.startsWith(device))
            continue;
        SCOPED_TRACE(info.name.toStdString());
        EXPECT_EQ(entryOf(info.activeSenseInputId, true).toStdString(), (info.name + " Port1").toStdString());
        EXPECT_EQ(entryOf(info.communicationInputId, true).toStdString(), (info.name + " Port5").toStdString());
        EXPECT_EQ(entryOf(info.communicationOutputId, false).toStdString(), (info.name + " Port5").toStdString());
    }

    // The auto-sync at start receives from the second synthesizer; the first hears no request.
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(120s)))
        << "the receive from the second synthesizer did not complete: " << syncState();
    EXPECT_EQ(memApi->getParam(kCurrentTemplate).getCurrentValue(), 12) << "the editor is on another template";
    const long cc = memApi->getParam(ParamAddress(0, 12, 1, ParamAddress::kCCNumberParam)).getCurrentValue();
    EXPECT_TRUE(askOther(QStringLiteral("show 12 1")).contains(QStringLiteral(" cc %1 ").arg(cc)))
        << "the editor's memory is not the second synthesizer's";
    const QString firstStatus = ask(QStringLiteral("status"));
    EXPECT_EQ(requestsIn(firstStatus), 0) << "the first synthesizer was asked: " << firstStatus.toStdString();
    const int otherRequests = requestsIn(askOther(QStringLiteral("status")));
    EXPECT_GT(otherRequests, 0);

    // The user picks the first one in File > Setup: the editor synchronises with it, and with it alone.
    QMetaObject::invokeMethod(window.get(), "fileSetup");
    QPointer<::Setup> setup = qobject_cast<::Setup*>(window->setupPanel());
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->txtMidiPort->text(), second);
    bool picked = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no port pop-up";
        QStringList offered;
        for (QAction* action : menu->actions())
            offered.append(action->text().trimmed());
        EXPECT_TRUE(offered.contains(device) && offered.contains(second)) << offered.join(", ").toStdString();
        kwtest::saveAppScreenshotWithPopup(window.get(), menu, QStringLiteral("panel-Setup-two-synthesizers"));
        menu->setActiveAction(menu->actions().at(static_cast<int>(offered.indexOf(device))));
        QTest::keyClick(menu, Qt::Key_Return);
        picked = true;
    });
    QTest::mouseClick(setup->btnMidiPort, Qt::LeftButton);
    ASSERT_TRUE(picked);
    EXPECT_EQ(setup->txtMidiPort->text(), device);
    setup->btnOK->click();
    ASSERT_TRUE(kwtest::processUntil([&] {
        return setup.isNull() && window->getPortNameList().value(window->getPortIndex()) == device;
    })) << "the first synthesizer was not chosen";
    ASSERT_TRUE(kwtest::processUntil([&] { return window->autoSyncPanel() != nullptr || !online(); }, paced(30s)));
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(120s)))
        << "the editor did not synchronise with the first synthesizer: " << syncState();
    const QString after = ask(QStringLiteral("status"));
    EXPECT_TRUE(requestsIn(after) > 0 || after.contains(QRegularExpression(QStringLiteral("dumps accepted [1-9]"))))
        << "the first synthesizer heard nothing: " << after.toStdString();
    EXPECT_EQ(requestsIn(askOther(QStringLiteral("status"))), otherRequests) << "the second one was still asked";
}

// The synthesizer the editor works with is switched off for good while another of its name stays: the other
// is listed under the plain name now, but the editor goes offline and never sends it a byte (its memory
// would be replaced by the editor's); File > Setup shows the one that is there and the one the editor waits
// for, marked as not present. Switched on again, the editor's own synthesizer is synchronised by itself.
TEST_F(TwoSynths, TheLinkedOneSwitchedOffForGoodLeavesTheOtherUntouchedAndIsFollowedBack)
{
    startSim({"--fill", "5", "--template", "7"});
    startOther({"--fill", "6", "--template", "12"});
    const QString second = device + QStringLiteral(" (2)");
    startWindow(pacedMs(kPatientAnswerMs), kPatientRetries);
    ASSERT_EQ(window->getPortNameList().value(window->getPortIndex()).toStdString(), device.toStdString());
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(120s)))
        << "the receive from the first synthesizer did not complete: " << syncState();
    ASSERT_EQ(memApi->getParam(kCurrentTemplate).getCurrentValue(), 7);
    const QString before = otherMemory();
    const QString otherStatus = askOther(QStringLiteral("status"));
    ASSERT_EQ(requestsIn(otherStatus), 0) << otherStatus.toStdString();

    // Switched off for good: the editor goes offline, and stays so with the other one sensing all along.
    stopSim();
    ASSERT_TRUE(kwtest::processUntil([&] { return !online() && !memApi->isMIDIRouteLinked(); }, paced(30s)))
        << "the editor stayed online after its synthesizer went";
    EXPECT_FALSE(kwtest::processUntil([&] { return online() || memApi->isMIDIRouteLinked(); }, 5s))
        << "the editor went over to the other synthesizer of its name";
    const QString after = askOther(QStringLiteral("status"));
    EXPECT_EQ(requestsIn(after), 0) << "the other synthesizer was asked: " << after.toStdString();
    EXPECT_EQ(writesIn(after).toStdString(), writesIn(otherStatus).toStdString()) << after.toStdString();
    EXPECT_EQ(otherMemory().toStdString(), before.toStdString()) << "the other synthesizer's memory changed";

    // File > Setup lists the one that is there under the name it has now, and the one the editor waits for;
    // OK with that choice leaves the other alone.
    QString field;
    const QStringList offered =
        setupShows(&field, QStringLiteral("panel-Setup-synthesizer-not-present")).filter(device);
    const QString waiting = device + QStringLiteral(" \u2013 not present");
    EXPECT_EQ(offered.join(QStringLiteral(" | ")).toStdString(),
              (device + QStringLiteral(" | ") + waiting).toStdString());
    EXPECT_EQ(field.toStdString(), waiting.toStdString());
    EXPECT_FALSE(kwtest::processUntil([&] { return online() || memApi->isMIDIRouteLinked(); }, 2s))
        << "OK in File > Setup took the other synthesizer";
    EXPECT_EQ(requestsIn(askOther(QStringLiteral("status"))), 0);

    // Switched on again (it keeps its memory): listed second now, followed, ONLINE and in step by itself.
    startSim({"--fill", "5", "--template", "7"});
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(120s)))
        << "the editor's synthesizer switched on again was not synchronised with";
    EXPECT_TRUE(window->lblOnline->isVisible());
    EXPECT_EQ(memApi->getParam(kCurrentTemplate).getCurrentValue(), 7);
    const long cc = (editorCC(7, 3) + 1) % 128;
    ASSERT_TRUE(memApi->setParam(ParamAddress(0, 7, 3, ParamAddress::kCCNumberParam), cc));
    EXPECT_TRUE(simSays(QStringLiteral("show 7 3"), QStringLiteral(" cc %1 ").arg(cc)))
        << "an edit did not reach the editor's synthesizer";
    EXPECT_EQ(window->getPortNameList().value(window->getPortIndex()).toStdString(), second.toStdString());
    const QString last = askOther(QStringLiteral("status"));
    EXPECT_EQ(requestsIn(last), 0) << last.toStdString();
    EXPECT_EQ(writesIn(last).toStdString(), writesIn(otherStatus).toStdString());
    EXPECT_EQ(otherMemory().toStdString(), before.toStdString()) << "the other synthesizer's memory changed";
}

// The editor works with the second of two synthesizers of one name; the first is switched off: the editor
// stays ONLINE with the second, which is listed under the plain name now, and File > Setup shows that one
// synthesizer once, chosen.
TEST_F(TwoSynths, TheSecondKeepsTheEditorWhenTheFirstGoesAndSetupListsItOnce)
{
    startSim({"--fill", "5"});
    startOther({"--fill", "6", "--template", "12"});
    settings().setValue(QStringLiteral("PortName"), device + QStringLiteral(" (2)"));
    startWindow(pacedMs(kPatientAnswerMs), kPatientRetries);
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, paced(120s)))
        << "the receive from the second synthesizer did not complete: " << syncState();
    ASSERT_EQ(memApi->getParam(kCurrentTemplate).getCurrentValue(), 12);

    stopSim();
    EXPECT_FALSE(kwtest::processUntil([&] { return !online() || !memApi->isMIDIRouteLinked(); }, 3s))
        << "the editor lost the second synthesizer when the first went";
    const long cc = (editorCC(12, 4) + 1) % 128;
    ASSERT_TRUE(memApi->setParam(ParamAddress(0, 12, 4, ParamAddress::kCCNumberParam), cc));
    const QString shown = askOther(QStringLiteral("show 12 4"));
    EXPECT_TRUE(kwtest::processUntil(
        [&] { return askOther(QStringLiteral("show 12 4")).contains(QStringLiteral(" cc %1 ").arg(cc)); }, paced(30s)))
        << "the edit did not reach the second synthesizer: " << shown.toStdString();

    QString field;
    const QStringList offered = setupShows(&field).filter(device);
    EXPECT_EQ(offered.join(QStringLiteral(" | ")).toStdString(), device.toStdString()) << "one synthesizer is there";
    EXPECT_EQ(field.toStdString(), device.toStdString());
    EXPECT_TRUE(online() && memApi->isMIDIRouteLinked()) << "OK in File > Setup moved the route";
    EXPECT_EQ(settings().value(QStringLiteral("PortName")).toString().toStdString(), device.toStdString());
}
