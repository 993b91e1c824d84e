#include "HoleSuggestion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace dw {

namespace {

// Squared distances from every pixel to the nearest see-through one, on the picture with a
// one-pixel see-through border around it (so that the picture's edge bounds the shape). The
// exact Euclidean transform of Felzenszwalb and Huttenlocher: the distance along each column,
// then the lower envelope of parabolas along each row. With the border every value is at most
// 2 · (the smaller side / 2 + 1)², which for a picture of up to 16384 pixels a side (the
// largest the engine decodes) fits 32 bits.
class DepthMap {
public:
    DepthMap(const QImage& picture) : m_w(int64_t(picture.width()) + 2), m_h(int64_t(picture.height()) + 2)
    {
        m_depth.assign(size_t(m_w * m_h), 0);
        const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < argb.width(); ++x)
                if (qAlpha(row[x]) != 0) {
                    at(x + 1, y + 1) = 1; // opaque, distance still to come
                    m_opaque = true;
                }
        }
        if (!m_opaque)
            return;
        columns();
        rows();
    }

    bool anyOpaque() const { return m_opaque; }
    // The squared depth of picture pixel (x, y).
    uint32_t depth(int64_t x, int64_t y) const { return m_depth[size_t((y + 1) * m_w + x + 1)]; }
    // Whether picture pixel (x, y) is opaque; everything outside the picture is see-through.
    bool opaque(int64_t x, int64_t y) const
    {
        return x >= 0 && y >= 0 && x < m_w - 2 && y < m_h - 2 && depth(x, y) != 0;
    }

private:
    uint32_t& at(int64_t x, int64_t y) { return m_depth[size_t(y * m_w + x)]; }

    // The distance to the nearest see-through pixel of the same column, squared: two sweeps.
    void columns()
    {
        std::vector<int64_t> up(static_cast<size_t>(m_h));
        for (int64_t x = 0; x < m_w; ++x) {
            int64_t last = -1; // the border row above is see-through
            for (int64_t y = 0; y < m_h; ++y) {
                if (at(x, y) == 0)
                    last = y;
                up[size_t(y)] = y - last;
            }
            last = m_h; // and the one below
            for (int64_t y = m_h - 1; y >= 0; --y) {
                if (at(x, y) == 0)
                    last = y;
                const int64_t d = std::min(up[size_t(y)], last - y);
                at(x, y) = uint32_t(d * d);
            }
        }
    }

    // Along each row: min over p of (q − p)² + column(p), the lower envelope of the parabolas.
    void rows()
    {
        const size_t n = size_t(m_w);
        std::vector<int64_t> f(n), vertex(n);
        std::vector<double> bound(n + 1);
        for (int64_t y = 0; y < m_h; ++y) {
            for (size_t x = 0; x < n; ++x)
                f[x] = at(int64_t(x), y);
            size_t k = 0;
            vertex[0] = 0;
            bound[0] = -std::numeric_limits<double>::infinity();
            bound[1] = std::numeric_limits<double>::infinity();
            auto meet = [&](int64_t q, int64_t p) {
                return double((f[size_t(q)] + q * q) - (f[size_t(p)] + p * p)) / double(2 * q - 2 * p);
            };
            for (int64_t q = 1; q < m_w; ++q) {
                double s = meet(q, vertex[k]);
                while (s <= bound[k]) {
                    --k;
                    s = meet(q, vertex[k]);
                }
                ++k;
                vertex[k] = q;
                bound[k] = s;
                bound[k + 1] = std::numeric_limits<double>::infinity();
            }
            k = 0;
            for (int64_t q = 0; q < m_w; ++q) {
                while (bound[k + 1] < double(q))
                    ++k;
                const int64_t p = vertex[k];
                at(q, y) = uint32_t((q - p) * (q - p) + f[size_t(p)]);
            }
        }
    }

    int64_t m_w, m_h;
    std::vector<uint32_t> m_depth;
    bool m_opaque = false;
};

// The lower end of the long axis of the opaque pixels: the principal axis of their spread
// (vertical when they spread alike every way), followed from their centroid downwards (to the
// right when it lies level) to the furthest opaque pixel along it.
QPointF lowerAxisEnd(const QImage& picture, const DepthMap& depths)
{
    double n = 0, sx = 0, sy = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (depths.depth(x, y)) {
                n += 1;
                sx += x;
                sy += y;
            }
    const double cx = sx / n, cy = sy / n;
    double xx = 0, yy = 0, xy = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (depths.depth(x, y)) {
                xx += (x - cx) * (x - cx);
                yy += (y - cy) * (y - cy);
                xy += (x - cx) * (y - cy);
            }
    double dx = 0, dy = 1;
    const double spread = std::max(xx, yy);
    if (std::fabs(xy) > 1e-9 * spread) {
        const double largest = (xx + yy) / 2 + std::sqrt((xx - yy) * (xx - yy) / 4 + xy * xy);
        dx = xy;
        dy = largest - xx;
        const double length = std::hypot(dx, dy);
        dx /= length;
        dy /= length;
    } else if (xx > yy) {
        dx = 1;
        dy = 0;
    }
    if (dy < 0 || (dy == 0 && dx < 0)) {
        dx = -dx;
        dy = -dy;
    }
    double reach = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (depths.depth(x, y))
                reach = std::max(reach, (x - cx) * dx + (y - cy) * dy);
    return {cx + reach * dx, cy + reach * dy};
}

// Points to half a pixel, in doubled coordinates (a pixel's centre is even in both, a corner
// between pixels odd in both). A point lies inside the shape when every pixel it touches is
// opaque; its depth is its squared distance to the nearest see-through pixel centre, in quarter
// pixels, exact in integers.
bool insideShape(QPoint c, const DepthMap& depths)
{
    const int64_t x0 = c.x() >> 1, y0 = c.y() >> 1;
    const int64_t x1 = (c.x() + 1) >> 1, y1 = (c.y() + 1) >> 1;
    return depths.opaque(x0, y0) && depths.opaque(x1, y0) && depths.opaque(x0, y1) && depths.opaque(x1, y1);
}

int64_t halfDepth(QPoint c, const DepthMap& depths)
{
    // Square rings of pixels around the point, outwards, until a ring lies further than the
    // nearest see-through pixel found (everything outside the picture is see-through, so the
    // search ends at the picture's border at the latest).
    const int64_t bx = c.x() >> 1, by = c.y() >> 1;
    int64_t best = std::numeric_limits<int64_t>::max();
    for (int64_t k = 0;; ++k) {
        const int64_t least = 2 * (k - 1);
        if (k > 1 && least * least > best)
            return best;
        for (int64_t y = by - k; y <= by + k; ++y)
            for (int64_t x = bx - k; x <= bx + k; ++x) {
                if (y != by - k && y != by + k && x != bx - k && x != bx + k)
                    continue; // inside the ring, seen before
                if (depths.opaque(x, y))
                    continue;
                const int64_t dx = 2 * x - c.x(), dy = 2 * y - c.y();
                best = std::min(best, dx * dx + dy * dy);
            }
    }
}

// From `start` (doubled), to a deeper point within a pixel and a half as long as there is one;
// of points as deep, towards `end`. Rows run downwards and columns rightwards, so of points as
// deep and as near the later, lower or right one is taken. Returns the point and its depth.
std::pair<QPoint, int64_t> climb(QPoint start, QPointF end, const DepthMap& depths)
{
    const auto distance = [&](QPoint c) {
        return (c.x() / 2.0 - end.x()) * (c.x() / 2.0 - end.x()) + (c.y() / 2.0 - end.y()) * (c.y() / 2.0 - end.y());
    };
    QPoint at = start;
    int64_t depth = halfDepth(at, depths);
    for (;;) {
        QPoint best = at;
        int64_t bestDepth = depth;
        double bestDistance = distance(at);
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const QPoint c(at.x() + dx, at.y() + dy);
                if (c == at || !insideShape(c, depths))
                    continue;
                const int64_t d = halfDepth(c, depths);
                const double dist = distance(c);
                if (d > bestDepth || (d == bestDepth && dist <= bestDistance && (best != at || dist < bestDistance))) {
                    best = c;
                    bestDepth = d;
                    bestDistance = dist;
                }
            }
        // Each step is deeper, or as deep and nearer the end: the climb ends.
        if (best == at)
            return {at, depth};
        at = best;
        depth = bestDepth;
    }
}

} // namespace

std::optional<QPoint> suggestRotationHole(const QImage& hand)
{
    if (hand.isNull())
        return std::nullopt;
    const DepthMap depths(hand);
    if (!depths.anyOpaque())
        return std::nullopt;

    uint32_t deepest = 0;
    for (int y = 0; y < hand.height(); ++y)
        for (int x = 0; x < hand.width(); ++x)
            deepest = std::max(deepest, depths.depth(x, y));
    // Within one pixel of the deepest radius: r ≥ R − 1, compared squared (R ≥ 1 always).
    const double least = std::sqrt(double(deepest)) - 1;
    const double leastSquared = least * least - 1e-9;

    const QPointF end = lowerAxisEnd(hand, depths);
    std::optional<QPoint> best;
    double bestDistance = 0;
    uint32_t bestDepth = 0;
    for (int y = 0; y < hand.height(); ++y)
        for (int x = 0; x < hand.width(); ++x) {
            const uint32_t d = depths.depth(x, y);
            if (d == 0 || double(d) < leastSquared)
                continue;
            const double distance = (x - end.x()) * (x - end.x()) + (y - end.y()) * (y - end.y());
            // Nearest the end; of equally near points the deeper one, then the first in rows.
            if (!best || distance < bestDistance || (distance == bestDistance && d > bestDepth)) {
                best = QPoint(x, y);
                bestDistance = distance;
                bestDepth = d;
            }
        }
    // That point lies near the hub's centre but, being the tie nearest the lower end, mostly
    // below it; a hub little broader than the bar (a radius of 2 or 3 pixels) may even leave it
    // on the bar. The centre itself is the deepest point to half a pixel (for a hub of even size
    // the corner between its four middle pixels): climbed to from that point, and from the
    // deepest pixel of all, which wins when it is half a pixel deeper.
    std::optional<QPoint> deepestPixel;
    for (int y = 0; y < hand.height() && !deepestPixel; ++y)
        for (int x = 0; x < hand.width(); ++x)
            if (depths.depth(x, y) == deepest) {
                deepestPixel = QPoint(x, y);
                break;
            }
    auto [centre, depth] = climb(2 * *best, end, depths);
    const auto [other, otherDepth] = climb(2 * *deepestPixel, end, depths);
    if (std::sqrt(double(otherDepth)) - std::sqrt(double(depth)) >= 1.0) // doubled units: half a pixel
        centre = other;
    // Doubled coordinates back to pixels, a corner to the pixel right of it and below it: the
    // middle of an even-sized hub is taken as the middle of an even-sized picture is, at its
    // size div 2 from its first pixel.
    const auto pixel = [](int doubled, int size) { return std::clamp((doubled + 1) >> 1, 0, size - 1); };
    return QPoint(pixel(centre.x(), hand.width()), pixel(centre.y(), hand.height()));
}

} // namespace dw
