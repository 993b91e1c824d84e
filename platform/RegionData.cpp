#include "Region.h"

#include "ByteOrder.h"
#include "RegionBands.h"

#include <cmath>
#include <cstring>

namespace dw {

namespace {

uint32_t g_regionDataLimit = 0;

bool inCoordRange(double v) { return v >= -kRegionCoordLimit && v <= kRegionCoordLimit; }

} // namespace

void setRegionDataLimit(uint32_t maxBytes) { g_regionDataLimit = maxBytes; }
uint32_t regionDataLimit() { return g_regionDataLimit; }

std::optional<TRegion> ExtCreateRegion(const XFORM* transform, uint32_t count, const uint8_t* data, size_t maxRects)
{
    if (!data || count < kRgnDataHeaderSize)
        return std::nullopt;
    if (g_regionDataLimit != 0 && count > g_regionDataLimit)
        return std::nullopt;
    if (readLE32(data) != kRgnDataHeaderSize || readLE32(data + 4) != RDH_RECTANGLES)
        return std::nullopt;
    const uint64_t rectCount = readLE32(data + 8);
    // The rectangles must lie within the bytes handed over (64-bit: 16 × 2^32 overflows 32).
    if (kRgnDataHeaderSize + rectCount * 16 > count)
        return std::nullopt;

    if (transform) {
        const XFORM& t = *transform;
        for (float f : {t.eM11, t.eM12, t.eM21, t.eM22, t.eDx, t.eDy})
            if (!std::isfinite(f))
                return std::nullopt;
        if (t.eM12 != 0 || t.eM21 != 0)
            return std::nullopt; // turning or shearing would make the rectangles polygons
    }

    std::vector<TRect> rects;
    rects.reserve(size_t(rectCount));
    const uint8_t* p = data + kRgnDataHeaderSize;
    for (uint64_t i = 0; i < rectCount; ++i, p += 16) {
        double l = readLE32s(p), t = readLE32s(p + 4), r = readLE32s(p + 8), b = readLE32s(p + 12);
        if (r <= l || b <= t)
            continue;
        if (transform) {
            l = std::nearbyint(l * double(transform->eM11) + double(transform->eDx));
            r = std::nearbyint(r * double(transform->eM11) + double(transform->eDx));
            t = std::nearbyint(t * double(transform->eM22) + double(transform->eDy));
            b = std::nearbyint(b * double(transform->eM22) + double(transform->eDy));
            if (r < l)
                std::swap(l, r);
            if (b < t)
                std::swap(t, b);
        }
        if (!inCoordRange(l) || !inCoordRange(t) || !inCoordRange(r) || !inCoordRange(b))
            return std::nullopt;
        if (r > l && b > t)
            rects.push_back({int32_t(l), int32_t(t), int32_t(r), int32_t(b)});
    }
    // Every coordinate is checked above, so the rectangles go to the builder as they are.
    bands::BandBuilder builder(maxRects);
    bands::build(rects, builder);
    if (builder.overflowed())
        return std::nullopt;
    return TRegion(builder.toQRegion());
}

uint32_t GetRegionData(const TRegion& region, uint32_t bufferSize, uint8_t* buffer)
{
    const std::vector<TRect> rects = region.rects();
    const uint64_t needed = kRgnDataHeaderSize + uint64_t(rects.size()) * 16;
    if (needed > UINT32_MAX)
        return 0;
    if (!buffer)
        return uint32_t(needed);
    if (bufferSize < needed)
        return 0;
    const TRect box = region.boundingBox();
    writeLE32(buffer, kRgnDataHeaderSize);
    writeLE32(buffer + 4, RDH_RECTANGLES);
    writeLE32(buffer + 8, uint32_t(rects.size()));
    writeLE32(buffer + 12, uint32_t(rects.size() * 16));
    writeLE32s(buffer + 16, box.Left);
    writeLE32s(buffer + 20, box.Top);
    writeLE32s(buffer + 24, box.Right);
    writeLE32s(buffer + 28, box.Bottom);
    uint8_t* p = buffer + kRgnDataHeaderSize;
    for (const TRect& r : rects) {
        writeLE32s(p, r.Left);
        writeLE32s(p + 4, r.Top);
        writeLE32s(p + 8, r.Right);
        writeLE32s(p + 12, r.Bottom);
        p += 16;
    }
    return uint32_t(needed);
}

std::vector<uint8_t> regionData(const TRegion& region)
{
    std::vector<uint8_t> out(GetRegionData(region, 0, nullptr));
    GetRegionData(region, uint32_t(out.size()), out.data());
    return out;
}

} // namespace dw
