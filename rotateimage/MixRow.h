#pragma once

// The per-row blend of translucent painting: a row of the composite (what the control drew over
// the background) mixed with the same row of the background copy.

#include <cstdint>

namespace dw {

// The number of 32-bit words a blended 24-bit row of `width` pixels covers: (3w + 3) div 4,
// which is exactly its padded row size in words.
constexpr int64_t mixRowWords(int64_t width) { return (3 * width + 3) / 4; }

// Replaces every byte c of the composite row by a blend with the byte b of the background row at
// the same place; only the low three bits of level count:
//   1: c − c/8 + b/8        (7/8 of the image)      5: c/4 + c/8 + b − b/4 − b/8   (3/8)
//   2: c − c/4 + b/4        (3/4)                   6: c/4 + b − b/4               (1/4)
//   3: c − c/4 − c/8 + b/4 + b/8   (5/8)            7: c/8 + b − b/8               (1/8)
//   4: c − c/2 + b/2        (1/2)                   0: the composite stays as it is
// (divisions rounded down). Where c = b the byte stays b, so what the control did not draw is
// untouched. Both rows hold mixRowWords(width) · 4 bytes; they need no alignment.
void mixRow(uint8_t* composite, const uint8_t* background, int64_t width, int level);

// The same blend over `words` consecutive 32-bit words: whole bitmaps of rows at once, since
// their rows follow each other without gaps.
void mixWords(uint8_t* composite, const uint8_t* background, int64_t words, int level);

// The same blend of `words` 32-bit pixels stored over the background instead: background[i]
// becomes the blend of composite[i] with it, its top byte 0xFF as a transfer leaves it.
void mixPixelsOver(uint32_t* background, const uint32_t* composite, int64_t words, int level);

// Sets the top byte of `words` 32-bit pixels to 0xFF, as a transfer leaves it (reading only
// where all are set already).
void setTopBytes(uint32_t* pixels, int64_t words);

// The blend of an overlay drawn over the background, in one step: where overlay[i] has its top
// bit set (0xFF and an opaque pixel's colour) background[i] becomes the blend of the overlay's
// colour with it, elsewhere it stays; its top byte becomes 0xFF either way. The same as drawing
// the overlay over a copy of the background and blending the copy back with mixPixelsOver.
void mixOverlayOver(uint32_t* background, const uint32_t* overlay, int64_t words, int level);

} // namespace dw
