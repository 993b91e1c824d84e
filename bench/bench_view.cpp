// The preview's tick with a 4096 × 4096 24-bit dial and three 100 × 800 hands, as the main
// window's view draws it: at 100 % with a 1024 × 768 work area over the middle of the clock,
// and with the whole clock in an 800 × 800 work area (19 %). Ours: the hands turned, then
// ClockView's tick, then every part it invalidated drawn into a picture of the work area in one
// painting (as the window system has the widget paint it). The peer: Qt composing the same visible region
// every tick, QPainter drawing the dial and the three rotated hands clipped to the work area
// (smoothly scaled for the whole clock).
//
// The idle tick: ticks one second apart. The minute tick: the second and the minute hand (and
// now and then the hour hand) turn, as at every full minute. Goal: ours at least as fast.
// Last measured (Release, five runs, load 1.4 to 1.9): at 100 % idle 1.28 to 1.44 times Qt, at
// the minute 1.09 to 1.25 (0.23 to 0.24 ms against 0.26 to 0.30), the whole clock 6.3 to 8.2
// idle and 4.0 to 5.6 at the minute.

#include "BenchPictures.h"
#include "BenchTimer.h"

#include "editor/clock/ClockView.h"

#include "platform/Bitmap.h"
#include "platform/MemoryStream.h"
#include "rotateimage/RotateImage.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTransform>

#include <cstdio>
#include <memory>

namespace {

constexpr int kDial = 4096;
constexpr int kHandW = 100, kHandH = 800, kPivotY = 720;

// The work area as the window system keeps it: what the tick invalidates is painted right after
// it, in one painting (as the widget's paint event gets it).
struct WorkArea : dw::ViewCanvas {
    dw::ClockView& view;
    const dw::ClockScene& scene;
    QRect visible;
    QImage shown;
    QImage part;
    QRegion invalid;
    WorkArea(dw::ClockView& v, const dw::ClockScene& s, QRect r) : view(v), scene(s), visible(r), shown(r.size(), QImage::Format_RGB32) {}
    QRect visibleRect() const override { return visible; }
    void invalidate(const QRect& rect) override { invalid += rect; }
    void paint()
    {
        if (invalid.isEmpty())
            return;
        QPainter painter(&shown);
        for (const QRect& rect : invalid) {
            view.draw(scene, rect, part);
            painter.drawImage(rect.topLeft() - visible.topLeft(), part);
        }
        invalid = QRegion();
    }
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QImage dial = bench::dialImage(kDial, QColor(0, 0, 255), QColor(60, 40, 30));
    const QImage hands[3] = {bench::handImage(kHandW, kHandH, QColor(30, 30, 30)),
                             bench::handImage(kHandW, kHandH, QColor(60, 60, 90)),
                             bench::handImage(kHandW, kHandH, QColor(200, 20, 20))};
    bench::ClockRenderers renderers(dial, hands, QPoint(kHandW / 2, kPivotY));
    dw::ClockScene& scene = renderers.scene;

    QImage qtHands[3];
    for (int i = 0; i < 3; ++i)
        qtHands[i] = bench::withAlpha(hands[i], QImage::Format_ARGB32_Premultiplied);

    std::printf("bench_view: the preview's tick, %d x %d 24-bit dial, three %d x %d hands\n", kDial, kDial, kHandW, kHandH);

    int second = 10 * 3600 + 8 * 60;
    auto idleAngles = [&] {
        ++second;
        return dw::handAnglesAt((second / 3600) % 24, (second / 60) % 60, second % 60);
    };
    // Every call crosses a full minute (back and forth): the second and the minute hand turn.
    bool before = false;
    auto minuteAngles = [&] {
        before = !before;
        return before ? dw::handAnglesAt(10, 8, 59) : dw::handAnglesAt(10, 9, 0);
    };

    const struct {
        const char* name;
        int percent;
        QRect visible; // view pixels
    } views[] = {
        {"100 %", 100, QRect(kDial / 2 - 512, kDial / 2 - 384, 1024, 768)},
        {"whole clock", dw::ZoomLevel::fitting(kDial, kDial, 800, 800).percent(), QRect()},
    };
    for (const auto& v : views) {
        dw::ClockView view;
        view.setZoom(dw::ZoomLevel::viewing(v.percent));
        const QSize size = dw::ClockView::viewSize({kDial, kDial}, view.zoom());
        const QRect visible = v.visible.isNull() ? QRect(QPoint(0, 0), size) : v.visible;
        WorkArea area(view, scene, visible);
        const double scale = v.percent / 100.0;
        auto ours = [&](const dw::HandAngles& a) {
            dw::setHandAngles(scene, a);
            view.tick(scene, area);
            area.paint();
            bench::keep(area.shown);
        };
        QImage qtShown(visible.size(), QImage::Format_RGB32);
        auto qt = [&](const dw::HandAngles& a) {
            QPainter p(&qtShown);
            p.setRenderHint(QPainter::SmoothPixmapTransform, scale < 1);
            p.translate(-visible.left(), -visible.top());
            p.scale(scale, scale);
            p.drawImage(0, 0, dial);
            const int angles[3] = {a.hour, a.minute, a.second};
            for (int i = 0; i < 3; ++i) {
                p.save();
                p.translate(kDial / 2.0, kDial / 2.0);
                p.rotate(angles[i]);
                p.translate(-kHandW / 2.0, -kPivotY);
                p.drawImage(0, 0, qtHands[i]);
                p.restore();
            }
            bench::keep(qtShown);
        };
        ours(idleAngles()); // the first tick draws the whole work area
        const bench::PairTimes idle = bench::alternately([&] { ours(idleAngles()); }, [&] { qt(idleAngles()); });
        const bench::PairTimes minute = bench::alternately([&] { ours(minuteAngles()); }, [&] { qt(minuteAngles()); });
        const double turning = bench::secondsPerCall([&] { dw::setHandAngles(scene, idleAngles()); });
        const double turningMinute = bench::secondsPerCall([&] { dw::setHandAngles(scene, minuteAngles()); });
        std::printf("  %-12s of which turning the hands (the engine): idle %.3f ms, minute %.3f ms\n", v.name,
                    turning * 1e3, turningMinute * 1e3);
        std::printf("  %-12s (%d %%, %d x %d in view): idle tick ours %.3f ms, Qt %.3f ms; minute tick ours %.3f ms, Qt %.3f ms\n",
                    v.name, v.percent, visible.width(), visible.height(), idle.ours * 1e3, idle.peer * 1e3,
                    minute.ours * 1e3, minute.peer * 1e3);
        char what[96];
        std::snprintf(what, sizeof what, "idle tick, %s: Qt / ours", v.name);
        bench::printRatio(what, idle.ours, idle.peer, 1.0);
        std::snprintf(what, sizeof what, "minute tick, %s: Qt / ours", v.name);
        bench::printRatio(what, minute.ours, minute.peer, 1.0);
    }
    return bench::exitStatus();
}
