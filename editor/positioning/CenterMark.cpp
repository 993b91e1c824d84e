#include "editor/positioning/CenterMark.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

namespace dw {

namespace {

// The pixels of a circle drawn inside the box (cx − r, cy − r) to (cx + r + 1, cy + r + 1):
// 2r + 1 pixels across, each pixel once, so that inverting them leaves no gap and no double
// inversion.
std::set<std::pair<int, int>> circlePixels(int cx, int cy, int r)
{
    std::set<std::pair<int, int>> pixels;
    int x = r;
    int y = 0;
    int err = 1 - r;
    while (x >= y) {
        for (const auto& [px, py] : {std::pair{x, y}, {y, x}, {-y, x}, {-x, y}, {-x, -y}, {-y, -x}, {y, -x}, {x, -y}})
            pixels.insert({cx + px, cy + py});
        ++y;
        if (err < 0) {
            err += 2 * y + 1;
        } else {
            --x;
            err += 2 * (y - x) + 1;
        }
    }
    return pixels;
}

// Inverts the pixels of a horizontal or vertical line from (x1, y1) up to, not including,
// (x2, y2), going right or down: all of them, or with a dotted pen runs of three on and three
// off. Whole runs at a time (a widget repainted while a picture is dragged under it at a high
// zoom paints this often).
void invertLine(QPainter& painter, int x1, int y1, int x2, int y2, bool dotted)
{
    const bool across = x2 != x1;
    const int length = across ? x2 - x1 : y2 - y1;
    const int run = dotted ? 3 : length;
    const int period = dotted ? 6 : std::max(length, 1);
    for (int i = 0; i < length; i += period) {
        const int n = std::min(run, length - i);
        if (across)
            painter.fillRect(x1 + i, y1, n, 1, Qt::white);
        else
            painter.fillRect(x1, y1 + i, 1, n, Qt::white);
    }
}

} // namespace

TCenterMark::TCenterMark(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FCenterMark"));
    resize(HandPlacement::kMarkerSize, HandPlacement::kMarkerSize);
    // The work area routes the mouse (see the class comment).
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(false);
}

bool TCenterMark::hits(QPoint p) const
{
    return HandPlacement::markerHits(p.x(), p.y(), FRadius);
}

void TCenterMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The pen inverts what lies beneath; the colour drawn does not matter.
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    const int cx = width() / 2;
    const int cy = height() / 2;
    const int r = FRadius;
    // The circle's pixels, worked out once for the radius.
    if (m_circleRadius != r) {
        const std::set<std::pair<int, int>> pixels = circlePixels(0, 0, r);
        m_circle.assign(pixels.begin(), pixels.end());
        m_circleRadius = r;
    }
    for (const auto& [x, y] : m_circle)
        painter.fillRect(cx + x, cy + y, 1, 1, Qt::white);
    invertLine(painter, 0, cy, cx - r, cy, true);
    invertLine(painter, cx + r + 2, cy, width(), cy, true);
    invertLine(painter, cx, 0, cx, cy - r - 1, true);
    invertLine(painter, cx, cy + r + 2, cx, height(), true);
    invertLine(painter, cx - r + 4, cy, cx + r - 3, cy, false);
    invertLine(painter, cx, cy - r + 4, cx, cy + r - 3, false);
}

} // namespace dw
