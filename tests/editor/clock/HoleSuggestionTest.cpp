// The suggested rotation hole on hands drawn pixel by pixel: an upright bar with a round hub of
// every radius from 2 to 24, centred on a pixel or between pixels; bars with hubs turned; a bar
// without a hub; hands of one pixel; a hand with nothing opaque.
#include "editor/clock/HoleSuggestion.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace dw;

namespace {

constexpr double kPi = 3.14159265358979324;

// A hand picture, see-through everywhere (alpha 0) but for a bar `width` wide from `top` to
// `bottom` along the picture's middle column, turned by `degrees` about the hub's centre, and a
// disc of radius `hub` (none for 0) around that centre. Pixels are opaque when their centre lies
// inside the shape, so the drawing is exact.
struct DrawnHand {
    int pictureWidth;
    int pictureHeight;
    double barWidth;
    int top;
    int bottom;
    QPoint hubCentre;
    int hub;
    double degrees;

    QImage draw() const
    {
        QImage image(pictureWidth, pictureHeight, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        const double turn = degrees * kPi / 180;
        const double c = std::cos(turn), s = std::sin(turn);
        const double axisX = pictureWidth / 2;
        for (int y = 0; y < pictureHeight; ++y)
            for (int x = 0; x < pictureWidth; ++x) {
                // The pixel turned back about the hub into the upright drawing.
                const double dx = x - hubCentre.x(), dy = y - hubCentre.y();
                const double ux = hubCentre.x() + c * dx + s * dy, uy = hubCentre.y() - s * dx + c * dy;
                const bool onBar = std::fabs(ux - axisX) <= barWidth / 2 && uy >= top && uy <= bottom;
                const bool onHub = hub > 0 && dx * dx + dy * dy <= double(hub) * hub;
                if (onBar || onHub)
                    image.setPixel(x, y, qRgba(20, 20, 20, 255));
            }
        return image;
    }
};

::testing::AssertionResult withinOnePixel(const std::optional<QPoint>& got, QPoint expected)
{
    if (!got)
        return ::testing::AssertionFailure() << "no suggestion";
    if (std::abs(got->x() - expected.x()) > 1 || std::abs(got->y() - expected.y()) > 1)
        return ::testing::AssertionFailure() << "(" << got->x() << ", " << got->y() << ") is not within one pixel of ("
                                             << expected.x() << ", " << expected.y() << ")";
    return ::testing::AssertionSuccess();
}

// An upright hand as a skin author draws one: a bar `barWidth` pixels wide from row 2 down to the
// hub's centre (or, with a tail, to 3 rows above the picture's foot) and a round hub of radius
// `radius` whose centre is (`centreX2` / 2, `centreY2` / 2): a pixel when both are even, the
// corner between four pixels when both are odd (a hub of even size). The bar's columns are
// centred on the hub's as nearly as the widths allow. A pixel is opaque when its centre lies in
// the hub's circle or on the bar.
QImage uprightHand(int width, int height, int centreX2, int centreY2, int radius, int barWidth, bool tail)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const int firstColumn = (centreX2 - barWidth + 2) / 2;
    const int lastRow = tail ? height - 4 : centreY2 / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int64_t dx = 2 * x - centreX2, dy = 2 * y - centreY2;
            const bool onHub = dx * dx + dy * dy <= 4 * int64_t(radius) * radius;
            const bool onBar = x >= firstColumn && x < firstColumn + barWidth && y >= 2 && y <= lastRow;
            if (onHub || onBar)
                image.setPixel(x, y, qRgba(30, 30, 30, 255));
        }
    return image;
}

} // namespace

TEST(HoleSuggestion, AnUprightBarWithARoundHubGivesTheHubsCentreExactly)
{
    // Every radius, hubs of odd size (centred on a pixel) and even size (centred between two
    // pixels each way: the right and lower middle pixel is the hole), bars of odd and even widths
    // up to the hub's radius, with and without a tail, at places that differ from case to case.
    for (int radius = 2; radius <= 24; ++radius)
        for (const bool evenHub : {false, true})
            for (const int barWidth : {1, 2, std::max(1, radius / 2), radius / 2 + 1, radius})
                for (const bool tail : {false, true}) {
                    const int width = 2 * radius + 9 + radius % 4;
                    const int height = 3 * radius + 70 + radius % 7;
                    const int centreX2 = 2 * (radius + 4 + radius % 3) + (evenHub ? 1 : 0);
                    const int centreY2 = 2 * (height - radius - (tail ? 20 : 3)) - (evenHub ? 1 : 0);
                    const QPoint hub((centreX2 + 1) / 2, (centreY2 + 1) / 2);
                    const std::optional<QPoint> hole = suggestRotationHole(
                        uprightHand(width, height, centreX2, centreY2, radius, barWidth, tail));
                    ASSERT_TRUE(hole);
                    EXPECT_EQ(*hole, hub) << "radius " << radius << (evenHub ? ", even" : ", odd") << " hub, bar "
                                          << barWidth << (tail ? ", tail" : "") << ": (" << hole->x() << ", "
                                          << hole->y() << ")";
                }
}

TEST(HoleSuggestion, ATurnedBarWithAHubGivesTheHubsCentreWithinAPixel)
{
    const DrawnHand hands[] = {
        // Turned both ways, by small and large angles.
        {81, 160, 5, 20, 150, {40, 110}, 10, 20},
        {81, 160, 5, 20, 150, {40, 110}, 10, -35},
        {121, 121, 4, 0, 110, {60, 90}, 9, 90},
        {121, 121, 9, 5, 115, {60, 70}, 15, 135},
    };
    for (const DrawnHand& hand : hands)
        EXPECT_TRUE(withinOnePixel(suggestRotationHole(hand.draw()), hand.hubCentre))
            << hand.pictureWidth << " x " << hand.pictureHeight << ", hub " << hand.hub << ", " << hand.degrees
            << " degrees";
}

TEST(HoleSuggestion, ABarWithoutAHubGivesItsAxisNearTheLowerEnd)
{
    // Upright: every point of the axis is equally deep; the one nearest the lower end wins.
    const DrawnHand upright{21, 120, 5, 5, 114, {10, 60}, 0, 0};
    const std::optional<QPoint> hole = suggestRotationHole(upright.draw());
    ASSERT_TRUE(hole);
    EXPECT_EQ(hole->x(), 10) << "on the axis";
    EXPECT_GE(hole->y(), 114 - 3);
    EXPECT_LE(hole->y(), 114);

    // Turned by 30 degrees about its middle: on the turned axis, near its lower end.
    const DrawnHand turned{120, 120, 7, 10, 110, {60, 60}, 0, 30};
    const std::optional<QPoint> t = suggestRotationHole(turned.draw());
    ASSERT_TRUE(t);
    // The lower end of the axis: 50 pixels from the middle, turned clockwise on the screen.
    const double turn = 30 * kPi / 180;
    const double endX = 60 - 50 * std::sin(turn), endY = 60 + 50 * std::cos(turn);
    // Distance from the axis line through (60, 60) along (−sin, cos).
    const double across = std::fabs((t->x() - 60) * std::cos(turn) + (t->y() - 60) * std::sin(turn));
    EXPECT_LE(across, 1.0) << t->x() << ", " << t->y();
    EXPECT_LE(std::hypot(t->x() - endX, t->y() - endY), 6.0) << t->x() << ", " << t->y();
}

TEST(HoleSuggestion, HandsOfOnePixelAndHandsWithNothingOpaque)
{
    QImage dot(1, 1, QImage::Format_ARGB32);
    dot.fill(qRgba(0, 0, 0, 255));
    EXPECT_EQ(suggestRotationHole(dot), QPoint(0, 0));

    // A line one pixel wide: its lowest pixel.
    QImage line(5, 40, QImage::Format_ARGB32);
    line.fill(Qt::transparent);
    for (int y = 3; y < 33; ++y)
        line.setPixel(2, y, qRgba(200, 0, 0, 255));
    EXPECT_EQ(suggestRotationHole(line), QPoint(2, 32));

    QImage empty(15, 70, QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    EXPECT_FALSE(suggestRotationHole(empty));
    EXPECT_FALSE(suggestRotationHole(QImage()));
}
