#pragma once

#include <QPixmap>
#include <QRect>
#include <Qt>

class QEvent;
class QPainter;
class QWidget;

// Mix-in that renders a widget's whole face into an off-screen pixmap and copies it on paint; GUI thread only.
class DoubleBuffer
{
public:
    explicit DoubleBuffer(QWidget* owner);
    virtual ~DoubleBuffer();

    DoubleBuffer(const DoubleBuffer&) = delete;
    DoubleBuffer& operator=(const DoubleBuffer&) = delete;

    // Marks the face out of date and schedules a repaint; does nothing before the owner is polished.
    void updateDoubleBuffer();
    // The same with an immediate repaint.
    void repaintDoubleBuffer();
    // Called first by the owner's event(); true means the event was taken and event() returns false.
    bool eventDoubleBuffer(QEvent* e);
    // Renders the face when it is out of date (or the owner's size no longer matches it).
    void updateDoubleBufferPixmap();

    bool isDoubleBufferDirty() const { return m_dirty; }
    bool isDoubleBufferPolished() const { return m_polished; }
    const QPixmap& doubleBufferPixmap() const { return m_pixmap; }

protected:
    virtual void paintDoubleBuffer(QPainter* painter) = 0;

private:
    QWidget* m_owner;
    bool m_dirty = true;
    bool m_polished = false;
    QPixmap m_pixmap;
};

// The cell of a combined image (columns are categories, rows are states) and where it lands in a widget.
struct CombinedImageCell
{
    QRect source;   // the cell inside the picture
    QPoint target;  // its top-left corner in the widget; may be negative (then the cell is clipped)
};

// Works out the cell (category, row) of a picture holding categories x rows equal cells, placed in a
// widget of the given size by the alignment's horizontal and vertical parts. Out-of-range arguments are
// clamped so that a bad category or row never reads outside the picture.
CombinedImageCell combinedImageCell(const QSize& pictureSize, int categories, int category, int rows, int row,
                                    Qt::Alignment alignment, const QSize& widgetSize);

// Draws that cell unscaled; a null picture draws nothing.
void drawCombinedImage(QPainter* painter, const QPixmap& picture, int categories, int category, int rows, int row,
                       Qt::Alignment alignment, const QSize& widgetSize);

// The look of a picture control: one combined image, how many category columns it holds, the column shown and
// where the cell sits in the widget. Setters clamp as the controls' properties promise.
struct CombinedImageLook
{
    Qt::Alignment alignment = Qt::AlignHCenter | Qt::AlignVCenter;
    QPixmap image;
    bool hasDownImage = true;
    int categories = 1;
    int category = 0;

    void setCategories(int n);
    void setCategory(int c);
    void draw(QPainter* painter, int rows, int row, const QSize& widgetSize) const;
    // On/off and radio pictures: the pressed row when the picture has one and the button is down, else off
    // (neither checked nor down) or on.
    void drawButton(QPainter* painter, bool down, bool checked, const QSize& widgetSize) const;
};
