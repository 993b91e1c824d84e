// The rotating image control's drawing helpers against peers of the same work:
//  - the region of a 2048 × 2048 disc mask (MaskToRegion) against Qt's QRegion(QBitmap) of it;
//  - one translucent pass (DrawMix, level 4) over 256 × 256 pixels, without and with the control
//    painting, against what a Qt program would do instead: QPainter::setOpacity with drawImage of
//    the same picture over the same 32-bit area; a memcpy of the area's 24-bit bytes is printed
//    as the physical reference.

#include "BenchTimer.h"

#include "rotateimage/MixRow.h"
#include "rotateimage/RegionFromMask.h"
#include "rotateimage/RotateImage.h"
#include "rotateimage/Translucent.h"

#include "platform/ByteOrder.h"
#include "platform/Canvas.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using namespace dw;

bool opaqueInDisc(int n, int x, int y)
{
    const double r = n / 2.0, dx = x + 0.5 - r, dy = y + 0.5 - r;
    return dx * dx + dy * dy <= r * r;
}

// The engine's mask image of the disc: 8 bits, black (0) opaque, white (1) transparent.
TMemoryStream discMask(int n)
{
    const int64_t row = (n + 3) / 4 * 4;
    TMemoryStream m;
    m.SetSize(62 + row * n);
    uint8_t* p = m.Memory();
    p[0] = 'B', p[1] = 'M';
    writeLE32(p + 2, uint32_t(m.size()));
    writeLE32(p + 10, 62);
    writeLE32(p + 14, 40);
    writeLE32s(p + 18, n);
    writeLE32s(p + 22, n);
    writeLE16(p + 26, 1);
    writeLE16(p + 28, 8);
    writeLE32(p + 46, 2);
    writeLE32(p + 58, 0xFFFFFF);
    for (int y = 0; y < n; ++y) {
        uint8_t* stored = p + 62 + int64_t(n - 1 - y) * row;
        for (int x = 0; x < n; ++x)
            stored[x] = opaqueInDisc(n, x, y) ? 0 : 1;
    }
    return m;
}

// Qt's way from the same mask bytes: a monochrome bitmap of the opaque pixels, then its region.
QRegion peerRegion(const TMemoryStream& mask, int n)
{
    const int64_t row = (n + 3) / 4 * 4;
    QImage img(n, n, QImage::Format_Mono);
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    img.fill(0);
    for (int y = 0; y < n; ++y) {
        const uint8_t* stored = mask.Memory() + 62 + int64_t(n - 1 - y) * row;
        uchar* line = img.scanLine(y);
        for (int x = 0; x < n; ++x)
            if (!stored[x])
                line[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return QRegion(QBitmap::fromImage(img));
}

bool regionCase()
{
    constexpr int n = 2048;
    std::printf("mask region, disc %d x %d\n", n, n);
    const TMemoryStream mask = discMask(n);
    const std::optional<TRegion> ours = MaskToRegion(nullptr, mask, nullptr);
    if (!ours || !(ours->qregion() ^ peerRegion(mask, n)).isEmpty()) {
        bench::fail("MaskToRegion and QRegion(QBitmap) differ");
        return false;
    }
    const double a = bench::secondsPerCall([&] { bench::keep(MaskToRegion(nullptr, mask, nullptr)); });
    const double b = bench::secondsPerCall([&] { bench::keep(peerRegion(mask, n)); });
    bench::printCase("MaskToRegion", a, double(n) * n, "Mpx");
    bench::printCase("QRegion(QBitmap)", b, double(n) * n, "Mpx");
    return bench::printRatio("MaskToRegion / QRegion(QBitmap)", a, b, 1.0);
}

bool mixCase()
{
    constexpr int n = 256;
    std::printf("translucent pass, %d x %d, level 4 (half the image)\n", n, n);
    QImage surface(n + 16, n + 16, QImage::Format_RGB32);
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            surface.setPixel(x, y, qRgb(x, y, x ^ y));
    TCanvas canvas(&surface);

    const PaintProcedure nothing = [](TCanvas&) {};
    TranslucentPass empty(canvas, nothing, 4);

    // The control drawing an opaque picture of the whole area (mask blit, five transfers).
    TRotateImage image;
    image.SetBounds(0, 0, n, n);
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(n, n);
    picture.Canvas().Brush.Color = clTeal;
    picture.Canvas().FillRect({0, 0, n, n});
    image.SetBitmap(&picture);
    const PaintProcedure control = [&](TCanvas& c) { image.DrawCentered(c); };
    const DirectMixProcedure direct = [&](TCanvas& c, const TRect& rect, int level) {
        return image.DrawMixDirect(c, rect, level);
    };
    TranslucentPass drawn(canvas, control, 4, direct);

    // What a Qt program would do: the same rendered image (as Qt holds a 24-bit picture, 32 bits
    // a pixel) drawn over the same area of the same 32-bit surface at half opacity.
    TBitmap rendered;
    image.CopyRenderedTo(rendered, false, clBlack);
    const QImage qtImage = rendered.image().convertToFormat(QImage::Format_RGB32);
    QImage qtSurface = surface;
    const auto qtDraw = [&] {
        QPainter painter(&qtSurface);
        painter.setOpacity(0.5);
        painter.drawImage(QPoint(8, 8), qtImage);
    };

    const TRect area{8, 8, 8 + n, 8 + n};
    std::vector<uint8_t> from(size_t(n) * n * 3, 0x5A), to(from.size());
    const auto [mix, peer] = bench::alternately([&] { empty.DrawMix(area); }, qtDraw);
    const auto [withControl, peerAgain] = bench::alternately([&] { drawn.DrawMix(area); }, qtDraw);
    const double copy = bench::secondsPerCall([&] {
        std::memcpy(to.data(), from.data(), from.size());
        bench::keep(to);
    });
    const double qt = std::min(peer, peerAgain);
    // Where a pass's time goes: the copy of the area into a 32-bit work bitmap, the control's
    // mask blit on it, and the blend written back over the area.
    TBitmap work;
    work.SetPixelFormat(pf32bit);
    work.SetSize(n, n);
    const double copyIn = bench::secondsPerCall([&] {
        for (int y = 0; y < n; ++y)
            std::memcpy(work.ScanLine(y), std::as_const(surface).scanLine(8 + y) + 8 * 4, size_t(n) * 4);
    });
    const double maskBlit = bench::secondsPerCall([&] { image.DrawCentered(work.Canvas()); });
    const TBitmap& constWork = work;
    const double blend = bench::secondsPerCall([&] {
        for (int y = 0; y < n; ++y)
            mixPixelsOver(reinterpret_cast<uint32_t*>(surface.scanLine(8 + y)) + 8,
                          reinterpret_cast<const uint32_t*>(constWork.ScanLine(y)), n, 4);
    });
    bench::printCase("DrawMix (nothing painted)", mix, double(n) * n, "Mpx");
    bench::printCase("DrawMix (the control painting)", withControl, double(n) * n, "Mpx");
    bench::printCase("QPainter::setOpacity(0.5) + drawImage", qt, double(n) * n, "Mpx");
    bench::printCase("  of which the copy into the work bitmap", copyIn, double(n) * n, "Mpx");
    bench::printCase("  of which the control's mask blit", maskBlit, double(n) * n, "Mpx");
    bench::printCase("  of which the blend over the canvas", blend, double(n) * n, "Mpx");
    bench::printCase("memcpy of the area's 24-bit bytes", copy, double(n) * n, "Mpx");
    bool met = bench::printRatio("DrawMix / QPainter opacity", mix, qt, 1.0);
    met = bench::printRatio("DrawMix with the control / QPainter opacity", withControl, qt, 1.0) && met;
    bench::printReference("DrawMix / memcpy (physical reference)", mix, copy);
    return met;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    regionCase();
    mixCase();
    return bench::exitStatus();
}
