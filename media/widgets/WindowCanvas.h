#pragma once

#include "platform/Canvas.h"

#include <QImage>
#include <QPointer>

#include <memory>

class QWidget;

namespace dw {

// A canvas on a window, as the system's window device context gives one: what is drawn on it
// shows on the window at once, over the window's own painting, until the canvas is released
// (destroyed); then the window paints itself again. Pixels never drawn show the window as it
// paints itself meanwhile. The window may go away before the canvas does (the user closes it
// while an animation plays): drawing then goes on into the canvas's own surface and shows
// nowhere.
class WindowCanvas {
public:
    explicit WindowCanvas(QWidget* window);
    ~WindowCanvas();
    WindowCanvas(const WindowCanvas&) = delete;
    WindowCanvas& operator=(const WindowCanvas&) = delete;

    TCanvas& canvas() { return *m_canvas; }
    // What has been drawn so far (alpha 0 where nothing was).
    const QImage& drawn() const { return m_surface; }

private:
    QImage m_surface; // the window's size, transparent at first
    std::unique_ptr<TCanvas> m_canvas;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_overlay; // a child of the window that shows m_surface on top
};

} // namespace dw
