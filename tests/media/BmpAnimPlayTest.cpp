// The strip player, in simulated time: every drawing on the target is caught as it happens,
// with the simulated time at that moment.
#include "StripPictures.h"

#include "media/BmpAnimUnit.h"

#include "platform/Canvas.h"
#include "platform/SimulatedTicks.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace dw::test {
namespace {

class PlayerTest : public ::testing::Test {
protected:
    PlayerTest() : target(40, 30, QImage::Format_RGB32), canvas(&target), untouched(40, 30, QImage::Format_RGB32)
    {
        target.fill(kUntouched);
        untouched.fill(kUntouched);
        backgroundImage = makeBackground(40, 30);
        fillBitmap(background, backgroundImage);
        canvas.OnChange = [this] {
            shots.push_back(target.copy());
            times.push_back(ticks.milliseconds());
            if (onDraw)
                onDraw(int(shots.size()) - 1);
        };
    }

    // Plays the strip and returns how long the play took in simulated time.
    int64_t play(const QImage& stripImage, const TAnimParam& p, TPixelFormat format = pf24bit)
    {
        fillBitmap(strip, stripImage, format);
        const int64_t start = ticks.milliseconds();
        BmpAnimPlay(canvas, strip, p, background);
        return ticks.milliseconds() - start;
    }

    SimulatedTicks ticks;
    QImage target;
    TCanvas canvas;
    QImage untouched; // the target before any drawing
    QImage backgroundImage;
    TBitmap background, strip;
    std::vector<QImage> shots;  // the target after each drawing
    std::vector<int64_t> times; // when it was drawn
    std::function<void(int)> onDraw;
};

// Each frame over a fresh background, row by row, for rows × columns frame times: a strip of
// 4 × 2 frames, one frame that is the whole strip, and frames cut at the target's edges.
TEST_F(PlayerTest, FramesShowRowByRowOverAFreshBackgroundForTheirTime)
{
    const struct {
        int w, h;
        TAnimParam p;
    } cases[] = {{6, 5, {3, 7, 2, 4, 100}}, {9, 7, {5, 5, 1, 1, 300}}, {8, 6, {-3, -2, 1, 2, 100}}, {8, 6, {36, 27, 1, 2, 100}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.p.VertCount << " × " << c.p.HorzCount << " at " << c.p.OffsetX << ", " << c.p.OffsetY);
        shots.clear();
        target.fill(kUntouched);
        const QImage s = makeStrip(c.p.VertCount, c.p.HorzCount, c.w, c.h);
        const int64_t took = play(s, c.p);
        const int frames = c.p.VertCount * c.p.HorzCount;
        ASSERT_EQ(shots.size(), size_t(frames));
        for (int k = 0; k < frames; ++k)
            EXPECT_EQ(shots[size_t(k)], expectedFrame(untouched, s, kKey, backgroundImage, c.p, k)) << "frame " << k;
        EXPECT_GE(took, frames * c.p.FrameTime);
        EXPECT_LT(took, frames * c.p.FrameTime + kAnimWaitStep);
    }
}

TEST_F(PlayerTest, LeftoverColumnsAndRowsNeverShow)
{
    // 4 × 2 frames of 6 × 5 with 3 columns and 1 row of pixels to spare (27 × 11).
    const QImage s = makeStrip(2, 4, 6, 5, 3, 1);
    const TAnimParam p{0, 0, 2, 4, 100};
    play(s, p);
    ASSERT_EQ(shots.size(), 8u);
    for (size_t k = 0; k < shots.size(); ++k) {
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                ASSERT_NE(shots[k].pixel(x, y), kLeftover) << "frame " << k << " at " << x << ", " << y;
                if (x >= 6 || y >= 5) {
                    ASSERT_EQ(shots[k].pixel(x, y), kUntouched) << "frame " << k << " at " << x << ", " << y;
                }
            }
    }
}

TEST_F(PlayerTest, FrameWithoutTheKeyColourIsOpaque)
{
    // Two frames; the key colour (bottom-left) lies only in the second.
    QImage s(8, 4, QImage::Format_RGB32);
    s.fill(qRgb(10, 20, 30));
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 8; ++x)
            s.setPixel(x, y, qRgb(200, 100, 50));
    s.setPixel(0, 3, kKey);
    s.setPixel(1, 3, qRgb(10, 20, 30));
    const TAnimParam p{2, 2, 1, 2, 100};
    // Frame 1 has no pixel of the key colour: it covers its place entirely.
    play(s, p);
    ASSERT_EQ(shots.size(), 2u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(shots[1].pixel(2 + x, 2 + y), qRgb(200, 100, 50));
    // Frame 0 lets the background through at its one key pixel.
    EXPECT_EQ(shots[0].pixel(2, 5), backgroundImage.pixel(2, 5));
    EXPECT_EQ(shots[0].pixel(3, 5), qRgb(10, 20, 30));
}

TEST_F(PlayerTest, StripsAndBackgroundsOfEveryDepthShowAsTheyAreStoredKeyedByTheirBottomLeftColour)
{
    // 24 and 32 bits are composed row by row, other depths through the four transfers: the same
    // pixels either way. The expectation comes from the strip and the background as that depth
    // stores them.
    const QImage s = makeStrip(2, 4, 6, 5);
    const TAnimParam p{3, 7, 2, 4, 100};
    for (TPixelFormat format : {pf24bit, pf32bit, pfDevice, pf16bit, pf8bit}) {
        fillBitmap(background, backgroundImage, format);
        const QImage stored = background.image().convertToFormat(QImage::Format_RGB32);
        for (TPixelFormat stripFormat : {pf24bit, pf32bit, pf15bit, pf16bit, pf8bit}) {
            shots.clear();
            target.fill(kUntouched);
            play(s, p, stripFormat);
            ASSERT_EQ(shots.size(), 8u);
            TBitmap stripStored;
            fillBitmap(stripStored, s, stripFormat);
            const QImage strip = stripStored.image().convertToFormat(QImage::Format_RGB32);
            for (int k : {0, 5, 7})
                EXPECT_EQ(shots[size_t(k)], expectedFrame(untouched, strip, strip.pixel(0, 9), stored, p, k))
                    << "background " << int(format) << ", strip " << int(stripFormat) << ", frame " << k;
        }
    }
}

TEST_F(PlayerTest, OneBitStripIsTransparentWhereWhite)
{
    // Bottom-left black, yet white is the transparent colour of a 1-bit strip.
    QImage s(4, 2, QImage::Format_RGB32);
    s.fill(Qt::white);
    s.setPixel(0, 1, qRgb(0, 0, 0));
    s.setPixel(2, 0, qRgb(0, 0, 0));
    play(s, {0, 0, 1, 1, 100}, pf1bit);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].pixel(0, 1), qRgb(0, 0, 0));
    EXPECT_EQ(shots[0].pixel(2, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shots[0].pixel(1, 0), backgroundImage.pixel(1, 0));
    EXPECT_EQ(shots[0].pixel(3, 1), backgroundImage.pixel(3, 1));
}

TEST_F(PlayerTest, PlayLastsRowsTimesColumnsTimesFrameTimeAndKeepsItsSchedule)
{
    const int64_t start = ticks.milliseconds();
    const int64_t took = play(makeStrip(2, 4, 3, 3), {0, 0, 2, 4, 130});
    EXPECT_GE(took, 8 * 130);
    EXPECT_LT(took, 8 * 130 + kAnimWaitStep);
    ASSERT_EQ(times.size(), 8u);
    // Frame k appears once the k-th deadline has passed, never drifting behind it.
    for (size_t k = 1; k < times.size(); ++k) {
        EXPECT_GE(times[k] - start, int64_t(k) * 130);
        EXPECT_LT(times[k] - start, int64_t(k) * 130 + kAnimWaitStep);
    }
}

TEST_F(PlayerTest, SlowFrameIsFollowedAtOnceUntilTheScheduleIsCaughtUp)
{
    // Drawing frame 0 takes 250 ms: frames 1 and 2 (due at 100 and 200) follow at once.
    onDraw = [this](int k) {
        if (k == 0)
            ticks.advance(250);
    };
    const int64_t start = ticks.milliseconds();
    const int64_t took = play(makeStrip(2, 4, 3, 3), {0, 0, 2, 4, 100});
    ASSERT_EQ(times.size(), 8u);
    EXPECT_EQ(times[1] - start, 250);
    EXPECT_EQ(times[2] - start, 250);
    EXPECT_GE(times[3] - start, 300);
    EXPECT_GE(took, 800);
    EXPECT_LT(took, 800 + kAnimWaitStep);
}

TEST(PlayerClockTest, PlayEndsOnTimeWhereA32BitTickCountWouldWrap)
{
    // 50 ms before a 32-bit millisecond count would wrap.
    SimulatedTicks ticks((int64_t(1) << 32) - 50);
    QImage targetImage(10, 10, QImage::Format_RGB32);
    TCanvas target(&targetImage);
    TBitmap strip, background;
    fillBitmap(strip, makeStrip(1, 4, 2, 2));
    fillBitmap(background, makeBackground(10, 10));
    const int64_t start = ticks.milliseconds();
    BmpAnimPlay(target, strip, {0, 0, 1, 4, 100}, background);
    EXPECT_GE(ticks.milliseconds() - start, 400);
    EXPECT_LT(ticks.milliseconds() - start, 400 + kAnimWaitStep);
}

TEST_F(PlayerTest, BeyondTheBackgroundTransparentPixelsAreBlackNotAnEarlierFrame)
{
    // A background smaller than the target: where a frame reaches past it, its see-through
    // pixels have no background to show and stay black in every frame.
    QImage small = makeBackground(20, 15);
    fillBitmap(background, small);
    const QImage s = makeStrip(1, 2, 8, 6);
    play(s, {16, 12, 1, 2, 100});
    ASSERT_EQ(shots.size(), 2u);
    for (const QImage& shot : shots)
        for (int i = 0; i < 6; ++i) // the key-coloured diagonal, at (16 + i, 12 + i)
            EXPECT_EQ(shot.pixel(16 + i, 12 + i), i < 3 ? small.pixel(16 + i, 12 + i) : qRgb(0, 0, 0)) << i;
}

TEST_F(PlayerTest, APlayThatWouldShowNothingReturnsAtOnce)
{
    // A strip narrower than its column count (frames 0 pixels wide), frames wholly outside
    // the target, offsets at the ends of the 32-bit range, an empty strip, counts below 1: no
    // drawing and no wait, so nothing invisible holds the window.
    const QImage narrow = makeStrip(1, 1, 3, 3);
    for (const TAnimParam& p : {TAnimParam{0, 0, 1, 4, 100}, TAnimParam{40, 0, 1, 4, 100}, TAnimParam{-3, 0, 1, 4, 100},
                                TAnimParam{0, 30, 1, 4, 100}, TAnimParam{INT_MAX, INT_MAX, 1, 4, 100},
                                TAnimParam{INT_MIN, INT_MIN, 1, 4, 100}}) {
        const QImage wide = makeStrip(1, 4, 3, 3);
        EXPECT_EQ(play(p.OffsetX == 0 && p.OffsetY == 0 ? narrow : wide, p), 0) << p.OffsetX << "," << p.OffsetY;
        EXPECT_TRUE(shots.empty()) << p.OffsetX;
    }
    EXPECT_EQ(play(QImage(), {0, 0, 1, 2, 100}), 0);
    EXPECT_EQ(play(makeStrip(1, 1, 4, 4), {0, 0, 0, 3, 100}), 0);
    EXPECT_EQ(ticks.sleeps(), 0);
    // One pixel of the target is enough for the play to take its time.
    EXPECT_GE(play(makeStrip(1, 2, 8, 6), {39, 29, 1, 2, 100}), 200);
}

TEST_F(PlayerTest, AStopAskedForWhileItWaitsEndsThePlayBeforeTheNextFrame)
{
    // The user's stop arrives with the events served during the second frame's wait.
    AnimPlayStop stop;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (shots.size() == 2)
            stop.request();
    });
    timer.start();
    fillBitmap(strip, makeStrip(2, 4, 3, 3));
    const int64_t start = ticks.milliseconds();
    BmpAnimPlay(canvas, strip, {0, 0, 2, 4, 100}, background, &stop);
    EXPECT_EQ(shots.size(), 2u) << "no frame after the stop";
    EXPECT_LT(ticks.milliseconds() - start, 200) << "no wait after the stop";
    // A stop asked for before the play starts shows nothing.
    shots.clear();
    BmpAnimPlay(canvas, strip, {0, 0, 2, 4, 100}, background, &stop);
    EXPECT_TRUE(shots.empty());
}

TEST_F(PlayerTest, EventsAreServedWhileItWaits)
{
    bool served = false;
    QTimer::singleShot(0, [&] { served = true; });
    play(makeStrip(1, 2, 3, 3), {0, 0, 1, 2, 100});
    EXPECT_TRUE(served);
    // 20 ms at a time.
    EXPECT_GE(ticks.sleeps(), 10);
}

TEST_F(PlayerTest, SingleFrameIsDrawnAsThePlayDrawsIt)
{
    const QImage s = makeStrip(2, 4, 6, 5);
    const TAnimParam p{3, 7, 2, 4, 100};
    fillBitmap(strip, s);
    drawAnimFrame(canvas, strip, p, background, 6);
    EXPECT_EQ(target, expectedFrame(untouched, s, kKey, backgroundImage, p, 6));
    EXPECT_EQ(ticks.milliseconds(), 1000); // no wait
}

TEST_F(PlayerTest, FramesComposedStraightIntoTheTargetMatchTheFourTransfers)
{
    // A plain 32-bit target takes the frame's words directly; one whose clip area covers the
    // frame in two rectangles (a narrower band below) goes through the transfers. Same pixels
    // either way, opaque on a target with alpha too.
    const QImage s = makeStrip(2, 4, 6, 5);
    const TAnimParam p{3, 7, 2, 4, 100};
    fillBitmap(strip, s);
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
        QImage direct(40, 30, format), transferred(40, 30, format);
        direct.fill(Qt::transparent);
        transferred.fill(Qt::transparent);
        TCanvas straight(&direct), split(&transferred);
        const TRegion halves = TRegion(QRegion(0, 0, 40, 15) | QRegion(0, 15, 30, 15));
        ASSERT_EQ(halves.rects().size(), 2u);
        SelectClipRgn(split, &halves);
        TPoint at;
        EXPECT_NE(straight.directWordSurface(Bounds(3, 7, 12, 10), at), nullptr);
        EXPECT_EQ(split.directWordSurface(Bounds(3, 7, 12, 10), at), nullptr) << "across both bands";
        for (int k : {0, 3, 6}) {
            drawAnimFrame(straight, strip, p, background, k);
            drawAnimFrame(split, strip, p, background, k);
            EXPECT_EQ(direct, transferred) << "format " << int(format) << ", frame " << k;
            EXPECT_EQ(qAlpha(direct.pixel(3, 7)), 255);
        }
    }
}

} // namespace
} // namespace dw::test
