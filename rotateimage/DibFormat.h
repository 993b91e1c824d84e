#pragma once

// The in-memory bitmap-file image: a complete device-independent bitmap file (14-byte file
// header, 40-byte info header, colour table of (blue, green, red, 0) entries, bottom-up rows
// padded to 4 bytes) held in a memory stream. Every image of the rotating image engine —
// source, rendered image, mask, sketch — has this form.

#include "platform/MemoryStream.h"

#include <cstdint>
#include <optional>

namespace dw {

// BITMAPFILEHEADER.
struct BitmapFileHeader {
    static constexpr int kSize = 14;
    static constexpr uint16_t kSignature = 0x4D42; // "BM"

    uint16_t signature = kSignature;
    uint32_t fileSize = 0;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint32_t pixelOffset = 0; // from the first byte of the file header

    static BitmapFileHeader read(const uint8_t* p);
    void write(uint8_t* p) const;
};

// BITMAPINFOHEADER (only its first 40 bytes are ever read; larger headers follow them).
struct BitmapInfoHeader {
    static constexpr int kSize = 40;

    uint32_t size = kSize;
    int32_t width = 0;
    int32_t height = 0; // > 0: rows stored bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;
    uint32_t colorsImportant = 0;

    static BitmapInfoHeader read(const uint8_t* p);
    void write(uint8_t* p) const;
};

// Both headers together, and where the colour table begins.
constexpr int kDibHeaderSize = BitmapFileHeader::kSize + BitmapInfoHeader::kSize; // 54

// Bytes of one stored row: ((width · bitCount + 31) div 32) · 4. 64-bit so that any header
// values can be put in.
constexpr int64_t dibRowSize(int64_t width, int64_t bitCount) { return (width * bitCount + 31) / 32 * 4; }

// The number of colour-table entries an image carries: the stated colour count, or the full
// table (16 for 4 bits, 256 for 8 bits) when it states 0.
uint32_t dibTableEntries(uint32_t colorsUsed, int bitCount);

// Whether a buffer holds a usable image: longer than the two headers, "BM", not shorter than
// its stated file size, the file size beyond the pixel-data offset, reserved fields 0, offset
// ≥ 54, info header of exactly 40 bytes, width and height > 0, one plane, 1..32 bits, no
// negative resolution, at most 256 colours, uncompressed. It does not check that the pixel
// rows fit; `DibView` does.
bool IsValidDib(const TMemoryStream& buffer);

// A checked look at an image that passes IsValidDib, with 8 or 24 bits per pixel, whose
// colour table and pixel rows lie inside the buffer. The pixel rows are taken to start right
// after the colour table (54 + 4 · entries), as every image the engine makes has them.
struct DibView {
    int32_t width = 0;
    int32_t height = 0;
    int bitCount = 0;          // 8 or 24
    uint32_t tableEntries = 0; // 256 for an 8-bit image stating 0
    int64_t headerSize = 0;    // 54 + 4 · tableEntries
    int64_t rowSize = 0;
    const uint8_t* table = nullptr;  // tableEntries entries of (blue, green, red, 0)
    const uint8_t* pixels = nullptr; // bottom row first
    int64_t bytesAfterPixels = 0;    // what follows the last row in the buffer (the spare byte)

    static std::optional<DibView> of(const TMemoryStream& buffer);
};

// The colour of a pixel inside the engine: blue in bits 0..7, green 8..15, red 16..23, the
// order of the pixel bytes. Platform colours (red in the low byte) are swapped on the way.
constexpr uint32_t swapRedBlue(uint32_t c) { return (c & 0x00FF00u) | (c & 0xFFu) << 16 | (c >> 16 & 0xFFu); }

// The raw value of the first stored pixel (the bottom-left one) of an 8- or 24-bit image: the
// colour-table index, or the 24-bit pixel value. None when the buffer holds no such image.
std::optional<uint32_t> firstStoredPixel(const TMemoryStream& image);

// The index of the first colour-table entry of an 8-bit image equal to (blue, green, red, 0)
// of a pixel value; none when no entry matches or the buffer holds no 8-bit image.
std::optional<uint32_t> findTableEntry(const TMemoryStream& image, uint32_t pixelValue);

// A 24-bit image's buffer carries one spare byte after its last row so that every pixel can be
// read as a 32-bit word. Appends it when the buffer ends with the last row (buffer size = file
// size); does nothing for other images or when the byte is there already.
void ensureSpareByte(TMemoryStream& image);

} // namespace dw
