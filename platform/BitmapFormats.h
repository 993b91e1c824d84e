#pragma once

// Pixel-format work behind TBitmap: blank images, format conversion, masks. The platform's
// own helpers; not for use outside platform/.

#include "Bitmap.h"

#include <QImage>

#include <cstdint>

namespace dw::formats {

// The storage format of a pixel format (see TBitmap).
QImage::Format storageFormat(TPixelFormat format);
// The colour table a new bitmap of an indexed format starts with: black and white for 1
// bit, the 16 standard colours for 4 bits, those, a 6 × 6 × 6 colour cube and 24 greys for
// 8 bits.
QList<QRgb> defaultTable(TPixelFormat format);

// A white image of the format (white: the nearest table entry to it). keptTable, when it
// suits the format, is used as the colour table. A null image when it cannot be allocated.
QImage blankImage(int32_t width, int32_t height, TPixelFormat format, bool monoDdb, const QList<QRgb>& keptTable);
// Copies the common top-left part of two images of the same storage format.
void copyTopLeft(const QImage& from, QImage& to);
// One row of 24-bit pixels (bytes blue, green, red) as 32-bit ones with an opaque fourth
// byte, as the pixel layer's fetch and store give them.
void rgb32RowOf24(const uint8_t* in, uint32_t* out, int width);
// The image converted to a pixel format (see TBitmap::SetPixelFormat).
QImage convert(const QImage& image, bool monoDdb, TPixelFormat format);
// A monochrome image (table black, white) with 1 where a pixel has the colour key
// (0x00RRGGBB). With quantizeKey the key is first brought to the image's colour resolution
// (15 and 16 bits).
QImage maskOf(const QImage& image, bool monoDdb, uint32_t key, bool quantizeKey);
// An indexed image whose colour table covers every index it uses (missing entries black;
// a monochrome image gets two entries).
QImage withCoveringTable(QImage image);

} // namespace dw::formats
