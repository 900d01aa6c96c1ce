#include "CTextSlider.h"

#include "CLineEdit.h"
#include "detail/DisplayFormat.h"
#include "detail/SliderBinding.h"
#include "detail/WheelSteps.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

CTextSlider::CTextSlider(QWidget* parent)
    : QAbstractSlider(parent)
    , DoubleBuffer(this)
{
    setFocusPolicy(Qt::ClickFocus);
    m_editor = new CLineEdit(this);
    m_editor->hide();
    m_editMaxLength = m_editor->maxLength();
    m_editInputMask = m_editor->inputMask();
    connect(m_editor, &CLineEdit::accepted, this, &CTextSlider::acceptEdit);
    connect(m_editor, &CLineEdit::aborted, this, &CTextSlider::abortEdit);
    connect(this, &QAbstractSlider::valueChanged, this, &CTextSlider::updateValue);
    updateDoubleBuffer();
}

void CTextSlider::setAlignment(Qt::Alignment a)
{
    m_alignment = a;
    m_editor->setAlignment(a);
    updateDoubleBuffer();
}

void CTextSlider::setFormat(const QString& format)
{
    m_format = format;
    updateDoubleBuffer();
}

void CTextSlider::setOffset(double offset)
{
    m_offset = offset;
    updateDoubleBuffer();
}

void CTextSlider::setMultiplier(double multiplier)
{
    m_multiplier = multiplier;
    updateDoubleBuffer();
}

void CTextSlider::updateValue()
{
    if (!m_loading) {
        setMemAPICurrentValue(value());
    }
    updateDoubleBuffer();
}

void CTextSlider::updateMemAPI()
{
    kwwidgets::pullSliderFromParameter(this, this, m_loading, false);
}

void CTextSlider::assignMemAPI()
{
    MemProxy::assignMemAPI();
    kwwidgets::pullSliderFromParameter(this, this, m_loading, true);
}

QSize CTextSlider::sizeHint() const
{
    return {64, 16};
}

QSize CTextSlider::minimumSizeHint() const
{
    return {0, 0};
}

bool CTextSlider::event(QEvent* e)
{
    if (eventDoubleBuffer(e)) {
        return false;
    }
    return QWidget::event(e);
}

void CTextSlider::paintDoubleBuffer(QPainter* painter)
{
    if (m_editor->isVisible()) {
        return;
    }
    m_shownText = displayText();
    painter->drawText(rect(), static_cast<int>(m_alignment), m_shownText);
}

QString CTextSlider::displayText() const
{
    return kwwidgets::formatDisplayValue(m_format, double(value()) * m_multiplier + m_offset);
}

void CTextSlider::wheelEvent(QWheelEvent* e)
{
    const int delta = kwwidgets::wheelDelta(e);
    if (delta > 0) {
        triggerAction(invertedControls() ? SliderSingleStepSub : SliderSingleStepAdd);
    } else if (delta < 0) {
        triggerAction(invertedControls() ? SliderSingleStepAdd : SliderSingleStepSub);
    }
    e->accept();
}

double CTextSlider::dragStepsPerPixel(int range, bool shift)
{
    double f = 1;
    if (range < 9) {
        f = 0.125;
    } else if (range < 17) {
        f = 0.25;
    } else if (range < 33) {
        f = 0.5;
    } else if (range >= 1000 && !shift) {
        f = 10;
    }
    if (shift) {
        f = std::min(f * 0.25, 1.0);
    }
    return f;
}

void CTextSlider::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() != Qt::LeftButton) {
        return;
    }
    m_dragging = true;
    m_remainder = 0;
    const QPoint centre = mapToGlobal(QPoint((width() - 1) / 2, (height() - 1) / 2));
    setCursor(Qt::BlankCursor);
    m_hold.start(e->globalPosition().toPoint(), centre);
}

void CTextSlider::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    if (!m_dragging || !(e->buttons() & Qt::LeftButton)) {
        return;
    }
    const QPoint global = e->globalPosition().toPoint();
    if (m_hold.isAtReference(global)) {
        return;
    }
    const int range = maximum() - minimum();
    const double f = dragStepsPerPixel(range, e->modifiers() & Qt::ShiftModifier);
    const int d = m_hold.deltaY(global) + m_remainder;
    const int steps = static_cast<int>(f * d);
    m_remainder = d - static_cast<int>(steps / f);
    const int before = value();
    setValue(value() - steps);
    if (value() != before) {
        emit actionTriggered(SliderMove);
    }
    m_hold.recentre(global);
}

void CTextSlider::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() != Qt::LeftButton || !m_dragging) {
        return;
    }
    m_dragging = false;
    m_hold.finish();
    unsetCursor();
}

void CTextSlider::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() != Qt::LeftButton || !m_directEdit) {
        return;
    }
    m_aborted = false;
    m_editor->setGeometry(rect());
    m_editor->setMaxLength(m_editMaxLength);
    delete m_editValidator;
    if (std::floor(m_offset) == m_offset && std::floor(m_multiplier) == m_multiplier) {
        m_editValidator = new QIntValidator(m_editor);
    } else {
        m_editValidator = new QDoubleValidator(m_editor);
    }
    m_editor->setValidator(m_editValidator);
    m_editor->setAlignment(m_alignment);
    // The text as the face shows it now, even when no paint has come since the value last changed.
    m_shownText = displayText();
    m_editor->setText(m_shownText);
    m_editor->selectAll();
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
    updateDoubleBuffer();
}

void CTextSlider::acceptEdit()
{
    if (!m_aborted) {
        bool ok = false;
        const double typed = m_editor->text().toDouble(&ok);
        if (ok) {
            const double v = (typed - m_offset) / m_multiplier;
            // A zero multiplier or an absurd entry gives no number; anything else is held to the range
            // before it becomes an integer, which it could otherwise overflow.
            if (std::isfinite(v)) {
                const double held = std::clamp(v, double(minimum()), double(maximum()));
                setValue(static_cast<int>(std::trunc(held)));
                emit actionTriggered(SliderNoAction);
            }
        }
    }
    m_editor->hide();
    updateDoubleBuffer();
}

void CTextSlider::abortEdit()
{
    m_aborted = true;
    m_editor->hide();
    updateDoubleBuffer();
}
