// Where a turned, zoomed, pivoted image lands: DrawAt, ImageRegionAt and the hit test each
// against the place worked out here from the angle, the zoom and the pivot alone.
#include "ControlFixtures.h"

#include "rotateimage/FunctionQuery.h"

#include <gtest/gtest.h>

#include <cmath>

namespace dw::test {
namespace {

constexpr TColor kBackground = TColor(0x00030201);
constexpr int kW = 12, kH = 10;
constexpr int kPivotX = 2, kPivotY = -3; // above the picture
constexpr int kAngle = 37, kZoom = 250;

// The rendered size and the rendered image's top-left corner when it is drawn at `point`:
// dw = z·(W·|cos a| + H·|sin a|), dh = z·(W·|sin a| + H·|cos a|), and the pivot offset
// z·(f·cos a − g·sin a), z·(f·sin a + g·cos a) with f = W/2 − PivotX, g = H/2 − PivotY, each
// rounded to the nearest integer; the image's centre goes to point + offset.
struct Placement {
    int dw, dh;
    TPoint offset;
    TPoint topLeft(TPoint point) const { return {point.X + offset.X - dw / 2, point.Y + offset.Y - dh / 2}; }
};

int roundedClearly(long double v)
{
    // The expectation must not hang on a tie that single precision could tip either way.
    EXPECT_GT(std::fabs(v - std::floor(v) - 0.5L), 0.01L) << "too close to a tie: " << double(v);
    return int(std::lround(v));
}

Placement expectedPlacement()
{
    const long double a = kAngle * 3.14159265358979324L / 180, z = kZoom / 100.0L;
    const long double c = std::cos(a), s = std::sin(a);
    const long double f = kW / 2.0L - kPivotX, g = kH / 2.0L - kPivotY;
    return {roundedClearly(z * (kW * std::fabs(c) + kH * std::fabs(s))),
            roundedClearly(z * (kW * std::fabs(s) + kH * std::fabs(c))),
            {roundedClearly(z * (f * c - g * s)), roundedClearly(z * (f * s + g * c))}};
}

class PivotPlacement : public ::testing::Test {
protected:
    void SetUp() override
    {
        load(image, keyedPicture(kW, kH));
        image.SetTransparentColor(colorOf(kKey));
        image.SetPivot(true);
        image.SetPivotX(kPivotX);
        image.SetPivotY(kPivotY);
        image.SetAngle(kAngle);
        image.SetZoom(kZoom);
        ASSERT_EQ(widthOf(image.MaskDib()), place.dw);
        ASSERT_EQ(heightOf(image.MaskDib()), place.dh);
    }
    // Whether rendered pixel (i, j), j counted from the top, is opaque.
    bool opaque(int i, int j) const { return pixelAt(image.MaskDib(), i, place.dh - 1 - j) == 0; }
    // Whether a pixel at p is painted when the image is drawn with its top-left corner at tl.
    bool covered(TPoint p, TPoint tl) const
    {
        const int i = p.X - tl.X, j = p.Y - tl.Y;
        return i >= 0 && i < place.dw && j >= 0 && j < place.dh && opaque(i, j);
    }
    TColor renderedColor(int i, int j) const { return colorOf(pixelAt(image.RotatedDib(), i, place.dh - 1 - j) & 0xFFFFFF); }

    TRotateImage image;
    const Placement place = expectedPlacement();
};

TEST_F(PivotPlacement, DrawAtPutsTheTurnedImageWhereAngleZoomAndPivotSay)
{
    ASSERT_EQ(place.offset, (TPoint{-4, 22})) << "worked out by hand from the formula";
    const TPoint at{60, 30};
    const TPoint tl = place.topLeft(at);
    int painted = 0;
    for (TRotateImageDispMode mode : {ridmMask, ridmRegion}) {
        auto canvas = filledBitmap(120, 110, kBackground);
        image.SetDispMode(mode);
        image.DrawAt(canvas->Canvas(), at);
        painted = 0;
        for (int y = 0; y < 110; ++y)
            for (int x = 0; x < 120; ++x) {
                const TColor expected = covered({x, y}, tl) ? renderedColor(x - tl.X, y - tl.Y) : kBackground;
                ASSERT_EQ(canvas->pixel(x, y), expected) << mode << " at " << x << "," << y;
                painted += expected != kBackground;
            }
    }
    EXPECT_GT(painted, kW * kH * 4) << "most of the zoomed picture is opaque";
}

TEST_F(PivotPlacement, ImageRegionAtCoversThePixelsAtTheExpectedPlace)
{
    const TPoint at{-7, 40};
    const TPoint tl = place.topLeft(at);
    const std::optional<TRegion> region = ImageRegionAt(nullptr, image, at);
    ASSERT_TRUE(region.has_value());
    TRect box;
    GetRgnBox(*region, &box);
    EXPECT_GE(box.Left, tl.X);
    EXPECT_GE(box.Top, tl.Y);
    EXPECT_LE(box.Right, tl.X + place.dw);
    EXPECT_LE(box.Bottom, tl.Y + place.dh);
    for (int y = tl.Y - 2; y < tl.Y + place.dh + 2; ++y)
        for (int x = tl.X - 2; x < tl.X + place.dw + 2; ++x)
            ASSERT_EQ(region->contains({x, y}), covered({x, y}, tl)) << x << "," << y;
}

TEST_F(PivotPlacement, TheHitTestAcceptsExactlyTheOpaquePixelsAtTheExpectedPlace)
{
    image.SetBounds(0, 0, 90, 100);
    image.SetTransparentMouse(true);
    // Painted by DrawCentered at the client centre.
    const TPoint tl = place.topLeft({45, 50});
    int hits = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 90; ++x) {
            ASSERT_EQ(image.CMHitTest({x, y}), covered({x, y}, tl)) << x << "," << y;
            hits += covered({x, y}, tl);
        }
    EXPECT_GT(hits, kW * kH * 4);
}

} // namespace
} // namespace dw::test
