#include "ControlFixtures.h"

#include <gtest/gtest.h>

namespace dw::test {
namespace {

constexpr uint32_t kLight = 0xF0E0D0, kDark = 0x102030;

// A printer page scaled 8 device pixels per logical unit, the logical origin at (16, 24).
struct Page {
    QImage image{200, 200, QImage::Format_RGB32};
    TCanvas canvas{&image, TDeviceCaps{DT_RASPRINTER, 24, 600, 600}};
    Page()
    {
        image.fill(0xFFFFFFFF);
        SetMapMode(canvas, MM_ANISOTROPIC);
        SetWindowExtEx(canvas, 1, 1, nullptr);
        SetViewportExtEx(canvas, 8, 8, nullptr);
        SetViewportOrgEx(canvas, 16, 24, nullptr);
    }
    uint32_t at(int x, int y) const { return image.pixel(x, y) & 0xFFFFFF; }
};

// A 16 × 16 checkerboard of single pixels, shown at 50 %: the screen rendering samples every
// second pixel and is all light; twice the resolution shows the board.
class Print : public ::testing::Test {
protected:
    void SetUp() override
    {
        load(image, picture24(16, 16, [](int x, int y) { return (x + y) % 2 ? kLight : kDark; }));
        image.SetZoom(50);
        ASSERT_EQ(widthOf(image.RotatedDib()), 8);
    }
    std::vector<uint8_t> rendered() const
    {
        const TMemoryStream& d = image.RotatedDib();
        return {d.Memory(), d.Memory() + d.size()};
    }
    TRotateImage image;
};

TEST_F(Print, QualityOnePrintsTheScreenRendering)
{
    image.SetPrintQuality(1);
    Page page;
    image.DrawAt(page.canvas, {4, 4}); // the image's top-left at logical (0, 0): device (16, 24)
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            // 64 × 64 device pixels, each row one run narrowed by a pixel at both ends.
            const bool inside = x >= 17 && x < 79 && y >= 24 && y < 88;
            ASSERT_EQ(page.at(x, y), inside ? kLight : 0xFFFFFFu) << x << "," << y;
        }
}

TEST_F(Print, QualityFourPrintsTwiceTheResolutionAtTheSameSize)
{
    const std::vector<uint8_t> before = rendered();
    const TRotateMatrix matrix = image.Matrix();
    image.SetPrintQuality(4);
    Page page;
    image.DrawAt(page.canvas, {4, 4});
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool inside = x >= 17 && x < 79 && y >= 24 && y < 88;
            // Cells of 4 device pixels: one source pixel each.
            const bool dark = ((x - 16) / 4 + (y - 24) / 4) % 2 == 0;
            ASSERT_EQ(page.at(x, y), !inside ? 0xFFFFFFu : dark ? kDark : kLight) << x << "," << y;
        }
    // Everything as before: the matrix, the rendered image, visibility and the page's mapping.
    EXPECT_EQ(image.Matrix(), matrix);
    EXPECT_EQ(rendered(), before);
    EXPECT_TRUE(image.Visible());
    TSize extent;
    TPoint origin, windowOrigin;
    GetViewportExtEx(page.canvas, &extent);
    GetViewportOrgEx(page.canvas, &origin);
    GetWindowOrgEx(page.canvas, &windowOrigin);
    EXPECT_EQ(extent, (TSize{8, 8}));
    EXPECT_EQ(origin, (TPoint{16, 24}));
    EXPECT_EQ(windowOrigin, (TPoint{0, 0}));
    EXPECT_FALSE(GetClipRgn(page.canvas).has_value());
}

TEST_F(Print, AHiddenControlStaysHiddenAndAShownOneIsNotRepaintedMeanwhile)
{
    RecordingHost host;
    image.SetBounds(0, 0, 50, 50);
    image.SetParent(&host);
    image.SetPrintQuality(16);
    host.invalidated.clear();
    Page page;
    image.DrawAt(page.canvas, {4, 4});
    // Hiding and showing repaint the bounds; the re-renders in between repaint nothing.
    EXPECT_EQ(host.invalidated, (std::vector<TRect>{image.BoundsRect(), image.BoundsRect()}));
    image.SetVisible(false);
    image.DrawAt(page.canvas, {4, 4});
    EXPECT_FALSE(image.Visible());
    // Sixteen: four times the resolution; the board shows as at four.
    EXPECT_EQ(page.at(18, 26), kDark);
    EXPECT_EQ(page.at(21, 26), kLight);
}

TEST_F(Print, PrintingFarBeyondTheDeviceRangeStaysInRange)
{
    // Found by fuzzing: a pivot at the end of the 32-bit range puts the picture where device
    // coordinates saturate; narrowing the runs for the printer overflowed.
    image.SetPivot(true);
    image.SetPivotX(INT32_MAX);
    image.SetPivotY(INT32_MIN);
    image.SetZoom(400);
    for (int quality : {1, 4}) {
        image.SetPrintQuality(quality);
        Page page;
        image.DrawAt(page.canvas, {5, 5});
        for (int y = 0; y < 200; y += 7)
            for (int x = 0; x < 200; x += 7)
                ASSERT_EQ(page.at(x, y), 0xFFFFFFu);
    }
}

} // namespace
} // namespace dw::test
