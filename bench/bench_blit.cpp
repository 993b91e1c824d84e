// The platform's block transfers against peers of the same work:
//  - BitBlt SRCCOPY of a 1024 × 1024 32-bit bitmap onto another against a memcpy of its bytes;
//  - the rotating image control's mask blit (five transfers, TRotateImage::DrawAt) of a
//    512 × 512 24-bit image with transparent corners onto a 32-bit canvas against Qt drawing an
//    ARGB32 image of the same size and shape with QPainter::drawImage. The mask blit makes a
//    32-bit work bitmap and passes over the area five times (reading and writing about 10 MiB
//    where the one blend moves about 3), so its goal is a quarter of the peer's speed.

#include "BenchTimer.h"

#include "rotateimage/RotateImage.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using namespace dw;

bool copyCase()
{
    constexpr int n = 1024;
    std::printf("BitBlt SRCCOPY, 32-bit, %d x %d\n", n, n);
    TBitmap from, to;
    from.SetPixelFormat(pf32bit);
    to.SetPixelFormat(pf32bit);
    from.SetSize(n, n);
    to.SetSize(n, n);
    for (int y = 0; y < n; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(from.ScanLine(y));
        for (int x = 0; x < n; ++x)
            row[x] = 0xFF000000u | uint32_t(x * 7 + y * 13) * 0x010203u;
    }
    BitBlt(to.Canvas(), 0, 0, n, n, &from.Canvas(), 0, 0, SRCCOPY);
    for (int y = 0; y < n; ++y)
        if (std::memcmp(to.ScanLine(y), from.ScanLine(y), size_t(n) * 4) != 0) {
            std::printf("  the copy differs in row %d\n", y);
            bench::fail("BitBlt copy differs from its source");
            return false;
        }
    std::vector<uint8_t> a(size_t(n) * n * 4, 0x5A), b(a.size());
    const double blit = bench::secondsPerCall([&] { BitBlt(to.Canvas(), 0, 0, n, n, &from.Canvas(), 0, 0, SRCCOPY); });
    const double copy = bench::secondsPerCall([&] {
        std::memcpy(b.data(), a.data(), a.size());
        bench::keep(b);
    });
    bench::printCase("BitBlt SRCCOPY", blit, double(n) * n, "Mpx");
    bench::printCase("memcpy of the bytes", copy, double(n) * n, "Mpx");
    return bench::printRatio("BitBlt / memcpy", blit, copy, 0.8);
}

bool inDisc(int n, int x, int y)
{
    const double r = n / 2.0, dx = x + 0.5 - r, dy = y + 0.5 - r;
    return dx * dx + dy * dy <= r * r;
}

// Never the key colour: blue stays below 0x80.
uint32_t discColor(int x, int y) { return uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 | (uint32_t(x + y) & 0x7F); }

bool maskCase()
{
    constexpr int n = 512, margin = 16, side = n + 2 * margin;
    constexpr uint32_t key = 0xFF00FF;
    std::printf("mask blit of a %d x %d 24-bit image (disc, transparent corners)\n", n, n);

    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(n, n);
    for (int y = 0; y < n; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < n; ++x) {
            const uint32_t c = inDisc(n, x, y) ? discColor(x, y) : key;
            row[3 * x] = uint8_t(c), row[3 * x + 1] = uint8_t(c >> 8), row[3 * x + 2] = uint8_t(c >> 16);
        }
    }
    TRotateImage image;
    image.SetBounds(0, 0, n, n);
    image.SetBitmap(&picture);
    image.SetTransparent(true);

    QImage background(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            background.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, 0x80));
    QImage ours = background;
    TCanvas canvas(&ours);
    const TPoint centre{side / 2, side / 2};
    image.DrawAt(canvas, centre);

    QImage peerImage(n, n, QImage::Format_ARGB32);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            peerImage.setPixel(x, y, inDisc(n, x, y) ? 0xFF000000u | discColor(x, y) : 0u);
    QImage theirs = background;
    const auto peerDraw = [&] {
        QPainter painter(&theirs);
        painter.drawImage(QPoint(margin, margin), peerImage);
    };
    peerDraw();
    if (ours != theirs) {
        bench::fail("DrawAt and QPainter::drawImage draw differently");
        return false;
    }

    const double drawAt = bench::secondsPerCall([&] { image.DrawAt(canvas, centre); });
    const double peer = bench::secondsPerCall(peerDraw);
    bench::printCase("TRotateImage::DrawAt (mask blit)", drawAt, double(n) * n, "Mpx");
    bench::printCase("QPainter::drawImage (ARGB32)", peer, double(n) * n, "Mpx");
    return bench::printRatio("DrawAt / QPainter::drawImage", drawAt, peer, 0.25);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    copyCase();
    maskCase();
    return bench::exitStatus();
}
