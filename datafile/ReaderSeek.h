#pragma once

// The seek rule shared by both stream-list readers. Internal to the stream-list unit.

#include "platform/Stream.h"

#include <algorithm>
#include <cstdint>

namespace dw {

// The position a reader seek leads to: origin 0 from the start, 1 from pos, 2 back from the
// end (size − offset); any other origin keeps pos. The result is clamped to 0 .. size. The
// offset is limited first so that no sum of 64-bit values can overflow.
inline int32_t readerSeekTarget(int32_t pos, int32_t size, int64_t offset, int origin)
{
    constexpr int64_t kReach = int64_t(1) << 40;
    offset = std::clamp(offset, -kReach, kReach);
    int64_t target = pos;
    switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent: target = int64_t(pos) + offset; break;
    case soEnd: target = int64_t(size) - offset; break;
    default: break;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(target, 0, size));
}

} // namespace dw
