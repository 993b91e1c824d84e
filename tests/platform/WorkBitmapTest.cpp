// The work bitmaps of memory device contexts: compatible (device format, black) and
// monochrome (black), as the mask blit makes them on every draw.

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/FrameworkError.h"

#include <gtest/gtest.h>

using namespace dw;

TEST(WorkBitmap, CompatibleBitmapIsBlackInTheDeviceFormatWithTheReferenceTraits)
{
    QImage screen(4, 4, QImage::Format_RGB32);
    TCanvas reference(&screen, TDeviceCaps{DT_RASDISPLAY, 8, 120, 120});
    const auto bitmap = CreateCompatibleBitmap(reference, 5, 3);
    ASSERT_EQ(bitmap->Width(), 5);
    ASSERT_EQ(bitmap->Height(), 3);
    EXPECT_EQ(bitmap->PixelFormat(), pfDevice);
    EXPECT_EQ(bitmap->HandleType(), bmDIB);
    EXPECT_EQ(bitmap->image().format(), QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(reinterpret_cast<const uint32_t*>(bitmap->ScanLine(y))[x], 0xFF000000u) << x << "," << y;
    EXPECT_EQ(GetDeviceCaps(bitmap->Canvas(), BITSPIXEL), 8);
    EXPECT_EQ(GetDeviceCaps(bitmap->Canvas(), LOGPIXELSX), 120);
}

TEST(WorkBitmap, CompatibleBitmapOfNoPixelsIsEmptyAndOneBeyondTheLimitsIsRefused)
{
    QImage screen(4, 4, QImage::Format_RGB32);
    TCanvas reference(&screen);
    EXPECT_TRUE(CreateCompatibleBitmap(reference, 0, 7)->Empty());
    EXPECT_TRUE(CreateCompatibleBitmap(reference, -3, 7)->Empty());
    EXPECT_THROW(CreateCompatibleBitmap(reference, kMaxBitmapSide + 1, 1), EFrameworkError);
    EXPECT_THROW(CreateCompatibleBitmap(reference, 20000, 20000), EFrameworkError);
}

TEST(WorkBitmap, MonochromeBitmapIsBlackAndDeviceDependent)
{
    const auto bitmap = CreateMonochromeBitmap(11, 2);
    EXPECT_EQ(bitmap->HandleType(), bmDDB);
    EXPECT_TRUE(bitmap->Monochrome());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 11; ++x)
            ASSERT_EQ(bitmap->pixel(x, y), clBlack) << x << "," << y;
}
