#include "ZoomLevel.h"

#include <algorithm>

namespace dw {

namespace {

int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

ZoomLevel::ZoomLevel(int percent) : m_percent(kPercents.front())
{
    for (const int p : kPercents)
        if (p <= percent)
            m_percent = p;
}

ZoomLevel ZoomLevel::viewing(int percent)
{
    if (percent >= 100)
        return ZoomLevel(percent);
    ZoomLevel zoom;
    zoom.m_percent = std::max(percent, 1);
    return zoom;
}

ZoomLevel ZoomLevel::fitting(int64_t width, int64_t height, int64_t roomWidth, int64_t roomHeight)
{
    if (width <= 0 || height <= 0 || roomWidth <= 0 || roomHeight <= 0)
        return ZoomLevel(100);
    ZoomLevel best(100);
    for (const int p : kPercents)
        if (p >= 100 && width * p / 100 <= roomWidth && height * p / 100 <= roomHeight)
            best = ZoomLevel(p);
    if (width <= roomWidth && height <= roomHeight)
        return best;
    // Sides and rooms are at most 2^31, so the products stay inside 64 bits.
    const int64_t percent = std::min(roomWidth * 100 / width, roomHeight * 100 / height);
    return viewing(int(std::clamp<int64_t>(percent, 1, 99)));
}

ZoomLevel ZoomLevel::in() const
{
    const auto* next = std::upper_bound(kPercents.begin(), kPercents.end(), m_percent);
    return ZoomLevel(next == kPercents.end() ? m_percent : *next);
}

ZoomLevel ZoomLevel::out() const
{
    const auto* at = std::lower_bound(kPercents.begin(), kPercents.end(), m_percent);
    return at == kPercents.begin() ? *this : ZoomLevel(*(at - 1));
}

// Plane positions stay within ±2⁴⁰ (HandPlacement), so the products stay far inside 64 bits.
int64_t ZoomLevel::toScreen(int64_t plane) const { return floorDiv(plane * m_percent, 100); }

int64_t ZoomLevel::toPlane(int64_t screen) const { return floorDiv(screen * 100, m_percent); }

int64_t ZoomLevel::toPlaneStep(int64_t screenStep) const { return screenStep * 100 / m_percent; }

} // namespace dw
