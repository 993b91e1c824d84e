#pragma once

// Pictures the benchmarks draw: a clock dial with a face and sixty ticks.

#include <QColor>
#include <QImage>
#include <QPainter>

namespace bench {

// A square dial of the side: a round face (245, 235, 210) with ticks of the colour, on the
// background (its bottom-left colour, from which the clock's shape is cut). An image with an
// alpha channel when the background is transparent, its edges then smoothed.
inline QImage dialImage(int side, QColor background, QColor ticks)
{
    const bool alpha = background.alpha() < 255;
    QImage image(side, side, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, alpha);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 235, 210));
    p.drawEllipse(QRectF(8, 8, side - 16, side - 16));
    p.setBrush(ticks);
    for (int i = 0; i < 60; ++i) {
        p.save();
        p.translate(side / 2.0, side / 2.0);
        p.rotate(i * 6);
        p.drawRect(QRectF(-6, -side / 2.0 + 40, 12, i % 5 ? 60 : 160));
        p.restore();
    }
    return image;
}

} // namespace bench
