#pragma once

#include <QWheelEvent>

namespace kwwidgets {

// The direction of a wheel turn: the vertical angle, or the horizontal one for a sideways wheel; only its
// sign counts, so touchpads with small high-resolution steps move one step per event like a mouse wheel.
inline int wheelDelta(const QWheelEvent* e)
{
    const QPoint angle = e->angleDelta();
    return angle.y() != 0 ? angle.y() : angle.x();
}

} // namespace kwwidgets
