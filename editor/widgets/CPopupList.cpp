#include "CPopupList.h"

#include "detail/PopupPlacement.h"

#include <QCursor>
#include <QEventLoop>
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
    : QWidget(parent, Qt::Popup)
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(sizeHint());
    m_list = new CPopupListWidget(this);
    kwwidgets::adoptApplicationLook(m_list);
}

QSize CPopupList::sizeHint() const
{
    return {150, 250};
}

QSize CPopupList::minimumSizeHint() const
{
    return {0, 0};
}

QListWidgetItem* CPopupList::exec()
{
    return exec(QCursor::pos());
}

QListWidgetItem* CPopupList::exec(const QPoint& globalPos)
{
    if (!kwwidgets::runPopup(this, m_loop, [&] { popup(globalPos); })) {
        return nullptr;
    }
    return m_result;
}

QListWidgetItem* CPopupList::exec(const QRect& globalRect)
{
    return exec(kwwidgets::popupPositionBesideRect(globalRect, size()));
}

void CPopupList::popup(const QPoint& globalPos)
{
    move(kwwidgets::popupPositionAtPoint(globalPos, size()));
    if (m_list) {
        if (!m_list->currentItem() && m_list->count() > 0) {
            m_list->setCurrentRow(0);
        }
        m_list->setGeometry(rect());
        m_list->setFocus(Qt::OtherFocusReason);
    }
    m_result = nullptr;
    show();
}

void CPopupList::decide(QListWidgetItem* item)
{
    m_result = item;
    hide();
}

void CPopupList::resizeEvent(QResizeEvent* e)
{
    if (m_list) {
        m_list->setGeometry(rect());
    }
    QWidget::resizeEvent(e);
}

void CPopupList::hideEvent(QHideEvent* e)
{
    if (m_loop) {
        m_loop->exit();
    }
    QWidget::hideEvent(e);
}
