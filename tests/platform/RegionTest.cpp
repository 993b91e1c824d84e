#include "platform/ByteOrder.h"
#include "platform/Region.h"
#include "platform/RegionBands.h"

#include <gtest/gtest.h>

#include <random>

using namespace dw;

namespace {

// Region data the way a mask scan lays it out: header with the bounding box given and size
// hint 0, then the rectangles as given.
std::vector<uint8_t> rgnData(const std::vector<TRect>& rects, TRect bound = {})
{
    std::vector<uint8_t> d(32 + 16 * rects.size());
    writeLE32(d.data(), 32);
    writeLE32(d.data() + 4, 1);
    writeLE32(d.data() + 8, uint32_t(rects.size()));
    writeLE32(d.data() + 12, 0);
    writeLE32s(d.data() + 16, bound.Left);
    writeLE32s(d.data() + 20, bound.Top);
    writeLE32s(d.data() + 24, bound.Right);
    writeLE32s(d.data() + 28, bound.Bottom);
    uint8_t* p = d.data() + 32;
    for (const TRect& r : rects) {
        writeLE32s(p, r.Left);
        writeLE32s(p + 4, r.Top);
        writeLE32s(p + 8, r.Right);
        writeLE32s(p + 12, r.Bottom);
        p += 16;
    }
    return d;
}

std::vector<int32_t> words(const std::vector<uint8_t>& bytes)
{
    std::vector<int32_t> out;
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4)
        out.push_back(readLE32s(bytes.data() + i));
    return out;
}

std::optional<TRegion> fromData(const std::vector<uint8_t>& d, const XFORM* xf = nullptr)
{
    return ExtCreateRegion(xf, uint32_t(d.size()), d.data());
}

struct LimitGuard {
    explicit LimitGuard(uint32_t limit) { setRegionDataLimit(limit); }
    ~LimitGuard() { setRegionDataLimit(0); }
};

} // namespace

TEST(RegionData, LayoutIsHeaderThenBandsOrderedByTopThenLeft)
{
    // Given out of order; the union has a two-rectangle band over a one-rectangle band.
    const auto rgn = TRegion::fromRects(std::vector<TRect>{{0, 2, 4, 3}, {6, 0, 8, 2}, {0, 0, 4, 2}});
    const std::vector<int32_t> expected = {32, 1, 3, 48, 0, 0, 8, 3, // header
                                           0, 0, 4, 2, 6, 0, 8, 2, 0, 2, 4, 3};
    EXPECT_EQ(words(regionData(rgn)), expected);
    EXPECT_EQ(GetRegionData(rgn, 0, nullptr), 80u);
    std::vector<uint8_t> small(79);
    EXPECT_EQ(GetRegionData(rgn, 79, small.data()), 0u) << "a short buffer gets nothing";
}

TEST(RegionData, EmptyRegionGivesTheHeaderAloneWithZeroBounds)
{
    const std::vector<int32_t> expected = {32, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(words(regionData(TRegion())), expected);
    TRegion a = CreateRectRgn(0, 0, 5, 5);
    EXPECT_EQ(CombineRgn(a, a, a, RGN_XOR), NULLREGION);
    EXPECT_EQ(words(regionData(a)), expected);
}

TEST(RegionData, TouchingRunsMergeAndEqualRowsCoalesce)
{
    std::vector<TRect> runs;
    for (int y = 0; y < 10; ++y) {
        runs.push_back({2, y, 5, y + 1});
        runs.push_back({5, y, 7, y + 1});
    }
    const TRegion rgn = TRegion::fromRects(runs);
    EXPECT_EQ(rgn.kind(), SIMPLEREGION);
    const std::vector<int32_t> expected = {32, 1, 1, 16, 2, 0, 7, 10, 2, 0, 7, 10};
    EXPECT_EQ(words(regionData(rgn)), expected);

    // The same holds for regions Qt's own operations produce.
    TRegion a = CreateRectRgn(0, 0, 10, 5), b = CreateRectRgn(0, 5, 10, 10);
    EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), SIMPLEREGION);
    EXPECT_EQ(a.rects(), (std::vector<TRect>{{0, 0, 10, 10}}));
}

TEST(RegionData, RoundTripThroughTheRegionIsStableAndKeepsEveryPixel)
{
    // A ring with a notch: one run per row run, as a mask scan would give.
    std::vector<bool> mask(40 * 30);
    std::vector<TRect> runs;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const int dx = x - 20, dy = y - 15, r2 = dx * dx + dy * dy;
            mask[size_t(y * 40 + x)] = r2 <= 196 && r2 >= 36 && !(x > 30 && y < 15);
        }
        int x = 0;
        while (x < 40) {
            if (!mask[size_t(y * 40 + x)]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < 40 && mask[size_t(y * 40 + x)])
                ++x;
            runs.push_back({start, y, x, y + 1});
        }
    }
    const auto rgn = fromData(rgnData(runs, {0, 0, 40, 30}));
    ASSERT_TRUE(rgn);
    for (int y = -1; y <= 30; ++y)
        for (int x = -1; x <= 40; ++x) {
            const bool in = x >= 0 && y >= 0 && x < 40 && y < 30 && mask[size_t(y * 40 + x)];
            ASSERT_EQ(rgn->contains({x, y}), in) << x << "," << y;
        }
    const std::vector<uint8_t> once = regionData(*rgn);
    const auto again = fromData(once);
    ASSERT_TRUE(again);
    EXPECT_EQ(regionData(*again), once);
    EXPECT_EQ(*again, *rgn);
}

TEST(RegionData, OverlappingRectanglesGiveTheirUnion)
{
    const TRegion rgn = TRegion::fromRects(std::vector<TRect>{{0, 0, 10, 10}, {5, 5, 15, 15}, {2, 2, 3, 3}, {4, 4, 4, 9}});
    const std::vector<TRect> expected = {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}};
    EXPECT_EQ(rgn.rects(), expected);
}

// Rectangles in any order, overlapping, nested, touching: the canonical form of their union is
// the one of the union Qt computes (itself in bands), whatever way it was reached.
TEST(RegionData, AnyRectanglesGiveTheCanonicalFormOfTheirUnion)
{
    std::mt19937 random(27);
    for (int round = 0; round < 300; ++round) {
        std::vector<TRect> rects;
        QRegion expected;
        const int count = 1 + round % 40, spread = 4 + round % 30;
        for (int i = 0; i < count; ++i) {
            const int32_t l = int32_t(random() % spread), t = int32_t(random() % spread);
            const int32_t w = 1 + int32_t(random() % 12), h = 1 + int32_t(random() % 12);
            rects.push_back({l, t, l + w, t + h});
            expected += QRect(l, t, w, h);
        }
        SCOPED_TRACE(round);
        ASSERT_EQ(bands::canonical(rects), TRegion(expected).rects());
        const auto rgn = fromData(rgnData(rects));
        ASSERT_TRUE(rgn);
        EXPECT_TRUE((rgn->qregion() ^ expected).isEmpty());
    }
}

TEST(ExtCreateRegion, RefusesDataWhoseRegionWouldHoldMoreRectanglesThanAllowed)
{
    // A staircase of 50: band k holds k + 1 rectangles apart, 1275 in all, from 50.
    std::vector<TRect> stairs;
    for (int32_t i = 0; i < 50; ++i)
        stairs.push_back({2 * i, i, 2 * i + 1, 51});
    const std::vector<uint8_t> d = rgnData(stairs);
    EXPECT_FALSE(ExtCreateRegion(nullptr, uint32_t(d.size()), d.data(), 1274));
    const auto rgn = ExtCreateRegion(nullptr, uint32_t(d.size()), d.data(), 1275);
    ASSERT_TRUE(rgn);
    EXPECT_EQ(rgn->rects().size(), 1275u);

    // Nested ones make one rectangle: any limit takes them. Rows of runs that coalesce into fewer
    // bands are held to what they make too, not to what they hold.
    std::vector<TRect> nested, rows;
    for (int32_t i = 0; i < 50; ++i) {
        nested.push_back({0, i, 1000, 100000});
        rows.push_back({0, i, 5, i + 1});
        rows.push_back({7, i, 9, i + 1});
    }
    for (const auto& [rects, made] : {std::pair{nested, size_t(1)}, std::pair{rows, size_t(2)}}) {
        const std::vector<uint8_t> data = rgnData(rects);
        const auto region = ExtCreateRegion(nullptr, uint32_t(data.size()), data.data(), 2);
        ASSERT_TRUE(region);
        EXPECT_EQ(region->rects().size(), made);
    }
}

TEST(ExtCreateRegion, RefusesDataThatIsNotRegionData)
{
    EXPECT_FALSE(ExtCreateRegion(nullptr, 0, nullptr));
    auto d = rgnData({{0, 0, 1, 1}});
    EXPECT_FALSE(ExtCreateRegion(nullptr, 31, d.data())) << "shorter than the header";
    EXPECT_FALSE(ExtCreateRegion(nullptr, 47, d.data())) << "rectangle cut short";
    auto bad = d;
    writeLE32(bad.data(), 40);
    EXPECT_FALSE(fromData(bad)) << "header size";
    bad = d;
    writeLE32(bad.data() + 4, 2);
    EXPECT_FALSE(fromData(bad)) << "type";
    bad = d;
    writeLE32(bad.data() + 8, 0x10000000); // 16 × count wraps to 0 in 32 bits
    EXPECT_FALSE(fromData(bad)) << "count";
    bad = rgnData({{0, 0, 1, kRegionCoordLimit + 1}});
    EXPECT_FALSE(fromData(bad)) << "coordinate range";
    const XFORM shear{1, 0.5f, 0, 1, 0, 0};
    EXPECT_FALSE(fromData(d, &shear));
    const XFORM huge{1, 0, 0, 1, 0, 2e9f};
    EXPECT_FALSE(fromData(d, &huge)) << "leaves the range after the transform";

    // Empty rectangles and a wrong bounding box do not matter.
    const auto ok = fromData(rgnData({{3, 3, 3, 9}, {5, 1, 2, 4}, {1, 1, 2, 2}}, {100, 100, 0, 0}));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->rects(), (std::vector<TRect>{{1, 1, 2, 2}}));
}

TEST(ExtCreateRegion, TransformScalesAndMovesExactly)
{
    const XFORM xf{2, 0, 0, -3, 10, 5};
    const auto rgn = fromData(rgnData({{1, 1, 3, 2}}), &xf);
    ASSERT_TRUE(rgn);
    EXPECT_EQ(rgn->rects(), (std::vector<TRect>{{12, -1, 16, 2}}));
}

TEST(ExtCreateRegion, RefusesMoreBytesThanTheLimitInOneCall)
{
    std::vector<TRect> many;
    for (int i = 0; i < 4095; ++i)
        many.push_back({0, i, 1 + i % 3, i + 1});
    std::vector<uint8_t> d = rgnData(many);
    EXPECT_TRUE(fromData(d)) << "no limit by default";
    LimitGuard guard(65536);
    EXPECT_FALSE(fromData(d)) << "65552 bytes";
    writeLE32(d.data() + 8, 4094);
    EXPECT_FALSE(fromData(d)) << "the byte count decides, not the rectangle count";
    const auto chunk = ExtCreateRegion(nullptr, 65536, d.data());
    ASSERT_TRUE(chunk);
    EXPECT_EQ(chunk->boundingBox(), (TRect{0, 0, 3, 4094}));
}

TEST(RoundRectRegion, SmallEllipseFollowsThePixelCentreRule)
{
    const TRegion e = CreateRoundRectRgn(0, 0, 4, 4, 4, 4);
    EXPECT_EQ(e.rects(), (std::vector<TRect>{{1, 0, 3, 1}, {0, 1, 4, 3}, {1, 3, 3, 4}}));
    // Corners rounded by a 10 × 10 ellipse on 200 × 200: the top row starts at x = 3
    // (centre (3.5, 0.5) is inside the corner circle of radius 5 about (5, 5), (2.5, 0.5)
    // is not) and ends at 196.
    const TRegion rr = CreateRoundRectRgn(0, 0, 200, 200, 10, 10);
    const std::vector<TRect> r = rr.rects();
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r.front(), (TRect{3, 0, 197, 1}));
    EXPECT_EQ(rr.boundingBox(), (TRect{0, 0, 200, 200}));
}

TEST(RoundRectRegion, FullSizeIsTheInscribedEllipseAndSymmetric)
{
    const TRegion e = CreateRoundRectRgn(0, 0, 200, 200, 200, 200);
    EXPECT_TRUE(e.contains({100, 100}));
    EXPECT_TRUE(e.contains({29, 29})) << "centre 70.5·√2 ≈ 99.7 from the middle";
    EXPECT_TRUE(e.contains({0, 100}));
    EXPECT_TRUE(e.contains({199, 100}));
    EXPECT_TRUE(e.contains({100, 0}));
    for (TPoint corner : {TPoint{0, 0}, TPoint{199, 0}, TPoint{0, 199}, TPoint{199, 199}, TPoint{28, 28}})
        EXPECT_FALSE(e.contains(corner)) << corner.X << "," << corner.Y;
    EXPECT_FALSE(e.contains({200, 100})) << "the right edge lies outside";
    for (auto [w, h] : {std::pair{200, 200}, std::pair{15, 9}, std::pair{7, 30}}) {
        const TRegion s = CreateRoundRectRgn(0, 0, w, h, w / 2 + 1, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(s.contains({x, y}), s.contains({w - 1 - x, y})) << w << "x" << h << " " << x << "," << y;
                ASSERT_EQ(s.contains({x, y}), s.contains({x, h - 1 - y})) << w << "x" << h << " " << x << "," << y;
            }
    }
    // Oversized and negative ellipse sizes, swapped corners: the same shape.
    EXPECT_EQ(CreateRoundRectRgn(200, 200, 0, 0, -500, 300), e);
}

TEST(RoundRectRegion, TinyEllipsesGiveThePlainRectangle)
{
    const TRegion rect = CreateRectRgn(10, 20, 30, 25);
    for (auto [rx, ry] : {std::pair{0, 0}, std::pair{0, 20}, std::pair{1, 1}, std::pair{1, 5}, std::pair{20, 1}})
        EXPECT_EQ(CreateRoundRectRgn(10, 20, 30, 25, rx, ry), rect) << rx << "," << ry;
    EXPECT_EQ(CreateRoundRectRgn(5, 5, 5, 50, 4, 4).kind(), NULLREGION);
}

TEST(RegionOps, CombineReportsTheKindOfTheResult)
{
    const TRegion a = CreateRectRgn(0, 0, 10, 10);
    const TRegion b = CreateRectRgn(20, 0, 30, 10);
    const TRegion c = CreateRectRgn(5, 5, 25, 8);
    TRegion d;
    EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), NULLREGION);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_EQ(CombineRgn(d, a, c, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(d.boundingBox(), (TRect{5, 5, 10, 8}));
    EXPECT_EQ(CombineRgn(d, a, c, RGN_DIFF), COMPLEXREGION);
    EXPECT_FALSE(d.contains({6, 6}));
    EXPECT_TRUE(d.contains({6, 4}));
    EXPECT_EQ(CombineRgn(d, a, c, RGN_XOR), COMPLEXREGION);
    EXPECT_TRUE(d.contains({12, 6}));
    EXPECT_FALSE(d.contains({6, 6}));
    EXPECT_EQ(CombineRgn(d, c, a, RGN_COPY), SIMPLEREGION);
    EXPECT_EQ(d, c);
    EXPECT_EQ(CombineRgn(d, a, b, 9), ERROR);
    EXPECT_EQ(d, c) << "an unknown mode leaves the destination";
}

TEST(RegionOps, BoxAndOffset)
{
    TRect box{1, 2, 3, 4};
    EXPECT_EQ(GetRgnBox(TRegion(), &box), NULLREGION);
    EXPECT_EQ(box, TRect{});
    TRegion r = CreateRoundRectRgn(0, 0, 20, 10, 8, 8);
    EXPECT_EQ(GetRgnBox(r, &box), COMPLEXREGION);
    EXPECT_EQ(box, (TRect{0, 0, 20, 10}));
    EXPECT_EQ(OffsetRgn(r, -5, 7), COMPLEXREGION);
    EXPECT_EQ(r.boundingBox(), (TRect{-5, 7, 15, 17}));
    EXPECT_EQ(OffsetRgn(r, kRegionCoordLimit, 0), ERROR);
    EXPECT_EQ(r.boundingBox(), (TRect{-5, 7, 15, 17})) << "unchanged after a refused move";
    EXPECT_EQ(CreateRectRgn(10, 10, 0, 0), CreateRectRgn(0, 0, 10, 10));
}
