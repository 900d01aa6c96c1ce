#include "CFrame.h"

#include <QPainter>

CFrame::CFrame(QWidget* parent, Qt::WindowFlags flags)
    : QFrame(parent, flags)
    , DoubleBuffer(this)
{
    setFocusPolicy(Qt::ClickFocus);
}

void CFrame::setBackgroundPixmap(const QPixmap& pixmap)
{
    m_backgroundPixmap = pixmap;
    updateDoubleBuffer();
}

QSize CFrame::sizeHint() const
{
    return {100, 100};
}

QSize CFrame::minimumSizeHint() const
{
    return {0, 0};
}

bool CFrame::event(QEvent* e)
{
    if (eventDoubleBuffer(e)) {
        return false;
    }
    return QWidget::event(e);
}

void CFrame::mousePressEvent(QMouseEvent*) {}

void CFrame::mouseReleaseEvent(QMouseEvent*) {}

void CFrame::mouseMoveEvent(QMouseEvent*) {}

void CFrame::paintDoubleBuffer(QPainter* painter)
{
    if (!m_backgroundPixmap.isNull()) {
        painter->drawPixmap(0, 0, m_backgroundPixmap);
    }
}
