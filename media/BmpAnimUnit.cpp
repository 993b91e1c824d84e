#include "BmpAnimUnit.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/TickSource.h"

#include <QCoreApplication>

namespace dw {

namespace {

// The strip's transparent colour: white for a 1-bit strip, else its bottom-left pixel.
TColor stripKeyColour(const TBitmap& strip)
{
    if (strip.Monochrome())
        return clWhite;
    return strip.pixel(0, strip.Height() - 1);
}

// Serves the application's events until the tick count reaches the deadline.
void waitUntil(int64_t deadline)
{
    TickSource& ticks = ticks::current();
    while (ticks.milliseconds() < deadline) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        ticks.sleep(kAnimWaitStep);
    }
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

    m_work.SetPixelFormat(pf24bit);
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
    TCanvas& work = m_work.Canvas();
    // Where the frame reaches past the background, the copy leaves those pixels alone: start
    // from black there instead of the previous frame.
    if (m_x < 0 || m_y < 0 || int64_t(m_x) + w > background.Width() || int64_t(m_y) + h > background.Height())
        PatBlt(work, 0, 0, w, h, BLACKNESS);
    BitBlt(work, 0, 0, w, h, &background.Canvas(), m_x, m_y, SRCCOPY);
    BitBlt(work, 0, 0, w, h, &m_mask.Canvas(), f.Left, f.Top, SRCAND);
    BitBlt(work, 0, 0, w, h, &m_sprite.Canvas(), f.Left, f.Top, SRCINVERT);
    BitBlt(target, m_x, m_y, w, h, &work, 0, 0, SRCCOPY);
}

bool AnimFramePainter::overlapsTarget(const TCanvas& target) const
{
    // Checking it first also keeps the transfers' arithmetic away from offsets near the ends of
    // the 32-bit range.
    const TRect clip = target.ClipRect();
    return int64_t(m_x) < clip.Right && int64_t(m_x) + m_grid.frameWidth > clip.Left && int64_t(m_y) < clip.Bottom
           && int64_t(m_y) + m_grid.frameHeight > clip.Top;
}

void BmpAnimPlay(TCanvas& Target, TBitmap& Strip, const TAnimParam& Param, TBitmap& Background)
{
    AnimFramePainter painter(Strip, Param);
    // The 64-bit count never wraps, so a deadline is never mistaken for one long past.
    int64_t deadline = ticks::current().milliseconds();
    const int64_t frames = painter.frameCount();
    for (int64_t k = 0; k < frames; ++k) {
        painter.draw(Target, Background, k);
        deadline += Param.FrameTime;
        waitUntil(deadline);
    }
}

void drawAnimFrame(TCanvas& Target, TBitmap& Strip, const TAnimParam& Param, TBitmap& Background, int64_t frame)
{
    AnimFramePainter painter(Strip, Param);
    if (frame >= 0 && frame < painter.frameCount())
        painter.draw(Target, Background, frame);
}

} // namespace dw
