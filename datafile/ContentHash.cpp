#include "ContentHash.h"

#include "platform/CpuFeatures.h"

#include <cstring>

#if DW_X86
#include <immintrin.h>
#endif

namespace dw {

namespace {

constexpr int kStripe = 64;           // bytes taken at once, a word for each lane
constexpr int kStripesPerMix = 16;    // the lanes are mixed every 1 KiB
constexpr uint64_t kMixPrime = 0x9E3779B1u; // below 2^32, so that vectors multiply by it exactly

constexpr uint64_t kWordKeys[8] = {
    0xbe4ba423396cfeb8ull, 0x1cad21f72c81017cull, 0xdb979083e96dd4deull, 0x1f67b3b7a4a44072ull,
    0x78e5c0cc4ee679cbull, 0x2172ffcc7dd05a82ull, 0x8e2443f7744608b8ull, 0x4c263a81e69035e0ull,
};
constexpr uint64_t kMixKeys[8] = {
    0xcb00c391bb52283cull, 0xa32e531b8b65d088ull, 0x4ef90da297486471ull, 0xd8acdea946ef1938ull,
    0x3f349ce33f76faa8ull, 0x1d4f0bc7c7bbdcf9ull, 0x3159b4cd4be0518aull, 0x647378d9c97e9fc8ull,
};

uint64_t word(const uint8_t* bytes)
{
    uint64_t w;
    std::memcpy(&w, bytes, 8); // the processor's order: the hash is only compared on one kind
    return w;
}

void mixLanes(uint64_t lanes[8])
{
    for (int i = 0; i < 8; ++i) {
        uint64_t a = lanes[i];
        a ^= a >> 47;
        a ^= kMixKeys[i];
        lanes[i] = a * kMixPrime;
    }
}

void stripesPortable(uint64_t lanes[8], const uint8_t* bytes, int64_t stripes, int& stripe)
{
    for (int64_t s = 0; s < stripes; ++s, bytes += kStripe) {
        uint64_t w[8];
        for (int i = 0; i < 8; ++i)
            w[i] = word(bytes + 8 * i);
        for (int i = 0; i < 8; ++i) {
            const uint64_t k = w[i] ^ kWordKeys[i];
            lanes[i] += w[i ^ 1] + (k & 0xffffffffu) * (k >> 32);
        }
        if (++stripe == kStripesPerMix) {
            mixLanes(lanes);
            stripe = 0;
        }
    }
}

#if DW_X86
__attribute__((target("avx2"))) inline __m256i takeWords(__m256i lanes, __m256i w, __m256i keys)
{
    const __m256i k = _mm256_xor_si256(w, keys);
    const __m256i product = _mm256_mul_epu32(k, _mm256_srli_epi64(k, 32));
    const __m256i neighbour = _mm256_shuffle_epi32(w, _MM_SHUFFLE(1, 0, 3, 2));
    return _mm256_add_epi64(lanes, _mm256_add_epi64(neighbour, product));
}

__attribute__((target("avx2"))) inline __m256i mixed(__m256i a, __m256i keys)
{
    const __m256i prime = _mm256_set1_epi64x(int64_t(kMixPrime));
    a = _mm256_xor_si256(a, _mm256_srli_epi64(a, 47));
    a = _mm256_xor_si256(a, keys);
    const __m256i low = _mm256_mul_epu32(a, prime);
    const __m256i high = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), prime);
    return _mm256_add_epi64(low, _mm256_slli_epi64(high, 32));
}

__attribute__((target("avx2"))) void stripesAvx2(uint64_t lanes[8], const uint8_t* bytes, int64_t stripes, int& stripe)
{
    __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes));
    __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes + 4));
    const __m256i w0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kWordKeys));
    const __m256i w1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kWordKeys + 4));
    const __m256i m0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kMixKeys));
    const __m256i m1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kMixKeys + 4));
    for (int64_t s = 0; s < stripes; ++s, bytes += kStripe) {
        a0 = takeWords(a0, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes)), w0);
        a1 = takeWords(a1, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32)), w1);
        if (++stripe == kStripesPerMix) {
            a0 = mixed(a0, m0);
            a1 = mixed(a1, m1);
            stripe = 0;
        }
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), a0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes + 4), a1);
}
#endif

uint64_t finalMix(uint64_t x)
{
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ull;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

} // namespace

ContentHasher::ContentHasher(HashKernel kernel) : m_avx2(kernel == HashKernel::Fastest && cpu::haveAvx2())
{
    for (int i = 0; i < 8; ++i)
        m_lanes[i] = kMixKeys[7 - i];
}

void ContentHasher::add(const uint8_t* bytes, int64_t size)
{
    if (size <= 0)
        return;
    m_length += uint64_t(size);
    const auto take = [&](const uint8_t* from, int64_t stripes) {
#if DW_X86
        if (m_avx2) {
            stripesAvx2(m_lanes, from, stripes, m_stripe);
            return;
        }
#endif
        stripesPortable(m_lanes, from, stripes, m_stripe);
    };
    if (m_pendingCount > 0) {
        const int64_t n = size < kStripe - m_pendingCount ? size : kStripe - m_pendingCount;
        std::memcpy(m_pending + m_pendingCount, bytes, size_t(n));
        m_pendingCount += int(n);
        bytes += n;
        size -= n;
        if (m_pendingCount < kStripe)
            return;
        take(m_pending, 1);
        m_pendingCount = 0;
    }
    const int64_t whole = size / kStripe;
    if (whole > 0)
        take(bytes, whole);
    m_pendingCount = int(size - whole * kStripe);
    std::memcpy(m_pending, bytes + whole * kStripe, size_t(m_pendingCount));
}

uint64_t ContentHasher::finish() const
{
    uint64_t lanes[8];
    std::memcpy(lanes, m_lanes, sizeof lanes);
    if (m_pendingCount > 0) {
        uint8_t last[kStripe] = {};
        std::memcpy(last, m_pending, size_t(m_pendingCount));
        int stripe = m_stripe;
        stripesPortable(lanes, last, 1, stripe);
    }
    uint64_t hash = finalMix(m_length * 0x9E3779B97F4A7C15ull);
    for (int i = 0; i < 8; ++i)
        hash = finalMix(hash ^ lanes[i]);
    return hash;
}

} // namespace dw
