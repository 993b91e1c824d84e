// The clip area as the drawing and transfer loops walk it: the clipped parts of one row.

#include "platform/PixelSurface.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace dw;

namespace {

std::vector<std::pair<int32_t, int32_t>> spans(const px::ClipSpans& clip, int32_t y, int32_t left, int32_t right)
{
    std::vector<std::pair<int32_t, int32_t>> out;
    clip.forEach(y, left, right, [&](int32_t a, int32_t b) { out.emplace_back(a, b); });
    return out;
}

using Spans = std::vector<std::pair<int32_t, int32_t>>;

} // namespace

TEST(ClipSpans, OneRectangleGivesItsPartOfRowsInsideIt)
{
    const px::ClipSpans clip({TRect{2, 3, 10, 6}});
    EXPECT_EQ(spans(clip, 3, 0, 20), (Spans{{2, 10}}));
    EXPECT_EQ(spans(clip, 5, 4, 7), (Spans{{4, 7}}));
    EXPECT_TRUE(spans(clip, 2, 0, 20).empty()) << "above";
    EXPECT_TRUE(spans(clip, 6, 0, 20).empty()) << "below";
    EXPECT_TRUE(spans(clip, 4, 10, 20).empty()) << "right of it";
    EXPECT_TRUE(clip.contains(9, 5));
    EXPECT_FALSE(clip.contains(9, 6));
}

TEST(ClipSpans, BandsGiveEachOfTheirRectanglesInOrder)
{
    // A region with a hole: one band of a single rectangle, one of two, one of one.
    const TRegion outer = CreateRectRgn(0, 0, 10, 6), hole = CreateRectRgn(3, 2, 5, 4);
    TRegion region;
    CombineRgn(region, outer, hole, RGN_DIFF);
    const px::ClipSpans clip(region.rects());
    EXPECT_EQ(spans(clip, 1, -5, 50), (Spans{{0, 10}}));
    EXPECT_EQ(spans(clip, 2, -5, 50), (Spans{{0, 3}, {5, 10}}));
    EXPECT_EQ(spans(clip, 3, 4, 8), (Spans{{5, 8}}));
    EXPECT_EQ(spans(clip, 5, 1, 2), (Spans{{1, 2}}));
    EXPECT_TRUE(spans(clip, 6, -5, 50).empty());
    EXPECT_TRUE(spans(clip, -1, -5, 50).empty());
    EXPECT_EQ(clip.bounds(), (TRect{0, 0, 10, 6}));
}
