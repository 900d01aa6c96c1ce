#include "detail/PopupFrame.h"

#include "detail/PopupPlacement.h"

#include <QAbstractItemView>
#include <QEventLoop>
#include <QPointer>

PopupFrame::PopupFrame(QWidget* parent)
    : QWidget(parent, Qt::Popup)
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(sizeHint());
}

QSize PopupFrame::sizeHint() const
{
    return {150, 250};
}

QSize PopupFrame::minimumSizeHint() const
{
    return {0, 0};
}

bool PopupFrame::runAt(const QPoint& p)
{
    QPointer<PopupFrame> guard(this);
    QEventLoop loop;
    m_loop = &loop;
    placeAndShow(p);
    if (guard && guard->isVisible()) {
        loop.exec();
    }
    if (!guard) {
        return false;
    }
    m_loop = nullptr;
    deleteLater();
    return true;
}

void PopupFrame::placeAndShow(const QPoint& p)
{
    move(kwwidgets::popupPositionAtPoint(p, size()));
    if (QAbstractItemView* view = itemView()) {
        makeFirstItemCurrent();
        view->setGeometry(rect());
        view->setFocus(Qt::OtherFocusReason);
    }
    clearResult();
    show();
}

QPoint PopupFrame::besideRect(const QRect& r) const
{
    return kwwidgets::popupPositionBesideRect(r, size());
}

void PopupFrame::resizeEvent(QResizeEvent* e)
{
    if (QAbstractItemView* view = itemView()) {
        view->setGeometry(rect());
    }
    QWidget::resizeEvent(e);
}

void PopupFrame::hideEvent(QHideEvent* e)
{
    if (m_loop) {
        m_loop->exit();
    }
    QWidget::hideEvent(e);
}
