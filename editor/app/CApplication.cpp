#include "CApplication.h"

#include "EditorMainWindow.h"

#include <QFileOpenEvent>

EditorMainWindow* g_pEditorMainWindow = nullptr;

CApplication::CApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool CApplication::event(QEvent* event)
{
    if (event->type() == QEvent::FileOpen && g_pEditorMainWindow != nullptr) {
        if (g_pEditorMainWindow->isMinimized()) {
            g_pEditorMainWindow->showNormal();
        }
        g_pEditorMainWindow->activateWindow();
        g_pEditorMainWindow->applicationFileOpen(static_cast<QFileOpenEvent*>(event)->file());
        return true;
    }
    return QApplication::event(event);
}
