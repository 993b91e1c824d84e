#pragma once

// TRotateImage: the published rotating image control. Adds the angle, the zoom, a bitmap
// property and the two named colour effects Monochrome and Sepia to the engine.

#include "ColorEffect.h"
#include "RotateImage_20001122.h"

#include "platform/Bitmap.h"

#include <memory>

namespace dw {

class TRotateImage : public TCustomRotateImage {
public:
    TRotateImage();
    ~TRotateImage() override;

    // Degrees, turning clockwise on the screen: Round(angle · 180 / π). Setting folds the value
    // with the truncating remainder and sets AngleEx to (value rem 360) · 10.
    int32_t Angle() const;
    void SetAngle(int32_t degrees);
    // Tenths of a degree; any value is folded into 0 .. 3599.
    int32_t AngleEx() const;
    void SetAngleEx(int32_t tenths);
    // The stored angle in radians, in [0, 2π).
    float AngleRadians() const { return FAngle; }

    // Percent; set values are clamped to 25 .. 400.
    int32_t Zoom() const;
    void SetZoom(int32_t percent);

    // The bitmap shown. Setting copies it (nullptr empties it); any change of the bitmap
    // object, also through its canvas, becomes the control's source.
    TBitmap& Bitmap() { return *FBitmap; }
    const TBitmap& Bitmap() const { return *FBitmap; }
    void SetBitmap(const TBitmap* bitmap);

    // Two views of the colour effect word: setting one True replaces the other.
    bool Monochrome() const { return ColorEffect() == EffectMonochrome; }
    void SetMonochrome(bool value);
    bool Sepia() const { return ColorEffect() == EffectSepia; }
    void SetSepia(bool value);

    // Sets the matrix of the current angle and zoom.
    void UpdateMatrix();

private:
    float FAngle = 0;
    std::unique_ptr<TBitmap> FBitmap;
    float FZoom = 1;
};

} // namespace dw
