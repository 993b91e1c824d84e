// Pictures read whole or refused: every format the editor converts, cut short at several points,
// with headers that lie, and bytes that are no picture at all.
#include "editor/clock/CompletePicture.h"
#include "editor/clock/PictureConversion.h"

#include "platform/ByteOrder.h"
#include "rotateimage/DibDecoder.h"

#include "tests/editor/TestPictures.h"

#include <QBuffer>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <vector>

using namespace dw;
using namespace dw::test;

namespace {

using Bytes = std::vector<uint8_t>;

// A 6 × 4 GIF of four colours, as a drawing program writes it.
const Bytes kGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x06, 0x00, 0x04, 0x00, 0xF1, 0x00, 0x00, 0x00, 0x80,
                    0x00, 0x55, 0xAA, 0x00, 0xAA, 0xD5, 0x00, 0xFF, 0xFF, 0x00, 0x21, 0xF9, 0x04, 0x00, 0x00,
                    0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x04, 0x00, 0x00, 0x02, 0x07,
                    0x84, 0x1F, 0xA9, 0xC2, 0x3D, 0x0F, 0x0B, 0x00, 0x3B};

QImage pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, (x * y) % 256));
    return image;
}

Bytes saved(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return Bytes(bytes.begin(), bytes.end());
}

Bytes bmp(const QImage& image, TPixelFormat format = pf24bit)
{
    const QByteArray bytes = bmpFile(image, format);
    return Bytes(bytes.begin(), bytes.end());
}

// The same bitmap with its rows stored from the top (negative height), which only the
// conversion reads.
Bytes topDown(const Bytes& bottomUp)
{
    Bytes b = bottomUp;
    const int32_t width = readLE32s(b.data() + 18), height = readLE32s(b.data() + 22);
    const size_t row = size_t((width * readLE16(b.data() + 28) + 31) / 32 * 4), offset = readLE32(b.data() + 10);
    for (int32_t y = 0; y < height; ++y)
        std::copy_n(bottomUp.begin() + std::ptrdiff_t(offset + size_t(height - 1 - y) * row), row,
                    b.begin() + std::ptrdiff_t(offset + size_t(y) * row));
    writeLE32s(b.data() + 22, -height);
    return b;
}

CompletePicture read(const Bytes& bytes) { return readCompletePicture(bytes.data(), int64_t(bytes.size())); }

Bytes cut(const Bytes& bytes, size_t size) { return Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(size)); }

struct Sample {
    const char* name;
    Bytes bytes;
};

std::vector<Sample> wholePictures()
{
    const QImage p = pattern(60, 40);
    return {{"bitmap", bmp(p)},
            {"top-down bitmap", topDown(bmp(p))},
            {"16-bit bitmap", bmp(p, pf16bit)},
            {"PNG", saved(p, "PNG")},
            {"JPEG", saved(p, "JPEG", 90)},
            {"progressive JPEG", [&] {
                 QByteArray bytes;
                 QBuffer buffer(&bytes);
                 buffer.open(QIODevice::WriteOnly);
                 QImageWriter writer(&buffer, "JPEG");
                 writer.setProgressiveScanWrite(true);
                 writer.write(p);
                 return Bytes(bytes.begin(), bytes.end());
             }()},
            {"GIF", kGif}};
}

} // namespace

TEST(CompletePicture, WholePicturesOfEveryFormatAreReadWithTheirOwnPixels)
{
    for (const Sample& s : wholePictures()) {
        const CompletePicture picture = read(s.bytes);
        ASSERT_TRUE(picture.ok()) << s.name;
        EXPECT_FALSE(picture.image.isNull()) << s.name;
        EXPECT_EQ(picture.image.size(), QString(s.name) == "GIF" ? QSize(6, 4) : QSize(60, 40)) << s.name;
    }
    // Exactly the file's pixels, whichever bytes the memory held before.
    const QImage p = pattern(60, 40);
    for (const Bytes& lossless : {saved(p, "PNG"), topDown(bmp(p))})
        for (const uint8_t fill : {0x00, 0x5A, 0xFF})
            EXPECT_EQ(readCompletePicture(lossless.data(), int64_t(lossless.size()), fill).image.convertToFormat(QImage::Format_RGB32), p);
}

TEST(CompletePicture, PicturesCutShortAreRefusedAtEveryCutPoint)
{
    // The reader fills a truncated bitmap's missing rows with whatever the memory held, and a
    // truncated JPEG's with grey: every cut must be refused, never read.
    for (const Sample& s : wholePictures()) {
        const size_t n = s.bytes.size();
        for (const size_t at : {n - 1, n - 2, n * 3 / 4, n / 2, n / 4, size_t(30)}) {
            const CompletePicture picture = read(cut(s.bytes, at));
            EXPECT_EQ(picture.problem, PictureProblem::Damaged) << s.name << " cut at " << at << " of " << n;
            EXPECT_TRUE(picture.image.isNull());
        }
    }
    // The case a user met: the first 1000 bytes of a 300 × 300 24-bit bitmap.
    EXPECT_EQ(read(cut(bmp(pattern(300, 300)), 1000)).problem, PictureProblem::Damaged);
}

TEST(CompletePicture, AnRleBitmapThatLeavesPixelsOutIsRefusedAndOneThatCoversThemIsRead)
{
    // 4 × 4, 8 bits, run-length encoded, four colours. The reader leaves every pixel the runs do
    // not reach as the memory held it.
    auto rle = [](const Bytes& data) {
        Bytes b(54 + 16, 0);
        b[0] = 'B', b[1] = 'M';
        writeLE32(b.data() + 10, 54 + 16);
        writeLE32(b.data() + 14, 40);
        writeLE32s(b.data() + 18, 4);
        writeLE32s(b.data() + 22, 4);
        writeLE16(b.data() + 26, 1);
        writeLE16(b.data() + 28, 8);
        writeLE32(b.data() + 30, 1); // RLE8
        writeLE32(b.data() + 46, 4);
        for (int i = 0; i < 4; ++i)
            b[size_t(54 + 4 * i)] = uint8_t(60 * i), b[size_t(55 + 4 * i)] = 0x80;
        b.insert(b.end(), data.begin(), data.end());
        writeLE32(b.data() + 2, uint32_t(b.size()));
        return b;
    };
    // The first row only, then the end of the picture.
    EXPECT_EQ(read(rle({4, 1, 0, 0, 0, 1})).problem, PictureProblem::Damaged);
    // Every row.
    const CompletePicture whole = read(rle({4, 1, 0, 0, 4, 2, 0, 0, 4, 3, 0, 0, 4, 0, 0, 1}));
    ASSERT_TRUE(whole.ok());
    EXPECT_EQ(whole.image.pixelIndex(0, 3), 1) << "the first run is the bottom row";
    EXPECT_EQ(whole.image.pixelIndex(3, 0), 0);
}

TEST(CompletePicture, HeadersThatLieAreRefusedWithTheirReason)
{
    const Bytes good = topDown(bmp(pattern(8, 6)));
    auto with = [&](size_t offset, int32_t value, int bytes = 4) {
        Bytes b = good;
        if (bytes == 2)
            writeLE16(b.data() + offset, uint16_t(value));
        else
            writeLE32s(b.data() + offset, value);
        return b;
    };
    const struct {
        const char* what;
        Bytes bytes;
        PictureProblem problem;
    } cases[] = {
        {"100000 × 100000", [&] { Bytes b = with(18, 100000); writeLE32s(b.data() + 22, 100000); return b; }(), PictureProblem::TooLarge},
        {"20000 wide", with(18, 20000), PictureProblem::TooLarge},
        {"negative width", with(18, -8), PictureProblem::Damaged},
        {"no height", with(22, 0), PictureProblem::Damaged},
        {"7 bits a pixel", with(28, 7, 2), PictureProblem::Damaged},
        {"0 bits a pixel", with(28, 0, 2), PictureProblem::Damaged},
        {"unknown compression", with(30, 9), PictureProblem::Damaged},
        {"pixels beyond the end", with(10, 5000), PictureProblem::Damaged},
        {"info header of 3 bytes", with(14, 3), PictureProblem::Damaged},
    };
    for (const auto& c : cases) {
        const CompletePicture picture = read(c.bytes);
        EXPECT_EQ(picture.problem, c.problem) << c.what;
        EXPECT_TRUE(picture.image.isNull()) << c.what;
    }
    EXPECT_EQ(read(cases[0].bytes).statedSize, QSize(100000, 100000)) << "the message names the size";
}

TEST(CompletePicture, BytesThatAreNoPictureOrInAnotherFormatAreRefused)
{
    const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'c', 'l', 'o', 'c', 'k', '\n'};
    EXPECT_EQ(read(text).problem, PictureProblem::NotAPicture);
    EXPECT_EQ(read({}).problem, PictureProblem::NotAPicture);
    const Bytes ppm = saved(pattern(4, 4), "PPM");
    const CompletePicture other = read(ppm);
    EXPECT_EQ(other.problem, PictureProblem::Unsupported);
    EXPECT_EQ(other.format, "ppm");
}

TEST(CompletePicture, EndMarkersAreFoundPastPaddingStuffingAndRestarts)
{
    // SOI, a 4-byte segment, SOS with scan data holding a stuffed 0xFF00 and a restart marker,
    // fill bytes before EOI.
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x02,
                        0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD3, 0x56, 0xFF, 0xFF, 0xD9};
    EXPECT_TRUE(jpegReachesEnd(jpeg.data(), int64_t(jpeg.size())));
    for (size_t n = 0; n < jpeg.size(); ++n)
        EXPECT_FALSE(jpegReachesEnd(jpeg.data(), int64_t(n))) << n;
    Bytes lying = jpeg;
    lying[5] = 0x40; // a segment longer than the file
    EXPECT_FALSE(jpegReachesEnd(lying.data(), int64_t(lying.size())));

    EXPECT_TRUE(gifReachesTrailer(kGif.data(), int64_t(kGif.size())));
    for (size_t n = 0; n < kGif.size(); ++n)
        EXPECT_FALSE(gifReachesTrailer(kGif.data(), int64_t(n))) << n;
}

TEST(CompletePicture, AConvertedPictureIsABitmapTheClockShows)
{
    const QImage p = pattern(30, 20);
    const CompletePicture picture = read(saved(p, "PNG"));
    ASSERT_TRUE(picture.ok());
    TMemoryStream converted, decoded;
    convertToClockBitmap(picture.image, converted);
    converted.SetPosition(0);
    EXPECT_TRUE(LoadFromBmpStream(converted, decoded).ok);
    EXPECT_EQ(readLE16(converted.Memory() + 28), 24);
    EXPECT_TRUE(storedPictureComplete(converted.Memory(), converted.size()));
    const Bytes png = saved(p, "PNG");
    EXPECT_TRUE(storedPictureComplete(png.data(), int64_t(png.size()))) << "kept as it was: whole";
    const Bytes half = cut(png, png.size() / 2);
    EXPECT_FALSE(storedPictureComplete(half.data(), int64_t(half.size())));
}
