#pragma once

// The parts of a block transfer that its two row loops share; internal to platform/. The
// reference loop (Canvas_Blit.cpp) maps every destination pixel to its source pixel and
// fetches, combines and stores colour by colour; it serves every transfer. The unscaled loop
// (BlitUnscaled.cpp) serves transfers whose source and destination rectangles have the same
// size without mirroring, row by row in the surfaces' own layouts, with the same result.

#include "Dib.h"
#include "PixelSurface.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dw::blit {

// Where source pixels come from: a canvas's (or bitmap's) surface, or a device-independent
// bitmap. Rows are counted from the top.
struct Source {
    const px::Surface* surface = nullptr;
    const TDib* dib = nullptr;
    std::vector<uint32_t> dibColors; // resolved colour table of the dib
    int32_t width = 0, height = 0;
    int32_t rowMin = 0, rowMax = 0; // rows that may be read
    bool monoDdb = false;
    // Colour → monochrome: a canvas source's pixels equal to bkKey become white; a dib's
    // colours go to the nearer of black and white.
    bool bkRule = false;
    uint32_t bkKey = 0;
    std::optional<uint32_t> transparentKey; // pixels of this colour are not drawn

    // Colours of the pixels xs[0 .. n − 1] of row y, as stored (before any conversion).
    void fetch(int32_t y, const int32_t* xs, int32_t n, uint32_t* out) const;
};

// What a transfer has settled before its rows: the destination and its clip area, the raster
// operation and the colours, and the destination rows and columns it covers.
struct Transfer {
    px::Surface* out = nullptr;
    const px::ClipSpans* clip = nullptr;
    const Source* src = nullptr; // set when the operation uses a source
    uint8_t rop = 0;             // ternary index
    bool usesSource = false, usesPattern = false;
    // A monochrome source's bits 0 and 1 become these colours on a colour destination.
    uint32_t destText = 0, destBk = 0;
    bool destMono = false;
    // The brush as device values: its colour, and the background behind hatch lines.
    TBrushStyle brushStyle = bsSolid;
    uint32_t patternFg = 0, patternBg = 0;
    bool patternOpaqueBg = false;
    int64_t rowTop = 0, rowEnd = 0;     // destination rows, within the clip bounds
    int64_t colLeft = 0, colRight = 0;  // destination columns, within 32 bits
};

// The rows of an unscaled transfer: destination pixel (x, y) takes source pixel
// (x + dx, y + dy). Returns whether any span of pixels was stored.
bool unscaledRows(const Transfer& t, int64_t dx, int64_t dy);

// Makes every transfer take the reference loop (for tests that compare the two).
void setReferenceOnly(bool on);
bool referenceOnly();

} // namespace dw::blit
