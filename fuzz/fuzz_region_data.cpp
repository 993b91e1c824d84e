// Region data from outside bytes (the saved window shape, a mask scan): the shape's reader must
// refuse or build a region whose own data reads back to the same data. Its seeds include shapes
// that overlap (nested rectangles, a staircase) made to cost a reader quadratic time and memory.
#include "datafile/DataFileLimits.h"
#include "platform/Region.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > UINT32_MAX)
        return 0;
    const std::optional<dw::TRegion> region = dw::pdl::shapeRegion(data, int64_t(size));
    if (!region)
        return 0;
    const std::vector<uint8_t> once = dw::regionData(*region);
    const std::optional<dw::TRegion> again = dw::ExtCreateRegion(nullptr, uint32_t(once.size()), once.data());
    if (!again || *again != *region || dw::regionData(*again) != once)
        std::abort();
    // A scaling transform must not break anything either.
    const dw::XFORM scale{2.5f, 0, 0, -1.5f, 3, -7};
    (void)dw::ExtCreateRegion(&scale, uint32_t(size), data, size_t(dw::pdl::kMaxShapeRegionRects));
    return 0;
}
