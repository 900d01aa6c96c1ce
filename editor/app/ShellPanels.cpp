#include "ShellPanels.h"

#include "AutoSync.h"
#include "ConfirmPanels.h"

#include "CText.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"

#include <QKeyEvent>

namespace ShellPanels {

PlaceholderPanel::PlaceholderPanel(EditorMainWindow* mainWindow, const QString& kind, const QString& message)
    : CFrame(mainWindow), mainWindow(mainWindow)
{
    setObjectName(kind);
    mainWindow->windowLock();
    mainWindow->updateWindowSize();
    resize(442, 419);
    setBackgroundPixmap(QPixmap(QStringLiteral(":/images/bram_bak_rename_caution.png")));
    QFont font(QStringLiteral("Telvor EBM 10"));
    font.setStyleStrategy(QFont::NoAntialias);
    auto* text = new CText(this);
    text->setObjectName(QStringLiteral("txtMessage"));
    text->setFont(font);
    text->setGeometry(76, 199, 292, 14);
    text->setAlignment(Qt::AlignCenter);
    text->setText(message);
    adjustFont(this);
    mainWindow->installTabCanceller(this);
    setFocus();
}

PlaceholderPanel::~PlaceholderPanel()
{
    mainWindow->windowUnlock();
    mainWindow->updateWindowSize();
}

void PlaceholderPanel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        close();
        return;
    default:
        CFrame::keyPressEvent(event);
    }
}

QWidget* createAnalyzeQPXi(EditorMainWindow* mainWindow, const QString& dawName)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("AnalyzeQPXi"), dawName);
}

QWidget* createAutoSync(EditorMainWindow* mainWindow, bool sendAfterReceive, bool editBufferOnly)
{
    return new AutoSync(mainWindow, sendAfterReceive, editBufferOnly);
}

void autoSyncActivePort(QWidget* autoSyncPanel)
{
    if (auto* panel = qobject_cast<AutoSync*>(autoSyncPanel)) {
        panel->activePort();
    }
}

QWidget* createPortOpenError(EditorMainWindow* mainWindow, const QString& name)
{
    return new PortOpenError(mainWindow, name);
}

QWidget* createPortNotFound(EditorMainWindow* mainWindow)
{
    return new PortNotFound(mainWindow);
}

QWidget* createSetup(EditorMainWindow* mainWindow)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("Setup"), QStringLiteral("Setup"));
}

QWidget* createAbout(EditorMainWindow* mainWindow)
{
    return new About(mainWindow);
}

QWidget* createCloseConfirm(EditorMainWindow* mainWindow, int nextAction)
{
    return new CloseConfirm(mainWindow, static_cast<CloseConfirm::NextActionType>(nextAction));
}

QWidget* createExitAnywayConfirm(EditorMainWindow* mainWindow)
{
    return new ExitAnywayConfirm(mainWindow);
}

QWidget* createResetStoredConfirm(EditorMainWindow* mainWindow)
{
    return new ResetStoredConfirm(mainWindow);
}

QWidget* createRestoreHWConfirm(EditorMainWindow* mainWindow)
{
    return new RestoreHWConfirm(mainWindow);
}

QWidget* createFactorysetConfirm(EditorMainWindow* mainWindow)
{
    return new FactorysetConfirm(mainWindow);
}

QWidget* createStoreConfirm(EditorMainWindow* mainWindow)
{
    return new StoreConfirm(mainWindow);
}

} // namespace ShellPanels
