#include "MixRow.h"

#include "platform/CpuFeatures.h"

#include <cstring>

namespace dw {

namespace {

// Per-byte c div 2^k on four bytes at once: shift the word and drop the bits that crossed over
// from the next byte. No blend result leaves 0..255, so the word sums never carry between bytes.
// T is a word or a vector of words.
template <class T> inline T half(T v) { return (v >> 1) & 0x7F7F7F7Fu; }
template <class T> inline T quarter(T v) { return (v >> 2) & 0x3F3F3F3Fu; }
template <class T> inline T eighth(T v) { return (v >> 3) & 0x1F1F1F1Fu; }

template <int Level, class T>
inline T mix(T c, T b)
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

// out[i] := mix(c[i], b[i]); out is c or b. Eight words at a time, as one vector where the
// compiler may use 32-byte registers, then word by word. Each step loads both before it stores,
// so out may be either input.
using Words8 = uint32_t __attribute__((vector_size(32)));

// With Overlay, c is an overlay: the blend only where its top bit is set, b elsewhere.
template <int Level, bool Overlay, class T>
inline T step(T c, T b, uint32_t orMask)
{
    const T m = mix<Level>(c, b);
    if constexpr (Overlay) {
        const T opaque = T{} - (c >> 31);
        return (m & opaque) | (b & ~opaque) | orMask;
    } else {
        return m | orMask;
    }
}

template <int Level, bool Overlay>
inline void mixBody(uint8_t* out, const uint8_t* c, const uint8_t* b, int64_t words, uint32_t orMask)
{
    int64_t i = 0;
    for (; i + 8 <= words; i += 8) {
        Words8 vc, vb;
        std::memcpy(&vc, c + 4 * i, 32);
        std::memcpy(&vb, b + 4 * i, 32);
        vc = step<Level, Overlay>(vc, vb, orMask);
        std::memcpy(out + 4 * i, &vc, 32);
    }
    for (; i < words; ++i) {
        uint32_t wc, wb;
        std::memcpy(&wc, c + 4 * i, 4);
        std::memcpy(&wb, b + 4 * i, 4);
        wc = step<Level, Overlay>(wc, wb, orMask);
        std::memcpy(out + 4 * i, &wc, 4);
    }
}

template <int Level, bool Overlay>
void mixPlain(uint8_t* out, const uint8_t* c, const uint8_t* b, int64_t words, uint32_t orMask)
{
    mixBody<Level, Overlay>(out, c, b, words, orMask);
}

#if DW_X86
template <int Level, bool Overlay>
__attribute__((target("avx2"))) void mixAvx2(uint8_t* out, const uint8_t* c, const uint8_t* b, int64_t words,
                                             uint32_t orMask)
{
    mixBody<Level, Overlay>(out, c, b, words, orMask);
}
#endif

template <int Level, bool Overlay>
void mixLevel(uint8_t* out, const uint8_t* c, const uint8_t* b, int64_t words, uint32_t orMask)
{
#if DW_X86
    if (cpu::haveAvx2()) {
        mixAvx2<Level, Overlay>(out, c, b, words, orMask);
        return;
    }
#endif
    mixPlain<Level, Overlay>(out, c, b, words, orMask);
}

template <bool Overlay>
void mixInto(uint8_t* out, const uint8_t* c, const uint8_t* b, int64_t words, int level, uint32_t orMask)
{
    if (words <= 0)
        return;
    switch (level & 7) {
    case 1: mixLevel<1, Overlay>(out, c, b, words, orMask); break;
    case 2: mixLevel<2, Overlay>(out, c, b, words, orMask); break;
    case 3: mixLevel<3, Overlay>(out, c, b, words, orMask); break;
    case 4: mixLevel<4, Overlay>(out, c, b, words, orMask); break;
    case 5: mixLevel<5, Overlay>(out, c, b, words, orMask); break;
    case 6: mixLevel<6, Overlay>(out, c, b, words, orMask); break;
    case 7: mixLevel<7, Overlay>(out, c, b, words, orMask); break;
    default:
        // Level 0: the composite (or the overlay over the background) as it is.
        for (int64_t i = 0; i < words; ++i) {
            uint32_t wc, wb;
            std::memcpy(&wc, c + 4 * i, 4);
            std::memcpy(&wb, b + 4 * i, 4);
            if (Overlay && !(wc >> 31))
                wc = wb;
            wc |= orMask;
            std::memcpy(out + 4 * i, &wc, 4);
        }
        break;
    }
}

} // namespace

void mixWords(uint8_t* composite, const uint8_t* background, int64_t words, int level)
{
    mixInto<false>(composite, composite, background, words, level, 0);
}

void mixPixelsOver(uint32_t* background, const uint32_t* composite, int64_t words, int level)
{
    mixInto<false>(reinterpret_cast<uint8_t*>(background), reinterpret_cast<const uint8_t*>(composite),
                   reinterpret_cast<const uint8_t*>(background), words, level, 0xFF000000u);
}

void mixOverlayOver(uint32_t* background, const uint32_t* overlay, int64_t words, int level)
{
    mixInto<true>(reinterpret_cast<uint8_t*>(background), reinterpret_cast<const uint8_t*>(overlay),
                  reinterpret_cast<const uint8_t*>(background), words, level, 0xFF000000u);
}

void setTopBytes(uint32_t* pixels, int64_t words)
{
    uint32_t all = 0xFF000000u;
    for (int64_t i = 0; i < words; ++i)
        all &= pixels[i];
    if (all >= 0xFF000000u)
        return;
    for (int64_t i = 0; i < words; ++i)
        pixels[i] |= 0xFF000000u;
}

void mixRow(uint8_t* composite, const uint8_t* background, int64_t width, int level)
{
    if (width > 0)
        mixWords(composite, background, mixRowWords(width), level);
}

} // namespace dw
