#pragma once

// Colour effects of the rotating image engine: desaturation with per-channel tone curves
// (Monochrome, Sepia), the negative, and the logical palette of an 8-bit image.

#include "platform/MemoryStream.h"
#include "platform/Palette.h"

#include <array>
#include <cstdint>
#include <optional>

namespace dw {

// The colour effect word: bits 24..31 desaturation D (0..255, 170 = pure grey), bits 16..23,
// 8..15 and 0..7 the signed tone adjustments of blue, green and red (−128..127).
constexpr uint32_t EffectNone = 0;
constexpr uint32_t EffectMonochrome = 0xAA000000u;
constexpr uint32_t EffectSepia = 0x649C0A64u;

// A colour in pixel order (blue bits 0..7, green 8..15, red 16..23) with the effect applied.
// The top byte of the input is ignored; the result's is 0.
uint32_t ApplyColorEffect(uint32_t color, uint32_t effect);

// The same mapping prepared once for many pixels: the tone curves become tables. Gives exactly
// ApplyColorEffect's results.
class ColorEffectTable {
public:
    explicit ColorEffectTable(uint32_t effect);
    uint32_t apply(uint32_t color) const
    {
        uint32_t b = color & 0xFF, g = color >> 8 & 0xFF, r = color >> 16 & 0xFF;
        if (m_desaturation != 0) {
            const uint32_t keep = 510 - 2 * m_desaturation;
            const uint32_t b2 = (m_desaturation * (g + r) + b * keep) / 510;
            const uint32_t g2 = (m_desaturation * (b + r) + g * keep) / 510;
            const uint32_t r2 = (m_desaturation * (b + g) + r * keep) / 510;
            b = b2, g = g2, r = r2;
        }
        return uint32_t(m_tone[0][b]) | uint32_t(m_tone[1][g]) << 8 | uint32_t(m_tone[2][r]) << 16;
    }

private:
    uint32_t m_desaturation;
    std::array<std::array<uint8_t, 256>, 3> m_tone; // blue, green, red
};

// The tone curve of one channel with signed adjustment s (exposed for the table and tests).
int toneCurve(int channel, int adjustment);

// Rewrites the colour table of a 4- or 8-bit image: each entry gets the effect (when the word is
// not 0), then the negative (when set; the fourth byte becomes 0). The entries are the stated
// colour count, or the full table when that is outside 1..16 (4 bits) or 1..256 (8 bits).
// Other images, and buffers too short for the table, are left alone.
void ApplyPaletteEffect(TMemoryStream& image, uint32_t effect, bool negative);

// The logical palette of a 4- or 8-bit image (entries counted as for ApplyPaletteEffect), none
// for other images or when the buffer holds no usable image.
std::optional<TLogPalette> CreateDibPalette(const TMemoryStream& image);

} // namespace dw
