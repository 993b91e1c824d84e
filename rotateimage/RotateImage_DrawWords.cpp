// TCustomRotateImage: the mask blit over a canvas whose pixels are words, in one pass.
//
// On a true-colour canvas the five transfers of the mask blit leave the image's colour where the
// mask is opaque and the canvas as it was elsewhere. That result, a word per pixel of the
// rendered image, is made once by the same transfers and kept until the image is rendered anew;
// each drawing is then one pass over the rows. The drawings of a 24-bit rendering (a hand turned
// every second is drawn once per rendering, in a few parts) read the rendered rows and the mask
// straight instead until they have covered it once: a 24-bit pixel shows as its own colour on
// such a canvas, and the engine's masks hold
// only 0 (opaque) and 1 (transparent).

#include "RotateImage_20001122.h"

#include "DibFormat.h"
#include "MaskedRow.h"
#include "MixRow.h"

#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/WordRows.h"

#include <algorithm>
#include <new>

namespace dw {

const std::vector<uint32_t>* TCustomRotateImage::drawnWords(const TCanvas& canvas, const TDib& image, const TDib& mask)
{
    if (!FDrawnWords.empty())
        return &FDrawnWords;
    const bool straight = image.bitCount() == 24 && image.compression() == 0 && mask.bitCount() == 8;
    if (++FDrawsWithoutWords < 2 || (straight && FPixelsWithoutWords < int64_t(image.width()) * image.height()))
        return nullptr;
    const int32_t w = image.width(), h = image.height();
    std::unique_ptr<TBitmap> colorBitmap = CreateCompatibleBitmap(canvas, w, h);
    std::unique_ptr<TBitmap> monoBitmap = CreateMonochromeBitmap(w, h);
    TCanvas& color = colorBitmap->Canvas();
    color.Font.Color = clBlack;
    color.Brush.Color = clWhite;
    // Opaque 0, transparent 1; then opaque black, transparent white.
    SetDIBitsToDevice(monoBitmap->Canvas(), 0, 0, uint32_t(w), uint32_t(h), 0, 0, 0, uint32_t(h), mask, DIB_RGB_COLORS);
    BitBlt(color, 0, 0, w, h, &monoBitmap->Canvas(), 0, 0, SRCCOPY);
    std::vector<uint32_t> words(size_t(w) * size_t(h));
    const TBitmap& colors = *colorBitmap;
    const int64_t stride = colors.image().bytesPerLine();
    for (int32_t y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(colors.ScanLine(0) + y * stride);
        uint32_t* out = words.data() + size_t(y) * size_t(w);
        for (int32_t x = 0; x < w; ++x)
            out[x] = (row[x] & 0xFFFFFFu) == 0 ? 0xFF000000u : 0;
    }
    // Opaque pixels take the image's colour, transparent ones become black.
    StretchDIBits(color, 0, 0, w, h, 0, 0, w, h, image, DIB_RGB_COLORS, SRCERASE);
    for (int32_t y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(colors.ScanLine(0) + y * stride);
        uint32_t* out = words.data() + size_t(y) * size_t(w);
        for (int32_t x = 0; x < w; ++x)
            out[x] |= (row[x] & 0xFFFFFFu) & uint32_t(int32_t(out[x]) >> 31);
    }
    FDrawnWords = std::move(words);
    return &FDrawnWords;
}

bool TCustomRotateImage::drawMaskedWords(TCanvas& canvas, const TRect& part, const TDib& image, const TDib& mask)
{
    TPoint at;
    std::vector<TRect> pieces;
    QImage* surface = canvas.directWordParts(part, at, pieces);
    // A mask of another size than the image is left to the transfers, which read what they can.
    if (!surface || mask.width() != image.width() || mask.height() != image.height())
        return false;
    if (pieces.empty())
        return true;
    const std::vector<uint32_t>* words;
    try {
        words = drawnWords(canvas, image, mask);
    } catch (const std::bad_alloc&) {
        return false; // the transfers need only the part's size
    } catch (const EFrameworkError&) {
        return false;
    }
    uint8_t* const bits = surface->bits();
    const int64_t stride = surface->bytesPerLine();
    if (!words) {
        if (image.bitCount() != 24 || image.compression() != 0 || mask.bitCount() != 8)
            return false;
        for (const TRect& piece : pieces)
            for (int32_t y = piece.Top; y < piece.Bottom; ++y) {
                const int32_t iy = int32_t(int64_t(y) - at.Y + part.Top);
                const int64_t ix = int64_t(piece.Left) - at.X + part.Left;
                auto* out = reinterpret_cast<uint32_t*>(bits + y * stride) + piece.Left;
                overlayMaskedRow24(image.rowFromTop(iy) + 3 * ix, mask.rowFromTop(iy) + ix, out, piece.Width());
                FPixelsWithoutWords += piece.Width();
            }
        canvas.wordsWritten();
        return true;
    }
    const size_t w = size_t(image.width());
    for (const TRect& piece : pieces)
        for (int32_t y = piece.Top; y < piece.Bottom; ++y) {
            // Device (x, y) shows pixel (x − at.X + part.Left, y − at.Y + part.Top) of the image.
            const size_t iy = size_t(int64_t(y) - at.Y + part.Top), ix = size_t(int64_t(piece.Left) - at.X + part.Left);
            auto* out = reinterpret_cast<uint32_t*>(bits + y * stride) + piece.Left;
            overlayWordRow(out, words->data() + iy * w + ix, out, piece.Width());
        }
    canvas.wordsWritten();
    return true;
}

bool TCustomRotateImage::DrawMixDirect(TCanvas& canvas, const TRect& rect, int level)
{
    // What DrawCentered would do on the pass's copy must be the mask blit: not the outline of
    // design time, not the clip-region display. And only with the word image made already: the
    // pass over a copy draws through drawMasked, which makes it when the image is drawn again.
    if (!IsValidDib(FSourceDib) || !IsValidDib(FRotatedDib) || !IsValidDib(FMaskDib) || FDispMode == ridmRegion
        || FDrawnWords.empty())
        return false;
    const std::optional<TDib> image = TDib::fromFileImage(FRotatedDib.Memory(), size_t(FRotatedDib.size()));
    const std::optional<TDib> mask = TDib::fromFileImage(FMaskDib.Memory(), size_t(FMaskDib.size()));
    if (!image || !mask || mask->width() != image->width() || mask->height() != image->height())
        return false;
    const BitmapInfoHeader info = BitmapInfoHeader::read(FRotatedDib.Memory() + BitmapFileHeader::kSize);
    const int32_t w = info.width, h = info.height;
    if (w != image->width() || h != image->height() || rect.isEmpty())
        return false;
    TPoint at;
    std::vector<TRect> pieces;
    QImage* surface = canvas.directWordParts(rect, at, pieces);
    if (!surface)
        return false;
    // Where DrawAt puts the image's top-left corner on the canvas, in device pixels; positions
    // at which its origin arithmetic would saturate are left to the copy.
    const TPoint centre = FPivot ? ApplyPivot({Width() / 2, Height() / 2}) : TPoint{Width() / 2, Height() / 2};
    const int64_t originX = int64_t(w / 2) - centre.X, originY = int64_t(h / 2) - centre.Y;
    if (originX < INT32_MIN || originX > INT32_MAX || originY < INT32_MIN || originY > INT32_MAX)
        return false;
    const int64_t left = int64_t(at.X) - rect.Left - originX, top = int64_t(at.Y) - rect.Top - originY;
    if (left - at.X < INT32_MIN || top - at.Y < INT32_MIN || left + w - at.X > INT32_MAX || top + h - at.Y > INT32_MAX)
        return false;
    const uint32_t* const words = FDrawnWords.data();
    uint8_t* const bits = surface->bits();
    const int64_t stride = surface->bytesPerLine();
    for (const TRect& piece : pieces)
        for (int32_t y = piece.Top; y < piece.Bottom; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(bits + y * stride);
            // The image's columns on this row, and the rest of the piece, which the pass leaves
            // as it was (but for the top byte a transfer sets).
            int64_t from = piece.Right, to = piece.Right;
            if (y >= top && y < top + h) {
                from = std::clamp<int64_t>(left, piece.Left, piece.Right);
                to = std::clamp<int64_t>(left + w, from, piece.Right);
            }
            for (int64_t x = piece.Left; x < from; ++x)
                row[x] |= 0xFF000000u;
            if (to > from)
                mixOverlayOver(row + from, words + size_t(y - top) * size_t(w) + size_t(from - left), to - from,
                               level);
            for (int64_t x = to; x < piece.Right; ++x)
                row[x] |= 0xFF000000u;
        }
    canvas.wordsWritten();
    return true;
}

} // namespace dw
