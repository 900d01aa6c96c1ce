#include "ShellFixture.h"

#include "CSimpleNotifier.h"
#include "CText.h"
#include "EditorDefinitions.h"
#include "EditorTemplate.h"
#include "MemController.h"

#include <QFileOpenEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

TEST_F(ShellFixture, PanelsForceTheLargeLayoutAndTheSmallOneReturnsAfterThem)
{
    startWindow(false);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    window->controlWindowSize();
    EXPECT_EQ(window->size(), EditorWindowSmallSize);
    EXPECT_EQ(window->viewMainStack->size(), ViewMainStackSmallSize);
    EXPECT_EQ(window->btnWindowContract->geometry(), EditorWindowControlButtonSmallRect);
    EXPECT_EQ(window->btnWindowContract->category(), 0);
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("main-window-small"));

    window->viewStore();
    EXPECT_EQ(window->size(), EditorWindowLargeSize);
    EXPECT_FALSE(window->btnWindowContract->isVisible());
    EXPECT_TRUE(window->isShrink());
    ASSERT_TRUE(closePanel(window->findChild<QWidget*>(QStringLiteral("StoreConfirm"))));
    EXPECT_EQ(window->size(), EditorWindowSmallSize);
    EXPECT_TRUE(window->btnWindowContract->isVisible());

    window->viewLibrary();
    EXPECT_EQ(window->size(), EditorWindowLargeSize);
    EXPECT_FALSE(window->btnWindowContract->isVisible());
    window->viewTemplate();
    EXPECT_EQ(window->size(), EditorWindowSmallSize);
    window->btnWindowContract->click();
    EXPECT_EQ(window->size(), EditorWindowLargeSize);
    EXPECT_EQ(window->btnWindowContract->category(), 1);
}

TEST_F(ShellFixture, MessageBoxesAndFileDialogsDropTheStayOnTopLevelWhileOpen)
{
    startWindow(false);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    window->staysOnTop(true);
    onTopDuringDialog.clear();

    messageAnswer = QMessageBox::No;
    EXPECT_EQ(window->question(QStringLiteral("Sure?"), EditorName), QMessageBox::No);
    EXPECT_EQ(window->warning(QStringLiteral("Careful"), EditorName), QMessageBox::No);
    fileAnswer = QStringLiteral("/nowhere/file.Q9E");
    EXPECT_EQ(window->getOpenFileName(QStringLiteral("Open"), QDir::homePath(), EditorOpenFileFilter), fileAnswer);
    EXPECT_EQ(onTopDuringDialog, (QList<bool>{false, false, false}));
    EXPECT_TRUE(window->isOnTop());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.at(0).title, EditorName);
    EXPECT_EQ(messages.at(0).icon, QMessageBox::Question);
    EXPECT_EQ(messages.at(1).icon, QMessageBox::Warning);
    ASSERT_EQ(fileRequests.size(), 1);
    EXPECT_EQ(fileRequests.at(0).filter, EditorOpenFileFilter);
}

TEST_F(ShellFixture, ManualThatIsNotInstalledGivesTheWarningWithoutAPath)
{
    startWindow(false);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    window->helpManual();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.at(0).icon, QMessageBox::Warning);
    EXPECT_EQ(messages.at(0).text,
              QStringLiteral("Failed to load help document.\nPlease try re-installing the package."));
}

TEST_F(ShellFixture, TabNeverMovesTheFocusButOtherKeysArrive)
{
    startWindow(false);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    auto* first = new QLineEdit(window->getTemplateEditor());
    auto* second = new QLineEdit(window->getTemplateEditor());
    window->installTabCanceller(window->getTemplateEditor());
    first->show();
    second->show();
    window->activateWindow();
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());
    QTest::keyClick(first, Qt::Key_Tab);
    QTest::keyClick(first, Qt::Key_Backtab);
    EXPECT_TRUE(first->hasFocus());
    QTest::keyClicks(first, QStringLiteral("ab"));
    EXPECT_EQ(first->text(), QStringLiteral("ab"));
}

TEST_F(ShellFixture, DraggingMovesTheWindowAndAReleaseOffEveryScreenSnapsItBack)
{
    startWindow(false);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    window->move(100, 100);
    const QPoint grip(200, 4);
    QTest::mousePress(window.get(), Qt::LeftButton, {}, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(30, 20)),
                     QPointF(window->mapToGlobal(grip) + QPoint(30, 20)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &move);
    EXPECT_EQ(window->pos(), QPoint(130, 120));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, window->mapFromGlobal(window->mapToGlobal(grip)));
    EXPECT_EQ(window->pos(), QPoint(130, 120)) << "a reachable window stays where it was dropped";

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint start = window->pos();
    QTest::mousePress(window.get(), Qt::LeftButton, {}, grip);
    const QPoint far = QPoint(area.right() + 2000, area.bottom() + 2000);
    QMouseEvent away(QEvent::MouseMove, QPointF(window->mapFromGlobal(far)), QPointF(far), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &away);
    EXPECT_NE(window->pos(), start);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(window->mapFromGlobal(far)), QPointF(far), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &release);
    EXPECT_LE(window->y() + 22, area.bottom());
    EXPECT_LE(window->x() + 11, area.right());
}

TEST_F(ShellFixture, OpenFileEventRestoresTheWindowAndQueuesTheFile)
{
    startWindow(false);
    QSignalSpy requests(window.get(), &EditorMainWindow::fileOpenRequest);
    window->showMinimized();
    QFileOpenEvent event(QStringLiteral("/tmp/some bank.Q9E"));
    QCoreApplication::sendEvent(qApp, &event);
    EXPECT_FALSE(window->isMinimized());
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests.at(0).at(0).toString(), QStringLiteral("/tmp/some bank.Q9E"));

    g_pEditorMainWindow = nullptr;
    QFileOpenEvent early(QStringLiteral("/tmp/early.Q9E"));
    QCoreApplication::sendEvent(qApp, &early);
    EXPECT_EQ(requests.size(), 1) << "an event before the window is published has no effect";
}

TEST_F(ShellFixture, ANamedPipeIsRefusedWhetherNamedOnTheCommandLineOrChosenInTheDialog)
{
    startWindow(false);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe.Q9E"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    // Opening the pipe would wait for a writer for ever: both paths must come back with the message. A file
    // named on the command line arrives as this request does.
    window->applicationFileOpen(pipe);
    ASSERT_TRUE(kwtest::processUntil([&] { return messages.size() == 1; })) << "the named file was not refused";
    fileAnswer = pipe;
    EXPECT_FALSE(window->selectFileOpen());
    ASSERT_EQ(messages.size(), 2);
    for (const ShellDialogs::MessageRequest& message : messages) {
        EXPECT_EQ(message.text, QStringLiteral("File could not be opened."));
        EXPECT_EQ(message.icon, QMessageBox::Critical);
    }
}
