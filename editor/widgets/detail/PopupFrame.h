#pragma once

#include <QWidget>

class QAbstractItemView;
class QEventLoop;

// What the two pick-one pop-ups share: a Qt::Popup window that deletes itself once closed, is placed at a
// point or beside a rectangle, and runs modally in a local event loop until it is hidden; GUI thread only.
class PopupFrame : public QWidget
{
    Q_OBJECT

public:
    explicit PopupFrame(QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // Places and shows at p, then waits until the pop-up is hidden. False when the pop-up was destroyed
    // meanwhile. A pop-up that is still there is deleted once control returns to the event loop: a decision
    // only hides it, and nothing else would ever free it.
    bool runAt(const QPoint& p);
    // Places the pop-up at p (flipped at the screen's edges), readies its item view and shows it.
    void placeAndShow(const QPoint& p);
    // Where the pop-up goes beside a global rectangle.
    QPoint besideRect(const QRect& r) const;

    void resizeEvent(QResizeEvent* e) override;
    void hideEvent(QHideEvent* e) override;

    // The inner item view (null once it is gone), and the hooks that ready it and forget a choice.
    virtual QAbstractItemView* itemView() const = 0;
    virtual void makeFirstItemCurrent() = 0;
    virtual void clearResult() = 0;

private:
    QEventLoop* m_loop = nullptr;
};
