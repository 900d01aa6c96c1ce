#include "CText.h"

#include <QPainter>

CText::CText(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
    , DoubleBuffer(this)
{
    setFocusPolicy(Qt::ClickFocus);
}

void CText::setText(const QString& text)
{
    m_text = text;
    updateDoubleBuffer();
}

void CText::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    updateDoubleBuffer();
}

QSize CText::sizeHint() const
{
    return {100, 20};
}

QSize CText::minimumSizeHint() const
{
    return {0, 0};
}

bool CText::event(QEvent* e)
{
    if (eventDoubleBuffer(e)) {
        return false;
    }
    return QWidget::event(e);
}

void CText::paintDoubleBuffer(QPainter* painter)
{
    painter->setPen(palette().color(QPalette::Text));
    painter->drawText(rect(), static_cast<int>(m_alignment), m_text);
}
