// The vector kernels of RotateDib: eight samples at a time with AVX2 gathers. They compute the
// same 16.16 positions as the scalar kernels (X + k · dX, truncated by a shift), so the result
// is bit for bit the same; they are chosen at run time when the processor has AVX2.

#include "RotateKernels.h"

#include "platform/CpuFeatures.h"

#if DW_X86
#include <immintrin.h>
#endif

namespace dw::rotate_detail {

#if DW_X86

namespace {

// Positions of lanes 0..7 and the step of eight pixels. All positions of the segment are in
// 0 .. 2^31 (the picture is under 32768 pixels a side) and steps under 2^27 (checked by the
// caller), so the 32-bit lanes never overflow.
struct Lanes {
    __m256i x, y, stepX, stepY;
};

__attribute__((target("avx2"))) inline Lanes startLanes(int64_t x, int64_t y, int64_t dX, int64_t dY)
{
    const __m256i k = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    Lanes l;
    l.x = _mm256_add_epi32(_mm256_set1_epi32(int32_t(x)), _mm256_mullo_epi32(k, _mm256_set1_epi32(int32_t(dX))));
    l.y = _mm256_add_epi32(_mm256_set1_epi32(int32_t(y)), _mm256_mullo_epi32(k, _mm256_set1_epi32(int32_t(dY))));
    l.stepX = _mm256_set1_epi32(int32_t(8 * dX));
    l.stepY = _mm256_set1_epi32(int32_t(8 * dY));
    return l;
}

// The low byte of each 32-bit lane, packed into the low 8 bytes.
__attribute__((target("avx2"))) inline __m128i lowBytes(__m256i v)
{
    const __m256i pick = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, //
                                          0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0);
    const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, pick), join);
    return _mm256_castsi256_si128(packed);
}

// 32-bit words at byte offsets from the pixels.
__attribute__((target("avx2"))) inline __m256i gather(const uint8_t* pixels, __m256i offset)
{
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(pixels), offset, 1);
}

// The low 8 bytes of a vector.
__attribute__((target("avx2"))) inline void storeBytes(uint8_t* p, __m128i v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

} // namespace

__attribute__((target("avx2"))) int64_t sampleRow8Avx2(const uint8_t* pixels, int64_t rowSize, int64_t count,
                                                       int64_t x, int64_t y, int64_t dX, int64_t dY, int32_t key,
                                                       uint8_t* out, uint8_t* mask)
{
    Lanes l = startLanes(x, y, dX, dY);
    const __m256i row = _mm256_set1_epi32(int32_t(rowSize));
    const __m256i low = _mm256_set1_epi32(0xFF);
    const __m256i keyLanes = _mm256_set1_epi32(key);
    const __m256i one = _mm256_set1_epi32(1);
    int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i offset
            = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(l.y, 16), row), _mm256_srli_epi32(l.x, 16));
        const __m256i v = _mm256_and_si256(gather(pixels, offset), low);
        storeBytes(out + i, lowBytes(v));
        if (key >= 0)
            storeBytes(mask + i, lowBytes(_mm256_and_si256(_mm256_cmpeq_epi32(v, keyLanes), one)));
        l.x = _mm256_add_epi32(l.x, l.stepX);
        l.y = _mm256_add_epi32(l.y, l.stepY);
    }
    return i;
}

__attribute__((target("avx2"))) int64_t sampleRow24Avx2(const uint8_t* pixels, int64_t rowSize, int64_t count,
                                                        int64_t x, int64_t y, int64_t dX, int64_t dY, int64_t key,
                                                        bool negate, uint8_t* out, uint8_t* mask)
{
    Lanes l = startLanes(x, y, dX, dY);
    const __m256i row = _mm256_set1_epi32(int32_t(rowSize));
    const __m256i colour = _mm256_set1_epi32(0xFFFFFF);
    const __m256i keyLanes = _mm256_set1_epi32(int32_t(key));
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i invert = negate ? colour : _mm256_setzero_si256();
    // Three bytes of each lane, packed: 12 bytes per 128-bit half, then the halves joined.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
    int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i sx = _mm256_srli_epi32(l.x, 16);
        const __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(l.y, 16), row),
                                                _mm256_add_epi32(sx, _mm256_add_epi32(sx, sx)));
        const __m256i v = _mm256_and_si256(gather(pixels, offset), colour);
        __m256i o = _mm256_xor_si256(v, invert);
        if (key >= 0) {
            const __m256i isKey = _mm256_cmpeq_epi32(v, keyLanes);
            o = _mm256_blendv_epi8(o, v, isKey); // a key pixel keeps its raw value
            storeBytes(mask + i, lowBytes(_mm256_and_si256(isKey, one)));
        }
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(o, pack), join);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i), _mm256_castsi256_si128(bytes));
        storeBytes(out + 3 * i + 16, _mm256_extracti128_si256(bytes, 1));
        l.x = _mm256_add_epi32(l.x, l.stepX);
        l.y = _mm256_add_epi32(l.y, l.stepY);
    }
    return i;
}

// Eight rendered rows of a quarter turn, eight columns at a time: the eight pixels of source
// row R(c) = sourceRow + c · rowStep, columns minColumn .. minColumn + 7, are rendered column c
// of rows 0 .. 7 (or 7 .. 0 when reversed). Load eight such source runs and transpose.
__attribute__((target("avx2"))) void quarterTurn8Avx2(const uint8_t* pixels, int64_t rowSize, int64_t sourceRow,
                                                      int rowStep, int64_t minColumn, bool reversed, int64_t count,
                                                      int32_t key, uint8_t* const outRows[8],
                                                      uint8_t* const maskRows[8])
{
    const __m128i keyBytes = _mm_set1_epi8(char(key));
    const __m128i one = _mm_set1_epi8(1);
    for (int64_t c = 0; c < count; c += 8) {
        __m128i a[8];
        for (int t = 0; t < 8; ++t) {
            const uint8_t* p = pixels + (sourceRow + (c + t) * rowStep) * rowSize + minColumn;
            a[t] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        }
        // 8 × 8 bytes: rows t (rendered columns) of elements e (source columns) → rows e.
        const __m128i b0 = _mm_unpacklo_epi8(a[0], a[1]), b1 = _mm_unpacklo_epi8(a[2], a[3]);
        const __m128i b2 = _mm_unpacklo_epi8(a[4], a[5]), b3 = _mm_unpacklo_epi8(a[6], a[7]);
        const __m128i c0 = _mm_unpacklo_epi16(b0, b1), c1 = _mm_unpackhi_epi16(b0, b1);
        const __m128i c2 = _mm_unpacklo_epi16(b2, b3), c3 = _mm_unpackhi_epi16(b2, b3);
        const __m128i d[4] = {_mm_unpacklo_epi32(c0, c2), _mm_unpackhi_epi32(c0, c2), _mm_unpacklo_epi32(c1, c3),
                              _mm_unpackhi_epi32(c1, c3)};
        for (int e = 0; e < 8; ++e) {
            const __m128i v = (e & 1) ? _mm_unpackhi_epi64(d[e / 2], d[e / 2]) : d[e / 2];
            const int r = reversed ? 7 - e : e;
            storeBytes(outRows[r] + c, v);
            if (key >= 0)
                storeBytes(maskRows[r] + c, _mm_and_si128(_mm_cmpeq_epi8(v, keyBytes), one));
        }
    }
}

__attribute__((target("avx2"))) void quarterTurn24Avx2(const uint8_t* pixels, int64_t rowSize, int64_t sourceRow,
                                                       int rowStep, int64_t minColumn, bool reversed, int64_t count,
                                                       int64_t key, bool negate, uint8_t* const outRows[8],
                                                       uint8_t* const maskRows[8])
{
    // Eight 3-byte pixels to eight words: bytes 0..11 of each 128-bit half, the upper half
    // loaded from 12 bytes further on.
    const __m256i expand = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
    const __m256i keyLanes = _mm256_set1_epi32(int32_t(key));
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i invert = negate ? _mm256_set1_epi32(0xFFFFFF) : _mm256_setzero_si256();
    for (int64_t c = 0; c < count; c += 8) {
        __m256i v[8];
        for (int t = 0; t < 8; ++t) {
            const uint8_t* p = pixels + (sourceRow + (c + t) * rowStep) * rowSize + 3 * minColumn;
            const __m256i raw = _mm256_inserti128_si256(
                _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
            v[t] = _mm256_shuffle_epi8(raw, expand);
        }
        // 8 × 8 words: v[t][e] → w[e][t].
        const __m256i t0 = _mm256_unpacklo_epi32(v[0], v[1]), t1 = _mm256_unpackhi_epi32(v[0], v[1]);
        const __m256i t2 = _mm256_unpacklo_epi32(v[2], v[3]), t3 = _mm256_unpackhi_epi32(v[2], v[3]);
        const __m256i t4 = _mm256_unpacklo_epi32(v[4], v[5]), t5 = _mm256_unpackhi_epi32(v[4], v[5]);
        const __m256i t6 = _mm256_unpacklo_epi32(v[6], v[7]), t7 = _mm256_unpackhi_epi32(v[6], v[7]);
        const __m256i u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
        const __m256i u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
        const __m256i u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
        const __m256i u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
        const __m256i w[8] = {_mm256_permute2x128_si256(u0, u4, 0x20), _mm256_permute2x128_si256(u1, u5, 0x20),
                              _mm256_permute2x128_si256(u2, u6, 0x20), _mm256_permute2x128_si256(u3, u7, 0x20),
                              _mm256_permute2x128_si256(u0, u4, 0x31), _mm256_permute2x128_si256(u1, u5, 0x31),
                              _mm256_permute2x128_si256(u2, u6, 0x31), _mm256_permute2x128_si256(u3, u7, 0x31)};
        for (int e = 0; e < 8; ++e) {
            const int r = reversed ? 7 - e : e;
            __m256i o = _mm256_xor_si256(w[e], invert);
            if (key >= 0) {
                const __m256i isKey = _mm256_cmpeq_epi32(w[e], keyLanes);
                o = _mm256_blendv_epi8(o, w[e], isKey);
                storeBytes(maskRows[r] + c, lowBytes(_mm256_and_si256(isKey, one)));
            }
            const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(o, pack), join);
            uint8_t* out = outRows[r] + 3 * c;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(bytes));
            storeBytes(out + 16, _mm256_extracti128_si256(bytes, 1));
        }
    }
}

#else

int64_t sampleRow8Avx2(const uint8_t*, int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, int32_t, uint8_t*,
                       uint8_t*)
{
    return 0;
}
int64_t sampleRow24Avx2(const uint8_t*, int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, bool, uint8_t*,
                        uint8_t*)
{
    return 0;
}
void quarterTurn8Avx2(const uint8_t*, int64_t, int64_t, int, int64_t, bool, int64_t, int32_t, uint8_t* const[8],
                      uint8_t* const[8])
{
}
void quarterTurn24Avx2(const uint8_t*, int64_t, int64_t, int, int64_t, bool, int64_t, int64_t, bool, uint8_t* const[8],
                       uint8_t* const[8])
{
}

#endif

} // namespace dw::rotate_detail
