#pragma once

// The picture of the clock at a time of day, as the preview shows it and the companion tool
// renders it: the dial's rendered picture with the three hands drawn over it, each turned by its
// angle about its pivot with the pivot on its centre, and the window region that keeps hands
// reaching past the dial's cut-out visible.

#include "HandAngles.h"

#include "platform/Bitmap.h"
#include "platform/Geometry.h"
#include "platform/Region.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <vector>

namespace dw {

class TCustomRotateImage;
class TRotateImage;

// The four renderers of a clock and where the hands' holes sit on the dial. Not owned.
struct ClockScene {
    TRotateImage* dial = nullptr;
    TRotateImage* hour = nullptr;
    TRotateImage* minute = nullptr;
    TRotateImage* second = nullptr;
    TPoint hourCenter;
    TPoint minCenter;
    TPoint secCenter;
};

// Sets a hand renderer up as the clock declares it: colour-keyed (Transparent) and turning about
// its pivot (Pivot, PivotX = PivotY = 0 until a picture gives one); it draws with the control's
// default mask blit.
void setUpHandRenderer(TRotateImage& hand);

// Sets the hands' Angle (the renderers reduce it modulo 360 and render the turned picture).
void setHandAngles(const ClockScene& scene, const HandAngles& angles);

// Composes the clock as the hands stand now: `picture` becomes a copy of the dial's rendered
// picture (without mask; empty when the dial renderer has none) in the display's pixel format,
// with the hour, the minute and the second hand drawn on it in that order, later hands covering
// earlier ones.
void composeClock(const ClockScene& scene, TBitmap& picture);

// composeClock for a clock drawn again and again (the preview's ticks): the dial's rendered
// picture, converted to the display's format, is kept between compositions and made again only
// when the dial renderer has rendered anew (its RenderStamp). The pictures are the same as
// composeClock's.
class ClockComposer {
public:
    void compose(const ClockScene& scene, TBitmap& picture);

private:
    uint64_t m_renderedDial = 0; // the RenderStamp m_dial was made at; 0 for none
    TBitmap m_dial;              // it, in the display's format
};

// The region of the pixels a hand paints when drawn with its pivot on `centre`, in dial
// coordinates, through the engine's function query (identifier 7000); none when the hand has no
// rendered picture or the query offers no function. The caller owns the region.
std::optional<TRegion> HandRgnAt(const TCustomRotateImage& hand, TPoint centre);

// The window region with the hands standing out: the union of the three hands' regions and the
// clock's shape. An empty shape (no shape) stands for the whole window of `windowSize`, so that
// the union never shrinks the window to the hands alone.
TRegion extrudedShape(const ClockScene& scene, const TRegion& clockShape, TSize windowSize);

// The clock window's region with the hands where they stand now: the shape (the whole window of
// `windowSize` for no shape), widened by the hands with ExtrudeHand.
TRegion clockWindowRegion(const ClockScene& scene, const TRegion& clockShape, bool extrudeHand, TSize windowSize);

// The clock as the desktop shows it: the composed picture as ARGB32 with every pixel outside the
// window region transparent (alpha 0, colour 0); null for a null picture.
QImage pictureWithinRegion(const QImage& composed, const TRegion& windowRegion);

} // namespace dw
