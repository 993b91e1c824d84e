#include "BmpBuilder.h"

#include "platform/ByteOrder.h"

#include <cstdlib>
#include <stdexcept>

namespace dw::test {

namespace {

void put16(Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(Bytes& b, uint32_t v)
{
    put16(b, uint16_t(v));
    put16(b, uint16_t(v >> 16));
}

int64_t rowBytes(int64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

void packRow(Bytes& out, const uint32_t* px, int64_t width, int bits)
{
    Bytes row(size_t(rowBytes(width, bits)), 0);
    for (int64_t x = 0; x < width; ++x) {
        const uint32_t v = px[x];
        switch (bits) {
        case 1: row[size_t(x / 8)] |= uint8_t((v & 1) << (7 - x % 8)); break;
        case 2: row[size_t(x / 4)] |= uint8_t((v & 3) << (6 - 2 * (x % 4))); break;
        case 4: row[size_t(x / 2)] |= uint8_t((x % 2) ? (v & 15) : (v & 15) << 4); break;
        case 8: row[size_t(x)] = uint8_t(v); break;
        case 16: writeLE16(&row[size_t(2 * x)], uint16_t(v)); break;
        case 24:
            row[size_t(3 * x)] = uint8_t(v);
            row[size_t(3 * x + 1)] = uint8_t(v >> 8);
            row[size_t(3 * x + 2)] = uint8_t(v >> 16);
            break;
        case 32: writeLE32(&row[size_t(4 * x)], v); break;
        default: break; // other depths: rows of zero bytes
        }
    }
    out.insert(out.end(), row.begin(), row.end());
}

} // namespace

Bytes buildBmp(const BmpFields& s)
{
    const int64_t w = s.width, h = std::abs(int64_t(s.height));
    if (int64_t(s.pixels.size()) != w * h)
        throw std::invalid_argument("buildBmp: pixel count does not match the size");
    const uint32_t trueOffset = 14 + s.infoSize + 4 * uint32_t(s.palette.size()) + s.gapBeforePixels;
    Bytes pixels;
    for (int64_t y = 0; y < h; ++y)
        packRow(pixels, s.pixels.data() + y * w, w, s.bitCount);

    Bytes b;
    b.push_back(uint8_t(s.signature.size() > 0 ? s.signature[0] : 0));
    b.push_back(uint8_t(s.signature.size() > 1 ? s.signature[1] : 0));
    put32(b, s.fileSize.value_or(trueOffset + uint32_t(pixels.size())));
    put16(b, s.reserved1);
    put16(b, s.reserved2);
    put32(b, s.pixelOffset.value_or(trueOffset));
    put32(b, s.infoSize);
    put32(b, uint32_t(s.width));
    put32(b, uint32_t(s.height));
    put16(b, s.planes);
    put16(b, s.bitCount);
    put32(b, s.compression);
    put32(b, uint32_t(pixels.size()));
    put32(b, 2835); // 72 dpi, as most writers put it
    put32(b, 2835);
    put32(b, s.colorsUsed.value_or(uint32_t(s.palette.size())));
    put32(b, 0);
    b.resize(14 + s.infoSize, 0);
    for (uint32_t c : s.palette)
        put32(b, c & 0xFFFFFFu);
    b.resize(b.size() + s.gapBeforePixels, 0);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

TMemoryStream streamOf(const Bytes& bytes)
{
    TMemoryStream m;
    if (!bytes.empty())
        m.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    m.SetPosition(0);
    return m;
}

TMemoryStream makeDib8(int32_t width, int32_t height, const std::vector<uint32_t>& palette,
                       const std::vector<uint8_t>& pixels, bool statedZero)
{
    BmpFields s;
    s.width = width;
    s.height = height;
    s.bitCount = 8;
    s.palette = palette;
    if (statedZero && palette.size() == 256)
        s.colorsUsed = 0;
    s.pixels.assign(pixels.begin(), pixels.end());
    const Bytes b = buildBmp(s);
    TMemoryStream m = streamOf(b);
    // The engine's own images state no resolution.
    writeLE32(m.Memory() + 38, 0);
    writeLE32(m.Memory() + 42, 0);
    writeLE32(m.Memory() + 34, 0);
    return m;
}

TMemoryStream makeDib24(int32_t width, int32_t height, const std::vector<uint32_t>& pixels, bool spare)
{
    BmpFields s;
    s.width = width;
    s.height = height;
    s.bitCount = 24;
    s.pixels = pixels;
    Bytes b = buildBmp(s);
    if (spare)
        b.push_back(0);
    TMemoryStream m = streamOf(b);
    writeLE32(m.Memory() + 38, 0);
    writeLE32(m.Memory() + 42, 0);
    writeLE32(m.Memory() + 34, 0);
    return m;
}

std::vector<uint32_t> distinctPalette()
{
    // Blue is the index itself, so the entries are distinct; green and red vary too.
    std::vector<uint32_t> p(256);
    for (uint32_t i = 0; i < 256; ++i)
        p[i] = i | ((i * 37 + 11) & 0xFF) << 8 | ((i * 101 + 7) & 0xFF) << 16;
    return p;
}

int32_t widthOf(const TMemoryStream& image) { return readLE32s(image.Memory() + 18); }
int32_t heightOf(const TMemoryStream& image) { return readLE32s(image.Memory() + 22); }
int bitCountOf(const TMemoryStream& image) { return readLE16(image.Memory() + 28); }
uint32_t colorsUsedOf(const TMemoryStream& image) { return readLE32(image.Memory() + 46); }
uint32_t fileSizeOf(const TMemoryStream& image) { return readLE32(image.Memory() + 2); }
uint32_t pixelOffsetOf(const TMemoryStream& image) { return readLE32(image.Memory() + 10); }
uint32_t tableEntry(const TMemoryStream& image, int i) { return readLE32(image.Memory() + 54 + 4 * i); }

uint32_t pixelAt(const TMemoryStream& image, int x, int y)
{
    const int bits = bitCountOf(image);
    const int64_t row = rowBytes(widthOf(image), bits);
    const int64_t at = pixelOffsetOf(image) + y * row + x * (bits / 8);
    if (at < 0 || at + bits / 8 > image.size())
        throw std::out_of_range("pixelAt outside the image");
    const uint8_t* p = image.Memory() + at;
    return bits == 8 ? p[0] : uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

std::vector<NamedFile> fuzzSeedFiles()
{
    std::vector<NamedFile> files;
    auto add = [&](std::string name, BmpFields s) { files.push_back({std::move(name), buildBmp(s)}); };
    auto pattern = [](int w, int h, uint32_t modulo, uint32_t mul) {
        std::vector<uint32_t> p(size_t(w * h));
        for (size_t i = 0; i < p.size(); ++i)
            p[i] = uint32_t(i * mul) % modulo;
        return p;
    };
    BmpFields s;
    s.width = 9, s.height = 3, s.bitCount = 1, s.palette = {0x0000FF, 0xFF0000};
    s.pixels = pattern(9, 3, 2, 1);
    add("1bit-9x3.bmp", s);
    s = {};
    s.width = 5, s.height = 4, s.bitCount = 4, s.colorsUsed = 0;
    s.palette.resize(16);
    for (uint32_t i = 0; i < 16; ++i)
        s.palette[i] = i * 0x111111u;
    s.pixels = pattern(5, 4, 16, 3);
    add("4bit-5x4-count0.bmp", s);
    s = {};
    s.width = 6, s.height = 5, s.bitCount = 8, s.palette = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000};
    s.pixels = pattern(6, 5, 5, 7);
    add("8bit-6x5-5colors.bmp", s);
    s = {};
    s.width = 7, s.height = 3, s.bitCount = 16;
    s.pixels = pattern(7, 3, 0x8000, 0x1357);
    add("16bit-7x3.bmp", s);
    s = {};
    s.width = 5, s.height = 5, s.bitCount = 24;
    s.pixels = pattern(5, 5, 0x1000000, 0x123457);
    add("24bit-5x5.bmp", s);
    s = {};
    s.width = 4, s.height = 3, s.bitCount = 32;
    s.pixels = pattern(4, 3, 0xFFFFFFFFu, 0x1234567);
    add("32bit-4x3.bmp", s);
    return files;
}

} // namespace dw::test
