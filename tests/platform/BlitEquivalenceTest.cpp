// The row kernels of unscaled block transfers against the reference loop: many random
// transfers (surface formats, device-independent bitmaps, raster operations, clip regions,
// mappings, sizes and offsets partly outside the surfaces, scaled and mirrored ones among
// them) are made twice, once with every transfer forced through the reference loop, and must
// leave the same bytes, return the same and report the same changes.

#include "platform/Bitmap.h"
#include "platform/Blit.h"
#include "platform/BlitSpans.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"

#include "DibBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <sstream>

using namespace dw;

namespace {

using Rng = std::mt19937;

int pick(Rng& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
bool chance(Rng& rng, int percent) { return pick(rng, 0, 99) < percent; }

enum class Kind {
    Bitmap32, Bitmap24, Bitmap8, Bitmap4, Bitmap1, Bitmap15, Bitmap16, MonoDdb, // TBitmap canvases
    ImageRgb32, ImageArgb32, ImageArgb32Pre, ImageRgb888, ImageMono, ImageMonoLsb, ImageIndexed8, // caller images
};
constexpr int kKinds = 15;
const char* const kKindNames[kKinds] = {"Bitmap32",   "Bitmap24",    "Bitmap8",        "Bitmap4",     "Bitmap1",
                                        "Bitmap15",   "Bitmap16",    "MonoDdb",        "ImageRgb32",  "ImageArgb32",
                                        "ImageArgb32Pre", "ImageRgb888", "ImageMono", "ImageMonoLsb", "ImageIndexed8"};

// A few colours that recur, so that pixels meet the background and transparent colours.
struct Colors {
    std::vector<uint32_t> list; // 0x00RRGGBB
    uint32_t any(Rng& rng) const
    {
        return chance(rng, 80) ? list[size_t(pick(rng, 0, int(list.size()) - 1))] : uint32_t(rng()) & 0xFFFFFF;
    }
};

TColor colorOf(uint32_t rgb) { return TColor((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF)); }

// The pixels of a surface, in its storage format, made once per case.
QImage pixelsFor(Kind kind, int w, int h, const Colors& colors, Rng& rng)
{
    const auto fillWords = [&](QImage::Format f, bool randomAlpha) {
        QImage img(w, h, f);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
            for (int x = 0; x < w; ++x)
                row[x] = colors.any(rng) | (randomAlpha ? uint32_t(rng()) << 24 : 0xFF000000u);
        }
        return img;
    };
    const auto fillBytes = [&](QImage::Format f) {
        QImage img(w, h, f);
        for (int y = 0; y < h; ++y)
            for (qsizetype i = 0; i < img.bytesPerLine(); ++i)
                img.scanLine(y)[i] = uint8_t(rng());
        return img;
    };
    const auto withTable = [&](QImage img, int entries) {
        QList<QRgb> table;
        for (int i = 0; i < entries; ++i)
            table.push_back(0xFF000000u | colors.any(rng));
        img.setColorTable(table);
        return img;
    };
    switch (kind) {
    case Kind::Bitmap32: return fillWords(QImage::Format_RGB32, true);
    case Kind::ImageRgb32: return fillWords(QImage::Format_RGB32, true);
    case Kind::ImageArgb32: return fillWords(QImage::Format_ARGB32, true);
    case Kind::ImageArgb32Pre: return fillWords(QImage::Format_ARGB32_Premultiplied, true);
    case Kind::Bitmap24:
    case Kind::ImageRgb888: {
        QImage img(w, h, kind == Kind::Bitmap24 ? QImage::Format_BGR888 : QImage::Format_RGB888);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t c = colors.any(rng);
                uint8_t* p = img.scanLine(y) + 3 * x;
                p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
            }
        return img;
    }
    case Kind::Bitmap15: return fillBytes(QImage::Format_RGB555);
    case Kind::Bitmap16: return fillBytes(QImage::Format_RGB16);
    case Kind::Bitmap8:
    case Kind::ImageIndexed8: return withTable(fillBytes(QImage::Format_Indexed8), pick(rng, 17, 256));
    case Kind::Bitmap4: {
        QImage img = fillBytes(QImage::Format_Indexed8);
        const int entries = pick(rng, 2, 16);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.scanLine(y)[x] = uint8_t(img.scanLine(y)[x] % entries);
        return withTable(img, entries);
    }
    case Kind::Bitmap1:
    case Kind::MonoDdb:
    case Kind::ImageMono: return withTable(fillBytes(QImage::Format_Mono), 2);
    case Kind::ImageMonoLsb: return withTable(fillBytes(QImage::Format_MonoLSB), 2);
    }
    return {};
}

// A canvas on a bitmap or on a caller's image, counting the bitmap's change reports.
struct Surface {
    std::unique_ptr<TBitmap> bitmap;
    QImage image;
    std::unique_ptr<TCanvas> imageCanvas;
    int changes = 0;

    Surface(Kind kind, const QImage& pixels)
    {
        if (kind >= Kind::ImageRgb32) {
            image = pixels.copy();
            imageCanvas = std::make_unique<TCanvas>(&image);
            return;
        }
        if (kind == Kind::MonoDdb) {
            bitmap = CreateMonochromeBitmap(pixels.width(), pixels.height());
            for (int y = 0; y < pixels.height(); ++y)
                std::memcpy(bitmap->ScanLine(y), pixels.constScanLine(y), size_t(pixels.bytesPerLine()));
        } else {
            bitmap = std::make_unique<TBitmap>();
            bitmap->setImage(pixels.copy());
        }
        bitmap->OnChange = [this](TBitmap&) { ++changes; };
    }
    TCanvas& canvas() { return bitmap ? bitmap->Canvas() : *imageCanvas; }
    const QImage& pixels() const { return bitmap ? bitmap->image() : image; }
};

// A device-independent bitmap file of random layout and bytes.
std::vector<uint8_t> randomDib(Rng& rng, const Colors& colors, std::string& what, TSize& size, int bitCount = 0,
                               int maxWidth = 40)
{
    static const uint16_t bitCounts[] = {1, 4, 8, 16, 24, 32};
    const uint16_t bits = bitCount ? uint16_t(bitCount) : bitCounts[pick(rng, 0, 5)];
    const int w = pick(rng, 1, maxWidth), h = pick(rng, 1, 30) * (chance(rng, 30) ? -1 : 1);
    size = {w, std::abs(h)};
    uint32_t compression = 0, colorsUsed = 0;
    std::vector<uint32_t> table;
    if (bits <= 8) {
        colorsUsed = chance(rng, 30) ? 0 : uint32_t(pick(rng, 1, 1 << bits));
        for (uint32_t i = 0; i < (colorsUsed ? colorsUsed : 1u << bits); ++i)
            table.push_back(colors.any(rng));
    } else if (bits != 24 && chance(rng, 50)) {
        compression = 3;
        table = bits == 16 ? std::vector<uint32_t>{0xF800, 0x07E0, 0x001F}
                : chance(rng, 50) ? std::vector<uint32_t>{0xFF0000, 0xFF00, 0xFF}
                                  : std::vector<uint32_t>{0x3FF00000, 0xFFC00, 0x3FF};
    }
    const size_t rowBytes = size_t((w * bits + 31) / 32 * 4);
    std::vector<uint8_t> rows(rowBytes * size_t(std::abs(h)));
    for (size_t y = 0; y < size_t(std::abs(h)); ++y)
        for (size_t i = 0; i < rowBytes; ++i) {
            // Colour bytes where a pixel is a colour, so that the recurring colours appear.
            const uint32_t c = colors.any(rng);
            rows[y * rowBytes + i] = bits >= 24 ? uint8_t(c >> (8 * (i % 3))) : uint8_t(rng());
        }
    std::ostringstream s;
    s << "dib " << bits << " bits " << w << "x" << h << " compression " << compression << " colours " << colorsUsed;
    what = s.str();
    return dw::test::bmpFile(w, h, bits, compression, table, rows, colorsUsed);
}

enum class Op { BitBlt, StretchBlt, PatBlt, StretchDIBits, SetDIBitsToDevice, Draw, StretchDraw, SelfBlt };
const char* const kOpNames[] = {"BitBlt", "StretchBlt", "PatBlt", "StretchDIBits", "SetDIBitsToDevice",
                                "Draw", "StretchDraw", "SelfBlt"};

const uint32_t kRops[] = {SRCCOPY,     SRCPAINT,  SRCAND,   SRCINVERT,  SRCERASE,  NOTSRCCOPY, NOTSRCERASE,
                          MERGECOPY,   MERGEPAINT, PATCOPY, PATPAINT,   PATINVERT, DSTINVERT,  BLACKNESS,
                          WHITENESS,   0x00220326, 0x00AA0029, 0x00B8074A};

// One random transfer, made the same way on fresh surfaces for each loop.
struct Case {
    uint32_t seed;
    Op op;
    Kind destKind, sourceKind;
    QImage destPixels, sourcePixels;
    std::vector<uint8_t> dib;
    std::string dibWhat;
    uint32_t rop;
    int x, y, w, h, sx, sy, sw, sh;
    uint32_t startScan, numScans, usage;
    int clip; // 0 none, 1 rectangle, 2 round rectangle, 3 several rectangles, 4 empty
    TRect clipRect;
    TPoint destOrigin, sourceOrigin;
    bool anisotropic;
    TSize windowExt, viewportExt;
    TColor font, brush, sourceBrush, keyColor;
    TBrushStyle brushStyle;
    bool setColors, transparent;
    uint32_t text, bk;
    int bkMode;

    std::string describe() const
    {
        std::ostringstream s;
        s << "seed " << seed << ": " << kOpNames[int(op)] << " rop " << std::hex << rop << std::dec << " onto "
          << kKindNames[int(destKind)] << " " << destPixels.width() << "x" << destPixels.height() << " from "
          << (op == Op::StretchDIBits || op == Op::SetDIBitsToDevice ? dibWhat : kKindNames[int(sourceKind)])
          << " at (" << x << "," << y << " " << w << "x" << h << ") src (" << sx << "," << sy << " " << sw << "x" << sh
          << ") clip " << clip << " brush style " << brushStyle << (anisotropic ? " anisotropic" : "")
          << (transparent ? " transparent" : "");
        return s.str();
    }
};

Case randomCase(uint32_t seed)
{
    Rng rng(seed);
    Case c{};
    c.seed = seed;
    Colors colors;
    for (int i = 0; i < 5; ++i)
        colors.list.push_back(uint32_t(rng()) & 0xFFFFFF);
    colors.list.push_back(0);
    colors.list.push_back(0xFFFFFF);

    c.op = Op(pick(rng, 0, 7));
    c.destKind = Kind(pick(rng, 0, kKinds - 1));
    c.sourceKind = Kind(pick(rng, 0, kKinds - 1));
    // Mostly small surfaces; some rows longer than one pass of the row kernels.
    const bool wide = chance(rng, 8);
    const int dw = wide ? pick(rng, 1000, 2200) : pick(rng, 1, 48), dh = wide ? pick(rng, 1, 3) : pick(rng, 1, 32);
    c.destPixels = pixelsFor(c.destKind, dw, dh, colors, rng);
    const int sw = wide ? pick(rng, 1000, 2200) : pick(rng, 1, 48), sh = wide ? pick(rng, 1, 3) : pick(rng, 1, 32);
    c.sourcePixels = pixelsFor(c.sourceKind, sw, sh, colors, rng);
    TSize dibSize;
    c.dib = randomDib(rng, colors, c.dibWhat, dibSize);
    const bool fromDib = c.op == Op::StretchDIBits || c.op == Op::SetDIBitsToDevice;
    const int srcW = fromDib ? dibSize.cx : sw, srcH = fromDib ? dibSize.cy : sh;

    c.rop = chance(rng, 70) ? kRops[pick(rng, 0, int(std::size(kRops)) - 1)] : uint32_t(pick(rng, 0, 255)) << 16;
    // Mostly rectangles that meet both surfaces, often reaching past their edges; some empty
    // or turned round.
    const auto extent = [&](int side) { return chance(rng, 90) ? pick(rng, 1, side + 8) : pick(rng, -3, 0); };
    c.w = extent(std::max(dw, srcW));
    c.h = extent(std::max(dh, srcH));
    // One pixel of the rectangle, anywhere in it, pairs a destination pixel with a source
    // pixel, so that the rectangles meet both surfaces.
    const int ax = std::abs(c.w) ? pick(rng, 0, std::abs(c.w) - 1) : 0, ay = std::abs(c.h) ? pick(rng, 0, std::abs(c.h) - 1) : 0;
    c.x = pick(rng, 0, dw - 1) - ax;
    c.y = pick(rng, 0, dh - 1) - ay;
    c.sx = pick(rng, 0, srcW - 1) - ax;
    c.sy = pick(rng, 0, srcH - 1) - ay;
    if (chance(rng, 10))
        c.w = -c.w, c.x += std::abs(c.w);
    if (chance(rng, 10))
        c.h = -c.h, c.y += std::abs(c.h);
    // Mostly the same size (unscaled), sometimes both mirrored, sometimes scaled.
    const int shape = pick(rng, 0, 9);
    c.sw = shape < 7 ? c.w : shape == 7 ? -c.w : pick(rng, -40, 60);
    c.sh = shape < 7 ? c.h : shape == 7 ? -c.h : pick(rng, -30, 40);
    if (shape == 7 && chance(rng, 50))
        c.w = -c.w, c.h = -c.h; // both extents negative: no mirror, no scaling
    c.startScan = uint32_t(chance(rng, 80) ? pick(rng, 0, 3) : pick(rng, 0, 40));
    c.numScans = uint32_t(chance(rng, 90) ? pick(rng, 1, 40) : 0);
    c.usage = chance(rng, 15) ? DIB_PAL_COLORS : DIB_RGB_COLORS;

    const int clipKind = pick(rng, 0, 99);
    c.clip = clipKind < 35 ? 0 : clipKind < 55 ? 1 : clipKind < 75 ? 2 : clipKind < 95 ? 3 : 4;
    const int cl = pick(rng, -5, dw / 2), ct = pick(rng, -5, dh / 2);
    c.clipRect = {cl, ct, pick(rng, dw / 2, dw + 5), pick(rng, dh / 2, dh + 5)};
    c.destOrigin = chance(rng, 30) ? TPoint{pick(rng, -10, 10), pick(rng, -10, 10)} : TPoint{};
    c.sourceOrigin = chance(rng, 20) ? TPoint{pick(rng, -10, 10), pick(rng, -10, 10)} : TPoint{};
    c.anisotropic = chance(rng, 10);
    const int e = pick(rng, 1, 3);
    c.windowExt = {e, e};
    c.viewportExt = chance(rng, 60) ? TSize{e, e} : TSize{pick(rng, -3, 3) | 1, pick(rng, 1, 3)};

    c.font = colorOf(colors.any(rng));
    c.brush = colorOf(colors.any(rng));
    c.sourceBrush = colorOf(colors.any(rng));
    c.keyColor = colorOf(colors.any(rng));
    c.brushStyle = chance(rng, 75) ? bsSolid : TBrushStyle(pick(rng, 1, 7));
    c.setColors = chance(rng, 40);
    c.text = colors.any(rng);
    c.bk = colors.any(rng);
    c.bkMode = chance(rng, 50) ? OPAQUE : TRANSPARENT;
    c.transparent = chance(rng, 60);
    return c;
}

struct Outcome {
    QImage pixels;
    int changes = 0;
    int returned = 0;
};

Outcome runCase(const Case& c, bool reference)
{
    blit::setReferenceOnly(reference);
    Surface dest(c.destKind, c.destPixels);
    Surface source(c.sourceKind, c.sourcePixels);
    TCanvas& dc = dest.canvas();
    TCanvas& sc = source.canvas();
    dest.changes = 0;

    dc.Font.Color = c.font;
    dc.Brush.Color = c.brush;
    dc.Brush.Style = c.brushStyle;
    if (c.setColors) {
        SetTextColor(dc, colorOf(c.text));
        SetBkColor(dc, colorOf(c.bk));
        SetBkMode(dc, c.bkMode);
    }
    sc.Brush.Color = c.sourceBrush;
    if (c.anisotropic) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, c.windowExt.cx, c.windowExt.cy, nullptr);
        SetViewportExtEx(dc, c.viewportExt.cx, c.viewportExt.cy, nullptr);
    }
    SetWindowOrgEx(dc, c.destOrigin.X, c.destOrigin.Y, nullptr);
    SetWindowOrgEx(sc, c.sourceOrigin.X, c.sourceOrigin.Y, nullptr);
    const TRect& r = c.clipRect;
    if (c.clip == 1) {
        const TRegion rgn = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
        SelectClipRgn(dc, &rgn);
    } else if (c.clip == 2) {
        const TRegion rgn = CreateRoundRectRgn(r.Left, r.Top, r.Right + 8, r.Bottom + 8, 11, 9);
        SelectClipRgn(dc, &rgn);
    } else if (c.clip == 3) {
        // Several spans a row: a slit, a hole and a piece sticking out.
        const int32_t third = r.Left + int32_t(r.Width() / 3);
        TRegion rgn = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
        const TRegion slit = CreateRectRgn(third, r.Top, third + 1, r.Bottom);
        const TRegion hole = CreateRectRgn(r.Left + 2, r.Top + 1, r.Left + 5, r.Top + 3);
        const TRegion more = CreateRectRgn(r.Right - 2, r.Top - 3, r.Right + 6, r.Top + 2);
        CombineRgn(rgn, rgn, slit, RGN_DIFF);
        CombineRgn(rgn, rgn, hole, RGN_DIFF);
        CombineRgn(rgn, rgn, more, RGN_OR);
        SelectClipRgn(dc, &rgn);
    } else if (c.clip == 4) {
        const TRegion rgn;
        SelectClipRgn(dc, &rgn);
    }

    Outcome out;
    const std::optional<TDib> dib = TDib::fromFileImage(c.dib.data(), c.dib.size());
    switch (c.op) {
    case Op::BitBlt: out.returned = BitBlt(dc, c.x, c.y, c.w, c.h, &sc, c.sx, c.sy, c.rop); break;
    case Op::StretchBlt: out.returned = StretchBlt(dc, c.x, c.y, c.w, c.h, &sc, c.sx, c.sy, c.sw, c.sh, c.rop); break;
    case Op::PatBlt: out.returned = PatBlt(dc, c.x, c.y, c.w, c.h, c.rop & 0x00330000 ? DSTINVERT : c.rop); break;
    case Op::StretchDIBits:
        out.returned = StretchDIBits(dc, c.x, c.y, c.w, c.h, c.sx, c.sy, c.sw, c.sh, *dib, c.usage, c.rop);
        break;
    case Op::SetDIBitsToDevice:
        out.returned = SetDIBitsToDevice(dc, c.x, c.y, uint32_t(std::abs(c.w)), uint32_t(std::abs(c.h)), c.sx, c.sy,
                                         c.startScan, c.numScans, *dib, c.usage);
        break;
    case Op::Draw:
    case Op::StretchDraw:
        if (source.bitmap) {
            source.bitmap->SetTransparent(c.transparent);
            if (c.transparent && c.w % 2)
                source.bitmap->SetTransparentColor(c.keyColor);
            if (c.op == Op::Draw)
                dc.Draw(c.x, c.y, *source.bitmap);
            else
                dc.StretchDraw({c.x, c.y, c.x + c.sw, c.y + c.sh}, *source.bitmap);
        } else {
            dc.CopyMode = c.rop;
            dc.CopyRect({c.x, c.y, c.x + c.w, c.y + c.h}, sc, {c.sx, c.sy, c.sx + c.sw, c.sy + c.sh});
        }
        break;
    case Op::SelfBlt: out.returned = BitBlt(dc, c.x, c.y, c.w, c.h, &dc, c.sx, c.sy, c.rop); break;
    }
    out.pixels = dest.pixels().copy();
    out.changes = dest.changes;
    blit::setReferenceOnly(false);
    return out;
}

// The first differing pixel's bytes, for the failure message.
std::string firstDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format() || a.bytesPerLine() != b.bytesPerLine())
        return "shapes differ";
    for (int y = 0; y < a.height(); ++y)
        for (qsizetype i = 0; i < a.bytesPerLine(); ++i)
            if (a.constScanLine(y)[i] != b.constScanLine(y)[i]) {
                std::ostringstream s;
                s << "row " << y << " byte " << i << ": " << int(a.constScanLine(y)[i]) << " (fast) vs "
                  << int(b.constScanLine(y)[i]) << " (reference)";
                return s.str();
            }
    return "colour tables differ";
}

// Returns whether the transfer changed any byte (so that the cases are seen to do something).
bool expectSameOutcome(const Case& c)
{
    const Outcome fast = runCase(c, false), reference = runCase(c, true);
    if (fast.returned != reference.returned || fast.changes != reference.changes) {
        ADD_FAILURE() << c.describe() << ": returned " << fast.returned << " vs " << reference.returned
                      << ", changes reported " << fast.changes << " vs " << reference.changes;
        return false;
    }
    // Byte for byte (QImage's own comparison looks indices up in the colour table, which the
    // random indices may lie beyond).
    const QImage &a = fast.pixels, &b = reference.pixels;
    if (!(a.size() == b.size() && a.format() == b.format() && a.colorTable() == b.colorTable()
          && a.sizeInBytes() == b.sizeInBytes()
          && std::memcmp(a.constBits(), b.constBits(), size_t(a.sizeInBytes())) == 0)) {
        ADD_FAILURE() << c.describe() << ": " << firstDifference(a, b);
        return false;
    }
    const Surface before(c.destKind, c.destPixels);
    return std::memcmp(before.pixels().constBits(), b.constBits(), size_t(b.sizeInBytes())) != 0;
}

} // namespace

// Each test once per instruction-set level of the row kernels.
class BlitEquivalence : public testing::TestWithParam<blit::Vectors> {
protected:
    void SetUp() override { blit::limitVectors(GetParam()); }
    void TearDown() override { blit::limitVectors(blit::Vectors::Best); }
};

INSTANTIATE_TEST_SUITE_P(Kernels, BlitEquivalence,
                         testing::Values(blit::Vectors::Best, blit::Vectors::UpToSsse3, blit::Vectors::None),
                         [](const testing::TestParamInfo<blit::Vectors>& info) {
                             return std::string(info.param == blit::Vectors::Best        ? "Best"
                                                : info.param == blit::Vectors::UpToSsse3 ? "Ssse3"
                                                                                         : "Plain");
                         });

TEST_P(BlitEquivalence, RandomTransfersLeaveTheSameBytesAsTheReferenceLoop)
{
    int changed = 0;
    for (uint32_t seed = 1; seed <= 6000; ++seed) {
        changed += expectSameOutcome(randomCase(seed));
        if (HasFailure())
            return;
    }
    // Most cases do change pixels (the others meet an empty clip, a no-op or nothing at all).
    EXPECT_GT(changed, 2000);
}

TEST_P(BlitEquivalence, EveryRasterOperationAgreesOnEachRowLayout)
{
    // All 256 operations, unscaled, from each source layout onto each destination layout the
    // row kernels handle, with a solid brush and a clip region cutting the rows.
    const Kind layouts[] = {Kind::Bitmap32, Kind::ImageArgb32, Kind::Bitmap24, Kind::ImageRgb888, Kind::MonoDdb,
                            Kind::ImageMonoLsb, Kind::Bitmap8};
    uint32_t seed = 100000;
    for (Kind dest : layouts)
        for (Kind source : layouts)
            for (int rop = 0; rop < 256; ++rop) {
                Case c = randomCase(++seed);
                Rng rng(seed);
                Colors colors{{0, 0xFFFFFF, 0x123456, uint32_t(c.brush)}};
                c.op = Op::BitBlt;
                c.destKind = dest;
                c.sourceKind = source;
                c.destPixels = pixelsFor(dest, 37, 5, colors, rng);
                c.sourcePixels = pixelsFor(source, 41, 6, colors, rng);
                c.rop = uint32_t(rop) << 16;
                c.x = 3, c.y = 1, c.w = 33, c.h = 4, c.sx = 5, c.sy = 1;
                c.clip = 3;
                c.clipRect = {2, 0, 30, 5};
                c.anisotropic = false;
                c.destOrigin = c.sourceOrigin = {};
                c.brushStyle = bsSolid;
                expectSameOutcome(c);
                if (HasFailure())
                    return;
            }
}

TEST_P(BlitEquivalence, MonochromeRowsAgreeAtEveryBitOffset)
{
    // Long monochrome runs starting and ending anywhere in a byte: 8-bit bitmaps with all 256
    // index values onto monochrome bitmaps, and monochrome bitmaps onto colour ones.
    uint32_t seed = 200000;
    for (int i = 0; i < 400; ++i) {
        Case c = randomCase(++seed);
        Rng rng(seed);
        Colors colors{{0, 0xFFFFFF, 0x808080, 0x7F7F7F}};
        TSize size;
        c.dib = randomDib(rng, colors, c.dibWhat, size, 8, 300);
        const bool fromDib = i % 2 == 0;
        c.op = fromDib ? Op::SetDIBitsToDevice : Op::BitBlt;
        c.destKind = fromDib ? (i % 4 ? Kind::MonoDdb : Kind::ImageMonoLsb) : Kind(pick(rng, 0, 1));
        c.sourceKind = i % 4 == 1 ? Kind::MonoDdb : Kind::ImageMonoLsb;
        c.destPixels = pixelsFor(c.destKind, pick(rng, 1, 320), 3, colors, rng);
        c.sourcePixels = pixelsFor(c.sourceKind, pick(rng, 1, 320), 3, colors, rng);
        c.x = pick(rng, -9, 15), c.y = 0, c.w = pick(rng, 1, 320), c.h = 3;
        c.sx = pick(rng, -9, 15), c.sy = 0;
        c.startScan = 0, c.numScans = 40;
        c.rop = i % 3 ? SRCCOPY : kRops[pick(rng, 0, int(std::size(kRops)) - 1)];
        c.clip = pick(rng, 0, 3);
        c.clipRect = {pick(rng, -3, 20), 0, pick(rng, 20, 330), 3};
        c.anisotropic = false;
        c.destOrigin = c.sourceOrigin = {};
        c.brushStyle = bsSolid;
        expectSameOutcome(c);
        if (HasFailure())
            return;
    }
}
