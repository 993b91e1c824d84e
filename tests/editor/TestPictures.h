#pragma once

// Pictures for the editor's tests: bitmap files made from images drawn in the test.

#include "platform/Bitmap.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>

namespace dw::test {

// The bitmap file of an image, written by the framework's bitmap in a pixel format.
QByteArray bmpFile(const QImage& image, TPixelFormat format = pf24bit);
// Writes that file at path and returns the path.
QString writeBmp(const QString& path, const QImage& image, TPixelFormat format = pf24bit);
// An image of one colour.
QImage filledImage(int width, int height, QColor colour);
// A framework bitmap holding the image.
void setBitmap(TBitmap& bitmap, const QImage& image, TPixelFormat format = pf24bit);

// An opaque image of pseudo-random colours, the same for the same seed.
QImage noise(int width, int height, uint32_t seed);

// A hand picture on white: a black bar `width` wide from the top to the bottom edge.
QImage handImage(int width, int height, QColor colour = Qt::black);

} // namespace dw::test
