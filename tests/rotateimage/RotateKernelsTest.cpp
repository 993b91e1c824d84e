#include "BmpBuilder.h"

#include "rotateimage/RotateDib.h"
#include "rotateimage/RotateKernels.h"

#include <gtest/gtest.h>

#include <cstring>

namespace dw::test {
namespace {

TMemoryStream indexedPicture(int w, int h)
{
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(uint8_t((x * 7 + y * 13) % 256));
    return makeDib8(w, h, distinctPalette(), px, true);
}

uint32_t wideValue(int x, int y) { return uint32_t(x) | uint32_t(y) << 8 | uint32_t((x + y) & 0x7F) << 16; }

TMemoryStream widePicture(int w, int h, bool spare)
{
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(wideValue(x, y));
    return makeDib24(w, h, px, spare);
}

bool sameBytes(const TMemoryStream& a, const TMemoryStream& b)
{
    return a.size() == b.size() && std::memcmp(a.Memory(), b.Memory(), size_t(a.size())) == 0;
}

class VectorKernelsOff {
public:
    VectorKernelsOff() { rotate_detail::setVectorKernelsEnabled(false); }
    ~VectorKernelsOff() { rotate_detail::setVectorKernelsEnabled(true); }
};

class WideKernelsOff {
public:
    WideKernelsOff() { rotate_detail::setWideVectorKernelsEnabled(false); }
    ~WideKernelsOff() { rotate_detail::setWideVectorKernelsEnabled(true); }
};

// The vector kernels (where the processor has them: the sixteen-pixel ones, and the eight-pixel
// ones alone) and the quarter-turn blocks must give the scalar kernels' bytes exactly, for every
// depth, size, angle, zoom, key and negative.
TEST(RotateKernels, VectorKernelsGiveTheScalarResultByteForByte)
{
    const TMemoryStream sources[] = {indexedPicture(37, 29), indexedPicture(64, 40), indexedPicture(8, 70),
                                     widePicture(37, 29, true), widePicture(40, 24, false), widePicture(9, 66, false)};
    const int tenths[] = {0, 1, 370, 450, 900, 1800, 2700, -900, 3333, 1234};
    const int zooms[] = {25, 100, 250};
    for (const TMemoryStream& src : sources) {
        const bool indexed = bitCountOf(src) == 8;
        for (int t : tenths)
            for (int z : zooms)
                for (int variant = 0; variant < 4; ++variant) {
                    RotateOptions o;
                    if (variant & 1)
                        o.key = indexed ? RotateKey::index(uint8_t(pixelAt(src, 3, 2)))
                                        : RotateKey::pixel(pixelAt(src, 3, 2));
                    o.negative = (variant & 2) != 0;
                    const TRotateMatrix m = matrixFromAngle(angleFromTenths(t), zoomFromPercent(z));
                    TMemoryStream fastImage, fastMask, eightImage, eightMask, slowImage, slowMask;
                    ASSERT_EQ(RotateDib(src, m, o, fastImage, fastMask), RotateResult::Rendered);
                    {
                        WideKernelsOff off;
                        ASSERT_EQ(RotateDib(src, m, o, eightImage, eightMask), RotateResult::Rendered);
                    }
                    {
                        VectorKernelsOff off;
                        ASSERT_EQ(RotateDib(src, m, o, slowImage, slowMask), RotateResult::Rendered);
                    }
                    ASSERT_TRUE(sameBytes(eightImage, slowImage))
                        << widthOf(src) << "x" << heightOf(src) << " " << bitCountOf(src) << "-bit " << t << "/10° "
                        << z << "% variant " << variant << ", eight at a time";
                    ASSERT_TRUE(sameBytes(eightMask, slowMask));
                    ASSERT_TRUE(sameBytes(fastImage, slowImage))
                        << widthOf(src) << "x" << heightOf(src) << " " << bitCountOf(src) << "-bit " << t << "/10° "
                        << z << "% variant " << variant;
                    ASSERT_TRUE(sameBytes(fastMask, slowMask));
                }
    }
}

class UprightRowsOff {
public:
    UprightRowsOff() { rotate_detail::setUprightRowsEnabled(false); }
    ~UprightRowsOff() { rotate_detail::setUprightRowsEnabled(true); }
};

// The upright render at 100 % copies whole rows; it must give the sampler's bytes exactly, for
// odd and even widths, both depths, with and without the spare byte, keyed (the key colour in
// the first or the last column), printed, and with the colour work that the rows leave to the
// sampler. It writes every byte itself, so the used buffers it renders into (larger, and full of
// other bytes) must not show through.
TEST(RotateKernels, UprightRowsGiveTheSampledBytes)
{
    std::vector<TMemoryStream> sources;
    for (int w : {1, 3, 5, 8, 37}) {
        sources.push_back(indexedPicture(w, 7));
        sources.push_back(widePicture(w, 6, true));
        sources.push_back(widePicture(w, 5, false));
    }
    const TRotateMatrix upright = matrixFromAngle(angleFromTenths(0), zoomFromPercent(100));
    for (const TMemoryStream& src : sources) {
        const bool indexed = bitCountOf(src) == 8;
        const int w = widthOf(src);
        for (int variant = 0; variant < 6; ++variant) {
            RotateOptions o;
            if (variant == 1 || variant == 2) {
                const uint32_t raw = pixelAt(src, variant == 1 ? 0 : w - 1, 2);
                o.key = indexed ? RotateKey::index(uint8_t(raw)) : RotateKey::pixel(raw);
            }
            if (variant == 3)
                o.key = indexed ? RotateKey::pixel(pixelAt(src, 0, 0)) : RotateKey::index(0); // the other kind
            o.forPrint = variant == 4;
            o.negative = variant == 5;
            o.colorEffect = variant == 5 ? EffectSepia : EffectNone;
            TMemoryStream image, mask, sampledImage, sampledMask;
            image.SetSize(src.size() + 100);
            std::memset(image.Memory(), 0xA5, size_t(image.size()));
            mask.SetSize(src.size() + 100);
            std::memset(mask.Memory(), 0x5A, size_t(mask.size()));
            ASSERT_EQ(RotateDib(src, upright, o, image, mask), RotateResult::Rendered);
            {
                UprightRowsOff off;
                ASSERT_EQ(RotateDib(src, upright, o, sampledImage, sampledMask), RotateResult::Rendered);
            }
            SCOPED_TRACE(::testing::Message() << w << " wide, " << bitCountOf(src) << "-bit, variant " << variant);
            ASSERT_TRUE(sameBytes(image, sampledImage));
            ASSERT_TRUE(sameBytes(mask, sampledMask));
        }
    }
}

TEST(RotateKernels, QuarterTurnsOfLargerPicturesAreExactTranspositions)
{
    const int W = 43, H = 27;
    for (const TMemoryStream& src : {indexedPicture(W, H), widePicture(W, H, true), widePicture(W, H, false)}) {
        struct Turn {
            int tenths;
            int dw;
            std::pair<int, int> (*source)(int i, int j);
        };
        const Turn turns[] = {
            {900, H, [](int i, int j) { return std::pair{W - 1 - j, i}; }},
            {2700, H, [](int i, int j) { return std::pair{j, H - 1 - i}; }},
            {1800, W, [](int i, int j) { return std::pair{W - 1 - i, H - 1 - j}; }},
        };
        for (const Turn& turn : turns) {
            RotateOptions o;
            o.key = bitCountOf(src) == 8 ? RotateKey::index(uint8_t(pixelAt(src, 5, 5)))
                                         : RotateKey::pixel(wideValue(5, 5));
            o.negative = true;
            TMemoryStream image, mask;
            ASSERT_EQ(RotateDib(src, matrixFromAngle(angleFromTenths(turn.tenths), 1), o, image, mask),
                      RotateResult::Rendered);
            ASSERT_EQ(widthOf(image), turn.dw);
            for (int j = 0; j < heightOf(image); ++j)
                for (int i = 0; i < widthOf(image); ++i) {
                    const auto [sx, sy] = turn.source(i, j);
                    const uint32_t raw = pixelAt(src, sx, sy);
                    const bool isKey = raw == o.key.value;
                    ASSERT_EQ(pixelAt(mask, i, j), isKey ? 1u : 0u) << turn.tenths << " at " << i << "," << j;
                    const uint32_t expected = bitCountOf(src) == 8 || isKey ? raw : raw ^ 0xFFFFFFu;
                    ASSERT_EQ(pixelAt(image, i, j), expected) << turn.tenths << " at " << i << "," << j;
                }
        }
    }
}

} // namespace
} // namespace dw::test
