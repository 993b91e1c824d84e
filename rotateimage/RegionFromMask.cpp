#include "RegionFromMask.h"

#include "DibFormat.h"

#include "platform/ByteOrder.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace dw {

namespace {

static_assert(std::endian::native == std::endian::little, "the run scan reads mask bytes as little-endian words");

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

inline uint64_t load64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// The first x ≥ from with row[x] == 0 (opaque), or w.
inline int64_t nextOpaque(const uint8_t* row, int64_t x, int64_t w)
{
    for (; x + 8 <= w; x += 8) {
        const uint64_t v = load64(row + x);
        // The lowest marked byte is exactly the first zero byte of the word.
        const uint64_t zero = (v - kOnes) & ~v & kHighs;
        if (zero)
            return x + std::countr_zero(zero) / 8;
    }
    while (x < w && row[x])
        ++x;
    return x;
}

// The first x ≥ from with row[x] != 0 (transparent), or w.
inline int64_t nextTransparent(const uint8_t* row, int64_t x, int64_t w)
{
    for (; x + 8 <= w; x += 8) {
        const uint64_t v = load64(row + x);
        if (v)
            return x + std::countr_zero(v) / 8;
    }
    while (x < w && !row[x])
        ++x;
    return x;
}

// Region data grown as rectangles are added: header first, the count written at the end.
class RegionDataBuilder {
public:
    RegionDataBuilder(int32_t w, int32_t h) : m_data(4096)
    {
        writeLE32(m_data.data(), kRgnDataHeaderSize);
        writeLE32(m_data.data() + 4, RDH_RECTANGLES);
        setBounds({0, 0, w, h});
    }
    void add(int32_t left, int32_t top, int32_t right, int32_t bottom)
    {
        if (m_used + 16 > m_data.size())
            m_data.resize(m_data.size() * 2);
        uint8_t* p = m_data.data() + m_used;
        writeLE32s(p, left);
        writeLE32s(p + 4, top);
        writeLE32s(p + 8, right);
        writeLE32s(p + 12, bottom);
        m_used += 16;
        ++m_count;
    }
    int64_t count() const { return m_count; }
    TRect rect(int64_t i) const
    {
        const uint8_t* p = m_data.data() + kRgnDataHeaderSize + 16 * i;
        return {readLE32s(p), readLE32s(p + 4), readLE32s(p + 8), readLE32s(p + 12)};
    }
    void setRect(int64_t i, const TRect& r)
    {
        uint8_t* p = m_data.data() + kRgnDataHeaderSize + 16 * i;
        writeLE32s(p, r.Left);
        writeLE32s(p + 4, r.Top);
        writeLE32s(p + 8, r.Right);
        writeLE32s(p + 12, r.Bottom);
    }
    TRect bounds() const
    {
        const uint8_t* p = m_data.data() + 16;
        return {readLE32s(p), readLE32s(p + 4), readLE32s(p + 8), readLE32s(p + 12)};
    }
    void setBounds(const TRect& r)
    {
        uint8_t* p = m_data.data() + 16;
        writeLE32s(p, r.Left);
        writeLE32s(p + 4, r.Top);
        writeLE32s(p + 8, r.Right);
        writeLE32s(p + 12, r.Bottom);
    }
    // The finished data: the count in the header (the size hint stays 0).
    uint8_t* finish()
    {
        writeLE32(m_data.data() + 8, uint32_t(m_count));
        return m_data.data();
    }
    size_t size() const { return m_used; }

private:
    std::vector<uint8_t> m_data;
    size_t m_used = kRgnDataHeaderSize;
    int64_t m_count = 0;
};

// A rectangle in device coordinates, corners put in order (a mirroring mapping swaps them).
TRect toDevice(const TCanvas& dc, const TRect& r)
{
    TPoint p[2] = {{r.Left, r.Top}, {r.Right, r.Bottom}};
    LPtoDP(dc, p, 2);
    return {std::min(p[0].X, p[1].X), std::min(p[0].Y, p[1].Y), std::max(p[0].X, p[1].X), std::max(p[0].Y, p[1].Y)};
}

} // namespace

std::optional<TRegion> CreateRegionChunked(const XFORM* transform, uint8_t* data, size_t size)
{
    if (!data || size < kRgnDataHeaderSize)
        return std::nullopt;
    const uint32_t count = readLE32(data + 8);
    if (count == 0 || kRgnDataHeaderSize + uint64_t(count) * 16 > size)
        return std::nullopt;
    uint8_t header[kRgnDataHeaderSize];
    std::memcpy(header, data, sizeof header);
    TRegion result;
    for (uint64_t first = 0; first < count; first += kRegionChunkRects) {
        const uint32_t n = uint32_t(std::min<uint64_t>(kRegionChunkRects, count - first));
        // The header goes over the last two rectangles of the previous chunk, already used.
        uint8_t* chunk = data + first * 16;
        std::memcpy(chunk, header, sizeof header);
        writeLE32(chunk + 8, n);
        const std::optional<TRegion> part = ExtCreateRegion(transform, kRgnDataHeaderSize + 16 * n, chunk);
        if (!part)
            return std::nullopt;
        CombineRgn(result, result, *part, RGN_OR);
    }
    return result;
}

std::optional<TRegion> MaskToRegion(const XFORM* transform, const TMemoryStream& mask, const TCanvas* deviceContext)
{
    const std::optional<DibView> view = DibView::of(mask);
    if (!view || view->bitCount != 8)
        return std::nullopt;
    const int32_t w = view->width, h = view->height;
    RegionDataBuilder data(w, h);
    bool tooMany = false;
    for (int32_t y = 0; y < h && !tooMany; ++y) {
        const uint8_t* row = view->pixels + int64_t(h - 1 - y) * view->rowSize;
        int64_t x = nextOpaque(row, 0, w);
        while (x < w) {
            const int64_t end = nextTransparent(row, x, w);
            if (data.count() == kMaxMaskRegionRects) {
                tooMany = true;
                break;
            }
            data.add(int32_t(x), y, int32_t(end), y + 1);
            x = nextOpaque(row, end, w);
        }
    }
    if (deviceContext && !tooMany) {
        data.setBounds(toDevice(*deviceContext, data.bounds()));
        const bool printer = GetDeviceCaps(*deviceContext, TECHNOLOGY) == DT_RASPRINTER;
        for (int64_t i = 0; i < data.count(); ++i) {
            TRect r = toDevice(*deviceContext, data.rect(i));
            // Printers bleed: runs are drawn one device pixel narrower at each end. Corners
            // saturated at the ends of the 32-bit range stay there (a picture placed far beyond
            // the device, as the print test PrintingFarBeyondTheDeviceRangeStaysInRange does).
            if (printer) {
                r.Left = int32_t(std::min<int64_t>(int64_t(r.Left) + 1, INT32_MAX));
                r.Right = int32_t(std::max<int64_t>(int64_t(r.Right) - 1, INT32_MIN));
            }
            data.setRect(i, r);
        }
    }
    if (!tooMany) {
        uint8_t* bytes = data.finish();
        if (std::optional<TRegion> region = ExtCreateRegion(transform, uint32_t(data.size()), bytes))
            return region;
        if (std::optional<TRegion> region = CreateRegionChunked(transform, bytes, data.size()))
            return region;
    }
    const TRect box = deviceContext ? toDevice(*deviceContext, TRect{0, 0, w, h}) : TRect{0, 0, w, h};
    return CreateRectRgnIndirect(box);
}

} // namespace dw
