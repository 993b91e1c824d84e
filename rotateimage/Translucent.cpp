#include "Translucent.h"

#include "MixRow.h"
#include "RotateImage_20001122.h"

#include "platform/Canvas.h"
#include "platform/GraphicControl.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace dw {

namespace {

int32_t saturated(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Horizontal bands of at most kMixPassPixels pixels of a rectangle at most that wide.
void drawBands(TranslucentPass& pass, int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    const int64_t w = right - left;
    const int64_t band = std::max<int64_t>(1, kMixPassPixels / w);
    int64_t bandTop = top, bandBottom = top + band;
    while (bandBottom <= bottom) {
        pass.DrawMix({saturated(left), saturated(bandTop), saturated(right), saturated(bandBottom)});
        bandTop += band;
        bandBottom += band;
    }
    if (bottom > bandTop)
        pass.DrawMix({saturated(left), saturated(bandTop), saturated(right), saturated(bottom)});
}

} // namespace

TranslucentPass::TranslucentPass(TCanvas& canvas, const PaintProcedure& paint, int level,
                                 const DirectMixProcedure& direct)
    : m_canvas(canvas), m_paint(paint), m_direct(direct), m_level(level)
{
    m_background.SetPixelFormat(pf24bit);
    m_composite.SetPixelFormat(pf24bit);
}

void TranslucentPass::DrawMix(const TRect& rect)
{
    const int64_t w = rect.Width(), h = rect.Height();
    if (w < 1 || h < 1)
        throw ERotateImageError(QStringLiteral("abnormal params in DrawMix"));
    if ((m_direct && m_direct(m_canvas, rect, m_level)) || drawMixWords(rect))
        return;
    const int32_t iw = int32_t(w), ih = int32_t(h);

    // What lies behind.
    m_background.SetSize(iw, ih);
    BitBlt(m_background.Canvas(), 0, 0, iw, ih, &m_canvas, rect.Left, rect.Top, SRCCOPY);

    // The control painted over a copy of it, in its own client coordinates.
    // Both work bitmaps hold their rows one after the other, each padded to whole words, which
    // is exactly the blend's row (mixRowWords): they are copied and mixed as one run of words.
    m_composite.SetSize(iw, ih);
    const int64_t words = mixRowWords(w) * h;
    Q_ASSERT(m_background.image().bytesPerLine() == mixRowWords(w) * 4);
    std::memcpy(m_composite.ScanLine(0), m_background.ScanLine(0), size_t(words) * 4);
    paintComposite(m_composite, rect);

    // Where the control drew nothing the composite equals the background and stays so.
    mixWords(m_composite.ScanLine(0), std::as_const(m_background).ScanLine(0), words, m_level);

    BitBlt(m_canvas, rect.Left, rect.Top, iw, ih, &m_composite.Canvas(), 0, 0, SRCCOPY);
}

void TranslucentPass::paintComposite(TBitmap& composite, const TRect& rect)
{
    TCanvas& canvas = composite.Canvas();
    const int saved = SaveDC(canvas);
    try {
        IntersectClipRect(canvas, 0, 0, composite.Width(), composite.Height());
        OffsetViewportOrgEx(canvas, -rect.Left, -rect.Top, nullptr);
        m_paint(canvas);
    } catch (...) {
        RestoreDC(canvas, saved);
        throw;
    }
    RestoreDC(canvas, saved);
}

bool TranslucentPass::drawMixWords(const TRect& rect)
{
    TPoint at;
    QImage* surface = m_canvas.directWordParts(rect, at, m_parts);
    if (!surface)
        return false;
    const int32_t iw = int32_t(rect.Width()), ih = int32_t(rect.Height());
    if (m_wordComposite.Width() == 0)
        m_wordComposite.SetPixelFormat(pf32bit);
    m_wordComposite.SetSize(iw, ih);

    // Rows are addressed from their first one (looking each row up costs a call per row, which
    // on a 256-pixel row is a fair part of its copy).
    const int64_t compositeStride = m_wordComposite.image().bytesPerLine();

    // The composite starts as what lies behind: rows straight from the surface when the whole
    // rectangle is on it, else a transfer (which decides what lies beyond the surface).
    if (at.X >= 0 && at.Y >= 0 && int64_t(at.X) + iw <= surface->width() && int64_t(at.Y) + ih <= surface->height()) {
        const QImage& from = *surface;
        const uint8_t* in = from.constBits() + int64_t(at.Y) * from.bytesPerLine() + int64_t(at.X) * 4;
        uint8_t* out = m_wordComposite.ScanLine(0);
        for (int32_t y = 0; y < ih; ++y, in += from.bytesPerLine(), out += compositeStride)
            std::memcpy(out, in, size_t(iw) * 4);
    } else {
        BitBlt(m_wordComposite.Canvas(), 0, 0, iw, ih, &m_canvas, rect.Left, rect.Top, SRCCOPY);
    }
    // Whether the control draws anything on it (the canvas reports every pixel it writes): a
    // control that draws nothing in this pass (one whose picture lies in another band) leaves
    // the blend nothing to do.
    bool drawn = false;
    m_wordComposite.OnChange = [&drawn](TBitmap&) { drawn = true; };
    try {
        paintComposite(m_wordComposite, rect);
    } catch (...) {
        m_wordComposite.OnChange = nullptr;
        throw;
    }
    m_wordComposite.OnChange = nullptr;

    // The canvas still holds the background: the blend goes over it where it may be drawn on.
    if (m_parts.empty())
        return true;
    uint8_t* const surfaceBits = surface->bits();
    const int64_t surfaceStride = surface->bytesPerLine();
    const uint8_t* const compositeBits = std::as_const(m_wordComposite).ScanLine(0);
    for (const TRect& part : m_parts)
        for (int32_t y = part.Top; y < part.Bottom; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(surfaceBits + y * surfaceStride) + part.Left;
            if (drawn)
                mixPixelsOver(row,
                              reinterpret_cast<const uint32_t*>(compositeBits + (int64_t(y) - at.Y) * compositeStride)
                                  + (int64_t(part.Left) - at.X),
                              part.Width(), m_level);
            else
                setTopBytes(row, part.Width()); // all the blend of a pixel with itself changes
        }
    m_canvas.wordsWritten();
    return true;
}

void PaintTranslucent(TCanvas& canvas, const PaintProcedure& paint, const TGraphicControl& control, int level,
                      const DirectMixProcedure& direct)
{
    if (level == 0) {
        paint(canvas);
        return;
    }
    TranslucentPass pass(canvas, paint, level, direct);
    TRect r;
    IntersectRect(r, canvas.ClipRect(), control.ClientRect());
    // One pixel more to the right and downwards: an empty intersection still gives 1 × 1.
    const int64_t left = r.Left, top = r.Top, right = int64_t(r.Right) + 1, bottom = int64_t(r.Bottom) + 1;
    const int64_t w = right - left;
    if (w * (bottom - top) <= kMixPassPixels) {
        pass.DrawMix({saturated(left), saturated(top), saturated(right), saturated(bottom)});
        return;
    }
    // A rectangle wider than one pass is cut into columns first, so that no pass needs a work
    // bitmap beyond kMixPassPixels pixels.
    for (int64_t stripLeft = left; stripLeft < right; stripLeft += kMixPassPixels)
        drawBands(pass, stripLeft, top, std::min(right, stripLeft + kMixPassPixels), bottom);
}

} // namespace dw
