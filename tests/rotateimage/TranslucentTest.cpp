#include "ControlFixtures.h"

#include "rotateimage/Translucent.h"

#include <gtest/gtest.h>

namespace dw::test {
namespace {

// A host painting its controls on a bitmap.
struct Scene {
    RecordingHost host;
    TRotateImage image;
    std::unique_ptr<TBitmap> surface;

    Scene(TColor background, int trnsIndex)
    {
        host.client = {0, 0, 12, 10};
        image.SetBounds(1, 2, 10, 8);
        load(image, keyedPicture(7, 4));
        image.SetTransparent(true);
        image.SetTrnsIndex(trnsIndex);
        image.SetParent(&host);
        surface = filledBitmap(12, 10, background);
        host.PaintControls(surface->Canvas(), host.client);
    }
    // The pixel under image pixel (x, y): drawn at 1 + 5 − 3, 2 + 4 − 2.
    TColor under(int x, int y) const { return surface->pixel(3 + x, 4 + y); }
};

uint8_t channel(uint32_t v, int shift) { return uint8_t(v >> shift); }

TEST(Translucent, HalfTranslucencyOverBlackAndWhite)
{
    const Scene black(clBlack, 4), white(clWhite, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x) {
            const uint32_t p = keyedPixel(x, y);
            uint32_t overBlack = 0, overWhite = 0;
            for (int shift : {0, 8, 16}) {
                const uint32_t c = channel(p, shift);
                overBlack |= (c - c / 2) << shift;
                overWhite |= (c - c / 2 + 127) << shift;
            }
            EXPECT_EQ(black.under(x, y), p == kKey ? clBlack : colorOf(overBlack)) << x << "," << y;
            EXPECT_EQ(white.under(x, y), p == kKey ? clWhite : colorOf(overWhite)) << x << "," << y;
        }
    // Nothing outside the control changed.
    EXPECT_EQ(black.surface->pixel(0, 0), clBlack);
    EXPECT_EQ(white.surface->pixel(11, 9), clWhite);
}

TEST(Translucent, OpaqueAndPrinterCanvasesPaintDirectly)
{
    const Scene opaque(clWhite, 0);
    EXPECT_EQ(opaque.under(1, 0), colorOf(keyedPixel(1, 0)));
    // On a printer the level does not apply.
    RecordingHost host;
    TRotateImage image;
    image.SetBounds(0, 0, 7, 4);
    load(image, keyedPicture(7, 4));
    image.SetTrnsIndex(7);
    image.SetParent(&host);
    QImage page(7, 4, QImage::Format_RGB32);
    page.fill(0xFFFFFFFF);
    TCanvas printer(&page, TDeviceCaps{DT_RASPRINTER, 24});
    host.PaintControls(printer, {0, 0, 7, 4});
    EXPECT_EQ(page.pixel(1, 0) & 0xFFFFFF, keyedPixel(1, 0)); // QRgb and pixel values share their order
}

class Area : public TGraphicControl {};

TEST(Translucent, LargeAreasAreMixedInBandsOf65536Pixels)
{
    Area control;
    control.SetBounds(0, 0, 300, 300);
    auto surface = filledBitmap(300, 300, clWhite);
    std::vector<TRect> passes;
    PaintTranslucent(surface->Canvas(), [&](TCanvas& c) { passes.push_back(c.ClipRect()); }, control, 3);
    // 301 wide after the widening: 65536 div 301 = 217 rows a band, then the rest.
    EXPECT_EQ(passes, (std::vector<TRect>{{0, 0, 301, 217}, {0, 217, 301, 301}}));

    passes.clear();
    IntersectClipRect(surface->Canvas(), 10, 20, 30, 25);
    PaintTranslucent(surface->Canvas(), [&](TCanvas& c) { passes.push_back(c.ClipRect()); }, control, 3);
    EXPECT_EQ(passes, (std::vector<TRect>{{10, 20, 31, 26}}));

    // An empty clip still gives one 1 × 1 pass.
    passes.clear();
    const TRegion none;
    SelectClipRgn(surface->Canvas(), &none);
    PaintTranslucent(surface->Canvas(), [&](TCanvas& c) { passes.push_back(c.ClipRect()); }, control, 3);
    EXPECT_EQ(passes.size(), 1u);
}

TEST(Translucent, DrawMixRefusesARectangleWithoutArea)
{
    auto surface = filledBitmap(10, 10, clWhite);
    const PaintProcedure paint = [](TCanvas&) {};
    TranslucentPass pass(surface->Canvas(), paint, 4);
    try {
        pass.DrawMix({5, 5, 5, 9});
        FAIL() << "no error";
    } catch (const ERotateImageError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("abnormal params in DrawMix"));
    }
    EXPECT_THROW(pass.DrawMix({5, 5, 9, 4}), EFrameworkError);
    pass.DrawMix({0, 0, 10, 10});
}

} // namespace
} // namespace dw::test
