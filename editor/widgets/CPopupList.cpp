#include "CPopupList.h"

#include "detail/PopupPlacement.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

CPopupListWidget::CPopupListWidget(CPopupList* owner)
    : QListWidget(owner)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("CPopupListWidget"));
}

void CPopupListWidget::mousePressEvent(QMouseEvent* e)
{
    QListWidget::mousePressEvent(e);
    if (e->button() == Qt::LeftButton) {
        m_pressed = true;
    }
}

void CPopupListWidget::mouseReleaseEvent(QMouseEvent* e)
{
    QListWidget::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton || !m_pressed) {
        return;
    }
    m_pressed = false;
    QListWidgetItem* item = itemAt(e->position().toPoint());
    if (item && item->isSelected()) {
        m_owner->decide(item);
    }
}

void CPopupListWidget::keyPressEvent(QKeyEvent* e)
{
    QListWidget::keyPressEvent(e);
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) {
        return;
    }
    const QList<QListWidgetItem*> selected = selectedItems();
    if (selected.size() == 1) {
        m_owner->decide(selected.first());
    }
}

CPopupList::CPopupList(QWidget* parent)
    : PopupFrame(parent)
{
    m_list = new CPopupListWidget(this);
    kwwidgets::adoptApplicationLook(m_list);
}

QListWidgetItem* CPopupList::exec()
{
    return exec(QCursor::pos());
}

QListWidgetItem* CPopupList::exec(const QPoint& globalPos)
{
    return runAt(globalPos) ? m_result : nullptr;
}

QListWidgetItem* CPopupList::exec(const QRect& globalRect)
{
    return exec(besideRect(globalRect));
}

void CPopupList::popup(const QPoint& globalPos)
{
    placeAndShow(globalPos);
}

void CPopupList::decide(QListWidgetItem* item)
{
    m_result = item;
    hide();
}

void CPopupList::makeFirstItemCurrent()
{
    if (m_list && !m_list->currentItem() && m_list->count() > 0) {
        m_list->setCurrentRow(0);
    }
}
