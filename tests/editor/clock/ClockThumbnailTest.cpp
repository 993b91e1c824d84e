// A saved clock's thumbnail: the rendered clock scaled to fit a square.
#include "tests/editor/TestPictures.h"

#include "editor/clock/ClockThumbnail.h"
#include "editor/clock/SavedClock.h"

#include "platform/Region.h"

#include <gtest/gtest.h>

#include <string>

using namespace dw;
using namespace dw::test;

namespace {

std::vector<uint8_t> bytesOf(const QByteArray& b) { return std::vector<uint8_t>(b.begin(), b.end()); }
std::vector<uint8_t> bytesOf(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// A clock with a noisy dial in a rounded shape and hands of its own about its middle; with
// `extrude`, hands that stand out of a smaller shape.
std::vector<std::vector<uint8_t>> clockMembers(int w, int h, bool extrude)
{
    std::vector<std::vector<uint8_t>> m(7);
    m[0] = bytesOf(bmpFile(noise(w, h, 9)));
    m[1] = bytesOf(bmpFile(handImage(9, 40, Qt::red)));
    m[2] = bytesOf(bmpFile(handImage(7, 55, Qt::blue)));
    m[3] = bytesOf(bmpFile(handImage(3, 60, Qt::green)));
    m[4] = regionData(extrude ? CreateRectRgn(w / 2 - 25, h / 2 - 20, w / 2 + 25, h / 2 + 20)
                              : CreateRoundRectRgn(0, 0, w, h, w / 2, h / 2));
    const std::string cx = std::to_string(w / 2), cy = std::to_string(h / 2);
    std::string header = "HPX=4\r\nHPY=36\r\nMPX=3\r\nMPY=50\r\nSPX=1\r\nSPY=55\r\n";
    for (const char* hand : {"H", "M", "S"})
        header += std::string(hand) + "CX=" + cx + "\r\n" + hand + "CY=" + cy + "\r\n";
    if (extrude)
        header += "ExtrudeHand=1\r\n";
    m[5] = bytesOf(header);
    return m;
}

} // namespace

// Drawn as the clock's own rendering scaled with scaledToFit, to the bit: down and up, to odd
// sizes, for a picture with transparent corners and one whose hands stand out of its shape, and
// on both sides of the size from which the clock is scaled premultiplied (2^20 pixels), where
// Qt scales a picture by halves or less one way and a larger part another.
TEST(ClockThumbnail, IsTheRenderedClockScaledToFit)
{
    const QTime time(10, 8, 36);
    const struct {
        int width, height;
        bool extrude;
        std::initializer_list<int> sides;
    } clocks[] = {
        {150, 100, false, {1, 30, 64, 149, 150, 256, 1024}},
        {150, 100, true, {30, 149, 256}},
        {1024, 1024, false, {64, 600, 1000}},
        {1024, 1023, false, {64, 600, 1000}},
    };
    for (const auto& c : clocks) {
        const std::vector<std::vector<uint8_t>> members = clockMembers(c.width, c.height, c.extrude);
        SavedClock clock;
        ASSERT_EQ(clock.load(members), "");
        const QImage rendered = clock.render(time);
        for (int side : c.sides) {
            SCOPED_TRACE(::testing::Message() << c.width << " × " << c.height << (c.extrude ? " standing out" : "")
                                              << " to " << side);
            const ClockThumbnail thumbnail = drawClockThumbnail(members, time, side);
            ASSERT_EQ(thumbnail.problem, "");
            const QImage expected = scaledToFit(rendered, side);
            EXPECT_EQ(thumbnail.image.format(), expected.format());
            EXPECT_EQ(thumbnail.image, expected);
        }
    }
}
