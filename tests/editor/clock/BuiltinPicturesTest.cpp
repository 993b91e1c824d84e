#include "editor/clock/BuiltinPictures.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdint>

using namespace dw;

namespace {

// A minimal reader of the 4-bit BMP layout, independent of the toolkit's decoder.
struct Bmp4 {
    QByteArray bytes;

    uint32_t u16(int at) const { return uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8; }
    uint32_t u32(int at) const { return u16(at) | u16(at + 2) << 16; }
    int32_t width() const { return int32_t(u32(18)); }
    int32_t height() const { return int32_t(u32(22)); }
    int stride() const { return (width() * 4 + 31) / 32 * 4; }
    // Palette index of pixel (x, y), y from the top; rows are stored bottom-up.
    int index(int x, int y) const
    {
        const int row = height() - 1 - y;
        const uint8_t byte = uint8_t(bytes[int(u32(10)) + row * stride() + x / 2]);
        return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
    }
    QRgb colour(int x, int y) const
    {
        const int entry = 54 + 4 * index(x, y);
        return qRgb(uint8_t(bytes[entry + 2]), uint8_t(bytes[entry + 1]), uint8_t(bytes[entry]));
    }
};

Bmp4 picture(BuiltinPicture which) { return {builtinPictureBytes(which)}; }

void expectSixteenColourLayout(const Bmp4& bmp, int width, int height)
{
    ASSERT_GE(bmp.bytes.size(), 118);
    EXPECT_EQ(bmp.bytes.left(2), "BM");
    EXPECT_EQ(bmp.u32(2), uint32_t(bmp.bytes.size())) << "file size field";
    EXPECT_EQ(bmp.u32(10), 118u) << "pixels follow the 118 bytes of headers";
    EXPECT_EQ(bmp.u32(14), 40u) << "info header size";
    EXPECT_EQ(bmp.width(), width);
    EXPECT_EQ(bmp.height(), height) << "bottom-up";
    EXPECT_EQ(bmp.u16(26), 1u) << "planes";
    EXPECT_EQ(bmp.u16(28), 4u) << "bits per pixel";
    EXPECT_EQ(bmp.u32(30), 0u) << "uncompressed";
    EXPECT_EQ(bmp.u32(34), uint32_t(bmp.stride() * height)) << "image size";
    EXPECT_TRUE(bmp.u32(46) == 16 || bmp.u32(46) == 0) << "16 colours used";
    EXPECT_EQ(bmp.bytes.size(), 118 + bmp.stride() * height);
}

// The toolkit's decoder sees the same pixels as the layout says.
void expectDecodesAlike(const Bmp4& bmp)
{
    const QImage decoded = QImage::fromData(bmp.bytes, "BMP");
    ASSERT_FALSE(decoded.isNull());
    ASSERT_EQ(decoded.size(), QSize(bmp.width(), bmp.height()));
    for (int y = 0; y < bmp.height(); ++y)
        for (int x = 0; x < bmp.width(); ++x)
            ASSERT_EQ(decoded.pixel(x, y) & 0xFFFFFF, bmp.colour(x, y) & 0xFFFFFF) << x << "," << y;
}

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kOlive = qRgb(128, 128, 0);

} // namespace

TEST(BuiltinPictures, AreSixteenColourBitmaps)
{
    expectSixteenColourLayout(picture(BuiltinPicture::Dial), 200, 200);
    expectSixteenColourLayout(picture(BuiltinPicture::Hour), 15, 70);
    expectSixteenColourLayout(picture(BuiltinPicture::Minute), 15, 90);
    expectSixteenColourLayout(picture(BuiltinPicture::Second), 13, 16);
    for (auto which : {BuiltinPicture::Dial, BuiltinPicture::Hour, BuiltinPicture::Minute, BuiltinPicture::Second})
        expectDecodesAlike(picture(which));
}

TEST(BuiltinPictures, DialIsARoundDiscOnBlue)
{
    const Bmp4 dial = picture(BuiltinPicture::Dial);
    EXPECT_EQ(dial.colour(0, 199), kBlue) << "the bottom-left pixel cuts the window";
    EXPECT_EQ(dial.colour(0, 0), kBlue);
    EXPECT_EQ(dial.colour(199, 0), kBlue);
    EXPECT_EQ(dial.colour(199, 199), kBlue);
    // The disc fills the picture: blue exactly outside it, never inside (a blue pixel there
    // would punch a hole into the clock window).
    int disc = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const double dx = x + 0.5 - 100, dy = y + 0.5 - 100, d2 = dx * dx + dy * dy;
            if (d2 < 99.0 * 99.0) {
                ASSERT_NE(dial.colour(x, y), kBlue) << x << "," << y;
                ++disc;
            } else if (d2 > 100.5 * 100.5) {
                ASSERT_EQ(dial.colour(x, y), kBlue) << x << "," << y;
            }
        }
    EXPECT_GT(disc, 30000);
    // The edge touches all four sides.
    EXPECT_NE(dial.colour(100, 0), kBlue);
    EXPECT_NE(dial.colour(0, 100), kBlue);
    EXPECT_NE(dial.colour(199, 99), kBlue);
    EXPECT_NE(dial.colour(99, 199), kBlue);
}

TEST(BuiltinPictures, DialHasMarkingsOnAPaleFace)
{
    const Bmp4 dial = picture(BuiltinPicture::Dial);
    auto lightness = [&](int x, int y) { return qGray(dial.colour(x, y)); };
    EXPECT_GT(lightness(100, 130), 200) << "pale face below the centre";
    // A dark hour index on the track at three, six and nine o'clock.
    EXPECT_LT(lightness(186, 100), 80);
    EXPECT_LT(lightness(100, 186), 80);
    EXPECT_LT(lightness(13, 100), 80);
}

TEST(BuiltinPictures, HandsPointUpOnWhiteWithAOnePixelShaftToTheBottomEdge)
{
    for (auto which : {BuiltinPicture::Hour, BuiltinPicture::Minute}) {
        const Bmp4 hand = picture(which);
        const int h = hand.height();
        SCOPED_TRACE(h);
        EXPECT_EQ(hand.colour(0, h - 1), kWhite) << "white background";
        EXPECT_EQ(hand.colour(0, 0), kWhite);
        EXPECT_EQ(hand.colour(14, 0), kWhite);
        // The shaft: from the bottom edge up, column 7 alone, for at least a third of the hand.
        int shaftTop = h;
        auto shaftRow = [&](int y) {
            for (int x = 0; x < 15; ++x)
                if ((hand.colour(x, y) != kWhite) != (x == 7))
                    return false;
            return true;
        };
        while (shaftTop > 0 && shaftRow(shaftTop - 1))
            --shaftTop;
        EXPECT_LE(shaftTop, h - h / 3);
        // The head above it: broad near the top, the hand pointing up, joined to the shaft.
        int widest = 0, widestRow = -1;
        for (int y = 0; y < shaftTop; ++y) {
            int width = 0;
            for (int x = 0; x < 15; ++x)
                width += hand.colour(x, y) != kWhite;
            if (width > widest) {
                widest = width;
                widestRow = y;
            }
        }
        EXPECT_GE(widest, 11);
        EXPECT_LT(widestRow, h / 3);
        for (int y = widestRow; y < h; ++y)
            ASSERT_NE(hand.colour(7, y), kWhite) << "broken at " << y;
    }
}

TEST(BuiltinPictures, SecondHandIsASmallMarkOnOlive)
{
    const Bmp4 mark = picture(BuiltinPicture::Second);
    EXPECT_EQ(mark.colour(0, 15), kOlive);
    EXPECT_EQ(mark.colour(0, 0), kOlive);
    EXPECT_EQ(mark.colour(12, 15), kOlive);
    int opaque = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 13; ++x)
            opaque += mark.colour(x, y) != kOlive;
    EXPECT_GT(opaque, 40);
    EXPECT_LT(opaque, 13 * 16 - 40);
    EXPECT_NE(mark.colour(6, 6), kOlive) << "the mark is centred on column 6";
}
