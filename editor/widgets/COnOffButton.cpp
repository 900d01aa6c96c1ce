#include "COnOffButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

COnOffButton::COnOffButton(QWidget* parent)
    : QPushButton(parent)
    , DoubleBuffer(this)
{
    setFocusPolicy(Qt::ClickFocus);
    m_lastDown = isDown();
    m_lastChecked = isChecked();
    connect(this, &QAbstractButton::pressed, this, &COnOffButton::checkUpdate, Qt::DirectConnection);
    connect(this, &QAbstractButton::released, this, &COnOffButton::checkUpdate, Qt::DirectConnection);
    connect(this, &QAbstractButton::toggled, this, &COnOffButton::checkUpdate, Qt::DirectConnection);
}

void COnOffButton::setAlignment(Qt::Alignment a)
{
    m_look.alignment = a;
    updateDoubleBuffer();
}

void COnOffButton::setOnValue(int v)
{
    m_onValue = v;
    if (isBound() && isChecked()) {
        setMemAPICurrentValue(v);
    }
}

void COnOffButton::setOffValue(int v)
{
    m_offValue = v;
    if (isBound() && !isChecked()) {
        setMemAPICurrentValue(v);
    }
}

void COnOffButton::setCombinedImage(const QPixmap& pixmap)
{
    m_look.image = pixmap;
    updateDoubleBuffer();
}

void COnOffButton::setHasDownImage(bool on)
{
    m_look.hasDownImage = on;
    updateDoubleBuffer();
}

void COnOffButton::setImageCategories(int n)
{
    m_look.setCategories(n);
    updateDoubleBuffer();
}

void COnOffButton::setCategory(int c)
{
    m_look.setCategory(c);
    updateDoubleBuffer();
}

void COnOffButton::checkUpdate()
{
    if (isDown() == m_lastDown && isChecked() == m_lastChecked) {
        return;
    }
    m_lastDown = isDown();
    m_lastChecked = isChecked();
    if (isBound()) {
        const int value = isChecked() ? m_onValue : m_offValue;
        if (value != getMemAPICurrentValue()) {
            setMemAPICurrentValue(value);
        }
    }
    updateDoubleBuffer();
}

void COnOffButton::updateMemAPI()
{
    if (!isBound() || !isCheckable()) {
        return;
    }
    const int value = getMemAPICurrentValue();
    if (value == m_onValue && !isChecked()) {
        setChecked(true);
    } else if (value == m_offValue && isChecked()) {
        setChecked(false);
    }
}

void COnOffButton::assignMemAPI()
{
    MemProxy::assignMemAPI();
    updateMemAPI();
}

bool COnOffButton::event(QEvent* e)
{
    if (eventDoubleBuffer(e)) {
        return false;
    }
    return QWidget::event(e);
}

void COnOffButton::mousePressEvent(QMouseEvent* e)
{
    if (isCheckable() && e->button() == Qt::LeftButton) {
        if (m_onStateTrigger == buttonPush && !isChecked()) {
            click();
        }
        if (m_offStateTrigger == buttonPush && isChecked()) {
            click();
        }
    }
    QAbstractButton::mousePressEvent(e);
}

namespace {

bool isArrowKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

} // namespace

void COnOffButton::keyPressEvent(QKeyEvent* e)
{
    if (isArrowKey(e->key())) {
        e->accept();
        return;
    }
    QPushButton::keyPressEvent(e);
}

void COnOffButton::keyReleaseEvent(QKeyEvent* e)
{
    if (isArrowKey(e->key())) {
        e->accept();
        return;
    }
    QPushButton::keyReleaseEvent(e);
}

void COnOffButton::paintDoubleBuffer(QPainter* painter)
{
    m_look.drawButton(painter, isDown(), isChecked(), size());
}
