#include "ClockView.h"

#include "ZoomedPixels.h"

#include "rotateimage/DibFormat.h"
#include "rotateimage/RotateImage.h"

#include "platform/Canvas.h"
#include "platform/Dib.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace dw {

namespace {

// A band of clock pixels composed at once while drawing smoothed: at most this many pixels
// (16 MiB), so that a whole clock in view never needs a copy of its size.
constexpr int64_t kBandPixels = int64_t(1) << 22;

int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

std::optional<TDib> renderedDib(const TCustomRotateImage& image)
{
    const TMemoryStream& dib = image.RotatedDib();
    if (!IsValidDib(dib))
        return std::nullopt;
    return TDib::fromFileImage(dib.Memory(), size_t(dib.size()));
}


// The pixels of `rect` of a rendered picture as the display shows them, into `out` at `at`.
void drawDibPart(const TDib& dib, const QRect& rect, QImage& out, QPoint at)
{
    const QRect inside = rect.intersected(QRect(0, 0, dib.width(), dib.height()));
    if (inside.isEmpty())
        return;
    TCanvas canvas(&out);
    SetWindowOrgEx(canvas, rect.left() - at.x(), rect.top() - at.y(), nullptr);
    // The rendered rows as the copy into the display's format gives them.
    const int32_t sy = dib.topDown() ? inside.top() : dib.height() - 1 - inside.bottom();
    SetDIBitsToDevice(canvas, inside.left(), inside.top(), uint32_t(inside.width()), uint32_t(inside.height()),
                      inside.left(), sy, 0, uint32_t(dib.height()), dib, DIB_RGB_COLORS);
}

// The clock pixels [first, last) that view pixels [from, to) cover at `percent` (below 100).
std::pair<int64_t, int64_t> coveredPlane(int64_t from, int64_t to, int percent)
{
    return {floorDiv(from * 100, percent), ceilDiv(to * 100, percent)};
}

// For each view pixel of [from, to): the clock pixels it covers and by how much, in 1/percent
// of a clock pixel (the weights of one view pixel add up to 100). Flattened: view pixel i has
// the entries starts[i] .. starts[i + 1] − 1 of `pixels` and `weights`, clock pixels counted
// from `origin`.
struct Coverage {
    std::vector<int32_t> starts, pixels, weights;
};

Coverage coverage(int64_t from, int64_t to, int percent, int64_t origin)
{
    Coverage c;
    c.starts.reserve(size_t(to - from + 1));
    for (int64_t d = from; d < to; ++d) {
        c.starts.push_back(int32_t(c.pixels.size()));
        // View pixel d spans [d · 100, d · 100 + 100) and clock pixel x [x · p, x · p + p), both
        // in 1/p of a clock pixel.
        const int64_t lo = d * 100, hi = lo + 100;
        for (int64_t x = floorDiv(lo, percent); x * percent < hi; ++x) {
            const int64_t overlap = std::min(hi, (x + 1) * percent) - std::max(lo, x * percent);
            if (overlap > 0) {
                c.pixels.push_back(int32_t(x - origin));
                c.weights.push_back(int32_t(overlap));
            }
        }
    }
    c.starts.push_back(int32_t(c.pixels.size()));
    return c;
}

// An RGB32 image of `size` over `store`, which grows as needed and is kept.
QImage wordImage(std::vector<uint32_t>& store, QSize size)
{
    const size_t words = size_t(std::max(size.width(), 0)) * size_t(std::max(size.height(), 0));
    if (store.size() < words)
        store.resize(words);
    if (words == 0)
        return QImage(size, QImage::Format_RGB32);
    return QImage(reinterpret_cast<uchar*>(store.data()), size.width(), size.height(), size.width() * 4,
                  QImage::Format_RGB32);
}

} // namespace

void ClockView::setZoom(ZoomLevel zoom)
{
    m_zoom = zoom;
    m_known = false;
}

QSize ClockView::viewSize(TSize clock, ZoomLevel zoom)
{
    if (clock.cx <= 0 || clock.cy <= 0)
        return {std::max(clock.cx, 0), std::max(clock.cy, 0)};
    return {int(std::max<int64_t>(zoom.toScreen(clock.cx), 1)), int(std::max<int64_t>(zoom.toScreen(clock.cy), 1))};
}

QRect ClockView::toView(const QRect& clockRect) const
{
    if (clockRect.isEmpty())
        return {};
    const int p = m_zoom.percent();
    const int64_t l = floorDiv(int64_t(clockRect.left()) * p, 100), t = floorDiv(int64_t(clockRect.top()) * p, 100);
    const int64_t r = ceilDiv((int64_t(clockRect.right()) + 1) * p, 100);
    const int64_t b = ceilDiv((int64_t(clockRect.bottom()) + 1) * p, 100);
    return QRect(QPoint(int(l), int(t)), QPoint(int(r - 1), int(b - 1)));
}

void ClockView::composePlane(const ClockScene& scene, const TDib& dial, const QRect& rect, QImage& target)
{
    m_composedPixels += int64_t(rect.width()) * rect.height();
    if (!QRect(0, 0, dial.width(), dial.height()).contains(rect))
        target.fill(Qt::white);
    drawDibPart(dial, rect, target, {});
    TCanvas canvas(&target);
    SetWindowOrgEx(canvas, rect.left(), rect.top(), nullptr);
    // The hands clip themselves to the canvas: only what reaches into the rectangle is drawn. A
    // hand whose rendering and place are those the last tick saw is known to lie in the
    // rectangle it had then, and is not asked to draw where it is not (a tick draws many parts).
    const std::array<TRotateImage*, 3> hands{scene.hour, scene.minute, scene.second};
    const std::array<TPoint, 3> centres{scene.hourCenter, scene.minCenter, scene.secCenter};
    for (size_t i = 0; i < hands.size(); ++i) {
        const bool known = m_known && hands[i]->RenderStamp() == m_handStamps[i] && centres[i] == m_handCentres[i];
        if (known && !m_handRegions[i].intersects(rect))
            continue;
        hands[i]->DrawAt(canvas, centres[i]);
    }
}

bool ClockView::draw(const ClockScene& scene, const QRect& part, QImage& out)
{
    const std::optional<TDib> dial = renderedDib(*scene.dial);
    if (!dial)
        return false;
    out = wordImage(m_outStore, part.size());
    if (part.isEmpty())
        return true;
    const int p = m_zoom.percent();
    if (p == 100) {
        composePlane(scene, *dial, part, out);
        return true;
    }
    if (m_zoom.smooth()) {
        drawSmooth(scene, *dial, part, out);
        return true;
    }
    // Squares: the clock pixels the part reaches, widened.
    const int64_t f = p / 100;
    const QRect plane(QPoint(int(floorDiv(part.left(), f)), int(floorDiv(part.top(), f))),
                      QPoint(int(floorDiv(part.right(), f)), int(floorDiv(part.bottom(), f))));
    QImage composed = wordImage(m_planeStore, plane.size());
    composePlane(scene, *dial, plane, composed);
    drawZoomed(composed, m_zoom, part.translated(-plane.left() * int(f), -plane.top() * int(f)), out);
    return true;
}

void ClockView::drawSmooth(const ClockScene& scene, const TDib& dial, const QRect& part, QImage& out)
{
    const int p = m_zoom.percent();
    const auto [x0, x1] = coveredPlane(part.left(), int64_t(part.right()) + 1, p);
    const Coverage across = coverage(part.left(), int64_t(part.right()) + 1, p, x0);
    const int64_t planeWidth = x1 - x0;
    // View rows a band: as many as keep the band's clock pixels under the limit.
    const int64_t rowsPerViewRow = ceilDiv(100, p) + 1;
    const int64_t bandRows = std::max<int64_t>(1, kBandPixels / (planeWidth * rowsPerViewRow));
    std::vector<uint32_t> sums(size_t(part.width()) * 3);
    for (int64_t top = part.top(); top <= part.bottom(); top += bandRows) {
        const int64_t bottom = std::min<int64_t>(top + bandRows, int64_t(part.bottom()) + 1);
        const auto [y0, y1] = coveredPlane(top, bottom, p);
        QImage plane = wordImage(m_planeStore, QSize(int(planeWidth), int(y1 - y0)));
        composePlane(scene, dial, QRect(int(x0), int(y0), int(planeWidth), int(y1 - y0)), plane);
        const Coverage down = coverage(top, bottom, p, y0);
        for (int64_t v = 0; v < bottom - top; ++v) {
            std::fill(sums.begin(), sums.end(), 0u);
            for (int32_t j = down.starts[size_t(v)]; j < down.starts[size_t(v) + 1]; ++j) {
                const auto* row = reinterpret_cast<const uint32_t*>(plane.constScanLine(down.pixels[size_t(j)]));
                const uint32_t wy = uint32_t(down.weights[size_t(j)]);
                uint32_t* s = sums.data();
                for (int u = 0; u < part.width(); ++u, s += 3) {
                    for (int32_t i = across.starts[size_t(u)]; i < across.starts[size_t(u) + 1]; ++i) {
                        const uint32_t px = row[across.pixels[size_t(i)]];
                        const uint32_t w = wy * uint32_t(across.weights[size_t(i)]);
                        s[0] += ((px >> 16) & 0xFF) * w;
                        s[1] += ((px >> 8) & 0xFF) * w;
                        s[2] += (px & 0xFF) * w;
                    }
                }
            }
            // The weights of one view pixel add up to 100 · 100.
            auto* dst = reinterpret_cast<uint32_t*>(out.scanLine(int(top - part.top() + v)));
            const uint32_t* s = sums.data();
            for (int u = 0; u < part.width(); ++u, s += 3)
                dst[u] = 0xFF000000u | ((s[0] + 5000) / 10000) << 16 | ((s[1] + 5000) / 10000) << 8 | ((s[2] + 5000) / 10000);
        }
    }
    // A band of a whole clock in view is not kept (up to 16 MiB); the small parts of ticks are.
    if (m_planeStore.size() > (size_t(1) << 20))
        std::vector<uint32_t>().swap(m_planeStore);
}

QSize renderedSize(const TCustomRotateImage& image)
{
    const std::optional<TDib> dib = renderedDib(image);
    return dib ? QSize(dib->width(), dib->height()) : QSize();
}

bool drawRenderedPart(const TCustomRotateImage& image, const QRect& rect, QImage& out, QPoint at)
{
    const std::optional<TDib> dib = renderedDib(image);
    if (!dib)
        return false;
    drawDibPart(*dib, rect, out, at);
    return true;
}

QRect handDrawnRect(const TCustomRotateImage& hand, TPoint centre)
{
    const std::optional<TDib> dib = renderedDib(hand);
    if (!dib || !IsValidDib(hand.SourceDib()) || !IsValidDib(hand.MaskDib()))
        return {};
    const TPoint at = hand.Pivot() ? hand.ApplyPivot(centre) : centre;
    // DrawAt puts the rendered picture's top-left corner half its size up and left of `at`.
    return QRect(at.X - dib->width() / 2, at.Y - dib->height() / 2, dib->width(), dib->height());
}

QRegion handDrawnRegion(const TCustomRotateImage& hand, TPoint centre)
{
    const QRect box = handDrawnRect(hand, centre);
    if (box.isEmpty())
        return {};
    const std::optional<TDib> mask = TDib::fromFileImage(hand.MaskDib().Memory(), size_t(hand.MaskDib().size()));
    if (!mask || mask->bitCount() != 8 || mask->width() != box.width() || mask->height() != box.height())
        return box;
    // Bands of rows, each as wide as the opaque pixels (mask byte 0) of its rows reach. The bands
    // lie on rows of the dial that are multiples of kBandRows, whatever the hand's place: the
    // regions of a hand before and after a turn, and of the other hands, then share their band
    // edges, and their union has few parts to draw.
    constexpr int kBandRows = 64;
    QRegion region;
    const int firstBand = int(floorDiv(box.top(), kBandRows) * kBandRows) - box.top();
    for (int bandTop = firstBand; bandTop < box.height(); bandTop += kBandRows) {
        const int top = std::max(bandTop, 0);
        const int bottom = std::min(bandTop + kBandRows, box.height());
        int first = box.width(), last = -1;
        for (int y = top; y < bottom; ++y) {
            const uint8_t* row = mask->rowFromTop(y);
            const auto* opaque = static_cast<const uint8_t*>(std::memchr(row, 0, size_t(box.width())));
            if (!opaque)
                continue;
            first = std::min(first, int(opaque - row));
            const auto* end = static_cast<const uint8_t*>(memrchr(row, 0, size_t(box.width())));
            last = std::max(last, int(end - row));
        }
        if (last >= first)
            region += QRect(box.left() + first, box.top() + top, last - first + 1, bottom - top);
    }
    return region;
}

QRegion ClockView::tick(const ClockScene& scene, ViewCanvas& canvas)
{
    const QSize dial = renderedSize(*scene.dial);
    const std::array<const TRotateImage*, 3> hands{scene.hour, scene.minute, scene.second};
    const std::array<TPoint, 3> centres{scene.hourCenter, scene.minCenter, scene.secCenter};
    QRegion changed;
    if (!m_known || scene.dial->RenderStamp() != m_dialStamp || dial != m_dialSize) {
        changed = QRect(QPoint(0, 0), viewSize({dial.width(), dial.height()}, m_zoom));
    }
    for (size_t i = 0; i < hands.size(); ++i) {
        const QRect now = handDrawnRect(*hands[i], centres[i]);
        const bool same = m_known && hands[i]->RenderStamp() == m_handStamps[i] && now == m_handRects[i];
        m_handCentres[i] = centres[i];
        if (same)
            continue;
        // Where the hand was drawn and where it is drawn now: its opaque pixels' bands.
        const QRegion drawn = handDrawnRegion(*hands[i], centres[i]);
        for (const QRegion* clockPart : std::array<const QRegion*, 2>{&m_handRegions[i], &drawn})
            for (const QRect& rect : *clockPart)
                changed += toView(rect);
        m_handStamps[i] = hands[i]->RenderStamp();
        m_handRects[i] = now;
        m_handRegions[i] = drawn;
    }
    m_known = true;
    m_dialStamp = scene.dial->RenderStamp();
    m_dialSize = dial;
    changed &= canvas.visibleRect();
    for (const QRect& part : changed)
        canvas.invalidate(part);
    return changed;
}

TRegion regionInView(const TRegion& region, ZoomLevel zoom)
{
    if (zoom.percent() == 100)
        return region;
    const int p = zoom.percent();
    auto edge = [p](int64_t v) { return int32_t(floorDiv(v * p + 50, 100)); };
    std::vector<TRect> rects;
    for (const TRect& r : region.rects()) {
        const TRect scaled{edge(r.Left), edge(r.Top), edge(r.Right), edge(r.Bottom)};
        if (scaled.Right > scaled.Left && scaled.Bottom > scaled.Top)
            rects.push_back(scaled);
    }
    return TRegion::fromRects(rects);
}

} // namespace dw
