#include "CPopupTree.h"

#include "detail/PopupPlacement.h"

#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

CPopupTreeWidget::CPopupTreeWidget(CPopupTree* owner)
    : QTreeWidget(owner)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("CPopupTreeWidget"));
}

void CPopupTreeWidget::mousePressEvent(QMouseEvent* e)
{
    QTreeWidget::mousePressEvent(e);
    if (e->button() == Qt::LeftButton) {
        m_pressed = true;
    }
}

void CPopupTreeWidget::mouseReleaseEvent(QMouseEvent* e)
{
    QTreeWidget::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton || !m_pressed) {
        return;
    }
    m_pressed = false;
    const QPoint pos = e->position().toPoint();
    QTreeWidgetItem* item = itemAt(pos);
    if (!item || !item->isSelected()) {
        return;
    }
    if (item->childCount() == 0) {
        m_owner->decide(item);
    } else if (pos.x() >= visualItemRect(item).left()) {
        // A click on a branch's text opens or closes it; a click on its indicator is the view's own.
        item->setExpanded(!item->isExpanded());
    }
}

void CPopupTreeWidget::keyPressEvent(QKeyEvent* e)
{
    QTreeWidget::keyPressEvent(e);
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) {
        return;
    }
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.size() == 1 && selected.first()->childCount() == 0) {
        m_owner->decide(selected.first());
    }
}

void CPopupTreeWidget::resizeEvent(QResizeEvent* e)
{
    QTreeWidget::resizeEvent(e);
    resizeColumnToContents(0);
}

CPopupTree::CPopupTree(QWidget* parent)
    : PopupFrame(parent)
{
    m_tree = new CPopupTreeWidget(this);
    kwwidgets::adoptApplicationLook(m_tree);
    m_tree->setColumnCount(1);
    m_tree->header()->hide();
    connect(m_tree, &QTreeWidget::itemChanged, this, &CPopupTree::adjustScrollArea);
    connect(m_tree, &QTreeWidget::itemCollapsed, this, &CPopupTree::adjustScrollArea);
    connect(m_tree, &QTreeWidget::itemExpanded, this, &CPopupTree::adjustScrollArea);
}

QTreeWidgetItem* CPopupTree::exec()
{
    return exec(QCursor::pos());
}

QTreeWidgetItem* CPopupTree::exec(const QPoint& globalPos)
{
    return runAt(globalPos) ? m_result : nullptr;
}

QTreeWidgetItem* CPopupTree::exec(const QRect& globalRect)
{
    return exec(besideRect(globalRect));
}

void CPopupTree::popup(const QPoint& globalPos)
{
    placeAndShow(globalPos);
}

void CPopupTree::decide(QTreeWidgetItem* item)
{
    m_result = item;
    hide();
}

void CPopupTree::makeFirstItemCurrent()
{
    if (m_tree && !m_tree->currentItem() && m_tree->topLevelItemCount() > 0) {
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
    }
}

void CPopupTree::adjustScrollArea()
{
    if (m_tree) {
        m_tree->resizeColumnToContents(0);
    }
}
