#include "RotateImage.h"

#include <cmath>

namespace dw {

TRotateImage::TRotateImage() : FBitmap(std::make_unique<TBitmap>())
{
    FBitmap->OnChange = [this](TBitmap& sender) { AssignBitmap(sender); };
}

TRotateImage::~TRotateImage()
{
    FBitmap->OnChange = nullptr;
    FBitmap.reset();
}

int32_t TRotateImage::Angle() const
{
    return int32_t(std::nearbyint(static_cast<long double>(FAngle) * 180 / kEnginePi));
}

void TRotateImage::SetAngle(int32_t degrees) { SetAngleEx(degrees % 360 * 10); }

int32_t TRotateImage::AngleEx() const
{
    return int32_t(std::nearbyint(static_cast<long double>(FAngle) * 1800 / kEnginePi));
}

void TRotateImage::SetAngleEx(int32_t tenths)
{
    FAngle = angleFromTenths(tenths);
    UpdateMatrix();
}

int32_t TRotateImage::Zoom() const { return int32_t(std::nearbyint(static_cast<long double>(FZoom) * 100)); }

void TRotateImage::SetZoom(int32_t percent)
{
    FZoom = zoomFromPercent(percent);
    UpdateMatrix();
}

void TRotateImage::SetBitmap(const TBitmap* bitmap)
{
    if (ComponentState() & csDesigning)
        Invalidate();
    // The copy fires the bitmap's change notification, which takes it as the source.
    FBitmap->Assign(bitmap);
}

void TRotateImage::SetMonochrome(bool value)
{
    if (value)
        SetColorEffect(EffectMonochrome);
    else if (!Sepia())
        SetColorEffect(EffectNone);
}

void TRotateImage::SetSepia(bool value)
{
    if (value)
        SetColorEffect(EffectSepia);
    else if (!Monochrome())
        SetColorEffect(EffectNone);
}

void TRotateImage::UpdateMatrix()
{
    const TRotateMatrix m = matrixFromAngle(FAngle, FZoom);
    SetMatrix(m.m11, m.m12, m.m21, m.m22);
}

} // namespace dw
