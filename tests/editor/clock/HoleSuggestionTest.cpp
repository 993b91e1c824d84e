// The suggested rotation hole on hands drawn pixel by pixel: a bar with a round hub at known
// places, sizes and angles; a bar without a hub; hands of one pixel; a hand with nothing opaque.
#include "editor/clock/HoleSuggestion.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
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

} // namespace

TEST(HoleSuggestion, ABarWithAHubGivesTheHubsCentreAtAnySizeAndAngle)
{
    const DrawnHand hands[] = {
        // The hub at the lower end, as most second hands have it.
        {21, 120, 3, 0, 112, {10, 108}, 6, 0},
        // A tail below the hub: the hub is still the deepest place.
        {41, 200, 7, 0, 199, {20, 150}, 12, 0},
        // A broad bar and a hub well above its lower end.
        {61, 260, 11, 10, 250, {30, 120}, 17, 0},
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
