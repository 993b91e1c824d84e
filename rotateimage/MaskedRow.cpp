#include "MaskedRow.h"

#include "platform/CpuFeatures.h"

#include <cstring>

#if DW_X86
#include <immintrin.h>
#endif

namespace dw {

namespace {

inline void overlayPixel(const uint8_t* pixel, uint8_t mask, uint32_t& out)
{
    uint32_t word;
    std::memcpy(&word, pixel, 4);
    const uint32_t opaque = mask == 0 ? 0xFFFFFFFFu : 0;
    out = (out & ~opaque) | (word & 0x00FFFFFFu & opaque) | 0xFF000000u;
}

#if DW_X86
// Eight pixels at a time: two 16-byte loads hold four 3-byte pixels each (the second one starts
// 12 bytes on and reads 4 bytes beyond the eighth pixel), spread into words by a byte shuffle;
// the mask bytes widened to words say which to take.
__attribute__((target("avx2"))) void overlayAvx2(const uint8_t* pixels, const uint8_t* mask, uint32_t* out,
                                                 int64_t width)
{
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i top = _mm256_set1_epi32(int32_t(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    int64_t x = 0;
    // Reads reach 3x + 28 bytes; the last pixel's word ends at 3 · width + 1.
    for (; x + 9 <= width; x += 8) {
        const uint8_t* p = pixels + 3 * x;
        const __m256i raw = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
        const __m256i colours = _mm256_shuffle_epi8(raw, spread);
        uint64_t m;
        std::memcpy(&m, mask + x, 8);
        const __m256i opaque = _mm256_cmpeq_epi32(_mm256_cvtepu8_epi32(_mm_cvtsi64_si128(int64_t(m))), zero);
        __m256i* o = reinterpret_cast<__m256i*>(out + x);
        const __m256i kept = _mm256_loadu_si256(o);
        _mm256_storeu_si256(o, _mm256_or_si256(_mm256_blendv_epi8(kept, colours, opaque), top));
    }
    for (; x < width; ++x)
        overlayPixel(pixels + 3 * x, mask[x], out[x]);
}
#endif

} // namespace

void overlayMaskedRow24Plain(const uint8_t* pixels, const uint8_t* mask, uint32_t* out, int64_t width)
{
    for (int64_t x = 0; x < width; ++x)
        overlayPixel(pixels + 3 * x, mask[x], out[x]);
}

void overlayMaskedRow24(const uint8_t* pixels, const uint8_t* mask, uint32_t* out, int64_t width)
{
#if DW_X86
    if (cpu::haveAvx2()) {
        overlayAvx2(pixels, mask, out, width);
        return;
    }
#endif
    overlayMaskedRow24Plain(pixels, mask, out, width);
}

} // namespace dw
