#include "ClockShape.h"

#include "platform/ByteOrder.h"
#include "platform/Dib.h"
#include "platform/FrameworkError.h"

#include <QImage>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dw {

namespace {

// Appends one rectangle (left, top, right, bottom) of the region data.
void appendRect(std::vector<uint8_t>& data, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    const size_t at = data.size();
    data.resize(at + 16);
    writeLE32s(&data[at], left);
    writeLE32s(&data[at + 4], top);
    writeLE32s(&data[at + 8], right);
    writeLE32s(&data[at + 12], bottom);
}

// Region data being gathered: the header, then the runs as they are found, rows from the top.
class RunData {
public:
    RunData(int32_t width, int32_t height) : m_data(kRgnDataHeaderSize, 0)
    {
        writeLE32(&m_data[0], kRgnDataHeaderSize);
        writeLE32(&m_data[4], RDH_RECTANGLES);
        // m_data[8] count and m_data[12] size hint stay 0 until the end.
        writeLE32s(&m_data[16], 0);
        writeLE32s(&m_data[20], 0);
        writeLE32s(&m_data[24], width);
        writeLE32s(&m_data[28], height);
    }
    void run(int32_t left, int32_t y, int32_t right)
    {
        appendRect(m_data, left, y, right, y + 1);
        ++m_count;
    }
    std::vector<uint8_t> finish()
    {
        writeLE32(&m_data[8], m_count);
        return std::move(m_data);
    }

private:
    std::vector<uint8_t> m_data;
    uint32_t m_count = 0;
};

// The runs of one 24-bit row's pixels that are not the key (its three bytes as stored). With
// SSE2, sixteen pixels (48 bytes) are compared at a time against the key repeated: the pixels
// whose three bytes all match are the key's; a group all of one kind is taken at once.
void runsOf24BitRow(RunData& runs, const uint8_t* row, int32_t width, int32_t y, const uint8_t key[3])
{
    int32_t start = -1; // first pixel of the open run
    const auto pixel = [&](int32_t x, bool transparent) {
        if (!transparent) {
            if (start < 0)
                start = x;
        } else if (start >= 0) {
            runs.run(start, y, x);
            start = -1;
        }
    };
    int32_t x = 0;
#if defined(__SSE2__)
    alignas(16) uint8_t repeated[48];
    for (int i = 0; i < 48; ++i)
        repeated[i] = key[i % 3];
    const __m128i k0 = _mm_load_si128(reinterpret_cast<const __m128i*>(repeated));
    const __m128i k1 = _mm_load_si128(reinterpret_cast<const __m128i*>(repeated + 16));
    const __m128i k2 = _mm_load_si128(reinterpret_cast<const __m128i*>(repeated + 32));
    constexpr uint64_t kFirstBytes = 0x249249249249ull; // bit 3i for pixel i
    for (; width - x >= 16; x += 16) {
        const auto* p = reinterpret_cast<const __m128i*>(row + 3 * int64_t(x));
        const uint64_t same = uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(p), k0))))
                              | uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(p + 1), k1)))) << 16
                              | uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(p + 2), k2)))) << 32;
        const uint64_t keyed = same & (same >> 1) & (same >> 2) & kFirstBytes;
        if (keyed == 0) {
            if (start < 0)
                start = x;
        } else if (keyed == kFirstBytes) {
            if (start >= 0)
                runs.run(start, y, x);
            start = -1;
        } else {
            for (int i = 0; i < 16; ++i)
                pixel(x + i, (keyed >> (3 * i)) & 1);
        }
    }
#endif
    for (; x < width; ++x) {
        const uint8_t* p = row + 3 * int64_t(x);
        pixel(x, p[0] == key[0] && p[1] == key[1] && p[2] == key[2]);
    }
    if (start >= 0)
        runs.run(start, y, width);
}

std::optional<TRegion> regionOf(const std::vector<uint8_t>& data)
{
    if (data.empty())
        return std::nullopt;
    return ExtCreateRegion(nullptr, uint32_t(data.size()), data.data());
}

std::optional<TRegion> nonEmpty(std::optional<TRegion> region)
{
    if (region && region->isEmpty())
        return std::nullopt;
    return region;
}

} // namespace

std::vector<uint8_t> bitmapRegionData(TBitmap& bitmap, TColor transparentColor)
{
    if (bitmap.Empty())
        return {};
    const int32_t width = bitmap.Width();
    const int32_t height = bitmap.Height();

    RunData runs(width, height);
    // The mask: pixels of the transparent colour white (bit 1), all others black (bit 0), one
    // bit per pixel from the most significant bit. A black bit is what a zero word of the
    // 15-bit form would be; reading the bits directly gives the same runs without the copy.
    bitmap.Mask(transparentColor);
    const QImage& mask = bitmap.image();
    for (int32_t y = 0; y < height; ++y) {
        const uchar* row = mask.constScanLine(y);
        int32_t start = -1; // first black pixel of the open run
        for (int32_t x = 0; x < width; ++x) {
            const bool black = (row[x >> 3] & (0x80 >> (x & 7))) == 0;
            if (black) {
                if (start < 0)
                    start = x;
            } else if (start >= 0) {
                runs.run(start, y, x);
                start = -1;
            }
        }
        if (start >= 0)
            runs.run(start, y, width);
    }
    return runs.finish();
}

std::optional<TRegion> BitmapToRgn(TBitmap& bitmap, TColor transparentColor)
{
    return regionOf(bitmapRegionData(bitmap, transparentColor));
}

int32_t roundRectCorner(int32_t size, int32_t position, int32_t maximum)
{
    if (maximum <= 0)
        return 0;
    return int32_t((int64_t(size) * position + maximum / 2) / maximum);
}

std::optional<TRegion> roundRectShape(int32_t width, int32_t height, int32_t rx, int32_t ry)
{
    if (int64_t(rx) * ry == 0)
        return std::nullopt;
    return CreateRoundRectRgn(0, 0, width, height, rx, ry);
}

TColor cutOutColor(const TBitmap& dial)
{
    if (dial.PixelFormat() == pf1bit)
        return clWhite;
    return dial.pixel(0, dial.Height() - 1);
}

std::optional<TRegion> dialCutOutShape(TBitmap& dial)
{
    if (dial.Empty())
        return std::nullopt;
    const TColor transparent = cutOutColor(dial);
    return nonEmpty(BitmapToRgn(dial, transparent));
}

std::optional<TRegion> dialCutOutShapeOfFile(const uint8_t* bytes, int64_t size)
{
    const std::optional<TDib> dib = bytes && size > 0 ? TDib::fromFileImage(bytes, size_t(size)) : std::nullopt;
    if (dib && dib->bitCount() == 24) {
        // The bottom-left pixel's colour is cut out: its bytes are compared as the rows hold them.
        const int32_t width = dib->width(), height = dib->height();
        const uint8_t* corner = dib->rowFromTop(height - 1);
        const uint8_t key[3] = {corner[0], corner[1], corner[2]};
        RunData runs(width, height);
        for (int32_t y = 0; y < height; ++y)
            runsOf24BitRow(runs, dib->rowFromTop(y), width, y, key);
        return nonEmpty(regionOf(runs.finish()));
    }
    TBitmap dial;
    try {
        dial.LoadFromMemory(bytes, size);
    } catch (const EFrameworkError&) {
        return std::nullopt;
    }
    return dialCutOutShape(dial);
}

std::optional<TRegion> maskShape(TBitmap& mask)
{
    if (mask.Empty())
        return std::nullopt;
    mask.SetMonochrome(true);
    return nonEmpty(BitmapToRgn(mask, clWhite));
}

TRegion keptShape(const std::optional<TRegion>& shape) { return shape ? *shape : TRegion(); }

} // namespace dw
