#include "PixelSurface.h"

#include <algorithm>

namespace dw::px {

namespace {

uint32_t expand5(uint32_t v) { return v << 3 | v >> 2; }
uint32_t expand6(uint32_t v) { return v << 2 | v >> 4; }

uint32_t from555(uint16_t w) { return expand5(w >> 10 & 31) << 16 | expand5(w >> 5 & 31) << 8 | expand5(w & 31); }
uint32_t from565(uint16_t w) { return expand5(w >> 11 & 31) << 16 | expand6(w >> 5 & 63) << 8 | expand5(w & 31); }
uint16_t to555(uint32_t c) { return uint16_t((c >> 19 & 31) << 10 | (c >> 11 & 31) << 5 | (c >> 3 & 31)); }
uint16_t to565(uint32_t c) { return uint16_t((c >> 19 & 31) << 11 | (c >> 10 & 63) << 5 | (c >> 3 & 31)); }

bool isIndexedFormat(QImage::Format f)
{
    return f == QImage::Format_Mono || f == QImage::Format_MonoLSB || f == QImage::Format_Indexed8;
}

} // namespace

Surface::Surface(QImage& image, bool monoDdb) : Surface(static_cast<const QImage&>(image), monoDdb)
{
    m_write = &image;
}

Surface::Surface(const QImage& image, bool monoDdb)
    : m_read(&image), m_write(nullptr), m_width(image.width()), m_height(image.height()), m_format(image.format())
{
    if (isIndexedFormat(m_format)) {
        m_kind = monoDdb && m_format != QImage::Format_Indexed8 ? Kind::MonoDdb : Kind::Indexed;
        for (QRgb c : image.colorTable())
            m_table.push_back(c & 0xFFFFFF);
        if (m_table.empty())
            m_table.push_back(0);
    } else {
        m_kind = Kind::Direct;
    }
}

void Surface::fetch(int32_t y, int32_t x0, int32_t n, uint32_t* out) const
{
    const uchar* row = m_read->constScanLine(y);
    const auto indexed = [&](uint32_t index) { return index < m_table.size() ? m_table[index] : 0u; };
    switch (m_format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: {
        const bool msb = m_format == QImage::Format_Mono;
        for (int32_t i = 0; i < n; ++i) {
            const int32_t x = x0 + i;
            const uint32_t bit = (msb ? row[x >> 3] >> (7 - (x & 7)) : row[x >> 3] >> (x & 7)) & 1;
            out[i] = m_kind == Kind::MonoDdb ? (bit ? 0xFFFFFFu : 0u) : indexed(bit);
        }
        return;
    }
    case QImage::Format_Indexed8:
        for (int32_t i = 0; i < n; ++i)
            out[i] = indexed(row[x0 + i]);
        return;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: {
        const QRgb* p = reinterpret_cast<const QRgb*>(row) + x0;
        for (int32_t i = 0; i < n; ++i)
            out[i] = p[i] & 0xFFFFFF;
        return;
    }
    case QImage::Format_BGR888:
        for (int32_t i = 0; i < n; ++i) {
            const uchar* p = row + 3 * size_t(x0 + i);
            out[i] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
        return;
    case QImage::Format_RGB888:
        for (int32_t i = 0; i < n; ++i) {
            const uchar* p = row + 3 * size_t(x0 + i);
            out[i] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
        return;
    case QImage::Format_RGB555:
        for (int32_t i = 0; i < n; ++i)
            out[i] = from555(reinterpret_cast<const uint16_t*>(row)[x0 + i]);
        return;
    case QImage::Format_RGB16:
        for (int32_t i = 0; i < n; ++i)
            out[i] = from565(reinterpret_cast<const uint16_t*>(row)[x0 + i]);
        return;
    default:
        for (int32_t i = 0; i < n; ++i)
            out[i] = m_read->pixel(x0 + i, y) & 0xFFFFFF;
        return;
    }
}

void Surface::fetchAt(int32_t y, const int32_t* xs, int32_t n, uint32_t* out) const
{
    const uchar* row = m_read->constScanLine(y);
    const auto indexed = [&](uint32_t index) { return index < m_table.size() ? m_table[index] : 0u; };
    switch (m_format) {
    case QImage::Format_Mono:
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t bit = row[xs[i] >> 3] >> (7 - (xs[i] & 7)) & 1;
            out[i] = m_kind == Kind::MonoDdb ? (bit ? 0xFFFFFFu : 0u) : indexed(bit);
        }
        return;
    case QImage::Format_MonoLSB:
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t bit = row[xs[i] >> 3] >> (xs[i] & 7) & 1;
            out[i] = m_kind == Kind::MonoDdb ? (bit ? 0xFFFFFFu : 0u) : indexed(bit);
        }
        return;
    case QImage::Format_Indexed8:
        for (int32_t i = 0; i < n; ++i)
            out[i] = indexed(row[xs[i]]);
        return;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        for (int32_t i = 0; i < n; ++i)
            out[i] = reinterpret_cast<const QRgb*>(row)[xs[i]] & 0xFFFFFF;
        return;
    case QImage::Format_BGR888:
    case QImage::Format_RGB888:
        for (int32_t i = 0; i < n; ++i) {
            const uchar* p = row + 3 * size_t(xs[i]);
            out[i] = m_format == QImage::Format_BGR888 ? uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]
                                                        : uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
        return;
    case QImage::Format_RGB555:
        for (int32_t i = 0; i < n; ++i)
            out[i] = from555(reinterpret_cast<const uint16_t*>(row)[xs[i]]);
        return;
    case QImage::Format_RGB16:
        for (int32_t i = 0; i < n; ++i)
            out[i] = from565(reinterpret_cast<const uint16_t*>(row)[xs[i]]);
        return;
    default:
        for (int32_t i = 0; i < n; ++i)
            out[i] = m_read->pixel(xs[i], y) & 0xFFFFFF;
        return;
    }
}

uint8_t Surface::nearestIndex(uint32_t rgb) const
{
    if (!m_cache)
        m_cache = std::make_unique<std::array<uint64_t, 1024>>(); // zero matches no colour (rgb + 1 > 0)
    uint64_t& slot = (*m_cache)[((rgb * 0x9E3779B1u) >> 22) & 1023];
    if ((slot >> 8) == uint64_t(rgb) + 1)
        return uint8_t(slot & 0xFF);
    const int r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    int best = 0;
    int bestDistance = INT32_MAX;
    const int count = std::min<int>(int(m_table.size()), m_format == QImage::Format_Indexed8 ? 256 : 2);
    for (int i = 0; i < count; ++i) {
        const uint32_t c = m_table[size_t(i)];
        const int dr = int(c >> 16 & 0xFF) - r, dg = int(c >> 8 & 0xFF) - g, db = int(c & 0xFF) - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    slot = (uint64_t(rgb) + 1) << 8 | uint64_t(best);
    return uint8_t(best);
}

void Surface::store(int32_t y, int32_t x0, int32_t n, const uint32_t* in)
{
    uchar* row = m_write->scanLine(y);
    switch (m_format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        for (int32_t i = 0; i < n; ++i) {
            const int32_t x = x0 + i;
            const uint32_t c = in[i] & 0xFFFFFF;
            const bool bit = m_kind == Kind::MonoDdb ? nearerWhite(c) : nearestIndex(c) != 0;
            const uint8_t mask = m_format == QImage::Format_Mono ? uint8_t(0x80 >> (x & 7)) : uint8_t(1 << (x & 7));
            row[x >> 3] = bit ? uint8_t(row[x >> 3] | mask) : uint8_t(row[x >> 3] & ~mask);
        }
        return;
    case QImage::Format_Indexed8:
        for (int32_t i = 0; i < n; ++i)
            row[x0 + i] = nearestIndex(in[i] & 0xFFFFFF);
        return;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        for (int32_t i = 0; i < n; ++i)
            reinterpret_cast<QRgb*>(row)[x0 + i] = 0xFF000000u | (in[i] & 0xFFFFFF);
        return;
    case QImage::Format_BGR888:
    case QImage::Format_RGB888:
        for (int32_t i = 0; i < n; ++i) {
            uchar* p = row + 3 * size_t(x0 + i);
            const uint32_t c = in[i];
            const uchar r = uchar(c >> 16), g = uchar(c >> 8), b = uchar(c);
            p[0] = m_format == QImage::Format_BGR888 ? b : r;
            p[1] = g;
            p[2] = m_format == QImage::Format_BGR888 ? r : b;
        }
        return;
    case QImage::Format_RGB555:
        for (int32_t i = 0; i < n; ++i)
            reinterpret_cast<uint16_t*>(row)[x0 + i] = to555(in[i]);
        return;
    case QImage::Format_RGB16:
        for (int32_t i = 0; i < n; ++i)
            reinterpret_cast<uint16_t*>(row)[x0 + i] = to565(in[i]);
        return;
    default:
        for (int32_t i = 0; i < n; ++i)
            m_write->setPixel(x0 + i, y, 0xFF000000u | (in[i] & 0xFFFFFF));
        return;
    }
}

uint32_t Surface::quantize(uint32_t rgb) const
{
    rgb &= 0xFFFFFF;
    switch (m_kind) {
    case Kind::MonoDdb: return nearerWhite(rgb) ? 0xFFFFFF : 0;
    case Kind::Indexed: return m_table[nearestIndex(rgb)];
    case Kind::Direct: break;
    }
    if (m_format == QImage::Format_RGB555)
        return from555(to555(rgb));
    if (m_format == QImage::Format_RGB16)
        return from565(to565(rgb));
    return rgb;
}

uint32_t Surface::deviceValue(uint32_t rgb) const
{
    rgb &= 0xFFFFFF;
    return m_kind == Kind::MonoDdb ? (nearerWhite(rgb) ? 0xFFFFFF : 0) : rgb;
}

ClipSpans::ClipSpans(std::vector<TRect> canonicalRects) : m_rects(std::move(canonicalRects))
{
    for (const TRect& r : m_rects) {
        if (m_bounds.isEmpty())
            m_bounds = r;
        else
            m_bounds = {std::min(m_bounds.Left, r.Left), std::min(m_bounds.Top, r.Top),
                        std::max(m_bounds.Right, r.Right), std::max(m_bounds.Bottom, r.Bottom)};
    }
}

size_t ClipSpans::bandOf(int32_t y) const
{
    // Rectangles are banded: sorted by top, all of a band sharing top and bottom. The first
    // rectangle whose bottom lies below y starts the band holding y, if any.
    const auto it = std::partition_point(m_rects.begin(), m_rects.end(), [y](const TRect& r) { return r.Bottom <= y; });
    return size_t(it - m_rects.begin());
}

bool ClipSpans::contains(int32_t x, int32_t y) const
{
    bool hit = false;
    forEach(y, x, x + 1, [&](int32_t, int32_t) { hit = true; });
    return hit;
}

uint32_t rop3(uint8_t index, uint32_t p, uint32_t s, uint32_t d)
{
    switch (index) {
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFFFFu;
    case 0xCC: return s;
    case 0xEE: return s | d;
    case 0x88: return s & d;
    case 0x66: return s ^ d;
    case 0x44: return s & ~d;
    case 0x33: return ~s;
    case 0x11: return ~(s | d);
    case 0xC0: return p & s;
    case 0xBB: return ~s | d;
    case 0xF0: return p;
    case 0xFB: return p | ~s | d;
    case 0x5A: return p ^ d;
    case 0x55: return ~d;
    case 0xAA: return d;
    default: break;
    }
    // Bit k of the index is the result for pattern bit k>>2, source bit (k>>1)&1 and
    // destination bit k&1.
    uint32_t r = 0;
    for (int k = 0; k < 8; ++k)
        if (index >> k & 1)
            r |= ((k & 4) ? p : ~p) & ((k & 2) ? s : ~s) & ((k & 1) ? d : ~d);
    return r;
}

uint8_t ropOfPenMode(TPenMode mode)
{
    // The platform's binary raster codes R2_BLACK (1) .. R2_WHITE (16): code − 1 is a truth
    // table with bit (P·2 + D).
    static const uint8_t r2[] = {
        1,  // pmBlack
        16, // pmWhite
        11, // pmNop
        6,  // pmNot
        13, // pmCopy
        4,  // pmNotCopy
        14, // pmMergePenNot
        5,  // pmMaskPenNot
        12, // pmMergeNotPen
        3,  // pmMaskNotPen
        15, // pmMerge
        2,  // pmNotMerge
        9,  // pmMask
        8,  // pmNotMask
        7,  // pmXor
        10, // pmNotXor
    };
    const int m = std::clamp(int(mode), 0, 15);
    const uint8_t table = uint8_t(r2[m] - 1);
    uint8_t index = 0;
    for (int k = 0; k < 8; ++k) {
        const int pBit = k >> 2 & 1, dBit = k & 1;
        if (table >> (pBit * 2 + dBit) & 1)
            index |= uint8_t(1 << k);
    }
    return index;
}

bool hatchBit(TBrushStyle style, int32_t x, int32_t y)
{
    const int32_t hx = x & 7, hy = y & 7;
    const bool forward = hx == hy;       // '\'
    const bool backward = hx + hy == 7;  // '/'
    switch (style) {
    case bsHorizontal: return hy == 7;
    case bsVertical: return hx == 7;
    case bsFDiagonal: return forward;
    case bsBDiagonal: return backward;
    case bsCross: return hx == 7 || hy == 7;
    case bsDiagCross: return forward || backward;
    default: return false;
    }
}

} // namespace dw::px
