#include "PanelFixture.h"

#include "AnalyzeQPXi.h"
#include "ConfirmPanels.h"
#include "EditorDefinitions.h"
#include "EditorLibrary.h"
#include "EditorTemplate.h"
#include "PluginMachine.h"
#include "RemoteMemAPI.h"
#include "Setup.h"
#include "ShellPanels.h"

#include "COnOffButton.h"
#include "CText.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QMutex>
#include <QSignalSpy>
#include <QTimer>

#include <csignal>
#include <functional>

namespace {

using namespace std::chrono_literals;
using kwtest::finderResult;

const QString kSynthName = QStringLiteral("Telvor ZELK6/ZELK8");
const QString kDAW = QStringLiteral("Sonvik 8");
const QString kOtherInstalledDAW = QStringLiteral("Sonvik 7");
// Long enough that no finder that works is cut short on a loaded machine (a sanitizer build starting
// processes at a load of 25 on 8 cores takes seconds); a hanging finder is ended by the test instead.
constexpr int kFinderTimeoutMs = 30000;

} // namespace

// The shell over a computer laid out in a temporary folder: two DAWs installed, the stand-in finder in
// place, and the finder time-out set through the settings.
class ScanSetupFixture : public PanelFixture
{
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        machine.installFinder();
        machine.installDAW(kDAW, kDAW, {qpx2Folder()});
        machine.installDAW(kOtherInstalledDAW, kOtherInstalledDAW, {qpx2Folder()});
        QPXiMachine places;
        places.root = machine.root();
        places.home = machine.home();
        EditorMainWindow::setPluginPlaces(EditorMainWindow::PluginPlaces{places, machine.finderFolder()});
        auto stored = settings();
        stored.setValue(QLatin1String(QPXiInfo::kFinderTimeoutSettingKey), kFinderTimeoutMs);
        stored.sync();
    }

    void TearDown() override
    {
        PanelFixture::TearDown();
        EditorMainWindow::setPluginPlaces(std::nullopt);
    }

    QString qpx2Folder() const { return machine.base() + QStringLiteral("/qpx2"); }
    void addInstrument(const QString& name, const QByteArray& control = {})
    {
        machine.addPlugin(machine.userQpx3Folder(), name + QStringLiteral(".qpx3"),
                          control.isEmpty() ? finderResult({"1", name, "1", "5", "Cutoff", "0"}) : control);
    }
    void chooseDAW(const QString& name)
    {
        auto stored = settings();
        stored.setValue(QStringLiteral("DAWName"), name);
        stored.sync();
    }
    AnalyzeQPXi* scanPanel() const { return qobject_cast<AnalyzeQPXi*>(window->analyzeQPXiPanel()); }
    ::Setup* setupPanel() const { return qobject_cast<::Setup*>(window->setupPanel()); }

    // Waits for the scan panel that is up now to finish and go; false when there is none or it stays.
    bool scanRunsToItsEnd()
    {
        QPointer<AnalyzeQPXi> scan = scanPanel();
        return !scan.isNull() && gone(scan, 60s);
    }

    // Opens the pull-down's pop-up and picks entry index (or -1 for none) as the user would, after
    // check(menu) has looked at the open pop-up.
    void pickFromPopup(COnOffButton* pullDown, int index, const std::function<void(QMenu*)>& check = {})
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no pop-up";
            seen = true;
            if (check) {
                check(menu);
            }
            if (index < 0) {
                menu->close();
                return;
            }
            menu->setActiveAction(menu->actions().at(index));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTest::mouseClick(pullDown, Qt::LeftButton);
        EXPECT_TRUE(seen);
    }

    kwtest::PluginMachine machine;
};

TEST_F(ScanSetupFixture, ScanAtStartNamesEachFileMergesTheDatabaseAndThenLetsTheWaitingPanelsIn)
{
    for (const QString& name : {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")}) {
        addInstrument(name);
    }
    const QString hangingPid = machine.base() + QStringLiteral("/hanging.pid");
    addInstrument(QStringLiteral("Hanging"), "hang=1\npid-file=" + hangingPid.toUtf8() + "\n");
    addInstrument(QStringLiteral("Crashing"), "crash=1\n");
    chooseDAW(kDAW);
    startWindow(false);

    // No synthesizer: the port-not-found panel waits for the scan panel shown at start.
    QPointer<AnalyzeQPXi> scan = scanPanel();
    ASSERT_NE(scan, nullptr) << "a chosen DAW is scanned at start";
    EXPECT_EQ(window->portNotFoundPanel(), nullptr);
    EXPECT_EQ(scan->geometry(), QRect(EditorViewPos, QSize(442, 419)));
    EXPECT_EQ(scan->txtMessage->text(), QStringLiteral("Scanning QPXi"));
    EXPECT_FALSE(scan->isScanRunning()) << "nothing is scanned before the panel has been shown";
    EXPECT_TRUE(QObject::disconnect(scan.data(), SIGNAL(finished()), window->getTemplateEditor(), SLOT(updateDAW())) &&
                QObject::disconnect(scan.data(), SIGNAL(finished()), window->getLibraryEditor(), SLOT(updateDAW())))
        << "the scan's end reloads both views";
    QObject::connect(scan.data(), SIGNAL(finished()), window->getTemplateEditor(), SLOT(updateDAW()));
    QObject::connect(scan.data(), SIGNAL(finished()), window->getLibraryEditor(), SLOT(updateDAW()));
    QSignalSpy finished(scan.data(), SIGNAL(finished()));

    // What the file line shows after each announcement, and the scan thread's priority.
    QStringList lines;
    QMutex mutex;
    QThread::Priority priority = QThread::InheritPriority;
    QObject::connect(window->getQPXiInfo(), &QPXiInfo::analyzingQPXi, scan,
                     [&] { lines.append(scan->txtAnalyzeFile->text()); });
    QObject::connect(
        window->getQPXiInfo(), &QPXiInfo::analyzingQPXi, window.get(),
        [&] {
            QMutexLocker locker(&mutex);
            priority = QThread::currentThread()->priority();
        },
        Qt::DirectConnection);

    ASSERT_TRUE(kwtest::processUntil([&] { return !scan.isNull() && !scan->txtAnalyzeFile->text().isEmpty(); }, 20s))
        << "the scan named no file";
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_FALSE(window->close()) << "the window stays while the scan runs";
    EXPECT_FALSE(static_cast<QWidget*>(scan.data())->close()) << "the panel cannot be closed";
    EXPECT_FALSE(window->btnWindowClose->isVisible());
    kwtest::processUntil([&] { return scan->lblAnimation->pixmap().width() > 0; });
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("panel-AnalyzeQPXi"));

    EXPECT_EQ(window->getQPXiInfo()->finderTimeout(), kFinderTimeoutMs)
        << "the settings' finder time-out was not taken";
    // The hanging finder ends as the time-out would end it: killed.
    QByteArray pid;
    ASSERT_TRUE(kwtest::processUntil(
        [&] {
            QFile file(hangingPid);
            pid = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            return pid.endsWith('\n');
        },
        120s))
        << "the hanging plug-in's finder never ran";
    ASSERT_EQ(::kill(static_cast<pid_t>(pid.trimmed().toLongLong()), SIGKILL), 0);
    ASSERT_TRUE(gone(scan, 120s)) << "the scan did not end";
    EXPECT_EQ(finished.size(), 1);
    {
        QMutexLocker locker(&mutex);
        EXPECT_EQ(priority, QThread::LowestPriority);
    }
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), QString()) << "the line is empty after the last file";
    for (const char* name : {"Alpha", "Beta", "Gamma", "Hanging", "Crashing"}) {
        EXPECT_TRUE(lines.contains(QStringLiteral("[File: %1.qpx3]").arg(QLatin1String(name)))) << name;
    }
    const QStringList instruments = window->getQPXiInfo()->getQPXiList();
    for (const char* name : {"Alpha", "Beta", "Gamma"}) {
        EXPECT_TRUE(instruments.contains(QLatin1String(name))) << name << " was not merged";
    }
    EXPECT_FALSE(instruments.contains(QStringLiteral("Hanging")));
    EXPECT_FALSE(instruments.contains(QStringLiteral("Crashing")));
    EXPECT_TRUE(QFileInfo::exists(getAppDataDirectory().absoluteFilePath(QStringLiteral("QPXiDatabase.xml"))));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the wait cursor is restored";
    EXPECT_TRUE(window->btnWindowClose->isVisible());
    EXPECT_NE(window->portNotFoundPanel(), nullptr) << "the waiting panel comes once the scan panel is gone";
}

TEST_F(ScanSetupFixture, PanelScansOnceAndIsNeverDeletedWithItsThreadRunning)
{
    addInstrument(QStringLiteral("Slow"), finderResult({"1", "Slow", "0"}) + "delay-ms=400\n");
    chooseDAW(OtherDAW);
    startBareWindow();

    // A second show event while the scan runs, and a start after its thread ended, start nothing more.
    QPointer<AnalyzeQPXi> scan = place(new AnalyzeQPXi(window.get(), kDAW));
    ASSERT_TRUE(kwtest::processUntil([&] { return scan->isScanRunning(); })) << "the scan did not start";
    scan->hide();
    scan->show();
    bool restartedAfterTheEnd = true;
    QObject::connect(scan, &AnalyzeQPXi::finished, [&] {
        QMetaObject::invokeMethod(scan, "start");
        restartedAfterTheEnd = scan->isScanRunning();
    });
    ASSERT_TRUE(gone(scan, 30s));
    EXPECT_FALSE(restartedAfterTheEnd);
    EXPECT_EQ(machine.finderRuns().size(), 1);

    // The window goes while a scan runs (the program ends another way): the scan is let finish first.
    machine.resetFinderLog();
    window->getQPXiInfo()->initializeDatabase();
    scan = place(new AnalyzeQPXi(window.get(), kDAW));
    ASSERT_TRUE(kwtest::processUntil([&] { return scan->isScanRunning(); })) << "the second scan did not start";
    stopWindow();
    EXPECT_EQ(machine.finderRuns().size(), 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ScanSetupFixture, SetupChangesTheDAWAndTheScanFollowsOnceSetupIsGone)
{
    addInstrument(QStringLiteral("Alpha"));
    chooseDAW(OtherDAW);
    startQuietSynth();
    startWindow(false);
    activate();
    ASSERT_EQ(window->getDAWList(), (QStringList{OtherDAW, kOtherInstalledDAW, kDAW}));

    QMetaObject::invokeMethod(window.get(), "fileSetup");
    QPointer<::Setup> setup = setupPanel();
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->geometry(), QRect(EditorViewPos, QSize(442, 419)));
    EXPECT_EQ(setup->txtMidiPort->text(), kSynthName);
    EXPECT_EQ(setup->txtDAWName->text(), OtherDAW);
    EXPECT_GE(kwtest::textContrast(setup->txtMidiPort), 4.5);
    EXPECT_GE(kwtest::textContrast(setup->txtDAWName), 4.5);
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("panel-Setup"));

    // Each pop-up drops just under its pull-down, as wide as it, with the names padded.
    pickFromPopup(setup->btnMidiPort, -1, [&](QMenu* menu) {
        EXPECT_EQ(menu->pos(), setup->mapToGlobal(QPoint(89, 167)));
        EXPECT_EQ(menu->width(), 265);
        ASSERT_EQ(menu->actions().size(), 2);
        EXPECT_EQ(menu->actions().at(0)->text().trimmed(), PortNotAssigned);
        EXPECT_LE(QFontMetrics(menu->font()).horizontalAdvance(menu->actions().at(0)->text()), 229);
        EXPECT_GT(QFontMetrics(menu->font()).horizontalAdvance(menu->actions().at(0)->text() + ' '), 229);
        kwtest::saveAppScreenshotWithPopup(window.get(), menu, QStringLiteral("panel-Setup-port-popup"));
    });
    pickFromPopup(setup->btnDAWName, 2, [&](QMenu* menu) {
        EXPECT_EQ(menu->pos(), setup->mapToGlobal(QPoint(89, 215)));
        kwtest::saveAppScreenshotWithPopup(window.get(), menu, QStringLiteral("panel-Setup-DAW-popup"));
    });
    EXPECT_EQ(setup->txtDAWName->text(), kDAW);
    EXPECT_EQ(window->getDAWName(), OtherDAW) << "nothing is applied before OK";

    // Escape presses Close: the choice is dropped.
    activate();
    press(setup, QStringLiteral("Escape"));
    ASSERT_TRUE(gone(setup));
    EXPECT_EQ(window->getDAWName(), OtherDAW);
    EXPECT_EQ(window->analyzeQPXiPanel(), nullptr);

    // Return presses OK: the DAW is stored and its scan comes once Setup is gone.
    QMetaObject::invokeMethod(window.get(), "fileSetup");
    setup = setupPanel();
    pickFromPopup(setup->btnDAWName, 2);
    activate();
    press(setup, QStringLiteral("Return"));
    ASSERT_TRUE(kwtest::processUntil([&] { return setup.isNull() || !setup->isVisible(); }));
    EXPECT_EQ(window->getDAWName(), kDAW);
    EXPECT_EQ(settings().value(QStringLiteral("DAWName")).toString(), kDAW);
    EXPECT_TRUE(window->isRouteOpen()) << "the unchanged port set keeps its route";
    ASSERT_TRUE(gone(setup));
    QPointer<AnalyzeQPXi> scan = scanPanel();
    ASSERT_NE(scan, nullptr) << "a new DAW is scanned";
    ASSERT_TRUE(gone(scan, 30s));
    EXPECT_TRUE(window->getQPXiInfo()->getQPXiList().contains(QStringLiteral("Alpha")));

    // OK without a change starts no scan.
    QMetaObject::invokeMethod(window.get(), "fileSetup");
    setup = setupPanel();
    QTest::mouseClick(setup->btnOK, Qt::LeftButton);
    ASSERT_TRUE(gone(setup));
    EXPECT_EQ(window->analyzeQPXiPanel(), nullptr);
    EXPECT_TRUE(window->isRouteOpen());
}

TEST_F(ScanSetupFixture, SetupChangesThePortSetAndAFailedOpenIsShownAfterSetupIsGone)
{
    startQuietSynth();
    auto stored = settings();
    stored.setValue(QStringLiteral("PortName"), PortNotAssigned);
    stored.sync();
    chooseDAW(OtherDAW);
    startWindow(false);
    ASSERT_FALSE(window->isRouteOpen());

    QMetaObject::invokeMethod(window.get(), "fileSetup");
    QPointer<::Setup> setup = setupPanel();
    EXPECT_EQ(setup->txtMidiPort->text(), PortNotAssigned);
    pickFromPopup(setup->btnMidiPort, 1);
    EXPECT_EQ(setup->txtMidiPort->text(), kSynthName);
    QTest::mouseClick(setup->btnOK, Qt::LeftButton);
    ASSERT_TRUE(gone(setup));
    EXPECT_TRUE(window->isRouteOpen()) << "the chosen set's route is opened";
    EXPECT_EQ(window->getPortIndex(), 1);
    EXPECT_EQ(settings().value(QStringLiteral("PortName")).toString(), kSynthName);

    // "Not Assigned" drops the route and is stored as the port setting.
    QMetaObject::invokeMethod(window.get(), "fileSetup");
    setup = setupPanel();
    pickFromPopup(setup->btnMidiPort, 0);
    QTest::mouseClick(setup->btnOK, Qt::LeftButton);
    ASSERT_TRUE(gone(setup));
    EXPECT_EQ(window->getPortIndex(), 0);
    EXPECT_EQ(settings().value(QStringLiteral("PortName")).toString(), PortNotAssigned);

    // A set that vanished after the list was read fails to open; its error waits for Setup to go.
    QMetaObject::invokeMethod(window.get(), "fileSetup");
    setup = setupPanel();
    pickFromPopup(setup->btnMidiPort, 1);
    synth.reset();
    QTest::mouseClick(setup->btnOK, Qt::LeftButton);
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr) << "the error comes only once Setup is gone";
    ASSERT_TRUE(gone(setup));
    ASSERT_NE(window->portOpenErrorPanel(), nullptr);
    EXPECT_EQ(window->portOpenErrorPanel()->property("portName").toString(), kSynthName);
    ASSERT_TRUE(closePanel(window->portOpenErrorPanel()));

    // The set is gone from the refreshed list: Setup shows the not-assigned entry.
    QMetaObject::invokeMethod(window.get(), "fileSetup");
    setup = setupPanel();
    EXPECT_EQ(setup->txtMidiPort->text(), PortNotAssigned);
}

TEST_F(ScanSetupFixture, FullScanAndUpdateRebuildTheDatabaseOfTheChosenDAWOnly)
{
    addInstrument(QStringLiteral("Alpha"));
    machine.addPlugin(machine.userQpx3Folder(), QStringLiteral("Effect.qpx3"), "exit=3\n");
    chooseDAW(kDAW);
    startWindow(false);
    ASSERT_TRUE(scanRunsToItsEnd());
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    EXPECT_TRUE(window->qpxiDatabaseAction()->isEnabled());
    EXPECT_EQ(machine.finderRuns().size(), 2);

    // Update forgets only which plug-ins are no instruments: those alone are examined again.
    machine.resetFinderLog();
    QMetaObject::invokeMethod(window.get(), "fileQPXiDatabaseUpdate");
    ASSERT_TRUE(scanRunsToItsEnd());
    ASSERT_EQ(machine.finderRuns().size(), 1);
    EXPECT_TRUE(machine.finderRuns().at(0).contains(QStringLiteral("Effect")));

    // Full Scan starts from an empty database: every plug-in is examined again.
    machine.resetFinderLog();
    QMetaObject::invokeMethod(window.get(), "fileQPXiDatabaseFullScan");
    ASSERT_TRUE(scanRunsToItsEnd());
    EXPECT_EQ(machine.finderRuns().size(), 2);
    EXPECT_TRUE(window->getQPXiInfo()->getQPXiList().contains(QStringLiteral("Alpha")));

    // The library view and a DAW without plug-ins to scan switch the submenu off.
    window->viewLibrary();
    EXPECT_FALSE(window->qpxiDatabaseAction()->isEnabled());
    window->viewTemplate();
    window->setDAWName(OtherDAW);
    EXPECT_FALSE(window->qpxiDatabaseAction()->isEnabled());
    QMetaObject::invokeMethod(window.get(), "fileQPXiDatabaseFullScan");
    EXPECT_EQ(scanPanel(), nullptr);
}

TEST_F(ScanSetupFixture, EveryPanelTextStandsOutFromThePictureBehindIt)
{
    chooseDAW(OtherDAW);
    startBareWindow();
    const std::function<QWidget*()> panels[] = {
        [&] { return ShellPanels::createAbout(window.get()); },
        [&] { return ShellPanels::createAutoSync(window.get(), false, true); },
        [&] { return ShellPanels::createPortNotFound(window.get()); },
        [&] { return ShellPanels::createCloseConfirm(window.get(), CloseConfirm::CloseMainWindow); },
        [&] { return ShellPanels::createSetup(window.get()); },
        [&] { return new AnalyzeQPXi(window.get(), OtherDAW); },
    };
    for (const auto& create : panels) {
        QWidget* panel = create();
        for (const CText* text : panel->findChildren<CText*>()) {
            EXPECT_GE(kwtest::textContrast(text), 4.5)
                << panel->objectName().toStdString() << " " << text->objectName().toStdString();
        }
        delete panel;
    }
}
