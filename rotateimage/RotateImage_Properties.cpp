// TCustomRotateImage: creation, the property accessors, the matrix and the pivot.

#include "RotateImage_20001122.h"

#include "DibFormat.h"
#include "Sketch.h"

#include <algorithm>
#include <cmath>

namespace dw {

namespace {

// Pivot offsets and image positions are kept well inside 32 bits, so that adding them to a
// point or a control position never overflows; the region and canvas coordinate ranges are
// far smaller anyway.
constexpr int64_t kCoordLimit = int64_t(1) << 30;

int32_t roundedOffset(long double v)
{
    if (!(v == v)) // NaN
        return 0;
    // Round half to even and convert in the default rounding mode (as nearbyint there, without
    // saving the floating-point environment or switching the unit to truncation for a cast:
    // every drawing of a pivoted hand asks for its offset). The limits are whole numbers.
    return int32_t(std::llrint(std::clamp<long double>(v, -kCoordLimit, kCoordLimit)));
}

int32_t saturatedSum(int64_t a, int64_t b) { return int32_t(std::clamp<int64_t>(a + b, INT32_MIN, INT32_MAX)); }

} // namespace

TCustomRotateImage::TCustomRotateImage()
{
    // The parent paints the background behind the control.
    SetControlStyle(ControlStyle() & ~TControlStyle(csOpaque));
}

TCustomRotateImage::~TCustomRotateImage() = default;

void TCustomRotateImage::computeSketch()
{
    if (FSketch && IsValidDib(FSourceDib))
        MakeSketch(FSourceDib, FSketchDib);
}

void TCustomRotateImage::SetSketch(bool value)
{
    if (value == FSketch)
        return;
    FSketch = value;
    if (FSketch && IsValidDib(FSourceDib))
        MakeSketch(FSourceDib, FSketchDib);
    else
        FSketchDib.Clear();
    Render();
}

void TCustomRotateImage::SetTrnsIndex(int value)
{
    const TTrnsIndex v = TTrnsIndex(std::clamp(value, 0, kMaxTrnsIndex));
    if (v == FTrnsIndex)
        return;
    FTrnsIndex = v;
    Invalidate();
}

void TCustomRotateImage::SetTransparent(bool value)
{
    if (value == FTransparent)
        return;
    FTransparent = value;
    Render();
}

TColor TCustomRotateImage::TransparentColor() const
{
    if (FTransparentMode == tmFixed)
        return FTransparentColor;
    const auto v = DibView::of(FSourceDib);
    if (!v)
        return FTransparentColor;
    uint32_t pixel = 0; // blue | green << 8 | red << 16
    if (v->bitCount == 8) {
        // An index beyond the colour table names no colour; black, as the drawing does.
        const uint32_t index = v->pixels[0];
        if (index < v->tableEntries) {
            const uint8_t* e = v->table + 4 * index;
            pixel = uint32_t(e[0]) | uint32_t(e[1]) << 8 | uint32_t(e[2]) << 16;
        }
    } else {
        pixel = uint32_t(v->pixels[0]) | uint32_t(v->pixels[1]) << 8 | uint32_t(v->pixels[2]) << 16;
    }
    return TColor(swapRedBlue(pixel));
}

void TCustomRotateImage::SetTransparentColor(TColor value)
{
    FTransparentMode = tmFixed;
    FTransparentColor = value;
    Render();
}

void TCustomRotateImage::SetTransparentMode(TTransparentMode value)
{
    if (value == FTransparentMode)
        return;
    FTransparentMode = value;
    Render();
}

void TCustomRotateImage::SetNegative(bool value)
{
    if (value == FNegative)
        return;
    FNegative = value;
    Render();
}

void TCustomRotateImage::SetPivot(bool value)
{
    if (value == FPivot)
        return;
    InvalidateImageArea();
    FPivot = value;
    Render();
}

void TCustomRotateImage::SetPivotX(int32_t value)
{
    if (value == FPivotX)
        return;
    if (FPivot)
        InvalidateImageArea();
    FPivotX = value;
    if (FPivot)
        Render();
}

void TCustomRotateImage::SetPivotY(int32_t value)
{
    if (value == FPivotY)
        return;
    if (FPivot)
        InvalidateImageArea();
    FPivotY = value;
    if (FPivot)
        Render();
}

void TCustomRotateImage::SetPrintQuality(int value)
{
    FPrintQuality = TRotateImagePrintQuality(std::clamp(value, kMinPrintQuality, kMaxPrintQuality));
}

void TCustomRotateImage::SetDispMode(TRotateImageDispMode value)
{
    if (value == FDispMode)
        return;
    FDispMode = value;
    if (FDispMode == ridmMask)
        FRegionCache.reset();
    Invalidate();
}

void TCustomRotateImage::SetColorEffect(uint32_t effect)
{
    if (effect == FColorEffect)
        return;
    FColorEffect = effect;
    Render();
}

void TCustomRotateImage::SetMatrix(float m11, float m12, float m21, float m22)
{
    const TRotateMatrix m{m11, m12, m21, m22};
    // A matrix with an infinity or NaN in it maps nothing sensibly; it is ignored like a
    // singular one.
    if (!std::isfinite(m11) || !std::isfinite(m12) || !std::isfinite(m21) || !std::isfinite(m22))
        return;
    if (isDegenerateMatrix(m) || m == FMatrix)
        return;
    InvalidateImageArea();
    FMatrix = m;
    Render();
}

TPoint TCustomRotateImage::pivotOffset() const
{
    using L = long double;
    int64_t width = 0, height = 0;
    if (IsValidDib(FSourceDib)) {
        const BitmapInfoHeader info = BitmapInfoHeader::read(FSourceDib.Memory() + BitmapFileHeader::kSize);
        width = info.width;
        height = info.height;
    }
    const float f = float(L(width) / 2 - FPivotX);
    const float g = float(L(height) / 2 - FPivotY);
    const TRotateMatrix& m = FMatrix;
    const float det = float(L(m.m11) * m.m22 - L(m.m12) * m.m21);
    if (det != 0)
        return {roundedOffset((L(m.m22) * f + L(m.m21) * g) / det), roundedOffset((L(m.m12) * f + L(m.m11) * g) / det)};
    return {roundedOffset(L(m.m11) * f + L(m.m21) * g), roundedOffset(L(m.m12) * f + L(m.m22) * g)};
}

TPoint TCustomRotateImage::ApplyPivot(TPoint point) const
{
    const TPoint d = pivotOffset();
    return {saturatedSum(point.X, d.X), saturatedSum(point.Y, d.Y)};
}

void TCustomRotateImage::InvalidateImageArea()
{
    // Hidden controls are not repainted (the printing path hides the control for that).
    if (!Parent() || !shown() || !IsValidDib(FMaskDib))
        return;
    const BitmapInfoHeader info = BitmapInfoHeader::read(FMaskDib.Memory() + BitmapFileHeader::kSize);
    const int64_t w = info.width, h = info.height;
    int64_t left = int64_t(Left()) + Width() / 2 - w / 2;
    int64_t top = int64_t(Top()) + Height() / 2 - h / 2;
    if (FPivot) {
        const TPoint d = pivotOffset();
        left += d.X;
        top += d.Y;
    }
    const TRect bounds = BoundsRect();
    // Intersected in 64 bits: the image may lie far beyond the control.
    const int64_t l = std::max<int64_t>(left, bounds.Left), t = std::max<int64_t>(top, bounds.Top);
    const int64_t r = std::min<int64_t>(left + w, bounds.Right), b = std::min<int64_t>(top + h, bounds.Bottom);
    if (r > l && b > t)
        Parent()->InvalidateRect({int32_t(l), int32_t(t), int32_t(r), int32_t(b)}, true);
}

} // namespace dw
