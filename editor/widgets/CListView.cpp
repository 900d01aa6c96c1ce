#include "CListView.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace {

// Moves every key at or above from by delta (keys below stay); used when rows are inserted or removed.
template <typename T>
QMap<int, T> shiftKeys(const QMap<int, T>& map, int from, int delta)
{
    QMap<int, T> shifted;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        shifted.insert(it.key() >= from ? it.key() + delta : it.key(), it.value());
    }
    return shifted;
}

} // namespace

CListView::CListView(QWidget* parent)
    : QAbstractSlider(parent)
    , DoubleBuffer(this)
{
    setFocusPolicy(Qt::ClickFocus);
    setOrientation(Qt::Vertical);
    setInvertedControls(true);
    connect(this, &QAbstractSlider::valueChanged, this, &CListView::updateValue);
    updateDoubleBuffer();
}

void CListView::setAlignment(Qt::Alignment a)
{
    m_alignment = a;
    updateDoubleBuffer();
}

void CListView::setForegroundColor(const QColor& c)
{
    m_foregroundColor = c;
    updateDoubleBuffer();
}

void CListView::setForegroundFocusColor(const QColor& c)
{
    m_foregroundFocusColor = c;
    updateDoubleBuffer();
}

void CListView::setForegroundSelectedFocusColor(const QColor& c)
{
    m_foregroundSelectedFocusColor = c;
    updateDoubleBuffer();
}

void CListView::setBackgroundOddRowColor(const QColor& c)
{
    m_backgroundOddRowColor = c;
    updateDoubleBuffer();
}

void CListView::setBackgroundEvenRowColor(const QColor& c)
{
    m_backgroundEvenRowColor = c;
    updateDoubleBuffer();
}

void CListView::setBackgroundFocusColor(const QColor& c)
{
    m_backgroundFocusColor = c;
    updateDoubleBuffer();
}

void CListView::setMarkedFrameColor(const QColor& c)
{
    m_markedFrameColor = c;
    updateDoubleBuffer();
}

void CListView::setColumnWidthHint(const QString& hint)
{
    m_columnWidthHint = hint;
    m_widthHints.clear();
    if (!hint.isEmpty()) {
        const QStringList parts = hint.split(QLatin1Char(','), Qt::KeepEmptyParts);
        for (const QString& part : parts) {
            bool ok = false;
            const int value = part.toInt(&ok, 10);
            if (!ok || value < 0) {
                // A bad hint keeps the present widths until something else lays the list out.
                m_widthHints.clear();
                return;
            }
            m_widthHints.append(value);
        }
    }
    updateSize();
}

void CListView::setRowHeight(int v)
{
    m_rowHeight = std::max(v, 1);
    updateSize();
}

void CListView::setMarginWidth(int v)
{
    m_marginWidth = std::max(v, 0);
    updateSize();
}

void CListView::setMarginHeight(int v)
{
    m_marginHeight = std::max(v, 0);
    updateSize();
}

void CListView::setSpacingWidth(int v)
{
    m_spacingWidth = std::max(v, 0);
    updateSize();
}

void CListView::setSpacingHeight(int v)
{
    m_spacingHeight = std::max(v, 0);
    updateSize();
}

void CListView::setTextDrawXPointOffset(int v)
{
    m_textDrawXPointOffset = v;
    updateDoubleBuffer();
}

void CListView::setTextDrawYPointOffset(int v)
{
    m_textDrawYPointOffset = v;
    updateDoubleBuffer();
}

void CListView::setItemMarginWidth(int v)
{
    m_itemMarginWidth = std::max(v, 0);
    updateDoubleBuffer();
}

void CListView::setItemMarginHeight(int v)
{
    m_itemMarginHeight = std::max(v, 0);
    updateDoubleBuffer();
}

void CListView::setIconMarginWidth(int v)
{
    m_iconMarginWidth = std::max(v, 0);
    updateDoubleBuffer();
}

void CListView::setColumnCount(int v)
{
    m_columnCount = std::max(v, 1);
    m_columnIcon = std::min(m_columnIcon, m_columnCount - 1);
    updateSize();
}

void CListView::setColumnIcon(int v)
{
    m_columnIcon = std::clamp(v, 0, m_columnCount - 1);
    updateDoubleBuffer();
}

void CListView::setTrim(bool on)
{
    m_trim = on;
    updateDoubleBuffer();
}

void CListView::setTrimLabel(const QString& label)
{
    m_trimLabel = label;
    updateDoubleBuffer();
}

void CListView::setScrollBar(QScrollBar* bar)
{
    if (m_scrollBar) {
        disconnect(m_scrollBar, &QAbstractSlider::valueChanged, this, &CListView::updateValue);
    }
    m_scrollBar = bar;
    updateSize();
    if (m_scrollBar) {
        connect(m_scrollBar, &QAbstractSlider::valueChanged, this, &CListView::updateValue);
    }
}

void CListView::setRowRange()
{
    setRange(0, std::max(count() - 1, 0));
}

void CListView::clear()
{
    m_rows.clear();
    m_icons.clear();
    m_marks.clear();
    setRange(0, 0);
    updateDoubleBuffer();
}

void CListView::addItem(const QStringList& item)
{
    m_rows.append(item);
    setRowRange();
    updateDoubleBuffer();
}

bool CListView::insertItem(int index, const QStringList& item)
{
    if (index < 0 || index >= count()) {
        return false;
    }
    m_rows.insert(index, item);
    m_icons = shiftKeys(m_icons, index, 1);
    m_marks = shiftKeys(m_marks, index, 1);
    setRowRange();
    if (value() >= index) {
        setValue(value() + 1);
    }
    updateDoubleBuffer();
    return true;
}

bool CListView::removeItem(int index)
{
    if (index < 0 || index >= count()) {
        return false;
    }
    m_rows.removeAt(index);
    m_icons.remove(index);
    m_marks.remove(index);
    m_icons = shiftKeys(m_icons, index + 1, -1);
    m_marks = shiftKeys(m_marks, index + 1, -1);
    if (value() > index) {
        setValue(value() - 1);
    }
    setRowRange();
    updateDoubleBuffer();
    return true;
}

bool CListView::setItem(int index, const QStringList& item)
{
    if (index < 0 || index >= count()) {
        return false;
    }
    m_rows[index] = item;
    updateDoubleBuffer();
    return true;
}

bool CListView::setItemIcon(int index, const QPixmap& icon)
{
    if (index < 0 || index >= count()) {
        return false;
    }
    if (icon.isNull()) {
        m_icons.remove(index);
    } else {
        m_icons.insert(index, icon);
    }
    updateDoubleBuffer();
    return true;
}

void CListView::addMark(int index)
{
    if (index < 0 || index >= count() || m_marks.value(index, false)) {
        return;
    }
    m_marks.insert(index, true);
    updateDoubleBuffer();
}

void CListView::removeMark(int index)
{
    if (m_marks.remove(index) > 0) {
        updateDoubleBuffer();
    }
}

void CListView::clearMarks()
{
    if (m_marks.isEmpty()) {
        return;
    }
    m_marks.clear();
    updateDoubleBuffer();
}

int CListView::firstShownRow() const
{
    return m_scrollBar ? m_scrollBar->value() : 0;
}

int CListView::getIndex(int y) const
{
    const int pitch = m_rowHeight + m_spacingHeight;
    if (y < m_marginHeight || y >= m_marginHeight - m_spacingHeight + m_visibleRows * pitch) {
        return -1;
    }
    const int row = (y - m_marginHeight + m_spacingHeight / 2) / pitch + firstShownRow();
    // A row of the slider's range that holds no item (a new list's range is 0..99) is no row either.
    if (row < minimum() || row > maximum() || row >= count()) {
        return -1;
    }
    return row;
}

int CListView::getColumn(int x) const
{
    if (x < m_marginWidth || x >= width() - m_marginWidth) {
        return -1;
    }
    int left = m_marginWidth;
    for (int c = 0; c < m_columnWidths.size(); ++c) {
        if (left + m_columnWidths[c] + m_spacingWidth / 2 > x) {
            return c;
        }
        left += m_columnWidths[c] + m_spacingWidth;
    }
    return -1;
}

QString CListView::text(int row, int column) const
{
    if (row < 0 || row >= count() || column < 0 || column >= m_rows[row].size()) {
        return {};
    }
    return m_rows[row][column];
}

QRect CListView::getItemRect(int row) const
{
    const int first = firstShownRow();
    if (row < 0 || row >= count() || row < first || row >= first + m_visibleRows) {
        return {};
    }
    const int top = m_marginHeight + (row - first) * (m_rowHeight + m_spacingHeight);
    return {m_marginWidth, top, width() - 2 * m_marginWidth, m_rowHeight};
}

void CListView::adjustScroll()
{
    if (!m_scrollBar) {
        return;
    }
    const int current = value();
    if (current < m_scrollBar->value()) {
        m_scrollBar->setValue(current);
    } else if (current >= m_scrollBar->value() + m_visibleRows) {
        m_scrollBar->setValue(current + 1 - m_visibleRows);
    }
}

void CListView::selectList()
{
    m_selectedLook = true;
    updateDoubleBuffer();
}

void CListView::unselectList()
{
    m_selectedLook = false;
    updateDoubleBuffer();
}

void CListView::updateSize()
{
    m_visibleRows =
        std::max((height() - 2 * m_marginHeight + m_spacingHeight) / (m_rowHeight + m_spacingHeight), 0);

    const int avail = width() - 2 * m_marginWidth;
    int used = 0;
    m_columnWidths.clear();
    int hinted = 0;
    for (int i = 0; i < m_columnCount - 1 && i < m_widthHints.size(); ++i) {
        const int w = std::max(std::min(m_widthHints[i], avail - used), 0);
        m_columnWidths.append(w);
        used += w + m_spacingWidth;
        ++hinted;
    }
    const int share = std::max((avail - used + m_spacingWidth) / (m_columnCount - hinted), 0);
    for (int i = hinted; i < m_columnCount - 1; ++i) {
        m_columnWidths.append(share);
        used += share + m_spacingWidth;
    }
    m_columnWidths.append(std::max(avail - used, 0));

    if (m_scrollBar) {
        m_scrollBar->setPageStep(m_visibleRows);
    }
    updateView();
}

void CListView::updateView()
{
    if (m_scrollBar) {
        m_scrollBar->setRange(0, std::max(count() - m_visibleRows, 0));
    }
    updateDoubleBuffer();
}

QSize CListView::sizeHint() const
{
    return {100, 200};
}

QSize CListView::minimumSizeHint() const
{
    return {0, 0};
}

bool CListView::event(QEvent* e)
{
    if (eventDoubleBuffer(e)) {
        return false;
    }
    return QWidget::event(e);
}

void CListView::selectRowAt(const QPoint& pos)
{
    if (pos.x() < m_marginWidth || pos.x() >= width() - m_marginWidth) {
        return;
    }
    const int row = getIndex(pos.y());
    if (row != -1) {
        setValue(row);
    }
}

void CListView::mousePressEvent(QMouseEvent* e)
{
    selectRowAt(e->position().toPoint());
}

void CListView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton)) {
        return;
    }
    const QPoint pos = e->position().toPoint();
    const int row = getIndex(pos.y());
    if (row == -1) {
        return;
    }
    if (row == value()) {
        emit itemDoubleClick(row, getColumn(pos.x()));
    } else {
        selectRowAt(pos);
    }
}

void CListView::wheelEvent(QWheelEvent* e)
{
    if (focusPolicy() & Qt::ClickFocus) {
        setFocus(Qt::OtherFocusReason);
    }
    if (m_scrollBar) {
        QCoreApplication::sendEvent(m_scrollBar, e);
    }
}

void CListView::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        e->accept();
        return;
    default:
        break;
    }
    QAbstractSlider::keyPressEvent(e);
    switch (e->key()) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        adjustScroll();
        break;
    default:
        break;
    }
}

void CListView::focusInEvent(QFocusEvent* e)
{
    emit listSelected(this);
    m_selectedLook = true;
    updateDoubleBuffer();
    QAbstractSlider::focusInEvent(e);
}

void CListView::resizeEvent(QResizeEvent* e)
{
    QAbstractSlider::resizeEvent(e);
    updateSize();
}

void CListView::sliderChange(SliderChange change)
{
    if (change == SliderRangeChange) {
        updateView();
    }
}

void CListView::updateValue()
{
    updateDoubleBuffer();
}

QString CListView::trimmedText(const QString& text, int width) const
{
    const QFontMetrics metrics(font());
    if (metrics.horizontalAdvance(text) <= width) {
        return text;
    }
    QString shortened = text;
    while (!shortened.isEmpty()) {
        shortened.chop(1);
        if (metrics.horizontalAdvance(shortened + m_trimLabel) <= width) {
            break;
        }
    }
    return shortened + m_trimLabel;
}

void CListView::paintDoubleBuffer(QPainter* painter)
{
    const int first = firstShownRow();
    const int last = std::min(count(), first + m_visibleRows);
    int y = m_marginHeight;
    for (int row = std::max(first, 0); row < last; ++row) {
        const bool current = row == value();
        QColor textColor = m_foregroundColor;
        QColor background = (row % 2 == 0) ? m_backgroundOddRowColor : m_backgroundEvenRowColor;
        if (current && m_selectedLook) {
            textColor = m_foregroundSelectedFocusColor;
            background = QColor(0, 162, 0);
        } else if (current) {
            textColor = m_foregroundFocusColor;
            background = m_backgroundFocusColor;
        }

        int x = m_marginWidth;
        const QStringList& strings = m_rows[row];
        for (int column = 0; column < m_columnWidths.size(); ++column) {
            const int columnWidth = m_columnWidths[column];
            painter->fillRect(x, y, columnWidth, m_rowHeight, background);
            int iconSpace = 0;
            if (column == m_columnIcon && m_icons.contains(row)) {
                const QPixmap& icon = m_icons[row];
                const int half = icon.height() / 2;
                const QRect source = current ? QRect(0, half, icon.width(), icon.height() - half)
                                             : QRect(0, 0, icon.width(), half);
                painter->drawPixmap(QPoint(x + m_itemMarginWidth, y + (m_rowHeight - half) / 2), icon, source);
                iconSpace = icon.width() + m_iconMarginWidth;
            }
            if (column < strings.size()) {
                const int available = columnWidth - 2 * m_itemMarginWidth - iconSpace;
                const QString shown = m_trim ? trimmedText(strings[column], available) : strings[column];
                const QRect textRect(x + iconSpace + m_itemMarginWidth + m_textDrawXPointOffset,
                                     y + m_itemMarginHeight + m_textDrawYPointOffset, available,
                                     m_rowHeight - 2 * m_itemMarginHeight);
                painter->save();
                painter->setClipRect(QRect(x, y, columnWidth, m_rowHeight));
                painter->setPen(textColor);
                painter->drawText(textRect, static_cast<int>(m_alignment), shown);
                painter->restore();
            }
            x += columnWidth + m_spacingWidth;
        }
        if (m_marks.value(row, false)) {
            painter->save();
            painter->setPen(QPen(m_markedFrameColor, 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(m_marginWidth, y, width() - 2 * m_marginWidth - 1, m_rowHeight - 1);
            painter->restore();
        }
        y += m_rowHeight + m_spacingHeight;
    }
}
