// TCustomRotateImage: drawing the rendered image with a mask blit, and painting the control.

#include "RotateImage_20001122.h"

#include "ColorEffect.h"
#include "DibFormat.h"
#include "Translucent.h"

#include "platform/Canvas.h"
#include "platform/Dib.h"

#include <algorithm>

namespace dw {

namespace {

int32_t saturated(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

} // namespace

void TCustomRotateImage::DrawAt(TCanvas& canvas, TPoint point)
{
    if (!IsValidDib(FSourceDib) || !IsValidDib(FRotatedDib) || !IsValidDib(FMaskDib))
        return;
    // Foreground and background of the monochrome bits below.
    canvas.Font.Color = clBlack;
    canvas.Brush.Color = clWhite;
    const TPoint at = FPivot ? ApplyPivot(point) : point;
    const BitmapInfoHeader info = BitmapInfoHeader::read(FRotatedDib.Memory() + BitmapFileHeader::kSize);
    const int32_t w = info.width, h = info.height;
    // The rendered image's top-left corner becomes logical (0, 0).
    TPoint oldOrigin;
    OffsetWindowOrgEx(canvas, saturated(int64_t(w / 2) - at.X), saturated(int64_t(h / 2) - at.Y), &oldOrigin);
    try {
        if (GetDeviceCaps(canvas, TECHNOLOGY) == DT_RASPRINTER || FDispMode == ridmRegion)
            drawThroughRegion(canvas);
        else
            drawMasked(canvas, w, h);
    } catch (...) {
        SetWindowOrgEx(canvas, oldOrigin.X, oldOrigin.Y, nullptr);
        throw;
    }
    SetWindowOrgEx(canvas, oldOrigin.X, oldOrigin.Y, nullptr);
}

void TCustomRotateImage::drawMasked(TCanvas& canvas, int32_t w, int32_t h)
{
    const std::optional<TDib> image = TDib::fromFileImage(FRotatedDib.Memory(), size_t(FRotatedDib.size()));
    const std::optional<TDib> mask = TDib::fromFileImage(FMaskDib.Memory(), size_t(FMaskDib.size()));
    if (!image || !mask)
        return;
    // One logical unit per device pixel: only the part of the image inside the clip box is
    // worth the work bitmaps (a band of a translucent paint, a small canvas). On scaled
    // canvases the whole image is transferred, so that the scaling is the image's.
    TRect part{0, 0, w, h};
    if (GetMapMode(canvas) == MM_TEXT && !IntersectRect(part, part, canvas.ClipRect()))
        return;
    if (drawMaskedWords(canvas, part, *image, *mask))
        return;
    const int32_t pw = int32_t(part.Width()), ph = int32_t(part.Height());
    std::unique_ptr<TBitmap> colorBitmap, monoBitmap;
    try {
        colorBitmap = CreateCompatibleBitmap(canvas, pw, ph);
        monoBitmap = CreateMonochromeBitmap(pw, ph);
    } catch (const EFrameworkError&) {
        // Too large for the two work bitmaps: the clip region needs none.
        drawThroughRegion(canvas);
        return;
    }
    TCanvas& color = colorBitmap->Canvas();
    TCanvas& mono = monoBitmap->Canvas();
    color.Font.Color = clBlack;
    color.Brush.Color = clWhite;

    // On an 8-bit display an indexed image shows its own colours through its palette.
    HPALETTE palette;
    if (GetDeviceCaps(canvas, BITSPIXEL) == 8 && image->bitCount() <= 8)
        if (const std::optional<TLogPalette> logical = CreateDibPalette(FRotatedDib))
            palette = CreatePalette(*logical);
    HPALETTE oldCanvasPalette, oldColorPalette;
    if (palette) {
        oldCanvasPalette = SelectPalette(canvas, palette, false);
        oldColorPalette = SelectPalette(color, palette, false);
        RealizePalette(color);
    }

    // Source rectangles of the bitmaps count their rows from the bottom.
    const int32_t sx = part.Left, sy = h - part.Bottom;
    // Opaque 0, transparent 1.
    SetDIBitsToDevice(mono, 0, 0, uint32_t(pw), uint32_t(ph), sx, sy, 0, uint32_t(h), *mask, DIB_RGB_COLORS);
    // Opaque black, transparent white.
    BitBlt(color, 0, 0, pw, ph, &mono, 0, 0, SRCCOPY);
    // Opaque pixels take the image's colour, transparent ones become black.
    StretchDIBits(color, 0, 0, pw, ph, sx, sy, pw, ph, *image, DIB_RGB_COLORS, SRCERASE);
    // The canvas's opaque pixels become black, the transparent ones stay.
    BitBlt(canvas, part.Left, part.Top, pw, ph, &mono, 0, 0, SRCAND);
    // The image fills the blackened pixels.
    BitBlt(canvas, part.Left, part.Top, pw, ph, &color, 0, 0, SRCPAINT);

    if (palette) {
        SelectPalette(canvas, oldCanvasPalette, false);
        SelectPalette(color, oldColorPalette, false);
    }
}

void TCustomRotateImage::DrawCentered(TCanvas& canvas)
{
    if ((ComponentState() & csDesigning) && !IsValidDib(FSourceDib)) {
        canvas.Pen.Color = clBlack;
        canvas.Pen.Style = psDash;
        canvas.Brush.Style = bsClear;
        canvas.Rectangle(0, 0, Width(), Height());
        canvas.Brush.Style = bsSolid;
    }
    if (IsValidDib(FSourceDib) && IsValidDib(FRotatedDib) && IsValidDib(FMaskDib))
        DrawAt(canvas, {Width() / 2, Height() / 2});
}

void TCustomRotateImage::Paint(TCanvas& canvas)
{
    FRegionCache.reset();
    const int level = GetDeviceCaps(canvas, TECHNOLOGY) == DT_RASDISPLAY ? FTrnsIndex : 0;
    try {
        PaintTranslucent(
            canvas, [this](TCanvas& c) { DrawCentered(c); }, *this, level,
            [this](TCanvas& c, const TRect& rect, int mixLevel) { return DrawMixDirect(c, rect, mixLevel); });
    } catch (...) {
        FRegionCache.reset();
        throw;
    }
    FRegionCache.reset();
}

} // namespace dw
