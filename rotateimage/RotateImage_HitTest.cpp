// TCustomRotateImage: the hit test that ignores transparent pixels.

#include "RotateImage_20001122.h"

#include "DibFormat.h"
#include "RegionFromMask.h"

namespace dw {

bool TCustomRotateImage::CMHitTest(TPoint point) const
{
    if (!FTransparentMouse || !IsValidDib(FMaskDib) || !IsValidDib(FSourceDib))
        return TGraphicControl::CMHitTest(point);
    const std::optional<DibView> mask = DibView::of(FMaskDib);
    if (!mask)
        return TGraphicControl::CMHitTest(point);
    const int64_t w = mask->width, h = mask->height;
    // The full 32-bit point: a point far outside never wraps onto the image.
    int64_t x = int64_t(point.X) + w / 2 - Width() / 2;
    int64_t y = int64_t(point.Y) + h / 2 - Height() / 2;
    if (FPivot) {
        // DrawAt puts the image centre at the client centre plus this offset.
        const TPoint d = pivotOffset();
        x -= d.X;
        y -= d.Y;
    }
    if (x < 0 || x >= w || y < 0 || y >= h)
        return false;
    return mask->pixels[(h - 1 - y) * mask->rowSize + x] == 0;
}

std::optional<TRegion> TCustomRotateImage::TransparentMouseRegion() const
{
    if (!FTransparentMouse || !IsValidDib(FMaskDib) || !IsValidDib(FSourceDib))
        return std::nullopt;
    const std::optional<DibView> mask = DibView::of(FMaskDib);
    if (!mask)
        return std::nullopt;
    std::optional<TRegion> region = MaskToRegion(nullptr, FMaskDib, nullptr);
    if (!region)
        return std::nullopt;
    int64_t dx = int64_t(Width()) / 2 - mask->width / 2;
    int64_t dy = int64_t(Height()) / 2 - mask->height / 2;
    if (FPivot) {
        const TPoint d = pivotOffset();
        dx += d.X;
        dy += d.Y;
    }
    if (dx < -kRegionCoordLimit || dx > kRegionCoordLimit || dy < -kRegionCoordLimit || dy > kRegionCoordLimit
        || OffsetRgn(*region, int32_t(dx), int32_t(dy)) == ERROR)
        return TRegion();
    TRegion clipped;
    CombineRgn(clipped, *region, CreateRectRgnIndirect(ClientRect()), RGN_AND);
    return clipped;
}

} // namespace dw
