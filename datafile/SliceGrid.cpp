#include "SliceGrid.h"

#include <algorithm>
#include <bit>
#include <cstring>

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

// Transposes the 8 × 8 byte matrix whose row m is a[m] (byte k of a word = its k-th byte in
// memory, which the little-endian layout makes bits 8k .. 8k + 7).
inline void transpose8x8(uint64_t a[8])
{
    for (int i = 0; i < 8; i += 2) {
        const uint64_t t = ((a[i] >> 8) ^ a[i + 1]) & 0x00FF00FF00FF00FFull;
        a[i + 1] ^= t;
        a[i] ^= t << 8;
    }
    for (int i : {0, 1, 4, 5}) {
        const uint64_t t = ((a[i] >> 16) ^ a[i + 2]) & 0x0000FFFF0000FFFFull;
        a[i + 2] ^= t;
        a[i] ^= t << 16;
    }
    for (int i = 0; i < 4; ++i) {
        const uint64_t t = ((a[i] >> 32) ^ a[i + 4]) & 0x00000000FFFFFFFFull;
        a[i + 4] ^= t;
        a[i] ^= t << 32;
    }
}

constexpr bool kBlockMoves = std::endian::native == std::endian::little;

// One direction of the move. `plain` holds plain positions from .. from + count − 1 at its
// indices 0 .. count − 1; `stored` holds the whole grid.
template <bool ToPlain> class Mover {
public:
    Mover(const uint8_t* src, uint8_t* dst, const Grid& g, uint8_t key, int64_t from)
        : m_src(src), m_dst(dst), m_g(g), m_key(key), m_key64(0x0101010101010101ull * key), m_from(from)
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

        const int64_t blockCols = kBlockMoves ? cols - cols % 8 : 0;
        int64_t j = 0;
        for (; j + 8 <= q; j += 8) {
            for (int64_t k = 0; k < blockCols; k += 8)
                block(ca + k, start + k, j);
            for (int64_t k = blockCols; k < cols; ++k)
                for (int64_t m = 0; m < 8; ++m)
                    byte(start[k] + j + m, (j + m) * W + ca + k);
        }
        // The last rows below the blocks, then the extra row of the first r columns.
        for (; j < q; ++j)
            for (int64_t k = 0; k < cols; ++k)
                byte(start[k] + j, j * W + ca + k);
        for (int64_t k = 0; k < cols && ca + k < m_g.r; ++k)
            byte(start[k] + q, q * W + ca + k);
    }

    // Columns c .. c + 7, rows j .. j + 7 (colStart of column c + k is start[k]).
    void block(int64_t c, const int64_t* start, int64_t j)
    {
        uint64_t a[8];
        const int64_t W = m_g.W;
        if constexpr (ToPlain) {
            for (int m = 0; m < 8; ++m)
                a[m] = load64(m_src + (j + m) * W + c);
            transpose8x8(a);
            for (int k = 0; k < 8; ++k)
                store64(m_dst + (start[k] + j - m_from), a[k] ^ m_key64);
        } else {
            for (int k = 0; k < 8; ++k)
                a[k] = load64(m_src + (start[k] + j - m_from));
            transpose8x8(a);
            for (int m = 0; m < 8; ++m)
                store64(m_dst + (j + m) * W + c, a[m] ^ m_key64);
        }
    }

    const uint8_t* m_src;
    uint8_t* m_dst;
    const Grid& m_g;
    uint8_t m_key;
    uint64_t m_key64;
    int64_t m_from;
};

} // namespace

void toStored(const uint8_t* plain, uint8_t* stored, int64_t n, int32_t W, uint8_t key)
{
    if (n <= 0 || W < 1)
        return;
    const Grid g(n, W);
    Mover<false>(plain, stored, g, key, 0).range(0, n);
}

void toPlain(const uint8_t* stored, uint8_t* plain, int64_t n, int32_t W, uint8_t key, int64_t from,
             int64_t count)
{
    if (count <= 0 || from < 0 || W < 1 || from + count > n)
        return;
    const Grid g(n, W);
    Mover<true>(stored, plain, g, key, from).range(from, from + count);
}

} // namespace dw::slicegrid
