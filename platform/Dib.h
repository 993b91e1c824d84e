#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace dw {

// A device-independent bitmap as the drawing functions read it: a view of an info header,
// its colour table and its pixel rows, checked once when the view is made. The view does not
// own the bytes; they must outlive it.
//
// Accepted: info header of 40 to 124 bytes (only the first 40 and, for bit fields, the
// masks are read), width > 0, height ≠ 0 (negative: rows stored top-down), planes 1, 1, 4,
// 8, 16, 24 or 32 bits, compression 0 (BI_RGB) or 3 (BI_BITFIELDS with contiguous masks,
// for 16 and 32 bits), at most 2^bits colour-table entries for 1 to 8 bits (count 0 = all of
// them) and at most 256 (skipped) for more bits, each side
// at most kMaxBitmapSide and at most kMaxBitmapPixels pixels, and every byte of the
// colour table and the rows inside the given sizes. Sizes are worked out in 64 bits.
class TDib {
public:
    // A complete bitmap file held in memory: "BM" file header, info header, colour table,
    // rows at the file header's pixel-data offset (or right after the colour table when the
    // offset points into the headers). The file size field is not trusted.
    static std::optional<TDib> fromFileImage(const uint8_t* data, size_t size);
    // A bitmap file of `size` bytes of which only the first `held` are at data (the headers
    // need min(size, kMaxHeadersSize)): accepted as fromFileImage accepts the whole file, but the
    // view has no rows (storedRow, rowFromTop and colorAt must not be used). For describing a
    // picture without holding its pixels.
    static std::optional<TDib> fromFileHeaders(const uint8_t* data, size_t held, uint64_t size);
    // The platform's split form: the info header with its colour table (or masks) in one
    // block and the rows in another.
    static std::optional<TDib> fromInfo(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize);
    // The bytes a bitmap file needs up to the end of its last row, judged from its first
    // bytes (file header, info header, masks and colour table must be among them); none
    // when those headers are not acceptable. Lets a reader check a stream's length before
    // reading the pixels.
    static std::optional<uint64_t> fileImageSize(const uint8_t* data, size_t size);
    // File header, the largest info header, masks and a full colour table: enough leading
    // bytes for fileImageSize.
    static constexpr size_t kMaxHeadersSize = 14 + 124 + 12 + 256 * 4;

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; } // always positive
    bool topDown() const { return m_topDown; }
    int bitCount() const { return m_bitCount; }
    uint32_t compression() const { return m_compression; }
    // Colour table as 0x00RRGGBB values (empty for 16 bits and more).
    const std::vector<uint32_t>& colors() const { return m_colors; }
    // The colour table's raw entries read as 16-bit palette indices (for DIB_PAL_COLORS).
    const std::vector<uint16_t>& paletteIndices() const { return m_paletteIndices; }
    // Red, green and blue masks of 16- and 32-bit pixels (the defaults for BI_RGB).
    std::array<uint32_t, 3> masks() const { return {m_masks[0], m_masks[1], m_masks[2]}; }
    size_t rowBytes() const { return m_rowBytes; }
    // Bytes of a row in storage order: stored row 0 is the bottom row of a bottom-up bitmap.
    const uint8_t* storedRow(int32_t storedIndex) const { return m_bits + m_rowBytes * size_t(storedIndex); }
    // Bytes of the row y counted from the top of the picture.
    const uint8_t* rowFromTop(int32_t y) const { return storedRow(m_topDown ? y : m_height - 1 - y); }
    // The 0x00RRGGBB colour of pixel x of a row (bytes as from storedRow). Indices beyond
    // the colour table give black.
    uint32_t colorAt(const uint8_t* row, int32_t x) const;
    // The raw value of pixel x (index for 1 to 8 bits, the stored word otherwise).
    uint32_t rawAt(const uint8_t* row, int32_t x) const;

private:
    // Reads the info header, masks and colour table; infoEnd is the offset just past them.
    static std::optional<TDib> parseInfo(const uint8_t* info, size_t infoSize, size_t& infoEnd);
    bool attachBits(const uint8_t* bits, size_t bitsSize);

    int32_t m_width = 0;
    int32_t m_height = 0;
    bool m_topDown = false;
    int m_bitCount = 0;
    uint32_t m_compression = 0;
    uint32_t m_masks[3] = {0, 0, 0};
    int m_shift[3] = {0, 0, 0};
    int m_maskWidth[3] = {0, 0, 0};
    std::vector<uint32_t> m_colors;
    std::vector<uint16_t> m_paletteIndices;
    const uint8_t* m_bits = nullptr;
    size_t m_rowBytes = 0;
};

} // namespace dw
