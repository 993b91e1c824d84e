#include "RotateGeometry.h"

#include <algorithm>
#include <cmath>

namespace dw {

float angleFromTenths(int32_t tenths)
{
    int32_t r = tenths % 3600; // truncating: the sign follows the dividend
    if (r < 0)
        r += 3600;
    return float(r * kEnginePi / 1800);
}

float zoomFromPercent(int32_t percent)
{
    return float(std::clamp(percent, 25, 400) / 100.0L);
}

int32_t tenthsFromAngle(float angle)
{
    return int32_t(std::nearbyint(static_cast<long double>(angle) * 1800 / kEnginePi));
}

int32_t degreesFromAngle(float angle)
{
    return int32_t(std::nearbyint(static_cast<long double>(angle) * 180 / kEnginePi));
}

int32_t percentFromZoom(float zoom) { return int32_t(std::nearbyint(static_cast<long double>(zoom) * 100)); }

TRotateMatrix matrixFromAngle(float angle, float zoom)
{
    const long double c = std::cos(static_cast<long double>(angle));
    const long double s = std::sin(static_cast<long double>(angle));
    return TRotateMatrix{float(c / zoom), float(s / zoom), float(-s / zoom), float(c / zoom)};
}

bool isDegenerateMatrix(const TRotateMatrix& m)
{
    // Products of two singles are exact in extended precision.
    return static_cast<long double>(m.m11) * m.m22 == static_cast<long double>(m.m12) * m.m21
        || (m.m11 == 0 && m.m12 == 0) || (m.m21 == 0 && m.m22 == 0);
}

namespace {

int64_t roundedSize(long double v)
{
    v = std::nearbyint(v);
    // Also catches infinities and NaN (every comparison with NaN is false).
    if (!(v >= 0 && v < kUnrepresentableSize))
        return kUnrepresentableSize;
    return static_cast<int64_t>(v);
}

// The span along one axis: size s, start p, step q, row length n.
Span axisSpan(int64_t s, float p, float q, int64_t n)
{
    if (!std::isfinite(p) || !std::isfinite(q))
        return Span{};
    if (std::fabs(static_cast<long double>(q)) <= 0.0001L) {
        // The sample point hardly moves along the row: all of it or none of it.
        if (0 <= p && p < s - 0.1L)
            return Span{0, n - 1};
        return Span{};
    }
    const float t1 = float((0 - static_cast<long double>(p)) / q);
    const float t2 = float((s - static_cast<long double>(p)) / q);
    // first = ⌈min + 0.1⌉ and last = ⌊max − 0.1⌋ in extended precision, kept inside the row
    // whatever the matrix (a write never leaves row j). The row's ends are compared first and
    // only values inside the row are converted, so truncating gives the floor there: the same
    // numbers as ceil and floor, without the rounding-mode switches of the extended routines,
    // which took a fifth of a turning hand's rendering (this runs twice a row).
    const long double from = std::min(t1, t2) + 0.1L;
    const long double to = std::max(t1, t2) - 0.1L;
    Span span;
    if (from <= 0) {
        span.first = 0;
    } else if (from > n - 1) {
        span.first = n; // ⌈from⌉ ≥ n, infinities included
    } else {
        span.first = static_cast<int64_t>(from);
        if (static_cast<long double>(span.first) < from)
            ++span.first;
    }
    if (to < 0)
        span.last = -1;
    else if (to >= n - 1)
        span.last = n - 1;
    else
        span.last = static_cast<int64_t>(to);
    return span;
}

} // namespace

RotatedSize ComputeRotatedSize(const TRotateMatrix& m, int64_t width, int64_t height)
{
    using L = long double;
    const float det = float(L(m.m11) * m.m22 - L(m.m12) * m.m21);
    const L w = L(width), h = L(height);
    if (det != 0) {
        const float q22 = float(m.m22 / L(det)), q21 = float(m.m21 / L(det));
        const float q12 = float(m.m12 / L(det)), q11 = float(m.m11 / L(det));
        return RotatedSize{roundedSize(std::fabs(w * q22) + std::fabs(h * q21)),
                           roundedSize(std::fabs(w * q12) + std::fabs(h * q11))};
    }
    return RotatedSize{roundedSize(std::fabs(m.m11 * w) + std::fabs(m.m21 * h)),
                       roundedSize(std::fabs(m.m12 * w) + std::fabs(m.m22 * h))};
}

Span RowSpan(int64_t width, int64_t height, float x0, float y0, float stepX, float stepY, int64_t n)
{
    if (n <= 0)
        return Span{};
    const Span x = axisSpan(width, x0, stepX, n);
    const Span y = axisSpan(height, y0, stepY, n);
    if (x.empty() || y.empty())
        return Span{};
    return Span{std::max(x.first, y.first), std::min(x.last, y.last)};
}

} // namespace dw
