#include "DoubleBuffer.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>

DoubleBuffer::DoubleBuffer(QWidget* owner)
    : m_owner(owner)
{
}

DoubleBuffer::~DoubleBuffer() = default;

void DoubleBuffer::updateDoubleBuffer()
{
    if (!m_polished) {
        return;
    }
    m_dirty = true;
    m_owner->update();
}

void DoubleBuffer::repaintDoubleBuffer()
{
    if (!m_polished) {
        return;
    }
    m_dirty = true;
    m_owner->repaint();
}

void DoubleBuffer::updateDoubleBufferPixmap()
{
    const QSize size = m_owner->size();
    if (size.width() <= 0 || size.height() <= 0) {
        return;
    }
    // A face of the old size would leave parts of a grown widget unpainted or paint outside a shrunk one,
    // so a size change renders again even when nothing marked the face dirty.
    const qreal ratio = m_owner->devicePixelRatioF();
    const QSize deviceSize = (QSizeF(size) * ratio).toSize();
    if (!m_dirty && m_pixmap.size() == deviceSize) {
        return;
    }
    QPixmap pixmap(deviceSize);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        // What the owner's pen, background and font would give a painter begun on the widget itself.
        painter.setPen(m_owner->palette().color(m_owner->foregroundRole()));
        painter.setBackground(m_owner->palette().brush(m_owner->backgroundRole()));
        painter.setFont(m_owner->font());
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        paintDoubleBuffer(&painter);
    }
    m_pixmap = pixmap;
    m_dirty = false;
}

bool DoubleBuffer::eventDoubleBuffer(QEvent* e)
{
    switch (e->type()) {
    case QEvent::Paint: {
        updateDoubleBufferPixmap();
        if (!m_pixmap.isNull()) {
            QPainter painter(m_owner);
            painter.drawPixmap(0, 0, m_pixmap);
        }
        return true;
    }
    case QEvent::Show:
        updateDoubleBufferPixmap();
        return false;
    case QEvent::Polish:
        m_polished = true;
        updateDoubleBufferPixmap();
        return true;
    default:
        return false;
    }
}

CombinedImageCell combinedImageCell(const QSize& pictureSize, int categories, int category, int rows, int row,
                                    Qt::Alignment alignment, const QSize& widgetSize)
{
    categories = std::max(categories, 1);
    rows = std::max(rows, 1);
    category = std::clamp(category, 0, categories - 1);
    row = std::clamp(row, 0, rows - 1);
    const int cellWidth = pictureSize.width() / categories;
    const int cellHeight = pictureSize.height() / rows;

    int x = 0;
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    if (horizontal == Qt::AlignHCenter) {
        x = (widgetSize.width() - cellWidth) / 2;
    } else if (horizontal == Qt::AlignRight) {
        x = widgetSize.width() - cellWidth;
    }
    int y = 0;
    const Qt::Alignment vertical = alignment & Qt::AlignVertical_Mask;
    if (vertical == Qt::AlignVCenter) {
        y = (widgetSize.height() - cellHeight) / 2;
    } else if (vertical == Qt::AlignBottom) {
        y = widgetSize.height() - cellHeight;
    }
    return {QRect(category * cellWidth, row * cellHeight, cellWidth, cellHeight), QPoint(x, y)};
}

void drawCombinedImage(QPainter* painter, const QPixmap& picture, int categories, int category, int rows, int row,
                       Qt::Alignment alignment, const QSize& widgetSize)
{
    if (picture.isNull()) {
        return;
    }
    const qreal ratio = picture.devicePixelRatio();
    const CombinedImageCell cell =
        combinedImageCell((QSizeF(picture.size()) / ratio).toSize(), categories, category, rows, row, alignment,
                          widgetSize);
    if (cell.source.isEmpty()) {
        return;
    }
    const QRectF source(QPointF(cell.source.topLeft()) * ratio, QSizeF(cell.source.size()) * ratio);
    painter->drawPixmap(QRectF(cell.target, cell.source.size()), picture, source);
}

void CombinedImageLook::setCategories(int n)
{
    categories = std::max(n, 1);
    category = std::min(category, categories - 1);
}

void CombinedImageLook::setCategory(int c)
{
    category = std::clamp(c, 0, categories - 1);
}

void CombinedImageLook::draw(QPainter* painter, int rows, int row, const QSize& widgetSize) const
{
    drawCombinedImage(painter, image, categories, category, rows, row, alignment, widgetSize);
}

void CombinedImageLook::drawButton(QPainter* painter, bool down, bool checked, const QSize& widgetSize) const
{
    int row = 1;
    if (hasDownImage && down) {
        row = 2;
    } else if (!checked && !down) {
        row = 0;
    }
    draw(painter, hasDownImage ? 3 : 2, row, widgetSize);
}
