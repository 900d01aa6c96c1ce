#pragma once

#include "CFrame.h"

#include <QString>

class EditorMainWindow;

// Where the main window's launchers get their overlay panels. Each returns a new panel, a child of the
// main window that holds the window's panel lock while it exists. GUI thread only.
namespace ShellPanels {

QWidget* createAnalyzeQPXi(EditorMainWindow* mainWindow, const QString& dawName);
QWidget* createAutoSync(EditorMainWindow* mainWindow, bool sendAfterReceive, bool editBufferOnly);
// The synthesizer announced itself: the auto-sync panel starts unless it shows an error.
void autoSyncActivePort(QWidget* autoSyncPanel);
QWidget* createPortOpenError(EditorMainWindow* mainWindow, const QString& name);
QWidget* createPortNotFound(EditorMainWindow* mainWindow);
QWidget* createSetup(EditorMainWindow* mainWindow);
QWidget* createAbout(EditorMainWindow* mainWindow);
QWidget* createCloseConfirm(EditorMainWindow* mainWindow, int nextAction);
QWidget* createExitAnywayConfirm(EditorMainWindow* mainWindow);
QWidget* createResetStoredConfirm(EditorMainWindow* mainWindow);
QWidget* createRestoreHWConfirm(EditorMainWindow* mainWindow);
QWidget* createFactorysetConfirm(EditorMainWindow* mainWindow);
QWidget* createStoreConfirm(EditorMainWindow* mainWindow);

// A plain overlay for a panel whose own form is not built yet: it holds the window's lock like every
// panel, names itself and closes on Escape, Return or Enter. GUI thread only.
class PlaceholderPanel : public CFrame
{
    Q_OBJECT

public:
    PlaceholderPanel(EditorMainWindow* mainWindow, const QString& kind, const QString& message);
    ~PlaceholderPanel() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    EditorMainWindow* mainWindow;
};

} // namespace ShellPanels
