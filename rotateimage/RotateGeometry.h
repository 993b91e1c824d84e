#pragma once

// The geometry of a turned image: the matrix from angle and zoom, the rendered size and the
// span of a rendered row that samples inside the source.
//
// The engine's arithmetic is that of a compiler evaluating every expression in 80-bit extended
// precision: expressions are computed in long double (extended on x86-64) and rounded to
// single only where a value is kept in a single-precision variable; Round is round to nearest
// with ties to even (nearbyint in the default rounding mode).

#include <cstdint>

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

// The columns of a rendered row of n pixels whose sample point lies at least a tenth of a pixel
// inside the W × H source; the row starts sampling at (x0, y0) and moves by (stepX, stepY) per
// pixel. Empty when last < first. The span is always inside 0 .. n−1, whatever the values.
struct Span {
    int64_t first = 0;
    int64_t last = -1;
    bool empty() const { return last < first; }
};
Span RowSpan(int64_t width, int64_t height, float x0, float y0, float stepX, float stepY, int64_t n);

} // namespace dw
