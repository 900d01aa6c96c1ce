#include "EditorOverlap.h"

#include "COnOffButton.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QStringList>

namespace {

// The light strip moves by this many pixels a frame.
constexpr int kLedStride = 7;
// A pop-up list is as wide as the pull-down it drops from; its names are padded to the text width.
constexpr int kPopupWidth = 265;
constexpr int kPopupTextWidth = 229;
constexpr int kPopupScreenWidth = 270;

} // namespace

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

int EditorOverlap::drawLightStrip(QLabel* label, const QPixmap& strip, int step)
{
    const QSize area = label->size();
    QPixmap frame(area);
    frame.fill(Qt::transparent);
    {
        QPainter painter(&frame);
        painter.drawPixmap(kLedStride * step - strip.width() + kLedStride, 0, strip);
    }
    label->setPixmap(frame);
    return kLedStride * step - strip.width() + 2 * kLedStride < area.width() ? step + 1 : 0;
}

int EditorOverlap::refreshedPortChoice(QStringList* portNames)
{
    mainWindow->updatePortInfoList();
    *portNames = mainWindow->getPortDisplayList();
    const int index = mainWindow->getPortIndex();
    return index >= 0 && index < portNames->size() ? index : 0;
}

int EditorOverlap::popupNameList(const QStringList& names, const QPoint& position)
{
    // A child of the panel: it lives until the panel is deleted.
    auto* menu = new QMenu(this);
    menu->setFont(mainWindow->font());
    menu->setFixedWidth(kPopupWidth);
    const QFontMetrics metrics(menu->font());
    QList<QAction*> actions;
    for (const QString& name : names) {
        actions.append(menu->addAction(padWithBlanks(name, metrics, kPopupTextWidth)));
    }

    QPoint global = mapToGlobal(position);
    const QScreen* screen = QGuiApplication::screenAt(global);
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        const QRect area = screen->geometry();
        const int height = menu->sizeHint().height();
        if (global.x() + kPopupScreenWidth > area.right() + 1) {
            global.setX(area.right() - (kPopupScreenWidth - 1));
        }
        if (global.y() + height > area.bottom() + 1) {
            global.setY(area.bottom() + 1 - height);
        }
    }
    QAction* chosen = menu->exec(global);
    return chosen != nullptr ? static_cast<int>(actions.indexOf(chosen)) : -1;
}
