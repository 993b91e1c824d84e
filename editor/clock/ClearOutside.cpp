#include "ClearOutside.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace dw {

void clearOutside(QImage& image, const TRegion& region)
{
    const int w = image.width(), h = image.height();
    if (w <= 0 || h <= 0)
        return;
    uchar* bits = image.bits(); // detaches once, here
    const qsizetype stride = image.bytesPerLine();
    auto clearRows = [&](int from, int to) {
        for (int y = from; y < to; ++y)
            std::memset(bits + y * stride, 0, size_t(w) * 4);
    };
    // The platform's form (TRegion::rects): bands from top to bottom, each a run of rectangles
    // of the same top and bottom from left to right, none overlapping.
    const std::vector<TRect> rects = region.rects();
    int done = 0; // the rows above it are finished
    for (size_t first = 0; first < rects.size();) {
        size_t end = first + 1;
        while (end < rects.size() && rects[end].Top == rects[first].Top)
            ++end;
        const int top = std::clamp(rects[first].Top, 0, h);
        const int bottom = std::clamp(rects[first].Bottom, 0, h);
        if (top < bottom) {
            clearRows(done, top);
            for (int y = top; y < bottom; ++y) {
                auto* row = reinterpret_cast<uint32_t*>(bits + y * stride);
                int x = 0; // the pixels left of it are finished
                for (size_t k = first; k < end; ++k) {
                    const int left = std::clamp(rects[k].Left, 0, w);
                    const int right = std::clamp(rects[k].Right, 0, w);
                    if (left > x)
                        std::fill(row + x, row + left, 0u);
                    x = std::max(x, right);
                }
                std::fill(row + x, row + w, 0u);
            }
            done = bottom;
        }
        first = end;
    }
    clearRows(done, h);
}

} // namespace dw
