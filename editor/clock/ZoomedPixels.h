#pragma once

// A picture as the positioning dialog shows it at a zoom: every pixel a square of screen pixels
// in its own colour (no smoothing), and from 400 % on a grid between the pixels: the first row
// and the first column of every square mixed half and half with grey, so that the lines show on
// light and dark pixels alike. See-through pixels (alpha 0) stay see-through, grid or not.
// Below 100 % each screen pixel shows the plane pixel at its top-left corner.

#include "ZoomLevel.h"

#include <QImage>
#include <QRect>

namespace dw {

// A picture in the form drawZoomed reads: 32 bits a pixel, RGB32 for an opaque one,
// premultiplied ARGB32 for one with see-through pixels.
QImage zoomablePicture(const QImage& picture);

// The part of `picture` (a zoomablePicture) that shows at screen pixels `part`, counted from the
// screen pixel of the picture's top-left corner, written into `out` (made `part`'s size, in the
// picture's format). Screen pixels beyond the picture repeat its last row or column.
void drawZoomed(const QImage& picture, ZoomLevel zoom, const QRect& part, QImage& out);

// A grid pixel: the colour mixed half and half with grey (0x80 in each channel), see-through
// pixels kept.
inline uint32_t gridPixel(uint32_t p)
{
    if ((p >> 24) == 0)
        return p;
    return (p & 0xFF000000u) | (((p & 0x00FEFEFEu) >> 1) + 0x00404040u);
}

} // namespace dw
