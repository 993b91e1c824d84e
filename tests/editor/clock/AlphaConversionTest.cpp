// Pictures with transparency converted for the clock, pixel by pixel: a pixel of alpha at least
// half keeps its own colour, every other takes a key colour no kept pixel has, in every PNG form
// drawing programs and the PNG test suite use.
#include "editor/clock/CompletePicture.h"
#include "editor/clock/PictureConversion.h"

#include "tests/editor/TestPictures.h"


#include <gtest/gtest.h>

using namespace dw;
using namespace dw::test;

namespace {

struct Converted {
    bool read = false;
    AlphaKeying keying;
    QImage image; // the converted bitmap as the clock shows it, RGB32
};

Converted convert(const QByteArray& file)
{
    Converted c;
    TMemoryStream stream;
    stream.WriteBuffer(reinterpret_cast<const uint8_t*>(file.constData()), file.size());
    const PictureForm form = examinePicture(stream);
    if (!form.convertible())
        return c;
    c.read = true;
    c.keying = form.keying;
    TMemoryStream bitmap;
    convertToClockBitmap(form.picture.image, bitmap, &form.keying);
    c.image.loadFromData(bitmap.Memory(), int(bitmap.size()), "BMP");
    c.image = c.image.convertToFormat(QImage::Format_RGB32);
    return c;
}

// What the rule gives each pixel: its own colour when kept, the key otherwise.
struct Expected {
    QRgb colour; // 0xRRGGBB
    bool kept;
};

struct Case {
    const char* name;
    QByteArray file;
    std::vector<Expected> pixels; // row by row from the top
    int width;
    bool cornerSeeThrough;
    QRgb key; // 0xRRGGBB
};

constexpr QRgb kMagenta = 0xFF00FF;

// A picture drawn as drawing programs save it: ARGB, not premultiplied.
QByteArray argbPng(int width, const std::vector<QRgb>& argb)
{
    QImage image(width, int(argb.size()) / width, QImage::Format_ARGB32);
    for (size_t i = 0; i < argb.size(); ++i)
        image.setPixel(int(i) % width, int(i) / width, argb[i]);
    return pngOf(image);
}

std::vector<Case> cases()
{
    std::vector<Case> all;
    // A dial on a transparent background (its hidden colour black), with black ticks.
    all.push_back({"transparent background, black lines",
                   argbPng(3, {0x00000000, 0xFF000000, 0x00000000, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0x00000000,
                               0xFF000000, 0x00FFFFFF}),
                   {{0, false}, {0x000000, true}, {0, false}, {0x000000, true}, {0xFFFFFF, true}, {0x000000, true},
                    {0, false}, {0x000000, true}, {0, false}},
                   3, true, kMagenta});
    // An anti-aliased edge: 127 goes, 128 stays with its own colour (not darkened by its alpha).
    all.push_back({"half-transparent edge",
                   argbPng(4, {0x00102030, 0x7FC86432, 0x80C86432, 0xFEC86432}),
                   {{0, false}, {0, false}, {0xC86432, true}, {0xC86432, true}},
                   4, true, kMagenta});
    // The corner is drawn: the see-through parts cannot show through.
    all.push_back({"opaque corner",
                   argbPng(2, {0x00000000, 0x00000000, 0xFF336699, 0x00000000}),
                   {{0, false}, {0, false}, {0x336699, true}, {0, false}},
                   2, false, kMagenta});
    // Magenta drawn, and its nearest neighbours: the key moves on to the nearest free colour
    // (of the three at distance 1, 254,0,255 was taken too; 255,0,254 is the smaller value).
    all.push_back({"magenta drawn",
                   argbPng(3, {0x00000000, 0xFFFF00FF, 0xFFFE00FF, 0x00FFFFFF, 0xFF00FF00, 0x80FF00FF}),
                   {{0, false}, {kMagenta, true}, {0xFE00FF, true}, {0, false}, {0x00FF00, true}, {kMagenta, true}},
                   3, true, 0xFF00FE});
    // 16-bit RGBA: the half is 128 × 257 of 65535.
    all.push_back({"16-bit RGBA",
                   pngFile({2, 2, 16, 6}, {0, 0, 0, 0, 0x3333, 0x6666, 0x9999, 32895, //
                                           0x3333, 0x6666, 0x9999, 32896, 0xFFFF, 0, 0xFFFF, 0xFFFF}),
                   {{0, false}, {0, false}, {0x336699, true}, {kMagenta, true}},
                   2, false, 0xFE00FF});
    // A palette with alphas in tRNS (entries beyond it opaque).
    all.push_back({"palette with transparency",
                   pngFile({3, 1, 8, 3}, {0, 1, 2}, QByteArray("\x00\x00\x00\xFF\x00\x00\x10\x20\x30", 9),
                           QByteArray("\x00\x90", 2)),
                   {{0, false}, {0xFF0000, true}, {0x102030, true}},
                   3, true, kMagenta});
    // Grey of 4 bits with one transparent grey in tRNS, as the suite's tbbn0g04.
    all.push_back({"4-bit grey with tRNS",
                   pngFile({3, 1, 4, 0}, {0, 15, 5}, {}, QByteArray("\x00\x00", 2)),
                   {{0, false}, {0xFFFFFF, true}, {0x555555, true}},
                   3, true, kMagenta});
    // 16-bit RGB with one transparent colour in tRNS, as tbbn2c16 and tbgn2c16.
    all.push_back({"16-bit RGB with tRNS",
                   pngFile({2, 2, 16, 2}, {0xFFFF, 0xFFFF, 0xFFFF, 0x0000, 0x0000, 0x0000, //
                                           0xFFFF, 0xFFFF, 0xFFFF, 0x3333, 0x6666, 0x9999}, {},
                           QByteArray("\xFF\xFF\xFF\xFF\xFF\xFF", 6)),
                   {{0, false}, {0x000000, true}, {0, false}, {0x336699, true}},
                   2, true, kMagenta});
    return all;
}

} // namespace

TEST(AlphaConversion, EveryPixelKeepsItsColourOrTakesTheKeyByItsAlpha)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const Converted converted = convert(c.file);
        ASSERT_TRUE(converted.read) << "read whole and offered for conversion";
        EXPECT_TRUE(converted.keying.anySeeThrough);
        EXPECT_EQ(converted.keying.cornerSeeThrough, c.cornerSeeThrough);
        EXPECT_EQ(converted.keying.key & 0xFFFFFF, c.key);
        const int height = int(c.pixels.size()) / c.width;
        ASSERT_EQ(converted.image.size(), QSize(c.width, height));
        for (size_t i = 0; i < c.pixels.size(); ++i) {
            const int x = int(i) % c.width, y = int(i) / c.width;
            const QRgb want = c.pixels[i].kept ? c.pixels[i].colour : c.key;
            EXPECT_EQ(converted.image.pixel(x, y) & 0xFFFFFF, want) << "pixel " << x << "," << y;
        }
        for (size_t i = 0; i < c.pixels.size(); ++i)
            if (c.pixels[i].kept) {
                EXPECT_NE(c.pixels[i].colour, c.key) << "no kept pixel has the key colour";
            }
    }
}

TEST(AlphaConversion, PicturesWithoutSeeThroughPixelsConvertAsTheyAre)
{
    // No alpha at all, and alpha that is everywhere at least the half: every colour as stored.
    QImage plain(3, 2, QImage::Format_RGB32);
    QImage translucent(3, 2, QImage::Format_ARGB32);
    for (int i = 0; i < 6; ++i) {
        plain.setPixel(i % 3, i / 3, qRgb(i * 40, 255 - i * 30, i == 2 ? 255 : 0));
        translucent.setPixel(i % 3, i / 3, qRgba(i * 40, 255 - i * 30, 7, 128 + i * 20));
    }
    for (const QImage& picture : {plain, translucent}) {
        const Converted converted = convert(pngOf(picture));
        ASSERT_TRUE(converted.read);
        EXPECT_FALSE(converted.keying.anySeeThrough);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(converted.image.pixel(i % 3, i / 3) & 0xFFFFFF, picture.pixel(i % 3, i / 3) & 0xFFFFFF) << i;
    }
}

TEST(AlphaConversion, TheKeyIsTheFreeColourNearestMagenta)
{
    std::vector<uint64_t> taken(size_t(1) << 18);
    const auto take = [&](uint32_t rgb) { taken[rgb >> 6] |= uint64_t(1) << (rgb & 63); };
    EXPECT_EQ(nearestFreeColour(taken) & 0xFFFFFF, 0xFF00FFu);
    take(0xFF00FF);
    EXPECT_EQ(nearestFreeColour(taken) & 0xFFFFFF, 0xFE00FFu) << "of three at distance 1, the smallest value";
    take(0xFE00FF), take(0xFF01FF), take(0xFF00FE);
    EXPECT_EQ(nearestFreeColour(taken) & 0xFFFFFF, 0xFE00FEu) << "two channels one off before one channel two off";
    // Every colour taken but one far away.
    std::fill(taken.begin(), taken.end(), ~uint64_t(0));
    taken[0x123456 >> 6] &= ~(uint64_t(1) << (0x123456 & 63));
    EXPECT_EQ(nearestFreeColour(taken) & 0xFFFFFF, 0x123456u);
    taken[0x123456 >> 6] = ~uint64_t(0);
    EXPECT_EQ(nearestFreeColour(taken) & 0xFFFFFF, 0xFF00FFu) << "no colour free: magenta";
}
