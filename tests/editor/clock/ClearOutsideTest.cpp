// A picture made transparent outside a window region, band by band.
#include "editor/clock/ClearOutside.h"

#include <gtest/gtest.h>

using namespace dw;

namespace {

QImage noise(int w, int h, QImage::Format format)
{
    QImage image(w, h, format);
    uint32_t seed = 5;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    return image;
}

TRegion unionOf(std::initializer_list<TRegion> parts)
{
    TRegion u;
    for (const TRegion& part : parts)
        CombineRgn(u, u, part, RGN_OR);
    return u;
}

} // namespace

// Every pixel against the region's own test, for regions with several spans in a row, rows
// without any between bands, parts beyond each edge of the picture, none at all and all of it.
TEST(ClearOutside, PixelsOutsideTheRegionBecomeTransparentBlackAndTheOthersStay)
{
    const int w = 23, h = 17;
    const std::pair<const char*, TRegion> regions[] = {
        {"none", TRegion()},
        {"all", CreateRectRgn(0, 0, w, h)},
        {"beyond every edge", CreateRectRgn(-5, -5, w + 5, h + 5)},
        {"beyond the top left", CreateRectRgn(-5, -3, 10, 8)},
        {"beside the picture", CreateRectRgn(w + 2, 0, w + 9, h)},
        {"spans and gaps", unionOf({CreateRectRgn(1, 1, 4, 6), CreateRectRgn(7, 2, 9, 5), CreateRectRgn(12, 0, 30, 3),
                                    CreateRectRgn(3, 9, 20, 11), CreateRectRgn(0, 14, 2, 40),
                                    CreateRectRgn(21, 15, 23, 16)})},
        {"round", CreateRoundRectRgn(-2, 1, w + 3, h - 1, 20, 14)},
    };
    for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
        const QImage original = noise(w, h, format);
        for (const auto& [what, region] : regions) {
            QImage image = original;
            clearOutside(image, region);
            EXPECT_EQ(original, noise(w, h, format)) << what << ": the picture it was shared with is left alone";
            ASSERT_EQ(image.format(), format);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(image.pixel(x, y), region.contains({x, y}) ? original.pixel(x, y) : 0u)
                        << what << " at " << x << "," << y;
        }
    }
}
