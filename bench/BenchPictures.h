#pragma once

// Pictures the benchmarks draw (a clock dial with a face and sixty ticks, a hand), saved as the
// 24-bit bitmap files the clock keeps, and the preview's renderers set up from them as the
// editor sets them up.

#include "editor/clock/ClockComposer.h"
#include "platform/Bitmap.h"
#include "platform/MemoryStream.h"
#include "rotateimage/RotateImage.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <memory>

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

// A hand on white, pointing up: a tapering shape of the colour, its hole near the bottom.
inline QImage handImage(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const double w = width, h = height;
    const QPointF shape[] = {{w / 2, 0},           {w * 0.8, h * 0.1125}, {w * 0.58, h * 0.875}, {w * 0.58, h - 1},
                             {w * 0.42, h - 1},    {w * 0.42, h * 0.875}, {w * 0.2, h * 0.1125}};
    p.drawPolygon(shape, 7);
    return image;
}

// The picture in the format given, its white pixels fully transparent (a hand as Qt draws it).
inline QImage withAlpha(const QImage& image, QImage::Format format = QImage::Format_ARGB32)
{
    QImage out = image.convertToFormat(format);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((row[x] & 0xFFFFFF) == 0xFFFFFF)
                row[x] = 0;
    }
    return out;
}

// The picture as a 24-bit bitmap file in the stream, which is left at its start.
inline void saveBitmap(const QImage& image, dw::TMemoryStream& stream)
{
    dw::TBitmap bitmap;
    bitmap.setImage(image);
    bitmap.SetPixelFormat(dw::pf24bit);
    bitmap.SaveToStream(stream);
    stream.SetPosition(0);
}

inline dw::TMemoryStream bitmapStream(const QImage& image)
{
    dw::TMemoryStream stream;
    saveBitmap(image, stream);
    return stream;
}

// The dial's and the three hands' renderers as the editor sets them up, the hands turning about
// the dial's centre at the pivot given, and the scene that draws them.
struct ClockRenderers {
    ClockRenderers(const QImage& dialPicture, const QImage (&hands)[3], QPoint pivot)
    {
        dw::TMemoryStream dialFile = bitmapStream(dialPicture);
        dial.LoadFromBmpStream(dialFile);
        for (int i = 0; i < 3; ++i) {
            dw::setUpHandRenderer(hand[i]);
            dw::TMemoryStream file = bitmapStream(hands[i]);
            hand[i].LoadFromBmpStream(file);
            hand[i].SetPivotX(pivot.x());
            hand[i].SetPivotY(pivot.y());
        }
        scene.dial = &dial;
        scene.hour = &hand[0];
        scene.minute = &hand[1];
        scene.second = &hand[2];
        scene.hourCenter = scene.minCenter = scene.secCenter = {dialPicture.width() / 2, dialPicture.height() / 2};
    }
    dw::TRotateImage dial;
    dw::TRotateImage hand[3];
    dw::ClockScene scene;
};

} // namespace bench
