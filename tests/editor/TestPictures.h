#pragma once

// Pictures for the editor's tests: bitmap files made from images drawn in the test.

#include "platform/Bitmap.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace dw::test {

// The bitmap file of an image, written by the framework's bitmap in a pixel format.
QByteArray bmpFile(const QImage& image, TPixelFormat format = pf24bit);
// Writes that file at path and returns the path.
QString writeBmp(const QString& path, const QImage& image, TPixelFormat format = pf24bit);
// The PNG file of an image, as Qt writes it (alpha kept when the image has it).
QByteArray pngFile(const QImage& image);
// An image of one colour.
QImage filledImage(int width, int height, QColor colour);
// A framework bitmap holding the image.
void setBitmap(TBitmap& bitmap, const QImage& image, TPixelFormat format = pf24bit);

// An opaque image of pseudo-random colours, the same for the same seed.
QImage noise(int width, int height, uint32_t seed);

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
