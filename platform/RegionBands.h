#pragma once

// The platform's own helper for building regions in their canonical banded form (see
// TRegion::rects); not for use outside platform/.

#include "Geometry.h"

#include <QRegion>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dw::bands {

// Collects bands from top to bottom. Within a band, spans must come in ascending order of
// their left edge; overlapping or touching spans are merged. A band that touches the one
// before and has the same spans extends it. Kept as Qt rectangles, the form QRegion takes.
// With a limit, a band that leaves more rectangles than that makes the builder overflow: its
// rectangles are then not the region, it keeps no more spans, and the builders stop there.
class BandBuilder {
public:
    explicit BandBuilder(size_t maxRects = SIZE_MAX) : m_maxRects(maxRects) {}

    void beginBand(int32_t top, int32_t bottom);
    void addSpan(int32_t left, int32_t right);
    void endBand();

    bool overflowed() const { return m_overflowed; }
    std::vector<TRect> rects() const;
    QRegion toQRegion() const;

private:
    std::vector<QRect> m_rects;
    size_t m_maxRects;
    bool m_overflowed = false;
    size_t m_prevStart = 0, m_bandStart = 0; // the last finished band, the open one
    int32_t m_top = 0, m_bottom = 0;
};

// Row y of a rounded rectangle [l, r) × [t, b) whose corner ellipse is rx × ry (already
// cut to the rectangle, both at least 2): the pixels [first, last) whose centres lie inside
// (see CreateRoundRectRgn). first ≥ last for an empty row.
void roundRectRow(int64_t l, int64_t t, int64_t r, int64_t b, int64_t rx, int64_t ry, int64_t y, int64_t& first,
                  int64_t& last);

// The union of any non-empty rectangles, in canonical form. Rows of runs (sorted by top,
// then left, one height per top) take one linear pass, others O(n log n) and O(log n) more for
// each rectangle made; either stops once `out` overflows.
void build(const std::vector<TRect>& rects, BandBuilder& out);
std::vector<TRect> canonical(const std::vector<TRect>& rects);
QRegion regionOf(const std::vector<TRect>& rects);

} // namespace dw::bands
