#include "ControlFixtures.h"

#include <gtest/gtest.h>

namespace dw::test {
namespace {

constexpr TColor kBackground = TColor(0x00030201);

// Which client pixels the control paints: DrawCentered on a canvas of its client size.
std::unique_ptr<TBitmap> painted(TRotateImage& image)
{
    auto canvas = filledBitmap(image.Width(), image.Height(), kBackground);
    image.DrawCentered(canvas->Canvas());
    return canvas;
}

class CMHitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        image.SetBounds(0, 0, 30, 26);
        load(image, keyedPicture(10, 7));
        image.SetTransparent(true);
    }
    void expectHitsWherePainted()
    {
        const auto canvas = painted(image);
        const std::optional<TRegion> region = image.TransparentMouseRegion();
        ASSERT_TRUE(region.has_value());
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x) {
                const bool drawn = canvas->pixel(x, y) != kBackground;
                ASSERT_EQ(image.CMHitTest({x, y}), drawn) << x << "," << y;
                ASSERT_EQ(region->contains({x, y}), drawn) << x << "," << y;
            }
    }
    TRotateImage image;
};

TEST_F(CMHitTest, WithoutTransparentMouseTheWholeRectangleHits)
{
    EXPECT_TRUE(image.CMHitTest({0, 0}));
    EXPECT_TRUE(image.CMHitTest({29, 25}));
    EXPECT_FALSE(image.CMHitTest({30, 0}));
    EXPECT_FALSE(image.TransparentMouseRegion().has_value());
}

TEST_F(CMHitTest, OnlyOpaquePixelsOfTheDrawnImageHit)
{
    image.SetTransparentMouse(true);
    // Image at (10, 10): pixel (1, 0) is opaque, (2, 1) the key, (0, 0) the key.
    EXPECT_TRUE(image.CMHitTest({11, 10}));
    EXPECT_FALSE(image.CMHitTest({12, 11}));
    EXPECT_FALSE(image.CMHitTest({10, 10}));
    EXPECT_FALSE(image.CMHitTest({5, 5})); // outside the image, inside the control
    // Far points never wrap onto the image.
    EXPECT_FALSE(image.CMHitTest({11 + 65536, 10}));
    EXPECT_FALSE(image.CMHitTest({11, 10 - 65536}));
    expectHitsWherePainted();
    image.SetAngle(41);
    image.SetZoom(130);
    expectHitsWherePainted();
}

TEST_F(CMHitTest, WithAPivotTheTestedPixelIsTheOneDrawnUnderThePoint)
{
    image.SetTransparentMouse(true);
    image.SetPivot(true);
    image.SetPivotX(1);
    image.SetPivotY(6);
    expectHitsWherePainted();
    image.SetAngle(250);
    expectHitsWherePainted();
}

} // namespace
} // namespace dw::test
