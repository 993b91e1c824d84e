#include "RotateKernels.h"

#include "platform/CpuFeatures.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace dw::rotate_detail {

namespace {

inline uint32_t load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// A source index from a fixed-point value above −65536: divided by 65536, truncated toward zero.
inline int64_t sourceIndex(int64_t v) { return std::max<int64_t>(v, 0) >> 16; }

template <Process P>
inline uint32_t processed(uint32_t v, const ColorEffectTable& effect)
{
    if constexpr (P == Process::Copy)
        return v;
    else if constexpr (P == Process::Negate)
        return v ^ 0xFFFFFFu;
    else if constexpr (P == Process::Effect)
        return effect.apply(v);
    else
        return effect.apply(v) ^ 0xFFFFFFu;
}

// The scalar kernels take nonNegative segments. They copy what they need into locals: their
// byte stores could otherwise alias the segment and source fields, which the compiler would
// then reload for every pixel.
template <bool Keyed>
void sampleRow8(const Source& src, const Segment& s, int64_t dX, int64_t dY, uint8_t key, uint8_t* out,
                uint8_t* mask)
{
    const uint8_t* const pixels = src.pixels;
    const int64_t rowSize = src.rowSize, last = s.last;
    int64_t x = s.x, y = s.y;
    for (int64_t i = s.first; i <= last; ++i) {
        const uint8_t v = pixels[(y >> 16) * rowSize + (x >> 16)];
        out[i] = v;
        if constexpr (Keyed)
            mask[i] = v == key;
        x += dX;
        y += dY;
    }
}

// 24-bit pixels move as 32-bit words. A word written for a pixel also sets the first byte of
// the next one, which is written after it (in this segment or the next one of the row); the
// last pixel of a span is written as three bytes so that nothing outside the span changes.
// WordRead: the source may be read as words at every pixel (a byte follows the last pixel of
// the last row).
template <bool Keyed, Process P, bool WordRead>
void sampleRow24(const Source& src, const Segment& s, int64_t dX, int64_t dY, uint32_t key,
                 const ColorEffectTable& effect, uint8_t* out, uint8_t* mask)
{
    const uint8_t* const pixels = src.pixels;
    const int64_t rowSize = src.rowSize, first = s.first, last = s.last;
    int64_t x = s.x, y = s.y;
    auto pixel = [&](int64_t i) {
        const uint8_t* p = pixels + (y >> 16) * rowSize + 3 * (x >> 16);
        const uint32_t v = WordRead ? load32(p) & 0xFFFFFFu
                                    : uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        uint32_t o;
        if constexpr (Keyed) {
            const bool isKey = v == key;
            mask[i] = isKey;
            if constexpr (P == Process::Copy)
                o = v;
            else
                o = isKey ? v : processed<P>(v, effect);
        } else {
            o = processed<P>(v, effect);
        }
        x += dX;
        y += dY;
        return o;
    };
    for (int64_t i = first; i < last; ++i)
        store32(out + 3 * i, pixel(i));
    const uint32_t o = pixel(last);
    if (!s.endsSpan) {
        store32(out + 3 * last, o);
    } else {
        out[3 * last] = uint8_t(o);
        out[3 * last + 1] = uint8_t(o >> 8);
        out[3 * last + 2] = uint8_t(o >> 16);
    }
}

using Row24Fn = void (*)(const Source&, const Segment&, int64_t, int64_t, uint32_t, const ColorEffectTable&,
                         uint8_t*, uint8_t*);

template <bool Keyed, bool WordRead>
Row24Fn pickRow24(Process p)
{
    switch (p) {
    case Process::Copy: return sampleRow24<Keyed, Process::Copy, WordRead>;
    case Process::Negate: return sampleRow24<Keyed, Process::Negate, WordRead>;
    case Process::Effect: return sampleRow24<Keyed, Process::Effect, WordRead>;
    case Process::EffectNegate: break;
    }
    return sampleRow24<Keyed, Process::EffectNegate, WordRead>;
}

Row24Fn row24For(bool keyed, bool wordRead, Process p)
{
    return keyed ? (wordRead ? pickRow24<true, true>(p) : pickRow24<true, false>(p))
                 : (wordRead ? pickRow24<false, true>(p) : pickRow24<false, false>(p));
}

bool g_vectorKernels = true;
bool g_wideKernels = true;
bool g_uprightRows = true;

} // namespace

void setVectorKernelsEnabled(bool enabled) { g_vectorKernels = enabled; }
void setWideVectorKernelsEnabled(bool enabled) { g_wideKernels = enabled; }
void setUprightRowsEnabled(bool enabled) { g_uprightRows = enabled; }

SegmentSampler::SegmentSampler(const Source& source, int bitCount, const RotateKey& key, uint32_t colorEffect,
                               bool negative, int64_t dX, int64_t dY)
    : m_source(source)
    , m_wide(bitCount == 24)
    , m_keyed(key.kind == (bitCount == 24 ? RotateKey::Kind::Pixel : RotateKey::Kind::Index))
    , m_key(key.value)
    , m_process(colorEffect != 0 ? (negative ? Process::EffectNegate : Process::Effect)
                                 : (negative ? Process::Negate : Process::Copy))
    , m_effect(colorEffect)
    , m_dX(dX)
    , m_dY(dY)
{
    const int64_t pixelBytes = m_wide ? 3 : 1;
    const int64_t tail = source.rowSize - pixelBytes * source.width + source.bytesAfterPixels;
    m_wordRead = tail >= 1;
    // The vector kernels read a word at every sample and keep positions in 32-bit lanes, eight
    // steps at a time; effects need the scalar tables. A row's last pixel can be read as a word
    // when 3 bytes follow it: in the next row, or on the last row when the padding and what
    // follows the rows leave 3 bytes (4 − bytes per pixel).
    constexpr int64_t kLaneLimit = int64_t(1) << 27;
    m_simd = g_vectorKernels && cpu::haveAvx2() && source.width < 32768 && source.height < 32768 && std::abs(dX) < kLaneLimit
        && std::abs(dY) < kLaneLimit && (m_process == Process::Copy || m_process == Process::Negate || !m_wide);
    m_simdRows = tail >= 4 - pixelBytes ? source.height : source.height - 1;
    // Sixteen steps at a time: the steps must stay under 2^26 for the lanes.
    m_wide16 = m_simd && g_wideKernels && cpu::haveAvx512Vbmi() && std::abs(dX) < kLaneLimit / 2 && std::abs(dY) < kLaneLimit / 2;
}

bool SegmentSampler::simdCovers(const Segment& s) const
{
    if (!m_simd || s.last - s.first < 7)
        return false;
    // The rows a segment samples lie between those of its ends.
    const int64_t yLast = s.y + (s.last - s.first) * m_dY;
    return (std::max(s.y, yLast) >> 16) < m_simdRows;
}

Segment SegmentSampler::skipped(const Segment& s, int64_t n) const
{
    Segment rest = s;
    rest.first += n;
    rest.x += n * m_dX;
    rest.y += n * m_dY;
    return rest;
}

void SegmentSampler::sample(const Segment& s, uint8_t* row, uint8_t* maskRow) const
{
    if (s.first > s.last)
        return;
    if (!s.nonNegative) {
        sampleEdge(s, row, maskRow);
        return;
    }
    if (simdCovers(s)) {
        const int64_t count = s.last - s.first + 1;
        if (m_wide && m_wide16 && count >= 16) {
            // Sixteen at a time, then what is left (fewer than sixteen) eight at a time or one by one.
            const int64_t done = sampleRow24Avx512(m_source.pixels, m_source.rowSize, count, s.x, s.y, m_dX, m_dY,
                                                   m_keyed ? int64_t(m_key) : -1, m_process == Process::Negate,
                                                   row + 3 * s.first, maskRow + s.first);
            if (done > 0) {
                sample(skipped(s, done), row, maskRow);
                return;
            }
        }
        const int64_t done = m_wide
            ? sampleRow24Avx2(m_source.pixels, m_source.rowSize, count, s.x, s.y, m_dX, m_dY,
                              m_keyed ? int64_t(m_key) : -1, m_process == Process::Negate, row + 3 * s.first,
                              maskRow + s.first)
            : sampleRow8Avx2(m_source.pixels, m_source.rowSize, count, s.x, s.y, m_dX, m_dY,
                             m_keyed ? int32_t(m_key) : -1, row + s.first, maskRow + s.first);
        if (done == count)
            return;
        sampleScalar(skipped(s, done), row, maskRow);
        return;
    }
    sampleScalar(s, row, maskRow);
}

bool SegmentSampler::uprightPossible() const
{
    return g_uprightRows && m_dX == 65536 && m_dY == 0 && (!m_wide || m_process == Process::Copy);
}

void SegmentSampler::uprightRow(int64_t sourceRow, uint8_t* row, uint8_t* maskRow) const
{
    const int64_t w = m_source.width;
    const uint8_t* in = m_source.pixels + sourceRow * m_source.rowSize;
    std::memcpy(row, in, size_t(w * (m_wide ? 3 : 1)));
    if (!m_keyed)
        return;
    if (m_wide) {
        const int64_t done = m_simd && g_wideKernels && cpu::haveAvx512Vbmi() ? uprightMask24Avx512(in, w, m_key, maskRow) : 0;
        in += 3 * done;
        for (int64_t i = done; i < w; ++i, in += 3)
            maskRow[i] = (uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16) == m_key;
    } else {
        for (int64_t i = 0; i < w; ++i)
            maskRow[i] = in[i] == m_key;
    }
}

bool SegmentSampler::quarterTurnPossible() const { return m_simd && m_dX == 0 && (m_dY == 65536 || m_dY == -65536); }

bool SegmentSampler::quarterTurnFits(int64_t sourceRow, int rowStep, int64_t minColumn, int64_t count) const
{
    if (!quarterTurnPossible() || count < 8 || count % 8 != 0)
        return false;
    // Every source row the blocks read, and the bytes read past the eight pixels in it, must lie
    // inside the buffer.
    const int64_t lastRow = sourceRow + (count - 1) * rowStep;
    const Source& src = m_source;
    if (minColumn < 0 || minColumn + 8 > src.width || std::min(sourceRow, lastRow) < 0
        || std::max(sourceRow, lastRow) >= src.height)
        return false;
    const int64_t readEnd = std::max(sourceRow, lastRow) * src.rowSize + (m_wide ? 3 * minColumn + 28 : minColumn + 8);
    return readEnd <= src.rowSize * src.height + src.bytesAfterPixels;
}

void SegmentSampler::sampleQuarterTurn(int64_t sourceRow, int rowStep, int64_t minColumn, bool reversed,
                                       int64_t count, uint8_t* const outRows[8], uint8_t* const maskRows[8]) const
{
    if (m_wide)
        quarterTurn24Avx2(m_source.pixels, m_source.rowSize, sourceRow, rowStep, minColumn, reversed, count,
                          m_keyed ? int64_t(m_key) : -1, m_process == Process::Negate, outRows, maskRows);
    else
        quarterTurn8Avx2(m_source.pixels, m_source.rowSize, sourceRow, rowStep, minColumn, reversed, count,
                         m_keyed ? int32_t(m_key) : -1, outRows, maskRows);
}

void SegmentSampler::sampleScalar(const Segment& s, uint8_t* row, uint8_t* maskRow) const
{
    if (m_wide)
        row24For(m_keyed, m_wordRead, m_process)(m_source, s, m_dX, m_dY, m_key, m_effect, row, maskRow);
    else if (m_keyed)
        sampleRow8<true>(m_source, s, m_dX, m_dY, uint8_t(m_key), row, maskRow);
    else
        sampleRow8<false>(m_source, s, m_dX, m_dY, 0, row, maskRow);
}

// The few pixels at the ends of a span whose samples may be slightly negative: every case in
// one loop, three-byte reads and writes.
void SegmentSampler::sampleEdge(const Segment& s, uint8_t* out, uint8_t* mask) const
{
    const Source& src = m_source;
    int64_t x = s.x, y = s.y;
    for (int64_t i = s.first; i <= s.last; ++i, x += m_dX, y += m_dY) {
        if (!m_wide) {
            const uint8_t v = src.pixels[sourceIndex(y) * src.rowSize + sourceIndex(x)];
            out[i] = v;
            if (m_keyed)
                mask[i] = v == m_key;
            continue;
        }
        const uint8_t* p = src.pixels + sourceIndex(y) * src.rowSize + 3 * sourceIndex(x);
        const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        const bool isKey = m_keyed && v == m_key;
        if (m_keyed)
            mask[i] = isKey;
        uint32_t o = v;
        if (!isKey) {
            switch (m_process) {
            case Process::Copy: break;
            case Process::Negate: o = processed<Process::Negate>(v, m_effect); break;
            case Process::Effect: o = processed<Process::Effect>(v, m_effect); break;
            case Process::EffectNegate: o = processed<Process::EffectNegate>(v, m_effect); break;
            }
        }
        out[3 * i] = uint8_t(o);
        out[3 * i + 1] = uint8_t(o >> 8);
        out[3 * i + 2] = uint8_t(o >> 16);
    }
}

} // namespace dw::rotate_detail
