#pragma once

// TCustomRotateImage: the windowless picture control that shows one bitmap turned about a pivot,
// zoomed, colour-keyed, translucent, with colour effects and a sketch rendering. It keeps the
// source image, the rendered (turned) image and its transparency mask as in-memory bitmap-file
// images and draws them on any canvas (screen, off-screen bitmap, printer).

#include "RotateGeometry.h"

#include "platform/Bitmap.h"
#include "platform/Color.h"
#include "platform/FrameworkError.h"
#include "platform/GraphicControl.h"
#include "platform/MemoryStream.h"
#include "platform/Region.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dw {

class TCanvas;
class TDib;
class TStream;

// Translucency level, 0 (opaque) .. 7 (1/8 of the image).
using TTrnsIndex = uint8_t;
constexpr int kMaxTrnsIndex = 7;

// Oversampling factor of printing, 1 .. 16.
using TRotateImagePrintQuality = uint8_t;
constexpr int kMinPrintQuality = 1;
constexpr int kMaxPrintQuality = 16;
constexpr int kDefaultPrintQuality = 4;

enum TRotateImageDispMode : int { ridmMask = 0, ridmRegion = 1 };

// An error of the rotating image engine (its one message is "abnormal params in DrawMix").
// Derived from the framework's error so that a command it ends shows it in the standard box.
class ERotateImageError : public EFrameworkError {
public:
    using EFrameworkError::EFrameworkError;
};

class TCustomRotateImage : public TGraphicControl {
public:
    TCustomRotateImage();
    ~TCustomRotateImage() override;

    // --- properties (RotateImage_Properties.cpp) ---------------------------------------------

    bool Sketch() const { return FSketch; }
    void SetSketch(bool value);
    TTrnsIndex TrnsIndex() const { return FTrnsIndex; }
    // Values outside 0..7 are clamped into it.
    void SetTrnsIndex(int value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    // The fixed key colour, or with tmAuto the colour of the source's bottom-left pixel.
    TColor TransparentColor() const;
    // Always switches to tmFixed and renders, even for the same colour.
    void SetTransparentColor(TColor value);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode value);
    bool TransparentMouse() const { return FTransparentMouse; }
    void SetTransparentMouse(bool value) { FTransparentMouse = value; }
    bool Negative() const { return FNegative; }
    void SetNegative(bool value);
    bool Pivot() const { return FPivot; }
    void SetPivot(bool value);
    // Pivot in source pixels from the top-left corner, y downwards; may lie outside the picture.
    int32_t PivotX() const { return FPivotX; }
    void SetPivotX(int32_t value);
    int32_t PivotY() const { return FPivotY; }
    void SetPivotY(int32_t value);
    int PrintQuality() const { return FPrintQuality; }
    // Values outside 1..16 are clamped into it. Takes effect at the next print.
    void SetPrintQuality(int value);
    TRotateImageDispMode DispMode() const { return FDispMode; }
    void SetDispMode(TRotateImageDispMode value);
    // The colour effect word (EffectNone, EffectMonochrome, EffectSepia or any other).
    uint32_t ColorEffect() const { return FColorEffect; }
    void SetColorEffect(uint32_t effect);

    // Destination-to-source mapping of the rendered image. A singular or degenerate matrix
    // (or one holding an infinity or NaN), and one equal to the current, is ignored.
    const TRotateMatrix& Matrix() const { return FMatrix; }
    void SetMatrix(float m11, float m12, float m21, float m22);

    // --- images (RotateImage_Render.cpp) -----------------------------------------------------

    // Reads one bitmap file from the stream's current position as the new source (a refused
    // one leaves the control empty), computes the sketch when Sketch is on, and renders.
    void LoadFromBmpStream(TStream& stream);
    // Takes a bitmap as the new source; an empty bitmap leaves the control empty.
    void AssignBitmap(const TBitmap& bitmap);
    // Empties the source, rendered image and mask (the sketch stays), repainting their place.
    void ClearImages();
    // Turns the source (or the sketch) into the rendered image and mask; nothing while the
    // control is being read from a form resource. forPrint: a white background for 24 bits.
    void Render(bool forPrint = false);
    // Copies the rendered image into the bitmap (empty when there is none). withMask: the
    // transparent pixels become `color` (black when it resolves to black).
    void CopyRenderedTo(TBitmap& bitmap, bool withMask, TColor color) const;
    // The rendered image without mask, in `format`: what CopyRenderedTo(bitmap, false, …) and
    // then bitmap.SetPixelFormat(format) give, a 24-bit image going straight into 32 bits. A
    // rendered image that cannot be held in that format leaves the bitmap empty as well.
    void CopyRenderedTo(TBitmap& bitmap, TPixelFormat format) const;

    // A number that changes whenever the rendered image may have changed (every Render and
    // ClearImages), never the same for two renderings of any controls: who keeps something made
    // from a rendered image tells by it whether to make it again.
    uint64_t RenderStamp() const { return FRenderStamp; }

    const TMemoryStream& SourceDib() const { return FSourceDib; }
    const TMemoryStream& RotatedDib() const { return FRotatedDib; }
    const TMemoryStream& MaskDib() const { return FMaskDib; }
    const TMemoryStream& SketchDib() const { return FSketchDib; }
    // The cached screen region of the opaque pixels (mask coordinates), if built.
    const std::optional<TRegion>& RegionCache() const { return FRegionCache; }

    // --- drawing (RotateImage_Draw.cpp, RotateImage_Print.cpp) -------------------------------

    // Draws the rendered image so that its centre (with Pivot: the pivot pixel) lands on the
    // point, in the canvas's logical coordinates; transparent pixels are left untouched.
    void DrawAt(TCanvas& canvas, TPoint point);
    // DrawAt at the client centre; at design time without a picture a dashed outline.
    void DrawCentered(TCanvas& canvas);
    // A whole translucent pass of DrawCentered (see TranslucentPass::DrawMix) over a rectangle
    // of a canvas whose pixels are words, in one sweep over them: the rendered image's colours
    // blended by `level` with the canvas where it is opaque, the canvas kept elsewhere, with the
    // same result as painting over a copy and blending. False (nothing drawn) where it cannot.
    bool DrawMixDirect(TCanvas& canvas, const TRect& rect, int level);
    void Paint(TCanvas& canvas) override;
    void Loaded() override;

    // The point plus the offset from the image centre that puts the pivot pixel on the point.
    TPoint ApplyPivot(TPoint point) const;
    // Repaints the part of the parent the rendered image covers.
    void InvalidateImageArea();

    // --- hit test (RotateImage_HitTest.cpp) --------------------------------------------------

    // The hit-test message: with TransparentMouse and a picture only opaque pixels of the
    // drawn image hit; otherwise the framework's rectangle test.
    bool CMHitTest(TPoint point) const override;
    // The client points CMHitTest accepts, as a region; none when it accepts the whole client
    // rectangle (TransparentMouse off, or no picture).
    std::optional<TRegion> TransparentMouseRegion() const;

private:
    bool shown() const { return Visible() || (ComponentState() & csDesigning); }
    // Offset of the drawn image's centre from the point it is drawn at (ApplyPivot of 0, 0).
    TPoint pivotOffset() const;
    void computeSketch();
    void drawMasked(TCanvas& canvas, int32_t w, int32_t h);
    // The mask blit's result written word by word where the canvas allows it (see
    // TCanvas::directWordParts); false (nothing drawn) elsewhere. `part` is the part of the
    // rendered image to draw, in its own coordinates, which are the canvas's logical ones.
    bool drawMaskedWords(TCanvas& canvas, const TRect& part, const TDib& image, const TDib& mask);
    // The rendered image as the mask blit leaves it on a true-colour canvas, a word per pixel
    // (rows from the top): 0xFF and the colour where it is opaque, 0 where it is transparent.
    // Made by the same transfers at the second drawing of a rendered image (one drawn once, as a
    // turning hand is, would pay for it and gain nothing); nullptr before. A 24-bit rendering,
    // which can be drawn straight from its rows, waits until those drawings have covered its
    // pixels once: a hand turned every second is drawn in a few parts (where it was, where it
    // is) once per turn, and the words would cost more than the parts.
    const std::vector<uint32_t>* drawnWords(const TCanvas& canvas, const TDib& image, const TDib& mask);
    void drawThroughRegion(TCanvas& canvas);

    TRotateMatrix FMatrix;
    TMemoryStream FRotatedDib;
    TMemoryStream FMaskDib;
    TMemoryStream FSourceDib;
    std::optional<TRegion> FRegionCache;
    uint64_t FRenderStamp = 0;
    std::vector<uint32_t> FDrawnWords; // see drawnWords; empty until made
    int FDrawsWithoutWords = 0;        // drawings of the rendered image before FDrawnWords
    int64_t FPixelsWithoutWords = 0;   // the pixels those drawings took straight from its rows
    bool FTransparent = false;
    TColor FTransparentColor = 0;
    TTransparentMode FTransparentMode = tmAuto;
    bool FTransparentMouse = false;
    uint32_t FColorEffect = 0;
    bool FNegative = false;
    bool FPivot = false;
    int32_t FPivotX = 0;
    int32_t FPivotY = 0;
    TRotateImagePrintQuality FPrintQuality = kDefaultPrintQuality;
    TRotateImageDispMode FDispMode = ridmMask;
    TTrnsIndex FTrnsIndex = 0;
    bool FSketch = false;
    TMemoryStream FSketchDib;
};

} // namespace dw
