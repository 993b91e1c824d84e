#include "editor/widgets/PictureBox.h"

#include "editor/clock/ZoomedPixels.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace dw {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPartSource(QSize size, PartSource source)
{
    m_picture = QImage();
    m_zoomable = QImage();
    m_bmp.clear();
    m_sourceSize = size;
    m_source = std::move(source);
    update();
}

void PictureBox::setPicture(const QImage& picture)
{
    m_source = nullptr;
    m_picture = picture;
    m_zoomable = QImage();
    m_bmp.clear();
    update();
}

bool PictureBox::loadFromBmp(const QByteArray& bytes)
{
    QImage decoded;
    const bool ok = decoded.loadFromData(bytes, "BMP");
    m_source = nullptr;
    m_picture = ok ? decoded : QImage();
    m_zoomable = QImage();
    m_bmp = ok ? bytes : QByteArray();
    update();
    return ok;
}

QSize PictureBox::sizeHint() const
{
    if (m_source)
        return m_sourceSize;
    return m_picture.isNull() ? QSize(0, 0) : m_picture.size();
}

void PictureBox::setZoom(ZoomLevel zoom)
{
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    update();
}

void PictureBox::paintFromSource(QPaintEvent* event)
{
    QPainter painter(this);
    QImage plane;
    for (const QRect& screenRect : event->region()) {
        // In bands of at most 2^20 of the picture's pixels, so that a painting of the whole
        // picture needs no copy of it (zoomed out, a screen pixel covers several).
        const int64_t across = std::max<int64_t>(1, 100 / m_zoom.percent());
        const int rows = int(std::max<int64_t>(1, (int64_t(1) << 20) / (std::max(screenRect.width(), 1) * across * across)));
        for (int top = screenRect.top(); top <= screenRect.bottom(); top += rows) {
            const QRect part(screenRect.left(), top, screenRect.width(), std::min(rows, screenRect.bottom() + 1 - top));
            // The picture's pixels the part shows (beyond the picture, its last row or column).
            const QRect covered(QPoint(int(m_zoom.toPlane(part.left())), int(m_zoom.toPlane(part.top()))),
                                QPoint(int(m_zoom.toPlane(part.right())), int(m_zoom.toPlane(part.bottom()))));
            const QRect rect = covered.intersected(QRect(QPoint(0, 0), m_sourceSize));
            if (rect.isEmpty())
                continue;
            if (plane.size() != rect.size())
                plane = QImage(rect.size(), QImage::Format_RGB32);
            m_source(rect, plane);
            const QPoint origin(int(m_zoom.toScreen(rect.left())), int(m_zoom.toScreen(rect.top())));
            drawZoomed(plane, m_zoom, part.translated(-origin), m_zoomed);
            painter.drawImage(part.topLeft(), m_zoomed);
        }
    }
    m_zoomed = QImage();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    if (m_source) {
        paintFromSource(event);
        return;
    }
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    if (m_zoom.percent() == 100) {
        painter.drawImage(0, 0, m_picture);
        return;
    }
    // Only the parts to be painted are widened, each straight into place.
    if (m_zoomable.isNull())
        m_zoomable = zoomablePicture(m_picture);
    for (const QRect& part : event->region()) {
        drawZoomed(m_zoomable, m_zoom, part, m_zoomed);
        painter.drawImage(part.topLeft(), m_zoomed);
    }
}

} // namespace dw
