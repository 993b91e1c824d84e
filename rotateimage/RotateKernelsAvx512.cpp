// The 24-bit vector kernels of RotateDib in AVX-512: sixteen samples at a time, one gather each,
// packed to 48 bytes by one byte permutation; and the key mask of an upright row, sixteen pixels
// unpacked from 48 bytes. The same 16.16 positions as the scalar kernels, so the result is bit
// for bit the same; chosen at run time when the processor has the extensions.

#include "RotateKernels.h"

#include "platform/CpuFeatures.h"

#if DW_X86
#include <immintrin.h>
#endif

namespace dw::rotate_detail {

#if DW_X86

__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi"))) int64_t
sampleRow24Avx512(const uint8_t* pixels, int64_t rowSize, int64_t count, int64_t x, int64_t y, int64_t dX, int64_t dY,
                  int64_t key, bool negate, uint8_t* out, uint8_t* mask)
{
    const __m512i k = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m512i lx = _mm512_add_epi32(_mm512_set1_epi32(int32_t(x)), _mm512_mullo_epi32(k, _mm512_set1_epi32(int32_t(dX))));
    __m512i ly = _mm512_add_epi32(_mm512_set1_epi32(int32_t(y)), _mm512_mullo_epi32(k, _mm512_set1_epi32(int32_t(dY))));
    const __m512i stepX = _mm512_set1_epi32(int32_t(16 * dX));
    const __m512i stepY = _mm512_set1_epi32(int32_t(16 * dY));
    const __m512i row = _mm512_set1_epi32(int32_t(rowSize));
    const __m512i colour = _mm512_set1_epi32(0xFFFFFF);
    const __m512i keyLanes = _mm512_set1_epi32(int32_t(key));
    const __m512i invert = negate ? colour : _mm512_setzero_si512();
    const __m128i one = _mm_set1_epi8(1);
    // Bytes 0, 1, 2 of each lane, one after the other: 48 bytes.
    alignas(64) static const uint8_t packIndex[64] = {
        0,  1,  2,  4,  5,  6,  8,  9,  10, 12, 13, 14, 16, 17, 18, 20, 21, 22, 24, 25, 26, 28,
        29, 30, 32, 33, 34, 36, 37, 38, 40, 41, 42, 44, 45, 46, 48, 49, 50, 52, 53, 54, 56, 57,
        58, 60, 61, 62, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0};
    const __m512i pack = _mm512_load_si512(packIndex);
    constexpr __mmask64 kBytes48 = (__mmask64(1) << 48) - 1;
    int64_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512i sx = _mm512_srli_epi32(lx, 16);
        const __m512i offset = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_srli_epi32(ly, 16), row),
                                                _mm512_add_epi32(sx, _mm512_add_epi32(sx, sx)));
        const __m512i v = _mm512_and_si512(_mm512_i32gather_epi32(offset, pixels, 1), colour);
        __m512i o = _mm512_xor_si512(v, invert);
        if (key >= 0) {
            const __mmask16 isKey = _mm512_cmpeq_epi32_mask(v, keyLanes);
            o = _mm512_mask_mov_epi32(o, isKey, v); // a key pixel keeps its raw value
            _mm_storeu_si128(reinterpret_cast<__m128i*>(mask + i), _mm_and_si128(_mm_movm_epi8(isKey), one));
        }
        _mm512_mask_storeu_epi8(out + 3 * i, kBytes48, _mm512_permutexvar_epi8(pack, o));
        lx = _mm512_add_epi32(lx, stepX);
        ly = _mm512_add_epi32(ly, stepY);
    }
    return i;
}

__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi"))) int64_t uprightMask24Avx512(const uint8_t* pixels,
                                                                                           int64_t count, uint32_t key,
                                                                                           uint8_t* mask)
{
    // Each lane takes its pixel's three bytes; the fourth is cleared below.
    alignas(64) static const uint8_t unpackIndex[64] = {
        0,  1,  2,  2,  3,  4,  5,  5,  6,  7,  8,  8,  9,  10, 11, 11, 12, 13, 14, 14, 15, 16,
        17, 17, 18, 19, 20, 20, 21, 22, 23, 23, 24, 25, 26, 26, 27, 28, 29, 29, 30, 31, 32, 32,
        33, 34, 35, 35, 36, 37, 38, 38, 39, 40, 41, 41, 42, 43, 44, 44, 45, 46, 47, 47};
    const __m512i unpack = _mm512_load_si512(unpackIndex);
    const __m512i colour = _mm512_set1_epi32(0xFFFFFF);
    const __m512i keyLanes = _mm512_set1_epi32(int32_t(key));
    const __m128i one = _mm_set1_epi8(1);
    constexpr __mmask64 kBytes48 = (__mmask64(1) << 48) - 1;
    int64_t i = 0;
    for (; i + 16 <= count; i += 16) {
        // A masked load reads the sixteen pixels' 48 bytes and nothing after them.
        const __m512i bytes = _mm512_maskz_loadu_epi8(kBytes48, pixels + 3 * i);
        const __m512i v = _mm512_and_si512(_mm512_permutexvar_epi8(unpack, bytes), colour);
        const __mmask16 isKey = _mm512_cmpeq_epi32_mask(v, keyLanes);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mask + i), _mm_and_si128(_mm_movm_epi8(isKey), one));
    }
    return i;
}

#else

int64_t uprightMask24Avx512(const uint8_t*, int64_t, uint32_t, uint8_t*) { return 0; }
int64_t sampleRow24Avx512(const uint8_t*, int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, bool,
                          uint8_t*, uint8_t*)
{
    return 0;
}

#endif

} // namespace dw::rotate_detail
