// TCustomRotateImage: taking a picture in, the render pipeline and copying the rendered image out.

#include "RotateImage_20001122.h"

#include "DibDecoder.h"
#include "DibFormat.h"
#include "EngineLimits.h"
#include "RotateDib.h"
#include "Sketch.h"

#include "platform/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"

#include <atomic>
#include <cstring>

namespace dw {

namespace {

int bitCountOf(const TMemoryStream& image) { return readLE16(image.Memory() + 28); }

uint64_t nextRenderStamp()
{
    static std::atomic<uint64_t> stamps{0};
    return ++stamps;
}

// The colour key Render uses for the source.
RotateKey sourceKey(const TMemoryStream& source, bool transparent, TTransparentMode mode, TColor color)
{
    if (!transparent)
        return RotateKey::none();
    const bool indexed = bitCountOf(source) == 8;
    if (mode == tmFixed) {
        // System colours resolve to their plain colour; the key is compared in pixel order.
        const uint32_t pixel = swapRedBlue(ColorToRGB(color));
        if (!indexed)
            return RotateKey::pixel(pixel);
        const std::optional<uint32_t> index = findTableEntry(source, pixel);
        return index ? RotateKey::index(uint8_t(*index)) : RotateKey::none();
    }
    const std::optional<uint32_t> first = firstStoredPixel(source);
    if (!first)
        return RotateKey::none();
    return indexed ? RotateKey::index(uint8_t(*first)) : RotateKey::pixel(*first);
}

// A bitmap the engine takes as it is: its file image stays within the decoder's limits.
bool withinEngineLimits(const TBitmap& bitmap, int bits)
{
    const int64_t w = bitmap.Width(), h = bitmap.Height();
    return w <= kMaxDibSide && h <= kMaxDibSide && kDibHeaderSize + 1024 + dibRowSize(w, bits) * h <= kMaxDecodedBytes;
}

} // namespace

void TCustomRotateImage::Loaded()
{
    TGraphicControl::Loaded();
    Render();
}

void TCustomRotateImage::Render(bool forPrint)
{
    FRenderStamp = nextRenderStamp();
    FRegionCache.reset();
    FDrawnWords.clear();
    FDrawsWithoutWords = 0;
    FPixelsWithoutWords = 0;
    if (ComponentState() & csLoading)
        return;
    if (IsValidDib(FSourceDib)) {
        const bool useSketch = FSketch && IsValidDib(FSketchDib);
        RotateOptions options;
        // The sketch is never colour-keyed.
        if (!useSketch)
            options.key = sourceKey(FSourceDib, FTransparent, FTransparentMode, FTransparentColor);
        options.forPrint = forPrint;
        options.colorEffect = FColorEffect;
        options.negative = FNegative;
        // A result beyond the engine's limits leaves both outputs empty: the control then
        // shows nothing until a smaller one is asked for.
        RotateDib(useSketch ? FSketchDib : FSourceDib, FMatrix, options, FRotatedDib, FMaskDib);
    }
    InvalidateImageArea();
}

void TCustomRotateImage::ClearImages()
{
    InvalidateImageArea();
    FSourceDib.Clear();
    FRotatedDib.Clear();
    FMaskDib.Clear();
    FRenderStamp = nextRenderStamp();
    FRegionCache.reset();
    std::vector<uint32_t>().swap(FDrawnWords);
    FDrawsWithoutWords = 0;
    FPixelsWithoutWords = 0;
}

void TCustomRotateImage::LoadFromBmpStream(TStream& stream)
{
    ClearImages();
    // The decoder appends the spare byte of a 24-bit source itself.
    ::dw::LoadFromBmpStream(stream, FSourceDib);
    computeSketch();
    Render();
}

void TCustomRotateImage::AssignBitmap(const TBitmap& bitmap)
{
    ClearImages();
    if (bitmap.Empty()) {
        Render();
        return;
    }
    const TPixelFormat format = bitmap.PixelFormat();
    if (format != pf8bit && format != pf24bit) {
        TMemoryStream file;
        bitmap.SaveToStream(file);
        file.SetPosition(0);
        LoadFromBmpStream(file);
        return;
    }
    const int bits = format == pf8bit ? 8 : 24;
    // A picture the decoder would refuse for its size leaves the control empty here as well.
    if (!withinEngineLimits(bitmap, bits)) {
        Render();
        return;
    }
    bitmap.SaveToStream(FSourceDib);
    if (FSourceDib.size() <= kDibHeaderSize) {
        FSourceDib.Clear();
        Render();
        return;
    }
    uint8_t* p = FSourceDib.Memory();
    uint32_t colors = readLE32(p + 46);
    if (bits == 8 && colors == 0) {
        // The bitmap writes exactly the table it states: none. The engine reads a full table
        // for a count of 0, so one of 256 black entries goes in before the rows.
        const int64_t rows = FSourceDib.size() - kDibHeaderSize;
        FSourceDib.SetSize(FSourceDib.size() + 256 * 4);
        p = FSourceDib.Memory();
        std::memmove(p + kDibHeaderSize + 256 * 4, p + kDibHeaderSize, size_t(rows));
        std::memset(p + kDibHeaderSize, 0, 256 * 4);
        colors = 256;
        writeLE32(p + 46, colors);
    }
    writeLE32(p + 10, colors * 4 + kDibHeaderSize);
    writeLE32(p + 2, uint32_t(FSourceDib.size()));
    if (bits == 24)
        FSourceDib.SetSize(FSourceDib.size() + 1); // the spare byte for word reads
    computeSketch();
    Render();
}

void TCustomRotateImage::CopyRenderedTo(TBitmap& bitmap, TPixelFormat format) const
{
    if (!IsValidDib(FRotatedDib)) {
        bitmap.Assign(nullptr);
        return;
    }
    try {
        bitmap.LoadFromMemory(FRotatedDib.Memory(), FRotatedDib.size(), format);
    } catch (const EFrameworkError&) {
        bitmap.Assign(nullptr);
    }
}

void TCustomRotateImage::CopyRenderedTo(TBitmap& bitmap, bool withMask, TColor color) const
{
    if (!IsValidDib(FRotatedDib)) {
        bitmap.Assign(nullptr);
        return;
    }
    try {
        bitmap.LoadFromMemory(FRotatedDib.Memory(), FRotatedDib.size());
    } catch (const EFrameworkError&) {
        // A rendered image beyond the bitmap's size limits: nothing to show.
        bitmap.Assign(nullptr);
        return;
    }
    if (!withMask || !IsValidDib(FMaskDib))
        return;
    const std::optional<TDib> mask = TDib::fromFileImage(FMaskDib.Memory(), size_t(FMaskDib.size()));
    if (!mask)
        return;
    const int32_t w = mask->width(), h = mask->height();
    // Colours are combined exactly only at true colour; an 8-bit copy would take the nearest
    // table entry for black and for the fill colour.
    if (bitmap.PixelFormat() != pf24bit)
        bitmap.SetPixelFormat(pf24bit);
    const std::unique_ptr<TBitmap> mono = CreateMonochromeBitmap(w, h);
    SetDIBitsToDevice(mono->Canvas(), 0, 0, uint32_t(w), uint32_t(h), 0, 0, 0, uint32_t(h), *mask, DIB_RGB_COLORS);
    TCanvas& canvas = bitmap.Canvas();
    // Monochrome bits turn into the text colour (0, opaque) and the background colour (1,
    // transparent) of the destination.
    canvas.Font.Color = clBlack;
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = clWhite;
    constexpr uint32_t kDestAndNotSource = 0x00220326;
    BitBlt(canvas, 0, 0, w, h, &mono->Canvas(), 0, 0, kDestAndNotSource); // transparent → black
    const uint32_t rgb = ColorToRGB(color);
    if (rgb != 0) {
        canvas.Brush.Color = TColor(rgb);
        BitBlt(canvas, 0, 0, w, h, &mono->Canvas(), 0, 0, SRCPAINT); // transparent → color
    }
}

} // namespace dw
