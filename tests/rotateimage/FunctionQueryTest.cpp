#include "ControlFixtures.h"

#include "rotateimage/FunctionQuery.h"

#include <gtest/gtest.h>

namespace dw::test {
namespace {

int32_t query(int32_t size, int32_t id, int32_t check, int32_t extra)
{
    FunctionQuery q;
    q.Size = size, q.Id = id, q.Check = check, q.Extra = extra, q.Result = 12345;
    QueryFunction(q);
    return q.Result;
}

TEST(FunctionQuery, WellFormedRequestsGetTheirFunction)
{
    const int32_t region = query(20, 7000, -7000, 0);
    EXPECT_EQ(imageRegionAtFunction(region), &ImageRegionAt);
    EXPECT_EQ(query(20, 7000, -7001, 1), region); // as the editor asks
    const int32_t sketch = query(20, 7001, -7001, 0);
    EXPECT_EQ(sketchGraphicFunction(sketch), &SketchGraphic);
    // A handle names one function of one type.
    EXPECT_EQ(imageRegionAtFunction(sketch), nullptr);
    EXPECT_EQ(sketchGraphicFunction(region), nullptr);
    EXPECT_EQ(imageRegionAtFunction(kNoFunction), nullptr);
    // The check is a 32-bit wrapping sum.
    EXPECT_EQ(query(20, 7000, INT32_MIN, int32_t(uint32_t(INT32_MIN) - 7000u)), region);
}

TEST(FunctionQuery, MalformedAndUnknownRequestsGetMinusOne)
{
    EXPECT_EQ(query(20, 7000, -7001, 0), -1);
    EXPECT_EQ(query(16, 7000, -7000, 0), -1);
    EXPECT_EQ(query(24, 7000, -7000, 0), -1);
    EXPECT_EQ(query(20, 7002, -7002, 0), -1);
    EXPECT_EQ(query(20, 0, 0, 0), -1);
}

TEST(FunctionQuery, TheRegionFunctionAlwaysAppliesThePivot)
{
    TRotateImage hand;
    load(hand, keyedPicture(4, 6));
    hand.SetTransparent(true);
    hand.SetTransparentColor(colorOf(kKey));
    hand.SetPivotX(0);
    hand.SetPivotY(0);
    // Pivot off: still placed by the pivot, pixel (1, 0) of the hand right of the point.
    const std::optional<TRegion> r = imageRegionAtFunction(query(20, 7000, -7001, 1))(nullptr, hand, {50, 60});
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->boundingBox(), (TRect{50, 60, 54, 66}));
    EXPECT_TRUE(r->contains({51, 60}));
    EXPECT_FALSE(r->contains({50, 60}));
    TRotateImage empty;
    EXPECT_FALSE(ImageRegionAt(nullptr, empty, {0, 0}).has_value());
}

TEST(FunctionQuery, SketchGraphicSketchesBitmapsOfAnyFormat)
{
    auto flat = filledBitmap(5, 4, clTeal);
    for (TPixelFormat format : {pf24bit, pf32bit, pf4bit}) {
        flat->SetPixelFormat(format);
        TBitmap sketch;
        SketchGraphic(sketch, *flat);
        ASSERT_EQ(sketch.Width(), 5);
        ASSERT_EQ(sketch.PixelFormat(), pf8bit);
        EXPECT_EQ(sketch.pixel(2, 2), clWhite); // a flat picture has no edges
    }
    flat->SetPixelFormat(pf24bit);
    flat->Canvas().SetPixel(2, 1, clBlack);
    TBitmap sketch;
    SketchGraphic(sketch, *flat);
    EXPECT_NE(sketch.pixel(2, 1), clWhite);
    EXPECT_EQ(sketch.pixel(4, 3), clWhite);
    SketchGraphic(sketch, TBitmap());
    EXPECT_TRUE(sketch.Empty());
}

} // namespace
} // namespace dw::test
