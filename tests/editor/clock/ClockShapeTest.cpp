#include "tests/editor/TestPictures.h"

#include "editor/clock/BuiltinPictures.h"
#include "editor/clock/ClockLayout.h"
#include "editor/clock/ClockShape.h"
#include "editor/clock/HandAngles.h"

#include "platform/ByteOrder.h"


#include <gtest/gtest.h>

using namespace dw;
using namespace dw::test;

namespace {

struct Rect4 {
    int32_t l, t, r, b;
    friend bool operator==(const Rect4&, const Rect4&) = default;
};

std::vector<Rect4> rectsOf(const std::vector<uint8_t>& data)
{
    std::vector<Rect4> out;
    for (size_t at = kRgnDataHeaderSize; at + 16 <= data.size(); at += 16)
        out.push_back({readLE32s(&data[at]), readLE32s(&data[at + 4]), readLE32s(&data[at + 8]),
                       readLE32s(&data[at + 12])});
    return out;
}

TMemoryStream streamOf(const QByteArray& bytes)
{
    TMemoryStream s;
    s.WriteBuffer(bytes.constData(), bytes.size());
    return s;
}

} // namespace

TEST(BitmapToRgn, GivesOneRectanglePerRunRowsFromTheTop)
{
    // Row 0: . X X . X   row 1: X X X X X   row 2: all transparent   (X opaque)
    QImage image = filledImage(5, 3, Qt::red);
    image.setPixelColor(1, 0, Qt::black);
    image.setPixelColor(2, 0, Qt::black);
    image.setPixelColor(4, 0, Qt::black);
    for (int x = 0; x < 5; ++x)
        image.setPixelColor(x, 1, Qt::blue);
    TBitmap bitmap;
    setBitmap(bitmap, image);

    const std::vector<uint8_t> data = bitmapRegionData(bitmap, clRed);
    ASSERT_GE(data.size(), kRgnDataHeaderSize);
    EXPECT_EQ(readLE32(&data[0]), 32u);
    EXPECT_EQ(readLE32(&data[4]), 1u);
    EXPECT_EQ(readLE32(&data[8]), 3u) << "rectangle count";
    EXPECT_EQ(readLE32(&data[12]), 0u) << "size hint";
    EXPECT_EQ(readLE32s(&data[24]), 5);
    EXPECT_EQ(readLE32s(&data[28]), 3);
    EXPECT_EQ(data.size(), 32u + 3 * 16);
    const std::vector<Rect4> expected = {{1, 0, 3, 1}, {4, 0, 5, 1}, {0, 1, 5, 2}};
    EXPECT_EQ(rectsOf(data), expected) << "a run open at the row's end closes at the width";

    TBitmap again;
    setBitmap(again, image);
    const std::optional<TRegion> region = BitmapToRgn(again, clRed);
    ASSERT_TRUE(region);
    EXPECT_TRUE(region->contains({1, 0}));
    EXPECT_FALSE(region->contains({0, 0}));
    EXPECT_FALSE(region->contains({3, 0}));
    EXPECT_TRUE(region->contains({4, 1}));
    EXPECT_FALSE(region->contains({2, 2}));
}

TEST(BitmapToRgn, EmptyBitmapOrRefusedDataGiveNoRegion)
{
    TBitmap empty;
    EXPECT_FALSE(BitmapToRgn(empty, clWhite));

    TBitmap striped;
    QImage image = filledImage(64, 64, Qt::white);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; x += 2)
            image.setPixelColor(x, y, Qt::black);
    setBitmap(striped, image);
    setRegionDataLimit(1024);
    const std::optional<TRegion> refused = BitmapToRgn(striped, clWhite);
    setRegionDataLimit(0);
    EXPECT_FALSE(refused) << "the platform refused the data: no shape, not an invisible window";
}

TEST(ClockShape, RoundRectCornersRoundHalfUp)
{
    EXPECT_EQ(roundRectCorner(200, 1, 20), 10);
    EXPECT_EQ(roundRectCorner(200, 20, 20), 200);
    EXPECT_EQ(roundRectCorner(15, 1, 20), 1);
    EXPECT_EQ(roundRectCorner(9, 1, 20), 0);
    EXPECT_EQ(roundRectCorner(300, 7, 20), 105);
    EXPECT_EQ(roundRectCorner(200, 5, 0), 0);
    EXPECT_EQ(roundRectCorner(16384, 20, 20), 16384);

    EXPECT_FALSE(roundRectShape(200, 200, 0, 200));
    EXPECT_FALSE(roundRectShape(200, 200, 200, 0));
    const std::optional<TRegion> ellipse = roundRectShape(200, 200, 200, 200);
    ASSERT_TRUE(ellipse);
    EXPECT_FALSE(ellipse->contains({0, 0}));
    EXPECT_TRUE(ellipse->contains({100, 100}));
    EXPECT_TRUE(ellipse->contains({0, 100}));
    EXPECT_EQ(ellipse->boundingBox(), (TRect{0, 0, 200, 200}));
}

TEST(ClockShape, DialIsCutOutByItsBottomLeftColour)
{
    TBitmap dial;
    dial.LoadFromMemory(reinterpret_cast<const uint8_t*>(builtinPictureBytes(BuiltinPicture::Dial).constData()),
                        builtinPictureBytes(BuiltinPicture::Dial).size());
    EXPECT_EQ(cutOutColor(dial), clBlue);
    const std::optional<TRegion> disc = dialCutOutShape(dial);
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->boundingBox(), (TRect{0, 0, 200, 200}));
    for (TPoint corner : {TPoint{0, 0}, TPoint{199, 0}, TPoint{0, 199}, TPoint{199, 199}, TPoint{15, 15}})
        EXPECT_FALSE(disc->contains(corner)) << corner.X << "," << corner.Y;
    for (TPoint inside : {TPoint{100, 100}, TPoint{100, 1}, TPoint{1, 100}, TPoint{198, 100}})
        EXPECT_TRUE(disc->contains(inside)) << inside.X << "," << inside.Y;

    QImage lonely = filledImage(30, 20, Qt::green);
    lonely.setPixelColor(0, 19, Qt::magenta);
    TBitmap one;
    setBitmap(one, lonely);
    const std::optional<TRegion> allButOne = dialCutOutShape(one);
    ASSERT_TRUE(allButOne);
    EXPECT_FALSE(allButOne->contains({0, 19}));
    TRegion expected = CreateRectRgn(0, 0, 30, 20);
    CombineRgn(expected, expected, CreateRectRgn(0, 19, 1, 20), RGN_DIFF);
    EXPECT_EQ(*allButOne, expected);
}

// The cut from a file's rows gives the region the decoded bitmap gives: widths around the
// groups of sixteen and thirty-two pixels and the rows' padding, the key everywhere, nowhere,
// scattered, in long runs (whole groups of it and of a colour sharing none of its bytes) and in
// colours sharing one or two of its bytes; other depths go through the bitmap.
TEST(ClockShape, DialFileIsCutAsItsBitmapIs)
{
    struct Case {
        int width, height;
        TPixelFormat format;
        int keyEvery; // every n-th pixel takes the key (0: none besides the corner; −n: runs of n)
    };
    const QRgb key = qRgb(0, 0, 255);
    for (const Case c : {Case{1, 1, pf24bit, 0}, Case{15, 3, pf24bit, 2}, Case{16, 4, pf24bit, 3}, Case{17, 5, pf24bit, 1},
                         Case{33, 7, pf24bit, 5}, Case{70, 9, pf24bit, 0}, Case{70, 9, pf24bit, 40}, Case{64, 6, pf8bit, 3},
                         Case{40, 5, pf32bit, 4}, Case{200, 4, pf24bit, -48}, Case{301, 3, pf24bit, -33},
                         Case{64, 2, pf24bit, -64}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " format " << int(c.format));
        QImage picture = noise(c.width, c.height, uint32_t(c.width * 31 + c.height));
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int n = y * c.width + x;
                if (c.keyEvery < 0)
                    picture.setPixel(x, y, (n / -c.keyEvery) % 2 ? key : qRgb(200, 100, 50));
                else if (c.keyEvery && (n % c.keyEvery == 0 || (n / 20) % 3 == 0))
                    picture.setPixel(x, y, key);
                else if (n % 7 == 1)
                    picture.setPixel(x, y, qRgb(0, 9, 255)); // two of the key's bytes
                else if (n % 7 == 2)
                    picture.setPixel(x, y, qRgb(9, 0, 9)); // one of them
            }
        picture.setPixel(0, c.height - 1, key);
        const QByteArray file = bmpFile(picture, c.format);
        TBitmap dial;
        dial.LoadFromMemory(reinterpret_cast<const uint8_t*>(file.constData()), file.size());
        const std::optional<TRegion> expected = dialCutOutShape(dial);
        const std::optional<TRegion> cut =
            dialCutOutShapeOfFile(reinterpret_cast<const uint8_t*>(file.constData()), file.size());
        ASSERT_EQ(cut.has_value(), expected.has_value());
        if (cut) {
            EXPECT_EQ(*cut, *expected);
        }
    }
    const QByteArray notAPicture("BM and nothing more");
    EXPECT_FALSE(dialCutOutShapeOfFile(reinterpret_cast<const uint8_t*>(notAPicture.constData()), notAPicture.size()));
}

TEST(ClockShape, MaskKeepsEverythingButPureWhite)
{
    QImage image = filledImage(10, 10, Qt::white);
    image.setPixelColor(2, 2, Qt::black);
    image.setPixelColor(3, 2, QColor(250, 250, 250)); // nearly white still counts as black
    TBitmap mask;
    setBitmap(mask, image);
    const std::optional<TRegion> shape = maskShape(mask);
    ASSERT_TRUE(shape);
    EXPECT_EQ(*shape, CreateRectRgn(2, 2, 4, 3));

    TBitmap white;
    setBitmap(white, filledImage(10, 10, Qt::white));
    EXPECT_FALSE(maskShape(white)) << "an all-white mask gives no shape";
}

TEST(ClockLayout, PanelTakesTheDialHeaderSizeWithinWhatCanBeShown)
{
    const TSize builtin{200, 200};
    TMemoryStream none;
    EXPECT_EQ(dialPanelSize(none, builtin), builtin);
    EXPECT_EQ(dialPanelSize(streamOf(bmpFile(filledImage(300, 200, Qt::red))), builtin), (TSize{300, 200}));

    QByteArray header = bmpFile(filledImage(150, 150, Qt::red));
    TMemoryStream shortFile = streamOf(header.left(43));
    EXPECT_EQ(dialPanelSize(shortFile, builtin), builtin) << "43 bytes: no header";

    auto withSize = [&](int32_t w, int32_t h) {
        QByteArray b = header;
        writeLE32s(reinterpret_cast<uint8_t*>(b.data()) + 18, w);
        writeLE32s(reinterpret_cast<uint8_t*>(b.data()) + 22, h);
        return dialPanelSize(streamOf(b), builtin);
    };
    EXPECT_EQ(withSize(150, -120), (TSize{150, 120})) << "a top-down picture by its magnitude";
    EXPECT_EQ(withSize(0, 100), builtin);
    EXPECT_EQ(withSize(INT32_MIN, 100), builtin);
    EXPECT_EQ(withSize(100, 0x7FFFFFFF), builtin);
    EXPECT_EQ(withSize(16384, 16384), (TSize{16384, 16384}));
    EXPECT_EQ(withSize(16385, 10), builtin);
}

TEST(ClockLayout, DefaultHolesFollowTheSmallerHalfSide)
{
    EXPECT_EQ(defaultPivotY({200, 200}, kHourPivotTenths), 70);
    EXPECT_EQ(defaultPivotY({200, 200}, kMinutePivotTenths), 90);
    EXPECT_EQ(defaultPivotY({300, 200}, kHourPivotTenths), 70);
    EXPECT_EQ(defaultPivotY({150, 150}, kMinutePivotTenths), 67);
    EXPECT_EQ(defaultPivotY({150, 150}, kHourPivotTenths), 52);
    EXPECT_EQ(defaultPivotY({1, 1}, kHourPivotTenths), 0);
}

TEST(ClockLayout, LoadedHandPivotIsHalfItsWidthWhenTheFileHoldsOne)
{
    QByteArray hand = bmpFile(filledImage(21, 40, Qt::white));
    EXPECT_EQ(loadedHandPivotX(streamOf(hand)), 10);
    writeLE32s(reinterpret_cast<uint8_t*>(hand.data()) + 18, -21);
    EXPECT_EQ(loadedHandPivotX(streamOf(hand)), 10);
    writeLE32s(reinterpret_cast<uint8_t*>(hand.data()) + 18, INT32_MIN);
    EXPECT_EQ(loadedHandPivotX(streamOf(hand)), 1 << 30);
    EXPECT_EQ(loadedHandPivotX(streamOf(hand.left(22))), 1 << 30) << "22 bytes hold the field";
    EXPECT_FALSE(loadedHandPivotX(streamOf(hand.left(21))));
}

TEST(HandAngles, FollowTheClockInSteps)
{
    // The renderers show these modulo 360 (the preview's tests): here the raw values.
    EXPECT_EQ(handAnglesAt(23, 0, 0).hour, 690);
    EXPECT_EQ(handAnglesAt(12, 0, 0), (HandAngles{360, 0, 0}));
    EXPECT_EQ(handAnglesAt(0, 3, 0).hour, 0);
    EXPECT_EQ(handAnglesAt(0, 4, 0).hour, 2);
    EXPECT_EQ(handAnglesAt(7, 21, 29).minute, handAnglesAt(7, 21, 0).minute);
    EXPECT_EQ(handAnglesAt(7, 21, 30).minute, handAnglesAt(7, 21, 0).minute + 3);
    EXPECT_EQ(handAnglesAt(QTime(10, 10, 35)), (HandAngles{304, 63, 210}));
}
