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

ZoomLevel ZoomLevel::in() const
{
    const auto* next = std::upper_bound(kPercents.begin(), kPercents.end(), m_percent);
    return ZoomLevel(next == kPercents.end() ? m_percent : *next);
}

ZoomLevel ZoomLevel::out() const
{
    const auto* at = std::lower_bound(kPercents.begin(), kPercents.end(), m_percent);
    return ZoomLevel(at == kPercents.begin() ? m_percent : *(at - 1));
}

// Plane positions stay within ±2⁴⁰ (HandPlacement), so the products stay far inside 64 bits.
int64_t ZoomLevel::toScreen(int64_t plane) const { return floorDiv(plane * m_percent, 100); }

int64_t ZoomLevel::toPlane(int64_t screen) const { return floorDiv(screen * 100, m_percent); }

int64_t ZoomLevel::toPlaneStep(int64_t screenStep) const { return screenStep * 100 / m_percent; }

} // namespace dw
