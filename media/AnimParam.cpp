#include "AnimParam.h"

#include <algorithm>

namespace dw {

TAnimParam animParamInRange(const TAnimParam& param)
{
    TAnimParam p = param;
    p.VertCount = std::clamp(p.VertCount, pdl::kMinSplit, pdl::kMaxSplit);
    p.HorzCount = std::clamp(p.HorzCount, pdl::kMinSplit, pdl::kMaxSplit);
    p.FrameTime = std::clamp(p.FrameTime, pdl::kMinFrameTime, pdl::kMaxFrameTime);
    return p;
}

int32_t frameExtent(int32_t stripExtent, int32_t count)
{
    if (count < 1 || stripExtent < 1)
        return 0;
    return stripExtent / count;
}

AnimFrameGrid animFrameGrid(int32_t stripWidth, int32_t stripHeight, const TAnimParam& param)
{
    AnimFrameGrid grid;
    grid.frameWidth = frameExtent(stripWidth, param.HorzCount);
    grid.frameHeight = frameExtent(stripHeight, param.VertCount);
    grid.rows = param.VertCount;
    grid.columns = param.HorzCount;
    return grid;
}

TRect AnimFrameGrid::frameRect(int64_t k) const
{
    if (k < 0 || k >= frameCount())
        return {};
    // Row < rows and column < columns, so these products stay inside the strip.
    const auto row = int32_t(k / columns);
    const auto column = int32_t(k % columns);
    const int32_t left = column * frameWidth;
    const int32_t top = row * frameHeight;
    return {left, top, left + frameWidth, top + frameHeight};
}

} // namespace dw
