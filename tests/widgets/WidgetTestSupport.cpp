#include "WidgetTestSupport.h"

#include "DoubleBuffer.h"

#include <QPainter>
#include <QTest>
#include <QWidget>

namespace kwtest {

QColor cellColour(int col, int row)
{
    return QColor(20 + 50 * col, 30 + 60 * row, 200);
}

QPixmap solidCellImage(int cols, int rows, int cellW, int cellH)
{
    QImage image(cols * cellW, rows * cellH, QImage::Format_ARGB32);
    QPainter p(&image);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            p.fillRect(c * cellW, r * cellH, cellW, cellH, cellColour(c, r));
        }
    }
    p.end();
    return QPixmap::fromImage(image);
}

QImage faceOf(DoubleBuffer* buffer)
{
    buffer->updateDoubleBufferPixmap();
    return buffer->doubleBufferPixmap().toImage();
}

void showAndWait(QWidget* host)
{
    host->show();
    if (!QTest::qWaitForWindowExposed(host)) {
        qWarning("window was not exposed");
    }
    host->activateWindow();
    if (!QTest::qWaitForWindowActive(host)) {
        qWarning("window did not become active");
    }
}

} // namespace kwtest
