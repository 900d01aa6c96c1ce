#include "detail/PopupPlacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kwwidgets {

namespace {

QRect screenGeometryAt(const QPoint& p)
{
    QScreen* screen = QGuiApplication::screenAt(p);
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen ? screen->geometry() : QRect();
}

} // namespace

QPoint popupPositionAtPoint(const QPoint& p, const QSize& size, const QRect& screen)
{
    int x = p.x();
    int y = p.y();
    if (p.y() + size.height() > screen.bottom() + 1) {
        y = p.y() - size.height();
    }
    if (p.x() + size.width() > screen.right() + 1) {
        x = p.x() - size.width();
    }
    return {x, y};
}

QPoint popupPositionBesideRect(const QRect& r, const QSize& size, const QRect& screen)
{
    int x = r.right() + 1;
    if (r.right() + 1 + size.width() > screen.right() + 1) {
        x = screen.right() + 1 - size.width();
    }
    int y = r.top();
    if (r.top() + size.height() > screen.bottom() + 1) {
        y = screen.bottom() + 1 - size.height();
    }
    return {x, y};
}

QPoint popupPositionAtPoint(const QPoint& p, const QSize& size)
{
    return popupPositionAtPoint(p, size, screenGeometryAt(p));
}

QPoint popupPositionBesideRect(const QRect& r, const QSize& size)
{
    return popupPositionBesideRect(r, size, screenGeometryAt(r.topLeft()));
}

void adoptApplicationLook(QWidget* w)
{
    w->setStyle(QApplication::style());
    w->setPalette(QApplication::palette());
    w->setFont(QApplication::font());
}

} // namespace kwwidgets

