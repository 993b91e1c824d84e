#pragma once

// Pictures for the editor's tests: bitmap files made from images drawn in the test.

#include "platform/Bitmap.h"
#include "tests/support/NoiseImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace dw::test {

// The bitmap file of an image, written by the framework's bitmap in a pixel format.
QByteArray bmpFile(const QImage& image, TPixelFormat format = pf24bit);
// Writes that file at path and returns the path.
QString writeBmp(const QString& path, const QImage& image, TPixelFormat format = pf24bit);
// The PNG file of an image, as Qt writes it (with its alpha channel when it has one).
inline QByteArray pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
// Writes the bytes as the whole file at path (header-only, for the benchmarks as well); false
// when it could not.
inline bool writeWhole(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// An image of one colour.
QImage filledImage(int width, int height, QColor colour);
// A framework bitmap holding the image.
void setBitmap(TBitmap& bitmap, const QImage& image, TPixelFormat format = pf24bit);

// A hand picture on white: a black bar `width` wide from the top to the bottom edge.
QImage handImage(int width, int height, QColor colour = Qt::black);

// A PNG file written sample by sample, in any of the format's colour types and depths, as drawing
// programs and the PNG test suite write them: `samples` holds each pixel's channels row by row
// (grey; red, green, blue; a palette index; grey and alpha; red, green, blue and alpha), each a
// value of `bitDepth` bits. `palette` is the PLTE chunk's data, `transparency` the tRNS chunk's
// (none when empty). The image data are stored without compression, rows unfiltered.
struct PngLayout {
    int width = 0, height = 0;
    int bitDepth = 8;
    int colourType = 6; // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
};
QByteArray pngFile(const PngLayout& layout, const std::vector<uint16_t>& samples, const QByteArray& palette = {},
                   const QByteArray& transparency = {});

} // namespace dw::test
