#pragma once

// The zoom of the positioning dialog's work area: one of 25, 50, 100, 200, 400 and 800 %, and
// the arithmetic between positions on the plane (dial and hand pixels, what is saved) and on the
// screen. A plane pixel p shows at screen pixels floor(p · zoom) up to floor((p + 1) · zoom),
// so at 400 % four screen pixels across, and at 25 % every fourth plane pixel shows.
// The main window's view takes the same levels, and below 100 % any whole percent from 1 on
// (what shows a whole clock in its work area), drawn smoothed there.

#include <array>
#include <cstdint>

namespace dw {

class ZoomLevel {
public:
    static constexpr std::array<int, 6> kPercents{25, 50, 100, 200, 400, 800};

    // The nearest level at or below percent (25 % for anything smaller).
    explicit ZoomLevel(int percent = 100);
    // A zoom of the main window's view: percent itself from 1 to 100 (less counts as 1), the
    // nearest level at or below it above 100.
    static ZoomLevel viewing(int percent);
    // The largest zoom of the view at which a clock of `size` pixels fits in `room`: a level
    // from 100 % up to 800 % when the clock fits at 100 %, else the whole percent below 100 at
    // which it fits (at least 1 %). A clock or a room without pixels gives 100 %.
    static ZoomLevel fitting(int64_t width, int64_t height, int64_t roomWidth, int64_t roomHeight);

    int percent() const { return m_percent; }
    // The next level up or down; the same at the ends. From a percent between levels, the
    // levels on either side.
    ZoomLevel in() const;
    ZoomLevel out() const;

    // The screen pixel of a plane position: floor(v · percent / 100).
    int64_t toScreen(int64_t plane) const;
    // The plane pixel a screen pixel shows: floor(s · 100 / percent).
    int64_t toPlane(int64_t screen) const;
    // A movement of the mouse in screen pixels as a movement on the plane, truncated toward
    // zero: at 400 % a drag of 4 screen pixels moves by 1, one of 3 by nothing (the rest stays
    // with the pointer); at 25 % one screen pixel moves by 4.
    int64_t toPlaneStep(int64_t screenStep) const;
    // Whether the view is drawn smoothed (below 100 %) rather than as squares of pixels.
    bool smooth() const { return m_percent < 100; }
    // The lines between pixels are drawn from 400 % on.
    bool showsGrid() const { return m_percent >= 400; }

    friend bool operator==(ZoomLevel a, ZoomLevel b) { return a.m_percent == b.m_percent; }

private:
    int m_percent;
};

} // namespace dw
