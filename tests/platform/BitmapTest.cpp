#include "platform/Bitmap.h"
#include "platform/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"

#include "DibBytes.h"

#include "tests/support/NoiseImage.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace dw;
using dw::test::bmpFile;
using dw::test::errorMessageOf;

namespace {

std::vector<uint8_t> bytesOf(const TBitmap& b)
{
    TMemoryStream s;
    b.SaveToStream(s);
    return std::vector<uint8_t>(s.Memory(), s.Memory() + s.size());
}

uint32_t u32(const std::vector<uint8_t>& d, size_t at) { return readLE32(d.data() + at); }
uint16_t u16(const std::vector<uint8_t>& d, size_t at) { return readLE16(d.data() + at); }

// A bitmap with distinct colours in its corners, in the given format.
void paintCorners(TBitmap& b, int w, int h)
{
    b.SetSize(w, h);
    TCanvas& c = b.Canvas();
    c.Brush.Color = clWhite;
    c.FillRect({0, 0, w, h});
    c.SetPixel(0, 0, clRed);
    c.SetPixel(w - 1, 0, clLime);
    c.SetPixel(0, h - 1, clBlue);
    c.SetPixel(w - 1, h - 1, clBlack);
}

TMemoryStream streamOf(const std::vector<uint8_t>& d)
{
    TMemoryStream s;
    s.WriteBuffer(d.data(), int64_t(d.size()));
    s.SetPosition(0);
    return s;
}

} // namespace

// The file of each depth: the headers, the colour table (exactly the entries written) and the
// rows bottom up, each padded to four bytes with zero bits.
TEST(BitmapFile, EachDepthWritesItsHeadersTableAndPaddedRowsBottomUp)
{
    const struct {
        const char* what;
        std::function<void(TBitmap&)> make;
        uint16_t bits;
        uint32_t colours;                             // the table's entries
        std::vector<std::pair<size_t, uint32_t>> table; // entries checked: offset in the file, value
        std::vector<uint8_t> rows;
    } cases[] = {
        // Entry 9 of the standard colours is red (blue, green, red, 0). Bottom row first: blue,
        // white, black = indices 12, 15, 0; then red, white, lime.
        {"4 bits", [](TBitmap& b) { b.SetPixelFormat(pf4bit), paintCorners(b, 3, 2); }, 4, 16, {{54 + 4 * 9, 0x00FF0000u}},
         {0xCF, 0x00, 0, 0, 0x9F, 0xA0, 0, 0}},
        {"8 bits, the table the image holds",
         [](TBitmap& b) {
             QImage img(5, 1, QImage::Format_Indexed8);
             img.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)});
             for (int x = 0; x < 5; ++x)
                 img.setPixel(x, 0, uint(x % 3));
             b.setImage(img);
             b.SetPixelFormat(pf8bit);
         },
         8, 3, {{54, 0x00010203u}}, {0, 1, 2, 0, 1, 0, 0, 0}},
        {"24 bits", [](TBitmap& b) { b.SetPixelFormat(pf24bit), paintCorners(b, 2, 2); }, 24, 0, {},
         {0xFF, 0, 0, 0, 0, 0, 0, 0, /* top: */ 0, 0, 0xFF, 0, 0xFF, 0, 0, 0}},
        {"1 bit",
         [](TBitmap& b) {
             b.SetPixelFormat(pf1bit), b.SetSize(9, 1);
             b.Canvas().SetPixel(0, 0, clBlack), b.Canvas().SetPixel(8, 0, clBlack);
         },
         1, 2, {{54, 0x00000000u}, {58, 0x00FFFFFFu}}, {0x7F, 0x00, 0, 0}},
        {"the device format, as 32 bits with the fourth byte 0",
         [](TBitmap& b) { b.SetSize(1, 1), b.Canvas().SetPixel(0, 0, TColor(0x332211)); }, 32, 0, {}, {0x33, 0x22, 0x11, 0}},
        {"16 bits, as 5-5-5", [](TBitmap& b) { b.SetPixelFormat(pf16bit), b.SetSize(1, 1), b.Canvas().SetPixel(0, 0, clWhite); },
         16, 0, {}, {0xFF, 0x7F, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TBitmap b;
        c.make(b);
        const auto d = bytesOf(b);
        const uint32_t offset = 54 + 4 * c.colours;
        ASSERT_EQ(d.size(), offset + c.rows.size());
        EXPECT_EQ(d[0], 'B');
        EXPECT_EQ(d[1], 'M');
        EXPECT_EQ(u32(d, 2), d.size()) << "file size";
        EXPECT_EQ(u32(d, 10), offset) << "pixel-data offset";
        EXPECT_EQ(u32(d, 14), 40u);
        EXPECT_EQ(u32(d, 18), uint32_t(b.Width()));
        EXPECT_EQ(u32(d, 22), uint32_t(b.Height())) << "bottom up";
        EXPECT_EQ(u16(d, 26), 1);
        EXPECT_EQ(u16(d, 28), c.bits);
        EXPECT_EQ(u32(d, 30), 0u) << "uncompressed";
        EXPECT_EQ(u32(d, 46), c.colours);
        for (const auto& [at, entry] : c.table)
            EXPECT_EQ(u32(d, at), entry) << "at " << at;
        EXPECT_EQ(std::vector<uint8_t>(d.begin() + offset, d.end()), c.rows);
    }
}

TEST(BitmapFile, EveryDepthReadsBackPixelForPixel)
{
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
        TBitmap b;
        b.SetPixelFormat(f);
        paintCorners(b, 7, 3);
        TMemoryStream s;
        b.SaveToStream(s);
        s.SetPosition(0);
        TBitmap back;
        back.LoadFromStream(s);
        const TPixelFormat expected = f == pf16bit ? pf15bit : f == pfDevice ? pf32bit : f;
        EXPECT_EQ(back.PixelFormat(), expected) << int(f);
        ASSERT_EQ(back.Width(), 7);
        ASSERT_EQ(back.Height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(back.pixel(x, y), b.pixel(x, y)) << int(f) << " " << x << "," << y;
        EXPECT_EQ(s.Position(), s.size());
    }
}

TEST(BitmapFile, TopDownAndBitFieldFilesAreRead)
{
    // 2 × 2, 16 bits 5-6-5, top-down: top row white, black; bottom row pure green, pure blue.
    std::vector<uint8_t> rows = {0xFF, 0xFF, 0, 0, 0xE0, 0x07, 0x1F, 0x00};
    auto d = bmpFile(2, -2, 16, 3, {0xF800, 0x07E0, 0x001F}, rows);
    auto s = streamOf(d);
    TBitmap b;
    b.LoadFromStream(s);
    EXPECT_EQ(b.PixelFormat(), pf16bit);
    EXPECT_EQ(b.pixel(0, 0), clWhite);
    EXPECT_EQ(b.pixel(1, 0), clBlack);
    EXPECT_EQ(b.pixel(0, 1), clLime);
    EXPECT_EQ(b.pixel(1, 1), clBlue);

    // 32 bits with the colours in the high bits of each word.
    rows = {0, 0, 0, 0xFF, 0, 0, 0xFF, 0};
    d = bmpFile(2, 1, 32, 3, {0xFF000000u, 0x00FF0000u, 0x0000FF00u}, rows);
    s = streamOf(d);
    b.LoadFromStream(s);
    EXPECT_EQ(b.PixelFormat(), pf32bit);
    EXPECT_EQ(b.pixel(0, 0), clRed);
    EXPECT_EQ(b.pixel(1, 0), clLime);
}

TEST(BitmapFile, InvalidFilesAreRefusedAndChangeNothing)
{
    const std::vector<uint8_t> rows8 = {0, 1, 0, 0};
    const std::vector<uint32_t> table = {0x000000, 0xFFFFFF};
    const auto good = bmpFile(2, 1, 8, 0, table, rows8, 2);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto with = [&](const char* what, size_t at, uint32_t value, int width = 4) {
        auto b = good;
        if (width == 2)
            writeLE16(b.data() + at, uint16_t(value));
        else
            writeLE32(b.data() + at, value);
        cases.push_back({what, b});
    };
    cases.push_back({"empty", {}});
    cases.push_back({"truncated rows", std::vector<uint8_t>(good.begin(), good.end() - 1)});
    with("signature", 0, 0x4D42 ^ 0x0101, 2);
    with("core header", 14, 12);
    with("width 0", 18, 0);
    with("height 0", 22, 0);
    with("planes", 26, 2, 2);
    with("bit count", 28, 3, 2);
    with("RLE", 30, 1);
    with("too many colours", 46, 300);
    with("wider than the limit", 18, uint32_t(kMaxBitmapSide + 1));
    with("pixel offset beyond the file", 10, 0x7FFFFFF0);
    cases.push_back({"more pixels than the limit", bmpFile(30000, 30000, 1, 0, table, {})});

    TBitmap b;
    b.SetPixelFormat(pf24bit);
    paintCorners(b, 3, 3);
    int changes = 0;
    b.OnChange = [&](TBitmap&) { ++changes; };
    const auto before = bytesOf(b);
    for (const Case& c : cases) {
        TMemoryStream s;
        s.WriteBuffer("xy", 2);
        if (!c.bytes.empty())
            s.WriteBuffer(c.bytes.data(), int64_t(c.bytes.size()));
        s.SetPosition(2);
        EXPECT_EQ(errorMessageOf([&] { b.LoadFromStream(s); }), QString::fromUtf8("ビットマップ イメージは有効ではありません"))
            << c.what;
        EXPECT_EQ(s.Position(), 2) << c.what;
    }
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(bytesOf(b), before);
    EXPECT_THROW(b.LoadFromMemory(good.data(), int64_t(good.size()) - 1), EFrameworkError);
}

TEST(BitmapFile, LoadingConsumesExactlyOneFile)
{
    auto first = bmpFile(1, 1, 24, 0, {}, {1, 2, 3, 0});
    const auto second = bmpFile(1, 1, 24, 0, {}, {4, 5, 6, 0});
    TMemoryStream s;
    s.WriteBuffer(first.data(), int64_t(first.size()));
    s.WriteBuffer(second.data(), int64_t(second.size()));
    s.SetPosition(0);
    TBitmap b;
    b.LoadFromStream(s);
    EXPECT_EQ(s.Position(), int64_t(first.size()));
    EXPECT_EQ(b.pixel(0, 0), TColor(0x010203));
    b.LoadFromStream(s);
    EXPECT_EQ(b.pixel(0, 0), TColor(0x040506));

    // A file size of 0 (some writers leave it) still reads, up to the end of the pixels.
    writeLE32(first.data() + 2, 0);
    first.push_back(0xEE);
    auto t = streamOf(first);
    b.LoadFromStream(t);
    EXPECT_EQ(t.Position(), int64_t(first.size()) - 1);
}

TEST(Bitmap, ChangeNotificationFollowsEveryChangeOfThePicture)
{
    TBitmap b, other;
    other.SetSize(2, 2);
    int changes = 0;
    b.OnChange = [&](TBitmap& sender) {
        EXPECT_EQ(&sender, &b);
        ++changes;
    };
    b.SetSize(4, 4);
    EXPECT_EQ(changes, 1);
    b.SetSize(4, 4);
    EXPECT_EQ(changes, 1) << "same size";
    b.SetPixelFormat(pf8bit);
    EXPECT_EQ(changes, 2);
    b.Assign(other);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(b.Width(), 2);
    TMemoryStream s;
    other.SaveToStream(s);
    s.SetPosition(0);
    b.LoadFromStream(s);
    EXPECT_EQ(changes, 4);
    b.Canvas().FillRect({0, 0, 1, 1});
    EXPECT_EQ(changes, 5);
    (void)b.pixel(0, 0);
    (void)b.Canvas().Pixel(0, 0);
    TMemoryStream sink;
    b.SaveToStream(sink);
    EXPECT_EQ(changes, 5) << "reading changes nothing";
    b.Mask(clWhite);
    EXPECT_EQ(changes, 6);
    b.Assign(nullptr);
    EXPECT_EQ(changes, 7);
    EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, MonochromeKeepsOnlyPureWhiteWhileOnePixelFormatTakesTheNearest)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(4, 1);
    const TColor colours[4] = {clWhite, TColor(0xFEFEFE), clBlack, TColor(0x303030)};
    for (int x = 0; x < 4; ++x)
        b.Canvas().SetPixel(x, 0, colours[x]);
    TBitmap mono;
    mono.Assign(b);
    mono.SetMonochrome(true);
    EXPECT_TRUE(mono.Monochrome());
    EXPECT_EQ(mono.HandleType(), bmDDB);
    EXPECT_EQ(mono.pixel(0, 0), clWhite);
    EXPECT_EQ(mono.pixel(1, 0), clBlack) << "near white is not white";
    EXPECT_EQ(mono.pixel(2, 0), clBlack);

    TBitmap dib;
    dib.Assign(b);
    dib.SetPixelFormat(pf1bit);
    EXPECT_EQ(dib.HandleType(), bmDIB);
    EXPECT_EQ(dib.pixel(1, 0), clWhite);
    EXPECT_EQ(dib.pixel(3, 0), clBlack);
    EXPECT_EQ(dib.TransparentColor(), clWhite) << "a monochrome bitmap's automatic colour";
    EXPECT_EQ(b.TransparentColor(), clWhite) << "the bottom-left pixel";
}

TEST(Bitmap, MaskMatchesTheColourAtTheBitmapsResolution)
{
    TBitmap b;
    b.SetPixelFormat(pf15bit);
    b.SetSize(2, 1);
    b.Canvas().SetPixel(0, 0, TColor(0x0707FF)); // stored as pure red
    b.Canvas().SetPixel(1, 0, clBlue);
    b.Mask(TColor(0x0707FF));
    EXPECT_EQ(b.pixel(0, 0), clWhite);
    EXPECT_EQ(b.pixel(1, 0), clBlack);
    b.SetPixelFormat(pf15bit);
    EXPECT_EQ(readLE16(b.ScanLine(0)), 0x7FFF) << "white is one non-zero word";
    EXPECT_EQ(readLE16(b.ScanLine(0) + 2), 0);
}

TEST(Bitmap, FormatChangesKeepColoursTheFormatCanHold)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(20, 1);
    for (int x = 0; x < 20; ++x)
        b.Canvas().SetPixel(x, 0, TColor(0x010101 * (x * 12)));
    TBitmap eight;
    eight.Assign(b);
    eight.SetPixelFormat(pf8bit);
    for (int x = 0; x < 20; ++x)
        ASSERT_EQ(eight.pixel(x, 0), b.pixel(x, 0)) << "at most 256 colours are kept exactly";
    TBitmap four;
    four.Assign(b);
    four.SetPixelFormat(pf4bit);
    EXPECT_EQ(four.pixel(0, 0), clBlack);
    EXPECT_EQ(four.pixel(16, 0), TColor(0xC0C0C0)) << "192 grey is a standard colour";
    EXPECT_EQ(four.pixel(11, 0), clGray) << "132 grey goes to the nearest, 128";
}

TEST(Bitmap, SetSizeKeepsTheTopLeftAndRefusesHugeSizes)
{
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    paintCorners(b, 3, 3);
    b.SetSize(5, 2);
    EXPECT_EQ(b.pixel(0, 0), clRed);
    EXPECT_EQ(b.pixel(2, 0), clLime);
    EXPECT_EQ(b.pixel(4, 1), clWhite) << "new pixels are white";
    EXPECT_EQ(errorMessageOf([&] { b.SetSize(kMaxBitmapSide + 1, 1); }), QString::fromUtf8("リソースが不足しています"));
    EXPECT_EQ(b.Width(), 5);
    EXPECT_THROW(b.SetSize(20000, 20000), EFrameworkError);
    b.SetSize(-3, 2);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.PixelFormat(), pf8bit);
}

TEST(Bitmap, TrueColourFormatsConvertEveryPixelExactly)
{
    const QImage noise = test::noise(37, 5, 99);
    TBitmap b;
    b.setImage(noise);
    b.SetPixelFormat(pf24bit);
    TBitmap device;
    device.Assign(b);
    device.SetPixelFormat(pfDevice);
    b.SetPixelFormat(pf32bit);
    b.SetPixelFormat(pf24bit);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            const TColor expected = TColor(ColorToRGB(TColor(((noise.pixel(x, y) & 0xFF) << 16) | (noise.pixel(x, y) & 0xFF00)
                                                           | ((noise.pixel(x, y) >> 16) & 0xFF))));
            ASSERT_EQ(device.pixel(x, y), expected) << x << "," << y;
            ASSERT_EQ(b.pixel(x, y), expected) << x << "," << y;
            ASSERT_EQ(device.image().pixel(x, y) >> 24, 0xFFu) << "no stray alpha";
        }
}

namespace {

// A bitmap file of every depth holding noise, `width` pixels wide.
std::vector<uint8_t> noiseFile(TPixelFormat format, int width, int height)
{
    TBitmap b;
    b.setImage(test::noise(width, height, uint32_t(width) * 7 + uint32_t(format)));
    b.SetPixelFormat(format);
    return bytesOf(b);
}

// The pixel bytes of each row (without the padding at its end) and the colour table.
bool samePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.PixelFormat() != b.PixelFormat() || a.Width() != b.Width() || a.Height() != b.Height()
        || a.image().format() != b.image().format() || a.image().colorTable() != b.image().colorTable())
        return false;
    const size_t bytes = (size_t(a.Width()) * size_t(a.image().depth()) + 7) / 8;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0)
            return false;
    return true;
}

} // namespace

// Reading straight into a format gives what reading and then converting gives, to the byte
// (the alpha byte of 32-bit pixels too), for every depth and format and for widths that end
// inside and outside the vector kernels' groups; the picture changes once.
TEST(BitmapFile, ReadingIntoAFormatIsReadingThenConverting)
{
    const TPixelFormat formats[] = {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};
    for (TPixelFormat from : {pf1bit, pf4bit, pf8bit, pf15bit, pf24bit, pf32bit})
        for (int width : {1, 5, 11, 12, 37}) {
            const std::vector<uint8_t> file = noiseFile(from, width, 3);
            for (TPixelFormat to : formats) {
                SCOPED_TRACE(::testing::Message() << "from " << int(from) << " to " << int(to) << ", " << width
                                                  << " wide");
                TBitmap converted;
                converted.LoadFromMemory(file.data(), int64_t(file.size()));
                converted.SetPixelFormat(to);
                TBitmap direct;
                int changes = 0;
                direct.OnChange = [&](TBitmap&) { ++changes; };
                direct.LoadFromMemory(file.data(), int64_t(file.size()), to);
                EXPECT_EQ(changes, 1);
                ASSERT_TRUE(samePixels(direct, converted));
            }
        }

    TBitmap b;
    paintCorners(b, 3, 3);
    const auto before = bytesOf(b);
    const std::vector<uint8_t> file = noiseFile(pf24bit, 4, 2);
    EXPECT_THROW(b.LoadFromMemory(file.data(), int64_t(file.size()) - 1, pfDevice), EFrameworkError);
    EXPECT_THROW(b.LoadFromMemory(nullptr, 0, pfDevice), EFrameworkError);
    EXPECT_EQ(bytesOf(b), before);
}
