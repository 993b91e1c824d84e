#pragma once

// Platform regions of the opaque pixels of a rendered image's mask.

#include "platform/MemoryStream.h"
#include "platform/Region.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace dw {

class TCanvas;

// Rectangles per region call of the chunked build: 32 + 4094 · 16 = 65536 bytes of data.
constexpr uint32_t kRegionChunkRects = 4094;

// A mask with more runs than this (256 MiB of region data) is not turned into rectangles;
// its region is the bounding rectangle of the image.
constexpr int64_t kMaxMaskRegionRects = int64_t(1) << 24;

// The region of the opaque (0) pixels of an 8-bit mask image: one rectangle per run of each
// row, rows top to bottom (stored row h − 1 − y is row y), runs left to right. With a device
// context the rectangles are converted to its device coordinates, and on a raster printer
// narrowed by one device pixel at each end. `transform` goes to the platform's constructor.
// When the platform refuses the data in one call the region is built in chunks; when that
// fails too, it is the bounding rectangle of the image. None when the buffer holds no 8-bit
// mask. The caller owns the region.
std::optional<TRegion> MaskToRegion(const XFORM* transform, const TMemoryStream& mask, const TCanvas* deviceContext);

// Builds a region from region data (header and `count` rectangles in `size` bytes) in chunks of
// kRegionChunkRects rectangles, each given to the platform with a copy of the header written
// just in front of it (over rectangles already used, so `data` is changed), and unites them.
// None for a count of 0, data too short for the count, or a chunk the platform refuses.
std::optional<TRegion> CreateRegionChunked(const XFORM* transform, uint8_t* data, size_t size);

} // namespace dw
