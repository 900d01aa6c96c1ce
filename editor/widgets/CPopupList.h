#pragma once

#include "detail/PopupFrame.h"

#include <QListWidget>
#include <QPointer>

class CPopupList;

// The pop-up list's inner item widget; decides an item on a click or Return; GUI thread only.
class CPopupListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit CPopupListWidget(CPopupList* owner);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    CPopupList* m_owner;
    bool m_pressed = false;
};

// Modal pick-one pop-up over a flat list; returns the chosen item or null; GUI thread only.
class CPopupList : public PopupFrame
{
    Q_OBJECT

public:
    explicit CPopupList(QWidget* parent = nullptr);

    // The inner list that the caller fills.
    CPopupListWidget* list() const { return m_list; }

    // As CPopupTree::exec: the pop-up deletes itself once control returns to the event loop.
    QListWidgetItem* exec();
    QListWidgetItem* exec(const QPoint& globalPos);
    QListWidgetItem* exec(const QRect& globalRect);
    void popup(const QPoint& globalPos);
    void decide(QListWidgetItem* item);

protected:
    QAbstractItemView* itemView() const override { return m_list; }
    void makeFirstItemCurrent() override;
    void clearResult() override { m_result = nullptr; }

private:
    QPointer<CPopupListWidget> m_list;
    QListWidgetItem* m_result = nullptr;
};
