#include "FileImage.h"

#include <cstring>

namespace dw {

// XOR of little-endian words is the XOR of their bytes, so the words are handled as raw
// 32-bit values; the byte order of the machine does not matter.
namespace {
inline uint32_t word(const uint8_t* bytes, int64_t i)
{
    uint32_t w;
    std::memcpy(&w, bytes + 4 * i, 4);
    return w;
}
inline void setWord(uint8_t* bytes, int64_t i, uint32_t w) { std::memcpy(bytes + 4 * i, &w, 4); }
} // namespace

void chainWords(uint8_t* bytes, int64_t size)
{
    const int64_t k = size / 4;
    // Downwards, so that W[i − 1] is still the unchanged word when W[i] is chained with it.
    for (int64_t i = k - 1; i >= 1; --i)
        setWord(bytes, i, word(bytes, i) ^ word(bytes, i - 1));
}

void unchainWords(uint8_t* bytes, int64_t size)
{
    const int64_t k = size / 4;
    if (k < 2)
        return;
    uint32_t previous = word(bytes, 0);
    for (int64_t i = 1; i < k; ++i) {
        previous ^= word(bytes, i);
        setWord(bytes, i, previous);
    }
}

} // namespace dw
