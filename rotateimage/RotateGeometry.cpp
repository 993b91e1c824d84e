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

} // namespace dw
