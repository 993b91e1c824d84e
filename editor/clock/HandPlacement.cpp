#include "HandPlacement.h"

#include "ClockLayout.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

namespace dw {

namespace {

// Positions stay within ±2⁴⁰: far beyond any picture, and sums of a few of them never leave
// 64 bits however long a drag goes on.
constexpr int64_t kPositionLimit = int64_t(1) << 40;

int32_t saturate(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

QPoint saturated(int64_t x, int64_t y) { return {saturate(x), saturate(y)}; }

// The largest part of a step that keeps every one of the given positions within the limit.
int64_t limitStep(int64_t step, std::initializer_list<int64_t> positions)
{
    for (const int64_t p : positions)
        step = std::clamp(step, -kPositionLimit - p, kPositionLimit - p);
    return step;
}

} // namespace

bool HandPlacement::markerHits(int64_t x, int64_t y, int radius)
{
    const int64_t dx = kMarkerHole - x;
    const int64_t dy = kMarkerHole - y;
    const int64_t r = std::abs(int64_t(radius));
    // Far points are refused before squaring.
    if (dx < -r || dx > r || dy < -r || dy > r)
        return false;
    return dx * dx + dy * dy < r * r;
}

HandPlacement::HandPlacement()
{
    m_dial.left = kFirstDialLeft;
    m_dial.top = kFirstDialTop;
    m_marker.width = kMarkerSize;
    m_marker.height = kMarkerSize;
}

const HandPlacement::Box& HandPlacement::box(Part part) const
{
    return const_cast<HandPlacement*>(this)->boxOf(part);
}

HandPlacement::Box& HandPlacement::boxOf(Part part)
{
    switch (part) {
    case Part::Hand:
        return m_hand;
    case Part::Marker:
        return m_marker;
    default:
        return m_dial;
    }
}

void HandPlacement::setDialSize(QSize size)
{
    m_dial.width = std::max(size.width(), 0);
    m_dial.height = std::max(size.height(), 0);
}

void HandPlacement::setHandSize(QSize size)
{
    m_hand.width = std::max(size.width(), 0);
    m_hand.height = std::max(size.height(), 0);
}

QPoint HandPlacement::dialCenter() const
{
    return saturated(m_marker.left + kMarkerHole - m_dial.left, m_marker.top + kMarkerHole - m_dial.top);
}

QPoint HandPlacement::handPivot()
{
    const QPoint c = dialCenter();
    m_dialCenter = {c.x(), c.y()};
    m_handPivot = {int64_t(c.x()) + m_dial.left - m_hand.left, int64_t(c.y()) + m_dial.top - m_hand.top};
    const QPoint p = saturated(m_handPivot.x, m_handPivot.y);
    m_handPivot = {p.x(), p.y()};
    return p;
}

QPoint HandPlacement::storedDialCenter() const { return saturated(m_dialCenter.x, m_dialCenter.y); }
QPoint HandPlacement::storedHandPivot() const { return saturated(m_handPivot.x, m_handPivot.y); }

void HandPlacement::placeFromStored()
{
    m_marker.left = m_dial.left + m_dialCenter.x - kMarkerHole;
    m_marker.top = m_dial.top + m_dialCenter.y - kMarkerHole;
    m_hand.left = m_dial.left + m_dialCenter.x - m_handPivot.x;
    m_hand.top = m_dial.top + m_dialCenter.y - m_handPivot.y;
}

void HandPlacement::setDialCenter(QPoint p)
{
    m_dialCenter = {p.x(), p.y()};
    placeFromStored();
}

void HandPlacement::setHandPivot(QPoint p)
{
    m_handPivot = {p.x(), p.y()};
    placeFromStored();
}

void HandPlacement::centerDial(QSize client, QPoint scroll)
{
    m_dial.left = (int64_t(client.width()) - m_dial.width) / 2 + scroll.x();
    m_dial.top = (int64_t(client.height()) - m_dial.height) / 2 + scroll.y();
}

void HandPlacement::move(Part part, int64_t dx, int64_t dy)
{
    switch (part) {
    case Part::Dial:
        dx = limitStep(dx, {m_dial.left, m_hand.left, m_marker.left});
        dy = limitStep(dy, {m_dial.top, m_hand.top, m_marker.top});
        m_dial.left += dx;
        m_dial.top += dy;
        m_hand.left += dx;
        m_hand.top += dy;
        m_marker.left += dx;
        m_marker.top += dy;
        break;
    case Part::Marker:
        dx = limitStep(dx, {m_hand.left, m_marker.left});
        dy = limitStep(dy, {m_hand.top, m_marker.top});
        m_hand.left += dx;
        m_hand.top += dy;
        m_marker.left += dx;
        m_marker.top += dy;
        break;
    case Part::Hand:
        m_hand.left += limitStep(dx, {m_hand.left});
        m_hand.top += limitStep(dy, {m_hand.top});
        break;
    case Part::None:
        break;
    }
}

void HandPlacement::shift(int64_t dx, int64_t dy)
{
    for (Box* b : {&m_dial, &m_hand, &m_marker}) {
        b->left += dx;
        b->top += dy;
    }
}

QPoint HandPlacement::keepInView(Part dragged, ZoomLevel zoom)
{
    if (dragged == Part::None)
        return {};
    // The group that moves with the dragged part.
    std::vector<Part> group{dragged};
    if (m_handVisible && (dragged == Part::Marker || dragged == Part::Dial))
        group.push_back(Part::Hand);
    if (dragged == Part::Dial)
        group.push_back(Part::Marker);
    // How far a part must move for what shows of it on the screen to start at the plane's edge
    // or beyond: a picture's position must not be negative; the marker keeps its screen size,
    // so its hole must show at screen pixel 127 or beyond (at 100 %: the marker's position must
    // not be negative either).
    const int64_t firstHole = (int64_t(kMarkerHole) * 100 + zoom.percent() - 1) / zoom.percent();
    int64_t dx = 0, dy = 0;
    for (const Part part : group) {
        const Box& b = box(part);
        const int64_t least = part == Part::Marker ? firstHole - kMarkerHole : 0;
        dx = std::max(dx, least - b.left);
        dy = std::max(dy, least - b.top);
    }
    if (dx > 0)
        shift(dx, 0);
    if (dy > 0)
        shift(0, dy);
    // Only a part near the ends of the plane's range needs a shift beyond 32 bits.
    return saturated(dx, dy);
}

void HandPlacement::alignHandToHole()
{
    m_hand.left = m_marker.left + (m_marker.width - m_hand.width) / 2;
}

void HandPlacement::moveHandHoleTo(QPoint p)
{
    const int64_t holeX = m_marker.left + kMarkerHole, holeY = m_marker.top + kMarkerHole;
    m_hand.left = holeX - p.x();
    m_hand.top = holeY - p.y();
}

void HandPlacement::centreHole(QSize client, QPoint scroll)
{
    centerDial(client, scroll);
    setDialCenter(saturated(m_dial.width / 2, m_dial.height / 2));
}

void HandPlacement::setDefaultHand(int tenths, QSize client, QPoint scroll, std::optional<QSize> holeDial)
{
    centreHole(client, scroll);
    const TSize dial = holeDial ? TSize{holeDial->width(), holeDial->height()}
                                : TSize{saturate(m_dial.width), saturate(m_dial.height)};
    setHandPivot(saturated(m_hand.width / 2, defaultPivotY(dial, tenths)));
}

HandPlacement::Part HandPlacement::hitTest(int64_t x, int64_t y, bool markerTakesMouse) const
{
    if (markerTakesMouse && markerHits(x - m_marker.left, y - m_marker.top))
        return Part::Marker;
    if (m_handVisible && m_hand.contains(x, y))
        return Part::Hand;
    if (m_dial.contains(x, y))
        return Part::Dial;
    return Part::None;
}

QSize HandPlacement::extent() const
{
    int64_t right = std::max(m_dial.right(), m_marker.right());
    int64_t bottom = std::max(m_dial.bottom(), m_marker.bottom());
    if (m_handVisible) {
        right = std::max(right, m_hand.right());
        bottom = std::max(bottom, m_hand.bottom());
    }
    return {saturate(std::max<int64_t>(right, 0)), saturate(std::max<int64_t>(bottom, 0))};
}

// --- On the screen ----------------------------------------------------------------------------

HandPlacement::Box HandPlacement::screenBox(Part part, ZoomLevel zoom) const
{
    if (part == Part::Marker) {
        const QPoint hole = screenHole(zoom);
        return {int64_t(hole.x()) - kMarkerHole, int64_t(hole.y()) - kMarkerHole, kMarkerSize, kMarkerSize};
    }
    const Box& b = box(part);
    const int64_t left = zoom.toScreen(b.left), top = zoom.toScreen(b.top);
    return {left, top, zoom.toScreen(b.right()) - left, zoom.toScreen(b.bottom()) - top};
}

QPoint HandPlacement::screenHole(ZoomLevel zoom) const
{
    return saturated(zoom.toScreen(m_marker.left + kMarkerHole), zoom.toScreen(m_marker.top + kMarkerHole));
}

HandPlacement::Part HandPlacement::screenHitTest(int64_t x, int64_t y, bool markerTakesMouse, ZoomLevel zoom) const
{
    const Box marker = screenBox(Part::Marker, zoom);
    if (markerTakesMouse && markerHits(x - marker.left, y - marker.top))
        return Part::Marker;
    if (m_handVisible && screenBox(Part::Hand, zoom).contains(x, y))
        return Part::Hand;
    if (screenBox(Part::Dial, zoom).contains(x, y))
        return Part::Dial;
    return Part::None;
}

QSize HandPlacement::screenExtent(ZoomLevel zoom) const
{
    int64_t right = std::max(screenBox(Part::Dial, zoom).right(), screenBox(Part::Marker, zoom).right());
    int64_t bottom = std::max(screenBox(Part::Dial, zoom).bottom(), screenBox(Part::Marker, zoom).bottom());
    if (m_handVisible) {
        right = std::max(right, screenBox(Part::Hand, zoom).right());
        bottom = std::max(bottom, screenBox(Part::Hand, zoom).bottom());
    }
    return {saturate(std::max<int64_t>(right, 0)), saturate(std::max<int64_t>(bottom, 0))};
}

} // namespace dw
