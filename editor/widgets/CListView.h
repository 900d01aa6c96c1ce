#pragma once

#include "DoubleBuffer.h"

#include <QAbstractSlider>
#include <QColor>
#include <QList>
#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

#include <QScrollBar>

// Self-drawn multi-column list whose value is the current row, scrolled by an outside bar; GUI thread only.
class CListView : public QAbstractSlider, public DoubleBuffer
{
    Q_OBJECT
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(QColor foregroundColor READ foregroundColor WRITE setForegroundColor)
    Q_PROPERTY(QColor foregroundFocusColor READ foregroundFocusColor WRITE setForegroundFocusColor)
    Q_PROPERTY(QColor foregroundSelectedFocusColor READ foregroundSelectedFocusColor WRITE
                   setForegroundSelectedFocusColor)
    Q_PROPERTY(QColor backgroundOddRowColor READ backgroundOddRowColor WRITE setBackgroundOddRowColor)
    Q_PROPERTY(QColor backgroundEvenRowColor READ backgroundEvenRowColor WRITE setBackgroundEvenRowColor)
    Q_PROPERTY(QColor backgroundFocusColor READ backgroundFocusColor WRITE setBackgroundFocusColor)
    Q_PROPERTY(QColor markedFrameColor READ markedFrameColor WRITE setMarkedFrameColor)
    Q_PROPERTY(QString columnWidthHint READ columnWidthHint WRITE setColumnWidthHint)
    Q_PROPERTY(int rowHeight READ rowHeight WRITE setRowHeight)
    Q_PROPERTY(int marginWidth READ marginWidth WRITE setMarginWidth)
    Q_PROPERTY(int marginHeight READ marginHeight WRITE setMarginHeight)
    Q_PROPERTY(int spacingWidth READ spacingWidth WRITE setSpacingWidth)
    Q_PROPERTY(int spacingHeight READ spacingHeight WRITE setSpacingHeight)
    Q_PROPERTY(int textDrawXPointOffset READ textDrawXPointOffset WRITE setTextDrawXPointOffset)
    Q_PROPERTY(int textDrawYPointOffset READ textDrawYPointOffset WRITE setTextDrawYPointOffset)
    Q_PROPERTY(int itemMarginWidth READ itemMarginWidth WRITE setItemMarginWidth)
    Q_PROPERTY(int itemMarginHeight READ itemMarginHeight WRITE setItemMarginHeight)
    Q_PROPERTY(int iconMarginWidth READ iconMarginWidth WRITE setIconMarginWidth)
    Q_PROPERTY(int columnCount READ columnCount WRITE setColumnCount)
    Q_PROPERTY(int columnIcon READ columnIcon WRITE setColumnIcon)
    Q_PROPERTY(bool trim READ trim WRITE setTrim)
    Q_PROPERTY(QString trimLabel READ trimLabel WRITE setTrimLabel)

public:
    explicit CListView(QWidget* parent = nullptr);

    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment a);
    QColor foregroundColor() const { return m_foregroundColor; }
    void setForegroundColor(const QColor& c);
    QColor foregroundFocusColor() const { return m_foregroundFocusColor; }
    void setForegroundFocusColor(const QColor& c);
    QColor foregroundSelectedFocusColor() const { return m_foregroundSelectedFocusColor; }
    void setForegroundSelectedFocusColor(const QColor& c);
    QColor backgroundOddRowColor() const { return m_backgroundOddRowColor; }
    void setBackgroundOddRowColor(const QColor& c);
    QColor backgroundEvenRowColor() const { return m_backgroundEvenRowColor; }
    void setBackgroundEvenRowColor(const QColor& c);
    QColor backgroundFocusColor() const { return m_backgroundFocusColor; }
    void setBackgroundFocusColor(const QColor& c);
    QColor markedFrameColor() const { return m_markedFrameColor; }
    void setMarkedFrameColor(const QColor& c);
    QString columnWidthHint() const { return m_columnWidthHint; }
    void setColumnWidthHint(const QString& hint);
    int rowHeight() const { return m_rowHeight; }
    void setRowHeight(int v);
    int marginWidth() const { return m_marginWidth; }
    void setMarginWidth(int v);
    int marginHeight() const { return m_marginHeight; }
    void setMarginHeight(int v);
    int spacingWidth() const { return m_spacingWidth; }
    void setSpacingWidth(int v);
    int spacingHeight() const { return m_spacingHeight; }
    void setSpacingHeight(int v);
    int textDrawXPointOffset() const { return m_textDrawXPointOffset; }
    void setTextDrawXPointOffset(int v);
    int textDrawYPointOffset() const { return m_textDrawYPointOffset; }
    void setTextDrawYPointOffset(int v);
    int itemMarginWidth() const { return m_itemMarginWidth; }
    void setItemMarginWidth(int v);
    int itemMarginHeight() const { return m_itemMarginHeight; }
    void setItemMarginHeight(int v);
    int iconMarginWidth() const { return m_iconMarginWidth; }
    void setIconMarginWidth(int v);
    int columnCount() const { return m_columnCount; }
    void setColumnCount(int v);
    int columnIcon() const { return m_columnIcon; }
    void setColumnIcon(int v);
    bool trim() const { return m_trim; }
    void setTrim(bool on);
    QString trimLabel() const { return m_trimLabel; }
    void setTrimLabel(const QString& label);

    void setScrollBar(QScrollBar* bar);
    QScrollBar* scrollBar() const { return m_scrollBar; }

    void clear();
    void addItem(const QStringList& item);
    bool insertItem(int index, const QStringList& item);
    bool removeItem(int index);
    bool setItem(int index, const QStringList& item);
    bool setItemIcon(int index, const QPixmap& icon);
    void addMark(int index);
    void removeMark(int index);
    void clearMarks();
    bool isMarked(int index) const { return m_marks.value(index, false); }
    int count() const { return static_cast<int>(m_rows.size()); }

    int getIndex(int y) const;
    int getColumn(int x) const;
    QString text(int row, int column) const;
    QRect getItemRect(int row) const;
    int visibleRows() const { return m_visibleRows; }
    QList<int> columnWidths() const { return m_columnWidths; }
    bool isListSelected() const { return m_selectedLook; }

    void selectList();
    void unselectList();
    void updateSize();
    void updateView();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void adjustScroll();

signals:
    void itemDoubleClick(int index, int column);
    void listSelected(CListView* self);

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void sliderChange(SliderChange change) override;
    virtual void paintDoubleBuffer(QPainter* painter) override;

private slots:
    void updateValue();

private:
    void setRowRange();
    void selectRowAt(const QPoint& pos);
    int firstShownRow() const;
    QString trimmedText(const QString& text, int width) const;

    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor m_foregroundColor{182, 182, 182};
    QColor m_foregroundFocusColor{178, 178, 178};
    QColor m_foregroundSelectedFocusColor{255, 255, 255};
    QColor m_backgroundOddRowColor{89, 89, 89};
    QColor m_backgroundEvenRowColor{72, 71, 71};
    QColor m_backgroundFocusColor{0, 102, 0};
    QColor m_markedFrameColor{0, 255, 0};
    QString m_columnWidthHint;
    int m_rowHeight = 15;
    int m_marginWidth = 0;
    int m_marginHeight = 0;
    int m_spacingWidth = 2;
    int m_spacingHeight = 2;
    int m_textDrawXPointOffset = 0;
    int m_textDrawYPointOffset = 0;
    int m_itemMarginWidth = 0;
    int m_itemMarginHeight = 0;
    int m_iconMarginWidth = 5;
    int m_columnCount = 1;
    int m_columnIcon = 0;
    bool m_trim = false;
    QString m_trimLabel = QStringLiteral("...");

    QList<QStringList> m_rows;
    QMap<int, QPixmap> m_icons;
    QMap<int, bool> m_marks;
    QList<int> m_widthHints;
    QList<int> m_columnWidths;
    int m_visibleRows = 0;
    QPointer<QScrollBar> m_scrollBar;
    bool m_selectedLook = false;
};
