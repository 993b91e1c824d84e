// The positioning dialog's arithmetic without its window: what moving the dial, the hand and the
// marker does to the centre and the pivot, the edges, and values far from any picture.
#include "editor/clock/HandPlacement.h"

#include <gtest/gtest.h>

#include <limits>

using namespace dw;
using Part = HandPlacement::Part;

namespace {

// A 200 × 200 dial and a 15 × 80 hand with the hole at (100, 100) on the dial and (7, 70) on
// the hand: the default project's hour hand.
HandPlacement hourHand()
{
    HandPlacement p;
    p.setDialSize({200, 200});
    p.setHandSize({15, 80});
    p.setDialCenter({100, 100});
    p.setHandPivot({7, 70});
    return p;
}

} // namespace

TEST(HandPlacement, PlacingPutsTheMarkerAndTheHandOnTheHole)
{
    HandPlacement p = hourHand();
    EXPECT_EQ(p.box(Part::Dial).left, 36);
    EXPECT_EQ(p.box(Part::Dial).top, 88);
    EXPECT_EQ(p.box(Part::Marker).left, 36 + 100 - 127);
    EXPECT_EQ(p.box(Part::Marker).top, 88 + 100 - 127);
    EXPECT_EQ(p.box(Part::Hand).left, 36 + 100 - 7);
    EXPECT_EQ(p.box(Part::Hand).top, 88 + 100 - 70);
    EXPECT_EQ(p.dialCenter(), QPoint(100, 100));
    EXPECT_EQ(p.handPivot(), QPoint(7, 70));
}

TEST(HandPlacement, EachPartCarriesWhatLiesOnIt)
{
    HandPlacement dial = hourHand();
    dial.move(Part::Dial, 40, -25);
    EXPECT_EQ(dial.dialCenter(), QPoint(100, 100));
    EXPECT_EQ(dial.handPivot(), QPoint(7, 70));
    EXPECT_EQ(dial.box(Part::Dial).left, 76);

    HandPlacement marker = hourHand();
    marker.move(Part::Marker, 5, -3);
    EXPECT_EQ(marker.dialCenter(), QPoint(105, 97));
    EXPECT_EQ(marker.handPivot(), QPoint(7, 70)) << "the hand travels with its hole";

    HandPlacement hand = hourHand();
    hand.move(Part::Hand, 5, -3);
    EXPECT_EQ(hand.dialCenter(), QPoint(100, 100));
    EXPECT_EQ(hand.handPivot(), QPoint(2, 73));
    EXPECT_EQ(hand.storedDialCenter(), QPoint(100, 100));
    EXPECT_EQ(hand.storedHandPivot(), QPoint(2, 73)) << "reading the pivot stores both";
}

TEST(HandPlacement, AGroupDraggedPastTheLeftOrTopEdgeStopsExactlyAtIt)
{
    // The dial with everything on it: the marker starts furthest left (36 + 100 − 127 = 9).
    HandPlacement dial = hourHand();
    dial.move(Part::Dial, -60, -200);
    dial.keepInView(Part::Dial);
    EXPECT_EQ(std::min({dial.box(Part::Dial).left, dial.box(Part::Hand).left, dial.box(Part::Marker).left}), 0);
    EXPECT_EQ(std::min({dial.box(Part::Dial).top, dial.box(Part::Hand).top, dial.box(Part::Marker).top}), 0);
    EXPECT_EQ(dial.dialCenter(), QPoint(100, 100));
    EXPECT_EQ(dial.handPivot(), QPoint(7, 70));

    // The marker with the hand (the marker starts at 9, so −30 takes it 21 past the edge); all
    // three move back together, so the centre keeps the drag.
    HandPlacement marker = hourHand();
    marker.move(Part::Marker, -30, 0);
    marker.keepInView(Part::Marker);
    EXPECT_EQ(std::min(marker.box(Part::Marker).left, marker.box(Part::Hand).left), 0);
    EXPECT_EQ(marker.box(Part::Dial).left, 36 + 21);
    EXPECT_EQ(marker.dialCenter(), QPoint(70, 100));
    EXPECT_EQ(marker.handPivot(), QPoint(7, 70));

    // The hand alone stops at the edge; the others keep their distance to it.
    HandPlacement hand = hourHand();
    hand.move(Part::Hand, -500, -500);
    hand.keepInView(Part::Hand);
    EXPECT_EQ(hand.box(Part::Hand).left, 0);
    EXPECT_EQ(hand.box(Part::Hand).top, 0);
    EXPECT_EQ(hand.dialCenter(), QPoint(100, 100));
    EXPECT_EQ(hand.handPivot(), QPoint(7 + 500, 70 + 500));

    // Nothing to do within the plane or with nothing pressed.
    HandPlacement still = hourHand();
    still.keepInView(Part::None);
    EXPECT_EQ(still.box(Part::Dial).left, 36);
}

TEST(HandPlacement, DefaultsCentreTheDialAndUseTheLayoutsHoles)
{
    HandPlacement p;
    p.setDialSize({300, 200});
    p.setHandSize({21, 60});
    p.setDialCenter({10, 10});
    p.setHandPivot({0, 0});
    const QSize client(289, 341);
    p.setDefaultHand(7, client, {0, 0});
    EXPECT_EQ(p.box(Part::Dial).left, -5) << "(289 - 300) div 2 truncates toward zero";
    EXPECT_EQ(p.box(Part::Dial).top, 70);
    EXPECT_EQ(p.dialCenter(), QPoint(150, 100));
    EXPECT_EQ(p.handPivot(), QPoint(10, 100 * 7 / 10));
    p.setDefaultHand(9, client, {0, 0});
    EXPECT_EQ(p.handPivot(), QPoint(10, 90));
    // Centring counts from the scroll positions: the dial lands in the visible middle.
    p.centreHole(client, {40, 7});
    EXPECT_EQ(p.box(Part::Dial).left, -5 + 40);
    EXPECT_EQ(p.box(Part::Dial).top, 70 + 7);
    EXPECT_EQ(p.dialCenter(), QPoint(150, 100));
    EXPECT_EQ(p.handPivot(), QPoint(10, 90)) << "centring keeps the pivot";
}

TEST(HandPlacement, AligningPutsTheHandsMiddleColumnOnTheHole)
{
    HandPlacement p = hourHand();
    p.move(Part::Hand, 30, 4);
    p.alignHandToHole();
    EXPECT_EQ(p.box(Part::Hand).left, p.box(Part::Marker).left + (255 - 15) / 2);
    EXPECT_EQ(p.box(Part::Hand).top, 88 + 100 - 70 + 4) << "its top stays";
    EXPECT_EQ(p.handPivot().x(), 7);
}

TEST(HandPlacement, PressesReachTheMarkerOnlyInsideItsCircle)
{
    EXPECT_TRUE(HandPlacement::markerHits(127, 127));
    EXPECT_TRUE(HandPlacement::markerHits(127 + 7, 127));
    EXPECT_FALSE(HandPlacement::markerHits(127 + 8, 127)) << "the rim itself is outside";
    EXPECT_FALSE(HandPlacement::markerHits(127 + 6, 127 + 6)) << "72 ≥ 64";
    EXPECT_TRUE(HandPlacement::markerHits(127 + 5, 127 + 5));
    EXPECT_FALSE(HandPlacement::markerHits(std::numeric_limits<int64_t>::max() / 2, 0)) << "no overflow";

    const HandPlacement p = hourHand();
    const int64_t holeX = p.box(Part::Marker).left + 127;
    const int64_t holeY = p.box(Part::Marker).top + 127;
    EXPECT_EQ(p.hitTest(holeX, holeY, true), Part::Marker);
    EXPECT_EQ(p.hitTest(holeX, holeY, false), Part::Hand) << "a locked marker lets the press through";
    EXPECT_EQ(p.hitTest(holeX + 20, holeY, true), Part::Dial) << "inside the square, outside the circle";
    EXPECT_EQ(p.hitTest(p.box(Part::Marker).left + 1, p.box(Part::Marker).top + 1, true), Part::None);

    HandPlacement hidden = hourHand();
    hidden.setHandVisible(false);
    EXPECT_EQ(hidden.hitTest(holeX, holeY, false), Part::Dial) << "a hidden hand takes no press";
}

TEST(HandPlacement, FarPivotsStayExactAndNothingOverflows)
{
    // The built-in second hand's hole lies below its picture; far holes stay exact.
    HandPlacement p;
    p.setDialSize({200, 200});
    p.setHandSize({13, 90});
    p.setDialCenter({100, 100});
    p.setHandPivot({6, 1'000'000'000});
    p.move(Part::Marker, 3, 3);
    EXPECT_EQ(p.handPivot(), QPoint(6, 1'000'000'000));
    EXPECT_EQ(p.dialCenter(), QPoint(103, 103));

    // Values at the ends of the 32-bit range saturate instead of wrapping, however far a part
    // is pushed.
    const int32_t max = std::numeric_limits<int32_t>::max();
    const int32_t min = std::numeric_limits<int32_t>::min();
    HandPlacement q;
    q.setHandSize({10, 10});
    q.setDialCenter({max, min});
    q.setHandPivot({min, max});
    EXPECT_EQ(q.dialCenter(), QPoint(max, min));
    EXPECT_EQ(q.handPivot(), QPoint(min, max));
    for (int i = 0; i < 4; ++i)
        q.move(Part::Marker, max, min);
    EXPECT_EQ(q.dialCenter(), QPoint(max, min));
    for (int i = 0; i < 4; ++i)
        q.move(Part::Hand, max, min);
    EXPECT_EQ(q.handPivot(), QPoint(min, max));
    q.keepInView(Part::Dial);
    EXPECT_GE(q.extent().width(), 0);
}

// --- At a zoom --------------------------------------------------------------------------------

TEST(HandPlacement, ZoomLevelsMakePlanePixelsSquaresOfTheScreen)
{
    EXPECT_EQ(ZoomLevel(100).in().percent(), 200);
    EXPECT_EQ(ZoomLevel(400).in().percent(), 800);
    EXPECT_EQ(ZoomLevel(800).in().percent(), 800) << "the top";
    EXPECT_EQ(ZoomLevel(50).out().percent(), 25);
    EXPECT_EQ(ZoomLevel(25).out().percent(), 25) << "the bottom";
    EXPECT_EQ(ZoomLevel(300).percent(), 200) << "the level at or below";
    EXPECT_EQ(ZoomLevel(1).percent(), 25);

    const ZoomLevel z400(400), z25(25);
    EXPECT_EQ(z400.toScreen(3), 12);
    EXPECT_EQ(z400.toPlane(15), 3) << "screen pixels 12 to 15 show plane pixel 3";
    EXPECT_EQ(z400.toPlane(-1), -1) << "floored, not truncated";
    EXPECT_EQ(z25.toScreen(7), 1);
    EXPECT_EQ(z25.toScreen(-1), -1);
    EXPECT_EQ(z25.toPlane(1), 4);
    // Steps of the mouse: whole plane pixels, the rest left with the pointer.
    EXPECT_EQ(z400.toPlaneStep(3), 0);
    EXPECT_EQ(z400.toPlaneStep(4), 1);
    EXPECT_EQ(z400.toPlaneStep(-5), -1);
    EXPECT_EQ(ZoomLevel(800).toPlaneStep(-17), -2);
    EXPECT_EQ(z25.toPlaneStep(-1), -4);
    EXPECT_FALSE(ZoomLevel(200).showsGrid());
    EXPECT_TRUE(z400.showsGrid());
}

TEST(HandPlacement, OnTheScreenThePicturesScaleAndTheMarkerKeepsItsSizeAndCircle)
{
    const HandPlacement p = hourHand();
    const ZoomLevel z(400);
    const HandPlacement::Box dial = p.screenBox(Part::Dial, z);
    EXPECT_EQ(dial.left, 36 * 4);
    EXPECT_EQ(dial.top, 88 * 4);
    EXPECT_EQ(dial.width, 800);
    EXPECT_EQ(p.screenBox(Part::Hand, z).width, 60);
    const QPoint hole = p.screenHole(z);
    EXPECT_EQ(hole, QPoint((36 + 100) * 4, (88 + 100) * 4));
    const HandPlacement::Box marker = p.screenBox(Part::Marker, z);
    EXPECT_EQ(marker.left, hole.x() - 127);
    EXPECT_EQ(marker.width, 255);
    EXPECT_EQ(p.screenHitTest(hole.x() + 7, hole.y(), true, z), Part::Marker);
    EXPECT_EQ(p.screenHitTest(hole.x() + 8, hole.y(), true, z), Part::Hand) << "the circle's radius is on the screen";
    EXPECT_EQ(p.screenHitTest(dial.left, dial.top, true, z), Part::Dial);
    EXPECT_EQ(p.screenHitTest(dial.left - 1, dial.top, true, z), Part::None);
    EXPECT_EQ(p.screenExtent(z), QSize((36 + 200) * 4, (88 + 200) * 4));
    EXPECT_EQ(p.screenExtent(ZoomLevel(100)), p.extent());
}

TEST(HandPlacement, AtEveryZoomAGroupDraggedPastTheEdgesStopsAtTheScreensEdge)
{
    for (const int percent : ZoomLevel::kPercents) {
        const ZoomLevel z(percent);
        // Whole plane pixels: the marker may stop up to one short of the edge at high zooms.
        const int64_t square = std::max(1, percent / 100);
        auto groupLeft = [&](const HandPlacement& p, std::initializer_list<Part> parts) {
            int64_t left = INT64_MAX, top = INT64_MAX;
            for (const Part part : parts) {
                left = std::min(left, p.screenBox(part, z).left);
                top = std::min(top, p.screenBox(part, z).top);
            }
            return std::pair{left, top};
        };
        HandPlacement marker = hourHand();
        marker.move(Part::Marker, -400, -400);
        const QPoint shift = marker.keepInView(Part::Marker, z);
        const auto [ml, mt] = groupLeft(marker, {Part::Marker, Part::Hand});
        EXPECT_GE(ml, 0) << percent;
        EXPECT_LT(ml, square) << percent;
        EXPECT_GE(mt, 0) << percent;
        EXPECT_LT(mt, square) << percent;
        EXPECT_GT(shift.x(), 0);
        EXPECT_EQ(marker.handPivot(), QPoint(7, 70)) << "the hand went with its hole";

        HandPlacement dial = hourHand();
        dial.move(Part::Dial, -900, -900);
        dial.keepInView(Part::Dial, z);
        const auto [dl, dt] = groupLeft(dial, {Part::Dial, Part::Marker, Part::Hand});
        EXPECT_GE(dl, 0) << percent;
        EXPECT_LT(dl, square) << percent;
        EXPECT_GE(dt, 0) << percent;
        EXPECT_EQ(dial.dialCenter(), QPoint(100, 100));

        HandPlacement hand = hourHand();
        hand.move(Part::Hand, -900, -900);
        hand.keepInView(Part::Hand, z);
        EXPECT_EQ(hand.screenBox(Part::Hand, z).left, 0) << percent << ": a picture stops exactly at the edge";
        EXPECT_EQ(hand.screenBox(Part::Hand, z).top, 0) << percent;

        HandPlacement still = hourHand();
        EXPECT_EQ(still.keepInView(Part::Hand, z), QPoint()) << percent << ": nothing past the edge";
    }
}

TEST(HandPlacement, TheSuggestedHoleMovesTheHandAlone)
{
    HandPlacement p = hourHand();
    p.move(Part::Marker, 4, 4);
    p.moveHandHoleTo({3, 50});
    EXPECT_EQ(p.dialCenter(), QPoint(104, 104));
    EXPECT_EQ(p.handPivot(), QPoint(3, 50));
}
