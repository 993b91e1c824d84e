#include "RegionBands.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace dw::bands {

namespace {

// Products of squared 28-bit sizes need more than 64 bits.
__extension__ typedef __int128 int128;

// Floor and ceiling of a / 2 for any sign.
int64_t floorHalf(int64_t a) { return a >= 0 ? a / 2 : -((-a + 1) / 2); }
int64_t ceilHalf(int64_t a) { return -floorHalf(-a); }

} // namespace

void roundRectRow(int64_t l, int64_t t, int64_t r, int64_t b, int64_t rx, int64_t ry, int64_t y, int64_t& first,
                  int64_t& last)
{
    // Doubled coordinates keep every pixel centre and every ellipse centre integral: pixel
    // (x, y) has its centre at (2x + 1, 2y + 1); the corner ellipses, with semi-axes rx and
    // ry in doubled units, are centred at x = 2l + rx and 2r − rx, y = 2t + ry and 2b − ry.
    const int64_t cxLeft = 2 * l + rx, cxRight = 2 * r - rx;
    const int64_t cyTop = 2 * t + ry, cyBottom = 2 * b - ry;
    const int64_t py = 2 * y + 1;
    const int64_t dy = std::max<int64_t>({0, cyTop - py, py - cyBottom});
    first = l;
    last = r;
    if (dy == 0)
        return;
    // The largest d with d²·ry² ≤ rx²·(ry² − dy²): pixel centres within d of an ellipse
    // centre's column are inside.
    const int128 ry2 = int128(ry) * ry;
    const int128 rhs = int128(rx) * rx * (ry2 - int128(dy) * dy);
    const long double ratio = 1.0L - (long double)(dy) * dy / ((long double)(ry) * ry);
    int64_t d = int64_t(std::sqrt(std::max(0.0L, ratio)) * (long double)(rx));
    while (d > 0 && int128(d) * d * ry2 > rhs)
        --d;
    while (int128(d + 1) * (d + 1) * ry2 <= rhs)
        ++d;
    first = ceilHalf(cxLeft - d - 1);
    last = floorHalf(cxRight + d - 1) + 1;
}

void BandBuilder::beginBand(int32_t top, int32_t bottom)
{
    m_bandStart = m_rects.size();
    m_top = top;
    m_bottom = bottom;
}

void BandBuilder::addSpan(int32_t left, int32_t right)
{
    if (right <= left || m_bottom <= m_top || m_overflowed)
        return;
    // Qt rectangles hold their last column: touching means left == right() + 1.
    if (m_rects.size() > m_bandStart && left <= m_rects.back().right() + 1) {
        if (right - 1 > m_rects.back().right())
            m_rects.back().setRight(right - 1);
        return;
    }
    m_rects.push_back(QRect(QPoint(left, m_top), QPoint(right - 1, m_bottom - 1)));
}

void BandBuilder::endBand()
{
    const size_t count = m_rects.size() - m_bandStart;
    const size_t prevCount = m_bandStart - m_prevStart;
    if (count == 0)
        return;
    // Coalesce with the band above when it touches and has the same spans.
    if (prevCount == count && m_rects[m_prevStart].bottom() + 1 == m_top) {
        bool same = true;
        for (size_t i = 0; i < count && same; ++i) {
            const QRect& a = m_rects[m_prevStart + i];
            const QRect& b = m_rects[m_bandStart + i];
            same = a.left() == b.left() && a.right() == b.right();
        }
        if (same) {
            for (size_t i = 0; i < count; ++i)
                m_rects[m_prevStart + i].setBottom(m_bottom - 1);
            m_rects.resize(m_bandStart);
            return;
        }
    }
    m_prevStart = m_bandStart;
    m_bandStart = m_rects.size();
    // Checked once the band is whole: it may still join the band before. It holds at most as many
    // spans as there are rectangles, so the builder never holds more than that beyond its limit.
    if (m_rects.size() > m_maxRects)
        m_overflowed = true;
}

std::vector<TRect> BandBuilder::rects() const
{
    std::vector<TRect> out;
    out.reserve(m_rects.size());
    for (const QRect& r : m_rects)
        out.push_back(TRect::fromQRect(r));
    return out;
}

QRegion BandBuilder::toQRegion() const
{
    QRegion region;
    if (!m_rects.empty())
        region.setRects(m_rects.data(), int(m_rects.size()));
    return region;
}

namespace {

// True when the rectangles are already rows of runs: sorted by top, then left; all of one
// top share their bottom; runs of a row do not overlap; a row starts at or below the bottom
// of the one before.
bool isBanded(const std::vector<TRect>& rects)
{
    for (size_t i = 1; i < rects.size(); ++i) {
        const TRect& a = rects[i - 1];
        const TRect& b = rects[i];
        if (b.Top == a.Top) {
            if (b.Bottom != a.Bottom || b.Left < a.Right)
                return false;
        } else if (b.Top < a.Bottom) {
            return false;
        }
    }
    return true;
}

void buildBanded(const std::vector<TRect>& rects, BandBuilder& out)
{
    size_t i = 0;
    while (i < rects.size() && !out.overflowed()) {
        const int32_t top = rects[i].Top;
        out.beginBand(top, rects[i].Bottom);
        for (; i < rects.size() && rects[i].Top == top; ++i)
            out.addSpan(rects[i].Left, rects[i].Right);
        out.endBand();
    }
}

// The x-extent covered by a set of intervals over the sorted distinct x edges, each held as a
// count of the intervals that cover a node whole (a segment tree; node ids (lo + hi) | (lo != hi)
// for the inclusive range [lo, hi] of elementary intervals, 2·m nodes in all). Adding or taking
// an interval costs O(log m) and says whether the covered set changed; the covered runs come out
// in O(k log m) for k runs.
class Coverage {
public:
    explicit Coverage(std::vector<int32_t> xs) : m_xs(std::move(xs)), m_nodes(2 * m_xs.size()) {}

    // Adds (delta 1) or takes (−1) the interval [left, right); true when the covered set changed.
    bool update(int32_t left, int32_t right, int delta)
    {
        const int32_t a = indexOf(left), b = indexOf(right) - 1;
        bool changed = false;
        update(0, elementaryCount() - 1, a, b, delta, changed);
        return changed;
    }

    // The covered runs from left to right, touching runs joined.
    void runs(std::vector<std::pair<int32_t, int32_t>>& out) const
    {
        out.clear();
        if (elementaryCount() > 0)
            collect(0, elementaryCount() - 1, out);
    }

private:
    struct Node {
        int32_t count = 0;   // intervals covering the node's whole range (and no ancestor's)
        int32_t covered = 0; // elementary intervals of the range that are covered
    };

    int32_t elementaryCount() const { return int32_t(m_xs.size()) - 1; }
    int32_t indexOf(int32_t x) const { return int32_t(std::lower_bound(m_xs.begin(), m_xs.end(), x) - m_xs.begin()); }
    static size_t id(int32_t lo, int32_t hi) { return size_t(lo + hi) | size_t(lo != hi); }

    void settle(int32_t lo, int32_t hi)
    {
        Node& n = m_nodes[id(lo, hi)];
        if (n.count > 0)
            n.covered = hi - lo + 1;
        else if (lo == hi)
            n.covered = 0;
        else {
            const int32_t mid = lo + (hi - lo) / 2;
            n.covered = m_nodes[id(lo, mid)].covered + m_nodes[id(mid + 1, hi)].covered;
        }
    }

    void update(int32_t lo, int32_t hi, int32_t a, int32_t b, int delta, bool& changed)
    {
        if (b < lo || hi < a)
            return;
        if (a <= lo && hi <= b) {
            Node& n = m_nodes[id(lo, hi)];
            const int32_t whole = hi - lo + 1;
            // Added over a part not yet covered, or taken leaving a part uncovered: the covered
            // set changed. Otherwise other intervals cover all of the node's range.
            if (delta > 0 && n.covered < whole)
                changed = true;
            n.count += delta;
            settle(lo, hi);
            if (delta < 0 && n.covered < whole)
                changed = true;
            return;
        }
        const int32_t mid = lo + (hi - lo) / 2;
        update(lo, mid, a, b, delta, changed);
        update(mid + 1, hi, a, b, delta, changed);
        settle(lo, hi);
    }

    void collect(int32_t lo, int32_t hi, std::vector<std::pair<int32_t, int32_t>>& out) const
    {
        const Node& n = m_nodes[id(lo, hi)];
        if (n.covered == 0)
            return;
        if (n.covered == hi - lo + 1) {
            const int32_t left = m_xs[size_t(lo)], right = m_xs[size_t(hi) + 1];
            if (!out.empty() && out.back().second == left)
                out.back().second = right;
            else
                out.emplace_back(left, right);
            return;
        }
        const int32_t mid = lo + (hi - lo) / 2;
        collect(lo, mid, out);
        collect(mid + 1, hi, out);
    }

    std::vector<int32_t> m_xs;
    std::vector<Node> m_nodes;
};

// Any rectangles: a sweep down the distinct top and bottom edges that keeps the covered
// x-extent in a Coverage. A band ends only where the covered set changes, so each band is
// written once and the work is O(n log n) for n rectangles plus O(log n) for each rectangle
// written; the builder's limit stops it (overlapping rectangles can make some n²/4).
void buildSwept(const std::vector<TRect>& rects, BandBuilder& out)
{
    std::vector<int32_t> xs;
    xs.reserve(rects.size() * 2);
    for (const TRect& r : rects) {
        xs.push_back(r.Left);
        xs.push_back(r.Right);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    Coverage coverage(std::move(xs));

    std::vector<uint32_t> byTop(rects.size()), byBottom(rects.size());
    std::iota(byTop.begin(), byTop.end(), uint32_t(0));
    std::iota(byBottom.begin(), byBottom.end(), uint32_t(0));
    std::sort(byTop.begin(), byTop.end(), [&](uint32_t a, uint32_t b) { return rects[a].Top < rects[b].Top; });
    std::sort(byBottom.begin(), byBottom.end(), [&](uint32_t a, uint32_t b) { return rects[a].Bottom < rects[b].Bottom; });

    std::vector<std::pair<int32_t, int32_t>> spans; // the covered runs since bandTop
    int32_t bandTop = 0;
    size_t nextTop = 0, nextBottom = 0;
    while (nextBottom < byBottom.size() && !out.overflowed()) {
        const int32_t y = nextTop < byTop.size() ? std::min(rects[byTop[nextTop]].Top, rects[byBottom[nextBottom]].Bottom)
                                                 : rects[byBottom[nextBottom]].Bottom;
        // Those starting here go in before those ending here leave, so that a rectangle followed
        // by one that continues it changes nothing.
        bool changed = false;
        for (; nextTop < byTop.size() && rects[byTop[nextTop]].Top == y; ++nextTop)
            changed |= coverage.update(rects[byTop[nextTop]].Left, rects[byTop[nextTop]].Right, 1);
        for (; nextBottom < byBottom.size() && rects[byBottom[nextBottom]].Bottom == y; ++nextBottom)
            changed |= coverage.update(rects[byBottom[nextBottom]].Left, rects[byBottom[nextBottom]].Right, -1);
        if (!changed)
            continue;
        if (!spans.empty()) {
            out.beginBand(bandTop, y);
            for (const auto& [l, r] : spans)
                out.addSpan(l, r);
            out.endBand();
        }
        coverage.runs(spans);
        bandTop = y;
    }
}

} // namespace

void build(const std::vector<TRect>& rects, BandBuilder& out)
{
    if (isBanded(rects))
        buildBanded(rects, out);
    else
        buildSwept(rects, out);
}

std::vector<TRect> canonical(const std::vector<TRect>& rects)
{
    BandBuilder builder;
    build(rects, builder);
    return builder.rects();
}

QRegion regionOf(const std::vector<TRect>& rects)
{
    BandBuilder builder;
    build(rects, builder);
    return builder.toQRegion();
}

} // namespace dw::bands
