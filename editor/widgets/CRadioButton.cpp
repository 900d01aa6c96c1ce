#include "CRadioButton.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

int buttonImageRow(bool hasDownImage, bool down, bool checked)
{
    if (hasDownImage && down) {
        return 2;
    }
    if (!checked && !down) {
        return 0;
    }
    return 1;
}

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
    m_alignment = a;
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
    m_combinedImage = pixmap;
    updateDoubleBuffer();
}

void CRadioButton::setHasDownImage(bool on)
{
    m_hasDownImage = on;
    updateDoubleBuffer();
}

void CRadioButton::setImageCategories(int n)
{
    m_imageCategories = std::max(n, 1);
    m_category = std::min(m_category, m_imageCategories - 1);
    updateDoubleBuffer();
}

void CRadioButton::setCategory(int c)
{
    m_category = std::clamp(c, 0, m_imageCategories - 1);
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
    drawCombinedImage(painter, m_combinedImage, m_imageCategories, m_category, m_hasDownImage ? 3 : 2,
                      buttonImageRow(m_hasDownImage, isDown(), isChecked()), m_alignment, size());
}
