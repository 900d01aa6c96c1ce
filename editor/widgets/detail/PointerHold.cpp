#include "detail/PointerHold.h"

#include <QCursor>

namespace kwwidgets {

bool PointerHold::warp(const QPoint& target)
{
    if (QCursor::pos() != target) {
        QCursor::setPos(target);
    }
    return QCursor::pos() == target;
}

void PointerHold::start(const QPoint& pressGlobal, const QPoint& centreGlobal)
{
    m_press = pressGlobal;
    m_centre = centreGlobal;
    m_reference = warp(centreGlobal) ? centreGlobal : pressGlobal;
}

void PointerHold::recentre(const QPoint& eventGlobal)
{
    m_reference = warp(m_centre) ? m_centre : eventGlobal;
}

void PointerHold::finish()
{
    if (QCursor::pos() != m_press) {
        QCursor::setPos(m_press);
    }
}

} // namespace kwwidgets
