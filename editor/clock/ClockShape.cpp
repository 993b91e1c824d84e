#include "ClockShape.h"

#include "platform/ByteOrder.h"
#include "platform/CpuFeatures.h"
#include "platform/Dib.h"
#include "platform/FrameworkError.h"

#include <QImage>

#include <algorithm>

#if DW_X86
#include <immintrin.h>
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
    // The rows were gathered from the bottom up: puts them in order from the top, the runs of
    // each row as they were.
    void rowsFromTheBottom()
    {
        const std::vector<uint8_t> rects(m_data.begin() + kRgnDataHeaderSize, m_data.end());
        size_t out = kRgnDataHeaderSize;
        for (size_t end = rects.size(); end > 0;) {
            const int32_t top = readLE32s(&rects[end - 12]);
            size_t start = end - 16;
            while (start >= 16 && readLE32s(&rects[start - 12]) == top)
                start -= 16;
            std::copy(rects.begin() + ptrdiff_t(start), rects.begin() + ptrdiff_t(end), m_data.begin() + ptrdiff_t(out));
            out += end - start;
            end = start;
        }
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

// The runs of one row being found, a pixel or a group of pixels at a time from the left.
class RowRuns {
public:
    RowRuns(RunData& runs, int32_t y) : m_runs(runs), m_y(y) {}

    void pixel(int32_t x, bool transparent)
    {
        if (!transparent) {
            if (m_start < 0)
                m_start = x;
        } else {
            close(x);
        }
    }
    // A group of pixels from x none of which is transparent.
    void opaque(int32_t x)
    {
        if (m_start < 0)
            m_start = x;
    }
    // A group of transparent pixels from x.
    void transparent(int32_t x) { close(x); }
    // Pixels x, x + 1, … x + count − 1 (count at most 21), transparent where bit 3i of keyed is
    // set for pixel i: taken a run at a time, from one change of kind to the next.
    void mixed(int32_t x, uint64_t keyed, int count)
    {
        const uint64_t pixels = 0x1249249249249249ull >> (3 * (21 - count)); // bit 3i for each pixel
        int i = 0;
        for (;;) {
            const bool transparent = (keyed >> (3 * i)) & 1;
            pixel(x + i, transparent);
            const uint64_t change = (transparent ? ~keyed : keyed) & pixels & (~uint64_t(0) << (3 * i));
            if (change == 0)
                return;
            i = __builtin_ctzll(change) / 3;
        }
    }
    void finish(int32_t width) { close(width); }

private:
    void close(int32_t x)
    {
        if (m_start >= 0)
            m_runs.run(m_start, m_y, x);
        m_start = -1;
    }

    RunData& m_runs;
    int32_t m_y;
    int32_t m_start = -1; // first pixel of the open run
};

// The key's three bytes repeated over 96 bytes (32 pixels).
struct RepeatedKey {
    explicit RepeatedKey(const uint8_t key[3])
    {
        for (int i = 0; i < 96; ++i)
            bytes[i] = key[i % 3];
    }
    alignas(32) uint8_t bytes[96];
};

#if DW_X86
// Thirty-two pixels (96 bytes) at a time, while whole groups of them are left: compared
// against the key repeated, a group whose bytes all match is the key's, one where no byte
// matches has none of it, and any other is taken pixel by pixel (all three bytes matching).
// Returns the first pixel not taken.
__attribute__((target("avx2"))) int32_t keyedGroupsAvx2(RowRuns& row, const uint8_t* bytes, int32_t width,
                                                       const RepeatedKey& repeated)
{
    const __m256i k0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(repeated.bytes));
    const __m256i k1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(repeated.bytes + 32));
    const __m256i k2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(repeated.bytes + 64));
    int32_t x = 0;
    const __m256i ones = _mm256_set1_epi8(-1);
    for (; width - x >= 32; x += 32) {
        const auto* p = reinterpret_cast<const __m256i*>(bytes + 3 * int64_t(x));
        const __m256i e0 = _mm256_cmpeq_epi8(_mm256_loadu_si256(p), k0);
        const __m256i e1 = _mm256_cmpeq_epi8(_mm256_loadu_si256(p + 1), k1);
        const __m256i e2 = _mm256_cmpeq_epi8(_mm256_loadu_si256(p + 2), k2);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(e0, e1), e2);
        if (_mm256_testz_si256(any, any)) {
            row.opaque(x);
        } else if (_mm256_testc_si256(_mm256_and_si256(_mm256_and_si256(e0, e1), e2), ones)) {
            row.transparent(x);
        } else {
            // Pixels 0 to 20 from bytes 0 to 62 (bit 3i of the first word for pixel i), pixels
            // 21 to 31 from bytes 63 to 95.
            const uint64_t low = uint64_t(uint32_t(_mm256_movemask_epi8(e0))) | uint64_t(uint32_t(_mm256_movemask_epi8(e1))) << 32;
            const uint64_t high = (low >> 63) | uint64_t(uint32_t(_mm256_movemask_epi8(e2))) << 1;
            row.mixed(x, low & (low >> 1) & (low >> 2) & 0x1249249249249249ull, 21);
            row.mixed(x + 21, high & (high >> 1) & (high >> 2) & 0x49249249ull, 11);
        }
    }
    return x;
}
#endif

// The runs of one 24-bit row's pixels that are not the key (its three bytes as stored). With
// AVX2, 32 pixels at a time (keyedGroupsAvx2); with SSE2, sixteen pixels (48 bytes) are compared
// at a time against the key repeated: the pixels whose three bytes all match are the key's; a
// group all of one kind is taken at once.
void runsOf24BitRow(RunData& runs, const uint8_t* bytes, int32_t width, int32_t y, const RepeatedKey& repeated)
{
    RowRuns row(runs, y);
    int32_t x = 0;
#if DW_X86
    if (cpu::haveAvx2())
        x = keyedGroupsAvx2(row, bytes, width, repeated);
#endif
#if defined(__SSE2__)
    const __m128i k0 = _mm_load_si128(reinterpret_cast<const __m128i*>(repeated.bytes));
    const __m128i k1 = _mm_load_si128(reinterpret_cast<const __m128i*>(repeated.bytes + 16));
    const __m128i k2 = _mm_load_si128(reinterpret_cast<const __m128i*>(repeated.bytes + 32));
    constexpr uint64_t kFirstBytes = 0x249249249249ull; // bit 3i for pixel i
    for (; width - x >= 16; x += 16) {
        const auto* p = reinterpret_cast<const __m128i*>(bytes + 3 * int64_t(x));
        const uint64_t same = uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(p), k0))))
                              | uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(p + 1), k1)))) << 16
                              | uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(p + 2), k2)))) << 32;
        const uint64_t keyed = same & (same >> 1) & (same >> 2) & kFirstBytes;
        if (keyed == 0)
            row.opaque(x);
        else if (keyed == kFirstBytes)
            row.transparent(x);
        else
            row.mixed(x, keyed, 16);
    }
#endif
    const uint8_t* key = repeated.bytes;
    for (; x < width; ++x) {
        const uint8_t* p = bytes + 3 * int64_t(x);
        row.pixel(x, p[0] == key[0] && p[1] == key[1] && p[2] == key[2]);
    }
    row.finish(width);
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
        const RepeatedKey key(corner);
        RunData runs(width, height);
        // The rows are taken in the order the file holds them (most often from the bottom), so
        // that the bytes are read forwards, as the processor foresees.
        const bool bottomUp = height > 1 && dib->rowFromTop(0) > dib->rowFromTop(height - 1);
        for (int32_t i = 0; i < height; ++i) {
            const int32_t y = bottomUp ? height - 1 - i : i;
            runsOf24BitRow(runs, dib->rowFromTop(y), width, y, key);
        }
        if (bottomUp)
            runs.rowsFromTheBottom();
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
