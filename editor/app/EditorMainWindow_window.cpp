#include "EditorMainWindow.h"

#include "EditorShell.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace {

// How much of the window's top strip must stay reachable after a drag.
constexpr int kReachableTop = 22;
constexpr int kReachableSide = 11;

// Where the platform does not let a program place its windows, the window system moves them itself.
bool movesBySystem()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

void EditorMainWindow::staysOnTop(bool on)
{
    if (on != onTop) {
        onTop = on;
        updateWindowStaysOnTop();
    }
    activateWindow();
    setFocus();
}

void EditorMainWindow::updateWindowStaysOnTop()
{
    const bool wasVisible = isVisible();
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) {
        return;
    }
    // Changing a window flag hides the window; it comes back where it was.
    const QPoint position = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    move(position);
    if (wasVisible) {
        show();
    }
}

QMessageBox::StandardButton EditorMainWindow::messageBox(QMessageBox::Icon icon, const QString& text,
                                                         const QString& title, QMessageBox::StandardButtons buttons,
                                                         QMessageBox::StandardButton defaultButton)
{
    const bool wasOnTop = onTop;
    if (wasOnTop) {
        staysOnTop(false);
    }
    const QMessageBox::StandardButton answer = ShellDialogs::message({icon, title, text, buttons, defaultButton});
    if (wasOnTop) {
        staysOnTop(true);
    }
    return answer;
}

QMessageBox::StandardButton EditorMainWindow::critical(const QString& text, const QString& title,
                                                       QMessageBox::StandardButtons buttons,
                                                       QMessageBox::StandardButton defaultButton)
{
    return messageBox(QMessageBox::Critical, text, title, buttons, defaultButton);
}

QMessageBox::StandardButton EditorMainWindow::warning(const QString& text, const QString& title,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::StandardButton defaultButton)
{
    return messageBox(QMessageBox::Warning, text, title, buttons, defaultButton);
}

QMessageBox::StandardButton EditorMainWindow::question(const QString& text, const QString& title,
                                                       QMessageBox::StandardButtons buttons,
                                                       QMessageBox::StandardButton defaultButton)
{
    return messageBox(QMessageBox::Question, text, title, buttons, defaultButton);
}

QString EditorMainWindow::fileDialog(const QString& caption, const QString& folder, const QString& filter, bool save)
{
    const bool wasOnTop = onTop;
    if (wasOnTop) {
        staysOnTop(false);
    }
    const QString path = ShellDialogs::fileName({caption, folder, filter, save});
    if (wasOnTop) {
        staysOnTop(true);
    }
    return path;
}

QString EditorMainWindow::getOpenFileName(const QString& caption, const QString& folder, const QString& filter)
{
    return fileDialog(caption, folder, filter, false);
}

QString EditorMainWindow::getSaveFileName(const QString& caption, const QString& folder, const QString& filter)
{
    return fileDialog(caption, folder, filter, true);
}

void EditorMainWindow::controlWindowSize()
{
    shrink = !shrink;
    updateWindowSize();
}

void EditorMainWindow::updateWindowSize()
{
    // Panels that outlive the start of the destructor find the form already gone.
    if (destroying) {
        return;
    }
    if (lockCount == 0 && view == 0 && shrink) {
        viewMainStack->resize(ViewMainStackSmallSize);
        setFixedSize(EditorWindowSmallSize);
        setBackgroundPixmap(QPixmap(EditorWindowSmallPixmap));
        btnWindowContract->setGeometry(EditorWindowControlButtonSmallRect);
        btnWindowContract->setCategory(0);
    } else {
        setBackgroundPixmap(QPixmap(EditorWindowLargePixmap));
        viewMainStack->resize(ViewMainStackLargeSize);
        setFixedSize(EditorWindowLargeSize);
        btnWindowContract->setGeometry(EditorWindowControlButtonLargeRect);
        btnWindowContract->setCategory(1);
    }
    btnWindowContract->setVisible(lockCount == 0 && view == 0);
    updateDoubleBuffer();
    update();
}

void EditorMainWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        CFrame::mousePressEvent(event);
        return;
    }
    dragOffset = event->globalPosition().toPoint() - pos();
    if (movesBySystem() && windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        dragOffset = QPoint();
        return;
    }
    dragging = true;
}

void EditorMainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset);
        update();
        return;
    }
    CFrame::mouseMoveEvent(event);
}

void EditorMainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging) {
        CFrame::mouseReleaseEvent(event);
        return;
    }
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) {
        dragging = false;
        return;
    }
    const int top = y();
    const int left = x();
    const int right = left + width() - 1;
    for (const QScreen* screen : screens) {
        const QRect area = screen->availableGeometry();
        if (top >= area.top() && top + kReachableTop < area.bottom() && left + kReachableSide < area.right() &&
            right - kReachableSide > area.left()) {
            dragging = false;
            dragOffset = QPoint();
            return;
        }
    }
    const QPoint cursor = event->globalPosition().toPoint();
    const QScreen* screen = QGuiApplication::screenAt(cursor);
    const QRect area = (screen != nullptr ? screen : QGuiApplication::primaryScreen())->availableGeometry();
    QPoint target = cursor - dragOffset;
    if (target.y() < area.top()) {
        target.setY(area.top());
    } else if (target.y() + kReachableTop > area.bottom()) {
        target.setY(area.bottom() - kReachableTop);
    }
    if (target.x() + width() - kReachableSide < area.left()) {
        target.setX(area.left() + kReachableSide - width());
    } else if (target.x() + kReachableSide > area.right()) {
        target.setX(area.right() - kReachableSide);
    }
    move(target);
    update();
    dragging = false;
    dragOffset = QPoint();
}

void EditorMainWindow::installTabCanceller(QWidget* widget)
{
    if (widget == nullptr) {
        return;
    }
    widget->installEventFilter(this);
    const QObjectList children = widget->children();
    for (QObject* child : children) {
        if (child->isWidgetType()) {
            installTabCanceller(static_cast<QWidget*>(child));
        }
    }
}

bool EditorMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            return true;
        }
    }
    return CFrame::eventFilter(watched, event);
}
