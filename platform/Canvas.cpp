#include "Canvas.h"

#include "Bitmap.h"
#include "PixelSurface.h"

#include <algorithm>

namespace dw {

namespace {

__extension__ typedef __int128 int128;

int32_t saturate(int128 v) { return int32_t(std::clamp<int128>(v, INT32_MIN, INT32_MAX)); }

// num / den rounded to the nearest integer, halves upwards.
int128 roundDiv(int128 num, int128 den)
{
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const int128 n = 2 * num + den, d = 2 * den;
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}

} // namespace

HPALETTE CreatePalette(const TLogPalette& palette)
{
    if (palette.version != 0x300 || palette.entries.empty() || palette.entries.size() > 256)
        return nullptr;
    return std::make_shared<const TLogPalette>(palette);
}

HPALETTE defaultPalette()
{
    static const HPALETTE stock = [] {
        TLogPalette p;
        // The static colours of the platform's default palette (red, green, blue).
        static const uint8_t colors[20][3] = {
            {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
            {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
            {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
            {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
        };
        for (const auto& c : colors)
            p.entries.push_back({c[0], c[1], c[2], 0});
        return std::make_shared<const TLogPalette>(std::move(p));
    }();
    return stock;
}

TCanvas::TCanvas(QImage* target, TDeviceCaps caps) : CopyMode(SRCCOPY), m_target(target), m_caps(caps)
{
    resetDeviceState();
}

TCanvas::TCanvas(TBitmap* owner) : CopyMode(SRCCOPY), m_owner(owner) { resetDeviceState(); }

TCanvas::~TCanvas() = default;

void TCanvas::resetDeviceState()
{
    m_state = State{};
    m_state.palette = defaultPalette();
    m_saved.clear();
    m_penPos = {};
    m_penPhase = 0;
    m_realizedBrush = {-1, bsSolid};
    m_realizedFont = -1;
}

QImage* TCanvas::surface() const
{
    if (m_owner)
        return m_owner->Empty() ? nullptr : &m_owner->m_image;
    return m_target && !m_target->isNull() ? m_target : nullptr;
}

bool TCanvas::surfaceIsMonoDdb() const { return m_owner && m_owner->HandleType() == bmDDB; }

void TCanvas::changed()
{
    if (m_owner)
        m_owner->changed();
    else if (OnChange)
        OnChange();
}

int32_t TCanvas::surfaceWidth() const
{
    const QImage* s = surface();
    return s ? s->width() : 0;
}

int32_t TCanvas::surfaceHeight() const
{
    const QImage* s = surface();
    return s ? s->height() : 0;
}

void TCanvas::realize() const
{
    if (Brush.Color != m_realizedBrush.Color || Brush.Style != m_realizedBrush.Style) {
        const uint32_t rgb = ColorToRGB(Brush.Color);
        if (Brush.Style == bsSolid) {
            m_state.bkColor = rgb;
            m_state.bkMode = OPAQUE;
        } else {
            m_state.bkColor = ~rgb & 0xFFFFFF;
            m_state.bkMode = TRANSPARENT;
        }
        m_realizedBrush = Brush;
    }
    if (Font.Color != m_realizedFont) {
        m_state.textColor = ColorToRGB(Font.Color);
        m_realizedFont = Font.Color;
    }
}

TPoint TCanvas::toDevice(TPoint p) const
{
    const State& s = m_state;
    if (s.mapMode == MM_TEXT)
        return {saturate(int128(p.X) - s.windowOrg.X + s.viewportOrg.X),
                saturate(int128(p.Y) - s.windowOrg.Y + s.viewportOrg.Y)};
    return {saturate(roundDiv((int128(p.X) - s.windowOrg.X) * s.viewportExt.cx, s.windowExt.cx) + s.viewportOrg.X),
            saturate(roundDiv((int128(p.Y) - s.windowOrg.Y) * s.viewportExt.cy, s.windowExt.cy) + s.viewportOrg.Y)};
}

TPoint TCanvas::toLogical(TPoint p) const
{
    const State& s = m_state;
    if (s.mapMode == MM_TEXT)
        return {saturate(int128(p.X) - s.viewportOrg.X + s.windowOrg.X),
                saturate(int128(p.Y) - s.viewportOrg.Y + s.windowOrg.Y)};
    return {saturate(roundDiv((int128(p.X) - s.viewportOrg.X) * s.windowExt.cx, s.viewportExt.cx) + s.windowOrg.X),
            saturate(roundDiv((int128(p.Y) - s.viewportOrg.Y) * s.windowExt.cy, s.viewportExt.cy) + s.windowOrg.Y)};
}

TRect TCanvas::ClipRect() const
{
    TRect box;
    GetClipBox(*this, &box);
    return box;
}

QImage* TCanvas::directWordParts(const TRect& logical, TPoint& deviceTopLeft, std::vector<TRect>& parts)
{
    parts.clear();
    QImage* s = surface();
    if (!s || surfaceIsMonoDdb() || m_caps.bitsPerPixel <= 8 || m_state.mapMode != MM_TEXT || logical.isEmpty())
        return nullptr;
    const QImage::Format f = s->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    const TPoint d = toDevice({logical.Left, logical.Top});
    // Clip rectangles lie within the surface, so every piece fits 32 bits.
    const int64_t right = int64_t(d.X) + logical.Width(), bottom = int64_t(d.Y) + logical.Height();
    for (const TRect& clip : CanvasAccess::clipRects(*this)) {
        const TRect piece{int32_t(std::max<int64_t>(d.X, clip.Left)), int32_t(std::max<int64_t>(d.Y, clip.Top)),
                          int32_t(std::min<int64_t>(right, clip.Right)), int32_t(std::min<int64_t>(bottom, clip.Bottom))};
        if (!piece.isEmpty())
            parts.push_back(piece);
    }
    deviceTopLeft = d;
    return s;
}

QImage* TCanvas::directWordSurface(const TRect& logical, TPoint& deviceTopLeft)
{
    std::vector<TRect> parts;
    TPoint d;
    QImage* s = directWordParts(logical, d, parts);
    if (!s || parts.size() != 1 || parts[0].Width() != logical.Width() || parts[0].Height() != logical.Height())
        return nullptr;
    deviceTopLeft = d;
    return s;
}

std::vector<TRect> CanvasAccess::clipRects(const TCanvas& c)
{
    const QImage* s = c.surface();
    if (!s)
        return {};
    const TRect all{0, 0, s->width(), s->height()};
    if (!c.m_state.clip)
        return {all};
    return TRegion(c.m_state.clip->qregion() & all.toQRect()).rects();
}

// --- device-context functions --------------------------------------------------------------

int GetDeviceCaps(const TCanvas& dc, int index)
{
    switch (index) {
    case TECHNOLOGY: return dc.deviceCaps().technology;
    case BITSPIXEL: return dc.deviceCaps().bitsPerPixel;
    case PLANES: return 1;
    case HORZRES: return dc.surfaceWidth();
    case VERTRES: return dc.surfaceHeight();
    case LOGPIXELSX: return dc.deviceCaps().logPixelsX;
    case LOGPIXELSY: return dc.deviceCaps().logPixelsY;
    default: return 0;
    }
}

int SetMapMode(TCanvas& dc, int mode)
{
    TCanvas::State& s = CanvasAccess::state(dc);
    const int old = s.mapMode;
    if (mode == MM_TEXT) {
        s.windowExt = {1, 1};
        s.viewportExt = {1, 1};
    } else if (mode != MM_ANISOTROPIC) {
        return 0;
    }
    s.mapMode = mode;
    return old;
}

int GetMapMode(const TCanvas& dc) { return dc.state().mapMode; }

namespace {

bool setPoint(TPoint& field, TPoint value, TPoint* old)
{
    if (old)
        *old = field;
    field = value;
    return true;
}

bool setExtent(const TCanvas::State& s, TSize& field, int32_t x, int32_t y, TSize* old)
{
    if (old)
        *old = field;
    if (s.mapMode == MM_TEXT)
        return true;
    if (x == 0 || y == 0)
        return false;
    field = {x, y};
    return true;
}

} // namespace

bool SetWindowOrgEx(TCanvas& dc, int32_t x, int32_t y, TPoint* old)
{
    return setPoint(CanvasAccess::state(dc).windowOrg, {x, y}, old);
}

bool OffsetWindowOrgEx(TCanvas& dc, int32_t dx, int32_t dy, TPoint* old)
{
    TPoint& o = CanvasAccess::state(dc).windowOrg;
    return setPoint(o, {saturate(int128(o.X) + dx), saturate(int128(o.Y) + dy)}, old);
}

bool GetWindowOrgEx(const TCanvas& dc, TPoint* origin)
{
    if (origin)
        *origin = dc.state().windowOrg;
    return origin != nullptr;
}

bool SetViewportOrgEx(TCanvas& dc, int32_t x, int32_t y, TPoint* old)
{
    return setPoint(CanvasAccess::state(dc).viewportOrg, {x, y}, old);
}

bool OffsetViewportOrgEx(TCanvas& dc, int32_t dx, int32_t dy, TPoint* old)
{
    TPoint& o = CanvasAccess::state(dc).viewportOrg;
    return setPoint(o, {saturate(int128(o.X) + dx), saturate(int128(o.Y) + dy)}, old);
}

bool GetViewportOrgEx(const TCanvas& dc, TPoint* origin)
{
    if (origin)
        *origin = dc.state().viewportOrg;
    return origin != nullptr;
}

bool SetWindowExtEx(TCanvas& dc, int32_t x, int32_t y, TSize* old)
{
    TCanvas::State& s = CanvasAccess::state(dc);
    return setExtent(s, s.windowExt, x, y, old);
}

bool SetViewportExtEx(TCanvas& dc, int32_t x, int32_t y, TSize* old)
{
    TCanvas::State& s = CanvasAccess::state(dc);
    return setExtent(s, s.viewportExt, x, y, old);
}

bool GetWindowExtEx(const TCanvas& dc, TSize* extent)
{
    if (extent)
        *extent = dc.state().windowExt;
    return extent != nullptr;
}

bool GetViewportExtEx(const TCanvas& dc, TSize* extent)
{
    if (extent)
        *extent = dc.state().viewportExt;
    return extent != nullptr;
}

bool LPtoDP(const TCanvas& dc, TPoint* points, int count)
{
    if (!points || count < 0)
        return false;
    for (int i = 0; i < count; ++i)
        points[i] = dc.toDevice(points[i]);
    return true;
}

bool DPtoLP(const TCanvas& dc, TPoint* points, int count)
{
    if (!points || count < 0)
        return false;
    for (int i = 0; i < count; ++i)
        points[i] = dc.toLogical(points[i]);
    return true;
}

uint32_t SetTextColor(TCanvas& dc, TColor color)
{
    dc.realize();
    TCanvas::State& s = CanvasAccess::state(dc);
    const uint32_t old = s.textColor;
    s.textColor = ColorToRGB(color);
    return old;
}

uint32_t GetTextColor(const TCanvas& dc)
{
    dc.realize();
    return dc.state().textColor;
}

uint32_t SetBkColor(TCanvas& dc, TColor color)
{
    dc.realize();
    TCanvas::State& s = CanvasAccess::state(dc);
    const uint32_t old = s.bkColor;
    s.bkColor = ColorToRGB(color);
    return old;
}

uint32_t GetBkColor(const TCanvas& dc)
{
    dc.realize();
    return dc.state().bkColor;
}

int SetBkMode(TCanvas& dc, int mode)
{
    dc.realize();
    TCanvas::State& s = CanvasAccess::state(dc);
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    const int old = s.bkMode;
    s.bkMode = mode;
    return old;
}

int GetBkMode(const TCanvas& dc)
{
    dc.realize();
    return dc.state().bkMode;
}

std::optional<TRegion> GetClipRgn(const TCanvas& dc) { return dc.state().clip; }

int SelectClipRgn(TCanvas& dc, const TRegion* region)
{
    TCanvas::State& s = CanvasAccess::state(dc);
    if (!region) {
        s.clip.reset();
        return SIMPLEREGION;
    }
    s.clip = *region;
    return region->kind();
}

int ExtSelectClipRgn(TCanvas& dc, const TRegion* region, int mode)
{
    if (mode == RGN_COPY)
        return SelectClipRgn(dc, region);
    if (!region || mode < RGN_AND || mode > RGN_DIFF)
        return ERROR;
    TCanvas::State& s = CanvasAccess::state(dc);
    const TRegion current = s.clip ? *s.clip : CreateRectRgn(0, 0, dc.surfaceWidth(), dc.surfaceHeight());
    TRegion result;
    CombineRgn(result, current, *region, mode);
    s.clip = result;
    return result.kind();
}

int IntersectClipRect(TCanvas& dc, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    const TPoint a = dc.toDevice({left, top}), b = dc.toDevice({right, bottom});
    const TRegion rect = CreateRectRgn(a.X, a.Y, b.X, b.Y);
    return ExtSelectClipRgn(dc, &rect, RGN_AND);
}

int GetClipBox(const TCanvas& dc, TRect* box)
{
    const std::vector<TRect> rects = CanvasAccess::clipRects(dc);
    TRect bounds;
    for (const TRect& r : rects)
        bounds = bounds.isEmpty() ? r
                                  : TRect{std::min(bounds.Left, r.Left), std::min(bounds.Top, r.Top),
                                          std::max(bounds.Right, r.Right), std::max(bounds.Bottom, r.Bottom)};
    if (box) {
        if (bounds.isEmpty()) {
            *box = {};
        } else {
            const TPoint a = dc.toLogical({bounds.Left, bounds.Top}), b = dc.toLogical({bounds.Right, bounds.Bottom});
            *box = {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
        }
    }
    return rects.empty() ? NULLREGION : rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int SaveDC(TCanvas& dc)
{
    dc.realize();
    dc.m_saved.push_back(dc.m_state);
    return int(dc.m_saved.size());
}

bool RestoreDC(TCanvas& dc, int savedLevel)
{
    const int depth = int(dc.m_saved.size());
    const int level = savedLevel < 0 ? depth + 1 + savedLevel : savedLevel;
    if (level < 1 || level > depth)
        return false;
    dc.m_state = dc.m_saved[size_t(level - 1)];
    dc.m_saved.resize(size_t(level - 1));
    // The restored colours stand until a tool changes again.
    dc.m_realizedBrush = dc.Brush;
    dc.m_realizedFont = dc.Font.Color;
    return true;
}

HPALETTE SelectPalette(TCanvas& dc, HPALETTE palette, bool forceBackground)
{
    if (!palette)
        return nullptr;
    TCanvas::State& s = CanvasAccess::state(dc);
    HPALETTE old = s.palette;
    s.palette = std::move(palette);
    s.paletteBackground = forceBackground;
    return old;
}

unsigned RealizePalette(TCanvas& dc)
{
    const TCanvas::State& s = dc.state();
    dc.m_realized = s.palette;
    if (dc.deviceCaps().bitsPerPixel > 8 || !s.palette)
        return 0;
    return unsigned(s.palette->entries.size());
}

} // namespace dw
