#include "ClockLayout.h"

#include "platform/ByteOrder.h"
#include "rotateimage/EngineLimits.h"

#include <algorithm>
#include <cstdlib>

namespace dw {

namespace {

constexpr int64_t kInfoHeaderEnd = 44; // file header (14) + the first 30 bytes of the info header
constexpr int64_t kWidthOffset = 18;
constexpr int64_t kHeightOffset = 22;

bool showableSide(int64_t side) { return side >= 1 && side <= kMaxDibSide; }

} // namespace

TSize dialPanelSize(const TMemoryStream& dialFile, TSize builtinSize)
{
    if (dialFile.size() < kInfoHeaderEnd)
        return builtinSize;
    const int64_t width = std::llabs(int64_t(readLE32s(dialFile.Memory() + kWidthOffset)));
    const int64_t height = std::llabs(int64_t(readLE32s(dialFile.Memory() + kHeightOffset)));
    if (!showableSide(width) || !showableSide(height))
        return builtinSize;
    return {int32_t(width), int32_t(height)};
}

int32_t defaultPivotY(TSize panel, int32_t tenths)
{
    const int32_t r = std::min(panel.cx, panel.cy) / 2;
    return int32_t(int64_t(r) * tenths / 10);
}

std::optional<int32_t> loadedHandPivotX(const TMemoryStream& handFile)
{
    if (handFile.size() < kWidthOffset + 4)
        return std::nullopt;
    // In 64 bits: the magnitude of the most negative width does not fit 32.
    const int64_t width = std::llabs(int64_t(readLE32s(handFile.Memory() + kWidthOffset)));
    return int32_t(width / 2);
}

} // namespace dw
