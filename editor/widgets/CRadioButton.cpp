#include "CRadioButton.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

CRadioButton::CRadioButton(QWidget* parent)
    : QRadioButton(parent)
    , DoubleBuffer(this)
{
    setFocusPolicy(Qt::ClickFocus);
    m_lastDown = isDown();
    m_lastChecked = isChecked();
    connect(this, &QAbstractButton::pressed, this, &CRadioButton::checkUpdate, Qt::DirectConnection);
    connect(this, &QAbstractButton::released, this, &CRadioButton::checkUpdate, Qt::DirectConnection);
    connect(this, &QAbstractButton::toggled, this, &CRadioButton::checkUpdate, Qt::DirectConnection);
}

void CRadioButton::setAlignment(Qt::Alignment a)
{
    m_look.alignment = a;
    updateDoubleBuffer();
}

void CRadioButton::setOnValue(int v)
{
    m_onValue = v;
    if (isBound() && isChecked()) {
        setMemAPICurrentValue(v);
    }
}

void CRadioButton::setCombinedImage(const QPixmap& pixmap)
{
    m_look.image = pixmap;
    updateDoubleBuffer();
}

void CRadioButton::setHasDownImage(bool on)
{
    m_look.hasDownImage = on;
    updateDoubleBuffer();
}

void CRadioButton::setImageCategories(int n)
{
    m_look.setCategories(n);
    updateDoubleBuffer();
}

void CRadioButton::setCategory(int c)
{
    m_look.setCategory(c);
    updateDoubleBuffer();
}

void CRadioButton::checkUpdate()
{
    if (isDown() == m_lastDown && isChecked() == m_lastChecked) {
        return;
    }
    m_lastDown = isDown();
    m_lastChecked = isChecked();
    if (isBound() && isChecked() && getMemAPICurrentValue() != m_onValue) {
        setMemAPICurrentValue(m_onValue);
    }
    updateDoubleBuffer();
}

void CRadioButton::updateMemAPI()
{
    if (!isBound() || !isCheckable()) {
        return;
    }
    if (getMemAPICurrentValue() == m_onValue && !isChecked()) {
        setChecked(true);
    }
}

void CRadioButton::assignMemAPI()
{
    MemProxy::assignMemAPI();
    updateMemAPI();
}

bool CRadioButton::event(QEvent* e)
{
    if (eventDoubleBuffer(e)) {
        return false;
    }
    return QWidget::event(e);
}

void CRadioButton::mousePressEvent(QMouseEvent* e)
{
    if (isCheckable() && e->button() == Qt::LeftButton && m_radioStateTrigger == buttonPush && !isChecked()) {
        click();
    }
    QAbstractButton::mousePressEvent(e);
}

bool CRadioButton::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void CRadioButton::paintDoubleBuffer(QPainter* painter)
{
    m_look.drawButton(painter, isDown(), isChecked(), size());
}
