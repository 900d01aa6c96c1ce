#pragma once

#include <QApplication>

class EditorMainWindow;

// The one main window once main has shown it; null before, never cleared. GUI thread only.
extern EditorMainWindow* g_pEditorMainWindow;

// The application object: turns the system's open-file event into a file-open request of the main window.
// GUI thread only.
class CApplication : public QApplication
{
    Q_OBJECT

public:
    CApplication(int& argc, char** argv);

protected:
    bool event(QEvent* event) override;
};
