#pragma once

// What each member of a custom data file may hold for the file to be opened at all. A file with
// a member over its limit is refused as a whole, with a message that names the member, before
// that member is converted or split, and before anything is allocated for the members: the
// sizes are asked as soon as the file's offset table has been read (openDataFile).

#include "platform/Region.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace dw::pdl {

// The header text: the program writes some twenty lines of a few bytes. Converting and
// splitting a text costs about 27 bytes of memory per byte, so 1 MiB and 10,000 lines at most.
constexpr int64_t kMaxHeaderBytes = int64_t(1) << 20;
constexpr int64_t kMaxHeaderLines = 10000;
// The author text: 1 MiB, which the Save command also holds the author box to.
constexpr int64_t kMaxAuthorBytes = int64_t(1) << 20;
// The window shape: region data of at most as many rectangles as a shape made from a mask may
// have (2^24, kMaxMaskRegionRects): 32 + 16 × 2^24 bytes.
constexpr int64_t kMaxShapeBytes = 32 + 16 * (int64_t(1) << 24);
// The window shape's region as built from its data: overlapping rectangles can make many more
// than the data hold (a staircase of n rectangles some n²/4, 2 GiB from a file of 128 KB), so the
// region may hold at most as many rectangles as the data, or 2^20 (16 MiB) where they hold fewer.
// The program saves a shape in the region's own form, which builds to as many as it holds.
constexpr int64_t kMaxShapeRegionRects = int64_t(1) << 20;
// The pixels the editor opens in the four pictures together, as their headers state them: the
// editor holds each picture's bytes and its decoded image at 4 bytes a pixel, so an 8192 × 8192
// dial (64 Mi pixels) at most. A file with more (a cabinet of 230 KB can unpack to an 11584 ×
// 11584 dial of 134 MB) is refused by the pictures' headers, before they are held.
constexpr int64_t kMaxOpenedPicturePixels = int64_t(8192) * 8192;
// Pictures and slot records have no limit of their own: each goes into a memory stream of the
// editor, which holds 2 GiB − 1 bytes, as does the file image that carries them all.

// Why member `index` of `size` bytes makes the file unreadable (English, one line, naming the
// member and its limit); empty when it may be read.
QString memberSizeProblem(int index, int64_t size);

// Why a header text is refused for its number of lines (as the header reader counts them: CR LF,
// CR or LF end a line); empty when it has at most kMaxHeaderLines.
QString headerLinesProblem(const uint8_t* bytes, int64_t size);

// The region of the shape member's `size` bytes of region data, built within
// kMaxShapeRegionRects; none when they are no region data or their region would be larger, which
// makes the file as damaged as the one and the other.
std::optional<TRegion> shapeRegion(const uint8_t* bytes, int64_t size);

} // namespace dw::pdl
