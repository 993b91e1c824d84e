#pragma once

// Where the clock's parts go: the size of the clock window for a dial and the default rotation
// holes of the hands. Pure arithmetic on the project's numbers and file bytes.

#include "platform/Geometry.h"
#include "platform/MemoryStream.h"

#include <cstdint>
#include <optional>

namespace dw {

// The clock window's size for a dial file: the width and height fields of its bitmap info header
// (32-bit little-endian signed values at byte offsets 18 and 22) when the file holds at least 44
// bytes; otherwise `builtinSize`, the built-in dial's.
//
// The fields are the file's own word, read before anything has decoded it, so they are taken
// only as far as a picture of that size can be shown: a negative height (a top-down picture)
// counts by its magnitude, and a side of 0 or beyond kMaxDibSide (rotateimage/EngineLimits.h,
// the largest picture the engine decodes) gives `builtinSize` as for a file without a header.
TSize dialPanelSize(const TMemoryStream& dialFile, TSize builtinSize);

// The default hole height of a hand on a panel: R = (the smaller side) div 2, then
// (R × tenths) div 10: 7 tenths for the hour hand, 9 for the minute and second hands.
int32_t defaultPivotY(TSize panel, int32_t tenths);
constexpr int32_t kHourPivotTenths = 7;
constexpr int32_t kMinutePivotTenths = 9;
constexpr int32_t kSecondPivotTenths = 9;

// The hole's x on a hand picture loaded from a file: |w| div 2, w the info header's width (the
// 32-bit signed value at byte offset 18). None when the file is too short to hold that field
// (fewer than 22 bytes): the caller keeps the pivot it has.
std::optional<int32_t> loadedHandPivotX(const TMemoryStream& handFile);

} // namespace dw
