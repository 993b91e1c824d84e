#pragma once

// The byte moves of the sliced form, walked over the grid instead of mapping every byte through
// FlatToSlicedPos: whole columns are moved in 16 × 16 or 8 × 8 blocks (a transposition in
// registers), the rest column by column or row by row. The bytes produced are exactly those of the per-byte
// mapping. Internal to the stream-list unit.
//
// Grid of n plain bytes and W columns (W ≥ 1): q = n div W, r = n mod W; columns 0 .. r − 1 hold
// q + 1 bytes, the others q; plain position colStart(c) + j is stored at j × W + c.

#include <cstdint>

namespace dw::slicegrid {

// The block transposition used: the fastest the machine has (AVX2 where the processor has it,
// else SSE2 on x86-64), at most SSE2, or the portable one every machine runs. All give the same
// bytes; the others exist so that each can be tested where the fastest is used.
enum class Kernel { Fastest, Sse2, Portable };

// stored[FlatToSlicedPos(i, n, W)] = plain[i] XOR key for every i in 0 .. n − 1.
// plain and stored hold n bytes each and do not overlap.
void toStored(const uint8_t* plain, uint8_t* stored, int64_t n, int32_t W, uint8_t key,
              Kernel kernel = Kernel::Fastest);

// plain[k] = stored[FlatToSlicedPos(from + k, n, W)] XOR key for every k in 0 .. count − 1.
// Requires 0 ≤ from, count ≥ 0, from + count ≤ n; stored holds n bytes, plain count bytes.
void toPlain(const uint8_t* stored, uint8_t* plain, int64_t n, int32_t W, uint8_t key, int64_t from,
             int64_t count, Kernel kernel = Kernel::Fastest);

} // namespace dw::slicegrid
