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
    if (right <= left || m_bottom <= m_top)
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
    while (i < rects.size()) {
        const int32_t top = rects[i].Top;
        out.beginBand(top, rects[i].Bottom);
        for (; i < rects.size() && rects[i].Top == top; ++i)
            out.addSpan(rects[i].Left, rects[i].Right);
        out.endBand();
    }
}

// Any rectangles: a sweep over the distinct top and bottom edges; each elementary band
// takes the merged x-intervals of the rectangles spanning it.
void buildSwept(const std::vector<TRect>& rects, BandBuilder& out)
{
    std::vector<size_t> byTop(rects.size());
    std::iota(byTop.begin(), byTop.end(), size_t(0));
    std::sort(byTop.begin(), byTop.end(), [&](size_t a, size_t b) { return rects[a].Top < rects[b].Top; });
    std::vector<int32_t> ys;
    ys.reserve(rects.size() * 2);
    for (const TRect& r : rects) {
        ys.push_back(r.Top);
        ys.push_back(r.Bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    std::vector<size_t> active;
    std::vector<std::pair<int32_t, int32_t>> spans;
    size_t next = 0;
    for (size_t k = 0; k + 1 < ys.size(); ++k) {
        const int32_t y0 = ys[k], y1 = ys[k + 1];
        std::erase_if(active, [&](size_t i) { return rects[i].Bottom <= y0; });
        while (next < byTop.size() && rects[byTop[next]].Top <= y0)
            active.push_back(byTop[next++]);
        if (active.empty())
            continue;
        spans.clear();
        for (size_t i : active)
            spans.emplace_back(rects[i].Left, rects[i].Right);
        std::sort(spans.begin(), spans.end());
        out.beginBand(y0, y1);
        for (const auto& [l, r] : spans)
            out.addSpan(l, r);
        out.endBand();
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
