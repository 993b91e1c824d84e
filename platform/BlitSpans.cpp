#include "BlitSpans.h"
#include "CpuFeatures.h"

#include <algorithm>
#include <cstring>

#if DW_X86
#include <immintrin.h>
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

// The loops are written once and inlined into a plain and an AVX2 copy of each entry point
// (the compiler vectorises them for either).
#define DW_BLIT_INLINE [[gnu::always_inline]] inline

template <int R> DW_BLIT_INLINE void wordsLoop(uint32_t p, const uint32_t* s, uint32_t* d, size_t n, uint32_t orMask)
{
    for (size_t i = 0; i < n; ++i)
        d[i] = ropOf<R>(p, s[i], d[i]) | orMask;
}

template <int R> DW_BLIT_INLINE void bytesLoop(const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        d[i] = ropOf<R>(p[i], s[i], d[i]);
}

DW_BLIT_INLINE void ropWordsBody(uint8_t rop, uint32_t p, const uint32_t* s, uint32_t* d, size_t n, uint32_t orMask)
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

DW_BLIT_INLINE void ropBytesBody(uint8_t rop, const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n)
{
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

void ropWordsPlain(uint8_t rop, uint32_t p, const uint32_t* s, uint32_t* d, size_t n, uint32_t orMask)
{
    ropWordsBody(rop, p, s, d, n, orMask);
}

void ropBytesPlain(uint8_t rop, const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n)
{
    ropBytesBody(rop, p, s, d, n);
}

Vectors g_limit = Vectors::Best;

#if DW_X86

// Whether a kernel may use these: the processor has them and the limit allows them.
bool useSsse3() { return g_limit != Vectors::None && cpu::haveSsse3(); }
bool useAvx2() { return g_limit == Vectors::Best && cpu::haveAvx2(); }

__attribute__((target("avx2"))) void ropWordsAvx2(uint8_t rop, uint32_t p, const uint32_t* s, uint32_t* d, size_t n,
                                                  uint32_t orMask)
{
    ropWordsBody(rop, p, s, d, n, orMask);
}

__attribute__((target("avx2"))) void ropBytesAvx2(uint8_t rop, const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n)
{
    ropBytesBody(rop, p, s, d, n);
}

// Eight pixels per step: each lane's four words shuffled down to twelve bytes, the two
// twelves joined; the 32-byte store runs 8 bytes into the next step's pixels, so it stops
// while at least 11 pixels are left. Returns the pixels done.
__attribute__((target("avx2"))) size_t pack24Avx2(const uint32_t* words, uint8_t* out, size_t n, bool bgr)
{
    const __m256i shuffle = bgr ? _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5,
                                                   6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1)
                                : _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, 2, 1, 0, 6, 5,
                                                   4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    size_t i = 0;
    for (; i + 11 <= n; i += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 3 * i),
                            _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, shuffle), join));
    }
    // The last few four at a time, storing exactly their twelve bytes.
    for (; i + 4 <= n; i += 4) {
        const __m128i v = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(words + i)),
                                           _mm256_castsi256_si128(shuffle));
        uint8_t bytes[16];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), v);
        std::memcpy(out + 3 * i, bytes, 12);
    }
    return i;
}

// Eight pixels per step from a 32-byte load that runs 8 bytes past them (so it stops while
// at least 11 pixels are left): bytes 0..11 to the low lane, 12..23 to the high one, spread
// to words.
__attribute__((target("avx2"))) size_t unpack24Avx2(const uint8_t* in, uint32_t* words, size_t n, bool bgr,
                                                    uint32_t orMask)
{
    const __m256i shuffle = bgr ? _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1, 3, 4,
                                                   5, -1, 6, 7, 8, -1, 9, 10, 11, -1)
                                : _mm256_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1, 2, 1, 0, -1, 5, 4,
                                                   3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m256i split = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);
    const __m256i alpha = _mm256_set1_epi32(int32_t(orMask));
    const __m128i shuffle4 = _mm256_castsi256_si128(shuffle), alpha4 = _mm256_castsi256_si128(alpha);
    size_t i = 0;
    if (n < 11)
        return 0;
    for (; i + 11 <= n; i += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 3 * i));
        const __m256i w = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(v, split), shuffle);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(words + i), _mm256_or_si256(w, alpha));
    }
    if (n - i > 8) {
        // Four more from a 16-byte load (at least nine pixels, 27 bytes, are left).
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(words + i), _mm_or_si128(_mm_shuffle_epi8(v, shuffle4), alpha4));
        i += 4;
    }
    if (i < n) {
        // The last eight again, from a load that ends with the run (pixel n − 8 starts at its
        // byte 8): the words already written get the same values.
        const __m256i splitEnd = _mm256_setr_epi32(2, 3, 4, 5, 5, 6, 7, 7);
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 3 * n - 32));
        const __m256i w = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(v, splitEnd), shuffle);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(words + n - 8), _mm256_or_si256(w, alpha));
        i = n;
    }
    return i;
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

void limitVectors(Vectors limit) { g_limit = limit; }

void ropWords(uint8_t rop, uint32_t p, const uint32_t* s, uint32_t* d, size_t n, uint32_t orMask)
{
#if DW_X86
    if (useAvx2()) {
        ropWordsAvx2(rop, p, s, d, n, orMask);
        return;
    }
#endif
    ropWordsPlain(rop, p, s, d, n, orMask);
}

void ropBytes(uint8_t rop, const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n)
{
    if (rop == 0xCC) {
        if (s != d)
            std::memcpy(d, s, n);
        return;
    }
#if DW_X86
    if (useAvx2()) {
        ropBytesAvx2(rop, p, s, d, n);
        return;
    }
#endif
    ropBytesPlain(rop, p, s, d, n);
}

void pack24(const uint32_t* words, uint8_t* out, size_t n, bool bgr)
{
    size_t i = 0;
#if DW_X86
    if (useAvx2())
        i = pack24Avx2(words, out, n, bgr);
    else if (useSsse3())
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
#if DW_X86
    if (useAvx2())
        i = unpack24Avx2(in, words, n, bgr, orMask);
    else if (useSsse3())
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

BitWords bitWords(uint32_t zero, uint32_t one, bool msbFirst)
{
    BitWords lut;
    for (unsigned v = 0; v < 16; ++v)
        for (unsigned k = 0; k < 4; ++k)
            lut.words[v][k] = ((msbFirst ? v >> (3 - k) : v >> k) & 1) ? one : zero;
    return lut;
}

void lookupBits(const uint8_t* row, int64_t sx, size_t n, bool msbFirst, const BitWords& lut, uint32_t* out)
{
    const uint32_t t0 = lut.words[0][0], t1 = lut.words[15][0];
    const auto bit = [&](int64_t x) {
        return (msbFirst ? row[x >> 3] >> (7 - (x & 7)) : row[x >> 3] >> (x & 7)) & 1;
    };
    size_t i = 0;
    // Up to the next whole byte, then four pixels a nibble.
    for (; i < n && ((sx + int64_t(i)) & 7); ++i)
        out[i] = bit(sx + int64_t(i)) ? t1 : t0;
    const uint8_t* bytes = row + ((sx + int64_t(i)) >> 3);
    for (; i + 8 <= n; i += 8, ++bytes) {
        const unsigned b = *bytes;
        std::memcpy(out + i, lut.words[msbFirst ? b >> 4 : b & 15], 16);
        std::memcpy(out + i + 4, lut.words[msbFirst ? b & 15 : b >> 4], 16);
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

ByteBits byteBits(const uint8_t* bitOf)
{
    ByteBits b{};
    for (unsigned v = 0; v < 256; ++v) {
        b.bitOf[v] = uint8_t(bitOf[v] & 1);
        uint8_t* set = v >> 7 ? b.high : b.low;
        set[v & 15] = uint8_t(set[v & 15] | b.bitOf[v] << (v >> 4 & 7));
    }
    return b;
}

#if DW_X86
namespace {

// Sixteen bytes to sixteen bits: each byte's low nibble picks a bit set over its high nibble,
// its high nibble the bit in it. Writes n / 16 · 2 bytes; returns the pixels done.
__attribute__((target("ssse3"))) size_t bytesToBitsSsse3(const uint8_t* in, size_t n, const ByteBits& bits,
                                                         bool msbFirst, uint8_t* out)
{
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bits.low));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bits.high));
    const __m128i nibble = _mm_set1_epi8(0x0F), seven = _mm_set1_epi8(7);
    const __m128i bitOfHigh = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    // Pixel 0 in the top bit of each byte's mask bits (the order of the mask is reversed).
    const __m128i reverse = msbFirst ? _mm_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8)
                                     : _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i lo = _mm_and_si128(v, nibble);
        const __m128i hi = _mm_and_si128(_mm_srli_epi16(v, 4), nibble);
        const __m128i upper = _mm_cmpgt_epi8(hi, seven);
        const __m128i set = _mm_or_si128(_mm_and_si128(upper, _mm_shuffle_epi8(high, lo)),
                                         _mm_andnot_si128(upper, _mm_shuffle_epi8(low, lo)));
        const __m128i want = _mm_shuffle_epi8(bitOfHigh, hi);
        const __m128i hit = _mm_cmpeq_epi8(_mm_and_si128(set, want), want);
        const unsigned mask = unsigned(_mm_movemask_epi8(_mm_shuffle_epi8(hit, reverse)));
        out[i / 8] = uint8_t(mask);
        out[i / 8 + 1] = uint8_t(mask >> 8);
    }
    return i;
}

// The same, thirty-two at a time (each lane as above); writes n / 32 · 4 bytes.
__attribute__((target("avx2"))) size_t bytesToBitsAvx2(const uint8_t* in, size_t n, const ByteBits& bits,
                                                       bool msbFirst, uint8_t* out)
{
    const __m256i low = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bits.low)));
    const __m256i high = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bits.high)));
    const __m256i nibble = _mm256_set1_epi8(0x0F), seven = _mm256_set1_epi8(7);
    const __m256i bitOfHigh = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                                               32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    const __m256i reverse =
        msbFirst ? _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 15, 14,
                                    13, 12, 11, 10, 9, 8)
                 : _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9,
                                    10, 11, 12, 13, 14, 15);
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i lo = _mm256_and_si256(v, nibble);
        const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble);
        const __m256i upper = _mm256_cmpgt_epi8(hi, seven);
        const __m256i set = _mm256_blendv_epi8(_mm256_shuffle_epi8(low, lo), _mm256_shuffle_epi8(high, lo), upper);
        const __m256i want = _mm256_shuffle_epi8(bitOfHigh, hi);
        const __m256i hit = _mm256_cmpeq_epi8(_mm256_and_si256(set, want), want);
        const uint32_t mask = uint32_t(_mm256_movemask_epi8(_mm256_shuffle_epi8(hit, reverse)));
        std::memcpy(out + i / 8, &mask, 4); // little-endian: pixel bytes in order
    }
    return i;
}

} // namespace
#endif

void lookupBytesToBits(const uint8_t* in, size_t n, const ByteBits& bits, int firstBit, bool msbFirst, uint8_t* out)
{
    const size_t head = std::min(n, size_t((8 - firstBit) & 7));
    packRun(head, firstBit, msbFirst, out, [&](size_t i) { return unsigned(bits.bitOf[in[i]]); });
    size_t i = head;
#if DW_X86
    // From the first whole byte on, sixteen at a time.
    uint8_t* whole = out + (firstBit ? 1 : 0);
    if (useAvx2()) {
        const size_t done = bytesToBitsAvx2(in + i, n - i, bits, msbFirst, whole);
        i += done;
        whole += done / 8;
    }
    if (useSsse3())
        i += bytesToBitsSsse3(in + i, n - i, bits, msbFirst, whole);
#endif
    const size_t done = size_t(firstBit) + i; // bits of out written so far, a whole byte when i > head
    if (i < n)
        packRun(n - i, int(done & 7), msbFirst, out + done / 8,
                [&, i](size_t k) { return unsigned(bits.bitOf[in[i + k]]); });
}

} // namespace dw::blit
