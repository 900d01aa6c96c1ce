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
        ASSERT_TRUE(kwtest::processUntil([&] { return other.canReadLine(); }, 60s))
            << "the second zelk-sim never said ready";
        ASSERT_TRUE(other.readLine().startsWith("ready"));
    }
    QString askOther(const QString& command)
    {
        other.write(command.toUtf8() + '\n');
        if (!kwtest::processUntil([&] { return other.canReadLine(); }, 30s))
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

    QProcess other;
};

} // namespace

TEST_F(TwoSynths, TheEditorOffersBothLinksThePortsOfTheChosenOneAndReceivesFromItAlone)
{
    startSim({"--fill", "5"});
    startOther({"--fill", "6", "--template", "12"});
    const QString second = device + QStringLiteral(" (2)");
    settings().setValue(QStringLiteral("PortName"), second);
    memApi = std::make_unique<RemoteMemAPI>();
    window = std::make_unique<EditorMainWindow>(memApi.get(), true);
    window->show();
    g_pEditorMainWindow = window.get();

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
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, 120s))
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
    ASSERT_TRUE(kwtest::processUntil([&] { return window->autoSyncPanel() != nullptr || !online(); }, 30s));
    ASSERT_TRUE(kwtest::processUntil([&] { return syncedAndIdle(); }, 120s))
        << "the editor did not synchronise with the first synthesizer: " << syncState();
    const QString after = ask(QStringLiteral("status"));
    EXPECT_TRUE(requestsIn(after) > 0 || after.contains(QRegularExpression(QStringLiteral("dumps accepted [1-9]"))))
        << "the first synthesizer heard nothing: " << after.toStdString();
    EXPECT_EQ(requestsIn(askOther(QStringLiteral("status"))), otherRequests) << "the second one was still asked";
}
