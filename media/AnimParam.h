#pragma once

// The animation parameter record and the frame grid it lays over a strip.

#include "datafile/DataFileLayout.h"

#include "platform/Geometry.h"

#include <cstdint>

namespace dw {

// OffsetX, OffsetY, VertCount (rows), HorzCount (columns), FrameTime (ms): 20 bytes, five
// signed 32-bit little-endian integers, rows before columns. pdl::readAnimParams and
// pdl::writeAnimParams are its read/write pair.
using TAnimParam = pdl::AnimParams;
constexpr int kAnimParamSize = pdl::kAnimParamsSize;

// What a command starts from when a slot has no parameters yet.
constexpr TAnimParam kDefaultAnimParam{0, 0, 2, 4, 100};

// The parameters brought into the ranges the settings dialog keeps them in (rows and columns 1
// to 100, frame time 50 to 1000 ms); offsets unchanged. A record from elsewhere (a file opened
// again) may claim anything; a play of it then still ends within 100 × 100 frames of a second.
TAnimParam animParamInRange(const TAnimParam& param);

// The frames of a strip: each frame is the strip's width div the columns by its height div the
// rows; pixels right of the last full column and below the last full row never show. A count
// below 1 (a spin field half typed, a damaged record) gives frames of size 0, never a division
// by zero.
struct AnimFrameGrid {
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t rows = 0;
    int32_t columns = 0;

    bool framesVisible() const { return frameWidth > 0 && frameHeight > 0; }
    // rows × columns, in 64 bits: a damaged record may claim any counts. Counts below 1 give 0.
    int64_t frameCount() const { return rows < 1 || columns < 1 ? 0 : int64_t(rows) * columns; }
    // Frame k (from 0) counts along the top row first: row k div columns, column k mod columns.
    // Its rectangle in the strip.
    TRect frameRect(int64_t k) const;
};
AnimFrameGrid animFrameGrid(int32_t stripWidth, int32_t stripHeight, const TAnimParam& param);
// The size of one frame for a split into columns × rows; 0 for a count below 1.
int32_t frameExtent(int32_t stripExtent, int32_t count);

} // namespace dw
