#pragma once

// Turning an 8- or 24-bit bitmap-file image into its rendered image and transparency mask.

#include "ColorEffect.h"
#include "RotateGeometry.h"

#include "platform/MemoryStream.h"

#include <cstdint>

namespace dw {

// The colour key: none, an index of an 8-bit image or a 24-bit pixel value (blue in bits 0..7,
// green 8..15, red 16..23). It is compared with the raw source pixel; a key of the other kind
// than the image (an index for a 24-bit image, a value for an 8-bit one) matches nothing.
struct RotateKey {
    enum class Kind { None, Index, Pixel };
    Kind kind = Kind::None;
    uint32_t value = 0;

    static RotateKey none() { return RotateKey{}; }
    static RotateKey index(uint8_t i) { return RotateKey{Kind::Index, i}; }
    static RotateKey pixel(uint32_t v) { return RotateKey{Kind::Pixel, v & 0xFFFFFFu}; }
};

struct RotateOptions {
    RotateKey key;
    bool forPrint = false;           // 24-bit: pixels outside the sampled spans are white
    uint32_t colorEffect = EffectNone;
    bool negative = false;
};

enum class RotateResult {
    Rendered,         // both outputs hold the new images (without pixels when a side is 0)
    UnsupportedDepth, // the input is neither 8- nor 24-bit: both outputs are left as they were
    InvalidInput,     // not a usable image, or its rows are cut short: both outputs emptied
    TooLarge,         // the result would exceed kMaxRenderedBytes: both outputs emptied
};

// Renders `input` turned by `matrix` (nearest neighbour, 16.16 fixed-point sampling) into
// `rendered` (same depth, header and colour table copied, size ComputeRotatedSize) and `mask`
// (8 bits, entry 0 black = opaque, entry 1 white = transparent). Pixels equal to the key are
// transparent and keep their raw value; other 24-bit pixels get the colour effect, then the
// negative; an 8-bit result gets both on its colour table. Pixels outside every sampled span
// are transparent and 0 (white 0xFF for a 24-bit print render). A 24-bit `rendered` carries the
// spare byte after its last row. The outputs' previous memory is reused when the size allows.
RotateResult RotateDib(const TMemoryStream& input, const TRotateMatrix& matrix, const RotateOptions& options,
                       TMemoryStream& rendered, TMemoryStream& mask);

} // namespace dw
