#include "BmpBuilder.h"

#include "rotateimage/DibFormat.h"
#include "rotateimage/EngineLimits.h"
#include "rotateimage/RotateDib.h"

#include "platform/ByteOrder.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <set>
#include <utility>

namespace dw::test {
namespace {

struct Render {
    RotateResult result{};
    TMemoryStream image;
    TMemoryStream mask;
    TRotateMatrix matrix;

    int width() const { return widthOf(image); }
    int height() const { return heightOf(image); }
    uint32_t at(int x, int y) const { return pixelAt(image, x, y); }
    bool transparent(int x, int y) const { return pixelAt(mask, x, y) == 1; }
};

Render renderMatrix(const TMemoryStream& input, const TRotateMatrix& m, const RotateOptions& options = {})
{
    Render r;
    r.matrix = m;
    r.result = RotateDib(input, m, options, r.image, r.mask);
    return r;
}

Render render(const TMemoryStream& input, int tenths, int zoom, const RotateOptions& options = {})
{
    return renderMatrix(input, matrixFromAngle(angleFromTenths(tenths), zoomFromPercent(zoom)), options);
}

// Sources whose every pixel is distinct: 8-bit index x + y·w (at most 256 pixels), 24-bit value
// with the coordinates in it.
TMemoryStream indexed(int w, int h)
{
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(uint8_t(x + y * w));
    return makeDib8(w, h, distinctPalette(), px, true);
}

uint32_t value24(int x, int y) { return 0x400000u | uint32_t(y) << 8 | uint32_t(x); }

TMemoryStream wide(int w, int h, bool spare = true)
{
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(value24(x, y));
    return makeDib24(w, h, px, spare);
}

uint32_t sourceValue(const TMemoryStream& src, int x, int y) { return pixelAt(src, x, y); }

// Checks every rendered pixel against the sources named by `expected` (nullopt: transparent).
template <typename Fn>
void expectPixels(const Render& r, const TMemoryStream& src, int w, int h, Fn expected)
{
    ASSERT_EQ(r.result, RotateResult::Rendered);
    ASSERT_EQ(r.width(), w);
    ASSERT_EQ(r.height(), h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const std::optional<std::pair<int, int>> s = expected(i, j);
            if (!s) {
                EXPECT_TRUE(r.transparent(i, j)) << "pixel " << i << "," << j;
                continue;
            }
            EXPECT_FALSE(r.transparent(i, j)) << "pixel " << i << "," << j;
            EXPECT_EQ(r.at(i, j), sourceValue(src, s->first, s->second))
                << "pixel " << i << "," << j << " should be source " << s->first << "," << s->second;
        }
}

using Px = std::optional<std::pair<int, int>>;

TEST(RotateDib, UprightRenderCopiesTheSourceAndItsHeaders)
{
    for (const TMemoryStream& src : {indexed(3, 2), wide(3, 2)}) {
        const Render r = render(src, 0, 100);
        expectPixels(r, src, 3, 2, [](int i, int j) { return Px{{i, j}}; });
        const int bits = bitCountOf(src);
        const int64_t rowSize = bits == 8 ? 4 : 12;
        const int64_t header = bits == 8 ? 1078 : 54;
        EXPECT_EQ(fileSizeOf(r.image), uint32_t(header + 2 * rowSize));
        EXPECT_EQ(r.image.size(), header + 2 * rowSize + (bits == 24 ? 1 : 0)) << "spare byte after 24-bit rows";
        EXPECT_EQ(std::memcmp(r.image.Memory() + 54, src.Memory() + 54, size_t(header - 54)), 0) << "colour table";
        EXPECT_EQ(readLE32(r.image.Memory() + 34), 0u);
        EXPECT_TRUE(IsValidDib(r.image));

        EXPECT_TRUE(IsValidDib(r.mask));
        EXPECT_EQ(r.mask.size(), 62 + 2 * 4);
        EXPECT_EQ(fileSizeOf(r.mask), uint32_t(r.mask.size()));
        EXPECT_EQ(pixelOffsetOf(r.mask), 62u);
        EXPECT_EQ(bitCountOf(r.mask), 8);
        EXPECT_EQ(colorsUsedOf(r.mask), 2u);
        EXPECT_EQ(tableEntry(r.mask, 0), 0x000000u);
        EXPECT_EQ(tableEntry(r.mask, 1), 0xFFFFFFu);
        EXPECT_EQ(widthOf(r.mask), 3);
        EXPECT_EQ(heightOf(r.mask), 2);
        EXPECT_EQ(r.mask.Memory()[62 + 3], 0) << "mask row padding";
    }
}

// Small pictures turned and zoomed, each rendered pixel against the source pixel it shows.
TEST(RotateDib, TurnsAndZoomsTakeTheSourcePixelsTheyShow)
{
    const struct {
        int w, h, tenths, zoom, outW, outH;
        Px (*source)(int i, int j);
    } cases[] = {
        // Clockwise on the screen: the source's bottom-right pixel becomes the bottom-left one.
        {4, 2, 900, 100, 2, 4, [](int i, int j) { return Px{{3 - j, i}}; }},
        {4, 2, 1800, 100, 4, 2, [](int i, int j) { return Px{{3 - i, 1 - j}}; }},
        {4, 2, 2700, 100, 2, 4, [](int i, int j) { return Px{{j, 1 - i}}; }},
        {4, 2, -900, 100, 2, 4, [](int i, int j) { return Px{{j, 1 - i}}; }},
        // A diamond. Top row (stored row 2): the top-left pixel; bottom row: the bottom-right
        // one; the middle row from the bottom-left to the top-right.
        {2, 2, 450, 100, 3, 3,
         [](int i, int j) -> Px {
             if (j == 0)
                 return i == 1 ? Px{{1, 0}} : std::nullopt;
             if (j == 2)
                 return i == 1 ? Px{{0, 1}} : std::nullopt;
             return i == 0 ? Px{{0, 0}} : Px{{1, 1}};
         }},
        // The nearest source pixel, in fixed point.
        {8, 8, 0, 25, 2, 2, [](int i, int j) { return Px{{2 + 4 * i, 2 + 4 * j}}; }},
        // At 250 % the third sample falls on 0.2 + 2 · 0.4 = 1.0, but in 16.16 fixed point it is
        // 13107 + 2 · 26214 = 65535: still the first column.
        {2, 1, 0, 250, 5, 2, [](int i, int) { return Px{{i < 3 ? 0 : 1, 0}}; }},
    };
    for (const auto& c : cases)
        for (const TMemoryStream& src : {indexed(c.w, c.h), wide(c.w, c.h)}) {
            SCOPED_TRACE(::testing::Message() << c.w << " × " << c.h << " at " << bitCountOf(src) << " bits, " << c.tenths
                                              << "/10° " << c.zoom << "%");
            expectPixels(render(src, c.tenths, c.zoom), src, c.outW, c.outH, c.source);
        }
}

TEST(RotateDib, ImageWithoutPixelsIsNotValid)
{
    const Render r = render(wide(2, 2), 0, 25);
    ASSERT_EQ(r.result, RotateResult::Rendered);
    EXPECT_EQ(r.width(), 0);
    EXPECT_FALSE(IsValidDib(r.image));
    EXPECT_FALSE(IsValidDib(r.mask));
}

// Every pixel against the exact mapping: opaque pixels show the source pixel their centre falls
// on (either neighbour when it lies within a hair of a pixel edge), pixels well inside are
// opaque and pixels outside transparent.
void checkAgainstExactMapping(const TMemoryStream& src, int W, int H, int tenths, int zoom)
{
    const Render r = render(src, tenths, zoom);
    ASSERT_EQ(r.result, RotateResult::Rendered);
    const TRotateMatrix& m = r.matrix;
    const int dw = r.width(), dh = r.height();
    const double cx = W / 2.0 - (dw / 2.0 - 0.5) * m.m11 - (dh / 2.0 - 0.5) * m.m21;
    const double cy = H / 2.0 - (dw / 2.0 - 0.5) * m.m12 - (dh / 2.0 - 0.5) * m.m22;
    const double margin = 0.1 * std::max(std::fabs(m.m11), std::fabs(m.m12)) + 0.12;
    int opaque = 0;
    for (int j = 0; j < dh; ++j)
        for (int i = 0; i < dw; ++i) {
            const double x = cx + i * m.m11 + j * m.m21, y = cy + i * m.m12 + j * m.m22;
            const bool inside = x >= margin && x <= W - margin && y >= margin && y <= H - margin;
            const bool outside = x < -0.01 || x > W + 0.01 || y < -0.01 || y > H + 0.01;
            SCOPED_TRACE(::testing::Message() << tenths << "/10° " << zoom << "% pixel " << i << "," << j << " at "
                                              << x << "," << y);
            if (inside) {
                ASSERT_FALSE(r.transparent(i, j));
            }
            if (outside) {
                ASSERT_TRUE(r.transparent(i, j));
            }
            if (r.transparent(i, j))
                continue;
            ++opaque;
            std::set<uint32_t> allowed;
            for (double dx : {-0.01, 0.0, 0.01})
                for (double dy : {-0.01, 0.0, 0.01}) {
                    const int sx = std::clamp(int(std::floor(x + dx)), 0, W - 1);
                    const int sy = std::clamp(int(std::floor(y + dy)), 0, H - 1);
                    allowed.insert(sourceValue(src, sx, sy));
                }
            ASSERT_TRUE(allowed.count(r.at(i, j))) << "got " << std::hex << r.at(i, j);
        }
    EXPECT_GT(opaque, 0);
}

TEST(RotateDib, EveryPixelFollowsTheExactMappingAtManyAnglesAndZooms)
{
    const TMemoryStream src8 = indexed(13, 7);
    const TMemoryStream src24 = wide(13, 7);
    for (int tenths : {0, 1, 370, 450, 900, 1234, 1800, 2255, 2700, 3333})
        for (int zoom : {25, 60, 100, 250, 400}) {
            checkAgainstExactMapping(src8, 13, 7, tenths, zoom);
            checkAgainstExactMapping(src24, 13, 7, tenths, zoom);
        }
}

TEST(RotateDib, KeyPixelsAreTransparentAndKeepTheirRawValue)
{
    // 24 bits: effect then negative on every pixel but the key.
    const TMemoryStream src = makeDib24(3, 1, {0x808080, 0x00FF00, 0x808080});
    RotateOptions o;
    o.key = RotateKey::pixel(0x808080);
    o.colorEffect = EffectSepia;
    o.negative = true;
    Render r = render(src, 0, 100, o);
    EXPECT_TRUE(r.transparent(0, 0));
    EXPECT_TRUE(r.transparent(2, 0));
    EXPECT_FALSE(r.transparent(1, 0));
    EXPECT_EQ(r.at(0, 0), 0x808080u);
    EXPECT_EQ(r.at(2, 0), 0x808080u);
    EXPECT_EQ(r.at(1, 0), ApplyColorEffect(0x00FF00, EffectSepia) ^ 0xFFFFFFu);

    // Without a key: grey → sepia (182, 132, 72), then inverted.
    o.key = RotateKey::none();
    r = render(src, 0, 100, o);
    EXPECT_EQ(r.at(0, 0), (182u << 16 | 132u << 8 | 72u) ^ 0xFFFFFFu);
    EXPECT_FALSE(r.transparent(0, 0));
    o.colorEffect = EffectNone;
    r = render(src, 0, 100, o);
    EXPECT_EQ(r.at(1, 0), 0xFF00FFu);

    // 8 bits: the key test uses the index; the effect goes to the colour table only.
    const std::vector<uint32_t> palette = {0x808080, 0x00FF00};
    const TMemoryStream src8 = makeDib8(3, 1, palette, {1, 0, 1});
    o = {};
    o.key = RotateKey::index(1);
    o.colorEffect = EffectMonochrome;
    o.negative = true;
    r = render(src8, 0, 100, o);
    EXPECT_TRUE(r.transparent(0, 0));
    EXPECT_FALSE(r.transparent(1, 0));
    EXPECT_EQ(r.at(0, 0), 1u);
    EXPECT_EQ(r.at(1, 0), 0u);
    EXPECT_EQ(tableEntry(r.image, 1), ApplyColorEffect(0x00FF00, EffectMonochrome) ^ 0xFFFFFFu);
    EXPECT_EQ(tableEntry(r.image, 0), 0x808080u ^ 0xFFFFFFu);
    EXPECT_EQ(tableEntry(src8, 1), 0x00FF00u) << "the source table stays as it was";
}

TEST(RotateDib, KeyOfTheOtherKindMatchesNothing)
{
    RotateOptions o;
    o.key = RotateKey::index(5);
    const Render r24 = render(makeDib24(2, 1, {5, 5}), 0, 100, o);
    EXPECT_FALSE(r24.transparent(0, 0));
    o.key = RotateKey::pixel(5);
    const Render r8 = render(makeDib8(2, 1, distinctPalette(), {5, 5}, true), 0, 100, o);
    EXPECT_FALSE(r8.transparent(0, 0));
}

TEST(RotateDib, PrintRenderIsWhiteOutsideTheImage)
{
    RotateOptions print;
    print.forPrint = true;
    const Render p = render(wide(2, 2), 450, 100, print);
    ASSERT_EQ(p.width(), 3);
    EXPECT_TRUE(p.transparent(0, 0));
    EXPECT_EQ(p.at(0, 0), 0xFFFFFFu);
    EXPECT_EQ(p.at(2, 0), 0xFFFFFFu) << "the pixel after a span is not touched by its last word";
    EXPECT_EQ(p.at(1, 0), value24(1, 0));
    const Render screen = render(wide(2, 2), 450, 100);
    EXPECT_EQ(screen.at(2, 0), 0u);
}

// The outputs' memory is not cleared before a render: a run of renders into the same buffers,
// written over in between (growing, shrinking, keyed or not, for print, upright), gives at every
// step the bytes of a render into fresh ones.
TEST(RotateDib, RenderingIntoUsedBuffersGivesTheSameBytes)
{
    const TMemoryStream sources[] = {wide(23, 61), indexed(9, 17)};
    struct Step {
        int tenths;
        int zoom;
        bool keyed;
        bool print;
    };
    const Step steps[] = {{370, 150, false, false}, {450, 400, true, false}, {510, 100, true, false},
                          {1800, 25, false, false}, {3555, 250, true, true}, {0, 100, true, false},
                          {900, 100, false, false}, {1234, 170, true, false}};
    for (const TMemoryStream& src : sources) {
        TMemoryStream image, mask;
        for (const Step& step : steps) {
            SCOPED_TRACE(::testing::Message() << widthOf(src) << " wide, " << step.tenths << "/10° " << step.zoom << "%");
            RotateOptions o;
            if (step.keyed)
                o.key = bitCountOf(src) == 8 ? RotateKey::index(3) : RotateKey::pixel(value24(3, 3));
            o.forPrint = step.print;
            const Render fresh = render(src, step.tenths, step.zoom, o);
            ASSERT_EQ(RotateDib(src, fresh.matrix, o, image, mask), RotateResult::Rendered);
            ASSERT_EQ(image.size(), fresh.image.size());
            ASSERT_EQ(mask.size(), fresh.mask.size());
            EXPECT_EQ(std::memcmp(image.Memory(), fresh.image.Memory(), size_t(image.size())), 0);
            EXPECT_EQ(std::memcmp(mask.Memory(), fresh.mask.Memory(), size_t(mask.size())), 0);
            // What the next render finds: none of its own bytes, up to the largest size so far.
            const int64_t imageSize = image.size(), maskSize = mask.size();
            image.SetSize(std::max<int64_t>(imageSize, 1 << 18));
            mask.SetSize(std::max<int64_t>(maskSize, 1 << 18));
            std::memset(image.Memory(), 0xAB, size_t(image.size()));
            std::memset(mask.Memory(), 0xCD, size_t(mask.size()));
            image.SetSize(imageSize);
            mask.SetSize(maskSize);
        }
    }
}

TEST(RotateDib, WhatCannotBeRenderedLeavesTheOutputsAsDocumented)
{
    Render previous = render(wide(3, 3), 0, 100);
    const int64_t imageSize = previous.image.size();

    TMemoryStream fourBit = makeDib8(2, 1, {0, 0xFFFFFF}, {0, 1});
    writeLE16(fourBit.Memory() + 28, 4);
    EXPECT_EQ(RotateDib(fourBit, {}, {}, previous.image, previous.mask), RotateResult::UnsupportedDepth);
    EXPECT_EQ(previous.image.size(), imageSize);

    TMemoryStream cut = wide(3, 3);
    cut.SetSize(cut.size() - 12); // rows cut short; the file size field is no longer true either
    writeLE32(cut.Memory() + 2, uint32_t(cut.size()));
    EXPECT_EQ(RotateDib(cut, {}, {}, previous.image, previous.mask), RotateResult::InvalidInput);
    EXPECT_EQ(previous.image.size(), 0);
    EXPECT_EQ(previous.mask.size(), 0);

    previous = render(wide(3, 3), 0, 100);
    EXPECT_EQ(RotateDib(wide(100, 100), {1e-3f, 0, 0, 1e-3f}, {}, previous.image, previous.mask),
              RotateResult::TooLarge);
    EXPECT_EQ(previous.image.size(), 0);
    EXPECT_EQ(previous.mask.size(), 0);
}

TEST(RotateDib, OrdinaryZoomOfABigPictureIsRefusedBeyondTheRenderLimit)
{
    // 4096 × 4096 at 24 bits and 400 %: 16384 × 16384, 1 GiB with its mask.
    TMemoryStream big = makeDib24(1, 1, {0});
    const int64_t row = 4096 * 3;
    big.SetSize(54 + row * 4096 + 1);
    writeLE32(big.Memory() + 2, uint32_t(54 + row * 4096));
    writeLE32s(big.Memory() + 18, 4096);
    writeLE32s(big.Memory() + 22, 4096);
    ASSERT_TRUE(IsValidDib(big));
    TMemoryStream image = makeDib24(1, 1, {0}), mask = makeDib24(1, 1, {0});
    EXPECT_EQ(RotateDib(big, matrixFromAngle(0, zoomFromPercent(400)), {}, image, mask), RotateResult::TooLarge);
    EXPECT_EQ(image.size(), 0);
    EXPECT_EQ(mask.size(), 0);
}

// Hostile matrices: whatever the values, no read leaves the source and no write its row (the
// sanitizers check the buffers; the sources carry no byte after their last row).
TEST(RotateDib, ExtremeMatricesStayInsideTheBuffers)
{
    const float big = 1e30f, tiny = 1e-30f;
    const TRotateMatrix matrices[] = {
        {1, 0, 0, 1},          {0.37f, 1000, 0.001f, 1}, {1000, 0.001f, 0.001f, -1000}, {tiny, 1, -1, tiny},
        {1, tiny, tiny, 1},    {0.05f, 0.3f, -0.3f, 0.05f}, {big, 1, 1, big},          {big, big, big, -big},
        {FLT_MIN, 1, 1, 0},    {-1, 0, 0, -1},          {3.9999f, 0.0001f, -0.0001f, 3.9999f},
        {0.25f, 0.00001f, 0, 0.25f}, {1e-2f, 5e-3f, 5e-3f, -1e-2f}, {-FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX},
        {1.0000077f, 0, 0, 1}, {1, 0.99f, 0.99f, 1}, {0.2500013f, 0.0000005f, -0.0000005f, 0.2500013f},
    };
    // 8 bits 4 wide and 24 bits 4 wide: rows without padding, so the last pixel of the buffer
    // ends the buffer.
    const TMemoryStream sources[] = {indexed(4, 3), wide(4, 3, false), wide(5, 2, false)};
    for (const TMemoryStream& src : sources) {
        std::set<uint32_t> values;
        for (int y = 0; y < heightOf(src); ++y)
            for (int x = 0; x < widthOf(src); ++x)
                values.insert(pixelAt(src, x, y));
        for (const TRotateMatrix& m : matrices) {
            for (bool keyed : {false, true}) {
                RotateOptions o;
                if (keyed)
                    o.key = bitCountOf(src) == 8 ? RotateKey::index(0) : RotateKey::pixel(value24(0, 0));
                const Render r = renderMatrix(src, m, o);
                SCOPED_TRACE(::testing::Message() << m.m11 << " " << m.m12 << " " << m.m21 << " " << m.m22);
                ASSERT_TRUE(r.result == RotateResult::Rendered || r.result == RotateResult::TooLarge);
                if (r.result != RotateResult::Rendered || r.width() == 0 || r.height() == 0)
                    continue;
                EXPECT_TRUE(IsValidDib(r.image));
                EXPECT_TRUE(IsValidDib(r.mask));
                for (int j = 0; j < r.height(); ++j)
                    for (int i = 0; i < r.width(); ++i)
                        if (!r.transparent(i, j)) {
                            ASSERT_TRUE(values.count(r.at(i, j))) << i << "," << j;
                        }
            }
        }
    }
}

// Found while checking long rows: at 0.1° and 400 % the sample point of a row creeps along the
// top edge of a one-row picture by far less than the span's margin of a tenth of a rendered
// pixel, and the rounded fixed-point step carries it past the edge into the next (absent) row.
TEST(RotateDib, RowsCreepingAlongAnEdgeDoNotReadOutsideTheSource)
{
    std::vector<uint8_t> px(5000);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = uint8_t(i % 251);
    const TMemoryStream src8 = makeDib8(5000, 1, distinctPalette(), px, true); // rows of 5000 bytes, nothing after
    std::vector<uint32_t> px24(5000);
    for (size_t i = 0; i < px24.size(); ++i)
        px24[i] = uint32_t(i);
    const TMemoryStream src24 = makeDib24(5000, 1, px24, false); // 15000-byte row, no spare byte
    for (const TMemoryStream* src : {&src8, &src24}) {
        for (int tenths : {1, 3, 13, 1787, 3599}) {
            const Render r = render(*src, tenths, 400);
            ASSERT_EQ(r.result, RotateResult::Rendered);
            if (bitCountOf(*src) == 8)
                continue; // the sanitizers watch the reads; the values repeat too often to check
            // A 24-bit pixel's value is its source column: it must lie next to the exact sample.
            const TRotateMatrix& m = r.matrix;
            const double cx = 2500 - (r.width() / 2.0 - 0.5) * m.m11 - (r.height() / 2.0 - 0.5) * m.m21;
            int opaque = 0;
            for (int j = 0; j < r.height(); ++j)
                for (int i = 0; i < r.width(); i += 7)
                    if (!r.transparent(i, j)) {
                        ++opaque;
                        // The column the sample truncates to, give or take the fixed-point drift.
                        const double x = cx + i * m.m11 + j * m.m21;
                        ASSERT_NEAR(double(r.at(i, j)) + 0.5, x, 0.55) << tenths << " pixel " << i << "," << j;
                    }
            EXPECT_GT(opaque, 0);
        }
    }
}

} // namespace
} // namespace dw::test
