#include "BmpBuilder.h"

#include "rotateimage/DibFormat.h"
#include "rotateimage/Sketch.h"

#include "platform/ByteOrder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace dw::test {
namespace {

std::vector<std::vector<uint32_t>> greysOf(const TMemoryStream& sketch)
{
    std::vector<std::vector<uint32_t>> g(size_t(heightOf(sketch)), std::vector<uint32_t>(size_t(widthOf(sketch))));
    for (int y = 0; y < heightOf(sketch); ++y)
        for (int x = 0; x < widthOf(sketch); ++x)
            g[size_t(y)][size_t(x)] = pixelAt(sketch, x, y);
    return g;
}

TEST(Sketch, GreyLevelFollowsTheEdgeStrength)
{
    EXPECT_EQ(sketchGrey(0), 255);
    EXPECT_EQ(sketchGrey(120), 255 - 304 / 2);
    EXPECT_EQ(sketchGrey(121), 255 - (280 + 24) / 2); // both sides of the threshold meet
    EXPECT_EQ(sketchGrey(60), 255 - 152 / 2);
    EXPECT_EQ(sketchGrey(510), 64);
}

TEST(Sketch, EdgeStrengthRoundsAsExtendedPrecisionDoesForEverySum)
{
    for (int32_t e = 0; e <= 8 * 3 * 255 * 255; ++e)
        ASSERT_EQ(sketchEdgeStrength(e), int(std::nearbyint(std::sqrt(static_cast<long double>(e) / 3 / 2)))) << e;
}

TEST(Sketch, FlatImageIsWhiteWithAGreyTable)
{
    const TMemoryStream source = makeDib24(5, 3, std::vector<uint32_t>(15, 0x336699));
    TMemoryStream sketch;
    ASSERT_TRUE(MakeSketch(source, sketch));
    EXPECT_TRUE(IsValidDib(sketch));
    EXPECT_EQ(sketch.size(), 8 * 3 + 1078);
    EXPECT_EQ(fileSizeOf(sketch), uint32_t(sketch.size()));
    EXPECT_EQ(pixelOffsetOf(sketch), 1078u);
    EXPECT_EQ(colorsUsedOf(sketch), 256u);
    EXPECT_EQ(bitCountOf(sketch), 8);
    EXPECT_EQ(tableEntry(sketch, 0), 0u);
    EXPECT_EQ(tableEntry(sketch, 200), 0xC8C8C8u);
    for (const auto& row : greysOf(sketch))
        for (uint32_t g : row)
            EXPECT_EQ(g, 255u);
}

TEST(Sketch, BlackDotDarkensItselfAndItsEightNeighboursOnly)
{
    std::vector<uint32_t> px(25, 0xFFFFFF);
    px[2 * 5 + 2] = 0;
    TMemoryStream sketch;
    ASSERT_TRUE(MakeSketch(makeDib24(5, 5, px), sketch));
    const auto g = greysOf(sketch);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            uint32_t expected = 255;
            if (x == 2 && y == 2)
                expected = 64; // all 8 neighbours differ fully: m = 510
            else if (std::abs(x - 2) <= 1 && std::abs(y - 2) <= 1)
                expected = 97; // one neighbour: E = 3·255², m = Round(180.3) = 180, v = 316
            EXPECT_EQ(g[size_t(y)][size_t(x)], expected) << x << "," << y;
        }
}

TEST(Sketch, EdgesRepeatTheOutermostPixels)
{
    // A dot in the bottom-left corner of 3 × 3: the rows and columns beyond the edge are copies,
    // so the dot sees five white neighbours and its neighbours see it once or twice.
    std::vector<uint32_t> px(9, 0xFFFFFF);
    px[0] = 0;
    TMemoryStream sketch;
    ASSERT_TRUE(MakeSketch(makeDib24(3, 3, px), sketch));
    const auto g = greysOf(sketch);
    EXPECT_EQ(g[0][0], 75u); // E = 5·3·255², m = 403, v = 360
    EXPECT_EQ(g[0][1], 90u); // below it the copy of the dot, and the dot: m = 255, v = 331
    EXPECT_EQ(g[1][0], 90u);
    EXPECT_EQ(g[1][1], 97u);
    EXPECT_EQ(g[0][2], 255u);
    EXPECT_EQ(g[2][2], 255u);
}

TEST(Sketch, EightBitSourceIsComparedByColourNotByIndex)
{
    // Indices 0 and 1 hold the same colour: the picture is flat.
    const TMemoryStream same = makeDib8(4, 2, {0x808080, 0x808080}, {0, 1, 0, 1, 1, 0, 1, 0});
    TMemoryStream sketch;
    ASSERT_TRUE(MakeSketch(same, sketch));
    for (const auto& row : greysOf(sketch))
        for (uint32_t g : row)
            EXPECT_EQ(g, 255u);
    // An index beyond the stated table counts as black.
    const TMemoryStream beyond = makeDib8(3, 1, {0xFFFFFF}, {0, 5, 0});
    ASSERT_TRUE(MakeSketch(beyond, sketch));
    EXPECT_LT(pixelAt(sketch, 1, 0), 255u);
}

TEST(Sketch, OneRowAndOneColumnImages)
{
    TMemoryStream sketch;
    ASSERT_TRUE(MakeSketch(makeDib24(1, 1, {0x123456}), sketch));
    EXPECT_EQ(pixelAt(sketch, 0, 0), 255u);
    ASSERT_TRUE(MakeSketch(makeDib24(1, 3, {0, 0xFFFFFF, 0}), sketch));
    // The middle pixel differs from the pixels above and below, each seen three times.
    EXPECT_EQ(pixelAt(sketch, 0, 1), 71u); // E = 6·3·255², m = Round(441.7) = 442, v = 368
}

TEST(Sketch, OtherImagesLeaveTheDestinationAsItWas)
{
    TMemoryStream image = makeDib8(2, 1, {0, 0xFFFFFF}, {0, 1});
    writeLE16(image.Memory() + 28, 4);
    TMemoryStream sketch = makeDib24(1, 1, {0xABCDEF});
    const int64_t before = sketch.size();
    EXPECT_FALSE(MakeSketch(image, sketch));
    EXPECT_FALSE(MakeSketch(TMemoryStream{}, sketch));
    EXPECT_EQ(sketch.size(), before);
    EXPECT_EQ(pixelAt(sketch, 0, 0), 0xABCDEFu);
}

} // namespace
} // namespace dw::test
