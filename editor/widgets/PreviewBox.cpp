#include "editor/widgets/PreviewBox.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace dw {

namespace {

// The most pixels drawn at once (4 MiB).
constexpr int kBandPixels = 1 << 20;

} // namespace

PreviewBox::PreviewBox(QWidget* parent) : QWidget(parent)
{
    // Every pixel is drawn by the preview: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect PreviewBox::visibleRect() const { return visibleRegion().boundingRect(); }

void PreviewBox::paintEvent(QPaintEvent* event)
{
    if (!m_drawer)
        return;
    QPainter painter(this);
    for (const QRect& rect : event->region()) {
        // In bands of rows, so that a large area (a grab of the whole widget) needs no image of
        // its size.
        const int rows = std::max(1, kBandPixels / std::max(rect.width(), 1));
        for (int top = rect.top(); top <= rect.bottom(); top += rows) {
            const QRect part(rect.left(), top, rect.width(), std::min(rows, rect.bottom() + 1 - top));
            if (m_drawer(part, m_part))
                painter.drawImage(part.topLeft(), m_part);
            else
                painter.fillRect(part, palette().window());
        }
    }
    // A band is not kept after the painting.
    m_part = QImage();
}

} // namespace dw
