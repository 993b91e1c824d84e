// TCustomRotateImage: drawing through a clip region of the opaque pixels, on the screen (with the
// cached region) and on printers and other scaled canvases (oversampled by PrintQuality).

#include "RotateImage_20001122.h"

#include "DibFormat.h"
#include "RegionFromMask.h"

#include "platform/Canvas.h"
#include "platform/Dib.h"

#include <cmath>

namespace dw {

namespace {

// What a region draw changes on the canvas and the control, put back on every path.
struct RegionDrawState {
    std::optional<TRegion> clip;
    TPoint viewportOrigin;
    TSize viewportExtent;
    bool visible = true;
    TRotateMatrix matrix;
    bool oversampled = false;
};

int32_t roundedExtent(int32_t extent, float s) { return int32_t(std::nearbyint(static_cast<long double>(extent) / s)); }

} // namespace

void TCustomRotateImage::drawThroughRegion(TCanvas& canvas)
{
    TPoint origin{0, 0};
    LPtoDP(canvas, &origin, 1);
    RegionDrawState saved;
    saved.visible = Visible();
    saved.matrix = FMatrix;
    saved.clip = GetClipRgn(canvas);
    GetViewportOrgEx(canvas, &saved.viewportOrigin);
    GetViewportExtEx(canvas, &saved.viewportExtent);

    const auto restore = [&] {
        SelectClipRgn(canvas, saved.clip ? &*saved.clip : nullptr);
        if (saved.oversampled) {
            // The canvas's mapping is the caller's: the smaller extent served this draw only.
            SetViewportExtEx(canvas, saved.viewportExtent.cx, saved.viewportExtent.cy, nullptr);
            SetViewportOrgEx(canvas, saved.viewportOrigin.X, saved.viewportOrigin.Y, nullptr);
        }
        // After oversampling this renders the screen image again.
        SetMatrix(saved.matrix.m11, saved.matrix.m12, saved.matrix.m21, saved.matrix.m22);
        SetVisible(saved.visible);
    };

    try {
        bool clipped = false;
        if (GetMapMode(canvas) == MM_TEXT) {
            if (!FRegionCache)
                FRegionCache = MaskToRegion(nullptr, FMaskDib, nullptr);
            if (FRegionCache) {
                TRegion placed = *FRegionCache;
                // An image beyond the region coordinate range lies off every surface.
                if (OffsetRgn(placed, origin.X, origin.Y) == ERROR)
                    placed = TRegion();
                ExtSelectClipRgn(canvas, &placed, RGN_AND);
                clipped = true;
            }
        } else {
            if (GetMapMode(canvas) == MM_ANISOTROPIC && FPrintQuality != 1) {
                saved.oversampled = true;
                // Hidden, the re-renders below repaint nothing.
                SetVisible(false);
                const float s = float(std::sqrt(static_cast<long double>(FPrintQuality)));
                TSize v;
                GetViewportExtEx(canvas, &v);
                SetViewportExtEx(canvas, roundedExtent(v.cx, s), roundedExtent(v.cy, s), nullptr);
                TSize n;
                GetViewportExtEx(canvas, &n);
                const float rx = float(static_cast<long double>(v.cx) / n.cx);
                const float ry = float(static_cast<long double>(v.cy) / n.cy);
                // Stored directly: SetMatrix would invalidate and compare.
                FMatrix.m11 = float(FMatrix.m11 / static_cast<long double>(rx));
                FMatrix.m12 = float(FMatrix.m12 / static_cast<long double>(rx));
                FMatrix.m21 = float(FMatrix.m21 / static_cast<long double>(ry));
                FMatrix.m22 = float(FMatrix.m22 / static_cast<long double>(ry));
                Render(true);
                // Logical (0, 0) stays on the device where it was.
                TPoint now{0, 0};
                LPtoDP(canvas, &now, 1);
                OffsetViewportOrgEx(canvas, origin.X - now.X, origin.Y - now.Y, nullptr);
            }
            if (std::optional<TRegion> region = MaskToRegion(nullptr, FMaskDib, &canvas)) {
                ExtSelectClipRgn(canvas, &*region, RGN_AND);
                clipped = true;
            }
        }
        // Without a mask (an oversampled render beyond the engine's limits) nothing is drawn.
        const std::optional<TDib> image =
            clipped ? TDib::fromFileImage(FRotatedDib.Memory(), size_t(FRotatedDib.size())) : std::nullopt;
        if (image)
            StretchDIBits(canvas, 0, 0, image->width(), image->height(), 0, 0, image->width(), image->height(), *image,
                          DIB_RGB_COLORS, SRCCOPY);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

} // namespace dw
