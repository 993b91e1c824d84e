#pragma once

// Row kernels of the block transfers: raster operations over runs of pixels held the way a
// surface stores them, and conversions between those layouts and colour words. Internal to
// platform/ (the unscaled transfer in BlitUnscaled.cpp).
//
// Every raster operation works bit by bit on pattern, source and destination, so applying it
// to packed bytes (24-bit rows, monochrome bits) or to whole 32-bit words gives the bits that
// applying it to each pixel's colour gives, as long as all three are in the same layout.
// Colour words are 0x00RRGGBB; their top byte is ignored where they are read.

#include <cstddef>
#include <cstdint>

namespace dw::blit {

// The vector instructions the kernels may use: the best the processor has (the default), at
// most SSSE3, or none. For tests and measurements of the other code paths.
enum class Vectors { Best, UpToSsse3, None };
void limitVectors(Vectors limit);

// d[i] := rop(p, s[i], d[i]) | orMask for n words (rop: the ternary index, bits 16..23 of a
// raster code). s may be d (an operation without source).
void ropWords(uint8_t rop, uint32_t p, const uint32_t* s, uint32_t* d, size_t n, uint32_t orMask);
// d[i] := rop(p[i], s[i], d[i]) for n bytes. s may be d.
void ropBytes(uint8_t rop, const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n);

// Colour words → 24-bit pixels: bytes blue, green, red when bgr, else red, green, blue.
void pack24(const uint32_t* words, uint8_t* out, size_t n, bool bgr);
// 24-bit pixels → colour words, each ored with orMask.
void unpack24(const uint8_t* in, uint32_t* words, size_t n, bool bgr, uint32_t orMask);
// out[i] := (word i of in & 0xFFFFFF) | orMask; in needs no alignment (rows of a bitmap file).
void maskWords(const uint8_t* in, uint32_t* out, size_t n, uint32_t orMask);

// Table lookups of indexed pixels sx .. sx + n − 1 of a row: out[i] := table[value] | orMask.
// Bits: 1 bit per pixel, most significant first when msbFirst, through the words of each
// nibble (bitWords); nibbles: 4 bits, high nibble first (16 entries); bytes: 8 bits (256
// entries).
struct BitWords {
    uint32_t words[16][4]; // the colours of a nibble's four pixels, in row order
};
BitWords bitWords(uint32_t zero, uint32_t one, bool msbFirst);
void lookupBits(const uint8_t* row, int64_t sx, size_t n, bool msbFirst, const BitWords& lut, uint32_t* out);
void lookupNibbles(const uint8_t* row, int64_t sx, size_t n, const uint32_t* table, uint32_t* out, uint32_t orMask);
void lookupBytes(const uint8_t* row, int64_t sx, size_t n, const uint32_t* table, uint32_t* out, uint32_t orMask);

// Monochrome runs. A run of n pixels starting at bit firstBit (0..7) of out[0] is written as
// bits (bit 0 of each word, or of bitOf[byte]) into out[0 .. (firstBit + n + 7) / 8 − 1]; the
// other bits of those bytes become 0.
// ByteBits: the bit of each byte value, also as two bit sets over the high nibble indexed by
// the low one (for sixteen lookups at a time).
struct ByteBits {
    uint8_t bitOf[256];
    uint8_t low[16], high[16]; // bit h of low[l]: bitOf[h << 4 | l]; of high[l]: bitOf[(h + 8) << 4 | l]
};
ByteBits byteBits(const uint8_t* bitOf);
void packBits(const uint32_t* words, size_t n, int firstBit, bool msbFirst, uint8_t* out);
void lookupBytesToBits(const uint8_t* in, size_t n, const ByteBits& bits, int firstBit, bool msbFirst, uint8_t* out);

// The bits of one byte that pixels lo .. hi − 1 of it take (0 ≤ lo < hi ≤ 8).
inline uint8_t bitRunMask(int lo, int hi, bool msbFirst)
{
    const unsigned lsb = ((1u << hi) - 1) & ~((1u << lo) - 1);
    return uint8_t(msbFirst ? (0xFFu >> lo) & (0xFFu << (8 - hi)) : lsb);
}

} // namespace dw::blit
