#pragma once

// Pictures in forms the clock cannot show. The clock (this editor's preview and the desktop
// clock alike) shows only uncompressed bottom-up bitmaps; drawing programs also write 16-bit
// 5-6-5 and 32-bit files with bit-field masks, top-down rows, RLE, OS/2 headers or PNG. Such a
// file is recognised here and can be turned into the 24-bit bitmap the clock shows. A file that
// is no picture, or one that does not hold every pixel its header promises, is refused.

#include "CompletePicture.h"

#include "platform/MemoryStream.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace dw {

// Who takes the picture: the engine, which shows the stored file itself (dial, hands), or the
// framework's bitmap, whose reader also takes top-down and bit-field files and whose pixels are
// what the editor keeps (shape mask, animation strip).
enum class PictureUse { Stored, Decoded };

// How a picture with an alpha channel becomes one the clock keys by colour. A pixel whose alpha
// is at least 128 of 255 (a 16-bit alpha at least 128 × 257) keeps its own colour, not
// premultiplied, and becomes opaque; every other pixel is see-through and takes the key colour,
// one that no kept pixel has: magenta (255, 0, 255) when it is free, else the free colour
// nearest to it (the smallest sum of squared differences of red, green and blue; of equals, the
// smallest 0xRRGGBB). The engine keys the colour of the bottom-left pixel, so the see-through
// pixels show through exactly when that pixel is one of them.
struct AlphaKeying {
    bool anySeeThrough = false;    // some pixel's alpha is below the half
    bool cornerSeeThrough = false; // the bottom-left pixel's is
    QRgb key = 0xFFFF00FFu;        // the colour see-through pixels take (opaque)
};
AlphaKeying planAlphaKeying(const QImage& picture);
// The free colour nearest to magenta, given which 0xRRGGBB colours are taken (2^24 bits, bit n
// of word n / 64); magenta when every colour is taken.
QRgb nearestFreeColour(const std::vector<uint64_t>& taken);

struct PictureForm {
    bool clockShows = false;   // taken as it is
    CompletePicture picture;   // when not: the picture read whole, or why it cannot be
    bool hasAlpha = false;     // it has pixels that are not fully opaque
    AlphaKeying keying;        // how they are converted, when it has
    // Whether the user should be offered a conversion: the clock cannot show it, but every pixel
    // of it could be read.
    bool convertible() const { return !clockShows && picture.ok(); }
    bool refused() const { return !clockShows && !picture.ok(); }
};

// Examines a picture file's bytes (from the stream's start; the position is kept).
PictureForm examinePicture(const TMemoryStream& file, PictureUse use = PictureUse::Stored);

// A picture read whole as a 24-bit bottom-up bitmap with the same pixels; a picture with an alpha
// channel keyed as AlphaKeying says (planned here unless the plan made for it is given).
void convertToClockBitmap(const QImage& picture, TMemoryStream& converted, const AlphaKeying* keying = nullptr);

// Whether a picture member of a saved clock can be taken: the engine shows it, or it is a whole
// picture in a form the clock cannot show (a file saved with a picture kept as it was).
bool storedPictureComplete(const uint8_t* bytes, int64_t size);

// The user's message for a refused picture: the file's name and why, in one or two lines.
QString pictureRefusalMessage(const QString& fileName, const CompletePicture& picture);

} // namespace dw
