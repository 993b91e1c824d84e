#pragma once

// The engine's function query: a caller asks for one of its functions by identifier through a
// five-field request record and gets a handle it resolves to the typed function.

#include "platform/Geometry.h"
#include "platform/Region.h"

#include <cstdint>
#include <optional>

namespace dw {

class TBitmap;
class TCustomRotateImage;

// The request: Size must be 20 and Id + Check + Extra must be 0 (32-bit wrapping sum).
// Result is filled in: a function handle, or −1.
struct FunctionQuery {
    int32_t Size = 20;
    int32_t Id = 0;
    int32_t Check = 0;
    int32_t Extra = 0;
    int32_t Result = -1;
};
static_assert(sizeof(FunctionQuery) == 20);

constexpr int32_t kQueryImageRegionAt = 7000;
constexpr int32_t kQuerySketchGraphic = 7001;
constexpr int32_t kNoFunction = -1;

void QueryFunction(FunctionQuery& record);

// The region of the pixels DrawAt paints for a pivoted control drawn at the point: the
// control's mask region (through `transform`), moved so that the pivot lands on the point (the
// pivot offset is applied whether Pivot is on or not). None without a rendered mask. The
// caller owns the region.
std::optional<TRegion> ImageRegionAt(const XFORM* transform, const TCustomRotateImage& control, TPoint point);

// Writes the sketch rendering of `source` into `destination` (an 8-bit grey picture of the same
// size); an empty source, or one that can't be sketched, empties the destination.
void SketchGraphic(TBitmap& destination, const TBitmap& source);

using ImageRegionAtFunction = std::optional<TRegion> (*)(const XFORM*, const TCustomRotateImage&, TPoint);
using SketchGraphicFunction = void (*)(TBitmap&, const TBitmap&);

// A handle from QueryFunction as the function it names, checked against the expected type:
// nullptr for −1, an unknown handle or a handle of the other function.
ImageRegionAtFunction imageRegionAtFunction(int32_t handle);
SketchGraphicFunction sketchGraphicFunction(int32_t handle);

} // namespace dw
