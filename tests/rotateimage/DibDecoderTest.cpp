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

TEST(DibDecoder, OneBitPictureIsBlackAndWhiteWhateverItsTable)
{
    BmpFields s;
    s.width = 10, s.height = 2, s.bitCount = 1;
    s.palette = {0x0000FF, 0xFF0000}; // red, blue
    s.pixels = {1, 0, 1, 1, 0, 0, 0, 1, 1, 0, //
                0, 1, 0, 0, 1, 1, 1, 0, 0, 1};
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_TRUE(IsValidDib(d.source));
    EXPECT_EQ(bitCountOf(d.source), 8);
    EXPECT_EQ(colorsUsedOf(d.source), 2u);
    EXPECT_EQ(tableEntry(d.source, 0), 0x000000u);
    EXPECT_EQ(tableEntry(d.source, 1), 0xFFFFFFu);
    EXPECT_EQ(pixelOffsetOf(d.source), 62u);
    EXPECT_EQ(fileSizeOf(d.source), 62u + 2 * 12); // rows of 10 pixels padded to 12 bytes
    EXPECT_EQ(d.source.size(), int64_t(fileSizeOf(d.source)));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(pixelAt(d.source, x, y), s.pixels[size_t(y * 10 + x)]) << x << "," << y;
}

TEST(DibDecoder, FourBitWithColourCountZeroGetsSixteenEntries)
{
    BmpFields s;
    s.width = 5, s.height = 3, s.bitCount = 4, s.colorsUsed = 0;
    for (uint32_t i = 0; i < 16; ++i)
        s.palette.push_back(0x010203u * (i + 1));
    for (uint32_t i = 0; i < 15; ++i)
        s.pixels.push_back((i * 7) % 16);
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(colorsUsedOf(d.source), 16u);
    EXPECT_EQ(pixelOffsetOf(d.source), 54u + 64);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(tableEntry(d.source, i), s.palette[size_t(i)]);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(pixelAt(d.source, x, y), s.pixels[size_t(y * 5 + x)]) << x << "," << y;
}

TEST(DibDecoder, EightBitWithColourCountZeroGetsTheFullTable)
{
    BmpFields s;
    s.width = 3, s.height = 2, s.bitCount = 8, s.colorsUsed = 0;
    s.palette = distinctPalette();
    s.pixels = {0, 128, 255, 7, 8, 9};
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(colorsUsedOf(d.source), 256u);
    EXPECT_EQ(pixelOffsetOf(d.source), 1078u);
    EXPECT_EQ(tableEntry(d.source, 255), s.palette[255]);
    EXPECT_EQ(pixelAt(d.source, 1, 0), 128u);
    EXPECT_EQ(pixelAt(d.source, 2, 1), 9u);
}

TEST(DibDecoder, EightBitKeepsAShortStatedTable)
{
    BmpFields s;
    s.width = 2, s.height = 1, s.bitCount = 8;
    s.palette = {0x112233, 0x445566, 0x778899};
    s.pixels = {2, 1};
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(colorsUsedOf(d.source), 3u);
    EXPECT_EQ(pixelOffsetOf(d.source), 66u);
    EXPECT_EQ(tableEntry(d.source, 2), 0x778899u);
    EXPECT_EQ(pixelAt(d.source, 0, 0), 2u);
}

TEST(DibDecoder, SixteenBitChannelsAreWidenedToEightBits)
{
    BmpFields s;
    s.width = 6, s.height = 1, s.bitCount = 16;
    // white, pure blue, pure green, pure red, bit 15 alone (ignored), blue 16 → 16·255 div 31
    s.pixels = {0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x8000, 0x0010};
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(bitCountOf(d.source), 24);
    EXPECT_EQ(pixelAt(d.source, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(d.source, 1, 0), 0x0000FFu); // blue is the low byte
    EXPECT_EQ(pixelAt(d.source, 2, 0), 0x00FF00u);
    EXPECT_EQ(pixelAt(d.source, 3, 0), 0xFF0000u);
    EXPECT_EQ(pixelAt(d.source, 4, 0), 0x000000u);
    EXPECT_EQ(pixelAt(d.source, 5, 0), 131u);
}

TEST(DibDecoder, ThirtyTwoBitLosesTheFourthByte)
{
    BmpFields s;
    s.width = 3, s.height = 2, s.bitCount = 32;
    s.pixels = {0xAA112233, 0xBB445566, 0xCC778899, 0xDD000000, 0xEEFFFFFF, 0xFF0A0B0C};
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(bitCountOf(d.source), 24);
    EXPECT_EQ(fileSizeOf(d.source), 54u + 2 * 12);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pixelAt(d.source, i % 3, i / 3), s.pixels[size_t(i)] & 0xFFFFFFu);
}

TEST(DibDecoder, TwentyFourBitIsKeptAndCarriesTheSpareByte)
{
    const BmpFields s = sample24(3, 2);
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(fileSizeOf(d.source), 54u + 2 * 12);
    EXPECT_EQ(d.source.size(), int64_t(fileSizeOf(d.source)) + 1);
    EXPECT_TRUE(IsValidDib(d.source));
    EXPECT_EQ(colorsUsedOf(d.source), 0u);
    EXPECT_EQ(readLE32(d.source.Memory() + 38), 0u); // resolutions cleared
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pixelAt(d.source, i % 3, i / 3), s.pixels[size_t(i)]);
}

TEST(DibDecoder, TrueColourTableAndLargerInfoHeaderAreSkipped)
{
    BmpFields s = sample24(2, 2);
    s.infoSize = 124; // a version 5 header
    s.palette = {0x123456, 0x654321};
    s.gapBeforePixels = 6;
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(readLE32(d.source.Memory() + 14), 40u);
    EXPECT_EQ(pixelAt(d.source, 1, 1), s.pixels[3]);
}

TEST(DibDecoder, PixelOffsetBelowTheTableIsRaisedToItsEnd)
{
    BmpFields s;
    s.width = 2, s.height = 1, s.bitCount = 8, s.palette = {0, 0xFFFFFF};
    s.pixels = {1, 0};
    s.pixelOffset = 20; // inside the headers: the rows still start after the table
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.result) << d.result.error;
    EXPECT_EQ(pixelAt(d.source, 0, 0), 1u);
}

TEST(DibDecoder, RefusesWhatItCannotShow)
{
    BmpFields s = sample24();
    s.signature = "BA";
    expectRefused(buildBmp(s), "signature");
    s = sample24(), s.reserved2 = 1;
    expectRefused(buildBmp(s), "reserved");
    s = sample24(5, 5), s.infoSize = 12; // a core header; the file is long enough for 54 bytes
    expectRefused(buildBmp(s), "shorter than 40");
    s = sample24(), s.planes = 2;
    expectRefused(buildBmp(s), "plane");
    s = sample24(), s.compression = 3; // bit fields
    expectRefused(buildBmp(s), "compressed");
    s = sample24(), s.compression = 1; // run-length coding
    expectRefused(buildBmp(s), "compressed");
    s = sample24(), s.colorsUsed = 257;
    expectRefused(buildBmp(s), "256 entries");
    for (uint16_t bits : {0, 2, 15, 33, 64}) {
        s = sample24(), s.bitCount = bits;
        expectRefused(buildBmp(s), "bit count");
    }
}

TEST(DibDecoder, TopDownAndEmptyBitmapsAreRefused)
{
    BmpFields s = sample24(3, 2);
    s.height = -2;
    expectRefused(buildBmp(s), "top-down");
    s = sample24(3, 2);
    s.width = 0, s.pixels.clear();
    expectRefused(buildBmp(s), "empty");
}

TEST(DibDecoder, TruncatedStreamsAreRefusedAndThePositionRestored)
{
    Bytes b = buildBmp(sample24(3, 2));
    const Bytes whole = b;
    b.pop_back(); // one byte of the last row missing
    expectRefused(b, "shorter than the bitmap's pixel rows");
    expectRefused(Bytes(whole.begin(), whole.begin() + 30), "inside the bitmap headers");
    expectRefused(Bytes{}, "inside the bitmap headers");

    // A pixel offset that points past the end of the stream.
    BmpFields s = sample24(3, 2);
    s.pixelOffset = 4096;
    expectRefused(buildBmp(s), "shorter");
    // A colour table that claims more entries than the stream holds.
    s = {};
    s.width = 2, s.height = 1, s.bitCount = 8, s.palette = {0, 0xFFFFFF}, s.pixels = {0, 1};
    s.colorsUsed = 200;
    expectRefused(buildBmp(s), "shorter");
}

TEST(DibDecoder, PicturesBeyondTheLimitsAreRefusedBeforeAnythingIsRead)
{
    // Headers only: the limits are checked before the stream's length.
    BmpFields s;
    s.width = 16385, s.height = 1, s.bitCount = 1, s.palette = {0, 0xFFFFFF};
    s.pixels.assign(16385, 0);
    expectRefused(buildBmp(s), "16384 pixels");

    Bytes b = buildBmp(sample24(1, 1));
    writeLE32(b.data() + 18, 16384);
    writeLE32(b.data() + 22, 16384); // 768 MiB at 24 bits
    expectRefused(b, "256 MiB");
    writeLE32(b.data() + 18, 0x7FFFFFFF);
    writeLE32(b.data() + 22, 0x7FFFFFFF);
    writeLE16(b.data() + 28, 32);
    expectRefused(b, "16384 pixels");
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
