// The composition of the clock without a window: hands drawn over the dial, their regions, and
// saved clocks rebuilt from their members.
#include "TestClock.h"

#include "editor/clock/ClockComposer.h"
#include "editor/clock/SavedClock.h"

#include "platform/ByteOrder.h"
#include "platform/MemoryStream.h"
#include "rotateimage/RotateImage.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace dw;
using namespace dw::test;

namespace {

// A hand with noise on it, its corners white (the key), pivot near the bottom.
QImage noisyHand(int w, int h, uint32_t seed)
{
    QImage image = noise(w, h, seed);
    QPainter p(&image);
    p.fillRect(0, 0, w / 3, h, Qt::white);
    p.fillRect(w - w / 3, 0, w / 3, h, Qt::white);
    return image;
}

struct Clock : TestClock {
    explicit Clock(TRotateImageDispMode mode)
        : TestClock(noise(160, 120, 1), {noisyHand(15, 50, 2), noisyHand(11, 70, 3), noisyHand(7, 80, 4)},
                    {TPoint{5, 45}, TPoint{5, 45}, TPoint{5, 45}}, {TPoint{80, 60}, TPoint{70, 55}, TPoint{90, 65}}, mode)
    {
    }
};

} // namespace

TEST(ClockComposer, RegionDrawingPaintsExactlyWhatTheMaskBlitPaints)
{
    Clock region(ridmRegion), masked(ridmMask);
    for (const HandAngles& a : {HandAngles{0, 0, 0}, HandAngles{37, 211, 90}, HandAngles{304, 63, 354}}) {
        setHandAngles(region.scene, a);
        setHandAngles(masked.scene, a);
        TBitmap viaRegion, viaMask;
        composeClock(region.scene, viaRegion);
        composeClock(masked.scene, viaMask);
        ASSERT_EQ(viaRegion.PixelFormat(), pfDevice);
        ASSERT_EQ(viaRegion.image().size(), QSize(160, 120));
        EXPECT_EQ(viaRegion.image(), viaMask.image()) << a.hour << " " << a.minute << " " << a.second;
        EXPECT_FALSE(region.dial.RegionCache()) << "the dial is only copied";
    }
}

TEST(ClockComposer, KeptDialGivesWhatAFreshCompositionGives)
{
    Clock clock(ridmMask);
    ClockComposer composer;
    auto expectSame = [&](const HandAngles& a, const char* when) {
        setHandAngles(clock.scene, a);
        TBitmap kept, fresh;
        composer.compose(clock.scene, kept);
        composeClock(clock.scene, fresh);
        EXPECT_EQ(kept.image(), fresh.image()) << when;
        EXPECT_EQ(kept.PixelFormat(), pfDevice);
    };
    expectSame({30, 60, 90}, "first");
    expectSame({200, 10, 300}, "the hands of the first picture are not kept");
    loadRenderer(clock.dial, noise(160, 120, 77));
    expectSame({200, 10, 300}, "a new dial picture of the same size");
    clock.dial.ClearImages();
    expectSame({0, 0, 0}, "no dial");
    TBitmap none;
    composer.compose(clock.scene, none);
    EXPECT_TRUE(none.Empty()) << "no dial, no picture";
}

TEST(ClockComposer, HandRegionCoversExactlyThePixelsTheHandPaints)
{
    TRotateImage dial, hand;
    loadRenderer(dial, filledImage(120, 120, Qt::black));
    setUpHandRenderer(hand);
    loadRenderer(hand, handImage(9, 60, Qt::red));
    hand.SetPivotX(4);
    hand.SetPivotY(55);
    TRotateImage none; // a hand without a picture paints and adds nothing
    setUpHandRenderer(none);
    for (int angle : {0, 37, 90, 250}) {
        hand.SetAngle(angle);
        ClockScene scene{&dial, &hand, &none, &none, {60, 60}, {60, 60}, {60, 60}};
        TBitmap picture;
        composeClock(scene, picture);
        const std::optional<TRegion> region = HandRgnAt(hand, {60, 60});
        ASSERT_TRUE(region);
        EXPECT_FALSE(HandRgnAt(none, {60, 60}));
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 120; ++x)
                ASSERT_EQ(region->contains({x, y}), (picture.image().pixel(x, y) & 0xFFFFFF) != 0)
                    << "angle " << angle << " at " << x << "," << y;
        const TRegion shape = CreateRectRgn(50, 50, 70, 70);
        EXPECT_EQ(extrudedShape(scene, shape, {120, 120}), [&] {
            TRegion u = shape;
            CombineRgn(u, u, *region, RGN_OR);
            return u;
        }());
        EXPECT_EQ(extrudedShape(scene, TRegion(), {120, 120}).boundingBox(), (TRect{0, 0, 120, 120}))
            << "no shape stands for the whole window";
    }
}

namespace {

std::vector<uint8_t> headerBytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<std::vector<uint8_t>> savedMembers()
{
    std::vector<std::vector<uint8_t>> m(7);
    m[4] = regionData(CreateRectRgn(10, 10, 190, 190));
    m[5] = headerBytes("HPX=7\r\nHPY=70\r\nMPX=7\r\nMPY=90\r\nSPX=6\r\nSPY=90\r\nHCX=100\r\nHCY=100\r\nMCX=100\r\n"
                       "MCY=100\r\nSCX=100\r\nSCY=100\r\nCopyRight=x\r\nDate=2024/01/01 0:00:00\r\n");
    return m;
}

} // namespace

TEST(SavedClock, RebuildsTheBuiltinClockFromEmptyPictureMembers)
{
    SavedClock clock;
    ASSERT_EQ(clock.load(savedMembers()), "");
    EXPECT_EQ(clock.size(), (TSize{200, 200}));
    EXPECT_FALSE(clock.extrudeHand());
    EXPECT_EQ(clock.scene().hourCenter, (TPoint{100, 100}));
    EXPECT_EQ(clock.scene().hour->PivotY(), 70);
    const QImage picture = clock.render(QTime(3, 0, 0));
    ASSERT_EQ(picture.size(), QSize(200, 200));
    EXPECT_EQ(qAlpha(picture.pixel(5, 100)), 0) << "outside the saved shape";
    EXPECT_EQ(qAlpha(picture.pixel(100, 100)), 255);
}

TEST(SavedClock, RefusesWhatDoesNotDescribeAClock)
{
    SavedClock clock;
    std::vector<std::vector<uint8_t>> m = savedMembers();
    m.pop_back();
    EXPECT_NE(clock.load(m), "") << "six members";

    m = savedMembers();
    m[5] = headerBytes("HPX=7\r\nHPY=seventy\r\n");
    EXPECT_TRUE(clock.load(m).contains("HPY=")) << qPrintable(clock.load(m));

    m = savedMembers();
    m[4] = {1, 2, 3};
    EXPECT_TRUE(clock.load(m).contains("region")) << qPrintable(clock.load(m));

    m = savedMembers();
    m[0] = headerBytes("BM this is no picture at all, only text in a dial's place");
    EXPECT_TRUE(clock.load(m).contains("dial")) << qPrintable(clock.load(m));
}

namespace {

std::vector<uint8_t> bytesOf(const QByteArray& b) { return std::vector<uint8_t>(b.begin(), b.end()); }

// The members of a 160 × 120 clock with noisy pictures of its own, its shape and ExtrudeHand.
std::vector<std::vector<uint8_t>> pictureMembers(const TRegion& shape, bool extrude)
{
    std::vector<std::vector<uint8_t>> m(7);
    m[0] = bytesOf(bmpFile(noise(160, 120, 1)));
    m[1] = bytesOf(bmpFile(noisyHand(15, 50, 2)));
    m[2] = bytesOf(bmpFile(noisyHand(11, 70, 3)));
    m[3] = bytesOf(bmpFile(noisyHand(7, 80, 4)));
    m[4] = regionData(shape);
    m[5] = headerBytes(std::string("HPX=5\r\nHPY=45\r\nMPX=5\r\nMPY=65\r\nSPX=3\r\nSPY=75\r\n"
                                   "HCX=80\r\nHCY=60\r\nMCX=70\r\nMCY=55\r\nSCX=90\r\nSCY=65\r\n")
                       + (extrude ? "ExtrudeHand=1\r\n" : ""));
    return m;
}

// The clock as the desktop shows it, worked out pixel by pixel from its pieces: the composition
// in ARGB32 where the window region holds the pixel, transparent black elsewhere.
QImage expectedRender(SavedClock& clock, const QTime& time)
{
    const ClockScene scene = clock.scene();
    setHandAngles(scene, handAnglesAt(time));
    TBitmap composed;
    composeClock(scene, composed);
    const QImage argb = composed.image().convertToFormat(QImage::Format_ARGB32);
    const TRegion window = clock.windowRegion();
    QImage out(argb.size(), QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            out.setPixel(x, y, window.contains({x, y}) ? argb.pixel(x, y) : 0u);
    return out;
}

bool sameBits(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.depth() != 32 || b.depth() != 32)
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 4) != 0)
            return false;
    return true;
}

} // namespace

// The rendered clock against its pieces, for a shape with two spans in most rows (a ring), one
// reaching beyond the picture, none (the whole window), and hands standing out of a small shape;
// the premultiplied form holds the same bits.
TEST(SavedClock, RenderIsTheCompositionTransparentOutsideTheWindowRegion)
{
    TRegion ring = CreateRoundRectRgn(5, 5, 155, 115, 150, 110);
    CombineRgn(ring, ring, CreateRoundRectRgn(40, 30, 120, 90, 80, 60), RGN_DIFF);
    const struct {
        const char* what;
        TRegion shape;
        bool extrude;
    } clocks[] = {
        {"ring", ring, false},
        {"beyond the picture", CreateRectRgn(-10, 20, 200, 300), false},
        {"no shape", TRegion(), false},
        {"hands standing out", CreateRectRgn(60, 40, 100, 80), true},
    };
    for (const auto& c : clocks) {
        SavedClock clock;
        ASSERT_EQ(clock.load(pictureMembers(c.shape, c.extrude)), "") << c.what;
        for (const QTime& time : {QTime(10, 8, 36), QTime(3, 0, 0)}) {
            SCOPED_TRACE(::testing::Message() << c.what << " at " << time.toString().toStdString());
            const QImage picture = clock.render(time);
            ASSERT_EQ(picture.format(), QImage::Format_ARGB32);
            EXPECT_EQ(picture, expectedRender(clock, time));
            const QImage premultiplied = clock.renderPremultiplied(time);
            EXPECT_EQ(premultiplied.format(), QImage::Format_ARGB32_Premultiplied);
            EXPECT_TRUE(sameBits(premultiplied, picture));
        }
    }
}
