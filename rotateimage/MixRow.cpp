#include "MixRow.h"

#include <cstring>

namespace dw {

namespace {

// Per-byte c div 2^k on four bytes at once: shift the word and drop the bits that crossed over
// from the next byte. No blend result leaves 0..255, so the word sums never carry between bytes.
inline uint32_t half(uint32_t v) { return (v >> 1) & 0x7F7F7F7Fu; }
inline uint32_t quarter(uint32_t v) { return (v >> 2) & 0x3F3F3F3Fu; }
inline uint32_t eighth(uint32_t v) { return (v >> 3) & 0x1F1F1F1Fu; }

template <int Level>
inline uint32_t mix(uint32_t c, uint32_t b)
{
    if constexpr (Level == 1)
        return c - eighth(c) + eighth(b);
    else if constexpr (Level == 2)
        return c - quarter(c) + quarter(b);
    else if constexpr (Level == 3)
        return c - quarter(c) - eighth(c) + quarter(b) + eighth(b);
    else if constexpr (Level == 4)
        return c - half(c) + half(b);
    else if constexpr (Level == 5)
        return quarter(c) + eighth(c) + b - quarter(b) - eighth(b);
    else if constexpr (Level == 6)
        return quarter(c) + b - quarter(b);
    else
        return eighth(c) + b - eighth(b);
}

template <int Level>
inline void mixWordsBody(uint8_t* composite, const uint8_t* background, int64_t words)
{
    for (int64_t i = 0; i < words; ++i) {
        uint32_t c, b;
        std::memcpy(&c, composite + 4 * i, 4);
        std::memcpy(&b, background + 4 * i, 4);
        c = mix<Level>(c, b);
        std::memcpy(composite + 4 * i, &c, 4);
    }
}

template <int Level>
void mixWordsPlain(uint8_t* composite, const uint8_t* background, int64_t words)
{
    mixWordsBody<Level>(composite, background, words);
}

#if defined(__x86_64__) || defined(__i386__)
#define DW_MIX_X86 1
// The same loop, which the compiler turns into 32-byte vector operations.
template <int Level>
__attribute__((target("avx2"))) void mixWordsAvx2(uint8_t* composite, const uint8_t* background, int64_t words)
{
    mixWordsBody<Level>(composite, background, words);
}
#endif

template <int Level>
void mixLevel(uint8_t* composite, const uint8_t* background, int64_t words)
{
#if DW_MIX_X86
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        mixWordsAvx2<Level>(composite, background, words);
        return;
    }
#endif
    mixWordsPlain<Level>(composite, background, words);
}

} // namespace

void mixWords(uint8_t* composite, const uint8_t* background, int64_t words, int level)
{
    if (words <= 0)
        return;
    switch (level & 7) {
    case 1: mixLevel<1>(composite, background, words); break;
    case 2: mixLevel<2>(composite, background, words); break;
    case 3: mixLevel<3>(composite, background, words); break;
    case 4: mixLevel<4>(composite, background, words); break;
    case 5: mixLevel<5>(composite, background, words); break;
    case 6: mixLevel<6>(composite, background, words); break;
    case 7: mixLevel<7>(composite, background, words); break;
    default: break;
    }
}

void mixRow(uint8_t* composite, const uint8_t* background, int64_t width, int level)
{
    if (width > 0)
        mixWords(composite, background, mixRowWords(width), level);
}

} // namespace dw
