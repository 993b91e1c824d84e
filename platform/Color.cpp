#include "Color.h"

namespace dw {

uint32_t ColorToRGB(TColor color)
{
    if (!(static_cast<uint32_t>(color) & 0x80000000u))
        return static_cast<uint32_t>(color) & 0xFFFFFF;
    // The classic system colour scheme (0x00BBGGRR), indexed by the system colour number.
    static const uint32_t scheme[31] = {
        0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
        0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
        0x808080, 0x808080, 0x000000, 0x000000, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
        0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xFF9933, 0xC8D0D4,
    };
    const uint32_t index = static_cast<uint32_t>(color) & 0xFF;
    return index < 31 ? scheme[index] : 0;
}

} // namespace dw
