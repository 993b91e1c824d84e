// Block transfers: BitBlt and its relatives, the device-independent bitmap blits, and the
// canvas's Draw, StretchDraw and CopyRect.

#include "Canvas.h"

#include "Bitmap.h"
#include "Blit.h"
#include "Dib.h"
#include "PixelSurface.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace dw {

namespace blit {

void Source::fetch(int32_t y, const int32_t* xs, int32_t n, uint32_t* out) const
{
    if (surface) {
        surface->fetchAt(y, xs, n, out);
        return;
    }
    const uint8_t* row = dib->rowFromTop(y);
    if (dib->bitCount() <= 8) {
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t index = dib->rawAt(row, xs[i]);
            out[i] = index < dibColors.size() ? dibColors[index] : 0;
        }
    } else {
        for (int32_t i = 0; i < n; ++i)
            out[i] = dib->colorAt(row, xs[i]);
    }
}

namespace {
bool g_referenceOnly = false;
}

void setReferenceOnly(bool on) { g_referenceOnly = on; }
bool referenceOnly() { return g_referenceOnly; }

} // namespace blit

namespace {

using blit::Source;

// Text and background colours that a monochrome source turns into, when not the
// destination's own (Draw shows monochrome bitmaps black on white).
struct MonoColors {
    uint32_t text, background; // 0x00RRGGBB
};

struct DeviceRect {
    int64_t x, y, w, h; // w, h signed: negative mirrors
};

// One axis of the nearest-pixel mapping: for destination offset i in [0, |dw|), the source
// offset, mirrored when exactly one of the two extents is negative.
//
// With equal extents (dn = sn = n) and no mirroring the map is the identity offset: for
// 0 ≤ i < n, (2i + 1) · n / 2n = i + 1/2, whose floor (the truncating division of non-negative
// values) is i, so source(d) = s0 + (d − d0). The unscaled loop relies on this.
struct AxisMap {
    int64_t d0, dn, s0, sn;
    bool mirror;
    AxisMap(int64_t dStart, int64_t dExtent, int64_t sStart, int64_t sExtent)
    {
        mirror = (dExtent < 0) != (sExtent < 0);
        if (dExtent < 0)
            dStart += dExtent, dExtent = -dExtent;
        if (sExtent < 0)
            sStart += sExtent, sExtent = -sExtent;
        d0 = dStart, dn = dExtent, s0 = sStart, sn = sExtent;
    }
    int64_t source(int64_t d) const
    {
        const int64_t i = d - d0;
        // Unscaled, the nearest source pixel is the one at the same offset: (2i + 1)·n / 2n = i.
        if (sn == dn)
            return s0 + (mirror ? sn - 1 - i : i);
        // Both factors can reach 2^32; the product needs more than 64 bits.
        __extension__ typedef __int128 int128;
        int64_t f = int64_t((int128(2 * i + 1) * sn) / (int128(2) * dn));
        if (mirror)
            f = sn - 1 - f;
        return s0 + f;
    }
    bool identityOffset() const { return dn == sn && !mirror; }
};

int64_t clampTo(int64_t v, int64_t lo, int64_t hi) { return std::max(lo, std::min(v, hi)); }

// The reference loop: every pixel mapped on its own, fetched and stored through the
// surfaces' colour conversions. Returns whether a span was stored.
bool referenceRows(const blit::Transfer& t, const AxisMap& mx, const AxisMap& my)
{
    const Source* src = t.src;
    px::Surface& out = *t.out;
    std::vector<int32_t> xs;
    std::vector<uint32_t> sv, dv;
    std::vector<uint8_t> skip;
    bool wrote = false;

    for (int64_t y = t.rowTop; y < t.rowEnd; ++y) {
        const int64_t sy = my.source(y);
        if (t.usesSource && (sy < src->rowMin || sy >= src->rowMax))
            continue;
        t.clip->forEach(int32_t(y), int32_t(t.colLeft), int32_t(t.colRight), [&](int32_t a, int32_t b) {
            // The mapping is monotonic, so the columns with a source pixel are one run.
            int32_t first = a, last = b;
            if (t.usesSource) {
                const auto valid = [&](int32_t x) {
                    const int64_t sx = mx.source(x);
                    return sx >= 0 && sx < src->width;
                };
                while (first < last && !valid(first))
                    ++first;
                while (last > first && !valid(last - 1))
                    --last;
            }
            const int32_t n = last - first;
            if (n <= 0)
                return;
            xs.resize(size_t(n));
            sv.assign(size_t(n), 0);
            dv.resize(size_t(n));
            skip.assign(size_t(n), 0);
            if (t.usesSource) {
                for (int32_t i = 0; i < n; ++i)
                    xs[size_t(i)] = int32_t(mx.source(first + i));
                src->fetch(int32_t(sy), xs.data(), n, sv.data());
                for (int32_t i = 0; i < n; ++i) {
                    uint32_t& v = sv[size_t(i)];
                    if (src->transparentKey && v == *src->transparentKey)
                        skip[size_t(i)] = 1;
                    if (src->monoDdb && !t.destMono)
                        v = v ? t.destBk : t.destText;
                    else if (!src->monoDdb && t.destMono)
                        v = (src->bkRule ? v == src->bkKey : px::nearerWhite(v)) ? 0xFFFFFF : 0;
                }
            }
            out.fetch(int32_t(y), first, n, dv.data());
            for (int32_t i = 0; i < n; ++i) {
                if (skip[size_t(i)])
                    continue;
                uint32_t p = 0;
                if (t.usesPattern) {
                    if (t.brushStyle == bsClear)
                        continue;
                    if (t.brushStyle == bsSolid || px::hatchBit(t.brushStyle, first + i, int32_t(y)))
                        p = t.patternFg;
                    else if (t.patternOpaqueBg)
                        p = t.patternBg;
                    else
                        continue;
                }
                dv[size_t(i)] = px::rop3(t.rop, p, sv[size_t(i)], dv[size_t(i)]);
            }
            out.store(int32_t(y), first, n, dv.data());
            wrote = true;
        });
    }
    return wrote;
}

// The shared transfer: destination and source rectangles in device pixels.
bool transfer(TCanvas& dest, DeviceRect d, const Source* src, DeviceRect s, uint32_t ropCode,
              const MonoColors* mono = nullptr)
{
    const uint8_t rop = uint8_t(ropCode >> 16);
    const bool usesSource = px::ropUsesSource(rop);
    if (usesSource && !src)
        return false;
    dest.realize();
    QImage* image = CanvasAccess::image(dest);
    if (!image || d.w == 0 || d.h == 0 || (usesSource && (s.w == 0 || s.h == 0)))
        return true;
    if (!usesSource)
        s = {d.x, d.y, d.w, d.h};
    px::Surface out(*image, CanvasAccess::monoDdb(dest));
    const px::ClipSpans clip(CanvasAccess::clipRects(dest));
    const AxisMap mx(d.x, d.w, s.x, s.w), my(d.y, d.h, s.y, s.h);

    const TCanvas::State& st = dest.state();
    blit::Transfer t;
    t.out = &out;
    t.clip = &clip;
    t.src = usesSource ? src : nullptr;
    t.rop = rop;
    t.usesSource = usesSource;
    t.usesPattern = px::ropUsesPattern(rop);
    t.destText = mono ? mono->text : px::rgbOfColor(TColor(st.textColor));
    t.destBk = mono ? mono->background : px::rgbOfColor(TColor(st.bkColor));
    t.destMono = out.kind() == px::Kind::MonoDdb;
    t.brushStyle = dest.Brush.Style;
    t.patternFg = out.deviceValue(px::rgbOfColor(dest.Brush.Color));
    t.patternBg = out.deviceValue(px::rgbOfColor(TColor(st.bkColor)));
    t.patternOpaqueBg = st.bkMode == OPAQUE;

    const TRect cb = clip.bounds();
    t.rowTop = std::max<int64_t>(my.d0, cb.Top);
    t.rowEnd = std::min<int64_t>(my.d0 + my.dn, cb.Bottom);
    t.colLeft = clampTo(mx.d0, INT32_MIN, INT32_MAX);
    t.colRight = clampTo(mx.d0 + mx.dn, INT32_MIN, INT32_MAX);

    const bool wrote = mx.identityOffset() && my.identityOffset() && !blit::referenceOnly()
                           ? blit::unscaledRows(t, mx.s0 - mx.d0, my.s0 - my.d0)
                           : referenceRows(t, mx, my);
    if (wrote)
        CanvasAccess::changed(dest);
    return true;
}

DeviceRect deviceRectOf(const TCanvas& c, int64_t x, int64_t y, int64_t w, int64_t h)
{
    const auto lim = [](int64_t v) { return int32_t(clampTo(v, INT32_MIN, INT32_MAX)); };
    const TPoint a = c.toDevice({lim(x), lim(y)}), b = c.toDevice({lim(x + w), lim(y + h)});
    return {a.X, a.Y, int64_t(b.X) - a.X, int64_t(b.Y) - a.Y};
}

// A source on a canvas's or bitmap's image. The image is copied when it is also the
// destination, so that overlapping transfers read the pixels as they were.
struct SurfaceSource {
    QImage copy;
    std::optional<px::Surface> surface;
    Source source;

    SurfaceSource(const QImage& image, bool monoDdb, bool sameAsDest, uint32_t bkColorPlatform)
    {
        const QImage& use = sameAsDest ? (copy = image.copy()) : image;
        surface.emplace(use, monoDdb);
        source.surface = &*surface;
        source.width = use.width();
        source.height = use.height();
        source.rowMin = 0;
        source.rowMax = use.height();
        source.monoDdb = monoDdb;
        source.bkRule = true;
        source.bkKey = surface->kind() == px::Kind::Indexed ? px::rgbOfColor(TColor(bkColorPlatform))
                                                            : surface->quantize(px::rgbOfColor(TColor(bkColorPlatform)));
    }
};

uint32_t rgbOfEntry(const TLogPalette::Entry& e) { return uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue; }

// What a device of 8 bits or fewer can show of a colour: the nearest (by squared distance) of
// the static colours and of the palette realised in the destination, when that palette is
// still the one selected. Without a realised palette an indexed picture falls back to the
// static colours, as on a palette display.
uint32_t shownOnPaletteDevice(const TCanvas& dest, uint32_t rgb)
{
    auto distance = [rgb](uint32_t c) {
        const int dr = int(rgb >> 16 & 0xFF) - int(c >> 16 & 0xFF);
        const int dg = int(rgb >> 8 & 0xFF) - int(c >> 8 & 0xFF);
        const int db = int(rgb & 0xFF) - int(c & 0xFF);
        return dr * dr + dg * dg + db * db;
    };
    uint32_t best = 0;
    int bestDistance = INT_MAX;
    auto consider = [&](const HPALETTE& palette) {
        for (const TLogPalette::Entry& e : palette->entries) {
            const uint32_t c = rgbOfEntry(e);
            if (const int d = distance(c); d < bestDistance) {
                best = c;
                bestDistance = d;
            }
        }
    };
    consider(defaultPalette());
    const HPALETTE& selected = dest.state().palette;
    if (selected && dest.realizedPalette() == selected)
        consider(selected);
    return best;
}

// The colour table a dib's indices select: its own colours, or with DIB_PAL_COLORS the
// entries of the destination's palette. On a palette device (8 bits or fewer) the colours
// are those the device can show.
std::vector<uint32_t> dibColors(const TCanvas& dest, const TDib& dib, uint32_t usage)
{
    if (usage != DIB_PAL_COLORS) {
        std::vector<uint32_t> colors = dib.colors();
        if (dest.deviceCaps().bitsPerPixel <= 8)
            for (uint32_t& c : colors)
                c = shownOnPaletteDevice(dest, c);
        return colors;
    }
    std::vector<uint32_t> out;
    const HPALETTE& pal = dest.state().palette;
    for (uint16_t index : dib.paletteIndices()) {
        uint32_t c = 0;
        if (pal && index < pal->entries.size())
            c = rgbOfEntry(pal->entries[index]);
        out.push_back(c);
    }
    return out;
}

Source dibSource(const TCanvas& dest, const TDib& dib, uint32_t usage)
{
    Source s;
    s.dib = &dib;
    s.dibColors = dibColors(dest, dib, usage);
    s.width = dib.width();
    s.height = dib.height();
    s.rowMin = 0;
    s.rowMax = dib.height();
    return s;
}

// A dib's source rectangle, given as the platform numbers it (from the bottom row of a
// bottom-up dib), as rows counted from the top; the sign of the height is kept.
DeviceRect dibSourceRect(const TDib& dib, int64_t x, int64_t y, int64_t w, int64_t h)
{
    if (dib.topDown())
        return {x, y, w, h};
    const int64_t top = dib.height() - std::max(y, y + h);
    return {x, h < 0 ? top - h : top, w, h};
}

} // namespace

bool BitBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, const TCanvas* source, int32_t sx,
            int32_t sy, uint32_t rop)
{
    return StretchBlt(dest, x, y, width, height, source, sx, sy, width, height, rop);
}

bool StretchBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, const TCanvas* source, int32_t sx,
                int32_t sy, int32_t sw, int32_t sh, uint32_t rop)
{
    const DeviceRect d = deviceRectOf(dest, x, y, width, height);
    if (!px::ropUsesSource(uint8_t(rop >> 16)))
        return transfer(dest, d, nullptr, d, rop);
    if (!source)
        return false;
    const QImage* image = CanvasAccess::image(*source);
    if (!image)
        return false;
    source->realize();
    SurfaceSource src(*image, CanvasAccess::monoDdb(*source), image == CanvasAccess::image(dest),
                      source->state().bkColor);
    return transfer(dest, d, &src.source, deviceRectOf(*source, sx, sy, sw, sh), rop);
}

bool PatBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop)
{
    if (px::ropUsesSource(uint8_t(rop >> 16)))
        return false;
    const DeviceRect d = deviceRectOf(dest, x, y, width, height);
    return transfer(dest, d, nullptr, d, rop);
}

int StretchDIBits(TCanvas& dest, int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight, int32_t xSrc,
                  int32_t ySrc, int32_t srcWidth, int32_t srcHeight, const TDib& dib, uint32_t usage, uint32_t rop)
{
    if (destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0 || !CanvasAccess::image(dest))
        return 0;
    const Source src = dibSource(dest, dib, usage);
    if (!transfer(dest, deviceRectOf(dest, xDest, yDest, destWidth, destHeight), &src,
                  dibSourceRect(dib, xSrc, ySrc, srcWidth, srcHeight), rop))
        return 0;
    return std::abs(srcHeight);
}

int SetDIBitsToDevice(TCanvas& dest, int32_t xDest, int32_t yDest, uint32_t width, uint32_t height, int32_t xSrc,
                      int32_t ySrc, uint32_t startScan, uint32_t numScans, const TDib& dib, uint32_t usage)
{
    if (width == 0 || height == 0 || numScans == 0 || !CanvasAccess::image(dest) || startScan >= uint32_t(dib.height()))
        return 0;
    const int64_t scans = std::min<int64_t>(numScans, int64_t(dib.height()) - startScan);
    Source src = dibSource(dest, dib, usage);
    // Stored rows startScan .. startScan + scans − 1, as rows from the top.
    if (dib.topDown()) {
        src.rowMin = int32_t(startScan);
        src.rowMax = int32_t(startScan + scans);
    } else {
        src.rowMin = int32_t(dib.height() - startScan - scans);
        src.rowMax = int32_t(dib.height() - startScan);
    }
    const TPoint p = dest.toDevice({xDest, yDest});
    const int64_t w = std::min<int64_t>(width, INT32_MAX), h = std::min<int64_t>(height, INT32_MAX);
    transfer(dest, {p.X, p.Y, w, h}, &src, dibSourceRect(dib, xSrc, ySrc, w, h), SRCCOPY);
    return int(scans);
}

void TCanvas::Draw(int32_t x, int32_t y, const TBitmap& bitmap)
{
    StretchDraw(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap);
}

void TCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap)
{
    if (bitmap.Empty())
        return;
    const bool monoDdb = bitmap.HandleType() == bmDDB;
    uint32_t bk = 0xFFFFFF;
    if (bitmap.m_canvas) {
        bitmap.m_canvas->realize();
        bk = bitmap.m_canvas->state().bkColor;
    }
    SurfaceSource src(bitmap.image(), monoDdb, &bitmap.image() == surface(), bk);
    if (bitmap.Transparent()) {
        const uint32_t key = px::rgbOfColor(bitmap.TransparentColor());
        src.source.transparentKey = src.surface->kind() == px::Kind::Indexed ? key : src.surface->quantize(key);
    }
    const MonoColors blackOnWhite{0x000000, 0xFFFFFF};
    transfer(*this, deviceRectOf(*this, rect.Left, rect.Top, rect.Width(), rect.Height()), &src.source,
             {0, 0, bitmap.Width(), bitmap.Height()}, SRCCOPY, monoDdb ? &blackOnWhite : nullptr);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect)
{
    StretchBlt(*this, dest.Left, dest.Top, int32_t(dest.Width()), int32_t(dest.Height()), &source, sourceRect.Left,
               sourceRect.Top, int32_t(sourceRect.Width()), int32_t(sourceRect.Height()), CopyMode);
}

} // namespace dw
