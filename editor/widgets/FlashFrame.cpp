#include "FlashFrame.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTimerEvent>

namespace {

const QColor FrameColor(0, 255, 0);
int g_showMs = 500;
int g_recheckMs = 100;

} // namespace

FlashFrame::FlashFrame(QWidget* parent)
    : QLabel(parent)
{
    setFocusPolicy(Qt::ClickFocus);
}

void FlashFrame::setTimings(int showMs, int recheckMs)
{
    g_showMs = showMs;
    g_recheckMs = recheckMs;
}

void FlashFrame::start(QWidget* w, const QRect& r)
{
    if (!w) {
        return;
    }
    if (r.isValid()) {
        start(w, r.x(), r.y(), r.width(), r.height());
    } else {
        start(w, 0, 0, w->width(), w->height());
    }
}

void FlashFrame::start(QWidget* w, int x, int y, int width, int height)
{
    // An empty area has no outline to show; a null pixmap would only draw a warning.
    if (!w || width <= 0 || height <= 0) {
        return;
    }
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setPen(QPen(FrameColor, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, width - 1, height - 1);
    }
    auto* frame = new FlashFrame(w);
    frame->setGeometry(x, y, width, height);
    frame->setPixmap(pixmap);
    frame->show();
    frame->repaint();
    frame->startTimer(g_showMs);
}

void FlashFrame::timerEvent(QTimerEvent* e)
{
    killTimer(e->timerId());
    if (hasFocus() && QApplication::mouseButtons() != Qt::NoButton) {
        if (!m_blanked) {
            setPixmap(QPixmap());
            repaint();
            m_blanked = true;
        }
        startTimer(g_recheckMs);
        return;
    }
    hide();
    if (QWidget* parent = parentWidget()) {
        parent->repaint();
    }
    deleteLater();
}
