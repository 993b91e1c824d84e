#include "Region.h"

#include "RegionBands.h"

#include <algorithm>

namespace dw {

namespace {

int32_t clampCoord(int64_t v) { return int32_t(std::clamp<int64_t>(v, -kRegionCoordLimit, kRegionCoordLimit)); }

std::vector<TRect> qtRects(const QRegion& region)
{
    std::vector<TRect> out;
    out.reserve(size_t(region.rectCount()));
    for (const QRect& r : region)
        out.push_back(TRect::fromQRect(r));
    return out;
}

} // namespace

TRegion::TRegion(const QRegion& region) : m_region(region) {}

TRegion TRegion::fromRects(std::span<const TRect> rects)
{
    std::vector<TRect> clean;
    clean.reserve(rects.size());
    for (TRect r : rects) {
        r = {clampCoord(r.Left), clampCoord(r.Top), clampCoord(r.Right), clampCoord(r.Bottom)};
        if (!r.isEmpty())
            clean.push_back(r);
    }
    return TRegion(bands::regionOf(clean));
}

TRect TRegion::boundingBox() const { return TRect::fromQRect(m_region.boundingRect()); }

std::vector<TRect> TRegion::rects() const
{
    if (m_region.rectCount() <= 1)
        return m_region.isEmpty() ? std::vector<TRect>{} : std::vector<TRect>{boundingBox()};
    return bands::canonical(qtRects(m_region));
}

TRegionKind TRegion::kind() const
{
    if (m_region.isEmpty())
        return NULLREGION;
    if (m_region.rectCount() == 1)
        return SIMPLEREGION;
    return rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool operator==(const TRegion& a, const TRegion& b)
{
    if (a.m_region.boundingRect() != b.m_region.boundingRect())
        return false;
    return (a.m_region ^ b.m_region).isEmpty();
}

TRegion CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    const TRect r{clampCoord(std::min(left, right)), clampCoord(std::min(top, bottom)),
                  clampCoord(std::max(left, right)), clampCoord(std::max(top, bottom))};
    return r.isEmpty() ? TRegion() : TRegion(QRegion(r.toQRect()));
}

TRegion CreateRectRgnIndirect(const TRect& rect) { return CreateRectRgn(rect.Left, rect.Top, rect.Right, rect.Bottom); }

TRegion CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t ellipseWidth,
                           int32_t ellipseHeight)
{
    const int64_t l = clampCoord(std::min(left, right)), r = clampCoord(std::max(left, right));
    const int64_t t = clampCoord(std::min(top, bottom)), b = clampCoord(std::max(top, bottom));
    if (l == r || t == b)
        return TRegion();
    const int64_t rx = std::min<int64_t>(std::abs(int64_t(ellipseWidth)), r - l);
    const int64_t ry = std::min<int64_t>(std::abs(int64_t(ellipseHeight)), b - t);
    if (rx < 2 || ry < 2)
        return CreateRectRgn(int32_t(l), int32_t(t), int32_t(r), int32_t(b));

    bands::BandBuilder builder;
    for (int64_t y = t; y < b; ++y) {
        int64_t first = 0, last = 0;
        bands::roundRectRow(l, t, r, b, rx, ry, y, first, last);
        builder.beginBand(int32_t(y), int32_t(y + 1));
        if (first < last)
            builder.addSpan(int32_t(first), int32_t(last));
        builder.endBand();
    }
    return TRegion(builder.toQRegion());
}

int CombineRgn(TRegion& dest, const TRegion& src1, const TRegion& src2, int mode)
{
    const QRegion& a = src1.qregion();
    const QRegion& b = src2.qregion();
    QRegion result;
    switch (mode) {
    case RGN_AND: result = a & b; break;
    case RGN_OR: result = a | b; break;
    case RGN_XOR: result = a ^ b; break;
    case RGN_DIFF: result = a - b; break;
    case RGN_COPY: result = a; break;
    default: return ERROR;
    }
    dest = TRegion(result);
    return dest.kind();
}

int OffsetRgn(TRegion& region, int32_t dx, int32_t dy)
{
    if (region.isEmpty())
        return NULLREGION;
    const TRect box = region.boundingBox();
    const auto inRange = [](int64_t v) { return v >= -kRegionCoordLimit && v <= kRegionCoordLimit; };
    if (!inRange(int64_t(box.Left) + dx) || !inRange(int64_t(box.Right) + dx) || !inRange(int64_t(box.Top) + dy)
        || !inRange(int64_t(box.Bottom) + dy))
        return ERROR;
    region = TRegion(region.qregion().translated(dx, dy));
    return region.kind();
}

int GetRgnBox(const TRegion& region, TRect* box)
{
    if (box)
        *box = region.boundingBox();
    return region.kind();
}

bool PtInRegion(const TRegion& region, int32_t x, int32_t y) { return region.contains({x, y}); }

bool EqualRgn(const TRegion& a, const TRegion& b) { return a == b; }

} // namespace dw
