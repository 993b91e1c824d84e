#include "BlitSpans.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define DW_BLIT_X86 1
#else
#define DW_BLIT_X86 0
#endif

namespace dw::blit {

namespace {

// The operations the platform's callers use, spelt out so that each loop is one or two
// vector instructions per block; every other index goes through its minterms.
#define DW_BLIT_ROPS(X)                                                                                               \
    X(0xCC) X(0x88) X(0xEE) X(0x66) X(0x44) X(0x22) X(0x33) X(0x11) X(0xBB) X(0xC0) X(0xF0) X(0x5A) X(0x55)          \
        X(0x00) X(0xFF) X(0xAA)

template <int R, typename T> inline T ropOf(T p, T s, T d)
{
    if constexpr (R == 0xCC) return s;
    else if constexpr (R == 0x88) return T(s & d);
    else if constexpr (R == 0xEE) return T(s | d);
    else if constexpr (R == 0x66) return T(s ^ d);
    else if constexpr (R == 0x44) return T(s & ~d);
    else if constexpr (R == 0x22) return T(~s & d);
    else if constexpr (R == 0x33) return T(~s);
    else if constexpr (R == 0x11) return T(~(s | d));
    else if constexpr (R == 0xBB) return T(~s | d);
    else if constexpr (R == 0xC0) return T(p & s);
    else if constexpr (R == 0xF0) return p;
    else if constexpr (R == 0x5A) return T(p ^ d);
    else if constexpr (R == 0x55) return T(~d);
    else if constexpr (R == 0x00) return T(0);
    else if constexpr (R == 0xFF) return T(~T(0));
    else return d; // 0xAA
}

// Any ternary operation: bit k of the index is the result for pattern bit k >> 2, source bit
// (k >> 1) & 1 and destination bit k & 1; m[k] is all ones where that bit is set.
template <typename T> struct Minterms {
    T m[8];
    explicit Minterms(uint8_t index)
    {
        for (int k = 0; k < 8; ++k)
            m[k] = (index >> k & 1) ? T(~T(0)) : T(0);
    }
    T operator()(T p, T s, T d) const
    {
        const T np = T(~p), ns = T(~s), nd = T(~d);
        const T p0 = T((m[0] & nd) | (m[1] & d)), p1 = T((m[2] & nd) | (m[3] & d));
        const T p2 = T((m[4] & nd) | (m[5] & d)), p3 = T((m[6] & nd) | (m[7] & d));
        return T((np & ((ns & p0) | (s & p1))) | (p & ((ns & p2) | (s & p3))));
    }
};

template <int R> void wordsLoop(uint32_t p, const uint32_t* s, uint32_t* d, size_t n, uint32_t orMask)
{
    for (size_t i = 0; i < n; ++i)
        d[i] = ropOf<R>(p, s[i], d[i]) | orMask;
}

template <int R> void bytesLoop(const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        d[i] = ropOf<R>(p[i], s[i], d[i]);
}

#if DW_BLIT_X86

bool haveSsse3()
{
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}

// Sixteen pixels per step: four words shuffled down to twelve bytes each, joined into three
// 16-byte stores. Returns the pixels done.
__attribute__((target("ssse3"))) size_t pack24Ssse3(const uint32_t* words, uint8_t* out, size_t n, bool bgr)
{
    const __m128i shuffle = bgr ? _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1)
                                : _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i* in = reinterpret_cast<const __m128i*>(words + i);
        const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(in), shuffle);
        const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), shuffle);
        const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), shuffle);
        const __m128i e = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), shuffle);
        uint8_t* o = out + 3 * i;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_or_si128(a, _mm_slli_si128(b, 12)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16), _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 32), _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(e, 4)));
    }
    return i;
}

// Sixteen pixels per step: 48 bytes in three loads, realigned into four groups of twelve and
// spread to words.
__attribute__((target("ssse3"))) size_t unpack24Ssse3(const uint8_t* in, uint32_t* words, size_t n, bool bgr,
                                                      uint32_t orMask)
{
    const __m128i shuffle = bgr ? _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1)
                                : _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m128i alpha = _mm_set1_epi32(int32_t(orMask));
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const uint8_t* p = in + 3 * i;
        const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        __m128i* out = reinterpret_cast<__m128i*>(words + i);
        _mm_storeu_si128(out, _mm_or_si128(_mm_shuffle_epi8(x0, shuffle), alpha));
        _mm_storeu_si128(out + 1, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(x1, x0, 12), shuffle), alpha));
        _mm_storeu_si128(out + 2, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(x2, x1, 8), shuffle), alpha));
        _mm_storeu_si128(out + 3, _mm_or_si128(_mm_shuffle_epi8(_mm_srli_si128(x2, 4), shuffle), alpha));
    }
    return i;
}

#endif

} // namespace

void ropWords(uint8_t rop, uint32_t p, const uint32_t* s, uint32_t* d, size_t n, uint32_t orMask)
{
    switch (rop) {
#define DW_CASE(r)                                                                                                    \
    case r: wordsLoop<r>(p, s, d, n, orMask); return;
        DW_BLIT_ROPS(DW_CASE)
#undef DW_CASE
    default: break;
    }
    const Minterms<uint32_t> f(rop);
    for (size_t i = 0; i < n; ++i)
        d[i] = f(p, s[i], d[i]) | orMask;
}

void ropBytes(uint8_t rop, const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n)
{
    if (rop == 0xCC) {
        if (s != d)
            std::memcpy(d, s, n);
        return;
    }
    switch (rop) {
#define DW_CASE(r)                                                                                                    \
    case r: bytesLoop<r>(p, s, d, n); return;
        DW_BLIT_ROPS(DW_CASE)
#undef DW_CASE
    default: break;
    }
    const Minterms<uint8_t> f(rop);
    for (size_t i = 0; i < n; ++i)
        d[i] = f(p[i], s[i], d[i]);
}

void pack24(const uint32_t* words, uint8_t* out, size_t n, bool bgr)
{
    size_t i = 0;
#if DW_BLIT_X86
    if (haveSsse3())
        i = pack24Ssse3(words, out, n, bgr);
#endif
    for (; i < n; ++i) {
        const uint32_t c = words[i];
        uint8_t* o = out + 3 * i;
        o[0] = uint8_t(bgr ? c : c >> 16);
        o[1] = uint8_t(c >> 8);
        o[2] = uint8_t(bgr ? c >> 16 : c);
    }
}

void unpack24(const uint8_t* in, uint32_t* words, size_t n, bool bgr, uint32_t orMask)
{
    size_t i = 0;
#if DW_BLIT_X86
    if (haveSsse3())
        i = unpack24Ssse3(in, words, n, bgr, orMask);
#endif
    for (; i < n; ++i) {
        const uint8_t* p = in + 3 * i;
        const uint32_t c = bgr ? uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]
                               : uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        words[i] = c | orMask;
    }
}

void maskWords(const uint8_t* in, uint32_t* out, size_t n, uint32_t orMask)
{
    for (size_t i = 0; i < n; ++i) {
        uint32_t v;
        std::memcpy(&v, in + 4 * i, 4);
        out[i] = (v & 0xFFFFFFu) | orMask;
    }
}

void lookupBits(const uint8_t* row, int64_t sx, size_t n, bool msbFirst, const uint32_t* table, uint32_t* out,
                uint32_t orMask)
{
    const uint32_t t0 = table[0] | orMask, t1 = table[1] | orMask;
    const auto bit = [&](int64_t x) {
        return (msbFirst ? row[x >> 3] >> (7 - (x & 7)) : row[x >> 3] >> (x & 7)) & 1;
    };
    size_t i = 0;
    // Up to the next whole byte, then eight pixels a byte.
    for (; i < n && ((sx + int64_t(i)) & 7); ++i)
        out[i] = bit(sx + int64_t(i)) ? t1 : t0;
    const uint8_t* bytes = row + ((sx + int64_t(i)) >> 3);
    for (; i + 8 <= n; i += 8, ++bytes) {
        const unsigned b = *bytes;
        for (int k = 0; k < 8; ++k)
            out[i + size_t(k)] = ((msbFirst ? b >> (7 - k) : b >> k) & 1) ? t1 : t0;
    }
    for (; i < n; ++i)
        out[i] = bit(sx + int64_t(i)) ? t1 : t0;
}

void lookupNibbles(const uint8_t* row, int64_t sx, size_t n, const uint32_t* table, uint32_t* out, uint32_t orMask)
{
    for (size_t i = 0; i < n; ++i) {
        const int64_t x = sx + int64_t(i);
        const unsigned v = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
        out[i] = table[v] | orMask;
    }
}

void lookupBytes(const uint8_t* row, int64_t sx, size_t n, const uint32_t* table, uint32_t* out, uint32_t orMask)
{
    const uint8_t* in = row + sx;
    for (size_t i = 0; i < n; ++i)
        out[i] = table[in[i]] | orMask;
}

namespace {

// Bits of pixel i of a run given by bitAt(i), at bit firstBit + i of out.
template <typename BitAt> void packRun(size_t n, int firstBit, bool msbFirst, uint8_t* out, BitAt bitAt)
{
    const size_t bytes = (size_t(firstBit) + n + 7) / 8;
    std::memset(out, 0, bytes);
    size_t i = 0;
    const auto put = [&](size_t k) {
        const size_t b = size_t(firstBit) + k;
        out[b >> 3] = uint8_t(out[b >> 3] | bitAt(k) << (msbFirst ? 7 - (b & 7) : b & 7));
    };
    for (; i < n && ((size_t(firstBit) + i) & 7); ++i)
        put(i);
    for (; i + 8 <= n; i += 8) {
        unsigned v = 0;
        if (msbFirst)
            for (int k = 0; k < 8; ++k)
                v = v << 1 | bitAt(i + size_t(k));
        else
            for (int k = 7; k >= 0; --k)
                v = v << 1 | bitAt(i + size_t(k));
        out[(size_t(firstBit) + i) >> 3] = uint8_t(v);
    }
    for (; i < n; ++i)
        put(i);
}

} // namespace

void packBits(const uint32_t* words, size_t n, int firstBit, bool msbFirst, uint8_t* out)
{
    packRun(n, firstBit, msbFirst, out, [words](size_t i) { return unsigned(words[i] & 1); });
}

void lookupBytesToBits(const uint8_t* in, size_t n, const uint8_t* bitOf, int firstBit, bool msbFirst, uint8_t* out)
{
    packRun(n, firstBit, msbFirst, out, [in, bitOf](size_t i) { return unsigned(bitOf[in[i]]); });
}

} // namespace dw::blit
