// The region-data rule of the window-shape member.

#include "CheckLines.h"
#include "DataFileCheck.h"
#include "DataFileLimits.h"

#include "platform/ByteOrder.h"
#include "platform/Region.h"

#include <algorithm>

namespace dw {

namespace {

QString rectText(const TRect& r)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(r.Left).arg(r.Top).arg(r.Right).arg(r.Bottom);
}

TRect rectAt(const uint8_t* p) { return {readLE32s(p), readLE32s(p + 4), readLE32s(p + 8), readLE32s(p + 12)}; }

bool inRange(int32_t v) { return v >= -kRegionCoordLimit && v <= kRegionCoordLimit; }

} // namespace

QStringList checkRegionData(const uint8_t* b, int64_t size)
{
    check::Lines lines(kMaxLinesPerCheck);
    if (size < int64_t(kRgnDataHeaderSize)) {
        lines.add(QStringLiteral("holds %1 bytes, fewer than the 32-byte region data header").arg(size));
        return lines.list();
    }
    const uint32_t headerSize = readLE32(b);
    const uint32_t type = readLE32(b + 4);
    const uint32_t count = readLE32(b + 8);
    const uint32_t rectBytes = readLE32(b + 12);
    const TRect bound = rectAt(b + 16);
    if (headerSize != kRgnDataHeaderSize)
        lines.add(QStringLiteral("its header size is %1, not 32").arg(headerSize));
    if (type != RDH_RECTANGLES)
        lines.add(QStringLiteral("its type is %1, not 1 (rectangles)").arg(type));
    const int64_t expected = int64_t(kRgnDataHeaderSize) + 16 * int64_t(count);
    if (expected != size)
        lines.add(QStringLiteral("its %1 rectangles need %2 bytes, but the member holds %3").arg(count).arg(expected).arg(size));
    if (int64_t(rectBytes) != 16 * int64_t(count))
        lines.add(QStringLiteral("its rectangle size field is %1, not 16 × %2 = %3").arg(rectBytes).arg(count).arg(16 * int64_t(count)));

    // The rectangles that are really there.
    const int64_t present = std::min<int64_t>(count, (size - int64_t(kRgnDataHeaderSize)) / 16);
    const uint8_t* rects = b + kRgnDataHeaderSize;

    // Overlapping rectangles must still make a region within the limit a reader builds it to
    // (said first, before the rectangles' own lines may fill the list).
    bool allInRange = true;
    for (int64_t i = 0; i < present && allInRange; ++i) {
        const TRect r = rectAt(rects + 16 * i);
        allInRange = inRange(r.Left) && inRange(r.Top) && inRange(r.Right) && inRange(r.Bottom);
    }
    if (headerSize == kRgnDataHeaderSize && type == RDH_RECTANGLES && expected == size && allInRange
        && !pdl::shapeRegion(b, size))
        lines.add(QStringLiteral("its rectangles overlap so that their region would hold more than %1 rectangles")
                      .arg(std::max<int64_t>(count, pdl::kMaxShapeRegionRects)));

    TRect box{0, 0, 0, 0};
    bool first = true;
    TRect bandOf{0, 0, 0, 0}; // the first rectangle of the current band
    TRect previous{0, 0, 0, 0};
    for (int64_t i = 0; i < present; ++i) {
        const TRect r = rectAt(rects + 16 * i);
        if (!inRange(r.Left) || !inRange(r.Top) || !inRange(r.Right) || !inRange(r.Bottom))
            lines.addMade([&] { return QStringLiteral("rectangle %1 %2 lies outside the coordinate range ±%3").arg(i).arg(rectText(r)).arg(kRegionCoordLimit); });
        if (r.Right <= r.Left || r.Bottom <= r.Top) {
            lines.addMade([&] { return QStringLiteral("rectangle %1 %2 is empty").arg(i).arg(rectText(r)); });
            continue; // an empty rectangle covers nothing, so it places nothing either
        }
        if (first) {
            box = r;
            bandOf = r;
        } else {
            box = {std::min(box.Left, r.Left), std::min(box.Top, r.Top), std::max(box.Right, r.Right), std::max(box.Bottom, r.Bottom)};
            if (r.Top == bandOf.Top) {
                if (r.Bottom != bandOf.Bottom)
                    lines.addMade([&] { return QStringLiteral("rectangle %1 %2 starts in the band %3 to %4 but ends at %5")
                                  .arg(i)
                                  .arg(rectText(r))
                                  .arg(bandOf.Top)
                                  .arg(bandOf.Bottom)
                                  .arg(r.Bottom); });
                if (r.Left < previous.Right)
                    lines.addMade([&] { return QStringLiteral("rectangle %1 %2 %3 rectangle %4 %5")
                                  .arg(i)
                                  .arg(rectText(r))
                                  .arg(r.Left < previous.Left ? QStringLiteral("comes after, but lies left of,")
                                                              : QStringLiteral("overlaps"))
                                  .arg(i - 1)
                                  .arg(rectText(previous)); });
            } else if (r.Top < bandOf.Top) {
                lines.addMade([&] { return QStringLiteral("rectangle %1 %2 lies above the band before it (top %3)").arg(i).arg(rectText(r)).arg(bandOf.Top); });
            } else {
                if (r.Top < bandOf.Bottom)
                    lines.addMade([&] { return QStringLiteral("rectangle %1 %2 starts a band at %3, inside the band %4 to %5 before it")
                                  .arg(i)
                                  .arg(rectText(r))
                                  .arg(r.Top)
                                  .arg(bandOf.Top)
                                  .arg(bandOf.Bottom); });
                bandOf = r;
            }
        }
        first = false;
        previous = r;
    }
    if (present == count && !(bound == box))
        lines.add(QStringLiteral("its bounding box %1 is not the rectangles' bounding box %2").arg(rectText(bound), rectText(box)));
    return lines.list();
}

} // namespace dw
