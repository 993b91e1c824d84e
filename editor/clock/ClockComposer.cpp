#include "ClockComposer.h"

#include "ClearOutside.h"

#include "rotateimage/FunctionQuery.h"
#include "rotateimage/RotateImage.h"

#include "platform/Canvas.h"
#include "platform/MemoryStream.h"

#include <cstring>

namespace dw {

void setUpHandRenderer(TRotateImage& hand)
{
    hand.SetTransparent(true);
    hand.SetPivot(true);
    hand.SetPivotX(0);
    hand.SetPivotY(0);
}

void setHandAngles(const ClockScene& scene, const HandAngles& angles)
{
    scene.hour->SetAngle(angles.hour);
    scene.minute->SetAngle(angles.minute);
    scene.second->SetAngle(angles.second);
}

namespace {

void drawHands(const ClockScene& scene, TBitmap& picture)
{
    TCanvas& canvas = picture.Canvas();
    scene.hour->DrawAt(canvas, scene.hourCenter);
    scene.minute->DrawAt(canvas, scene.minCenter);
    scene.second->DrawAt(canvas, scene.secCenter);
}

} // namespace

void composeClock(const ClockScene& scene, TBitmap& picture)
{
    scene.dial->CopyRenderedTo(picture, pfDevice);
    drawHands(scene, picture);
}

void ClockComposer::compose(const ClockScene& scene, TBitmap& picture)
{
    // Stamps are never 0 and never repeat, whichever renderer made them.
    if (m_renderedDial == 0 || m_renderedDial != scene.dial->RenderStamp()) {
        m_renderedDial = 0;
        scene.dial->CopyRenderedTo(m_dial, pfDevice);
        m_renderedDial = scene.dial->RenderStamp();
    }
    // The copy shares the kept pixels until the first hand is drawn on it.
    picture.Assign(m_dial);
    drawHands(scene, picture);
}

std::optional<TRegion> HandRgnAt(const TCustomRotateImage& hand, TPoint centre)
{
    FunctionQuery query;
    query.Size = 20;
    query.Id = kQueryImageRegionAt;
    query.Check = ~kQueryImageRegionAt; // −7001
    query.Extra = 1;                    // Id + Check + Extra = 0
    QueryFunction(query);
    const ImageRegionAtFunction imageRegionAt = imageRegionAtFunction(query.Result);
    if (!imageRegionAt)
        return std::nullopt;
    return imageRegionAt(nullptr, hand, centre);
}

TRegion extrudedShape(const ClockScene& scene, const TRegion& clockShape, TSize windowSize)
{
    TRegion result = clockShape.isEmpty() ? CreateRectRgn(0, 0, windowSize.cx, windowSize.cy) : clockShape;
    const struct {
        const TRotateImage* hand;
        TPoint centre;
    } hands[] = {{scene.hour, scene.hourCenter}, {scene.minute, scene.minCenter}, {scene.second, scene.secCenter}};
    for (const auto& h : hands)
        if (const std::optional<TRegion> region = HandRgnAt(*h.hand, h.centre))
            CombineRgn(result, result, *region, RGN_OR);
    return result;
}

TRegion clockWindowRegion(const ClockScene& scene, const TRegion& clockShape, bool extrudeHand, TSize windowSize)
{
    if (extrudeHand)
        return extrudedShape(scene, clockShape, windowSize);
    return clockShape.isEmpty() ? CreateRectRgn(0, 0, windowSize.cx, windowSize.cy) : clockShape;
}

QImage pictureWithinRegion(const QImage& composed, const TRegion& windowRegion)
{
    if (composed.isNull())
        return {};
    QImage picture = composed.convertToFormat(QImage::Format_ARGB32);
    clearOutside(picture, windowRegion);
    return picture;
}

} // namespace dw
