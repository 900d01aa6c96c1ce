#include "ShellFixture.h"

#include "EditorDefinitions.h"
#include "ParamAddress.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>

namespace {

const QString kSynthName = QStringLiteral("Telvor ZELK6/ZELK8");

} // namespace

TEST_F(ShellFixture, StartWithoutPortsShowsPortNotFoundAndOpensNoRoute)
{
    startWindow(true);

    EXPECT_EQ(window->getPortNameList(), QStringList{PortNotAssigned});
    EXPECT_EQ(window->getPortIndex(), 0);
    EXPECT_FALSE(window->isRouteOpen());
    ASSERT_NE(window->portNotFoundPanel(), nullptr);
    EXPECT_TRUE(window->portNotFoundPanel()->isVisible());
    EXPECT_EQ(window->portNotFoundPanel()->pos(), EditorViewPos);
    EXPECT_EQ(window->autoSyncPanel(), nullptr) << "no route, so no auto-sync at start";
    EXPECT_EQ(window->getLockCount(), 1);
    EXPECT_FALSE(window->getMenuBar()->isEnabled());
    EXPECT_FALSE(window->btnWindowContract->isVisible()) << "a panel forces the large layout";
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("main-window-port-not-found"));

    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    EXPECT_EQ(window->getLockCount(), 0);
    EXPECT_TRUE(window->getMenuBar()->isEnabled());
    EXPECT_FALSE(settings().contains(QStringLiteral("PortName"))) << "the start writes no port name";
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("main-window"));
}

TEST_F(ShellFixture, StartBuildsNineBanksWithTheFactoryPresetsInBankEight)
{
    startWindow(false);

    EXPECT_EQ(memApi->getQuantityOfBank(), 9);
    EXPECT_TRUE(messages.isEmpty()) << "the factory preset bank loads without a message";
    EXPECT_EQ(memApi->getParamQString(ParamAddress(8, 0, ParamAddress::kTemplateNameController, -1)),
              QStringLiteral("Preset 01"));
    EXPECT_EQ(memApi->getBankAvailableFlag(0).getCurrentValue(), 1);
    EXPECT_EQ(memApi->getBankAvailableFlag(1).getCurrentValue(), 1);
    EXPECT_EQ(memApi->getBankAvailableFlag(2).getCurrentValue(), 0);
    EXPECT_EQ(memApi->getParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1)).getCurrentValue(), 0);
    // Empty templates start from the factory bank's last template: knob A1 answers control change 21.
    EXPECT_EQ(memApi->getParam(ParamAddress(0, 7, 0, ParamAddress::kCCNumberParam)).getCurrentValue(), 21);
    EXPECT_TRUE(QFileInfo(getAppDataDirectory().path()).isDir()) << "the data folder is made at start";
    EXPECT_EQ(window->getDAWList().value(0), OtherDAW);
    EXPECT_EQ(window->getDAWName(), OtherDAW) << "no DAW installed here";
    EXPECT_FALSE(window->qpxiDatabaseAction()->isEnabled());
}

TEST_F(ShellFixture, MissingPresetBankIsReportedAndTheEditorStillStarts)
{
    QTemporaryDir empty;
    const QByteArray saved = qgetenv(kResourceDirVariable);
    qputenv(kResourceDirVariable, empty.path().toLocal8Bit());
    startWindow(false);
    qputenv(kResourceDirVariable, saved);

    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.at(0).title, EditorName);
    EXPECT_EQ(messages.at(0).icon, QMessageBox::Critical);
    EXPECT_TRUE(messages.at(0).text.startsWith(QStringLiteral("Bank Preset : "))) << messages.at(0).text.toStdString();
    EXPECT_EQ(memApi->getQuantityOfBank(), 9);
}

TEST_F(ShellFixture, StartWithTheSynthesizerOpensItsRouteAndAsksForAutoSync)
{
    startSynth();
    startWindow(true);

    ASSERT_EQ(window->getPortNameList(), (QStringList{PortNotAssigned, kSynthName}));
    EXPECT_EQ(window->getPortIndex(), 1);
    EXPECT_TRUE(window->isRouteOpen());
    EXPECT_EQ(window->portNotFoundPanel(), nullptr);
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr);
    ASSERT_NE(window->autoSyncPanel(), nullptr);
    EXPECT_TRUE(window->autoSyncPanel()->isVisible());
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("main-window-auto-sync-at-start"));

    // The synthesizer's active sensing on port 1 reaches the window over the watched input and starts the
    // auto-sync, which holds file opening back until it ends (in-process it may end between two looks: only
    // the auto-sync makes the editor ONLINE).
    ASSERT_TRUE(kwtest::processUntil([&] { return memApi->needToWaitAutoSyncDone() || memApi->isONLINE(); }))
        << "active sensing was not seen on the watched port";
    EXPECT_TRUE(kwtest::processUntil([&] { return !memApi->isWatchPortActivate(); }));
}

TEST_F(ShellFixture, NamedFileAtStartAsksForNoAutoSync)
{
    startSynth();
    startWindow(false);
    EXPECT_TRUE(window->isRouteOpen());
    EXPECT_EQ(window->autoSyncPanel(), nullptr);
}

TEST_F(ShellFixture, NotAssignedPortOpensNothingAndShowsNoPanel)
{
    startSynth();
    auto stored = settings();
    stored.setValue(QStringLiteral("PortName"), PortNotAssigned);
    stored.sync();
    startWindow(true);

    EXPECT_EQ(window->getPortIndex(), 0);
    EXPECT_FALSE(window->isRouteOpen());
    EXPECT_EQ(window->getLockCount(), 0);
    EXPECT_EQ(window->autoSyncPanel(), nullptr);
    EXPECT_EQ(window->portNotFoundPanel(), nullptr);
}

TEST_F(ShellFixture, SettingsSurviveARestart)
{
    startSynth();
    startWindow(false);
    window->move(123, 145);
    window->btnWindowStaysOnTop->click();
    EXPECT_TRUE(window->isOnTop());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->controlWindowSize();
    window->setDAWName(OtherDAW);
    window->setPortIndex(1);
    EXPECT_EQ(settings().value(QStringLiteral("PortName")).toString(), kSynthName);
    EXPECT_EQ(settings().value(QStringLiteral("DAWName")).toString(), OtherDAW);
    stopWindow();

    startWindow(false);
    EXPECT_EQ(window->pos(), QPoint(123, 145));
    EXPECT_TRUE(window->isOnTop());
    EXPECT_TRUE(window->btnWindowStaysOnTop->isChecked());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isShrink());
    EXPECT_EQ(window->getDAWName(), OtherDAW);
    EXPECT_EQ(window->getPortIndex(), 1);
    EXPECT_TRUE(window->isRouteOpen());
    // The window starts large; the small layout comes with the first layout pass.
    EXPECT_EQ(window->size(), EditorWindowLargeSize);
    window->updateWindowSize();
    EXPECT_EQ(window->size(), EditorWindowSmallSize);
}

TEST_F(ShellFixture, BrokenOrPartialWindowSettingsAreIgnored)
{
    auto stored = settings();
    stored.setValue(QStringLiteral("WindowX"), 300);
    stored.setValue(QStringLiteral("WindowShrink"), 2);
    stored.setValue(QStringLiteral("WindowOnTop"), QStringLiteral("yes"));
    stored.setValue(QStringLiteral("DAWName"), QStringLiteral("Gone DAW"));
    stored.sync();
    startWindow(false);
    EXPECT_NE(window->x(), 300) << "without WindowY the window is not moved";
    EXPECT_FALSE(window->isShrink());
    EXPECT_FALSE(window->isOnTop());
    EXPECT_EQ(window->getDAWName(), OtherDAW);
}

TEST_F(ShellFixture, RestoredPositionKeepsTwentyPixelsOnTheScreen)
{
    auto stored = settings();
    stored.setValue(QStringLiteral("WindowX"), -5000);
    stored.setValue(QStringLiteral("WindowY"), 90000);
    stored.sync();
    startWindow(false);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->x(), area.x() + 20 - window->width());
    EXPECT_EQ(window->y(), area.y() + area.height() - 20);
}

TEST_F(ShellFixture, PanelsRequestedWhileLockedAppearOneByOneInTheirOrder)
{
    // Without active sensing: an announcement at a random moment would ask for one more auto-sync.
    startQuietSynth();
    startWindow(false);
    ASSERT_TRUE(window->isRouteOpen());
    window->viewStore();
    ASSERT_EQ(window->getLockCount(), 1);

    window->portNotFound();
    window->portOpenError(QStringLiteral("ignored while locked"));
    window->setPortName(QStringLiteral("Broken Port"));
    window->autoSync(true, false);
    window->autoSync(false, true);
    window->analyzeQPXi();
    EXPECT_EQ(window->autoSyncPanel(), nullptr);
    EXPECT_EQ(window->analyzeQPXiPanel(), nullptr);

    QWidget* store = window->findChild<QWidget*>(QStringLiteral("StoreConfirm"));
    ASSERT_TRUE(closePanel(store));
    ASSERT_NE(window->analyzeQPXiPanel(), nullptr) << "the scan comes first";
    EXPECT_EQ(window->autoSyncPanel(), nullptr);
    EXPECT_EQ(window->getLockCount(), 1);

    ASSERT_TRUE(closePanel(window->analyzeQPXiPanel()));
    ASSERT_NE(window->autoSyncPanel(), nullptr) << "auto-sync second";
    EXPECT_EQ(window->autoSyncPanel()->property("sendAfterReceive").toBool(), false) << "the last request's flags";
    EXPECT_EQ(window->autoSyncPanel()->property("editBufferOnly").toBool(), true);
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr);

    ASSERT_TRUE(closePanel(window->autoSyncPanel()));
    ASSERT_NE(window->portOpenErrorPanel(), nullptr) << "the port error third";
    EXPECT_EQ(window->portOpenErrorPanel()->property("portName").toString(), QStringLiteral("Broken Port"));
    EXPECT_EQ(window->portNotFoundPanel(), nullptr);

    ASSERT_TRUE(closePanel(window->portOpenErrorPanel()));
    ASSERT_NE(window->portNotFoundPanel(), nullptr) << "port not found last";
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    EXPECT_EQ(window->getLockCount(), 0);
    EXPECT_TRUE(window->getMenuBar()->isEnabled());
}

TEST_F(ShellFixture, AutoSyncRequestsAreDroppedWithoutARouteOrWhileClosing)
{
    startWindow(false);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    window->autoSync(false, true);
    EXPECT_EQ(window->autoSyncPanel(), nullptr);
    EXPECT_EQ(window->getLockCount(), 0);

    // A synthesizer announcing itself without a route leaves file opening free.
    window->activePort();
    EXPECT_FALSE(memApi->needToWaitAutoSyncDone());
}

TEST_F(ShellFixture, OnlineLampFollowsTheOnlineStateAndTheWatchFollowsIt)
{
    startWindow(false);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    ASSERT_TRUE(kwtest::processUntil([&] { return !window->lblOnline->isVisible(); }));
    memApi->setONLINEstate(1);
    ASSERT_TRUE(kwtest::processUntil([&] { return window->lblOnline->isVisible(); }));
    EXPECT_FALSE(memApi->isWatchPortActivate());
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("main-window-online"));
    memApi->setONLINEstate(0);
    ASSERT_TRUE(kwtest::processUntil([&] { return !window->lblOnline->isVisible(); }));
    EXPECT_TRUE(memApi->isWatchPortActivate());
}

TEST_F(ShellFixture, CloseButtonClosesAnUneditedWindowAndAsksFirstWhenEdited)
{
    startWindow(false);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 1);
    window->btnWindowClose->click();
    EXPECT_TRUE(window->isVisible()) << "an edited bank is not dropped without asking";
    EXPECT_FALSE(window->isClosing());
    EXPECT_NE(window->findChild<QWidget*>(QStringLiteral("CloseConfirm")), nullptr);
    QPointer<QWidget> question = window->findChild<QWidget*>(QStringLiteral("CloseConfirm"));
    QMetaObject::invokeMethod(question, "cancelClose");
    ASSERT_TRUE(kwtest::processUntil([&] { return question.isNull(); }));

    memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 0);
    window->btnWindowClose->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->isClosing());
    window->autoSync(false, true);
    EXPECT_EQ(window->autoSyncPanel(), nullptr) << "no auto-sync once the window is closing";
}
