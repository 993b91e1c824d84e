// One preview tick: a 1024 × 1024 24-bit dial with three 100 × 500 hands, the hands turned to the
// time, drawn over the dial, and (ExtrudeHand) their regions merged with the shape, through the
// editor's own composition (ClockComposer), against the same scene composed the Qt way: QPainter
// drawing the three rotated hand images (transparency by alpha) over a copy of the dial, and the
// union of the rotated hands' alpha masks as QRegion(QBitmap).
//
// Two sequences: ticks one second apart (the second hand turns every tick, the minute hand every
// 30 s, the hour hand every 4 min: what the preview does), and ticks where all three hands turn
// (the worst tick, every minute; goal 1.3 × Qt's).

#include "BenchPictures.h"
#include "BenchTimer.h"

#include "editor/clock/ClockComposer.h"
#include "editor/clock/ClockShape.h"

#include "platform/Bitmap.h"
#include "platform/MemoryStream.h"
#include "rotateimage/RotateImage.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int kDial = 1024;
constexpr int kHandW = 100, kHandH = 500;

// The same scene as Qt draws it.
struct QtScene {
    QImage dial;
    QImage hands[3];
    QPoint pivot[3];
    QPoint centre{kDial / 2, kDial / 2};
    QRegion shape;

    QTransform placement(int i, int angle) const
    {
        QTransform t;
        t.translate(centre.x(), centre.y());
        t.rotate(angle);
        t.translate(-pivot[i].x(), -pivot[i].y());
        return t;
    }

    void tick(const dw::HandAngles& a, QImage& out, QRegion& region) const
    {
        out = dial.copy();
        const int angles[3] = {a.hour, a.minute, a.second};
        {
            QPainter p(&out);
            for (int i = 0; i < 3; ++i) {
                p.setTransform(placement(i, angles[i]));
                p.drawImage(0, 0, hands[i]);
            }
        }
        region = shape;
        for (int i = 0; i < 3; ++i) {
            const QTransform t = placement(i, angles[i]);
            const QImage turned = hands[i].transformed(t);
            const QRect at = t.mapRect(QRectF(hands[i].rect())).toAlignedRect();
            QRegion hand(QBitmap::fromImage(turned.createAlphaMask()));
            hand.translate(at.topLeft());
            region += hand;
        }
    }
};

void printTime(const char* name, double seconds) { std::printf("  %-44s %10.3f ms/tick\n", name, seconds * 1e3); }

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QImage dial = bench::dialImage(kDial, QColor(0, 0, 255), QColor(60, 40, 30));
    const QImage hands[3] = {bench::handImage(kHandW, kHandH, QColor(30, 30, 30)),
                             bench::handImage(kHandW, kHandH, QColor(60, 60, 90)),
                             bench::handImage(kHandW, kHandH, QColor(200, 20, 20))};

    // Ours: the four renderers as the editor sets them up.
    bench::ClockRenderers renderers(dial, hands, QPoint(kHandW / 2, 450));
    dw::ClockScene& scene = renderers.scene;
    dw::TBitmap cut;
    cut.setImage(dial);
    const dw::TRegion shape = dw::keptShape(dw::dialCutOutShape(cut));

    QtScene qt;
    qt.dial = dial;
    for (int i = 0; i < 3; ++i) {
        qt.hands[i] = bench::withAlpha(hands[i]);
        qt.pivot[i] = QPoint(kHandW / 2, 450);
    }
    qt.shape = shape.qregion();

    std::printf("bench_preview: one preview tick, %d x %d 24-bit dial, three %d x %d hands, ExtrudeHand on\n", kDial,
                kDial, kHandW, kHandH);

    int second = 0;
    dw::ClockComposer composer;
    auto ourTick = [&](const dw::HandAngles& a) {
        dw::setHandAngles(scene, a);
        dw::TBitmap picture;
        composer.compose(scene, picture);
        const dw::TRegion region = dw::extrudedShape(scene, shape, {kDial, kDial});
        bench::keep(picture);
        bench::keep(region);
    };
    auto qtTick = [&](const dw::HandAngles& a) {
        QImage out;
        QRegion region;
        qt.tick(a, out, region);
        bench::keep(out);
        bench::keep(region);
    };
    auto secondsApart = [&] {
        ++second;
        return dw::handAnglesAt((second / 3600) % 24, (second / 60) % 60, second % 60);
    };
    auto allTurn = [&] {
        ++second;
        return dw::HandAngles{second % 360, (second * 7) % 360, (second * 13) % 360};
    };

    // The two compositions agree on what they draw: the same pixel count in the region.
    {
        const dw::HandAngles a = dw::handAnglesAt(10, 10, 35);
        dw::setHandAngles(scene, a);
        QImage out;
        QRegion qtRegion;
        qt.tick(a, out, qtRegion);
        const dw::TRegion ourRegion = dw::extrudedShape(scene, shape, {kDial, kDial});
        auto area = [](const QRegion& r) {
            long n = 0;
            for (const QRect& rect : r)
                n += long(rect.width()) * rect.height();
            return n;
        };
        std::printf("  region pixels at 10:10:35: ours %ld, Qt %ld\n", area(ourRegion.qregion()), area(qtRegion));
    }

    // Ours and Qt's timed alternately, so that a neighbour busy on the machine for a while does
    // not fall on one side of the ratio only.
    const bench::PairTimes typical = bench::alternately([&] { ourTick(secondsApart()); }, [&] { qtTick(secondsApart()); });
    const bench::PairTimes all = bench::alternately([&] { ourTick(allTurn()); }, [&] { qtTick(allTurn()); });
    const double oursTypical = typical.ours, qtTypical = typical.peer;
    const double oursAll = all.ours, qtAll = all.peer;

    // What one tick spends its time on (all three hands turning).
    const double turnOnly = bench::secondsPerCall([&] { dw::setHandAngles(scene, allTurn()); });
    const double composeOnly = bench::secondsPerCall([&] {
        dw::TBitmap picture;
        composer.compose(scene, picture);
        bench::keep(picture);
    });
    const double copyOnly = bench::secondsPerCall([&] {
        dw::TBitmap picture;
        scene.dial->CopyRenderedTo(picture, false, dw::clBlack);
        picture.SetPixelFormat(dw::pfDevice);
        bench::keep(picture);
    });
    dw::TBitmap target;
    scene.dial->CopyRenderedTo(target, false, dw::clBlack);
    target.SetPixelFormat(dw::pfDevice);
    const double drawOnly = bench::secondsPerCall([&] { scene.minute->DrawAt(target.Canvas(), scene.minCenter); });
    const double regionOnly = bench::secondsPerCall([&] {
        const dw::TRegion region = dw::extrudedShape(scene, shape, {kDial, kDial});
        bench::keep(region);
    });

    printTime("ours, ticks one second apart", oursTypical);
    printTime("Qt, ticks one second apart", qtTypical);
    printTime("ours, all three hands turn", oursAll);
    printTime("Qt, all three hands turn", qtAll);
    printTime("  ours: turning three hands", turnOnly);
    printTime("  ours: kept dial copied, three DrawAt", composeOnly);
    printTime("  ours: three hand regions and union", regionOnly);
    printTime("    ours: dial made in the display format", copyOnly);
    printTime("    ours: one DrawAt", drawOnly);
    bench::printRatio("tick, one second apart: Qt / ours", oursTypical, qtTypical, 1.0);
    // The worst tick (every minute all three hands turn), the one a fixed time shows.
    bench::printRatio("tick, all hands turn: Qt / ours", oursAll, qtAll, 1.3);
    return bench::exitStatus();
}
