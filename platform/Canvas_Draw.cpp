// The canvas's figures: lines, rectangles, ellipses, fills and single pixels.

#include "Canvas.h"

#include "PixelSurface.h"
#include "RegionBands.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace dw {

namespace {

constexpr uint8_t kPatCopy = 0xF0;

__extension__ typedef __int128 int128;

// One drawing operation on a canvas: the surface, its clip area and the colours in device
// values. Reports the change to the canvas's bitmap when something was written.
class Target {
public:
    explicit Target(TCanvas& canvas) : m_canvas(canvas)
    {
        canvas.realize();
        if (QImage* image = CanvasAccess::image(canvas)) {
            m_surface.emplace(*image, CanvasAccess::monoDdb(canvas));
            m_clip.emplace(CanvasAccess::clipRects(canvas));
        }
    }
    ~Target()
    {
        if (m_wrote)
            CanvasAccess::changed(m_canvas);
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    bool ok() const { return m_surface && !m_clip->empty(); }
    uint32_t value(TColor color) const { return m_surface->deviceValue(px::rgbOfColor(color)); }
    uint32_t valueOfRgb(uint32_t platformRgb) const
    {
        return m_surface->deviceValue(px::rgbOfColor(TColor(platformRgb & 0xFFFFFF)));
    }

    // [x0, x1) of row y, within the clip, combined with one value.
    void span(int32_t y, int32_t x0, int32_t x1, uint32_t value, uint8_t rop)
    {
        m_clip->forEach(y, x0, x1, [&](int32_t a, int32_t b) {
            m_row.resize(size_t(b - a));
            m_surface->fetch(y, a, b - a, m_row.data());
            for (uint32_t& d : m_row)
                d = px::rop3(rop, value, 0, d);
            m_surface->store(y, a, b - a, m_row.data());
            m_wrote = true;
        });
    }

    // [x0, x1) of row y filled with a brush: a solid colour, or the hatch in the brush colour
    // over the background colour (opaque background) or over the pixels as they are.
    void brushSpan(int32_t y, int32_t x0, int32_t x1, const TBrush& brush, uint8_t rop)
    {
        if (brush.Style == bsClear)
            return;
        const uint32_t fg = value(brush.Color);
        if (brush.Style == bsSolid) {
            span(y, x0, x1, fg, rop);
            return;
        }
        const TCanvas::State& s = m_canvas.state();
        const bool opaque = s.bkMode == OPAQUE;
        const uint32_t bg = valueOfRgb(s.bkColor);
        m_clip->forEach(y, x0, x1, [&](int32_t a, int32_t b) {
            m_row.resize(size_t(b - a));
            m_surface->fetch(y, a, b - a, m_row.data());
            for (int32_t x = a; x < b; ++x) {
                uint32_t& d = m_row[size_t(x - a)];
                if (px::hatchBit(brush.Style, x, y))
                    d = px::rop3(rop, fg, 0, d);
                else if (opaque)
                    d = px::rop3(rop, bg, 0, d);
            }
            m_surface->store(y, a, b - a, m_row.data());
            m_wrote = true;
        });
    }

    void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, const TBrush& brush, uint8_t rop)
    {
        const TRect b = m_clip->bounds();
        for (int32_t y = std::max(top, b.Top); y < std::min(bottom, b.Bottom); ++y)
            brushSpan(y, left, right, brush, rop);
    }

    // A cosmetic line from a to b, b not included; the pen style's phase runs on in phase.
    void line(TPoint a, TPoint b, const TPen& pen, int& phase)
    {
        if (pen.Style == psClear)
            return;
        static const int dash[] = {18, 6}, dot[] = {3, 3}, dashDot[] = {9, 6, 3, 6}, dashDotDot[] = {9, 3, 3, 3, 3, 3};
        const int* pattern = nullptr;
        int parts = 0;
        switch (pen.Style) {
        case psDash: pattern = dash, parts = 2; break;
        case psDot: pattern = dot, parts = 2; break;
        case psDashDot: pattern = dashDot, parts = 4; break;
        case psDashDotDot: pattern = dashDotDot, parts = 6; break;
        default: break;
        }
        int cycle = 0;
        for (int i = 0; i < parts; ++i)
            cycle += pattern[i];
        const uint8_t rop = px::ropOfPenMode(pen.Mode);
        const uint32_t fg = value(pen.Color);
        const TCanvas::State& s = m_canvas.state();
        const uint32_t bg = valueOfRgb(s.bkColor);
        const bool opaque = s.bkMode == OPAQUE;

        const int64_t dx = int64_t(b.X) - a.X, dy = int64_t(b.Y) - a.Y;
        const int64_t steps = std::max(std::abs(dx), std::abs(dy));
        const TRect bounds = m_clip->bounds();
        // Only the steps near the clip bounds are walked (a line may be 2^32 pixels long);
        // the range is widened a little and every pixel is still tested exactly.
        int64_t lo = 0, hi = steps;
        const auto narrow = [&](int64_t start, int64_t delta, int64_t minV, int64_t maxV) {
            if (delta == 0) {
                if (start < minV || start >= maxV)
                    hi = lo;
                return;
            }
            double t0 = (double(minV) - double(start) - 1) * double(steps) / double(delta);
            double t1 = (double(maxV) - double(start) + 1) * double(steps) / double(delta);
            if (t0 > t1)
                std::swap(t0, t1);
            lo = std::max<int64_t>(lo, int64_t(std::max(std::floor(t0), -1.0)) - 1);
            hi = std::min<int64_t>(hi, int64_t(std::min(std::ceil(t1), double(steps))) + 2);
        };
        narrow(a.X, dx, bounds.Left, bounds.Right);
        narrow(a.Y, dy, bounds.Top, bounds.Bottom);
        lo = std::max<int64_t>(lo, 0);
        hi = std::min(hi, steps);
        const int phase0 = phase;
        if (cycle)
            phase = int((phase0 + steps) % cycle);
        for (int64_t i = lo; i < hi; ++i) {
            // Nearest pixel to the exact line, halves rounded upwards.
            const int64_t x = a.X + int64_t(floorDiv(2 * int128(i) * dx + steps, 2 * int128(steps)));
            const int64_t y = a.Y + int64_t(floorDiv(2 * int128(i) * dy + steps, 2 * int128(steps)));
            bool on = true;
            if (pattern) {
                int at = int((phase0 + i) % cycle);
                int part = 0;
                while (at >= pattern[part])
                    at -= pattern[part++];
                on = part % 2 == 0;
            }
            if (x < bounds.Left || x >= bounds.Right || y < bounds.Top || y >= bounds.Bottom)
                continue;
            if (on)
                span(int32_t(y), int32_t(x), int32_t(x) + 1, fg, rop);
            else if (opaque)
                span(int32_t(y), int32_t(x), int32_t(x) + 1, bg, rop);
        }
    }

private:
    static int128 floorDiv(int128 n, int128 d) { return n >= 0 ? n / d : -((-n + d - 1) / d); }

    TCanvas& m_canvas;
    std::optional<px::Surface> m_surface;
    std::optional<px::ClipSpans> m_clip;
    std::vector<uint32_t> m_row;
    bool m_wrote = false;
};

TRect deviceRect(const TCanvas& c, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    const TPoint a = c.toDevice({left, top}), b = c.toDevice({right, bottom});
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

} // namespace

void TCanvas::MoveTo(int32_t x, int32_t y)
{
    m_penPos = {x, y};
    m_penPhase = 0;
}

void TCanvas::LineTo(int32_t x, int32_t y)
{
    Target t(*this);
    if (t.ok())
        t.line(toDevice(m_penPos), toDevice({x, y}), Pen, m_penPhase);
    m_penPos = {x, y};
}

void TCanvas::Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    Target t(*this);
    const TRect r = deviceRect(*this, left, top, right, bottom);
    if (!t.ok() || r.isEmpty())
        return;
    const uint8_t rop = px::ropOfPenMode(Pen.Mode);
    if (Pen.Style == psClear) {
        t.fillRect(r.Left, r.Top, r.Right, r.Bottom, Brush, rop);
        return;
    }
    if (r.Width() <= 2 || r.Height() <= 2) {
        // Nothing inside the outline: every pixel is outline, drawn once.
        const TBrush pen{Pen.Color, bsSolid};
        t.fillRect(r.Left, r.Top, r.Right, r.Bottom, pen, rop);
        return;
    }
    t.fillRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1, Brush, rop);
    // The outline as one closed path, so that each pixel is drawn once and the style runs on.
    int phase = 0;
    const TPoint corners[5] = {
        {r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left, r.Bottom - 1}, {r.Left, r.Top}};
    for (int i = 0; i < 4; ++i)
        t.line(corners[i], corners[i + 1], Pen, phase);
}

void TCanvas::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    Target t(*this);
    // Within the region coordinate range, so that the pixel rule's products stay exact.
    const auto lim = [](int32_t v) { return std::clamp(v, -kRegionCoordLimit, kRegionCoordLimit); };
    TRect r = deviceRect(*this, left, top, right, bottom);
    r = {lim(r.Left), lim(r.Top), lim(r.Right), lim(r.Bottom)};
    if (!t.ok() || r.isEmpty())
        return;
    const uint8_t rop = px::ropOfPenMode(Pen.Mode);
    const int64_t w = r.Width(), h = r.Height();
    const auto row = [&](int64_t y, int64_t& first, int64_t& last) {
        first = last = 0;
        if (y < r.Top || y >= r.Bottom)
            return;
        if (w < 2 || h < 2) {
            first = r.Left, last = r.Right;
            return;
        }
        bands::roundRectRow(r.Left, r.Top, r.Right, r.Bottom, w, h, y, first, last);
    };
    const TBrush pen{Pen.Color, bsSolid};
    const bool outline = Pen.Style != psClear;
    for (int64_t y = std::max(r.Top, 0); y < std::min(r.Bottom, surfaceHeight()); ++y) {
        int64_t a, b, au, bu, ad, bd;
        row(y, a, b);
        if (a >= b)
            continue;
        if (!outline) {
            t.brushSpan(int32_t(y), int32_t(a), int32_t(b), Brush, rop);
            continue;
        }
        row(y - 1, au, bu);
        row(y + 1, ad, bd);
        // Inside: pixels whose four neighbours all belong to the ellipse.
        const int64_t il = std::max({a + 1, au, ad}), ir = std::min({b - 1, bu, bd});
        if (il >= ir) {
            t.brushSpan(int32_t(y), int32_t(a), int32_t(b), pen, rop);
            continue;
        }
        t.brushSpan(int32_t(y), int32_t(a), int32_t(il), pen, rop);
        t.brushSpan(int32_t(y), int32_t(il), int32_t(ir), Brush, rop);
        t.brushSpan(int32_t(y), int32_t(ir), int32_t(b), pen, rop);
    }
}

void TCanvas::FillRect(const TRect& rect)
{
    Target t(*this);
    const TRect r = deviceRect(*this, rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (t.ok() && !r.isEmpty())
        t.fillRect(r.Left, r.Top, r.Right, r.Bottom, Brush, kPatCopy);
}

TColor TCanvas::Pixel(int32_t x, int32_t y)
{
    QImage* image = surface();
    const TPoint d = toDevice({x, y});
    if (!image || d.X < 0 || d.Y < 0 || d.X >= image->width() || d.Y >= image->height())
        return -1;
    if (m_state.clip && !m_state.clip->contains(d))
        return -1;
    uint32_t c = 0;
    px::Surface(static_cast<const QImage&>(*image), surfaceIsMonoDdb()).fetch(d.Y, d.X, 1, &c);
    return px::colorOfRgb(c);
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color)
{
    Target t(*this);
    const TPoint d = toDevice({x, y});
    if (t.ok())
        t.span(d.Y, d.X, d.X + 1, t.value(color), kPatCopy);
}

} // namespace dw
