#include "ZoomedPixels.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace dw {

QImage zoomablePicture(const QImage& picture)
{
    const QImage::Format format = picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return picture.format() == format ? picture : picture.convertToFormat(format);
}

void drawZoomed(const QImage& picture, ZoomLevel zoom, const QRect& part, QImage& out)
{
    if (out.size() != part.size() || out.format() != picture.format())
        out = QImage(part.size(), picture.isNull() ? QImage::Format_ARGB32_Premultiplied : picture.format());
    if (part.isEmpty())
        return;
    if (picture.isNull()) {
        out.fill(Qt::transparent);
        return;
    }
    const int64_t w = picture.width(), h = picture.height();
    const int64_t outW = part.width();
    auto sourceRow = [&](int64_t screenY) {
        const int64_t y = std::clamp<int64_t>(zoom.toPlane(screenY), 0, h - 1);
        return reinterpret_cast<const uint32_t*>(picture.constScanLine(int(y)));
    };
    auto outRow = [&](int64_t y) { return reinterpret_cast<uint32_t*>(out.scanLine(int(y))); };

    if (zoom.percent() < 100) {
        // Every screen pixel shows one plane pixel: a sampling with a whole-number step.
        for (int64_t y = 0; y < part.height(); ++y) {
            const uint32_t* src = sourceRow(part.top() + y);
            uint32_t* dst = outRow(y);
            for (int64_t x = 0; x < outW; ++x)
                dst[x] = src[std::clamp<int64_t>(zoom.toPlane(part.left() + x), 0, w - 1)];
        }
        return;
    }

    // A square of f × f screen pixels per plane pixel: each source row is widened once (the grid
    // taking the first column of every square) and copied into the screen rows of its squares,
    // the first of which is all grid.
    const int64_t f = zoom.percent() / 100;
    const bool grid = zoom.showsGrid();
    const int64_t left = std::max(part.left(), 0);
    std::vector<uint32_t> widened(static_cast<size_t>(outW));
    int64_t widenedSource = -1;
    for (int64_t y = 0; y < part.height(); ++y) {
        const int64_t screenY = std::max<int64_t>(part.top() + y, 0);
        const int64_t sy = std::min(zoom.toPlane(screenY), h - 1);
        if (sy != widenedSource) {
            const uint32_t* src = reinterpret_cast<const uint32_t*>(picture.constScanLine(int(sy)));
            int64_t x = 0;
            while (x < outW) {
                const int64_t sx = zoom.toPlane(left + x);
                const uint32_t colour = src[std::min(sx, w - 1)];
                // The rest of this pixel's square on the row (all the rest beyond the picture).
                const int64_t squareEnd = sx >= w - 1 ? outW : std::min(outW, (sx + 1) * f - left);
                if (grid && sx < w && left + x == sx * f)
                    widened[size_t(x++)] = gridPixel(colour);
                if (x < squareEnd)
                    std::fill(widened.begin() + x, widened.begin() + squareEnd, colour);
                x = std::max(x, squareEnd);
            }
            widenedSource = sy;
        }
        uint32_t* dst = outRow(y);
        if (grid && screenY % f == 0 && screenY / f < h)
            std::transform(widened.begin(), widened.end(), dst, gridPixel);
        else
            std::memcpy(dst, widened.data(), size_t(outW) * 4);
    }
}

} // namespace dw
