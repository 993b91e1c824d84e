#pragma once

// The per-pixel part of RotateDib: sampling one segment of a rendered row. Internal to the
// engine; RotateDib.cpp works out the segments.

#include "ColorEffect.h"
#include "RotateDib.h"

#include <cstdint>

namespace dw::rotate_detail {

enum class Process { Copy, Negate, Effect, EffectNegate };

struct Source {
    const uint8_t* pixels; // bottom row first
    int64_t rowSize;
    int64_t width;
    int64_t height;
    int64_t bytesAfterPixels; // what follows the last row in the buffer
};

// Pixels first .. last of one rendered row, the first sampling the source at (x, y) in 16.16
// fixed point, each next one (dX, dY) further on; endsSpan: last is the last pixel of the row's
// span. Every sample truncates to a source pixel; with nonNegative, x and y are also ≥ 0 all
// along (otherwise one may lie in −65536 .. −1, which truncates toward zero to index 0 too).
struct Segment {
    int64_t first;
    int64_t last;
    int64_t x;
    int64_t y;
    bool endsSpan;
    bool nonNegative;
};

// Writes the rendered pixels and, when there is a key, the mask bytes of segments. The
// result does not depend on how a row is cut into segments or in which order they come, as
// long as the segments of one row that follow each other in the row are done in that order.
class SegmentSampler {
public:
    SegmentSampler(const Source& source, int bitCount, const RotateKey& key, uint32_t colorEffect, bool negative,
                   int64_t dX, int64_t dY);

    void sample(const Segment& segment, uint8_t* row, uint8_t* maskRow) const;

    // Quarter turns at 100 %: when a row's sample moves exactly one source row per pixel and
    // not at all across (dX = 0, dY = ±65536), eight rendered rows that sample eight adjacent
    // source columns form a transposed 8 × 8 block of the source, done as one.
    //   sourceRow: source row of the block's first column, rowStep: ±1 per rendered column;
    //   minColumn: the smallest of the eight source columns; reversed: rendered row r samples
    //   column minColumn + 7 − r (else minColumn + r); count: rendered columns, a multiple of 8.
    // outRows and maskRows point at the first rendered pixel of each of the eight rows.
    // quarterTurnFits tells whether the blocks' reads stay inside the source; sampleQuarterTurn
    // must only be called when it does.
    bool quarterTurnPossible() const;
    bool quarterTurnFits(int64_t sourceRow, int rowStep, int64_t minColumn, int64_t count) const;
    void sampleQuarterTurn(int64_t sourceRow, int rowStep, int64_t minColumn, bool reversed, int64_t count,
                           uint8_t* const outRows[8], uint8_t* const maskRows[8]) const;

    // The upright render at 100 % (dX = 65536, dY = 0, rendered pixel i of a row sampling source
    // pixel i of the same row): a whole row copied, with the key's mask bytes, where the pixels
    // need no colour work (8 bits, or 24 bits without effect and negative). uprightRow must only
    // be called when uprightPossible; it writes the row's width · bytes per pixel and, with a
    // key, its width of mask bytes, as sample() of the whole row does.
    bool uprightPossible() const;
    void uprightRow(int64_t sourceRow, uint8_t* row, uint8_t* maskRow) const;

    bool keyed() const { return m_keyed; }
    int64_t dX() const { return m_dX; }
    int64_t dY() const { return m_dY; }

private:
    // The segment without its first n pixels, positions moved on by n steps.
    Segment skipped(const Segment& s, int64_t n) const;
    void sampleScalar(const Segment& s, uint8_t* row, uint8_t* maskRow) const;
    void sampleEdge(const Segment& s, uint8_t* row, uint8_t* maskRow) const;
    bool simdCovers(const Segment& s) const;

    Source m_source;
    bool m_wide;
    bool m_keyed;
    uint32_t m_key;
    Process m_process;
    ColorEffectTable m_effect;
    int64_t m_dX;
    int64_t m_dY;
    bool m_wordRead;    // every 24-bit pixel may be read as a word
    bool m_simd;        // the vector kernels may run (CPU, steps, picture size, process)
    bool m_wide16;      // and the sixteen-pixel ones
    int64_t m_simdRows; // rows whose pixels the vector kernels may read as words
};

// Tests compare the vector kernels with the scalar ones, and the upright rows with the sampled
// ones, by turning them off.
void setVectorKernelsEnabled(bool enabled);
void setWideVectorKernelsEnabled(bool enabled); // the sixteen-pixel kernels alone
void setUprightRowsEnabled(bool enabled);

// The vector kernels (AVX2): sample whole groups of 8 pixels of a nonNegative segment, from its
// first pixel, while at least 8 are left; return how many they did. Bytes are read as 32-bit
// words at every sample, so the caller makes sure 3 bytes follow each one read. key < 0: none.
// Used where cpu::haveAvx2() (platform/CpuFeatures.h); the sixteen-pixel ones where
// cpu::haveAvx512Vbmi().
int64_t sampleRow8Avx2(const uint8_t* pixels, int64_t rowSize, int64_t count, int64_t x, int64_t y, int64_t dX,
                       int64_t dY, int32_t key, uint8_t* out, uint8_t* mask);
int64_t sampleRow24Avx2(const uint8_t* pixels, int64_t rowSize, int64_t count, int64_t x, int64_t y, int64_t dX,
                        int64_t dY, int64_t key, bool negate, uint8_t* out, uint8_t* mask);
// sampleRow24Avx2 sixteen pixels at a time (AVX-512 with byte permutations); steps under 2^26.
int64_t sampleRow24Avx512(const uint8_t* pixels, int64_t rowSize, int64_t count, int64_t x, int64_t y, int64_t dX,
                          int64_t dY, int64_t key, bool negate, uint8_t* out, uint8_t* mask);
// The mask bytes of an upright 24-bit row (1 where a pixel is the key), sixteen pixels at a time
// while at least sixteen are left; returns how many it did. Reads only the pixels' bytes.
int64_t uprightMask24Avx512(const uint8_t* pixels, int64_t count, uint32_t key, uint8_t* mask);
// Transposed 8 × 8 blocks (see SegmentSampler::sampleQuarterTurn); reads 8 bytes (8 bits) or
// 28 bytes (24 bits) from the first block pixel of each source row.
void quarterTurn8Avx2(const uint8_t* pixels, int64_t rowSize, int64_t sourceRow, int rowStep, int64_t minColumn,
                      bool reversed, int64_t count, int32_t key, uint8_t* const outRows[8], uint8_t* const maskRows[8]);
void quarterTurn24Avx2(const uint8_t* pixels, int64_t rowSize, int64_t sourceRow, int rowStep, int64_t minColumn,
                       bool reversed, int64_t count, int64_t key, bool negate, uint8_t* const outRows[8],
                       uint8_t* const maskRows[8]);

} // namespace dw::rotate_detail
