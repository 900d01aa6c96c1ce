#pragma once

#include "DoubleBuffer.h"

#include <QFrame>
#include <QPixmap>

// Picture-backed frame on which the editor's windows and overlay panels are built; GUI thread only.
class CFrame : public QFrame, public DoubleBuffer
{
    Q_OBJECT
    Q_PROPERTY(QPixmap backgroundPixmap READ backgroundPixmap WRITE setBackgroundPixmap)

public:
    explicit CFrame(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    QPixmap backgroundPixmap() const { return m_backgroundPixmap; }
    void setBackgroundPixmap(const QPixmap& pixmap);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* e) override;
    // A bare part of a frame keeps the mouse to itself instead of passing it up the widget tree.
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

    virtual void paintDoubleBuffer(QPainter* painter) override;

private:
    QPixmap m_backgroundPixmap;
};
