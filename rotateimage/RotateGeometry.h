#pragma once

// The geometry of a turned image: the matrix from angle and zoom, the rendered size and the
// span of a rendered row that samples inside the source.
//
// The engine's arithmetic is that of a compiler evaluating every expression in 80-bit extended
// precision: expressions are computed in long double (extended on x86-64) and rounded to
// single only where a value is kept in a single-precision variable; Round is round to nearest
// with ties to even (nearbyint in the default rounding mode).

#include "platform/CpuFeatures.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace dw {

// π as the engine's extended-precision constant.
constexpr long double kEnginePi = 3.14159265358979324L;

// Destination-to-source mapping: a step of one pixel to the right in the rendered image moves
// the sample point by (m11, m12) in the source, a step of one stored row (upwards) by
// (m21, m22). Both images are addressed in stored row order (row 0 at the bottom).
struct TRotateMatrix {
    float m11 = 1, m12 = 0, m21 = 0, m22 = 1;
    friend bool operator==(const TRotateMatrix&, const TRotateMatrix&) = default;
};

// Tenths of a degree (any sign or size) folded into 0..3599 and turned into the stored angle in
// radians: r · π / 1800 rounded to single.
float angleFromTenths(int32_t tenths);
// Percent clamped to 25..400, as the stored single-precision zoom factor.
float zoomFromPercent(int32_t percent);
// The stored angle read back: Round(angle · 1800 / π) tenths, Round(angle · 180 / π) degrees.
int32_t tenthsFromAngle(float angle);
int32_t degreesFromAngle(float angle);
// The stored zoom read back: Round(zoom · 100).
int32_t percentFromZoom(float zoom);

// The matrix of a clockwise turn by `angle` radians with zoom factor `zoom`: with c and s the
// cosine and sine of the angle in extended precision, (c/zoom, s/zoom, −s/zoom, c/zoom), each
// rounded to single.
TRotateMatrix matrixFromAngle(float angle, float zoom);

// Whether a matrix can't be used: m11·m22 = m12·m21, or a zero row or column pair
// (m11 = m12 = 0, m21 = m22 = 0). Such a matrix is ignored and the previous one stays.
bool isDegenerateMatrix(const TRotateMatrix& m);

// Size of the rendered image: the bounding box of the W × H source under the inverse matrix.
// Sizes that don't fit (huge, infinite or undefined) come back as kUnrepresentableSize, which
// every limit refuses.
struct RotatedSize {
    int64_t width = 0;
    int64_t height = 0;
};
constexpr int64_t kUnrepresentableSize = int64_t(1) << 40;
RotatedSize ComputeRotatedSize(const TRotateMatrix& m, int64_t width, int64_t height);

// Columns first .. last of a rendered row; empty when last < first.
struct Span {
    int64_t first = 0;
    int64_t last = -1;
    bool empty() const { return last < first; }
};

namespace rotate_detail {

// An extended value rounded to the nearest integer, ties to even, as the floating-point unit
// converts in the default rounding mode: the x87 instruction inline, sparing the library call and
// the switches to truncation and back that a cast makes (these run a few times a rendered row).
// The value must fit in 64 bits.
inline int64_t nearestInteger(long double v)
{
#if DW_X86
    int64_t r;
    __asm__("fistpll %0" : "=m"(r) : "t"(v) : "st");
    return r;
#else
    return std::llrint(v);
#endif
}

// The row set-up's arithmetic in double precision, bit for bit what the extended arithmetic
// gives, with the extended one where that is not shown: it stays in the vector registers, where
// the extended one moves every value between them and the x87 unit (the set-up was a third of a
// turned hand's rendering). Every value is one rounded operation on exactly held operands, and
// such a result r in double rounds to the same single as in extended unless r lies exactly
// halfway between two singles: a halfway point is a double, so were the exact result and r on
// either side of one, r would not be the nearest double; and were the extended result halfway,
// so would r be. Outside single's normal range the extended arithmetic decides.
inline bool mayRoundToAnotherSingle(double r)
{
    const uint64_t bits = std::bit_cast<uint64_t>(r);
    const int exponent = int(bits >> 52 & 0x7FF) - 1023;
    if (exponent < -126 || exponent > 127)
        return r != 0;
    return (bits & 0x1FFFFFFF) == 0x10000000; // the 29 bits below single's last one: exactly half
}

// a − b, and whether it is exact (Knuth's two-sum: the error of the rounded difference, exactly).
inline bool exactDifference(double a, double b, double& difference)
{
    difference = a - b;
    const double bv = a - difference;
    const double av = difference + bv;
    return (a - av) - (b - bv) == 0;
}

// float(start + step · k) in extended, for |k| < 2^29 (the product of a single and k is exact
// in double).
inline float stepsToSingle(float start, float step, int64_t k)
{
    const double r = double(start) + double(step) * double(k);
    if (!mayRoundToAnotherSingle(r))
        return float(r);
    return float(static_cast<long double>(start) + static_cast<long double>(step) * k);
}

// (start + step · k) · 65536 in extended, rounded to the nearest integer (ties to even) and held
// within ±limit (a whole number below 2^63), for |k| < 2^29; false when it is not finite.
inline bool fixedPointSteps(float start, float step, int64_t k, long double limit, int64_t& out)
{
    double sum;
    if (std::isfinite(start) && exactDifference(double(start), -double(step) * double(k), sum)) {
        // Held exactly in both precisions, and so is its 65536-fold.
        const double v = std::clamp(sum * 65536, -double(limit), double(limit));
#if defined(__x86_64__)
        out = _mm_cvtsd_si64(_mm_set_sd(v)); // in the default rounding mode
#else
        out = std::llrint(v);
#endif
        return true;
    }
    const long double v = (static_cast<long double>(start) + static_cast<long double>(k) * step) * 65536;
    if (!std::isfinite(v))
        return false;
    out = nearestInteger(std::clamp(v, -limit, limit));
    return true;
}

// The span along one axis: size s, start p, step q, row length n (below 2^29).
inline Span axisSpan(int64_t s, float p, float q, int64_t n)
{
    if (!std::isfinite(p) || !std::isfinite(q))
        return Span{};
    // No single lies between 0.0001 in double and in extended: the comparison stays in double.
    if (std::fabs(q) <= 0.0001) {
        // The sample point hardly moves along the row: all of it or none of it.
        if (0 <= p && p < s - 0.1L)
            return Span{0, n - 1};
        return Span{};
    }
    // The two crossings t1 = (0 − p) / q and t2 = (s − p) / q rounded to extended, then to
    // single. A quotient of two singles needs no care (extended carries more than twice single's
    // precision plus two bits, so its first rounding never moves the quotient across a point
    // where the second one turns): the single division gives it. For t2, s − p when that
    // is exact.
    const float t1 = (0.0f - p) / q;
    float t2;
    double difference;
    if (exactDifference(double(s), double(p), difference) && !mayRoundToAnotherSingle(difference / q))
        t2 = float(difference / q);
    else
        t2 = float((s - static_cast<long double>(p)) / q);
    // first = ⌈min + 0.1⌉ and last = ⌊max − 0.1⌋ in extended precision, kept inside the row
    // whatever the matrix (a write never leaves row j). In double they are the same: t + 0.1 is
    // at least a fifth of t's last place from any whole number (2^a / 10 is a fifth or more from
    // one), far more than either precision's error; beyond 2^52 (only in double, t + 0.1 = t)
    // they lie beyond the row either way. The row's ends are compared first and only values
    // inside the row converted, where truncation is the floor.
    const double from = double(std::min(t1, t2)) + 0.1;
    const double to = double(std::max(t1, t2)) - 0.1;
    Span span;
    if (from <= 0) {
        span.first = 0;
    } else if (from > double(n - 1)) {
        span.first = n; // ⌈from⌉ ≥ n, infinities included
    } else {
        span.first = static_cast<int64_t>(from);
        if (double(span.first) < from)
            ++span.first;
    }
    if (to < 0)
        span.last = -1;
    else if (to >= double(n - 1))
        span.last = n - 1;
    else
        span.last = static_cast<int64_t>(to);
    return span;
}

} // namespace rotate_detail

// The columns of a rendered row of n pixels whose sample point lies at least a tenth of a pixel
// inside the W × H source; the row starts sampling at (x0, y0) and moves by (stepX, stepY) per
// pixel. The span is always inside 0 .. n−1, whatever the values. Inline: it runs once a
// rendered row, and its set-up is a good part of the row's.
inline Span RowSpan(int64_t width, int64_t height, float x0, float y0, float stepX, float stepY, int64_t n)
{
    if (n <= 0)
        return Span{};
    const Span x = rotate_detail::axisSpan(width, x0, stepX, n);
    const Span y = rotate_detail::axisSpan(height, y0, stepY, n);
    if (x.empty() || y.empty())
        return Span{};
    return Span{std::max(x.first, y.first), std::min(x.last, y.last)};
}

} // namespace dw
