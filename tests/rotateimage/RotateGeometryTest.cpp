#include "rotateimage/RotateGeometry.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace dw::test {
namespace {

TEST(RotateGeometry, AnglesFoldIntoOneTurnAndAreKeptAsSingles)
{
    EXPECT_EQ(angleFromTenths(900), float(3.14159265358979324L / 2));
    EXPECT_EQ(angleFromTenths(-900), angleFromTenths(2700));
    EXPECT_EQ(angleFromTenths(3600), 0.0f);
    EXPECT_EQ(angleFromTenths(-3600 * 5 - 1), angleFromTenths(3599));
    EXPECT_EQ(angleFromTenths(std::numeric_limits<int32_t>::min()), angleFromTenths(-2147483648LL % 3600 + 3600));
    EXPECT_EQ(zoomFromPercent(10), 0.25f);
    EXPECT_EQ(zoomFromPercent(1000), 4.0f);
    EXPECT_EQ(zoomFromPercent(250), 2.5f);
}

TEST(RotateGeometry, StoredAngleAndZoomReadBackAsSet)
{
    // Angle −90 is stored as 2700 tenths and reads back as 270 degrees; 365 as 5.
    EXPECT_EQ(tenthsFromAngle(angleFromTenths(-90 % 360 * 10)), 2700);
    EXPECT_EQ(degreesFromAngle(angleFromTenths(-90 % 360 * 10)), 270);
    EXPECT_EQ(degreesFromAngle(angleFromTenths(365 % 360 * 10)), 5);
    EXPECT_EQ(tenthsFromAngle(angleFromTenths(3600)), 0);
    for (int32_t t = 0; t < 3600; ++t)
        ASSERT_EQ(tenthsFromAngle(angleFromTenths(t)), t);
    EXPECT_EQ(percentFromZoom(zoomFromPercent(10)), 25);
    EXPECT_EQ(percentFromZoom(zoomFromPercent(1000)), 400);
    for (int32_t z = 25; z <= 400; ++z)
        ASSERT_EQ(percentFromZoom(zoomFromPercent(z)), z);
}

TEST(RotateGeometry, QuarterTurnMatrixKeepsTheCosineOfTheStoredAngle)
{
    const TRotateMatrix m = matrixFromAngle(angleFromTenths(900), 1.0f);
    // The stored angle is π/2 rounded to single, a little beyond π/2.
    EXPECT_LT(m.m11, 0.0f);
    EXPECT_GT(m.m11, -1e-7f);
    EXPECT_EQ(m.m22, m.m11);
    EXPECT_EQ(m.m12, 1.0f);
    EXPECT_EQ(m.m21, -1.0f);
    const TRotateMatrix z = matrixFromAngle(0, zoomFromPercent(25));
    EXPECT_EQ(z, (TRotateMatrix{4, 0, -0.0f, 4}));
}

TEST(RotateGeometry, DegenerateMatricesAreRecognised)
{
    EXPECT_TRUE(isDegenerateMatrix({1, 2, 2, 4}));
    EXPECT_TRUE(isDegenerateMatrix({0, 0, 1, 1}));
    EXPECT_TRUE(isDegenerateMatrix({1, 1, 0, 0}));
    EXPECT_FALSE(isDegenerateMatrix({1, 0, 0, 1}));
    EXPECT_FALSE(isDegenerateMatrix(matrixFromAngle(angleFromTenths(900), 1)));
}

TEST(RotateGeometry, RotatedSizes)
{
    const struct {
        int tenths, zoom, w, h;
        decltype(RotatedSize::width) width, height;
    } cases[] = {
        {0, 100, 7, 3, 7, 3},
        {900, 100, 4, 2, 2, 4},
        {450, 100, 100, 100, 141, 141},
        {0, 25, 2, 2, 0, 0},   // 2 · 0.25 = 0.5 rounds to even: no pixels
        {0, 250, 2, 1, 5, 2},  // 1 / (0.4 as single) is just below 2.5
        {0, 400, 3, 5, 12, 20},
    };
    for (const auto& c : cases) {
        const RotatedSize size = ComputeRotatedSize(matrixFromAngle(angleFromTenths(c.tenths), zoomFromPercent(c.zoom)), c.w, c.h);
        EXPECT_EQ(std::make_pair(size.width, size.height), std::make_pair(c.width, c.height))
            << c.w << " × " << c.h << " at " << c.tenths << "/10° " << c.zoom << "%";
    }
    // A singular matrix takes the direct products.
    const RotatedSize singular = ComputeRotatedSize({2, 1, 4, 2}, 3, 5);
    EXPECT_EQ(singular.width, 2 * 3 + 4 * 5);
    EXPECT_EQ(singular.height, 1 * 3 + 2 * 5);
}

TEST(RotateGeometry, AbsurdSizesAreFlaggedNotWrapped)
{
    EXPECT_EQ(ComputeRotatedSize({1e-20f, 0, 0, 1e-20f}, 10, 10).width, kUnrepresentableSize);
    // Here the determinant underflows to 0 in single precision: the direct products, no pixels.
    EXPECT_EQ(ComputeRotatedSize({FLT_MIN, 0, 0, FLT_MIN}, 10, 10).width, 0);
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(ComputeRotatedSize({inf, 0, 0, 1}, 10, 10).height, kUnrepresentableSize);
    EXPECT_EQ(ComputeRotatedSize({1e30f, 0, 0, 1e30f}, 10, 10).width, 0);
}

TEST(RotateGeometry, RowSpanIntersectsBothAxesAndASlowAxisIsAllOrNothing)
{
    // The quarter turn's x-step is about −4.4e−8.
    const float slow = matrixFromAngle(angleFromTenths(900), 1).m11;
    const struct {
        const char* what;
        int64_t w, h;
        float x0, y0, sx, sy;
        int64_t n, first, last; // last −1: empty
    } cases[] = {
        {"slow x inside: the whole row", 4, 2, 3.5f, 0.5f, slow, 1.0f, 2, 0, 1},
        {"slow x within 0.1 of the edge", 4, 2, 3.95f, 0.5f, slow, 1.0f, 2, 0, -1},
        {"slow x outside", 4, 2, -0.01f, 0.5f, slow, 1.0f, 2, 0, -1},
        {"the quarter turn's y: [Ceil(−0.4), Floor(1.4)]", 4, 2, 2.0f, 0.5f, 0.0f, 1.0f, 2, 0, 1},
        // x: t in [1.5, 5.5] → [2, 5]; y: t in [−0.2, 5.8] → [0, 5].
        {"both axes", 4, 3, -1.5f, 2.9f, 1.0f, -0.5f, 10, 2, 5},
        {"y outside, not moving", 4, 3, -1.5f, 3.5f, 1.0f, 0.0f, 10, 0, -1},
        // x: the whole row; y: t in [1.5, 4.5] → [2, 4].
        {"y decides both ends", 10, 3, 0.5f, -1.5f, 0.5f, 1.0f, 10, 2, 4},
    };
    for (const auto& c : cases) {
        const Span s = RowSpan(c.w, c.h, c.x0, c.y0, c.sx, c.sy, c.n);
        if (c.last < 0) {
            EXPECT_TRUE(s.empty()) << c.what;
            continue;
        }
        EXPECT_EQ(std::make_pair(s.first, s.last), std::make_pair(c.first, c.last)) << c.what;
    }
}

TEST(RotateGeometry, RowSpanIsTheCeilingAndFloorOfItsMarginsInExtendedPrecision)
{
    // The span as ⌈t_min + 0.1⌉ .. ⌊t_max − 0.1⌋ with the extended routines, kept in the row,
    // against RowSpan's own way to the same numbers, over many rows of many turns.
    auto reference = [](int64_t s, float p, float q, int64_t n) {
        const float t1 = float((0 - static_cast<long double>(p)) / q);
        const float t2 = float((s - static_cast<long double>(p)) / q);
        const long double first = std::ceil(std::min(t1, t2) + 0.1L);
        const long double last = std::floor(std::max(t1, t2) - 0.1L);
        Span span;
        span.first = first <= 0 ? 0 : first >= n ? n : static_cast<int64_t>(first);
        span.last = last < 0 ? -1 : last >= n - 1 ? n - 1 : static_cast<int64_t>(last);
        return span;
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<float> position(-3000, 3000);
    std::uniform_real_distribution<float> step(-2, 2);
    std::uniform_int_distribution<int64_t> size(1, 2000);
    for (int i = 0; i < 200000; ++i) {
        const int64_t s = size(random), n = size(random);
        // Whole and half positions as well, where the margins decide.
        const float p = i % 3 == 0 ? float(int(position(random))) : i % 3 == 1 ? float(int(position(random))) + 0.5f : position(random);
        float q = step(random);
        if (std::fabs(q) <= 0.0001f)
            q = 0.5f;
        const Span expected = reference(s, p, q, n);
        // The other axis still (y 0.5 of a source 1 high): the whole row, so the span is x's.
        const Span x = RowSpan(s, 1, p, 0.5f, q, 0.0f, n);
        if (expected.empty()) {
            ASSERT_TRUE(x.empty()) << s << " " << p << " " << q << " " << n;
            continue;
        }
        ASSERT_EQ(x.first, expected.first) << s << " " << p << " " << q << " " << n;
        ASSERT_EQ(x.last, expected.last) << s << " " << p << " " << q << " " << n;
    }
}

TEST(RotateGeometry, RowSetUpInDoubleIsTheExtendedArithmeticBitForBit)
{
    // float(start + step · k) and the fixed-point (start + step · k) · 65536, rounded and held
    // within ±2^60, against the extended expressions they stand for: on the rows of turned
    // pictures, on any bit patterns, and a hair from halfway between two singles (where the double
    // sum lands on the halfway point and the extended one beside it).
    using L = long double;
    const L limit = 1152921504606846976.0L;
    auto check = [&](float start, float step, int64_t k) {
        const float expected = float(L(start) + L(step) * k);
        const float single = rotate_detail::stepsToSingle(start, step, k);
        if (!std::isnan(expected)) {
            ASSERT_EQ(std::memcmp(&single, &expected, sizeof single), 0) << start << " " << step << " " << k;
        }
        const L v = (L(start) + L(k) * step) * 65536;
        int64_t fixed = 0;
        ASSERT_EQ(rotate_detail::fixedPointSteps(start, step, k, limit, fixed), bool(std::isfinite(v)));
        if (std::isfinite(v)) {
            ASSERT_EQ(fixed, std::llrint(std::clamp(v, -limit, limit))) << start << " " << step << " " << k;
        }
    };
    std::mt19937_64 random(28);
    for (int tenths = 0; tenths < 3600; tenths += 7) {
        const TRotateMatrix m = matrixFromAngle(angleFromTenths(tenths), zoomFromPercent(25 + tenths % 376));
        const float cx = float(random() % 20000) / 8 - 1000, cy = float(random() % 20000) / 8 - 1000;
        for (int64_t j = 0; j < 300; ++j) {
            check(cx, m.m21, j);
            check(cy, m.m22, j);
            check(rotate_detail::stepsToSingle(cx, m.m21, j), m.m11, j * 3);
        }
    }
    for (int i = 0; i < 200000; ++i) {
        const uint32_t a = uint32_t(random()), b = uint32_t(random());
        float start, step;
        std::memcpy(&start, &a, 4);
        std::memcpy(&step, &b, 4);
        check(start, step, int64_t(random() % (uint64_t(1) << 29)) * (i & 1 ? 1 : -1));
    }
    int nearHalfway = 0;
    while (nearHalfway < 20000) {
        const int64_t k = (int64_t(1) << 28) + int64_t(random() % (uint64_t(1) << 28));
        const int e = int(random() % 40) - 20;
        const float step = float(std::ldexp(1.0, e - 24) / double(k));
        const double delta = double(step) * double(k) - std::ldexp(1.0, e - 24);
        if (delta == 0 || std::fabs(delta) >= std::ldexp(1.0, e - 54))
            continue;
        ++nearHalfway;
        const float start = float(std::ldexp(1.0 + double(2 * (random() % (1u << 22)) + 1) * 0x1p-23, e));
        check(start, step, k);
        check(-start, -step, k);
    }
}

TEST(RotateGeometry, RowSpanNeverLeavesTheRow)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {0.0f, -0.0f, 1e-30f, -1e-30f, 1e-4f, -1.0001e-4f, 0.5f, -3.0f, 7.9f, 1e6f,
                            -1e6f, 1e30f, -1e30f, FLT_MAX, -FLT_MAX, FLT_MIN, inf, -inf};
    for (float x0 : values)
        for (float y0 : values)
            for (float sx : values)
                for (float sy : values)
                    for (int64_t n : {1, 7, 1000}) {
                        const Span s = RowSpan(8, 8, x0, y0, sx, sy, n);
                        if (!s.empty()) {
                            ASSERT_GE(s.first, 0) << x0 << " " << y0 << " " << sx << " " << sy;
                            ASSERT_LE(s.last, n - 1) << x0 << " " << y0 << " " << sx << " " << sy;
                        }
                    }
    EXPECT_TRUE(RowSpan(8, 8, 1, 1, 1, 1, 0).empty());
    EXPECT_TRUE(RowSpan(8, 8, std::nanf(""), 1, 1, 1, 5).empty());
}

} // namespace
} // namespace dw::test
