#pragma once

#include <QPoint>

namespace kwwidgets {

// Holds the pointer in place while a value is dragged: the pointer is moved to a centre point after each
// step, and the next step is measured from there. Where the platform cannot move the pointer (Wayland,
// offscreen), the pointer stays where it is and steps are measured from the last position seen instead.
class PointerHold
{
public:
    // Starts at a press: tries to move the pointer to centre.
    void start(const QPoint& pressGlobal, const QPoint& centreGlobal);
    // True when a move event at this global position is the pointer resting where it was put.
    bool isAtReference(const QPoint& global) const { return global == m_reference; }
    // Vertical distance of a move from the reference point.
    int deltaY(const QPoint& global) const { return global.y() - m_reference.y(); }
    // After a step: puts the pointer back at the centre, or follows it when it cannot be moved.
    void recentre(const QPoint& eventGlobal);
    // At the release: returns the pointer to where the press was, if it is elsewhere.
    void finish();

    QPoint reference() const { return m_reference; }
    QPoint pressPosition() const { return m_press; }

private:
    // Moves the pointer to target; true when the platform reports it there afterwards.
    static bool warp(const QPoint& target);

    QPoint m_press;
    QPoint m_centre;
    QPoint m_reference;
};

} // namespace kwwidgets
