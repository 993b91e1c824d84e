#include "editor/widgets/PictureBox.h"

#include "editor/clock/ZoomedPixels.h"

#include <QPaintEvent>
#include <QPainter>

namespace dw {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_zoomable = QImage();
    m_bmp.clear();
    update();
}

bool PictureBox::loadFromBmp(const QByteArray& bytes)
{
    QImage decoded;
    const bool ok = decoded.loadFromData(bytes, "BMP");
    m_picture = ok ? decoded : QImage();
    m_zoomable = QImage();
    m_bmp = ok ? bytes : QByteArray();
    update();
    return ok;
}

QSize PictureBox::sizeHint() const { return m_picture.isNull() ? QSize(0, 0) : m_picture.size(); }

void PictureBox::setZoom(ZoomLevel zoom)
{
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
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
