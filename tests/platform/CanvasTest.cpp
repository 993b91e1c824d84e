#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"

#include "DibBytes.h"

#include <gtest/gtest.h>

using namespace dw;
using dw::test::bmpFile;

namespace {

QImage solid(int w, int h, uint32_t rgb)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(0xFF000000u | rgb);
    return img;
}

uint32_t at(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

// 0x00RRGGBB as the framework's colour.
TColor colorOf(uint32_t rgb) { return TColor((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF)); }

// Checks every pixel against a picture drawn in letters: R red, B blue, anything else `other`.
void expectPicture(const QImage& img, const std::vector<const char*>& rows, uint32_t other)
{
    for (int y = 0; y < int(rows.size()); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const char c = rows[size_t(y)][x];
            ASSERT_EQ(at(img, x, y), c == 'R' ? 0xFF0000 : c == 'B' ? 0x0000FF : other) << x << "," << y;
        }
}

TDib dibOf(const std::vector<uint8_t>& file)
{
    auto dib = TDib::fromFileImage(file.data(), file.size());
    EXPECT_TRUE(dib);
    return *dib;
}

} // namespace

TEST(BlockTransfer, RasterOperationsCombineKnownPixelsExactly)
{
    const uint32_t D = 0x5A3CC3, S = 0x0FF00F, P = 0x336699;
    struct Case {
        uint32_t rop, expected;
    } cases[] = {
        {SRCCOPY, S},
        {SRCPAINT, S | D},
        {SRCAND, S & D},
        {SRCINVERT, S ^ D},
        {SRCERASE, S & ~D & 0xFFFFFF},
        {NOTSRCCOPY, ~S & 0xFFFFFF},
        {MERGEPAINT, (~S | D) & 0xFFFFFF},
        {DSTINVERT, ~D & 0xFFFFFF},
        {PATINVERT, P ^ D},
        {BLACKNESS, 0},
        {WHITENESS, 0xFFFFFF},
        {0x00B8074A, ((D ^ P) & S) ^ P}, // any ternary code: PSDPxax
    };
    QImage src = solid(1, 1, S);
    TCanvas source(&src);
    for (QImage::Format f : {QImage::Format_RGB32, QImage::Format_BGR888}) {
        for (const Case& c : cases) {
            QImage dst = solid(1, 1, D).convertToFormat(f);
            TCanvas dest(&dst);
            dest.Brush.Color = colorOf(P);
            ASSERT_TRUE(BitBlt(dest, 0, 0, 1, 1, &source, 0, 0, c.rop));
            EXPECT_EQ(at(dst, 0, 0), c.expected) << std::hex << c.rop << " format " << int(f);
        }
    }
    QImage dst = solid(1, 1, D);
    TCanvas dest(&dst);
    EXPECT_FALSE(BitBlt(dest, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY)) << "a source operation needs a source";
    EXPECT_TRUE(PatBlt(dest, 0, 0, 1, 1, DSTINVERT));
    EXPECT_EQ(at(dst, 0, 0), ~D & 0xFFFFFF);
}

TEST(BlockTransfer, HonoursTheClipRegionAndTheWindowOrigin)
{
    QImage dst = solid(10, 10, 0), src = solid(10, 10, 0xFFFFFF);
    TCanvas dest(&dst), source(&src);
    const TRegion clip = CreateRectRgn(2, 2, 5, 5);
    EXPECT_EQ(SelectClipRgn(dest, &clip), SIMPLEREGION);
    SetWindowOrgEx(dest, -1, -1, nullptr); // logical (0, 0) at device (1, 1)
    BitBlt(dest, 0, 0, 10, 10, &source, 0, 0, SRCCOPY);
    int white = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            white += at(dst, x, y) == 0xFFFFFF;
    EXPECT_EQ(white, 9);
    EXPECT_EQ(at(dst, 2, 2), 0xFFFFFFu);
    EXPECT_EQ(at(dst, 5, 5), 0u);

    EXPECT_EQ(SelectClipRgn(dest, nullptr), SIMPLEREGION);
    EXPECT_FALSE(GetClipRgn(dest));
    BitBlt(dest, 0, 0, 10, 10, &source, 0, 0, SRCCOPY);
    EXPECT_EQ(at(dst, 0, 0), 0u) << "device column 0 lies left of logical 0";
    EXPECT_EQ(at(dst, 9, 9), 0xFFFFFFu);
}

TEST(ClipRegion, IsReadSetIntersectedAndBoxedInLogicalUnits)
{
    QImage img = solid(20, 20, 0);
    TCanvas c(&img);
    EXPECT_FALSE(GetClipRgn(c));
    EXPECT_EQ(c.ClipRect(), (TRect{0, 0, 20, 20}));
    SetWindowOrgEx(c, 10, 10, nullptr);
    EXPECT_EQ(c.ClipRect(), (TRect{10, 10, 30, 30}));
    EXPECT_EQ(IntersectClipRect(c, 10, 10, 15, 15), SIMPLEREGION);
    ASSERT_TRUE(GetClipRgn(c));
    EXPECT_EQ(GetClipRgn(c)->boundingBox(), (TRect{0, 0, 5, 5})) << "kept in device units";
    const int saved = SaveDC(c);
    const TRegion more = CreateRectRgn(3, 3, 8, 8);
    EXPECT_EQ(ExtSelectClipRgn(c, &more, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(c.ClipRect(), (TRect{13, 13, 15, 15}));
    EXPECT_EQ(ExtSelectClipRgn(c, &more, RGN_DIFF), NULLREGION);
    TRect box{1, 1, 1, 1};
    EXPECT_EQ(GetClipBox(c, &box), NULLREGION);
    EXPECT_EQ(box, TRect{});
    ASSERT_TRUE(RestoreDC(c, saved));
    EXPECT_EQ(GetClipRgn(c)->boundingBox(), (TRect{0, 0, 5, 5}));
    EXPECT_FALSE(RestoreDC(c, saved)) << "a level is dropped once restored";
    ASSERT_TRUE(ExtSelectClipRgn(c, nullptr, RGN_COPY));
    EXPECT_FALSE(GetClipRgn(c));
}

TEST(BlockTransfer, MonochromeConversionsUseBackgroundAndTextColours)
{
    QImage colour = solid(3, 1, 0xFF0000);
    colour.setPixel(1, 0, 0xFF00FF00u);
    TCanvas source(&colour);
    source.Brush.Color = clRed; // background colour of the source
    auto mono = CreateMonochromeBitmap(3, 1);
    BitBlt(mono->Canvas(), 0, 0, 3, 1, &source, 0, 0, SRCCOPY);
    EXPECT_EQ(mono->pixel(0, 0), clWhite) << "the background colour becomes 1";
    EXPECT_EQ(mono->pixel(1, 0), clBlack);

    QImage out = solid(3, 1, 0x808080);
    TCanvas dest(&out);
    dest.Font.Color = clBlue;    // text colour: where the bits are 0
    dest.Brush.Color = clYellow; // background colour: where they are 1
    BitBlt(dest, 0, 0, 3, 1, &mono->Canvas(), 0, 0, SRCCOPY);
    EXPECT_EQ(at(out, 0, 0), 0xFFFF00u);
    EXPECT_EQ(at(out, 1, 0), 0x0000FFu);

    // A device-independent bitmap goes to the nearer of black and white.
    const auto grey = bmpFile(2, 1, 24, 0, {}, {0x90, 0x90, 0x90, 0x60, 0x60, 0x60, 0, 0});
    SetDIBitsToDevice(mono->Canvas(), 0, 0, 2, 1, 0, 0, 0, 1, dibOf(grey), DIB_RGB_COLORS);
    EXPECT_EQ(mono->pixel(0, 0), clWhite);
    EXPECT_EQ(mono->pixel(1, 0), clBlack);
}

TEST(BlockTransfer, MaskSequenceKeepsTransparentPixelsOfTheCanvas)
{
    // The masked draw of a rendered image: opaque pixels take the image, transparent ones
    // keep what the canvas had.
    QImage screen = solid(3, 1, 0);
    screen.setPixel(0, 0, 0xFF102030u);
    screen.setPixel(1, 0, 0xFF405060u);
    screen.setPixel(2, 0, 0xFF708090u);
    TCanvas canvas(&screen);
    canvas.Font.Color = clBlack;
    canvas.Brush.Color = clWhite;
    const auto image = bmpFile(3, 1, 24, 0, {}, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0, 0, 0});
    const auto mask = bmpFile(3, 1, 8, 0, {0x000000, 0xFFFFFF}, {0, 1, 0, 0}, 2);
    auto colour = CreateCompatibleBitmap(canvas, 3, 1);
    auto mono = CreateMonochromeBitmap(3, 1);
    SetDIBitsToDevice(mono->Canvas(), 0, 0, 3, 1, 0, 0, 0, 1, dibOf(mask), DIB_RGB_COLORS);
    BitBlt(colour->Canvas(), 0, 0, 3, 1, &mono->Canvas(), 0, 0, SRCCOPY);
    StretchDIBits(colour->Canvas(), 0, 0, 3, 1, 0, 0, 3, 1, dibOf(image), DIB_RGB_COLORS, SRCERASE);
    BitBlt(canvas, 0, 0, 3, 1, &mono->Canvas(), 0, 0, SRCAND);
    BitBlt(canvas, 0, 0, 3, 1, &colour->Canvas(), 0, 0, SRCPAINT);
    EXPECT_EQ(at(screen, 0, 0), 0x332211u);
    EXPECT_EQ(at(screen, 1, 0), 0x405060u);
    EXPECT_EQ(at(screen, 2, 0), 0x998877u);
}

TEST(DibBlit, StretchesUnderAnisotropicMappingAndCountsRowsFromTheBottom)
{
    QImage img = solid(40, 40, 0xFFFFFF);
    TCanvas c(&img);
    ASSERT_EQ(SetMapMode(c, MM_ANISOTROPIC), MM_TEXT);
    SetWindowExtEx(c, 10, 10, nullptr);
    SetViewportExtEx(c, 40, 40, nullptr);
    // Bottom row blue, black; top row red, lime.
    const auto file = bmpFile(2, 2, 24, 0, {}, {0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0});
    const TDib dib = dibOf(file);
    EXPECT_EQ(StretchDIBits(c, 1, 1, 2, 2, 0, 0, 2, 2, dib, DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(at(img, 4, 4), 0xFF0000u);
    EXPECT_EQ(at(img, 7, 7), 0xFF0000u);
    EXPECT_EQ(at(img, 8, 4), 0x00FF00u);
    EXPECT_EQ(at(img, 4, 8), 0x0000FFu);
    EXPECT_EQ(at(img, 11, 11), 0x000000u);
    EXPECT_EQ(at(img, 3, 3), 0xFFFFFFu);
    EXPECT_EQ(at(img, 12, 12), 0xFFFFFFu);
    // Source row 0 of a bottom-up bitmap is its bottom row.
    StretchDIBits(c, 0, 0, 1, 1, 0, 0, 1, 1, dib, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(at(img, 0, 0), 0x0000FFu);
    EXPECT_EQ(at(img, 3, 3), 0x0000FFu);

    // 8 bits with a colour table and 1 bit, unscaled in MM_TEXT.
    SetMapMode(c, MM_TEXT);
    const auto eight = bmpFile(2, 1, 8, 0, {0x123456, 0xABCDEF}, {1, 0, 0, 0}, 2);
    StretchDIBits(c, 20, 20, 2, 1, 0, 0, 2, 1, dibOf(eight), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(at(img, 20, 20), 0xABCDEFu);
    EXPECT_EQ(at(img, 21, 20), 0x123456u);
    const auto one = bmpFile(3, 1, 1, 0, {0xFF0000, 0x0000FF}, {0x40, 0, 0, 0});
    StretchDIBits(c, 20, 21, 3, 1, 0, 0, 3, 1, dibOf(one), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(at(img, 20, 21), 0xFF0000u);
    EXPECT_EQ(at(img, 21, 21), 0x0000FFu) << "its own colour table, not black and white";
}

TEST(Mapping, WindowOriginOffsetsMoveTheDrawing)
{
    QImage img = solid(10, 10, 0);
    TCanvas c(&img);
    TPoint old{9, 9};
    OffsetWindowOrgEx(c, 5, 3, &old);
    EXPECT_EQ(old, (TPoint{0, 0}));
    OffsetWindowOrgEx(c, -7, -6, &old);
    EXPECT_EQ(old, (TPoint{5, 3}));
    c.Brush.Color = clWhite;
    c.FillRect({0, 0, 1, 1});
    EXPECT_EQ(at(img, 2, 3), 0xFFFFFFu);
    SetWindowOrgEx(c, 0, 0, &old);
    EXPECT_EQ(old, (TPoint{-2, -3}));
}

TEST(Mapping, LogicalAndDevicePointsConvertBothWays)
{
    QImage img = solid(4, 4, 0);
    TCanvas c(&img);
    SetWindowOrgEx(c, 10, 20, nullptr);
    SetViewportOrgEx(c, 1, 2, nullptr);
    TPoint p[2] = {{10, 20}, {13, 25}};
    LPtoDP(c, p, 2);
    EXPECT_EQ(p[0], (TPoint{1, 2}));
    EXPECT_EQ(p[1], (TPoint{4, 7}));
    DPtoLP(c, p, 2);
    EXPECT_EQ(p[1], (TPoint{13, 25}));

    SetWindowOrgEx(c, 0, 0, nullptr);
    SetViewportOrgEx(c, 0, 0, nullptr);
    SetMapMode(c, MM_ANISOTROPIC);
    SetWindowExtEx(c, 2, 3, nullptr);
    SetViewportExtEx(c, 1, -2, nullptr);
    TPoint q[3] = {{1, 1}, {-1, 3}, {3, -1}};
    LPtoDP(c, q, 3);
    EXPECT_EQ(q[0], (TPoint{1, -1})) << "½ rounds up, −⅔ to −1";
    EXPECT_EQ(q[1], (TPoint{0, -2})) << "−½ rounds up to 0";
    EXPECT_EQ(q[2], (TPoint{2, 1}));

    EXPECT_FALSE(SetWindowExtEx(c, 0, 5, nullptr)) << "a zero extent";
    SetMapMode(c, MM_TEXT);
    TSize ext;
    GetViewportExtEx(c, &ext);
    EXPECT_EQ(ext, (TSize{1, 1})) << "MM_TEXT resets the extents";
    EXPECT_TRUE(SetViewportExtEx(c, 5, 5, nullptr));
    GetViewportExtEx(c, &ext);
    EXPECT_EQ(ext, (TSize{1, 1})) << "and ignores setting them";
}

TEST(Mapping, ShrinkingThePrinterViewportKeepsLogicalOriginInPlace)
{
    QImage page = solid(8, 8, 0);
    TCanvas printer(&page, TDeviceCaps{DT_RASPRINTER, 24});
    EXPECT_EQ(GetDeviceCaps(printer, TECHNOLOGY), DT_RASPRINTER);
    SetMapMode(printer, MM_ANISOTROPIC);
    SetWindowExtEx(printer, 100, 100, nullptr);
    SetViewportExtEx(printer, 400, 400, nullptr);
    SetViewportOrgEx(printer, 50, 60, nullptr);
    OffsetWindowOrgEx(printer, -7, -9, nullptr);
    TPoint origin{0, 0};
    LPtoDP(printer, &origin, 1);
    EXPECT_EQ(origin, (TPoint{78, 96}));

    TSize vext, old, now;
    GetViewportExtEx(printer, &vext);
    ASSERT_TRUE(SetViewportExtEx(printer, 200, 200, &old));
    GetViewportExtEx(printer, &now);
    EXPECT_EQ(old, vext);
    EXPECT_EQ(now, (TSize{200, 200}));
    TPoint moved{0, 0};
    LPtoDP(printer, &moved, 1);
    EXPECT_EQ(moved, (TPoint{64, 78}));
    TPoint oldOrg;
    OffsetViewportOrgEx(printer, origin.X - moved.X, origin.Y - moved.Y, &oldOrg);
    EXPECT_EQ(oldOrg, (TPoint{50, 60}));
    TPoint again[2] = {{0, 0}, {10, 0}};
    LPtoDP(printer, again, 2);
    EXPECT_EQ(again[0], origin);
    EXPECT_EQ(again[1], (TPoint{98, 96})) << "two device pixels per unit now";
}

TEST(Palette, SelectionIsRecordedAndChangesNoPixel)
{
    QImage img = solid(2, 2, 0x123456);
    TCanvas eightBit(&img, TDeviceCaps{DT_RASDISPLAY, 8});
    TLogPalette lp;
    lp.entries = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
    const HPALETTE pal = CreatePalette(lp);
    ASSERT_TRUE(pal);
    const HPALETTE previous = SelectPalette(eightBit, pal, false);
    EXPECT_EQ(previous, defaultPalette());
    EXPECT_EQ(RealizePalette(eightBit), 3u);
    EXPECT_EQ(eightBit.realizedPalette(), pal);
    EXPECT_EQ(SelectPalette(eightBit, previous, false), pal);
    EXPECT_EQ(at(img, 1, 1), 0x123456u);
    TCanvas trueColour(&img);
    SelectPalette(trueColour, pal, false);
    EXPECT_EQ(RealizePalette(trueColour), 0u);
    EXPECT_EQ(GetDeviceCaps(trueColour, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(trueColour, TECHNOLOGY), DT_RASDISPLAY);
    EXPECT_EQ(GetDeviceCaps(CreateCompatibleBitmap(eightBit, 1, 1)->Canvas(), BITSPIXEL), 8);
}

TEST(Palette, AnIndexedDibOnAPaletteDisplayShowsTheRealisedPaletteOrTheStaticColours)
{
    // Two pixels: 0x3366CC (no static colour; nearest static one 0x008080) and white.
    const std::vector<uint8_t> file = bmpFile(2, 1, 8, 0, {0x3366CC, 0xFFFFFF}, {0, 1, 0, 0}, 2);
    const TDib dib = dibOf(file); // a view of the file's bytes
    QImage img = solid(2, 1, 0);
    TCanvas eightBit(&img, TDeviceCaps{DT_RASDISPLAY, 8});
    StretchDIBits(eightBit, 0, 0, 2, 1, 0, 0, 2, 1, dib, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(at(img, 0, 0), 0x008080u) << "the nearest static colour";
    EXPECT_EQ(at(img, 1, 0), 0xFFFFFFu);

    TLogPalette lp;
    lp.entries = {{0x33, 0x66, 0xCC, 0}};
    const HPALETTE pal = CreatePalette(lp);
    const HPALETTE old = SelectPalette(eightBit, pal, false);
    StretchDIBits(eightBit, 0, 0, 2, 1, 0, 0, 2, 1, dib, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(at(img, 0, 0), 0x008080u) << "selected but not realised";
    RealizePalette(eightBit);
    SetDIBitsToDevice(eightBit, 0, 0, 2, 1, 0, 0, 0, 1, dib, DIB_RGB_COLORS);
    EXPECT_EQ(at(img, 0, 0), 0x3366CCu) << "realised";
    SelectPalette(eightBit, old, false);

    QImage trueImg = solid(2, 1, 0);
    TCanvas trueColour(&trueImg);
    StretchDIBits(trueColour, 0, 0, 2, 1, 0, 0, 2, 1, dib, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(at(trueImg, 0, 0), 0x3366CCu) << "a true-colour display shows every colour";
}

TEST(Figures, RectangleLineAndEllipseCoverExactPixels)
{
    QImage img = solid(6, 5, 0xFFFFFF);
    TCanvas c(&img);
    c.Pen.Color = clRed;
    c.Brush.Color = clBlue;
    c.Rectangle(1, 1, 5, 4);
    expectPicture(img, {"......", ".RRRR.", ".RBBR.", ".RRRR.", "......"}, 0xFFFFFF);

    QImage line = solid(12, 2, 0);
    TCanvas l(&line);
    l.Pen.Color = clWhite;
    l.MoveTo(0, 0);
    l.LineTo(3, 0);
    EXPECT_EQ(at(line, 2, 0), 0xFFFFFFu);
    EXPECT_EQ(at(line, 3, 0), 0u) << "the end point is not drawn";
    EXPECT_EQ(l.PenPos(), (TPoint{3, 0}));
    l.Pen.Style = psDot;
    l.Brush.Style = bsClear; // transparent background: the gaps stay
    l.MoveTo(0, 1);
    l.LineTo(12, 1);
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(at(line, x, 1), (x / 3) % 2 == 0 ? 0xFFFFFFu : 0u) << x;
    l.Pen.Style = psSolid;
    l.Pen.Mode = pmXor;
    l.Pen.Color = TColor(0x0F0F0F);
    for (int i = 0; i < 2; ++i) {
        l.MoveTo(0, 0);
        l.LineTo(12, 0);
    }
    EXPECT_EQ(at(line, 1, 0), 0xFFFFFFu) << "xor twice restores";
    EXPECT_EQ(at(line, 5, 0), 0u);

    QImage ell = solid(4, 4, 0);
    TCanvas e(&ell);
    e.Pen.Color = clRed;
    e.Brush.Color = clBlue;
    e.Ellipse(0, 0, 4, 4);
    expectPicture(ell, {".RR.", "RBBR", "RBBR", ".RR."}, 0);
}

TEST(Figures, LinesFromFarOutsideAreWalkedOnlyWhereTheyCanShow)
{
    QImage img = solid(10, 10, 0);
    TCanvas c(&img);
    c.Pen.Color = clWhite;
    c.MoveTo(-2000000000, -2000000000);
    c.LineTo(2000000000, 2000000000);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(at(img, i, i), 0xFFFFFFu) << i;
    EXPECT_EQ(at(img, 1, 0), 0u);
    // The dot pattern counts from the line's start, also outside the surface.
    c.Pen.Style = psDot;
    c.Brush.Style = bsClear;
    c.MoveTo(-3, 5);
    c.LineTo(12, 5);
    for (int x = 0; x < 10; ++x) {
        if (x == 5)
            continue; // the diagonal crosses here
        EXPECT_EQ(at(img, x, 5), ((x + 3) / 3) % 2 == 0 ? 0xFFFFFFu : 0u) << x;
    }
}

TEST(Figures, HatchedBrushDrawsOnlyItsLines)
{
    QImage img = solid(8, 8, 0);
    TCanvas c(&img);
    c.Brush.Style = bsDiagCross;
    c.Brush.Color = clWhite;
    c.FillRect({0, 0, 8, 8});
    EXPECT_EQ(at(img, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(at(img, 7, 0), 0xFFFFFFu);
    EXPECT_EQ(at(img, 3, 4), 0xFFFFFFu);
    EXPECT_EQ(at(img, 1, 0), 0u) << "the background is left";
    EXPECT_EQ(GetBkMode(c), TRANSPARENT);
}

TEST(Figures, IndexedAndMonochromeBitmapsTakeTheNearestColour)
{
    QImage idx(2, 1, QImage::Format_Indexed8);
    idx.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(200, 0, 0)});
    idx.fill(1);
    TBitmap b;
    b.setImage(idx);
    b.Canvas().Brush.Color = TColor(0x0A0AFF); // (255, 10, 10)
    b.Canvas().FillRect({0, 0, 1, 1});
    EXPECT_EQ(b.pixel(0, 0), TColor(0x0000C8));
    EXPECT_EQ(b.image().pixelIndex(0, 0), 2);
    EXPECT_EQ(b.pixel(1, 0), clWhite);

    auto mono = CreateMonochromeBitmap(3, 1);
    TCanvas& m = mono->Canvas();
    m.SetPixel(0, 0, TColor(0xC0C0C0));
    EXPECT_EQ(mono->pixel(0, 0), clWhite);
    m.Pen.Color = clWhite;
    m.Pen.Mode = pmXor;
    m.MoveTo(0, 0);
    m.LineTo(3, 0);
    EXPECT_EQ(mono->pixel(0, 0), clBlack);
    EXPECT_EQ(mono->pixel(2, 0), clWhite);
}

TEST(BlockTransfer, OverlappingCopyOnOneCanvasReadsThePixelsAsTheyWere)
{
    QImage img(4, 1, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        img.setPixel(x, 0, 0xFF000000u | uint32_t(x + 1));
    TCanvas c(&img);
    BitBlt(c, 1, 0, 3, 1, &c, 0, 0, SRCCOPY);
    EXPECT_EQ(at(img, 0, 0), 1u);
    EXPECT_EQ(at(img, 1, 0), 1u);
    EXPECT_EQ(at(img, 2, 0), 2u);
    EXPECT_EQ(at(img, 3, 0), 3u);
}

TEST(BlockTransfer, DrawLeavesTransparentPixelsAndShowsMonochromeBlackOnWhite)
{
    TBitmap sprite;
    sprite.SetPixelFormat(pf24bit);
    sprite.SetSize(2, 2);
    sprite.Canvas().Brush.Color = clLime;
    sprite.Canvas().FillRect({0, 0, 2, 2});
    sprite.Canvas().SetPixel(1, 0, clRed);
    sprite.SetTransparent(true); // the key is the bottom-left pixel: lime
    QImage img = solid(4, 4, 0x000080);
    TCanvas c(&img);
    c.Draw(1, 1, sprite);
    EXPECT_EQ(at(img, 2, 1), 0xFF0000u);
    EXPECT_EQ(at(img, 1, 1), 0x000080u);
    EXPECT_EQ(at(img, 1, 2), 0x000080u);

    auto mono = CreateMonochromeBitmap(2, 1);
    mono->Canvas().SetPixel(1, 0, clWhite);
    c.Font.Color = clRed;
    c.Brush.Color = clBlue;
    c.Draw(0, 3, *mono);
    EXPECT_EQ(at(img, 0, 3), 0u);
    EXPECT_EQ(at(img, 1, 3), 0xFFFFFFu);
}

TEST(BlockTransfer, UnscaledAndMirroredCopiesTakeThePixelAtTheSameOffset)
{
    QImage src(5, 1, QImage::Format_RGB32);
    for (int x = 0; x < 5; ++x)
        src.setPixel(x, 0, 0xFF000000u | uint32_t(x + 1));
    QImage dst = solid(5, 1, 0);
    TCanvas from(&src), to(&dst);
    ASSERT_TRUE(StretchBlt(to, 0, 0, 5, 1, &from, 0, 0, 5, 1, SRCCOPY));
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(at(dst, x, 0), uint32_t(x + 1));
    ASSERT_TRUE(StretchBlt(to, 5, 0, -5, 1, &from, 0, 0, 5, 1, SRCCOPY));
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(at(dst, x, 0), uint32_t(5 - x)) << "mirrored";
}
