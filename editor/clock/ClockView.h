#pragma once

// The clock as the main window's view shows it at a zoom, composed a part at a time straight
// from the renderers' rendered pictures, so that nothing the size of the clock is made for it.
// At 100 % a part holds exactly the pixels composeClock gives there; above 100 % every clock
// pixel is a square of view pixels (drawZoomed, as the positioning dialog shows pictures);
// below 100 % every view pixel is the average of the clock pixels it covers, weighted by how
// much of each it covers (view pixel d spans clock pixels d · 100 / percent up to
// (d + 1) · 100 / percent), so that parts drawn apart join without a seam.

#include "ClockComposer.h"
#include "ZoomLevel.h"

#include "platform/Geometry.h"

#include <QImage>
#include <QRect>
#include <QRegion>

#include <array>
#include <vector>
#include <cstdint>

namespace dw {

class TDib;

// What the view is shown on: the part of the view that is visible, and a way to have a part
// drawn again (a widget repaints it; a test draws it at once and counts it). View pixels.
class ViewCanvas {
public:
    virtual ~ViewCanvas() = default;
    virtual QRect visibleRect() const = 0;
    virtual void invalidate(const QRect& part) = 0;
};

class ClockView {
public:
    ZoomLevel zoom() const { return m_zoom; }
    // A new zoom; the next tick counts everything as changed.
    void setZoom(ZoomLevel zoom);
    // The clock's size in view pixels at the zoom (at least one pixel a side for a clock with
    // pixels).
    static QSize viewSize(TSize clock, ZoomLevel zoom);
    // A rectangle of clock pixels as the view pixels it shows in (every view pixel some of it
    // reaches).
    QRect toView(const QRect& clockRect) const;

    // Composes `part` (view pixels) of the clock of the scene into `out` (made RGB32 of the
    // part's size; its pixels may be the view's own memory, good until the next drawing). View
    // pixels beyond the dial are white. False, and nothing made, when the dial has no rendered
    // picture.
    bool draw(const ClockScene& scene, const QRect& part, QImage& out);

    // The preview's tick: has the canvas draw again what changed since the last tick (a hand
    // turned or moved or given another picture: where it was and where it is; everything when
    // the dial, its size or the zoom changed) as far as it is visible. A tick at which nothing
    // visible changed draws nothing. Returns the view pixels invalidated.
    QRegion tick(const ClockScene& scene, ViewCanvas& canvas);
    // The next tick counts everything as changed.
    void forget() { m_known = false; }

    // How many clock pixels the compositions have drawn so far (at 100 % within the parts
    // asked for; below and above, the clock pixels those parts cover).
    int64_t composedPixels() const { return m_composedPixels; }

private:
    // Composes the clock pixels of `rect` at 100 % into `target` (of the rectangle's size);
    // `dial` is the dial's rendered picture, read once a drawing.
    void composePlane(const ClockScene& scene, const TDib& dial, const QRect& rect, QImage& target);
    void drawSmooth(const ClockScene& scene, const TDib& dial, const QRect& part, QImage& out);

    ZoomLevel m_zoom;
    // The clock pixels of the part being drawn and the part drawn, their memory kept from one
    // drawing to the next (a tick draws many small parts).
    std::vector<uint32_t> m_planeStore, m_outStore;
    int64_t m_composedPixels = 0;
    // What the last tick saw: the dial's stamp and size, each hand's stamp and drawn rectangle.
    bool m_known = false;
    uint64_t m_dialStamp = 0;
    QSize m_dialSize;
    std::array<uint64_t, 3> m_handStamps{};
    std::array<QRect, 3> m_handRects{};
    std::array<TPoint, 3> m_handCentres{}; // where each hand's centre was at the last tick
    std::array<QRegion, 3> m_handRegions{}; // where each hand's opaque pixels are (handDrawnRegion)
};

// The pixels of `rect` of a renderer's rendered picture as the display shows them (what
// CopyRenderedTo in the display's format gives there), into `out` at `at`; pixels of the rectangle
// beyond the picture are left as they are. False when the renderer has no rendered picture.
bool drawRenderedPart(const TCustomRotateImage& image, const QRect& rect, QImage& out, QPoint at = {});
// The size of a renderer's rendered picture; empty for none.
QSize renderedSize(const TCustomRotateImage& image);

// Where a hand's rendered picture lands when it is drawn with its pivot on `centre`, in dial
// pixels; empty when it has none.
QRect handDrawnRect(const TCustomRotateImage& hand, TPoint centre);

// The part of handDrawnRect the hand's opaque pixels reach, as bands of rows each as wide as its
// rows' opaque pixels (the whole rectangle when its mask cannot be read).
QRegion handDrawnRegion(const TCustomRotateImage& hand, TPoint centre);

// A window region in clock pixels as the view shows it: each rectangle's edges at the view
// pixels they fall in, rounded to the nearest (so no rectangle grows by more than half a view
// pixel on each side).
TRegion regionInView(const TRegion& region, ZoomLevel zoom);

} // namespace dw
