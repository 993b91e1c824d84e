#pragma once

#include "editor/clock/ZoomLevel.h"

#include <QByteArray>
#include <QImage>
#include <QWidget>

#include <functional>

namespace dw {

// A picture control: shows its picture at the top left, unscaled (or zoomed, each pixel a square
// as drawZoomed draws it); where the control is larger the parent shows through. It also carries the BMP file bytes the picture came from, when it
// came from a file image, so that a hidden instance can hold a built-in picture for others.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }
    // Shows an image; forgets any file bytes.
    void setPicture(const QImage& picture);
    // Shows the picture of a BMP file image and keeps the bytes. Returns false (and shows
    // nothing) when the bytes are not a picture.
    bool loadFromBmp(const QByteArray& bytes);
    const QByteArray& bmpBytes() const { return m_bmp; }

    // The zoom the picture is shown at; 100 % at first. The control's size is the caller's.
    ZoomLevel zoom() const { return m_zoom; }
    void setZoom(ZoomLevel zoom);

    // Shows a picture of `size` that is not held: each painting asks `source` for the picture's
    // pixels of a rectangle (into an RGB32 image of its size) and draws only those, zoomed. A
    // picture set later replaces it.
    using PartSource = std::function<void(const QRect& rect, QImage& out)>;
    void setPartSource(QSize size, PartSource source);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    QByteArray m_bmp;
    ZoomLevel m_zoom;
    QImage m_zoomable; // m_picture as drawZoomed reads it, made at the first zoomed painting
    QImage m_zoomed;   // the part painted last, its memory reused
    QSize m_sourceSize;
    PartSource m_source;
    void paintFromSource(QPaintEvent* event);
};

} // namespace dw
