#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

class DoubleBuffer;
class QWidget;

namespace kwtest {

// A combined image of cols x rows cells of cellW x cellH, each one solid colour (cellColour).
QPixmap solidCellImage(int cols, int rows, int cellW, int cellH);
QColor cellColour(int col, int row);
// Renders the face now (the widget must be polished) and returns it as an image.
QImage faceOf(DoubleBuffer* buffer);
// Shows a top-level host and waits until it is exposed.
void showAndWait(QWidget* host);

} // namespace kwtest
