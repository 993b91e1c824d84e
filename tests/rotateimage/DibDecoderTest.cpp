#include "BmpBuilder.h"

#include "rotateimage/DibDecoder.h"
#include "rotateimage/DibFormat.h"

#include "platform/ByteOrder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace dw::test {
namespace {

struct Decoded {
    DibLoadResult result;
    TMemoryStream source;
    int64_t position = 0;
};

Decoded decode(const Bytes& bytes, int64_t start = 0)
{
    Decoded d;
    TMemoryStream stream = streamOf(bytes);
    stream.SetPosition(start);
    // The check from the headers alone gives the load's verdict and keeps the position.
    const DibLoadResult checked = CheckBmpStream(stream);
    EXPECT_EQ(stream.Position(), start);
    d.result = LoadFromBmpStream(stream, d.source);
    d.position = stream.Position();
    EXPECT_EQ(checked.ok, d.result.ok);
    EXPECT_EQ(checked.error, d.result.error);
    return d;
}

// A refused picture leaves the source empty and the stream where it was.
void expectRefused(const Bytes& bytes, const std::string& because, int64_t start = 0)
{
    const Decoded d = decode(bytes, start);
    EXPECT_FALSE(d.result) << because;
    EXPECT_NE(d.result.error.find(because), std::string::npos) << "reason was: " << d.result.error;
    EXPECT_EQ(d.source.size(), 0);
    EXPECT_EQ(d.position, start);
}

BmpFields sample24(int w = 3, int h = 2)
{
    BmpFields s;
    s.width = w, s.height = h, s.bitCount = 24;
    for (int i = 0; i < w * h; ++i)
        s.pixels.push_back(0x102030u * uint32_t(i + 1) & 0xFFFFFFu);
    return s;
}

// Every depth and header form the engine takes, normalised: 1, 4 and 8 bits to 8-bit indexed
// (1 bit always black and white), 16, 24 and 32 bits to 24 bits with one spare byte; the
// headers rewritten as 40 bytes with the resolutions cleared, the rows right after the table.
TEST(DibDecoder, EveryDepthIsNormalised)
{
    struct Case {
        const char* name;
        BmpFields fields;
        uint32_t colours;                                // the table's entries after decoding
        std::vector<std::pair<int, uint32_t>> table;     // entries checked
        std::vector<uint32_t> pixels;                    // expected, in stored order
    };
    const auto fields = [](int w, int h, uint16_t bits, std::vector<uint32_t> palette, std::vector<uint32_t> pixels) {
        BmpFields s;
        s.width = w, s.height = h, s.bitCount = bits, s.palette = std::move(palette), s.pixels = std::move(pixels);
        return s;
    };
    std::vector<uint32_t> sixteen, fifteenPixels;
    for (uint32_t i = 0; i < 16; ++i)
        sixteen.push_back(0x010203u * (i + 1));
    for (uint32_t i = 0; i < 15; ++i)
        fifteenPixels.push_back((i * 7) % 16);
    std::vector<std::pair<int, uint32_t>> sixteenEntries;
    for (int i = 0; i < 16; ++i)
        sixteenEntries.emplace_back(i, sixteen[size_t(i)]);
    const std::vector<uint32_t> oneBit = {1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0, 1, 0, 0, 1, 1, 1, 0, 0, 1};
    const std::vector<uint32_t> thirtyTwo = {0xAA112233, 0xBB445566, 0xCC778899, 0xDD000000, 0xEEFFFFFF, 0xFF0A0B0C};

    std::vector<Case> cases;
    // Red and blue in the file's table: the engine shows one bit as black and white anyway.
    cases.push_back({"1 bit", fields(10, 2, 1, {0x0000FF, 0xFF0000}, oneBit), 2, {{0, 0x000000}, {1, 0xFFFFFF}}, oneBit});
    Case four{"4 bits, colour count 0", fields(5, 3, 4, sixteen, fifteenPixels), 16, sixteenEntries, fifteenPixels};
    four.fields.colorsUsed = 0;
    cases.push_back(four);
    Case eight{"8 bits, colour count 0", fields(3, 2, 8, distinctPalette(), {0, 128, 255, 7, 8, 9}), 256, {}, {0, 128, 255, 7, 8, 9}};
    eight.fields.colorsUsed = 0;
    eight.table = {{255, eight.fields.palette[255]}};
    cases.push_back(eight);
    cases.push_back({"8 bits, a short table kept", fields(2, 1, 8, {0x112233, 0x445566, 0x778899}, {2, 1}), 3, {{2, 0x778899}}, {2, 1}});
    // White, pure blue (the low byte), green, red, bit 15 alone (ignored), blue 16 → 16·255 div 31.
    cases.push_back({"16 bits widened", fields(6, 1, 16, {}, {0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x8000, 0x0010}), 0, {},
                     {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x000000, 131}});
    std::vector<uint32_t> withoutFourth;
    for (uint32_t p : thirtyTwo)
        withoutFourth.push_back(p & 0xFFFFFFu);
    cases.push_back({"32 bits lose the fourth byte", fields(3, 2, 32, {}, thirtyTwo), 0, {}, withoutFourth});
    const BmpFields plain = sample24(3, 2);
    cases.push_back({"24 bits kept", plain, 0, {}, plain.pixels});
    Case larger{"24 bits, a true-colour table and a version 5 header skipped", sample24(2, 2), 0, {}, sample24(2, 2).pixels};
    larger.fields.infoSize = 124;
    larger.fields.palette = {0x123456, 0x654321};
    larger.fields.gapBeforePixels = 6;
    cases.push_back(larger);
    // A pixel offset inside the headers: the rows still start after the table.
    Case low{"8 bits, the pixel offset below the table", fields(2, 1, 8, {0, 0xFFFFFF}, {1, 0}), 2, {{1, 0xFFFFFF}}, {1, 0}};
    low.fields.pixelOffset = 20;
    cases.push_back(low);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded d = decode(buildBmp(c.fields));
        ASSERT_TRUE(d.result) << d.result.error;
        EXPECT_TRUE(IsValidDib(d.source));
        const bool indexed = c.fields.bitCount <= 8;
        const int width = c.fields.width, height = c.fields.height;
        EXPECT_EQ(bitCountOf(d.source), indexed ? 8 : 24);
        EXPECT_EQ(readLE32(d.source.Memory() + 14), 40u);
        EXPECT_EQ(readLE32(d.source.Memory() + 38), 0u); // resolutions cleared
        EXPECT_EQ(colorsUsedOf(d.source), c.colours);
        EXPECT_EQ(pixelOffsetOf(d.source), 54u + 4 * c.colours);
        const uint32_t row = uint32_t(indexed ? (width + 3) / 4 * 4 : (width * 3 + 3) / 4 * 4);
        EXPECT_EQ(fileSizeOf(d.source), 54u + 4 * c.colours + row * uint32_t(height));
        EXPECT_EQ(d.source.size(), int64_t(fileSizeOf(d.source)) + (indexed ? 0 : 1)); // the spare byte
        for (const auto& [i, entry] : c.table)
            EXPECT_EQ(tableEntry(d.source, i), entry) << "entry " << i;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(pixelAt(d.source, x, y), c.pixels[size_t(y * width + x)]) << x << "," << y;
    }
}

// A 24-bit sample of 3 × 2 pixels with one change made to its fields.
Bytes sampleWith(void (*change)(BmpFields&))
{
    BmpFields s = sample24();
    change(s);
    return buildBmp(s);
}

// What the engine cannot show, with a word of each refusal: fields it does not take, top-down
// and empty bitmaps, streams cut short anywhere, and pictures beyond the limits (checked from
// the headers alone, before the stream's length).
TEST(DibDecoder, RefusesWhatItCannotShow)
{
    std::vector<std::pair<const char*, Bytes>> cases = {
        {"signature", sampleWith([](BmpFields& s) { s.signature = "BA"; })},
        {"reserved", sampleWith([](BmpFields& s) { s.reserved2 = 1; })},
        // A core header; the file is long enough for 54 bytes.
        {"shorter than 40", sampleWith([](BmpFields& s) { s = sample24(5, 5), s.infoSize = 12; })},
        {"plane", sampleWith([](BmpFields& s) { s.planes = 2; })},
        {"compressed", sampleWith([](BmpFields& s) { s.compression = 3; })}, // bit fields
        {"compressed", sampleWith([](BmpFields& s) { s.compression = 1; })}, // run-length coding
        {"256 entries", sampleWith([](BmpFields& s) { s.colorsUsed = 257; })},
        {"top-down", sampleWith([](BmpFields& s) { s.height = -2; })},
        {"empty", sampleWith([](BmpFields& s) { s.width = 0, s.pixels.clear(); })},
        {"inside the bitmap headers", {}},
        {"shorter", sampleWith([](BmpFields& s) { s.pixelOffset = 4096; })}, // past the end of the stream
        // A colour table that claims more entries than the stream holds.
        {"shorter", sampleWith([](BmpFields& s) {
             s.bitCount = 8, s.width = 2, s.height = 1, s.palette = {0, 0xFFFFFF}, s.pixels = {0, 1}, s.colorsUsed = 200;
         })},
        {"16384 pixels", sampleWith([](BmpFields& s) {
             s.width = 16385, s.height = 1, s.bitCount = 1, s.palette = {0, 0xFFFFFF}, s.pixels.assign(16385, 0);
         })},
    };
    for (uint16_t bits : {0, 2, 15, 33, 64}) {
        BmpFields s = sample24();
        s.bitCount = bits;
        cases.emplace_back("bit count", buildBmp(s));
    }
    const Bytes whole = buildBmp(sample24(3, 2));
    cases.emplace_back("shorter than the bitmap's pixel rows", Bytes(whole.begin(), whole.end() - 1));
    cases.emplace_back("inside the bitmap headers", Bytes(whole.begin(), whole.begin() + 30));
    Bytes huge = buildBmp(sample24(1, 1));
    writeLE32(huge.data() + 18, 16384);
    writeLE32(huge.data() + 22, 16384); // 768 MiB at 24 bits
    cases.emplace_back("256 MiB", huge);
    writeLE32(huge.data() + 18, 0x7FFFFFFF);
    writeLE32(huge.data() + 22, 0x7FFFFFFF);
    writeLE16(huge.data() + 28, 32);
    cases.emplace_back("16384 pixels", huge);
    for (const auto& [because, bytes] : cases)
        expectRefused(bytes, because);
}

TEST(DibDecoder, BitmapsBackToBackAreReadOneAfterTheOther)
{
    const Bytes first = buildBmp(sample24(3, 2));
    BmpFields s;
    s.width = 4, s.height = 1, s.bitCount = 8, s.palette = {0, 0xFFFFFF}, s.pixels = {1, 0, 0, 1};
    const Bytes second = buildBmp(s);
    Bytes all = {'x', 'y', 'z'}; // the first picture starts at P = 3
    all.insert(all.end(), first.begin(), first.end());
    all.insert(all.end(), second.begin(), second.end());

    TMemoryStream stream = streamOf(all);
    stream.SetPosition(3);
    TMemoryStream source;
    ASSERT_TRUE(LoadFromBmpStream(stream, source));
    EXPECT_EQ(stream.Position(), 3 + int64_t(first.size()));
    EXPECT_EQ(bitCountOf(source), 24);
    ASSERT_TRUE(LoadFromBmpStream(stream, source));
    EXPECT_EQ(stream.Position(), int64_t(all.size()));
    EXPECT_EQ(bitCountOf(source), 8);
    EXPECT_EQ(pixelAt(source, 3, 0), 1u);
    // Nothing left: refused, and the position stays at the end.
    EXPECT_FALSE(LoadFromBmpStream(stream, source));
    EXPECT_EQ(stream.Position(), int64_t(all.size()));
    EXPECT_EQ(source.size(), 0);
}

TEST(DibDecoder, ALyingFileSizeNeitherRereadsThePictureNorRunsPastTheEnd)
{
    BmpFields s = sample24(3, 2);
    const int64_t dataEnd = int64_t(buildBmp(s).size());
    s.fileSize = 0;
    Bytes b = buildBmp(s);
    b.resize(b.size() + 10, 0xEE); // bytes after the picture
    Decoded d = decode(b);
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(d.position, dataEnd);
    EXPECT_EQ(fileSizeOf(d.source), 54u + 24); // the written header states the true size

    s.fileSize = 1u << 30;
    d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(d.position, dataEnd);

    s.fileSize = uint32_t(dataEnd + 4); // declared larger than the rows: honoured
    b = buildBmp(s);
    b.resize(b.size() + 10, 0);
    d = decode(b);
    EXPECT_EQ(d.position, dataEnd + 4);
}

TEST(DibDecoder, ThePreviousSourceIsDroppedEvenWhenTheNewPictureIsRefused)
{
    TMemoryStream source = makeDib24(1, 1, {0x123456});
    TMemoryStream stream = streamOf(Bytes(10, 0));
    EXPECT_FALSE(LoadFromBmpStream(stream, source));
    EXPECT_EQ(source.size(), 0);
}

// Every byte of the source is the decoder's own: what the file holds in its row padding does not
// come through, the padding and the spare byte are 0, and a source decoded into memory that held
// other bytes (a block of the same size, freed just before) is the same.
TEST(DibDecoder, EveryByteOfTheSourceIsWritten)
{
    for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        BmpFields s;
        s.width = 5, s.height = 3, s.bitCount = bits;
        if (bits <= 8) {
            for (uint32_t i = 0; i < (1u << bits); ++i)
                s.palette.push_back(0x0A0B0Cu * (i + 1) & 0xFFFFFFu);
        }
        for (uint32_t i = 0; i < 15; ++i)
            s.pixels.push_back(bits <= 8 ? i % (1u << bits)
                                         : 0x01234567u * (i + 1) & (bits == 16 ? 0x7FFFu : 0xFFFFFFu));
        const Bytes clean = buildBmp(s);
        Bytes noisy = clean; // the same picture, its row padding full of 0xEE
        const int64_t rowSize = (int64_t(s.width) * bits + 31) / 32 * 4;
        const int64_t used = (int64_t(s.width) * bits + 7) / 8;
        const uint32_t offset = readLE32(clean.data() + 10);
        for (int y = 0; y < s.height; ++y)
            for (int64_t b = used; b < rowSize; ++b)
                noisy[size_t(offset + y * rowSize + b)] = 0xEE;
        SCOPED_TRACE(bits);

        const Decoded reference = decode(clean);
        ASSERT_TRUE(reference.result) << reference.result.error;
        const int64_t size = reference.source.size();
        if (bits > 8) {
            EXPECT_EQ(reference.source.Memory()[size - 1], 0) << "spare byte";
        }
        for (uint8_t fill : {0x00, 0xFF, 0x5A}) {
            TMemoryStream source;
            source.SetSize(size);
            std::memset(source.Memory(), fill, size_t(size));
            TMemoryStream stream = streamOf(noisy);
            ASSERT_TRUE(LoadFromBmpStream(stream, source));
            ASSERT_EQ(source.size(), size);
            EXPECT_EQ(std::memcmp(source.Memory(), reference.source.Memory(), size_t(size)), 0) << int(fill);
        }
    }
}

} // namespace
} // namespace dw::test
