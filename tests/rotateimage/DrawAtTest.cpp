#include "ControlFixtures.h"

#include "rotateimage/FunctionQuery.h"

#include <gtest/gtest.h>

namespace dw::test {
namespace {

constexpr TColor kBackground = TColor(0x00030201); // in no test picture

std::unique_ptr<TBitmap> drawn(TCustomRotateImage& image, TRotateImageDispMode mode, TPoint at, int size = 40)
{
    auto canvas = filledBitmap(size, size, kBackground);
    image.SetDispMode(mode);
    image.DrawAt(canvas->Canvas(), at);
    return canvas;
}

TEST(DrawAt, BothDisplayModesPaintTheOpaquePixelsCentredOnThePoint)
{
    TRotateImage image;
    load(image, keyedPicture(7, 4));
    image.SetTransparent(true);
    for (TRotateImageDispMode mode : {ridmMask, ridmRegion}) {
        const auto canvas = drawn(image, mode, {20, 10});
        // Top-left at (20 − 7 div 2, 10 − 4 div 2).
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const int sx = x - 17, sy = y - 8;
                const bool inside = sx >= 0 && sx < 7 && sy >= 0 && sy < 4;
                const uint32_t p = inside ? keyedPixel(sx, sy) : kKey;
                ASSERT_EQ(canvas->pixel(x, y), p == kKey ? kBackground : colorOf(p)) << mode << " at " << x << "," << y;
            }
    }
    // Turned, scaled and with an effect the two ways still agree pixel for pixel.
    image.SetAngle(33);
    image.SetZoom(180);
    image.SetNegative(true);
    EXPECT_TRUE(samePixels(*drawn(image, ridmMask, {20, 21}), *drawn(image, ridmRegion, {20, 21})));
    image.SetSketch(true);
    EXPECT_TRUE(samePixels(*drawn(image, ridmMask, {19, 20}), *drawn(image, ridmRegion, {19, 20})));
}

TEST(DrawAt, ClippedAndPartlyOutsideImagesAreDrawnAlikeBothWays)
{
    TRotateImage image;
    load(image, keyedPicture(23, 17));
    image.SetTransparent(true);
    image.SetAngle(20);
    const TRegion clip = CreateRoundRectRgn(3, 5, 33, 30, 12, 12);
    for (TPoint at : {TPoint{18, 17}, TPoint{2, 3}, TPoint{39, 20}}) {
        std::unique_ptr<TBitmap> ways[2];
        for (TRotateImageDispMode mode : {ridmMask, ridmRegion}) {
            ways[mode] = filledBitmap(40, 40, kBackground);
            SelectClipRgn(ways[mode]->Canvas(), &clip);
            image.SetDispMode(mode);
            image.DrawAt(ways[mode]->Canvas(), at);
            EXPECT_EQ(ways[mode]->pixel(2, 2), kBackground); // outside the clip
        }
        EXPECT_TRUE(samePixels(*ways[0], *ways[1])) << at.X << "," << at.Y;
    }
}

TEST(DrawAt, ThePivotPixelLandsOnThePoint)
{
    TRotateImage image;
    load(image, picture24(6, 4, [](int x, int y) { return 0x100000u + uint32_t(x) * 0x10 + uint32_t(y); }));
    image.SetPivot(true);
    image.SetPivotX(1);
    image.SetPivotY(2);
    const TColor pivot = colorOf(0x100000u + 0x10 + 2);
    // The pivot is the top-left corner of its pixel; the turn carries the pixel to the side.
    EXPECT_EQ(drawn(image, ridmMask, {20, 20})->pixel(20, 20), pivot);
    image.SetAngle(90);
    EXPECT_EQ(drawn(image, ridmMask, {20, 20})->pixel(19, 20), pivot);
    image.SetAngle(180);
    EXPECT_EQ(drawn(image, ridmRegion, {20, 20})->pixel(19, 19), pivot);
    image.SetAngle(270);
    EXPECT_EQ(drawn(image, ridmRegion, {20, 20})->pixel(20, 19), pivot);
    // A pivot far outside the picture moves it off the canvas, without overflow.
    image.SetPivotX(INT32_MAX);
    image.SetZoom(400);
    const auto far = drawn(image, ridmMask, {20, 20});
    EXPECT_TRUE(samePixels(*far, *filledBitmap(40, 40, kBackground)));
}

TEST(DrawAt, TheRegionWayRestoresTheClipRegionExactly)
{
    TRotateImage image;
    load(image, keyedPicture(7, 4));
    image.SetTransparent(true);
    image.SetDispMode(ridmRegion);
    auto canvas = filledBitmap(30, 30, kBackground);
    image.DrawAt(canvas->Canvas(), {10, 10});
    EXPECT_FALSE(GetClipRgn(canvas->Canvas()).has_value());

    const TRegion clip = CreateRoundRectRgn(2, 3, 25, 28, 9, 9);
    SelectClipRgn(canvas->Canvas(), &clip);
    image.DrawAt(canvas->Canvas(), {12, 12});
    ASSERT_TRUE(GetClipRgn(canvas->Canvas()).has_value());
    EXPECT_EQ(*GetClipRgn(canvas->Canvas()), clip);
    TPoint origin;
    GetWindowOrgEx(canvas->Canvas(), &origin);
    EXPECT_EQ(origin, (TPoint{0, 0}));
    // The clip was honoured: nothing painted outside it.
    image.DrawAt(canvas->Canvas(), {1, 1});
    EXPECT_EQ(canvas->pixel(1, 1), kBackground);
}

TEST(DrawAt, ARenderedImageWithoutPixelsDrawsNothing)
{
    TRotateImage image;
    load(image, picture24(2, 2, [](int, int) { return 0x808080u; }));
    image.SetZoom(25); // Round(0.5) = 0 pixels
    EXPECT_FALSE(IsValidDib(image.RotatedDib()));
    for (TRotateImageDispMode mode : {ridmMask, ridmRegion})
        EXPECT_TRUE(samePixels(*drawn(image, mode, {5, 5}), *filledBitmap(40, 40, kBackground)));
    EXPECT_FALSE(ImageRegionAt(nullptr, image, {5, 5}).has_value());
}

TEST(DrawAt, ImageRegionAtCoversExactlyThePixelsDrawAtPaints)
{
    TRotateImage image;
    load(image, keyedPicture(9, 7));
    image.SetTransparent(true);
    image.SetPivot(true);
    image.SetPivotX(2);
    image.SetPivotY(-3);
    for (int angle : {0, 37, 200}) {
        image.SetAngle(angle);
        const auto canvas = drawn(image, ridmMask, {20, 21});
        const std::optional<TRegion> region = ImageRegionAt(nullptr, image, {20, 21});
        ASSERT_TRUE(region.has_value());
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(region->contains({x, y}), canvas->pixel(x, y) != kBackground) << angle << ": " << x << "," << y;
    }
}

TEST(DrawAt, DesignTimeWithoutAPictureShowsADashedOutline)
{
    TRotateImage image;
    image.SetBounds(0, 0, 30, 10);
    image.SetDesigning(true);
    auto canvas = filledBitmap(30, 10, clWhite);
    image.DrawCentered(canvas->Canvas());
    EXPECT_EQ(canvas->pixel(0, 0), clBlack);
    EXPECT_EQ(canvas->pixel(20, 0), clWhite); // a gap of the dashes
    EXPECT_EQ(canvas->pixel(15, 5), clWhite); // hollow
    EXPECT_EQ(canvas->Canvas().Brush.Style, bsSolid);
    image.SetDesigning(false);
    auto plain = filledBitmap(30, 10, clWhite);
    image.DrawCentered(plain->Canvas());
    EXPECT_EQ(plain->pixel(0, 0), clWhite);
}

TEST(DrawAt, OnAnEightBitDisplayAnIndexedImageShowsItsColoursThroughItsOwnPalette)
{
    // None of these colours is a static colour of a palette display: without the image's own
    // palette realised they would show as the nearest static ones.
    const std::vector<uint32_t> colours = {0x3366CC, 0x7A1F55, 0x1E9E6B};
    auto colourAt = [&](int x, int y) { return colours[size_t((x + 2 * y) % 3)]; };
    QImage surface(20, 20, QImage::Format_RGB32);
    TCanvas canvas(&surface, TDeviceCaps{DT_RASDISPLAY, 8});
    const HPALETTE before = canvas.state().palette;
    auto expectOwnColours = [&](TRotateImage& image, const char* what) {
        surface.fill(0);
        image.DrawAt(canvas, {10, 10}); // top-left at (8, 8)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(surface.pixel(8 + x, 8 + y) & 0xFFFFFF, colourAt(x, y)) << what << " at " << x << "," << y;
        EXPECT_EQ(canvas.state().palette, before) << what << ": the canvas gets its palette back";
    };

    TRotateImage indexed;
    load(indexed, picture8(4, 4, colours, [](int x, int y) { return uint8_t((x + 2 * y) % 3); }));
    expectOwnColours(indexed, "8-bit image");
    // A true-colour image has no table to build a palette from and draws its colours as they are.
    TRotateImage trueColour;
    load(trueColour, picture24(4, 4, [&](int x, int y) { return colourAt(x, y); }));
    expectOwnColours(trueColour, "24-bit image");
}

} // namespace
} // namespace dw::test
