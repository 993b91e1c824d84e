// The clock as the main window's view shows it at a zoom, a part at a time, and the preview's
// tick drawing only what changed and is in view.
#include "TestClock.h"

#include "editor/clock/ClockView.h"
#include "editor/clock/ZoomedPixels.h"

#include "platform/MemoryStream.h"
#include "rotateimage/RotateImage.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer allocator's hooks (its allocator_interface.h, which the compiler's packages do not
// always install).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
#define DW_COUNTS_ALLOCATIONS 1
#endif

using namespace dw;
using namespace dw::test;

namespace {

QImage hand(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white); // the key
    QPainter(&image).fillRect(w / 3, 0, w - 2 * (w / 3), h, colour);
    return image;
}

// A dial with detail everywhere (noise under a gradient) and three bar hands.
struct Clock : TestClock {
    explicit Clock(QSize size)
        : TestClock(face(size), {hourHand(size), minuteHand(size), secondHand(size)},
                    {pivotOf(hourHand(size)), pivotOf(minuteHand(size)), pivotOf(secondHand(size))},
                    {centreOf(size), centreOf(size), centreOf(size)}),
          size(size)
    {
        at(10, 8, 37);
    }
    static QImage face(QSize size)
    {
        QImage face = noise(size.width(), size.height(), 7);
        QPainter p(&face);
        p.setOpacity(0.6);
        QLinearGradient g(0, 0, size.width(), size.height());
        g.setColorAt(0, Qt::yellow);
        g.setColorAt(1, Qt::darkBlue);
        p.fillRect(face.rect(), g);
        return face;
    }
    static QImage hourHand(QSize size) { return hand(15, size.height() / 2 * 6 / 10, Qt::red); }
    static QImage minuteHand(QSize size) { return hand(11, size.height() / 2 * 8 / 10, Qt::darkGreen); }
    static QImage secondHand(QSize size) { return hand(7, size.height() / 2 * 9 / 10, Qt::blue); }
    static TPoint pivotOf(const QImage& hand) { return {hand.width() / 2, hand.height() - 5}; }
    static TPoint centreOf(QSize size) { return {size.width() / 2, size.height() / 2}; }
    void at(int h, int m, int s) { setHandAngles(scene, handAngles(h, m, s)); }
    static HandAngles handAngles(int h, int m, int s) { return {(h % 12) * 30 + m / 2, m * 6, s * 6}; }
    QImage whole() const
    {
        TBitmap picture;
        composeClock(scene, picture);
        return picture.image().convertToFormat(QImage::Format_RGB32);
    }
    QSize size; // of the dial
};

// The largest difference of a colour channel between two pictures of one size.
int largestDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

QImage drawn(ClockView& view, const Clock& clock, const QRect& part)
{
    QImage out;
    EXPECT_TRUE(view.draw(clock.scene, part, out));
    return out.copy(); // the view's memory serves the next drawing
}

} // namespace

// At 100 % exactly the composition; above, squares of its pixels (with the positioning dialog's
// grid from 400 %); below, the composition scaled smoothly as Qt scales it (area averages; Qt's
// fixed-point arithmetic rounds a little differently). Drawn whole or in parts, the same pixels.
TEST(ClockView, ZoomedViewIsTheClockScaled)
{
    // Sizes that the zooms below scale to whole pixels, so that Qt scales by the same factor.
    Clock clock(QSize(300, 200));
    const QImage whole = clock.whole();
    for (const int percent : {100, 200, 400, 50, 37, 8}) {
        SCOPED_TRACE(percent);
        ClockView view;
        view.setZoom(ZoomLevel::viewing(percent));
        const QSize size = ClockView::viewSize({300, 200}, view.zoom());
        EXPECT_EQ(size, QSize(300 * percent / 100, 200 * percent / 100));
        const QImage shown = drawn(view, clock, QRect(QPoint(0, 0), size));
        if (percent == 100) {
            EXPECT_EQ(shown, whole);
        } else if (percent == 200) {
            EXPECT_EQ(shown, whole.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        } else if (percent == 400) {
            const QImage squares = whole.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            for (int y = 0; y < size.height(); y += 3)
                for (int x = 0; x < size.width(); x += 3) {
                    // A grid line across and one down meet: both mix it.
                    uint32_t expected = squares.pixel(x, y);
                    if (x % 4 == 0)
                        expected = gridPixel(expected);
                    if (y % 4 == 0)
                        expected = gridPixel(expected);
                    ASSERT_EQ(shown.pixel(x, y), expected) << x << "," << y;
                }
        } else {
            EXPECT_LE(largestDifference(shown, whole.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)), 3);
        }
        // Four parts cut at odd places join into the same picture.
        const int cx = size.width() / 3 + 1, cy = size.height() / 2 - 1;
        QImage joined(size, QImage::Format_RGB32);
        {
            QPainter p(&joined);
            for (const QRect& part : {QRect(0, 0, cx, cy), QRect(cx, 0, size.width() - cx, cy),
                                      QRect(0, cy, cx, size.height() - cy),
                                      QRect(cx, cy, size.width() - cx, size.height() - cy)})
                p.drawImage(part.topLeft(), drawn(view, clock, part));
        }
        EXPECT_EQ(joined, shown);
    }
}

namespace {

// The canvas the tick draws on, as the window system would: every part invalidated is drawn at
// once into a picture of the whole view, and counted.
struct CountingCanvas : ViewCanvas {
    ClockView& view;
    const Clock& clock;
    QRect visible;
    QImage shown;
    int64_t drawnPixels = 0;
    CountingCanvas(ClockView& v, const Clock& c, QSize size, QRect r) : view(v), clock(c), visible(r), shown(size, QImage::Format_RGB32)
    {
        shown.fill(Qt::black);
    }
    QRect visibleRect() const override { return visible; }
    void invalidate(const QRect& part) override
    {
        EXPECT_TRUE(visible.contains(part)) << "only what is in view is drawn";
        drawnPixels += int64_t(part.width()) * part.height();
        QPainter(&shown).drawImage(part.topLeft(), drawn(view, clock, part));
    }
};

// The clock's view at a zoom, its size, and the canvas its ticks draw on, showing the part of
// the view that `visible` makes of its size (none: all of it).
struct ZoomedView {
    ClockView view;
    QSize size;
    CountingCanvas canvas;
    ZoomedView(const Clock& clock, int percent, const std::function<QRect(QSize)>& visible = {})
        : size(zoomedSize(view, clock, percent)), canvas(view, clock, size, visible ? visible(size) : QRect(QPoint(0, 0), size))
    {
    }
    static QSize zoomedSize(ClockView& view, const Clock& clock, int percent)
    {
        view.setZoom(ZoomLevel::viewing(percent));
        return ClockView::viewSize({clock.size.width(), clock.size.height()}, view.zoom());
    }
};

} // namespace

// The first tick draws what is in view; a tick without change draws nothing; a second later only
// where the second hand was and is; nothing at all when that is out of view. What shows is then
// the clock at that second, pixel for pixel.
TEST(ClockView, TickDrawsOnlyWhatChangedInView)
{
    Clock clock(QSize(400, 300));
    for (const int percent : {100, 50, 200}) {
        SCOPED_TRACE(percent);
        ZoomedView zoomed(clock, percent, [](QSize size) {
            return QRect(size.width() / 4, size.height() / 8, size.width() / 2, size.height() / 2);
        });
        auto& [view, size, canvas] = zoomed;
        const QRect visible = canvas.visible;
        clock.at(10, 8, 0);
        view.tick(clock.scene, canvas);
        EXPECT_EQ(canvas.drawnPixels, int64_t(visible.width()) * visible.height());

        canvas.drawnPixels = 0;
        view.tick(clock.scene, canvas);
        EXPECT_EQ(canvas.drawnPixels, 0) << "nothing changed";

        // The second hand (up at 0 s, right at 15 s) moves within the visible area.
        clock.at(10, 8, 1);
        const int64_t composedBefore = view.composedPixels();
        const QRegion changed = view.tick(clock.scene, canvas);
        const QRect handArea = view.toView(handDrawnRect(clock.second, clock.scene.secCenter))
                                   .united(view.toView(handDrawnRect(clock.second, clock.scene.secCenter)));
        EXPECT_GT(canvas.drawnPixels, 0);
        EXPECT_LE(canvas.drawnPixels, 2 * int64_t(handArea.width()) * handArea.height() + 4 * size.width());
        EXPECT_LT(canvas.drawnPixels * 4, int64_t(visible.width()) * visible.height()) << "a small part of the view";
        EXPECT_LT(view.composedPixels() - composedBefore, 400 * 300 / 4) << "and of the clock";
        EXPECT_TRUE(visible.contains(changed.boundingRect()));
        const QImage fresh = drawn(view, clock, visible);
        EXPECT_EQ(canvas.shown.copy(visible), fresh) << "the view as a fresh drawing of it";
        // Drawn again before the next tick, with the hands turned since: every hand where it is
        // now, not where the last tick saw it.
        clock.at(3, 40, 25);
        ClockView another;
        another.setZoom(view.zoom());
        QImage tiled(visible.size(), QImage::Format_RGB32);
        QPainter tiles(&tiled);
        for (int y = 0; y < visible.height(); y += 16)
            for (int x = 0; x < visible.width(); x += 16)
                tiles.drawImage(x, y, drawn(view, clock, QRect(visible.topLeft() + QPoint(x, y), QSize(16, 16))
                                                              .intersected(visible)));
        tiles.end();
        EXPECT_EQ(tiled, drawn(another, clock, visible)) << "hands turned since the tick";
        clock.at(10, 8, 1);

        // With only the lower left corner in view, the second hand's turn in the upper half draws
        // nothing.
        canvas.visible = QRect(0, size.height() * 3 / 4, size.width() / 4, size.height() / 4);
        canvas.drawnPixels = 0;
        clock.at(10, 8, 2);
        view.tick(clock.scene, canvas);
        EXPECT_EQ(canvas.drawnPixels, 0);
    }
}

// The second hand sweeping across the minute and hour hands, a tick a second: the parts a tick
// draws hold every hand that shows there, moved or not, so the view stays a fresh drawing.
TEST(ClockView, TicksOverStillHandsShowThemWhole)
{
    Clock clock(QSize(300, 300));
    for (const int percent : {100, 50, 200}) {
        SCOPED_TRACE(percent);
        ZoomedView zoomed(clock, percent);
        auto& [view, size, canvas] = zoomed;
        clock.at(10, 8, 0);
        view.tick(clock.scene, canvas);
        // The minute hand points at 8 minutes, the hour hand near 10 o'clock (50 seconds on).
        for (const int second : {5, 6, 7, 8, 9, 10, 11, 48, 49, 50, 51, 52}) {
            SCOPED_TRACE(second);
            clock.at(10, 8, second);
            view.tick(clock.scene, canvas);
            ASSERT_EQ(canvas.shown, drawn(view, clock, QRect(QPoint(0, 0), size)));
        }
    }
}

// No buffer the size of the clock is made for the view: with a 2048 × 2048 dial (16 MiB at 32
// bits), every allocation while the view ticks and draws its visible part or the whole clock at
// 12 % stays under a quarter of that. Counted through the allocator's hooks (sanitizer builds).
#if DW_COUNTS_ALLOCATIONS
namespace {
size_t g_largest = 0;
bool g_counting = false;
void onMalloc(const volatile void*, size_t size)
{
    if (g_counting)
        g_largest = std::max(g_largest, size);
}
void onFree(const volatile void*) {}
} // namespace

TEST(ClockView, NoBufferTheSizeOfTheClock)
{
    Clock clock(QSize(2048, 2048));
    ASSERT_TRUE(__sanitizer_install_malloc_and_free_hooks(onMalloc, onFree));
    const size_t clockBytes = size_t(2048) * 2048 * 4;
    for (const int percent : {100, 12, 200}) {
        SCOPED_TRACE(percent);
        ZoomedView zoomed(clock, percent, [](QSize size) { return QRect(QPoint(0, 0), size).intersected(QRect(300, 200, 800, 600)); });
        auto& [view, size, canvas] = zoomed;
        clock.at(10, 8, 0);
        g_largest = 0;
        g_counting = true;
        view.tick(clock.scene, canvas);
        clock.at(10, 9, 1);
        view.tick(clock.scene, canvas);
        g_counting = false;
        EXPECT_GT(g_largest, 0u);
        EXPECT_LT(g_largest, clockBytes / 4);
    }
    __sanitizer_install_malloc_and_free_hooks(nullptr, nullptr);
}
#endif

TEST(ClockView, FittingZoomShowsTheWholeClock)
{
    const struct {
        int w, h, roomW, roomH, percent;
    } cases[] = {
        {200, 200, 400, 300, 100}, // fits at 100 %, not at 200 %
        {100, 60, 450, 300, 400},  // the largest level that fits
        {4096, 4096, 500, 400, 9}, // 409 / 4096 → 9 %
        {11584, 11584, 100, 100, 1},
        {100000, 10, 300, 300, 1}, // never below 1 %
        {0, 0, 300, 300, 100},
    };
    for (const auto& c : cases) {
        const ZoomLevel zoom = ZoomLevel::fitting(c.w, c.h, c.roomW, c.roomH);
        EXPECT_EQ(zoom.percent(), c.percent) << c.w << "x" << c.h;
        if (c.percent > 1 && c.w > 0) {
            EXPECT_LE(zoom.toScreen(c.w), c.roomW);
            EXPECT_LE(zoom.toScreen(c.h), c.roomH);
        }
    }
    EXPECT_EQ(ZoomLevel::viewing(37).in().percent(), 50);
    EXPECT_EQ(ZoomLevel::viewing(37).out().percent(), 25);
    EXPECT_EQ(ZoomLevel::viewing(9).out().percent(), 9);
    EXPECT_EQ(ZoomLevel::viewing(9).in().percent(), 25);
    EXPECT_EQ(ZoomLevel::viewing(300).percent(), 200);
}
