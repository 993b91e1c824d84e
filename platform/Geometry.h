#pragma once

#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cstdint>

namespace dw {

// A point of two 32-bit signed integers (pixels or logical units, as the caller says).
struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// A rectangle the platform's way: Right and Bottom lie just outside it, so it covers the
// pixels Left .. Right − 1 and Top .. Bottom − 1, and Right − Left is its width. A rectangle
// whose Right ≤ Left or Bottom ≤ Top is empty.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int64_t Width() const { return int64_t(Right) - Left; }
    int64_t Height() const { return int64_t(Bottom) - Top; }
    bool isEmpty() const { return Right <= Left || Bottom <= Top; }
    bool contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }

    // The same pixels as a Qt rectangle (Qt's right and bottom are inclusive); an empty
    // rectangle gives a null QRect.
    QRect toQRect() const { return isEmpty() ? QRect() : QRect(QPoint(Left, Top), QPoint(Right - 1, Bottom - 1)); }
    static TRect fromQRect(const QRect& r)
    {
        return r.isEmpty() ? TRect{} : TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
    }

    friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    return {left, top, left + width, top + height};
}

// The platform's rectangle helpers.
inline void OffsetRect(TRect& r, int32_t dx, int32_t dy)
{
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
}
// Widens by dx at the left and at the right, by dy at the top and the bottom (negative
// values narrow).
inline void InflateRect(TRect& r, int32_t dx, int32_t dy)
{
    r.Left -= dx;
    r.Right += dx;
    r.Top -= dy;
    r.Bottom += dy;
}
inline bool IsRectEmpty(const TRect& r) { return r.isEmpty(); }
inline bool PtInRect(const TRect& r, TPoint p) { return r.contains(p); }
// The common part of a and b; false (and an all-zero rectangle) when they do not overlap.
inline bool IntersectRect(TRect& out, const TRect& a, const TRect& b)
{
    const TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                  std::min(a.Bottom, b.Bottom)};
    out = r.isEmpty() ? TRect{} : r;
    return !r.isEmpty();
}

} // namespace dw
