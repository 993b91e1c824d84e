#pragma once

// Pictures in forms the clock cannot show. The clock (this editor's preview and the desktop
// clock alike) shows only uncompressed bottom-up bitmaps; drawing programs also write 16-bit
// 5-6-5 and 32-bit files with bit-field masks, top-down rows, RLE, OS/2 headers or PNG. Such a
// file is recognised here and can be turned into the 24-bit bitmap the clock shows.

#include "platform/MemoryStream.h"

#include <QString>

namespace dw {

// Who takes the picture: the engine, which shows the stored file itself (dial, hands), or the
// framework's bitmap, whose reader also takes top-down and bit-field files and whose pixels are
// what the editor keeps (shape mask, animation strip).
enum class PictureUse { Stored, Decoded };

struct PictureForm {
    bool clockShows = false; // taken as it is
    bool readable = false;   // the toolkit's image reader can read it
    bool hasAlpha = false;   // it has pixels that are not fully opaque
    QString format;          // the reader's name for the format ("bmp", "png", …)
    // Whether the user should be offered a conversion: the clock cannot show it, the reader can.
    bool convertible() const { return !clockShows && readable; }
};

// Examines a picture file's bytes (from the stream's start; the position is kept).
PictureForm examinePicture(const TMemoryStream& file, PictureUse use = PictureUse::Stored);

// The file as a 24-bit bottom-up bitmap with the same pixels, alpha dropped. Empty when the
// reader cannot read it.
void convertToClockBitmap(const TMemoryStream& file, TMemoryStream& converted);

} // namespace dw
