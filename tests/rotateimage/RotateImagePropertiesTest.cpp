#include "ControlFixtures.h"

#include "rotateimage/ColorEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace dw::test {
namespace {

TEST(RotateImageProperties, AnglesFoldWithTheTruncatingRemainder)
{
    TRotateImage image;
    image.SetAngle(-90);
    EXPECT_EQ(image.AngleEx(), 2700);
    EXPECT_EQ(image.Angle(), 270);
    image.SetAngle(365);
    EXPECT_EQ(image.Angle(), 5);
    EXPECT_EQ(image.AngleEx(), 50);
    image.SetAngleEx(3600);
    EXPECT_EQ(image.AngleEx(), 0);
    image.SetAngleEx(-1);
    EXPECT_EQ(image.AngleEx(), 3599);
    image.SetAngle(std::numeric_limits<int32_t>::min());
    EXPECT_GE(image.AngleEx(), 0);
    EXPECT_LT(image.AngleEx(), 3600);
    EXPECT_GE(image.AngleRadians(), 0.0f);
}

TEST(RotateImageProperties, ZoomIsClampedAndMakesTheMatrix)
{
    TRotateImage image;
    image.SetZoom(10);
    EXPECT_EQ(image.Zoom(), 25);
    EXPECT_EQ(image.Matrix(), (TRotateMatrix{4, 0, -0.0f, 4}));
    image.SetZoom(1000);
    EXPECT_EQ(image.Zoom(), 400);
    image.SetZoom(150);
    EXPECT_EQ(image.Zoom(), 150);
    image.SetAngle(90);
    const TRotateMatrix m = image.Matrix();
    EXPECT_NEAR(m.m12, 1 / 1.5, 1e-6);
    EXPECT_NEAR(m.m21, -1 / 1.5, 1e-6);
    EXPECT_NEAR(m.m11, 0, 1e-6);
}

TEST(RotateImageProperties, MonochromeAndSepiaAreTwoViewsOfOneWord)
{
    TRotateImage image;
    image.SetMonochrome(true);
    EXPECT_EQ(image.ColorEffect(), EffectMonochrome);
    image.SetSepia(false); // Monochrome stays
    EXPECT_TRUE(image.Monochrome());
    image.SetSepia(true);
    EXPECT_FALSE(image.Monochrome());
    EXPECT_TRUE(image.Sepia());
    image.SetMonochrome(false); // Sepia stays
    EXPECT_EQ(image.ColorEffect(), EffectSepia);
    image.SetSepia(false);
    EXPECT_EQ(image.ColorEffect(), EffectNone);
    // Another effect word is neither view; turning either off leaves nothing.
    image.SetColorEffect(0x7F000000u);
    EXPECT_FALSE(image.Monochrome() || image.Sepia());
    image.SetMonochrome(false);
    EXPECT_EQ(image.ColorEffect(), EffectNone);
}

TEST(RotateImageProperties, TransparentColorReadsTheFirstStoredPixelUntilItIsWritten)
{
    TRotateImage image;
    EXPECT_EQ(image.TransparentColor(), 0); // no picture: the stored colour
    load(image, keyedPicture(6, 4));
    EXPECT_EQ(image.TransparentColor(), colorOf(kKey));

    TRotateImage indexed;
    load(indexed, picture8(3, 2, {0x000000, 0x123456, 0xABCDEF}, [](int x, int y) { return uint8_t(y == 1 ? 2 : 1); }));
    EXPECT_EQ(indexed.TransparentColor(), colorOf(0xABCDEF));

    RecordingHost host;
    image.SetBounds(0, 0, 20, 20);
    image.SetParent(&host);
    image.SetTransparentColor(clRed);
    EXPECT_EQ(image.TransparentMode(), tmFixed);
    EXPECT_EQ(image.TransparentColor(), clRed);
    // Writing it always renders, even the same colour.
    host.invalidated.clear();
    image.SetTransparentColor(clRed);
    EXPECT_EQ(host.invalidated.size(), 1u);
}

class PivotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        image.SetBounds(10, 10, 40, 40);
        load(image, keyedPicture(8, 4)); // drawn at (26, 28) .. (34, 32)
        image.SetParent(&host);
        host.invalidated.clear();
    }
    RecordingHost host;
    TRotateImage image;
};

TEST_F(PivotTest, PivotCoordinatesWhilePivotIsOffAreStoredWithoutRendering)
{
    image.SetPivotX(0);
    image.SetPivotY(0);
    EXPECT_TRUE(host.invalidated.empty());
    image.SetPivot(true);
    // The old place, then the new one: the pivot (0, 0) moves to the client centre.
    ASSERT_EQ(host.invalidated.size(), 2u);
    EXPECT_EQ(host.invalidated[0], (TRect{26, 28, 34, 32}));
    EXPECT_EQ(host.invalidated[1], (TRect{30, 30, 38, 34}));
    host.invalidated.clear();
    image.SetPivotX(2);
    ASSERT_EQ(host.invalidated.size(), 2u);
    EXPECT_EQ(host.invalidated[1], (TRect{28, 30, 36, 34}));
    host.invalidated.clear();
    image.SetPivotX(2); // unchanged: nothing
    EXPECT_TRUE(host.invalidated.empty());
}

TEST_F(PivotTest, RepaintsWithoutRenderingForTranslucencyAndDisplayMode)
{
    const std::vector<uint8_t> before(image.RotatedDib().Memory(), image.RotatedDib().Memory() + image.RotatedDib().size());
    image.SetTrnsIndex(3);
    image.SetDispMode(ridmRegion);
    ASSERT_EQ(host.invalidated.size(), 2u);
    EXPECT_EQ(host.invalidated[0], image.BoundsRect());
    EXPECT_EQ(host.invalidated[1], image.BoundsRect());
    image.SetTrnsIndex(99);
    EXPECT_EQ(image.TrnsIndex(), 7);
    image.SetPrintQuality(0);
    EXPECT_EQ(image.PrintQuality(), 1);
    image.SetTransparentMouse(true);
    EXPECT_EQ(host.invalidated.size(), 3u);
    EXPECT_EQ(std::vector<uint8_t>(image.RotatedDib().Memory(), image.RotatedDib().Memory() + image.RotatedDib().size()),
              before);
}

TEST_F(PivotTest, SetMatrixIgnoresSingularDegenerateUnusableAndEqualMatrices)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    image.SetMatrix(1, 2, 2, 4);
    image.SetMatrix(0, 0, 1, 1);
    image.SetMatrix(1, 1, 0, 0);
    image.SetMatrix(nan, 0, 0, 1);
    image.SetMatrix(std::numeric_limits<float>::infinity(), 0, 0, 1);
    image.SetMatrix(1, 0, 0, 1);
    EXPECT_EQ(image.Matrix(), (TRotateMatrix{1, 0, 0, 1}));
    EXPECT_TRUE(host.invalidated.empty());
    image.SetMatrix(0.5f, 0, 0, 0.5f);
    EXPECT_EQ(image.Matrix(), (TRotateMatrix{0.5f, 0, 0, 0.5f}));
    ASSERT_EQ(host.invalidated.size(), 2u);
    EXPECT_EQ(host.invalidated[1], (TRect{22, 26, 38, 34})); // twice the size
}

TEST_F(PivotTest, HiddenControlsAreNotRepainted)
{
    image.SetVisible(false);
    host.invalidated.clear();
    image.SetAngle(45);
    image.SetNegative(true);
    EXPECT_TRUE(host.invalidated.empty());
    EXPECT_GT(image.RotatedDib().size(), 0);
}

TEST(RotateImageProperties, SketchIsComputedWhenTurnedOnAndDroppedWhenOff)
{
    TRotateImage image;
    load(image, keyedPicture(6, 4));
    EXPECT_EQ(image.SketchDib().size(), 0);
    image.SetSketch(true);
    ASSERT_TRUE(IsValidDib(image.SketchDib()));
    EXPECT_EQ(bitCountOf(image.RotatedDib()), 8); // rendered from the sketch
    image.SetSketch(false);
    EXPECT_EQ(image.SketchDib().size(), 0);
    EXPECT_EQ(bitCountOf(image.RotatedDib()), 24);
}

} // namespace
} // namespace dw::test
