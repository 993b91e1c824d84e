#include "ControlFixtures.h"

#include "rotateimage/DibFormat.h"
#include "rotateimage/Sketch.h"

#include "platform/ByteOrder.h"

#include <QImage>

#include <cstring>

#include <gtest/gtest.h>

namespace dw::test {
namespace {

bool transparentAt(const TCustomRotateImage& c, int x, int y) { return pixelAt(c.MaskDib(), x, y) == 1; }

const std::vector<uint32_t> kTable = {0x000000, 0x0000FF, 0xFF0000, 0x00FF00, 0xFF0000};

// Indices 1 .. 4 along the row: red at 2 and again at 4.
TRotateImage& indexedImage(TRotateImage& image)
{
    load(image, picture8(4, 1, kTable, [](int x, int) { return uint8_t(x + 1); }));
    image.SetTransparent(true);
    return image;
}

TEST(RotateImageRender, FixedKeyOfAnIndexedSourceIsTheFirstEqualTableEntry)
{
    TRotateImage image;
    indexedImage(image).SetTransparentColor(clRed); // red is table entry 2 and again 4
    EXPECT_FALSE(transparentAt(image, 0, 0));
    EXPECT_TRUE(transparentAt(image, 1, 0));
    EXPECT_FALSE(transparentAt(image, 3, 0)); // the same colour at a later entry is not the key
    image.SetTransparentColor(clYellow); // in no entry: no transparent pixel at all
    for (int x = 0; x < 4; ++x)
        EXPECT_FALSE(transparentAt(image, x, 0));
}

TEST(RotateImageRender, AutomaticKeyIsTheBottomLeftPixelAndFixedKeysResolveSystemColours)
{
    TRotateImage image;
    const uint32_t face = ColorToRGB(clBtnFace);
    const uint32_t facePixel = swapRedBlue(face);
    load(image, picture24(3, 2, [&](int x, int y) { return x == 2 ? facePixel : y == 1 ? 0x102030u : 0x405060u; }));
    image.SetTransparent(true);
    EXPECT_TRUE(transparentAt(image, 0, 0));
    EXPECT_TRUE(transparentAt(image, 1, 0));
    EXPECT_FALSE(transparentAt(image, 0, 1));
    EXPECT_FALSE(transparentAt(image, 2, 0));
    image.SetTransparentColor(clBtnFace);
    EXPECT_TRUE(transparentAt(image, 2, 0));
    EXPECT_TRUE(transparentAt(image, 2, 1));
    EXPECT_FALSE(transparentAt(image, 0, 0));
    image.SetTransparent(false);
    EXPECT_FALSE(transparentAt(image, 2, 0));
}

TEST(RotateImageRender, TheSketchIsNeverColourKeyed)
{
    // Flat areas of a sketch are grey 255, and 255 is also the key index of this source (its
    // bottom-left pixel, and its fixed key colour below): keyed, nearly all the sketch would
    // vanish.
    const std::vector<uint32_t> table = distinctPalette();
    TRotateImage image;
    load(image, picture8(7, 5, table, [](int x, int y) { return uint8_t(x == 3 && y == 2 ? 9 : 255); }));
    image.SetTransparent(true);
    image.SetSketch(true);
    auto expectAllOpaque = [&](const char* what) {
        ASSERT_EQ(widthOf(image.MaskDib()), 7) << what;
        ASSERT_EQ(heightOf(image.MaskDib()), 5) << what;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(pixelAt(image.MaskDib(), x, y), 0u) << what << " at " << x << "," << y;
    };
    ASSERT_EQ(pixelAt(image.RotatedDib(), 0, 0), 255u) << "a flat corner of the sketch";
    expectAllOpaque("automatic key");
    image.SetTransparentColor(colorOf(table[255]));
    expectAllOpaque("fixed key");
    // Without the sketch the same key does take the source's pixels out.
    image.SetSketch(false);
    EXPECT_EQ(pixelAt(image.MaskDib(), 0, 0), 1u);
}

TEST(RotateImageRender, LoadingAPictureWhileSketchIsOnSketchesTheNewPicture)
{
    TRotateImage image;
    load(image, picture24(6, 4, [](int, int) { return 0x808080u; }));
    image.SetSketch(true);
    load(image, picture24(9, 5, [](int x, int y) { return x == 4 && y == 2 ? 0u : 0xFFFFFFu; }));
    TMemoryStream expected;
    ASSERT_TRUE(MakeSketch(image.SourceDib(), expected));
    ASSERT_EQ(image.SketchDib().size(), expected.size());
    EXPECT_EQ(std::memcmp(image.SketchDib().Memory(), expected.Memory(), size_t(expected.size())), 0);
    // And the rendered image is that sketch: the dot and its neighbours darker than the rest.
    ASSERT_EQ(widthOf(image.RotatedDib()), 9);
    EXPECT_EQ(pixelAt(image.RotatedDib(), 4, 2), 64u);
    EXPECT_EQ(pixelAt(image.RotatedDib(), 0, 0), 255u);
}

TEST(RotateImageRender, AssignedIndexedAndTrueColourBitmapsBecomeTheSourceAsTheyAre)
{
    QImage indexed(5, 3, QImage::Format_Indexed8);
    QList<QRgb> table(20, qRgb(1, 2, 3)); // more than 16 entries: an 8-bit bitmap
    table[1] = qRgb(200, 100, 50);
    table[2] = qRgb(9, 8, 7);
    indexed.setColorTable(table);
    indexed.fill(1);
    indexed.setPixel(4, 2, 2);
    TBitmap bitmap;
    bitmap.setImage(indexed);
    ASSERT_EQ(bitmap.PixelFormat(), pf8bit);
    TRotateImage image;
    image.AssignBitmap(bitmap);
    ASSERT_TRUE(IsValidDib(image.SourceDib()));
    EXPECT_EQ(colorsUsedOf(image.SourceDib()), 20u);
    EXPECT_EQ(pixelOffsetOf(image.SourceDib()), 54u + 80);
    EXPECT_EQ(fileSizeOf(image.SourceDib()), uint32_t(image.SourceDib().size()));
    EXPECT_EQ(pixelAt(image.RotatedDib(), 4, 0), 2u);

    bitmap.SetPixelFormat(pf24bit);
    image.AssignBitmap(bitmap);
    EXPECT_EQ(bitCountOf(image.SourceDib()), 24);
    EXPECT_EQ(image.SourceDib().size(), int64_t(fileSizeOf(image.SourceDib())) + 1); // the spare byte
    EXPECT_EQ(pixelAt(image.RotatedDib(), 4, 0), 0x090807u);

    // Other formats go through the decoder (and get their spare byte only once).
    bitmap.SetPixelFormat(pf32bit);
    image.AssignBitmap(bitmap);
    EXPECT_EQ(bitCountOf(image.SourceDib()), 24);
    EXPECT_EQ(image.SourceDib().size(), int64_t(fileSizeOf(image.SourceDib())) + 1);
    EXPECT_EQ(pixelAt(image.RotatedDib(), 0, 2), 0xC86432u);

    TBitmap empty;
    image.AssignBitmap(empty);
    EXPECT_EQ(image.SourceDib().size(), 0);
    EXPECT_EQ(image.RotatedDib().size(), 0);
}

TEST(RotateImageRender, TheBitmapPropertyFollowsEveryChangeOfTheBitmap)
{
    TRotateImage image;
    auto picture = filledBitmap(4, 3, clRed);
    image.SetBitmap(picture.get());
    EXPECT_EQ(pixelAt(image.RotatedDib(), 0, 0), 0xFF0000u);
    image.Bitmap().Canvas().Pixel(0, 0); // reading is no change
    image.Bitmap().Canvas().SetPixel(0, 2, clLime);
    EXPECT_EQ(pixelAt(image.RotatedDib(), 0, 0), 0x00FF00u);
    image.SetBitmap(nullptr);
    EXPECT_EQ(image.SourceDib().size(), 0);
}

TEST(RotateImageRender, ARefusedStreamLeavesTheControlEmpty)
{
    TRotateImage image;
    load(image, keyedPicture(3, 4));
    ASSERT_TRUE(IsValidDib(image.RotatedDib()));
    Bytes broken = keyedPicture(3, 4);
    broken[0] = 'X';
    load(image, broken);
    EXPECT_EQ(image.SourceDib().size(), 0);
    EXPECT_EQ(image.RotatedDib().size(), 0);
    EXPECT_EQ(image.MaskDib().size(), 0);
    auto canvas = filledBitmap(10, 10, clGray);
    auto before = filledBitmap(10, 10, clGray);
    image.DrawAt(canvas->Canvas(), {5, 5});
    EXPECT_TRUE(samePixels(*canvas, *before));
}

TEST(RotateImageRender, ARenderBeyondTheEngineLimitLeavesTheControlEmpty)
{
    TRotateImage image;
    image.SetBounds(0, 0, 10, 10);
    image.SetTransparentMouse(true);
    load(image, picture8(4100, 4100, {0x000000, 0xFFFFFF}, [](int x, int y) { return uint8_t((x ^ y) & 1); }));
    ASSERT_TRUE(IsValidDib(image.RotatedDib()));
    image.SetZoom(400);
    EXPECT_EQ(image.RotatedDib().size(), 0);
    EXPECT_EQ(image.MaskDib().size(), 0);
    auto canvas = filledBitmap(10, 10, clGray);
    auto before = filledBitmap(10, 10, clGray);
    image.DrawAt(canvas->Canvas(), {5, 5});
    EXPECT_TRUE(samePixels(*canvas, *before));
    TBitmap copy;
    image.CopyRenderedTo(copy, true, clRed);
    EXPECT_TRUE(copy.Empty());
    EXPECT_TRUE(image.CMHitTest({1, 1})); // no mask: the rectangle counts
    image.SetZoom(100);
    EXPECT_TRUE(IsValidDib(image.RotatedDib()));
}

TEST(RotateImageRender, CopyRenderedToFillsTransparentPixelsWithTheColour)
{
    TRotateImage image;
    load(image, keyedPicture(5, 4));
    image.SetTransparent(true);
    TBitmap plain, black, colored;
    image.CopyRenderedTo(plain, false, clRed);
    image.CopyRenderedTo(black, true, clBlack);
    image.CopyRenderedTo(colored, true, clBtnFace);
    ASSERT_EQ(plain.Width(), 5);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const uint32_t p = keyedPixel(x, y);
            EXPECT_EQ(plain.pixel(x, y), colorOf(p));
            EXPECT_EQ(black.pixel(x, y), p == kKey ? clBlack : colorOf(p));
            EXPECT_EQ(colored.pixel(x, y), p == kKey ? TColor(ColorToRGB(clBtnFace)) : colorOf(p));
        }
    TRotateImage empty;
    empty.CopyRenderedTo(plain, false, clRed);
    EXPECT_TRUE(plain.Empty());
}

// The rendered image copied into a format is the copy converted to it, pixel format, colour
// table and bytes, for both depths of rendered image (a 37-pixel row ends outside the
// converters' groups of pixels); a control with nothing rendered gives an empty bitmap.
TEST(RotateImageRender, CopyRenderedToAFormatIsTheCopyConverted)
{
    TRotateImage wide, indexed;
    load(wide, keyedPicture(37, 4));
    wide.SetTransparent(true);
    wide.SetAngle(30);
    indexedImage(indexed);
    for (TRotateImage* image : {&wide, &indexed})
        for (TPixelFormat format : {pfDevice, pf32bit, pf24bit, pf8bit, pf16bit}) {
            SCOPED_TRACE(::testing::Message() << bitCountOf(image->RotatedDib()) << " bits into " << int(format));
            TBitmap converted, direct;
            image->CopyRenderedTo(converted, false, clRed);
            converted.SetPixelFormat(format);
            image->CopyRenderedTo(direct, format);
            ASSERT_EQ(direct.PixelFormat(), converted.PixelFormat());
            ASSERT_EQ(direct.image().format(), converted.image().format());
            ASSERT_EQ(direct.image().colorTable(), converted.image().colorTable());
            ASSERT_EQ(direct.image().size(), converted.image().size());
            const size_t bytes = (size_t(direct.Width()) * size_t(direct.image().depth()) + 7) / 8;
            for (int y = 0; y < direct.Height(); ++y)
                ASSERT_EQ(std::memcmp(direct.ScanLine(y), converted.ScanLine(y), bytes), 0) << "row " << y;
        }
    TRotateImage empty;
    TBitmap plain;
    plain.SetSize(3, 3);
    empty.CopyRenderedTo(plain, pfDevice);
    EXPECT_TRUE(plain.Empty());
}

} // namespace
} // namespace dw::test
