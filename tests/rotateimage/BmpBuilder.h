#pragma once

// Writers of small bitmap files and engine images for the tests (and the fuzz seeds), plus
// readers of single pixels of an engine image.

#include "platform/MemoryStream.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dw::test {

using Bytes = std::vector<uint8_t>;

// A bitmap file to write. Pixels are raw values in stored order (bottom row first, left to
// right): a table index for 1, 4 and 8 bits, the 16-bit word for 16, blue | green << 8 |
// red << 16 for 24, the whole 32-bit word (blue, green, red, x bytes) for 32.
struct BmpFields {
    int32_t width = 0;
    int32_t height = 0; // a negative height writes |height| rows and states it (top-down)
    uint16_t bitCount = 24;
    std::vector<uint32_t> palette; // entries blue | green << 8 | red << 16, written as (b, g, r, 0)
    std::optional<uint32_t> colorsUsed; // stated colour count; default: the palette's size
    std::vector<uint32_t> pixels;

    // Header fields a test may falsify; defaults are the true values.
    std::optional<uint32_t> fileSize;
    std::optional<uint32_t> pixelOffset;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint16_t planes = 1;
    uint32_t compression = 0;
    uint32_t infoSize = 40; // larger: zero bytes follow the first 40
    uint32_t gapBeforePixels = 0; // zero bytes between the colour table and the pixel rows
    std::string signature = "BM";
};

// The bytes of the bitmap file.
Bytes buildBmp(const BmpFields& fields);

// A memory stream holding bytes, positioned at 0.
TMemoryStream streamOf(const Bytes& bytes);

// Engine images written directly (not through the decoder): 54-byte headers, colour table
// (8 bits: `palette`, stated count = its size, 0 when it has 256 entries and `statedZero`),
// bottom-up rows. A 24-bit image gets the spare byte unless `spare` is false.
TMemoryStream makeDib8(int32_t width, int32_t height, const std::vector<uint32_t>& palette,
                       const std::vector<uint8_t>& pixels, bool statedZero = false);
TMemoryStream makeDib24(int32_t width, int32_t height, const std::vector<uint32_t>& pixels, bool spare = true);

// A 256-entry table whose entry i is a distinct colour.
std::vector<uint32_t> distinctPalette();

// The raw value of pixel (x, y) (stored row y) of an 8- or 24-bit engine image, read at the
// header's pixel-data offset.
uint32_t pixelAt(const TMemoryStream& image, int x, int y);
int32_t widthOf(const TMemoryStream& image);
int32_t heightOf(const TMemoryStream& image);
int bitCountOf(const TMemoryStream& image);
uint32_t colorsUsedOf(const TMemoryStream& image);
uint32_t fileSizeOf(const TMemoryStream& image);
uint32_t pixelOffsetOf(const TMemoryStream& image);
uint32_t tableEntry(const TMemoryStream& image, int i); // blue | green << 8 | red << 16 | x << 24

// The small bitmap files of every depth the fuzz corpus starts from, by file name.
struct NamedFile {
    std::string name;
    Bytes bytes;
};
std::vector<NamedFile> fuzzSeedFiles();

} // namespace dw::test
