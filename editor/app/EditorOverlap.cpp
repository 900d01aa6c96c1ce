#include "EditorOverlap.h"

#include "COnOffButton.h"
#include "EditorMainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>

EditorOverlap::EditorOverlap(EditorMainWindow* mainWindow)
    : CFrame(mainWindow), mainWindow(mainWindow), memApi(mainWindow->getMemApi())
{
    mainWindow->windowLock();
    mainWindow->updateWindowSize();
    setFocus();
}

EditorOverlap::~EditorOverlap()
{
    if (closeLocked) {
        closeLocked = false;
        setWindowCloseButtonVisible(true);
    }
    mainWindow->windowUnlock();
    mainWindow->updateWindowSize();
}

// There is no application menu with a Quit item here: the window's close button, and the window's own
// close handling (which asks the open question first), are the ways out.
void EditorOverlap::closeLock()
{
    if (closeLocked) {
        return;
    }
    closeLocked = true;
    windowCloseButton = mainWindow->btnWindowClose;
    setWindowCloseButtonVisible(false);
}

void EditorOverlap::closeUnlock()
{
    if (!closeLocked) {
        return;
    }
    closeLocked = false;
    setWindowCloseButtonVisible(true);
}

void EditorOverlap::setWindowCloseButtonVisible(bool visible)
{
    if (!windowCloseButton.isNull()) {
        windowCloseButton->setVisible(visible);
    }
}

void EditorOverlap::installShortcut(const QString& keys, const char* slot)
{
    auto* action = new QAction(this);
    action->setShortcut(QKeySequence(keys, QKeySequence::PortableText));
    connect(action, SIGNAL(triggered()), this, slot);
    addAction(action);
    shortcutList.append(action);
}

void EditorOverlap::enableShortcut()
{
    for (QAction* action : std::as_const(shortcutList)) {
        action->setEnabled(true);
    }
}

void EditorOverlap::disableShortcut()
{
    for (QAction* action : std::as_const(shortcutList)) {
        action->setEnabled(false);
    }
}

void EditorOverlap::emulateButtonPressing(COnOffButton* button)
{
    if (button != nullptr) {
        button->animateClick();
    }
}

void EditorOverlap::closeEvent(QCloseEvent* event)
{
    if (closeLocked) {
        event->ignore();
        return;
    }
    CFrame::closeEvent(event);
}
