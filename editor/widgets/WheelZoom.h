#pragma once

#include <QWheelEvent>

#include <functional>

namespace dw {

// Ctrl with the mouse wheel zooms a work area a step a notch; a notch is 120, and finer wheels
// add up to one. Without Ctrl the wheel scrolls, and what had added up is dropped.
class WheelZoom {
public:
    // Returns whether the event was taken as zooming.
    bool take(QWheelEvent* event, const std::function<void()>& zoomIn, const std::function<void()>& zoomOut)
    {
        if (!(event->modifiers() & Qt::ControlModifier)) {
            m_steps = 0;
            return false;
        }
        m_steps += event->angleDelta().y();
        for (; m_steps >= 120; m_steps -= 120)
            zoomIn();
        for (; m_steps <= -120; m_steps += 120)
            zoomOut();
        event->accept();
        return true;
    }

private:
    int m_steps = 0; // rotation not yet made into a step, in 1/120 of a notch
};

} // namespace dw
