// The strip player's frame: one 400 × 400 frame of a 4 × 2 strip (24 bits, a colour-key disc
// cut out of each frame) composed by the player (AnimFramePainter: over a true-colour background
// one pass over the rows into its work buffer, then one transfer; the mask and sprite made once
// beforehand) onto a 32-bit window surface over a 32-bit background
// (as the editor's are: the preview picture, the dialog's working area), against QPainter drawing
// the same frame over the same background with the key colour masked out (the frame as an
// ARGB32 image made once beforehand: the background part, then the frame blended over it).
// Both results are compared pixel for pixel first. Goal: ours no slower.

#include "BenchTimer.h"

#include "media/BmpAnimUnit.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

using namespace dw;

constexpr int kFrame = 400, kColumns = 4, kRows = 2, kTarget = 1000;
constexpr QRgb kKey = 0xFF00FF00;

bool keyed(int x, int y)
{
    const int dx = x % kFrame - kFrame / 2, dy = y % kFrame - kFrame / 2;
    return dx * dx + dy * dy > 150 * 150;
}

QImage stripImage()
{
    QImage s(kFrame * kColumns, kFrame * kRows, QImage::Format_RGB32);
    for (int y = 0; y < s.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(s.scanLine(y));
        for (int x = 0; x < s.width(); ++x)
            row[x] = keyed(x, y) ? kKey : qRgb(x & 0xFF, y & 0xFF, (x + y) & 0x7F);
    }
    return s;
}

QImage backgroundImage()
{
    QImage b(kTarget, kTarget, QImage::Format_RGB32);
    for (int y = 0; y < kTarget; ++y) {
        auto* row = reinterpret_cast<QRgb*>(b.scanLine(y));
        for (int x = 0; x < kTarget; ++x)
            row[x] = qRgb((x * 3) & 0xFF, (y * 5) & 0xFF, 200);
    }
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    std::printf("animation frame %d x %d of a %d x %d strip over a %d x %d background\n", kFrame, kFrame,
                kFrame * kColumns, kFrame * kRows, kTarget, kTarget);
    const QImage stripQ = stripImage();
    const QImage backgroundQ = backgroundImage();
    const int frame = 5, sx = (frame % kColumns) * kFrame, sy = (frame / kColumns) * kFrame, x = 300, y = 250;

    // Ours.
    TBitmap strip, background;
    strip.setImage(stripQ);
    strip.SetPixelFormat(pf24bit);
    background.setImage(backgroundQ);
    QImage oursTarget(kTarget, kTarget, QImage::Format_RGB32);
    oursTarget.fill(Qt::black);
    TCanvas target(&oursTarget);
    AnimFramePainter painter(strip, {x, y, kRows, kColumns, 100});

    // The peer: the frame with the key colour as transparency, made once.
    QImage sprite = stripQ.convertToFormat(QImage::Format_ARGB32);
    for (int j = 0; j < sprite.height(); ++j) {
        auto* row = reinterpret_cast<QRgb*>(sprite.scanLine(j));
        for (int i = 0; i < sprite.width(); ++i)
            if (row[i] == kKey)
                row[i] = 0;
    }
    sprite = sprite.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage peerTarget(kTarget, kTarget, QImage::Format_RGB32);
    peerTarget.fill(Qt::black);
    auto peerFrame = [&] {
        QPainter p(&peerTarget);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(x, y), backgroundQ, QRect(x, y, kFrame, kFrame));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.drawImage(QPoint(x, y), sprite, QRect(sx, sy, kFrame, kFrame));
    };

    painter.draw(target, background, frame);
    peerFrame();
    if (oursTarget != peerTarget) {
        bench::fail("the two frames differ");
        return bench::exitStatus();
    }
    const double ours = bench::secondsPerCall([&] { painter.draw(target, background, frame); });
    const double peer = bench::secondsPerCall(peerFrame);
    bench::printCase("player frame", ours, double(kFrame) * kFrame, "Mpx");
    bench::printCase("QPainter, background + keyed frame", peer, double(kFrame) * kFrame, "Mpx");
    bench::printRatio("player / QPainter", ours, peer, 1.0);
    return bench::exitStatus();
}
