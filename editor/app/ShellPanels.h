#pragma once

#include <QString>

class EditorMainWindow;
class QWidget;

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

} // namespace ShellPanels
