#pragma once

// The hand positioning dialog's work area without its window: where the dial, the hand and the
// rotation-hole marker lie, and what placing, dragging and nudging them means for the hole's
// position on the dial (the hand's centre) and on the hand picture (the hand's pivot).
//
// Positions are on the scrollable plane of the work area, so scrolling does not change them;
// the framework's own control positions are these minus the scroll positions. They are kept
// in 64 bits: a pivot far outside its picture (the built-in second hand's lies below it) or a
// centre near the ends of the 32-bit range stays exact however the parts are moved, and what
// is read back saturates to the 32-bit range of the file instead of wrapping.

#include "ZoomLevel.h"

#include <QPoint>
#include <QSize>

#include <cstdint>
#include <optional>

namespace dw {

class HandPlacement {
public:
    enum class Part { None, Dial, Hand, Marker };

    // The marker: a 255 × 255 control whose middle (127, 127) is the hole; it takes the mouse
    // only inside its circle of radius 8 around that point.
    static constexpr int kMarkerSize = 255;
    static constexpr int kMarkerRadius = 8;
    static constexpr int kMarkerHole = kMarkerSize / 2;
    // Whether a point of the marker (marker coordinates) lies inside its circle:
    // (127 − x)² + (127 − y)² < radius².
    static bool markerHits(int64_t x, int64_t y, int radius = kMarkerRadius);

    // Where the dial sits when the dialog is first shown.
    static constexpr int kFirstDialLeft = 36;
    static constexpr int kFirstDialTop = 88;

    struct Box {
        int64_t left = 0;
        int64_t top = 0;
        int64_t width = 0;
        int64_t height = 0;
        int64_t right() const { return left + width; }
        int64_t bottom() const { return top + height; }
        bool contains(int64_t x, int64_t y) const { return x >= left && x < right() && y >= top && y < bottom(); }
    };

    HandPlacement();

    const Box& box(Part part) const;
    void setDialSize(QSize size);
    void setHandSize(QSize size);
    // Whether the hand is shown (it is hidden while all three holes are set at once); a hidden
    // hand is neither hit nor kept in view, and takes no part in the plane's extent.
    void setHandVisible(bool visible) { m_handVisible = visible; }
    bool handVisible() const { return m_handVisible; }

    // The hole relative to the dial, from where the marker is.
    QPoint dialCenter() const;
    // The hole relative to the hand picture; also stores both as the dialog's current values.
    QPoint handPivot();
    // The values stored by the last setDialCenter, setHandPivot or handPivot.
    QPoint storedDialCenter() const;
    QPoint storedHandPivot() const;

    // Puts the hole at p on the dial: the marker there, the hand by the stored pivot.
    void setDialCenter(QPoint p);
    // Puts the hole at p on the hand: the marker and the hand placed from the stored centre.
    void setHandPivot(QPoint p);

    // The dial alone to the middle of the visible area (client size, scroll positions).
    void centerDial(QSize client, QPoint scroll);
    // Moves one part. The dial carries the hand and the marker (centre and pivot stay), the
    // marker carries the hand (the centre changes), the hand moves alone (the pivot changes).
    void move(Part part, int64_t dx, int64_t dy);
    // After moving `dragged`: when its group (the dial with everything on it, the marker with
    // the hand, or the hand alone) starts left of or above the plane, all three move right or
    // down until the group starts exactly at the edge. Returns how far they moved (≥ 0).
    // At a zoom the edge is the screen's: the pictures start at it, the marker (which keeps its
    // screen size) starts at it or as near after it as whole dial pixels allow.
    QPoint keepInView(Part dragged, ZoomLevel zoom = ZoomLevel(100));
    // The hand sideways so that its middle column sits on the hole; its top stays.
    void alignHandToHole();
    // The hand (alone) so that its pixel p lies under the hole: the pivot becomes p, the centre
    // stays.
    void moveHandHoleTo(QPoint p);
    // The hole to the dial's middle, the dial to the middle of the visible area.
    void centreHole(QSize client, QPoint scroll);
    // As centreHole, and the pivot to the default for a hand: (hand width div 2, R × tenths
    // div 10) with R half the smaller side of `holeDial` when given (a built-in hand keeps the
    // hole it has on the built-in dial), else of the dial shown.
    void setDefaultHand(int tenths, QSize client, QPoint scroll, std::optional<QSize> holeDial = std::nullopt);

    // The part a press at a point of the plane reaches: the marker inside its circle (when it
    // takes the mouse), else the hand, else the dial, else none.
    Part hitTest(int64_t x, int64_t y, bool markerTakesMouse) const;
    // The right and bottom ends of what is shown on the plane (at least 0).
    QSize extent() const;

    // --- The same on the screen, at a zoom ----------------------------------------------------
    // Where a part shows: the dial and the hand scaled (their plane pixels as squares of the
    // zoom), the marker at its own size of 255 × 255 around the screen pixel of the hole.
    Box screenBox(Part part, ZoomLevel zoom) const;
    // The screen pixel of the hole (the marker's middle).
    QPoint screenHole(ZoomLevel zoom) const;
    // hitTest for a point of the screen plane: the marker by its circle on the screen, the
    // pictures by the squares they show.
    Part screenHitTest(int64_t x, int64_t y, bool markerTakesMouse, ZoomLevel zoom) const;
    // extent() on the screen.
    QSize screenExtent(ZoomLevel zoom) const;

private:
    struct Point64 {
        int64_t x = 0;
        int64_t y = 0;
    };
    Box& boxOf(Part part);
    void placeFromStored();
    void shift(int64_t dx, int64_t dy);

    Box m_dial;
    Box m_hand;
    Box m_marker;
    bool m_handVisible = true;
    Point64 m_dialCenter; // FDialCenter
    Point64 m_handPivot;  // FHandPivot
};

} // namespace dw
