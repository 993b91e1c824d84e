#pragma once

// Strips, backgrounds and the expected picture of a played frame, worked out pixel by pixel
// without the player's raster operations.

#include "media/AnimParam.h"

#include "platform/Bitmap.h"

#include <QColor>
#include <QImage>

#include <cstdint>
#include <vector>

namespace dw::test {

constexpr QRgb kKey = 0xFF00FF00;      // the strips' transparent colour (their bottom-left pixel)
constexpr QRgb kLeftover = 0xFFFF0000; // pixels right of the last column / below the last row
constexpr QRgb kUntouched = 0xFF123456; // what a target holds before the play

// A strip of rows × columns frames of w × h pixels, each frame filled with its own colour
// (frame k: blue k*20+10) except a key-coloured diagonal and its bottom-left pixel, plus
// extraColumns / extraRows leftover pixels in kLeftover.
inline QImage makeStrip(int rows, int columns, int w, int h, int extraColumns = 0, int extraRows = 0)
{
    QImage strip(columns * w + extraColumns, rows * h + extraRows, QImage::Format_RGB32);
    strip.fill(kLeftover);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const int k = r * columns + c;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    strip.setPixel(c * w + x, r * h + y, x == y ? kKey : qRgb(40 + x, 90 + y, k * 20 + 10));
        }
    strip.setPixel(0, strip.height() - 1, kKey);
    return strip;
}

// A background with a different colour at every pixel.
inline QImage makeBackground(int w, int h)
{
    QImage b(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y, qRgb(x * 3 % 256, y * 5 % 256, 200));
    return b;
}

inline void fillBitmap(TBitmap& bitmap, const QImage& image, TPixelFormat format = pf24bit)
{
    bitmap.setImage(image);
    bitmap.SetPixelFormat(format);
}

// The target after frame k has been drawn over `before`: inside the frame's place, the strip's
// pixel where it is not the key colour and the background's where it is; elsewhere `before`.
inline QImage expectedFrame(const QImage& before, const QImage& strip, QRgb key, const QImage& background,
                            const TAnimParam& p, int k)
{
    QImage out = before.convertToFormat(QImage::Format_RGB32);
    const int fw = strip.width() / p.HorzCount, fh = strip.height() / p.VertCount;
    const int sx0 = (k % p.HorzCount) * fw, sy0 = (k / p.HorzCount) * fh;
    for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x) {
            const int tx = p.OffsetX + x, ty = p.OffsetY + y;
            if (tx < 0 || ty < 0 || tx >= out.width() || ty >= out.height())
                continue;
            const QRgb s = strip.pixel(sx0 + x, sy0 + y) | 0xFF000000u;
            out.setPixel(tx, ty, s == (key | 0xFF000000u) ? background.pixel(tx, ty) : s);
        }
    return out;
}

} // namespace dw::test
