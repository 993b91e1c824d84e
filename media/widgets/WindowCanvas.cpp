#include "WindowCanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace dw {

namespace {

// Shows what was drawn on the window, above every other child, letting the mouse through.
class CanvasOverlay final : public QWidget {
public:
    CanvasOverlay(QWidget* window, const QImage* surface) : QWidget(window), m_surface(surface)
    {
        setObjectName(QStringLiteral("WindowCanvasOverlay"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, window->width(), window->height());
        raise();
        show();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.drawImage(event->rect().topLeft(), *m_surface, event->rect());
    }

private:
    const QImage* m_surface; // owned by the WindowCanvas, which deletes this overlay first
};

} // namespace

WindowCanvas::WindowCanvas(QWidget* window) : m_window(window)
{
    const QSize size = window ? window->size() : QSize();
    m_surface = QImage(size.isEmpty() ? QSize(1, 1) : size, QImage::Format_ARGB32_Premultiplied);
    m_surface.fill(Qt::transparent);
    m_canvas = std::make_unique<TCanvas>(&m_surface);
    if (window && !size.isEmpty())
        m_overlay = new CanvasOverlay(window, &m_surface);
    m_canvas->OnChange = [this] {
        if (m_overlay)
            m_overlay->update();
    };
}

WindowCanvas::~WindowCanvas()
{
    m_canvas->OnChange = nullptr;
    delete m_overlay.data();
    if (m_window)
        m_window->update();
}

} // namespace dw
