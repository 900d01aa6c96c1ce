#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace kwwidgets {

// Where a pop-up of the given size goes at a global point: flipped above or left of the point when it
// would pass the bottom or right edge of the screen that holds the point.
QPoint popupPositionAtPoint(const QPoint& p, const QSize& size);
// Where a pop-up goes beside a global rectangle: right of it, pushed back inside the screen's edges.
QPoint popupPositionBesideRect(const QRect& r, const QSize& size);
// The same with an explicit screen rectangle (for tests).
QPoint popupPositionAtPoint(const QPoint& p, const QSize& size, const QRect& screen);
QPoint popupPositionBesideRect(const QRect& r, const QSize& size, const QRect& screen);
// Gives an inner item widget the application's style, palette and font.
void adoptApplicationLook(QWidget* w);

} // namespace kwwidgets

