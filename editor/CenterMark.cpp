#include "CenterMark.h"

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
// (x2, y2): all of them, or with a dotted pen runs of three on and three off.
void invertLine(QPainter& painter, int x1, int y1, int x2, int y2, bool dotted)
{
    const int dx = x2 > x1 ? 1 : x2 < x1 ? -1 : 0;
    const int dy = y2 > y1 ? 1 : y2 < y1 ? -1 : 0;
    const int length = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    for (int i = 0; i < length; ++i) {
        if (dotted && (i / 3) % 2 == 1)
            continue;
        painter.fillRect(x1 + i * dx, y1 + i * dy, 1, 1, Qt::white);
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
    for (const auto& [x, y] : circlePixels(cx, cy, r))
        painter.fillRect(x, y, 1, 1, Qt::white);
    invertLine(painter, 0, cy, cx - r, cy, true);
    invertLine(painter, cx + r + 2, cy, width(), cy, true);
    invertLine(painter, cx, 0, cx, cy - r - 1, true);
    invertLine(painter, cx, cy + r + 2, cx, height(), true);
    invertLine(painter, cx - r + 4, cy, cx + r - 3, cy, false);
    invertLine(painter, cx, cy - r + 4, cx, cy + r - 3, false);
}

} // namespace dw
