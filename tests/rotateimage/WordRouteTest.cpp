// Drawing on 32-bit canvases word by word (the mask blit, a translucent pass, and the control's
// whole pass in one sweep) against the transfers on a 24-bit canvas: the same pixels.

#include "ControlFixtures.h"

#include "rotateimage/Translucent.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

namespace dw::test {
namespace {

// A background of distinct colours.
uint32_t backgroundPixel(int x, int y) { return 0x102030u + uint32_t(x) * 0x050301u + uint32_t(y) * 0x010507u; }

// The same background twice: a 32-bit image (drawn on word by word) and a 24-bit bitmap (drawn
// on by the transfers), each with its canvas; the image's fourth bytes may be set to `alpha`.
struct TwoCanvases {
    QImage words;
    std::unique_ptr<TCanvas> wordCanvas;
    std::unique_ptr<TBitmap> bytes;

    TwoCanvases(int w, int h, QImage::Format format = QImage::Format_RGB32, uint8_t alpha = 0xFF)
        : words(w, h, format), bytes(filledBitmap(w, h, clBlack))
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                reinterpret_cast<uint32_t*>(words.scanLine(y))[x] = uint32_t(alpha) << 24 | backgroundPixel(x, y);
                bytes->Canvas().SetPixel(x, y, colorOf(backgroundPixel(x, y)));
            }
        wordCanvas = std::make_unique<TCanvas>(&words);
    }
    TCanvas& wordSide() { return *wordCanvas; }
    TCanvas& byteSide() { return bytes->Canvas(); }
    void clipBoth(const TRegion& region)
    {
        SelectClipRgn(wordSide(), &region);
        SelectClipRgn(byteSide(), &region);
    }
    // Every pixel's colour alike; returns the first that differs as "x,y".
    std::string firstDifference() const
    {
        for (int y = 0; y < words.height(); ++y)
            for (int x = 0; x < words.width(); ++x) {
                const uint32_t w = reinterpret_cast<const uint32_t*>(words.constScanLine(y))[x] & 0xFFFFFF;
                if (colorOf(w) != bytes->pixel(x, y))
                    return std::to_string(x) + "," + std::to_string(y);
            }
        return {};
    }
};

// Two pieces of clip area, one reaching the surface's right edge.
TRegion twoPieces(int w, int h)
{
    const TRect rects[] = {{2, 1, 20, 12}, {9, 15, w, h}};
    return TRegion::fromRects(rects);
}

void rotate(TCustomRotateImage& image, double degrees)
{
    const float c = float(std::cos(degrees * M_PI / 180)), s = float(std::sin(degrees * M_PI / 180));
    image.SetMatrix(c, s, -s, c);
}

TEST(WordRoute, TheMaskBlitGivesTheTransfersPixelsAndFollowsANewRendering)
{
    TRotateImage image;
    image.SetBounds(0, 0, 30, 26);
    load(image, keyedPicture(17, 13));
    image.SetTransparent(true);
    for (double degrees : {37.0, 200.0}) {
        rotate(image, degrees);
        TwoCanvases pair(36, 30);
        pair.clipBoth(twoPieces(36, 30));
        // The first drawing of a rendered image is read straight from its rows (see below); the
        // second and later word by word (and drawing the same image twice changes nothing).
        image.DrawAt(pair.wordSide(), {14, 13});
        image.DrawAt(pair.wordSide(), {14, 13});
        image.DrawAt(pair.byteSide(), {14, 13});
        EXPECT_EQ(pair.firstDifference(), "") << degrees << "°";
        // The image is really there, and only inside the clip area.
        const TRegion clip = twoPieces(36, 30);
        int inside = 0, outside = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 36; ++x)
                if (pair.words.pixel(x, y) != (0xFF000000u | backgroundPixel(x, y)))
                    ++(clip.qregion().contains(QPoint(x, y)) ? inside : outside);
        EXPECT_GT(inside, 60) << degrees << "°";
        EXPECT_EQ(outside, 0) << degrees << "°";
    }
    // An indexed picture whose palette holds the key.
    load(image, picture8(9, 7, {0x0000FF, kKey, 0x30C050}, [](int x, int y) { return uint8_t((x * y + x) % 3); }));
    TwoCanvases pair(20, 20);
    image.DrawAt(pair.wordSide(), {10, 10});
    image.DrawAt(pair.wordSide(), {10, 10});
    image.DrawAt(pair.byteSide(), {10, 10});
    EXPECT_EQ(pair.firstDifference(), "");
}

TEST(WordRoute, TheFirstDrawingOfATwentyFourBitRenderingGivesTheTransfersPixels)
{
    // Drawn once only: a turning hand's rendering, read straight from its rows and mask. Widths
    // of the rendering around multiples of the vector kernel's eight pixels, places partly off
    // the canvas, and a clip area in two pieces.
    for (const int w : {9, 17, 22}) {
        for (const double degrees : {0.0, 37.0, 151.0}) {
            int drawn = 0; // pixels drawn inside the clip area, over the three places
            for (const TPoint at : {TPoint{14, 13}, TPoint{2, 27}, TPoint{33, 1}}) {
                TRotateImage image;
                image.SetBounds(0, 0, 40, 40);
                load(image, keyedPicture(w, 13));
                image.SetTransparent(true);
                rotate(image, degrees);
                TwoCanvases pair(36, 30);
                pair.clipBoth(twoPieces(36, 30));
                image.DrawAt(pair.wordSide(), at);
                image.DrawAt(pair.byteSide(), at);
                EXPECT_EQ(pair.firstDifference(), "") << w << " wide, " << degrees << "°, at " << at.X << "," << at.Y;
                for (int y = 0; y < 30; ++y)
                    for (int x = 0; x < 36; ++x) {
                        const uint32_t p = reinterpret_cast<const uint32_t*>(pair.words.constScanLine(y))[x];
                        drawn += (p & 0xFFFFFF) != backgroundPixel(x, y);
                        ASSERT_EQ(p >> 24, 0xFFu) << "the top byte as a transfer leaves it";
                    }
            }
            EXPECT_GT(drawn, 40) << w << " wide, " << degrees << "°";
        }
    }
}

// A paint procedure that reads what lies under it: an inverted band, a filled box and the control.
PaintProcedure paintOf(TCustomRotateImage& image)
{
    return [&image](TCanvas& c) {
        PatBlt(c, 0, 3, 40, 4, DSTINVERT);
        c.Brush.Color = TColor(0x00336699);
        c.FillRect({25, 18, 33, 40});
        image.DrawCentered(c);
    };
}

TEST(WordRoute, ATranslucentPassGivesTheCopysPixelsAtEveryLevel)
{
    TRotateImage image;
    image.SetBounds(3, 2, 24, 22);
    load(image, keyedPicture(15, 11));
    image.SetTransparent(true);
    rotate(image, 37);
    const PaintProcedure paint = paintOf(image);
    for (int level = 1; level <= 7; ++level) {
        TwoCanvases pair(36, 30);
        pair.clipBoth(twoPieces(36, 30));
        TranslucentPass onWords(pair.wordSide(), paint, level), onBytes(pair.byteSide(), paint, level);
        // Beyond the surface to the right and below, as the widened area of a control at the edge.
        for (const TRect& rect : {TRect{0, 0, 37, 31}, TRect{5, 4, 22, 9}}) {
            onWords.DrawMix(rect);
            onBytes.DrawMix(rect);
        }
        EXPECT_EQ(pair.firstDifference(), "") << "level " << level;
    }
}

TEST(WordRoute, APassInWhichNothingIsDrawnKeepsTheCanvasAndOnePixelIsBlended)
{
    const PaintProcedure nothing = [](TCanvas&) {};
    const PaintProcedure onePixel = [](TCanvas& c) { c.SetPixel(7, 5, clWhite); };
    for (const PaintProcedure* paint : {&nothing, &onePixel}) {
        TwoCanvases pair(20, 16, QImage::Format_ARGB32, 0x40);
        pair.clipBoth(twoPieces(20, 16));
        TranslucentPass onWords(pair.wordSide(), *paint, 4), onBytes(pair.byteSide(), *paint, 4);
        onWords.DrawMix({0, 0, 21, 17});
        onBytes.DrawMix({0, 0, 21, 17});
        EXPECT_EQ(pair.firstDifference(), "");
        // Half white over the background where the pixel was drawn, the background elsewhere.
        const uint32_t b = backgroundPixel(7, 5);
        uint32_t half = 0;
        for (int shift : {0, 8, 16})
            half |= ((0xFFu - 0xFFu / 2) + (b >> shift & 0xFF) / 2) << shift;
        EXPECT_EQ(pair.words.pixel(7, 5), 0xFF000000u | (paint == &nothing ? b : half));
        EXPECT_EQ(pair.words.pixel(8, 5), 0xFF000000u | backgroundPixel(8, 5)) << "the fourth byte as a transfer's";
        EXPECT_EQ(pair.words.pixel(0, 0) >> 24, 0x40u) << "outside the clip area";
    }
}

TEST(WordRoute, TheControlsOneSweepPassGivesTheCopysPixels)
{
    TRotateImage image;
    image.SetBounds(2, 1, 26, 24);
    load(image, keyedPicture(19, 14));
    image.SetTransparent(true);
    image.SetPivot(true);
    image.SetPivotX(4);
    image.SetPivotY(-3);
    rotate(image, 37);
    const PaintProcedure paint = [&image](TCanvas& c) { image.DrawCentered(c); };
    const DirectMixProcedure direct = [&image](TCanvas& c, const TRect& r, int level) {
        return image.DrawMixDirect(c, r, level);
    };
    for (int level = 1; level <= 7; ++level) {
        TwoCanvases pair(36, 30, QImage::Format_ARGB32, 0x40);
        pair.clipBoth(twoPieces(36, 30));
        // The one sweep on the words, the copy on the bytes.
        TranslucentPass swept(pair.wordSide(), paint, level, direct), copied(pair.byteSide(), paint, level);
        for (const TRect& rect : {TRect{0, 0, 37, 31}, TRect{-4, 6, 13, 40}}) {
            swept.DrawMix(rect);
            copied.DrawMix(rect);
        }
        EXPECT_EQ(pair.firstDifference(), "") << "level " << level;
        // As a transfer leaves them: the fourth byte set inside the clip area, kept outside it.
        EXPECT_EQ(pair.words.pixel(35, 29) >> 24, 0xFFu);
        EXPECT_EQ(pair.words.pixel(0, 0) >> 24, 0x40u);
    }
    // The canvases it does not take: 24 bits, and the region display.
    TwoCanvases pair(36, 30);
    EXPECT_FALSE(image.DrawMixDirect(pair.byteSide(), {0, 0, 10, 10}, 4));
    EXPECT_TRUE(image.DrawMixDirect(pair.wordSide(), {0, 0, 10, 10}, 4));
    image.SetDispMode(ridmRegion);
    EXPECT_FALSE(image.DrawMixDirect(pair.wordSide(), {0, 0, 10, 10}, 4));
}

TEST(WordRoute, APaintedControlAtHalfLevelOnAThirtyTwoBitSurface)
{
    // The whole way from the host: an opaque pixel is half image, half background.
    RecordingHost host;
    host.client = {0, 0, 20, 16};
    TRotateImage image;
    image.SetBounds(1, 2, 10, 8);
    load(image, keyedPicture(7, 4));
    image.SetTransparent(true);
    image.SetTrnsIndex(4);
    image.SetParent(&host);
    TwoCanvases pair(20, 16);
    host.PaintControls(pair.wordSide(), host.client);
    host.PaintControls(pair.byteSide(), host.client);
    EXPECT_EQ(pair.firstDifference(), "");
    // Image pixel (1, 0) lands on (3 + 1, 4 + 0): c − c/2 + b/2 per byte.
    const uint32_t c = keyedPixel(1, 0), b = backgroundPixel(4, 4);
    uint32_t expected = 0;
    for (int shift : {0, 8, 16}) {
        const uint32_t cc = c >> shift & 0xFF, bb = b >> shift & 0xFF;
        expected |= (cc - cc / 2 + bb / 2) << shift;
    }
    EXPECT_EQ(pair.words.pixel(4, 4) & 0xFFFFFF, expected);
}

} // namespace
} // namespace dw::test
