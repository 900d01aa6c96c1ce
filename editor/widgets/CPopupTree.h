#pragma once

#include "detail/PopupFrame.h"

#include <QPointer>
#include <QTreeWidget>

class CPopupTree;

// The pop-up tree's inner item widget; decides a leaf on a click or Return; GUI thread only.
class CPopupTreeWidget : public QTreeWidget
{
    Q_OBJECT

public:
    explicit CPopupTreeWidget(CPopupTree* owner);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    CPopupTree* m_owner;
    bool m_pressed = false;
};

// Modal pick-one pop-up over a tree of items; returns the chosen leaf or null; GUI thread only.
class CPopupTree : public PopupFrame
{
    Q_OBJECT

public:
    explicit CPopupTree(QWidget* parent = nullptr);

    // The inner tree that the caller fills.
    CPopupTreeWidget* tree() const { return m_tree; }

    // Runs the pop-up at the pointer, at a global point, or beside a global rectangle, and returns the
    // chosen item (null when the pop-up was dismissed). The pop-up deletes itself once control returns to
    // the event loop, so the caller reads the item before it gets there.
    QTreeWidgetItem* exec();
    QTreeWidgetItem* exec(const QPoint& globalPos);
    QTreeWidgetItem* exec(const QRect& globalRect);
    // Places and shows without waiting.
    void popup(const QPoint& globalPos);
    // Records the choice and hides the pop-up, which ends a running exec().
    void decide(QTreeWidgetItem* item);

protected:
    QAbstractItemView* itemView() const override { return m_tree; }
    void makeFirstItemCurrent() override;
    void clearResult() override { m_result = nullptr; }

private slots:
    void adjustScrollArea();

private:
    QPointer<CPopupTreeWidget> m_tree;
    QTreeWidgetItem* m_result = nullptr;
};
