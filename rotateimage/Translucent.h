#pragma once

// Translucent painting: a control paints over a copy of what lies behind it, and the two are
// mixed by a level of 1 (7/8 of the image) to 7 (1/8).

#include "platform/Bitmap.h"
#include "platform/Geometry.h"

#include <functional>
#include <vector>

namespace dw {

class TCanvas;
class TGraphicControl;

using PaintProcedure = std::function<void(TCanvas& canvas)>;

// A control's own way of doing a whole pass (see TranslucentPass::DrawMix) with the same result,
// for the canvases where it has one: true when it has drawn the pass, false when the pass must be
// done by painting over a copy.
using DirectMixProcedure = std::function<bool(TCanvas& canvas, const TRect& rect, int level)>;

// The most pixels one blending pass handles (two 24-bit work bitmaps of 192 KiB each).
constexpr int64_t kMixPassPixels = 65536;

// Paints `paint` on the canvas, mixed with what is there by `level` (only its low three bits
// count; 0 paints directly). The area is the canvas's clip box within the control's client
// rectangle, widened by one pixel to the right and downwards, cut into bands of at most
// kMixPassPixels pixels.
// `direct`, when given, is tried first for each pass.
void PaintTranslucent(TCanvas& canvas, const PaintProcedure& paint, const TGraphicControl& control, int level,
                      const DirectMixProcedure& direct = {});

// One blending pass and the work bitmaps it reuses from pass to pass.
class TranslucentPass {
public:
    TranslucentPass(TCanvas& canvas, const PaintProcedure& paint, int level, const DirectMixProcedure& direct = {});

    // Copies the rectangle of the canvas (logical coordinates), lets `paint` draw over the
    // copy in the canvas's coordinates, mixes, and copies the result back. Raises
    // ERotateImageError("abnormal params in DrawMix") for a rectangle without width or height.
    void DrawMix(const TRect& rect);

private:
    // The same pass over a canvas whose pixels are words (see TCanvas::directWordParts): one
    // 32-bit work bitmap, and the blend written straight over the canvas's pixels in the clip
    // area, with the same result. False (nothing done) for other canvases.
    bool drawMixWords(const TRect& rect);
    void paintComposite(TBitmap& composite, const TRect& rect);

    TCanvas& m_canvas;
    const PaintProcedure& m_paint;
    DirectMixProcedure m_direct;
    int m_level;
    TBitmap m_background;
    TBitmap m_composite;
    TBitmap m_wordComposite;
    std::vector<TRect> m_parts;
};

} // namespace dw
