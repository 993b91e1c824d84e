#include "ColorEffect.h"

#include "DibFormat.h"

#include "platform/ByteOrder.h"

namespace dw {

int toneCurve(int c, int s)
{
    if (s == 0)
        return c;
    // C++ division truncates toward zero, as the curve needs for negative adjustments.
    const int k = s / 8;
    const int t = (255 - c) * c * s / 32768;
    // For every s in −128..127 and c in 0..255 the result stays in 0..255.
    return s > 0 ? k + (255 - k) * c / 255 + t : (255 + k) * c / 255 + t;
}

ColorEffectTable::ColorEffectTable(uint32_t effect) : m_desaturation(effect >> 24)
{
    for (int channel = 0; channel < 3; ++channel) {
        // Blue's adjustment is in bits 16..23, green's in 8..15, red's in 0..7.
        const int s = int8_t(effect >> (8 * (2 - channel)));
        for (int c = 0; c < 256; ++c)
            m_tone[channel][c] = uint8_t(toneCurve(c, s));
    }
}

uint32_t ApplyColorEffect(uint32_t color, uint32_t effect)
{
    const int d = int(effect >> 24);
    const int c0 = int(color & 0xFF), c1 = int(color >> 8 & 0xFF), c2 = int(color >> 16 & 0xFF);
    const int blue = (d * (c1 + c2) + c0 * (510 - 2 * d)) / 510;
    const int green = (d * (c0 + c2) + c1 * (510 - 2 * d)) / 510;
    const int red = (d * (c0 + c1) + c2 * (510 - 2 * d)) / 510;
    const int r = toneCurve(red, int8_t(effect));
    const int g = toneCurve(green, int8_t(effect >> 8));
    const int b = toneCurve(blue, int8_t(effect >> 16));
    return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

namespace {

// The entries an effect or a palette covers: the stated count, or the full table when it is
// out of range; 0 for images that are neither 4 nor 8 bits or whose table is cut short.
uint32_t paletteEntries(const TMemoryStream& image)
{
    if (image.size() < kDibHeaderSize)
        return 0;
    const BitmapInfoHeader info = BitmapInfoHeader::read(image.Memory() + BitmapFileHeader::kSize);
    uint32_t n = info.colorsUsed;
    if (info.bitCount == 4) {
        if (n < 1 || n > 16)
            n = 16;
    } else if (info.bitCount == 8) {
        if (n < 1 || n > 256)
            n = 256;
    } else {
        return 0;
    }
    if (kDibHeaderSize + 4 * int64_t(n) > image.size())
        return 0;
    return n;
}

} // namespace

void ApplyPaletteEffect(TMemoryStream& image, uint32_t effect, bool negative)
{
    const uint32_t n = paletteEntries(image);
    if (n == 0 || (effect == 0 && !negative))
        return;
    const ColorEffectTable table(effect);
    uint8_t* entry = image.Memory() + kDibHeaderSize;
    for (uint32_t i = 0; i < n; ++i, entry += 4) {
        uint32_t c = readLE32(entry);
        if (effect != 0)
            c = table.apply(c);
        if (negative)
            c = ~c & 0xFFFFFFu;
        writeLE32(entry, c);
    }
}

std::optional<TLogPalette> CreateDibPalette(const TMemoryStream& image)
{
    if (!IsValidDib(image))
        return std::nullopt;
    const uint32_t n = paletteEntries(image);
    if (n == 0)
        return std::nullopt;
    TLogPalette palette;
    palette.version = 0x300;
    palette.entries.resize(n);
    const uint8_t* entry = image.Memory() + kDibHeaderSize;
    for (uint32_t i = 0; i < n; ++i, entry += 4) {
        palette.entries[i].red = entry[2];
        palette.entries[i].green = entry[1];
        palette.entries[i].blue = entry[0];
        palette.entries[i].flags = 0;
    }
    return palette;
}

} // namespace dw
