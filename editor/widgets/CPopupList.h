#pragma once

#include <QListWidget>
#include <QPointer>
#include <QWidget>

class CPopupList;
class QEventLoop;

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
class CPopupList : public QWidget
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

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    QPointer<CPopupListWidget> m_list;
    QEventLoop* m_loop = nullptr;
    QListWidgetItem* m_result = nullptr;
};
