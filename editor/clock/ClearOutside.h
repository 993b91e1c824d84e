#pragma once

// Making a picture transparent outside a window region, as the desktop shows a shaped window.

#include "platform/Region.h"

#include <QImage>

namespace dw {

// Sets every pixel of `image` (32 bits a pixel: ARGB32 or its premultiplied form) that lies
// outside `region` to 0, transparent black; the pixels inside keep their value. The region is
// in the image's coordinates and may reach beyond it. One pass over the region's bands: the
// pixels inside are not touched.
void clearOutside(QImage& image, const TRegion& region);

} // namespace dw
