#include "CSpinButton.h"

#include "COnOffButton.h"
#include "detail/SliderBinding.h"
#include "detail/WheelSteps.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

CSpinButton::CSpinButton(QWidget* parent)
    : QAbstractSlider(parent)
    , DoubleBuffer(this)
{
    setFocusPolicy(Qt::ClickFocus);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CSpinButton::checkUpdate);

    const auto makeButton = [this](void (CSpinButton::*step)()) {
        auto* button = new COnOffButton(this);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        connect(button, &QAbstractButton::pressed, this, &CSpinButton::checkUpdate, Qt::DirectConnection);
        connect(button, &QAbstractButton::released, this, &CSpinButton::checkUpdate, Qt::DirectConnection);
        connect(button, &QAbstractButton::clicked, this, step, Qt::DirectConnection);
        return button;
    };
    m_upper = makeButton(&CSpinButton::stepUp);
    m_lower = makeButton(&CSpinButton::stepDown);
    layoutButtons(size());
    m_upperShown = m_upper->isDown();
    m_lowerShown = m_lower->isDown();
    connect(this, &QAbstractSlider::valueChanged, this, &CSpinButton::updateValue);
    updateDoubleBuffer();
    sliderChange(SliderValueChange);
}

void CSpinButton::setAlignment(Qt::Alignment a)
{
    m_look.alignment = a;
    updateDoubleBuffer();
}

void CSpinButton::setCombinedImage(const QPixmap& pixmap)
{
    m_look.image = pixmap;
    updateDoubleBuffer();
}

void CSpinButton::setImageCategories(int n)
{
    m_look.setCategories(n);
    updateDoubleBuffer();
}

void CSpinButton::setCategory(int c)
{
    m_look.setCategory(c);
    updateDoubleBuffer();
}

void CSpinButton::layoutButtons(const QSize& size)
{
    const int w = size.width();
    const int h = size.height();
    m_upper->setGeometry(0, 0, w, h / 2);
    m_lower->setGeometry(0, h / 2, w, h - h / 2);
}

void CSpinButton::stepUp()
{
    triggerAction(invertedControls() ? SliderSingleStepSub : SliderSingleStepAdd);
}

void CSpinButton::stepDown()
{
    triggerAction(invertedControls() ? SliderSingleStepAdd : SliderSingleStepSub);
}

void CSpinButton::updateValue()
{
    if (!m_loading) {
        setMemAPICurrentValue(value());
    }
    updateDoubleBuffer();
}

void CSpinButton::sliderChange(SliderChange change)
{
    if (change != SliderRangeChange && change != SliderValueChange) {
        return;
    }
    m_upper->setEnabled(value() < maximum());
    m_lower->setEnabled(value() > minimum());
}

void CSpinButton::checkUpdate()
{
    m_timer->stop();
    if (m_upper->isDown() == m_upperShown && m_lower->isDown() == m_lowerShown) {
        return;
    }
    m_upperShown = m_upper->isDown();
    m_lowerShown = m_lower->isDown();
    updateDoubleBuffer();
}

void CSpinButton::showLook(bool upper)
{
    m_upperShown = upper;
    m_lowerShown = !upper;
    updateDoubleBuffer();
    m_timer->start(m_pressedLookMs);
}

void CSpinButton::resizeEvent(QResizeEvent* e)
{
    layoutButtons(size());
    QAbstractSlider::resizeEvent(e);
}

void CSpinButton::wheelEvent(QWheelEvent* e)
{
    e->accept();
    if (!rect().contains(e->position().toPoint())) {
        return;
    }
    const int delta = kwwidgets::wheelDelta(e);
    const bool inverted = invertedControls();
    if (delta > 0 && ((!inverted && value() < maximum()) || (inverted && value() > minimum()))) {
        showLook(true);
        triggerAction(inverted ? SliderSingleStepSub : SliderSingleStepAdd);
    } else if (delta < 0 && ((!inverted && value() > minimum()) || (inverted && value() < maximum()))) {
        showLook(false);
        triggerAction(inverted ? SliderSingleStepAdd : SliderSingleStepSub);
    }
}

void CSpinButton::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        if (value() > minimum()) {
            showLook(false);
        }
        break;
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
        if (value() < maximum()) {
            showLook(true);
        }
        break;
    default:
        break;
    }
    QAbstractSlider::keyPressEvent(e);
}

void CSpinButton::updateMemAPI()
{
    kwwidgets::pullSliderFromParameter(this, this, m_loading, false);
}

void CSpinButton::assignMemAPI()
{
    MemProxy::assignMemAPI();
    kwwidgets::pullSliderFromParameter(this, this, m_loading, true);
}

QSize CSpinButton::sizeHint() const
{
    return {16, 16};
}

QSize CSpinButton::minimumSizeHint() const
{
    return {0, 0};
}

bool CSpinButton::event(QEvent* e)
{
    if (eventDoubleBuffer(e)) {
        return false;
    }
    return QWidget::event(e);
}

void CSpinButton::paintDoubleBuffer(QPainter* painter)
{
    const int row = m_lowerShown ? 2 : (m_upperShown ? 1 : 0);
    m_look.draw(painter, 3, row, size());
}
