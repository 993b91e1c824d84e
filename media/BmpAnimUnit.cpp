#include "BmpAnimUnit.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/TickSource.h"
#include "platform/WordRows.h"

#include <QCoreApplication>
#include <QImage>

namespace dw {

namespace {

// The strip's transparent colour: white for a 1-bit strip, else its bottom-left pixel.
TColor stripKeyColour(const TBitmap& strip)
{
    if (strip.Monochrome())
        return clWhite;
    return strip.pixel(0, strip.Height() - 1);
}

// Serves the application's events until the tick count reaches the deadline; false when a stop
// was asked for meanwhile (checked right after the events, before sleeping).
bool waitUntil(int64_t deadline, const AnimPlayStop* stop)
{
    TickSource& ticks = ticks::current();
    while (ticks.milliseconds() < deadline) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (stop && stop->requested())
            return false;
        ticks.sleep(kAnimWaitStep);
    }
    return true;
}

} // namespace

AnimFramePainter::AnimFramePainter(TBitmap& strip, const TAnimParam& param)
    : m_grid(animFrameGrid(strip.Width(), strip.Height(), param)), m_x(param.OffsetX), m_y(param.OffsetY)
{
    if (!m_grid.framesVisible())
        return;
    m_mask.Assign(strip);
    m_mask.Mask(stripKeyColour(strip));

    m_sprite.SetPixelFormat(pf24bit);
    m_sprite.SetSize(strip.Width(), strip.Height());
    TCanvas& s = m_sprite.Canvas();
    // A monochrome source turns 0 into the text colour and 1 into the background colour.
    s.Font.Color = clBlack;
    s.Brush.Color = clWhite;
    BitBlt(s, 0, 0, strip.Width(), strip.Height(), &m_mask.Canvas(), 0, 0, SRCCOPY);
    BitBlt(s, 0, 0, strip.Width(), strip.Height(), &strip.Canvas(), 0, 0, SRCERASE);

    // M and S once more as one word a pixel for composing directly: the sprite's colour with
    // the top byte set where the strip is opaque, 0 where it is transparent.
    m_spriteWords.assign(size_t(strip.Width()) * size_t(strip.Height()), 0);
    for (int32_t y = 0; y < strip.Height(); ++y) {
        const uint8_t* bits = m_mask.ScanLine(y); // monochrome, most significant bit first, 1 white
        const uint8_t* sprite = m_sprite.ScanLine(y); // blue, green, red
        uint32_t* row = m_spriteWords.data() + size_t(y) * size_t(strip.Width());
        for (int32_t x = 0; x < strip.Width(); ++x, sprite += 3)
            if (!(bits[x >> 3] >> (7 - (x & 7)) & 1))
                row[x] = 0xFF000000u | uint32_t(sprite[2]) << 16 | uint32_t(sprite[1]) << 8 | sprite[0];
    }

    // W in the device's own format: its last transfer to a window is then a copy of words.
    m_work.SetPixelFormat(pf32bit);
    m_work.SetSize(m_grid.frameWidth, m_grid.frameHeight);
    m_work.Canvas().Font.Color = clBlack;
    m_work.Canvas().Brush.Color = clWhite;
}

AnimFramePainter::~AnimFramePainter() = default;

void AnimFramePainter::draw(TCanvas& target, TBitmap& background, int64_t k)
{
    if (!m_grid.framesVisible() || !overlapsTarget(target))
        return;
    const TRect f = m_grid.frameRect(k);
    const int32_t w = m_grid.frameWidth, h = m_grid.frameHeight;
    if (composeIntoTarget(target, background, f))
        return;
    if (!composeDirect(background, f)) {
        TCanvas& work = m_work.Canvas();
        // Where the frame reaches past the background, the copy leaves those pixels alone:
        // start from black there instead of the previous frame.
        if (m_x < 0 || m_y < 0 || int64_t(m_x) + w > background.Width() || int64_t(m_y) + h > background.Height())
            PatBlt(work, 0, 0, w, h, BLACKNESS);
        BitBlt(work, 0, 0, w, h, &background.Canvas(), m_x, m_y, SRCCOPY);
        BitBlt(work, 0, 0, w, h, &m_mask.Canvas(), f.Left, f.Top, SRCAND);
        BitBlt(work, 0, 0, w, h, &m_sprite.Canvas(), f.Left, f.Top, SRCINVERT);
    }
    BitBlt(target, m_x, m_y, w, h, &m_work.Canvas(), 0, 0, SRCCOPY);
}

bool AnimFramePainter::backgroundReadable(const TBitmap& background) const
{
    const TPixelFormat format = background.PixelFormat();
    if ((format != pf32bit && format != pfDevice && format != pf24bit) || background.HandleType() != bmDIB
        || m_spriteWords.empty())
        return false;
    const int32_t w = m_grid.frameWidth, h = m_grid.frameHeight;
    return m_x >= 0 && m_y >= 0 && int64_t(m_x) + w <= background.Width() && int64_t(m_y) + h <= background.Height();
}

bool AnimFramePainter::composeDirect(const TBitmap& background, const TRect& f)
{
    // The first three transfers in one pass, where the rows can be read directly. (B AND M) XOR S
    // is the background where the mask is white (the sprite is black there) and the sprite where
    // it is black (the mask is).
    if (!backgroundReadable(background))
        return false;
    composeRows(background, f, [this](int32_t y) { return reinterpret_cast<uint32_t*>(m_work.ScanLine(y)); });
    return true;
}

bool AnimFramePainter::composeIntoTarget(TCanvas& target, const TBitmap& background, const TRect& f)
{
    // All four transfers in one pass: the composed words go straight to the target, which then
    // holds what the last transfer would have copied there. The work buffer only keeps a window
    // from showing the frame half made; drawing into an image shows nothing until it is done.
    if (!backgroundReadable(background))
        return false;
    TPoint at;
    QImage* surface = target.directWordSurface(Bounds(m_x, m_y, m_grid.frameWidth, m_grid.frameHeight), at);
    if (!surface)
        return false;
    composeRows(background, f, [surface, at](int32_t y) {
        return reinterpret_cast<uint32_t*>(surface->scanLine(at.Y + y)) + at.X;
    });
    target.wordsWritten();
    return true;
}

void AnimFramePainter::composeRows(const TBitmap& background, const TRect& f,
                                   const std::function<uint32_t*(int32_t)>& row) const
{
    const TPixelFormat format = background.PixelFormat();
    const bool words = format == pf32bit || format == pfDevice;
    const int32_t w = m_grid.frameWidth, h = m_grid.frameHeight;
    const size_t stripWidth = size_t(m_sprite.Width());
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* b = background.ScanLine(m_y + y);
        const uint32_t* s = m_spriteWords.data() + size_t(f.Top + y) * stripWidth + size_t(f.Left);
        uint32_t* out = row(y);
        if (words) {
            overlayWordRow(reinterpret_cast<const uint32_t*>(b) + m_x, s, out, w);
        } else {
            const uint8_t* bb = b + size_t(m_x) * 3; // blue, green, red
            for (int32_t x = 0; x < w; ++x, bb += 3)
                out[x] = s[x] ? s[x] : 0xFF000000u | uint32_t(bb[2]) << 16 | uint32_t(bb[1]) << 8 | bb[0];
        }
    }
}

bool AnimFramePainter::overlapsTarget(const TCanvas& target) const
{
    // Checking it first also keeps the transfers' arithmetic away from offsets near the ends of
    // the 32-bit range.
    const TRect clip = target.ClipRect();
    return int64_t(m_x) < clip.Right && int64_t(m_x) + m_grid.frameWidth > clip.Left && int64_t(m_y) < clip.Bottom
           && int64_t(m_y) + m_grid.frameHeight > clip.Top;
}

void BmpAnimPlay(TCanvas& Target, TBitmap& Strip, const TAnimParam& Param, TBitmap& Background,
                 const AnimPlayStop* stop)
{
    AnimFramePainter painter(Strip, Param);
    // Nothing would be seen: the play would only hold the window for its whole time.
    if (!painter.drawsOn(Target))
        return;
    // The 64-bit count never wraps, so a deadline is never mistaken for one long past.
    int64_t deadline = ticks::current().milliseconds();
    const int64_t frames = painter.frameCount();
    for (int64_t k = 0; k < frames; ++k) {
        if (stop && stop->requested())
            return;
        painter.draw(Target, Background, k);
        deadline += Param.FrameTime;
        if (!waitUntil(deadline, stop))
            return;
    }
}

void drawAnimFrame(TCanvas& Target, TBitmap& Strip, const TAnimParam& Param, TBitmap& Background, int64_t frame)
{
    AnimFramePainter painter(Strip, Param);
    if (frame >= 0 && frame < painter.frameCount())
        painter.draw(Target, Background, frame);
}

} // namespace dw
