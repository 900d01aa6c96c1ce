#pragma once

#include <QLabel>

// Short-lived green outline over part of a widget, feedback after an edit action; removes and deletes itself;
// GUI thread only.
class FlashFrame : public QLabel
{
    Q_OBJECT

public:
    explicit FlashFrame(QWidget* parent);

    // Outlines r in w (the whole of w when r is not valid); nothing when w is null.
    static void start(QWidget* w, const QRect& r);
    // Outlines (x, y, width, height) in w's coordinates; nothing when w is null or the area is empty.
    static void start(QWidget* w, int x, int y, int width, int height);

    // How long the outline stays, and how often a held-down outline looks again; tests shorten them.
    static void setTimings(int showMs, int recheckMs);

protected:
    void timerEvent(QTimerEvent* e) override;

private:
    bool m_blanked = false;
};
