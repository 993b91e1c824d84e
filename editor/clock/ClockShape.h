#pragma once

// The clock window's shape: a region in dial pixel coordinates, (0, 0) at the dial's top-left.
// "No shape" (std::nullopt, or an empty region where a region is kept) means the window is its
// full rectangle; no routine here ever gives a region that would hide the whole window.

#include "platform/Bitmap.h"
#include "platform/Color.h"
#include "platform/Region.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dw {

// The region data (RGNDATA) of every pixel of the bitmap that does not have the transparent
// colour: the 32-byte header (size 32, type 1, the rectangle count, size hint 0, bounding
// rectangle 0, 0, width, height), then one rectangle per run of such pixels in a row, rows from
// the top, runs from the left. The bitmap becomes the monochrome mask of the transparent colour
// (transparent pixels white), so callers pass a bitmap they no longer need. An empty bitmap
// gives no data at all.
std::vector<uint8_t> bitmapRegionData(TBitmap& bitmap, TColor transparentColor);

// The region of those pixels, built with one ExtCreateRegion call over bitmapRegionData. None
// when the bitmap is empty or the platform refuses the data (too large for one call). The
// region may be empty (every pixel transparent). Changes the bitmap as bitmapRegionData does.
std::optional<TRegion> BitmapToRgn(TBitmap& bitmap, TColor transparentColor);

// One corner size of the rounded-rectangle shape: size × position / maximum, rounded half up
// ((size × position + maximum div 2) div maximum). 0 for a maximum of 0 or less.
int32_t roundRectCorner(int32_t size, int32_t position, int32_t maximum);

// The rounded-rectangle shape of a width × height window with corners rx wide and ry high; none
// when either is 0.
std::optional<TRegion> roundRectShape(int32_t width, int32_t height, int32_t rx, int32_t ry);

// The colour a dial is cut out by: white for a picture of one bit per pixel, otherwise the
// colour of its bottom-left pixel.
TColor cutOutColor(const TBitmap& dial);

// The dial cut out by cutOutColor. None when the dial is empty, when nothing of it is left or
// when the region cannot be built. Changes the bitmap.
std::optional<TRegion> dialCutOutShape(TBitmap& dial);
// The same for a dial's bitmap file held in memory, as dialCutOutShape of the bitmap read from
// it; none when it is no bitmap. A 24-bit one is cut from its rows as they are, without reading
// it into a bitmap first.
std::optional<TRegion> dialCutOutShapeOfFile(const uint8_t* bytes, int64_t size);

// The shape of a black-and-white mask picture: the picture is reduced to two colours (pure white
// stays white, everything else becomes black) and its non-white pixels form the shape, mapped
// one to one onto dial pixels from the top-left. None when no pixel is black. Changes the
// bitmap.
std::optional<TRegion> maskShape(TBitmap& mask);

// A shape as it is kept: the region, or an empty region for none.
TRegion keptShape(const std::optional<TRegion>& shape);

} // namespace dw
