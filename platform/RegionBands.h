#pragma once

// The platform's own helper for building regions in their canonical banded form (see
// TRegion::rects); not for use outside platform/.

#include "Geometry.h"

#include <QRegion>

#include <cstdint>
#include <vector>

namespace dw::bands {

// The region of rectangles already in canonical form.
QRegion toQRegion(const std::vector<TRect>& canonicalRects);

// Collects bands from top to bottom. Within a band, spans must come in ascending order of
// their left edge; overlapping or touching spans are merged. A band that touches the one
// before and has the same spans extends it.
class BandBuilder {
public:
    void beginBand(int32_t top, int32_t bottom);
    void addSpan(int32_t left, int32_t right);
    void endBand();

    const std::vector<TRect>& rects() const { return m_rects; }
    // The region of the collected rectangles (already in the form QRegion keeps).
    QRegion toQRegion() const { return bands::toQRegion(m_rects); }

private:
    std::vector<TRect> m_rects;
    size_t m_prevStart = 0, m_prevCount = 0; // the last emitted band in m_rects
    std::vector<TRect> m_pending;            // spans of the open band
    int32_t m_top = 0, m_bottom = 0;
};

// Row y of a rounded rectangle [l, r) × [t, b) whose corner ellipse is rx × ry (already
// cut to the rectangle, both at least 2): the pixels [first, last) whose centres lie inside
// (see CreateRoundRectRgn). first ≥ last for an empty row.
void roundRectRow(int64_t l, int64_t t, int64_t r, int64_t b, int64_t rx, int64_t ry, int64_t y, int64_t& first,
                  int64_t& last);

// The canonical rectangles of the union of any non-empty rectangles.
std::vector<TRect> canonical(const std::vector<TRect>& rects);

} // namespace dw::bands
