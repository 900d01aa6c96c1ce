#include "ShellPanels.h"

#include "AnalyzeQPXi.h"
#include "AutoSync.h"
#include "ConfirmPanels.h"
#include "Setup.h"

namespace ShellPanels {

QWidget* createAnalyzeQPXi(EditorMainWindow* mainWindow, const QString& dawName)
{
    return new AnalyzeQPXi(mainWindow, dawName);
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
    return new Setup(mainWindow);
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
