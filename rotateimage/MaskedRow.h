#pragma once

// The mask blit's result for one row, computed from a 24-bit rendered row and its mask row
// instead of by the five transfers: what a turning hand's first drawing on a 32-bit canvas needs.

#include <cstdint>

namespace dw {

// out[x] := 0xFF and the colour of pixel x of the 24-bit row (blue, green, red bytes) where
// mask[x] is 0 (opaque), else out[x] with its top byte set to 0xFF, as a transfer leaves a 32-bit
// pixel. The engine's masks hold only 0 and 1. Pixels are read as 4-byte words, so one byte
// beyond the row's last pixel must be readable (its padding, the next row or the rendering's
// spare byte); the vector kernel leaves the last pixels to the plain loop so as to need no more.
// AVX2 where the processor has it.
void overlayMaskedRow24(const uint8_t* pixels, const uint8_t* mask, uint32_t* out, int64_t width);
// The same without vector instructions, for the tests that hold the two together.
void overlayMaskedRow24Plain(const uint8_t* pixels, const uint8_t* mask, uint32_t* out, int64_t width);

} // namespace dw
