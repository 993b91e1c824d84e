#pragma once

#include "Color.h"
#include "Geometry.h"
#include "Palette.h"
#include "Region.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace dw {

class TBitmap;
class TDib;

// --- Device traits --------------------------------------------------------------------------

// GetDeviceCaps indices and technologies.
enum TDeviceCapIndex : int {
    TECHNOLOGY = 2,
    HORZRES = 8,   // width of the surface in device pixels
    VERTRES = 10,  // height
    BITSPIXEL = 12,
    PLANES = 14,
    LOGPIXELSX = 88,
    LOGPIXELSY = 90,
};
enum TTechnology : int { DT_PLOTTER = 0, DT_RASDISPLAY = 1, DT_RASPRINTER = 2 };

// What a device says of itself. Canvases on the screen and on bitmaps are 32-bit raster
// displays; a printer canvas says DT_RASPRINTER. bitsPerPixel is what the device reports
// (GetDeviceCaps BITSPIXEL); the surface itself stays a true-colour image. On a device of 8
// bits or fewer the colour tables of device-independent bitmaps show only what a palette
// display can: the nearest static colour or entry of the realised palette (see StretchDIBits).
struct TDeviceCaps {
    int technology = DT_RASDISPLAY;
    int bitsPerPixel = 32;
    int logPixelsX = 96;
    int logPixelsY = 96;
};

// --- Mapping ------------------------------------------------------------------------------

// MM_TEXT: one logical unit per device pixel (the extents are (1, 1) and cannot be set).
// MM_ANISOTROPIC: device = (logical − window origin) · viewport extent / window extent +
// viewport origin, per axis, rounded to the nearest integer (halves upwards).
enum TMapMode : int { MM_TEXT = 1, MM_ANISOTROPIC = 8 };

// --- Drawing tools ------------------------------------------------------------------------

// Pen styles (cosmetic, one device pixel wide): psDash 18 on / 6 off, psDot 3 / 3,
// psDashDot 9 / 6 / 3 / 6, psDashDotDot 9 / 3 / 3 / 3 / 3 / 3, counted along the line; the
// gaps take the background colour when the background mode is opaque.
enum TPenStyle : int { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
// Pen modes: how the pen's (and a figure's brush's) colour P meets the pixel D.
enum TPenMode : int {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor,
};
// Brush styles. Hatches are 8 × 8 patterns fixed to the device origin; their background is
// left untouched (the framework draws hatches with a transparent background).
enum TBrushStyle : int { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

struct TPen {
    TColor Color = clBlack;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
};
struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};
// Only the colour matters here: it is the canvas's text colour, the foreground that
// monochrome bits 0 turn into.
struct TFont {
    TColor Color = clWindowText;
};

// Background modes.
enum TBkMode : int { TRANSPARENT = 1, OPAQUE = 2 };

// A logical palette handle; nullptr is none. Created by CreatePalette, freed with the last
// reference.
using HPALETTE = std::shared_ptr<const TLogPalette>;
HPALETTE CreatePalette(const TLogPalette& palette);
// The stock default palette (the 20 static colours), selected in every new canvas.
HPALETTE defaultPalette();

// --- The canvas -----------------------------------------------------------------------------

// A device context and the framework's canvas over it, drawing on a QImage: the bitmap's
// own image for a TBitmap's canvas, or a surface the caller keeps alive (a window's paint
// buffer, a printer page).
//
// Device state, as the platform keeps it: mapping mode, window and viewport origins and
// extents, a clip region in device coordinates (or none), text colour, background colour
// and mode, the selected palette. The framework's Pen, Brush and Font are plain fields; like
// the framework, the canvas brings the device state in line with them before each drawing
// operation it performs: the brush colour becomes the background colour (opaque background)
// for a solid brush; for any other brush the background is transparent and its colour the
// inverse of the brush colour; the font colour becomes the text colour. Changing a field
// therefore overrides an earlier SetBkColor/SetTextColor, as it does in the framework.
//
// All drawing is done by exact integer rules of its own (no anti-aliasing) and honours the
// mapping and the clip region. Pixel values on 1-, 4- and 8-bit surfaces are colour-table
// entries; the canvas works out colours first and stores the nearest entry. A monochrome
// device-dependent bitmap holds black (0) and white (1).
class TCanvas {
public:
    // A canvas on a caller's image, which must outlive it (any 15-, 16-, 24- or 32-bit
    // format; Mono and Indexed8 images are drawn on as colour-table bitmaps).
    explicit TCanvas(QImage* target, TDeviceCaps caps = {});
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The framework's tools; see the class comment for how they reach the device state.
    TPen Pen;
    TBrush Brush;
    TFont Font;
    // Raster operation of CopyRect.
    uint32_t CopyMode;
    // Called after every drawing operation that writes pixels of a caller's image (a bitmap's
    // canvas reports through the bitmap's OnChange instead). A canvas on a window uses it to
    // show what was drawn.
    std::function<void()> OnChange;

    // Device traits (GetDeviceCaps reads them).
    const TDeviceCaps& deviceCaps() const { return m_caps; }
    void setDeviceCaps(const TDeviceCaps& caps) { m_caps = caps; }
    // The drawing surface in device pixels; (0, 0) when there is none (an empty bitmap).
    int32_t surfaceWidth() const;
    int32_t surfaceHeight() const;

    // Drawing, in logical coordinates.
    TPoint PenPos() const { return m_penPos; }
    void MoveTo(int32_t x, int32_t y);
    // Draws from PenPos to (x, y), not including (x, y), and moves PenPos there.
    void LineTo(int32_t x, int32_t y);
    // Outline with the pen, inside filled with the brush (both through the pen mode). The
    // figure covers Left .. Right − 1 and Top .. Bottom − 1 (corners in any order).
    void Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    // The ellipse inscribed in the rectangle, with the pixel rule of CreateRoundRectRgn; its
    // outline is its pixels that touch a pixel outside it (left, right, above or below),
    // drawn solid whatever the pen style.
    void Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // Fills with the brush, copying (the pen mode does not apply); a clear brush fills
    // nothing.
    void FillRect(const TRect& rect);
    // Pixel colour at a logical point; −1 outside the surface. Setting ignores the pen
    // mode and honours the clip region.
    TColor Pixel(int32_t x, int32_t y);
    void SetPixel(int32_t x, int32_t y, TColor color);
    // Draws a bitmap at its own size (in logical units from (x, y)); a transparent bitmap
    // leaves the pixels of its transparent colour out. A monochrome device-dependent bitmap
    // is drawn black on white.
    void Draw(int32_t x, int32_t y, const TBitmap& bitmap);
    void StretchDraw(const TRect& rect, const TBitmap& bitmap);
    // Copies a rectangle of another canvas (or this one) with CopyMode, scaling it when the
    // sizes differ.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);
    // The clip box in logical coordinates: the bounding box of the clip region within the
    // surface, or the whole surface without a clip region.
    TRect ClipRect() const;

    // For code that composes 32-bit pixels itself instead of transferring them (the animation
    // player): the surface, and the device position of a logical rectangle, when the rectangle
    // can be written word by word with the same result as a SRCCOPY transfer — a true-colour
    // device, a 32-bit surface, no scaling, the rectangle wholly inside the clip area; nullptr
    // otherwise. Rows are taken with QImage::scanLine; call wordsWritten() afterwards, as the
    // canvas's own drawing reports its changes.
    QImage* directWordSurface(const TRect& logical, TPoint& deviceTopLeft);
    // The same for a rectangle that may reach beyond the clip area (a translucent pass's work
    // area): the surface and the device position of the rectangle's top-left corner when the
    // canvas's pixels are words as above, with `parts` set to the pieces of the rectangle within
    // the clip area (device coordinates, possibly none); nullptr otherwise.
    QImage* directWordParts(const TRect& logical, TPoint& deviceTopLeft, std::vector<TRect>& parts);
    void wordsWritten() { changed(); }

    // --- device state, used through the platform functions below ---
    struct State {
        int mapMode = MM_TEXT;
        TPoint windowOrg, viewportOrg;
        TSize windowExt{1, 1}, viewportExt{1, 1};
        std::optional<TRegion> clip; // device coordinates
        uint32_t textColor = 0x000000, bkColor = 0xFFFFFF;
        int bkMode = OPAQUE;
        HPALETTE palette;
        bool paletteBackground = false;
    };
    const State& state() const { return m_state; }
    // The palette last realised (RealizePalette), for callers that check what was shown.
    const HPALETTE& realizedPalette() const { return m_realized; }

    // Logical ↔ device for one point (the platform's LPtoDP/DPtoLP).
    TPoint toDevice(TPoint logical) const;
    TPoint toLogical(TPoint device) const;
    // Brings text and background colour in line with Font and Brush (see above).
    void realize() const;

private:
    friend class TBitmap;
    friend struct CanvasAccess; // the platform's drawing code
    friend int SaveDC(TCanvas&);
    friend bool RestoreDC(TCanvas&, int);
    friend unsigned RealizePalette(TCanvas&);
    State& deviceState() { return m_state; }
    explicit TCanvas(TBitmap* owner);
    QImage* surface() const;
    bool surfaceIsMonoDdb() const;
    void changed();
    void resetDeviceState();

    QImage* m_target = nullptr;
    TBitmap* m_owner = nullptr;
    TDeviceCaps m_caps;
    mutable State m_state;
    std::vector<State> m_saved;
    TPoint m_penPos;
    int m_penPhase = 0; // position in the pen style's pattern, restarted by MoveTo
    HPALETTE m_realized;
    // What realize() last applied, so that only changed tools override the device state.
    mutable TBrush m_realizedBrush{-1, bsSolid};
    mutable TColor m_realizedFont = -1;
};

// --- The platform's device-context functions --------------------------------------------

int GetDeviceCaps(const TCanvas& dc, int index);

int SetMapMode(TCanvas& dc, int mode); // previous mode; 0 for an unknown mode
int GetMapMode(const TCanvas& dc);
bool SetWindowOrgEx(TCanvas& dc, int32_t x, int32_t y, TPoint* old);
bool OffsetWindowOrgEx(TCanvas& dc, int32_t dx, int32_t dy, TPoint* old);
bool GetWindowOrgEx(const TCanvas& dc, TPoint* origin);
bool SetViewportOrgEx(TCanvas& dc, int32_t x, int32_t y, TPoint* old);
bool OffsetViewportOrgEx(TCanvas& dc, int32_t dx, int32_t dy, TPoint* old);
bool GetViewportOrgEx(const TCanvas& dc, TPoint* origin);
// Extents: ignored (true, nothing changes) in MM_TEXT; a zero extent fails.
bool SetWindowExtEx(TCanvas& dc, int32_t x, int32_t y, TSize* old);
bool SetViewportExtEx(TCanvas& dc, int32_t x, int32_t y, TSize* old);
bool GetWindowExtEx(const TCanvas& dc, TSize* extent);
bool GetViewportExtEx(const TCanvas& dc, TSize* extent);
bool LPtoDP(const TCanvas& dc, TPoint* points, int count);
bool DPtoLP(const TCanvas& dc, TPoint* points, int count);

uint32_t SetTextColor(TCanvas& dc, TColor color); // previous, 0x00BBGGRR
uint32_t GetTextColor(const TCanvas& dc);
uint32_t SetBkColor(TCanvas& dc, TColor color);
uint32_t GetBkColor(const TCanvas& dc);
int SetBkMode(TCanvas& dc, int mode);
int GetBkMode(const TCanvas& dc);

// Clipping. The clip region is kept in device coordinates.
// GetClipRgn: a copy of the clip region, none when the canvas has none.
std::optional<TRegion> GetClipRgn(const TCanvas& dc);
// Sets a copy of the region as the clip region; nullptr removes clipping. Returns the kind
// of the new clip region (SIMPLEREGION after removing it: the whole surface).
int SelectClipRgn(TCanvas& dc, const TRegion* region);
// Combines the clip region with a region (device coordinates); without a clip region the
// whole surface stands for it. RGN_COPY with nullptr removes clipping.
int ExtSelectClipRgn(TCanvas& dc, const TRegion* region, int mode);
// Intersects the clip region with a rectangle in logical coordinates.
int IntersectClipRect(TCanvas& dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
// The clip box in logical coordinates; returns the kind of the clip area.
int GetClipBox(const TCanvas& dc, TRect* box);

// Saves the whole device state on a stack; returns its level (1 for the first).
int SaveDC(TCanvas& dc);
// Restores a saved level (negative: relative to the top, −1 = the last saved) and drops
// it and every level above it.
bool RestoreDC(TCanvas& dc, int savedLevel);

// Palettes: recorded; on a device of 8 bits or fewer the palette selected and realised in a
// canvas decides which colours the colour tables of device-independent bitmaps drawn there
// can take. SelectPalette returns the previous palette (nullptr selects nothing and returns
// nullptr).
HPALETTE SelectPalette(TCanvas& dc, HPALETTE palette, bool forceBackground);
// Realises the selected palette: returns the number of its entries on a device of 8 bits or
// fewer, 0 on a true-colour one.
unsigned RealizePalette(TCanvas& dc);

// --- Block transfers ----------------------------------------------------------------------

// Raster operations (ternary: pattern P = the destination's brush, source S, destination D).
enum TRasterOp : uint32_t {
    SRCCOPY = 0x00CC0020,     // S
    SRCPAINT = 0x00EE0086,    // S | D
    SRCAND = 0x008800C6,      // S & D
    SRCINVERT = 0x00660046,   // S ^ D
    SRCERASE = 0x00440328,    // S & ~D
    NOTSRCCOPY = 0x00330008,  // ~S
    NOTSRCERASE = 0x001100A6, // ~(S | D)
    MERGECOPY = 0x00C000CA,   // P & S
    MERGEPAINT = 0x00BB0226,  // ~S | D
    PATCOPY = 0x00F00021,     // P
    PATPAINT = 0x00FB0A09,    // P | ~S | D
    PATINVERT = 0x005A0049,   // P ^ D
    DSTINVERT = 0x00550009,   // ~D
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};
// Any of the 256 ternary operations may be given; its index is bits 16..23 of the code.

// Colour conversions of block transfers (the platform's):
//   colour → monochrome device-dependent bitmap: pixels equal to the source canvas's
//   background colour become 1 (white), all others 0 (black);
//   monochrome device-dependent bitmap → colour: 0 becomes the destination's text colour,
//   1 its background colour;
//   device-independent bitmaps (StretchDIBits, SetDIBitsToDevice) → monochrome: the nearest
//   of black and white.
// Source pixels outside the source surface leave their destination pixels unchanged.
// Rectangles are in each canvas's logical coordinates; when the two device rectangles
// differ in size the source is scaled (nearest pixel), and negative sizes mirror.

bool BitBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, const TCanvas* source, int32_t sx,
            int32_t sy, uint32_t rop);
bool StretchBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, const TCanvas* source, int32_t sx,
                int32_t sy, int32_t sw, int32_t sh, uint32_t rop);
// An operation without source (pattern and destination only).
bool PatBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop);

// Colour table use of the device-independent bitmap functions.
enum TDibColorUse : uint32_t { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
constexpr int GDI_ERROR = -1;

// Draws the source rectangle of a device-independent bitmap into a destination rectangle
// in logical units, scaling when the device sizes differ. As on the platform, the source
// rectangle's y counts from the bottom row of a bottom-up bitmap (from the top row of a
// top-down one). DIB_PAL_COLORS takes the colour table as indices into the selected
// palette. On a device of 8 bits or fewer, each DIB_RGB_COLORS table colour is shown as the
// nearest of the 20 static colours and, when the selected palette has been realised, of its
// entries (true-colour pixels are drawn as they are). Returns the number of source rows, or 0
// when nothing could be drawn.
int StretchDIBits(TCanvas& dest, int32_t xDest, int32_t yDest, int32_t destWidth, int32_t destHeight, int32_t xSrc,
                  int32_t ySrc, int32_t srcWidth, int32_t srcHeight, const TDib& dib, uint32_t usage, uint32_t rop);
// Copies a rectangle of a device-independent bitmap unscaled (width × height device pixels)
// to the device position of a logical point. The source rectangle is numbered as for
// StretchDIBits; only the stored rows startScan .. startScan + numScans − 1 are drawn.
// Returns the number of rows set, 0 on failure.
int SetDIBitsToDevice(TCanvas& dest, int32_t xDest, int32_t yDest, uint32_t width, uint32_t height, int32_t xSrc,
                      int32_t ySrc, uint32_t startScan, uint32_t numScans, const TDib& dib, uint32_t usage);

} // namespace dw
