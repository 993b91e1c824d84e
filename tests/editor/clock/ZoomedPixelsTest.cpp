// A picture at a zoom: squares of its pixels, a grid from 400 %, sampling below 100 %.
#include "editor/clock/ZoomedPixels.h"

#include <gtest/gtest.h>

using namespace dw;

namespace {

// 3 × 2 pixels, each its own colour; pixel (2, 1) see-through.
QImage smallPicture()
{
    QImage image(3, 2, QImage::Format_ARGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(x, y, qRgba(10 + 100 * x, 20 + 100 * y, 30, 255));
    image.setPixel(2, 1, 0);
    return zoomablePicture(image);
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y); }

} // namespace

TEST(ZoomedPixels, EachPixelIsASquareOfItsOwnColour)
{
    const QImage picture = smallPicture();
    QImage out;
    drawZoomed(picture, ZoomLevel(200), QRect(0, 0, 6, 4), out);
    ASSERT_EQ(out.size(), QSize(6, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(at(out, x, y), picture.pixel(x / 2, y / 2)) << x << "," << y;

    // A part that starts inside a square, and beyond the picture's last column.
    drawZoomed(picture, ZoomLevel(200), QRect(3, 1, 5, 2), out);
    EXPECT_EQ(at(out, 0, 0), picture.pixel(1, 0));
    EXPECT_EQ(at(out, 1, 0), picture.pixel(2, 0));
    EXPECT_EQ(at(out, 4, 1), picture.pixel(2, 1)) << "beyond the picture its last column repeats";
}

TEST(ZoomedPixels, FromFourHundredPercentAGridRunsBetweenThePixels)
{
    const QImage picture = smallPicture();
    QImage out;
    drawZoomed(picture, ZoomLevel(400), QRect(0, 0, 12, 8), out);
    const uint32_t colour = picture.pixel(1, 0);
    EXPECT_EQ(at(out, 5, 1), colour) << "inside the square";
    EXPECT_EQ(at(out, 4, 1), gridPixel(colour)) << "the square's first column";
    EXPECT_EQ(at(out, 5, 0), gridPixel(colour)) << "its first row";
    EXPECT_NE(gridPixel(colour), colour);
    EXPECT_EQ(at(out, 9, 5), 0u) << "a see-through pixel has no grid";
    EXPECT_EQ(at(out, 8, 4), 0u);
    // Light and dark pixels both show the lines.
    EXPECT_EQ(gridPixel(0xFFFFFFFF), 0xFFBFBFBFu);
    EXPECT_EQ(gridPixel(0xFF000000), 0xFF404040u);

    drawZoomed(picture, ZoomLevel(800), QRect(7, 7, 3, 3), out);
    EXPECT_EQ(at(out, 0, 0), picture.pixel(0, 0));
    EXPECT_EQ(at(out, 1, 0), gridPixel(picture.pixel(1, 0)));
    EXPECT_EQ(at(out, 2, 2), picture.pixel(1, 1));
}

TEST(ZoomedPixels, BelowOneHundredPercentEveryScreenPixelShowsOnePlanePixel)
{
    QImage wide(8, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            wide.setPixel(x, y, qRgb(x * 30, y * 60, 0));
    QImage out;
    drawZoomed(wide, ZoomLevel(50), QRect(0, 0, 4, 2), out);
    EXPECT_EQ(at(out, 3, 1), wide.pixel(6, 2));
    drawZoomed(wide, ZoomLevel(25), QRect(0, 0, 2, 1), out);
    EXPECT_EQ(at(out, 1, 0), wide.pixel(4, 0));
}
