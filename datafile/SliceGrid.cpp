#include "SliceGrid.h"

#include "platform/CpuFeatures.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace dw::slicegrid {

namespace {

struct Grid {
    int64_t n;
    int64_t W;
    int64_t q;
    int64_t r;

    Grid(int64_t n_, int64_t W_) : n(n_), W(W_), q(n_ / W_), r(n_ % W_) {}

    int64_t colStart(int64_t c) const { return c * q + std::min(c, r); }
    int64_t height(int64_t c) const { return q + (c < r ? 1 : 0); }
    // Column and row of plain position p (0 ≤ p < n). When q is 0 every p lies in the first
    // r columns, so the second branch never divides by 0.
    void locate(int64_t p, int64_t& c, int64_t& j) const
    {
        const int64_t tall = r * (q + 1);
        if (p < tall) {
            c = p / (q + 1);
            j = p % (q + 1);
        } else {
            c = r + (p - tall) / q;
            j = (p - tall) % q;
        }
    }
};

inline uint64_t load64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline void store64(uint8_t* p, uint64_t v) { std::memcpy(p, &v, 8); }

// Swaps the bytes selected by mask in a with those `shift` bits lower in b: one step of
// the 8 × 8 byte transposition below.
[[gnu::always_inline]] inline void swapBits(uint64_t& a, uint64_t& b, int shift, uint64_t mask)
{
    const uint64_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

// Transposes the 8 × 8 byte matrix whose row m is a[m] (byte k of a word = its k-th byte in
// memory, which the little-endian layout makes bits 8k .. 8k + 7): 2 × 2 blocks of bytes,
// then of 16-bit pairs, then of 32-bit halves. Plain locals so that the compiler keeps the
// eight words in registers.
[[gnu::always_inline]] inline void transpose8x8(uint64_t& a0, uint64_t& a1, uint64_t& a2, uint64_t& a3, uint64_t& a4, uint64_t& a5,
                         uint64_t& a6, uint64_t& a7)
{
    constexpr uint64_t m8 = 0x00FF00FF00FF00FFull, m16 = 0x0000FFFF0000FFFFull, m32 = 0x00000000FFFFFFFFull;
    swapBits(a0, a1, 8, m8);
    swapBits(a2, a3, 8, m8);
    swapBits(a4, a5, 8, m8);
    swapBits(a6, a7, 8, m8);
    swapBits(a0, a2, 16, m16);
    swapBits(a1, a3, 16, m16);
    swapBits(a4, a6, 16, m16);
    swapBits(a5, a7, 16, m16);
    swapBits(a0, a4, 32, m32);
    swapBits(a1, a5, 32, m32);
    swapBits(a2, a6, 32, m32);
    swapBits(a3, a7, 32, m32);
}

constexpr bool kBlockMoves = std::endian::native == std::endian::little;

// One 8 × 8 block: eight 8-byte loads from in(0) .. in(7), transposed, keyed, stored to
// out(0) .. out(7). Loaded word k becomes byte k of every stored word.
template <class In, class Out>
[[gnu::always_inline]] inline void block8x8Portable(In in, Out out, uint8_t key)
{
    const uint64_t k = 0x0101010101010101ull * key;
    uint64_t a0 = load64(in(0)), a1 = load64(in(1)), a2 = load64(in(2)), a3 = load64(in(3)), a4 = load64(in(4)),
             a5 = load64(in(5)), a6 = load64(in(6)), a7 = load64(in(7));
    transpose8x8(a0, a1, a2, a3, a4, a5, a6, a7);
    store64(out(0), a0 ^ k);
    store64(out(1), a1 ^ k);
    store64(out(2), a2 ^ k);
    store64(out(3), a3 ^ k);
    store64(out(4), a4 ^ k);
    store64(out(5), a5 ^ k);
    store64(out(6), a6 ^ k);
    store64(out(7), a7 ^ k);
}

#if defined(__SSE2__)
constexpr bool kHaveSse2 = true;

// The same block with byte, word and doubleword interleaves of SSE2: 12 unpacks instead of
// 36 shift-and-mask steps.
template <class In, class Out>
[[gnu::always_inline]] inline void block8x8Sse2(In in, Out out, uint8_t key)
{
    auto load = [](const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); };
    const __m128i t0 = _mm_unpacklo_epi8(load(in(0)), load(in(1)));
    const __m128i t1 = _mm_unpacklo_epi8(load(in(2)), load(in(3)));
    const __m128i t2 = _mm_unpacklo_epi8(load(in(4)), load(in(5)));
    const __m128i t3 = _mm_unpacklo_epi8(load(in(6)), load(in(7)));
    const __m128i u0 = _mm_unpacklo_epi16(t0, t1), u1 = _mm_unpackhi_epi16(t0, t1);
    const __m128i u2 = _mm_unpacklo_epi16(t2, t3), u3 = _mm_unpackhi_epi16(t2, t3);
    const __m128i k = _mm_set1_epi8(static_cast<char>(key));
    const __m128i v0 = _mm_xor_si128(_mm_unpacklo_epi32(u0, u2), k);
    const __m128i v1 = _mm_xor_si128(_mm_unpackhi_epi32(u0, u2), k);
    const __m128i v2 = _mm_xor_si128(_mm_unpacklo_epi32(u1, u3), k);
    const __m128i v3 = _mm_xor_si128(_mm_unpackhi_epi32(u1, u3), k);
    auto storeLow = [](uint8_t* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); };
    // (_mm_storeh_pd would need an aligned double.)
    auto storeHigh = [](uint8_t* p, __m128i v) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_unpackhi_epi64(v, v));
    };
    storeLow(out(0), v0);
    storeHigh(out(1), v0);
    storeLow(out(2), v1);
    storeHigh(out(3), v1);
    storeLow(out(4), v2);
    storeHigh(out(5), v2);
    storeLow(out(6), v3);
    storeHigh(out(7), v3);
}

// A 16 × 16 block: sixteen 16-byte loads, four rounds of interleaves (bytes, 16-bit pairs,
// 32-bit and 64-bit halves), sixteen 16-byte stores. After the four rounds vector k holds the
// element whose index is k with its four bits reversed.
template <class In, class Out>
[[gnu::always_inline]] inline void block16x16Sse2(In in, Out out, uint8_t key)
{
    __m128i x[16], y[16];
    for (int t = 0; t < 16; ++t)
        x[t] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(t)));
    for (int i = 0; i < 8; ++i) {
        y[i] = _mm_unpacklo_epi8(x[2 * i], x[2 * i + 1]);
        y[i + 8] = _mm_unpackhi_epi8(x[2 * i], x[2 * i + 1]);
    }
    for (int i = 0; i < 8; ++i) {
        x[i] = _mm_unpacklo_epi16(y[2 * i], y[2 * i + 1]);
        x[i + 8] = _mm_unpackhi_epi16(y[2 * i], y[2 * i + 1]);
    }
    for (int i = 0; i < 8; ++i) {
        y[i] = _mm_unpacklo_epi32(x[2 * i], x[2 * i + 1]);
        y[i + 8] = _mm_unpackhi_epi32(x[2 * i], x[2 * i + 1]);
    }
    const __m128i k = _mm_set1_epi8(static_cast<char>(key));
    constexpr int kReversed[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 8; ++i) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out(kReversed[i])),
                         _mm_xor_si128(_mm_unpacklo_epi64(y[2 * i], y[2 * i + 1]), k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out(kReversed[i + 8])),
                         _mm_xor_si128(_mm_unpackhi_epi64(y[2 * i], y[2 * i + 1]), k));
    }
}
#endif

#if defined(__SSE2__) && DW_X86
constexpr bool kX86 = true;

// Two 16 × 16 blocks, one in each 128-bit half of the AVX2 registers (whose interleaves work
// within the halves), that together make 32 bytes of every output: register t is loaded from
// in0(t) (its first half) and in1(t) (its second), the four rounds of block16x16Sse2 follow, and
// output i, 32 bytes, is stored to out(i) in one store. Storing whole 32-byte runs rather than
// twice as many 16-byte pieces is what counts: on 16 MiB the walk ran at two thirds of this speed
// with 32-byte loads and 16-byte stores instead.
template <class In0, class In1, class Out>
[[gnu::always_inline]] __attribute__((target("avx2"))) inline void block16x32Avx2(In0 in0, In1 in1, Out out,
                                                                                    uint8_t key)
{
    __m256i x[16], y[16];
    for (int t = 0; t < 16; ++t)
        x[t] = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in0(t)))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(in1(t))), 1);
    for (int i = 0; i < 8; ++i) {
        y[i] = _mm256_unpacklo_epi8(x[2 * i], x[2 * i + 1]);
        y[i + 8] = _mm256_unpackhi_epi8(x[2 * i], x[2 * i + 1]);
    }
    for (int i = 0; i < 8; ++i) {
        x[i] = _mm256_unpacklo_epi16(y[2 * i], y[2 * i + 1]);
        x[i + 8] = _mm256_unpackhi_epi16(y[2 * i], y[2 * i + 1]);
    }
    for (int i = 0; i < 8; ++i) {
        y[i] = _mm256_unpacklo_epi32(x[2 * i], x[2 * i + 1]);
        y[i + 8] = _mm256_unpackhi_epi32(x[2 * i], x[2 * i + 1]);
    }
    const __m256i k = _mm256_set1_epi8(static_cast<char>(key));
    constexpr int kReversed[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 8; ++i) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out(kReversed[i])),
                            _mm256_xor_si256(_mm256_unpacklo_epi64(y[2 * i], y[2 * i + 1]), k));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out(kReversed[i + 8])),
                            _mm256_xor_si256(_mm256_unpackhi_epi64(y[2 * i], y[2 * i + 1]), k));
    }
}

// The whole columns' rows jb .. je − 1 of one band with those blocks. Read-back takes 16 columns
// by 32 rows at a time (32 plain bytes of each column), slicing 32 columns by 16 rows (32 stored
// bytes of each grid row). The last block of a row or band overlaps the one before, as in the
// walk below. Needs 32 rows (read-back) or 32 columns (slicing).
template <bool ToPlain>
__attribute__((target("avx2"))) void bandAvx2(const uint8_t* src, uint8_t* dst, int64_t W, int64_t q, int64_t ca,
                                              int64_t cols, const int64_t* start, int64_t jb, int64_t je, uint8_t key,
                                              int64_t from)
{
    if constexpr (ToPlain) {
        for (int64_t k = 0; k < cols; k += 16) {
            const int64_t kk = std::min(k, cols - 16);
            const int64_t* st = start + kk;
            for (int64_t j = jb; j < je; j += 32) {
                const int64_t jj = std::min(j, q - 32);
                const uint8_t* s = src + jj * W + ca + kk;
                uint8_t* d = dst + (jj - from);
                block16x32Avx2([=](int m) { return s + m * W; }, [=](int m) { return s + (16 + m) * W; },
                               [=](int t) { return d + st[t]; }, key);
            }
        }
    } else {
        for (int64_t k = 0; k < cols; k += 32) {
            const int64_t kk = std::min(k, cols - 32);
            const int64_t* st = start + kk;
            for (int64_t j = jb; j < je; j += 16) {
                const int64_t jj = std::min(j, q - 16);
                const uint8_t* s = src + (jj - from);
                uint8_t* d = dst + jj * W + ca + kk;
                block16x32Avx2([=](int t) { return s + st[t]; }, [=](int t) { return s + st[16 + t]; },
                               [=](int m) { return d + m * W; }, key);
            }
        }
    }
}
#else
constexpr bool kX86 = false;
template <bool ToPlain>
void bandAvx2(const uint8_t*, uint8_t*, int64_t, int64_t, int64_t, int64_t, const int64_t*, int64_t, int64_t, uint8_t,
              int64_t)
{
}
#endif

#if !defined(__SSE2__)
constexpr bool kHaveSse2 = false;
template <class In, class Out> inline void block8x8Sse2(In in, Out out, uint8_t key) { block8x8Portable(in, out, key); }
template <class In, class Out> inline void block16x16Sse2(In, Out, uint8_t) {}
#endif


// One direction of the move. `plain` holds plain positions from .. from + count − 1 at its
// indices 0 .. count − 1; `stored` holds the whole grid.
template <bool ToPlain, bool Sse2> class Mover {
public:
    Mover(const uint8_t* src, uint8_t* dst, const Grid& g, uint8_t key, int64_t from, bool avx2)
        : m_src(src), m_dst(dst), m_g(g), m_key(key), m_from(from), m_avx2(avx2)
    {
    }

    // Plain positions from .. to − 1 (from < to).
    void range(int64_t from, int64_t to)
    {
        int64_t c0, j0, c1, jLast;
        m_g.locate(from, c0, j0);
        m_g.locate(to - 1, c1, jLast);
        if (c0 == c1) {
            column(c0, j0, jLast + 1);
            return;
        }
        // Whole columns go through the block walk; a first or last column that is only partly
        // inside the range is walked on its own.
        int64_t ca = c0, cb = c1 + 1;
        if (j0 != 0) {
            column(c0, j0, m_g.height(c0));
            ca = c0 + 1;
        }
        if (jLast + 1 != m_g.height(c1)) {
            column(c1, 0, jLast + 1);
            cb = c1;
        }
        if (ca < cb)
            wholeColumns(ca, cb);
    }

private:
    void byte(int64_t p, int64_t s)
    {
        if constexpr (ToPlain)
            m_dst[p - m_from] = m_src[s] ^ m_key;
        else
            m_dst[s] = m_src[p - m_from] ^ m_key;
    }

    // Rows ja .. jb − 1 of column c.
    void column(int64_t c, int64_t ja, int64_t jb)
    {
        const int64_t start = m_g.colStart(c);
        for (int64_t j = ja; j < jb; ++j)
            byte(start + j, j * m_g.W + c);
    }

    // Columns ca .. cb − 1, all of their rows.
    void wholeColumns(int64_t ca, int64_t cb)
    {
        const int64_t W = m_g.W, q = m_g.q;
        const int64_t cols = cb - ca;
        int64_t start[256]; // W ≤ 255 wherever this unit is used; larger W are walked in parts
        if (cols > 256) {
            wholeColumns(ca, ca + 256);
            wholeColumns(ca + 256, cb);
            return;
        }
        for (int64_t k = 0; k < cols; ++k)
            start[k] = m_g.colStart(ca + k);

        // A grid narrower or shorter than one block is walked row by row.
        if (!kBlockMoves || cols < 8 || q < 8) {
            for (int64_t j = 0; j < q; ++j)
                for (int64_t k = 0; k < cols; ++k)
                    byte(start[k] + j, j * W + ca + k);
        } else {
            // Bands of 1024 rows, walked column group by column group: a group reads its eight
            // columns' plain bytes as eight runs of 1024 bytes, which the hardware prefetcher
            // follows, and the band's grid rows (at most 255 KiB) stay in the second-level cache
            // until every group has passed. Bands of 64 rows (one cache line per column) kept
            // every column's run open at once, more streams than the memory system serves well:
            // the walk ran at two thirds of this speed on 16 MiB. Where the columns or rows do not
            // divide by 8, the last block of a band or row overlaps the one before it and moves
            // some bytes twice, to the same places.
            // With SSE2 and room for them, blocks of 16 × 16 move twice the bytes per load and store.
            // With AVX2, two blocks at a time (see bandAvx2).
            constexpr int64_t kBand = 1024;
            const int64_t side = Sse2 && cols >= 16 && q >= 16 ? 16 : 8;
            const bool pairs = Sse2 && m_avx2 && side == 16 && (ToPlain ? q >= 32 : cols >= 32);
            for (int64_t jb = 0; jb < q; jb += kBand) {
                const int64_t je = std::min(jb + kBand, q);
                if (pairs) {
                    bandAvx2<ToPlain>(m_src, m_dst, W, q, ca, cols, start, jb, je, m_key, m_from);
                    continue;
                }
                for (int64_t k = 0; k < cols; k += side) {
                    const int64_t kk = std::min(k, cols - side);
                    for (int64_t j = jb; j < je; j += side) {
                        if (side == 16)
                            block16(ca + kk, start + kk, std::min(j, q - 16));
                        else
                            block(ca + kk, start + kk, std::min(j, q - 8));
                    }
                }
            }
        }
        // The extra row of the first r columns.
        for (int64_t k = 0; k < cols && ca + k < m_g.r; ++k)
            byte(start[k] + q, q * W + ca + k);
    }

    // Columns c .. c + 7, rows j .. j + 7 (colStart of column c + k is start[k]).
    [[gnu::always_inline]] void block(int64_t c, const int64_t* start, int64_t j)
    {
        const int64_t W = m_g.W;
        const uint8_t* s;
        uint8_t* d;
        if constexpr (ToPlain) {
            s = m_src + j * W + c;
            d = m_dst + (j - m_from);
            move8x8([=](int m) { return s + m * W; }, [=](int k) { return d + start[k]; });
        } else {
            s = m_src + (j - m_from);
            d = m_dst + j * W + c;
            move8x8([=](int k) { return s + start[k]; }, [=](int m) { return d + m * W; });
        }
    }

    // Columns c .. c + 15, rows j .. j + 15.
    [[gnu::always_inline]] void block16(int64_t c, const int64_t* start, int64_t j)
    {
        const int64_t W = m_g.W;
        if constexpr (ToPlain) {
            const uint8_t* s = m_src + j * W + c;
            uint8_t* d = m_dst + (j - m_from);
            block16x16Sse2([=](int m) { return s + m * W; }, [=](int k) { return d + start[k]; }, m_key);
        } else {
            const uint8_t* s = m_src + (j - m_from);
            uint8_t* d = m_dst + j * W + c;
            block16x16Sse2([=](int k) { return s + start[k]; }, [=](int m) { return d + m * W; }, m_key);
        }
    }

    template <class In, class Out> [[gnu::always_inline]] void move8x8(In in, Out out)
    {
        if constexpr (Sse2)
            block8x8Sse2(in, out, m_key);
        else
            block8x8Portable(in, out, m_key);
    }

    const uint8_t* m_src;
    uint8_t* m_dst;
    const Grid& m_g;
    uint8_t m_key;
    int64_t m_from;
    bool m_avx2;
};

// Whether the AVX2 blocks are used: the processor has them and the caller allows them.
bool useAvx2(Kernel kernel) { return kX86 && kernel == Kernel::Fastest && cpu::haveAvx2(); }

} // namespace

void toStored(const uint8_t* plain, uint8_t* stored, int64_t n, int32_t W, uint8_t key, Kernel kernel)
{
    if (n <= 0 || W < 1)
        return;
    const Grid g(n, W);
    if (kHaveSse2 && kernel != Kernel::Portable)
        Mover<false, true>(plain, stored, g, key, 0, useAvx2(kernel)).range(0, n);
    else
        Mover<false, false>(plain, stored, g, key, 0, false).range(0, n);
}

void toPlain(const uint8_t* stored, uint8_t* plain, int64_t n, int32_t W, uint8_t key, int64_t from,
             int64_t count, Kernel kernel)
{
    if (count <= 0 || from < 0 || W < 1 || from + count > n)
        return;
    const Grid g(n, W);
    if (kHaveSse2 && kernel != Kernel::Portable)
        Mover<true, true>(stored, plain, g, key, from, useAvx2(kernel)).range(from, from + count);
    else
        Mover<true, false>(stored, plain, g, key, from, false).range(from, from + count);
}

} // namespace dw::slicegrid
