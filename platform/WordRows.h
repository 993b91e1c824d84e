#pragma once

// Row kernels for code that composes 32-bit pixels itself (see TCanvas::directWordSurface).

#include <cstdint>

namespace dw {

// out[x] := overlay[x] where its top bit is set (an opaque pixel: 0xFF and its colour), else
// background[x] with its top byte set, as a transfer leaves a 32-bit pixel. Branch-free and
// built for AVX2 as well, the processor choosing at run time. background and out may be the same
// pixels (an overlay drawn over the picture it covers).
void overlayWordRow(const uint32_t* background, const uint32_t* overlay, uint32_t* out, int64_t width);

} // namespace dw
