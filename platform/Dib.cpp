#include "Dib.h"

#include "Bitmap.h"
#include "ByteOrder.h"

#include <bit>
#include <cstring>

namespace dw {

namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kMinInfoSize = 40;
constexpr size_t kMaxInfoSize = 124; // the largest info header the platform defines
// A colour table is at most 256 entries long, also the optional one of true-colour bitmaps.
constexpr uint32_t kMaxColors = 256;

// Splits a contiguous bit mask into its shift and width; false for 0 or gaps.
bool maskShape(uint32_t mask, int& shift, int& width)
{
    if (mask == 0)
        return false;
    shift = std::countr_zero(mask);
    width = std::popcount(mask);
    return (mask >> shift) == (width == 32 ? 0xFFFFFFFFu : ((1u << width) - 1));
}

// A channel value of any width scaled to 0..255, rounded to nearest.
uint32_t scaleTo8(uint32_t v, int width)
{
    if (width == 8)
        return v;
    if (width > 8)
        return v >> (width - 8);
    const uint32_t max = (1u << width) - 1;
    return (v * 255 + max / 2) / max;
}

} // namespace

std::optional<TDib> TDib::parseInfo(const uint8_t* info, size_t infoSize, size_t& infoEnd)
{
    if (!info || infoSize < kMinInfoSize)
        return std::nullopt;
    const uint32_t headerSize = readLE32(info);
    if (headerSize < kMinInfoSize || headerSize > kMaxInfoSize || headerSize > infoSize)
        return std::nullopt;
    TDib dib;
    const int32_t width = readLE32s(info + 4);
    const int32_t height = readLE32s(info + 8);
    const uint16_t planes = readLE16(info + 12);
    const uint16_t bitCount = readLE16(info + 14);
    const uint32_t compression = readLE32(info + 16);
    const uint32_t colorsUsed = readLE32(info + 32);
    if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1)
        return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return std::nullopt;
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32)))
        return std::nullopt;
    dib.m_width = width;
    dib.m_height = height < 0 ? -height : height;
    dib.m_topDown = height < 0;
    dib.m_bitCount = bitCount;
    dib.m_compression = compression;
    if (dib.m_width > kMaxBitmapSide || dib.m_height > kMaxBitmapSide
        || int64_t(dib.m_width) * dib.m_height > kMaxBitmapPixels)
        return std::nullopt;

    size_t end = headerSize;
    // Bit-field masks: inside a header of 52 bytes or more, else right after it.
    if (bitCount == 16 || bitCount == 32) {
        uint32_t masks[3];
        if (compression == BI_BITFIELDS) {
            const size_t at = headerSize >= 52 ? 40 : headerSize;
            if (at + 12 > infoSize)
                return std::nullopt;
            for (int i = 0; i < 3; ++i)
                masks[i] = readLE32(info + at + 4 * i);
            if (headerSize < 52)
                end += 12;
        } else if (bitCount == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        } else {
            masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
        }
        for (int i = 0; i < 3; ++i) {
            if (!maskShape(masks[i], dib.m_shift[i], dib.m_maskWidth[i]) || (bitCount == 16 && masks[i] > 0xFFFF))
                return std::nullopt;
            dib.m_masks[i] = masks[i];
        }
    }

    uint32_t colors = colorsUsed;
    if (bitCount <= 8) {
        const uint32_t full = 1u << bitCount;
        if (colors == 0)
            colors = full;
        if (colors > full)
            return std::nullopt;
    } else if (colors > kMaxColors) {
        return std::nullopt;
    }
    if (end + size_t(colors) * 4 > infoSize)
        return std::nullopt;
    if (bitCount <= 8) {
        dib.m_colors.resize(colors);
        dib.m_paletteIndices.resize(colors);
        for (uint32_t i = 0; i < colors; ++i) {
            const uint8_t* e = info + end + 4 * i;
            dib.m_colors[i] = uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
            dib.m_paletteIndices[i] = readLE16(info + end + 2 * i);
        }
    }
    end += size_t(colors) * 4;
    dib.m_rowBytes = size_t((int64_t(dib.m_width) * bitCount + 31) / 32 * 4);
    infoEnd = end;
    return dib;
}

bool TDib::attachBits(const uint8_t* bits, size_t bitsSize)
{
    const uint64_t needed = uint64_t(m_rowBytes) * uint64_t(m_height);
    if (!bits || needed > bitsSize)
        return false;
    m_bits = bits;
    return true;
}

std::optional<TDib> TDib::fromInfo(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize)
{
    size_t infoEnd = 0;
    std::optional<TDib> dib = parseInfo(info, infoSize, infoEnd);
    if (!dib || !dib->attachBits(bits, bitsSize))
        return std::nullopt;
    return dib;
}

std::optional<uint64_t> TDib::fileImageSize(const uint8_t* data, size_t size)
{
    if (!data || size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    size_t infoEnd = 0;
    const std::optional<TDib> dib = parseInfo(data + kFileHeaderSize, size - kFileHeaderSize, infoEnd);
    if (!dib)
        return std::nullopt;
    const uint64_t offset = std::max<uint64_t>(readLE32(data + 10), kFileHeaderSize + infoEnd);
    return offset + uint64_t(dib->m_rowBytes) * uint64_t(dib->m_height);
}

std::optional<TDib> TDib::fromFileImage(const uint8_t* data, size_t size)
{
    const std::optional<uint64_t> total = fileImageSize(data, size);
    if (!total || *total > size)
        return std::nullopt;
    size_t infoEnd = 0;
    std::optional<TDib> dib = parseInfo(data + kFileHeaderSize, size - kFileHeaderSize, infoEnd);
    const uint64_t offset = std::max<uint64_t>(readLE32(data + 10), kFileHeaderSize + infoEnd);
    if (!dib || !dib->attachBits(data + offset, size_t(size - offset)))
        return std::nullopt;
    return dib;
}

std::optional<TDib> TDib::fromFileHeaders(const uint8_t* data, size_t held, uint64_t size)
{
    held = size_t(std::min<uint64_t>(held, size));
    const std::optional<uint64_t> total = fileImageSize(data, held);
    if (!total || *total > size)
        return std::nullopt;
    size_t infoEnd = 0;
    return parseInfo(data + kFileHeaderSize, held - kFileHeaderSize, infoEnd);
}

uint32_t TDib::rawAt(const uint8_t* row, int32_t x) const
{
    switch (m_bitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 8: return row[x];
    case 16: return readLE16(row + 2 * size_t(x));
    case 24: return uint32_t(row[3 * size_t(x)]) | uint32_t(row[3 * size_t(x) + 1]) << 8 | uint32_t(row[3 * size_t(x) + 2]) << 16;
    default: return readLE32(row + 4 * size_t(x));
    }
}

uint32_t TDib::colorAt(const uint8_t* row, int32_t x) const
{
    const uint32_t v = rawAt(row, x);
    if (m_bitCount <= 8)
        return v < m_colors.size() ? m_colors[v] : 0;
    if (m_bitCount == 24)
        return v;
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i)
        out = out << 8 | scaleTo8((v & m_masks[i]) >> m_shift[i], m_maskWidth[i]);
    return out;
}

} // namespace dw
