#pragma once

// The strip player: shows an animation strip once, frame by frame, over a background.

#include "AnimParam.h"

#include "platform/Bitmap.h"

#include <vector>

#include <functional>

namespace dw {

class TCanvas;

// What one play prepares once and the frames it draws: the mask M (white where the strip has its
// transparent colour, black elsewhere), the sprite S (the strip with its transparent pixels
// black) and the work buffer W of one frame. Each frame costs four transfers of one frame's
// size: the background into W (SRCCOPY), M (SRCAND), S (SRCINVERT), W onto the target (SRCCOPY).
// Over a true-colour background that covers the frame, the first three are done as one pass over
// the rows, with the same pixels.
class AnimFramePainter {
public:
    AnimFramePainter(TBitmap& strip, const TAnimParam& param);
    ~AnimFramePainter();
    AnimFramePainter(const AnimFramePainter&) = delete;
    AnimFramePainter& operator=(const AnimFramePainter&) = delete;

    int64_t frameCount() const { return m_grid.frameCount(); }
    // Whether any frame shows on the target: frames of size 0 or placed wholly outside the
    // target's clip area draw nothing.
    bool drawsOn(const TCanvas& target) const { return m_grid.framesVisible() && overlapsTarget(target); }
    // Composes frame k over a fresh copy of the background at the frame's place and copies it
    // to the target there. A frame of size 0 or wholly outside the target draws nothing.
    void draw(TCanvas& target, TBitmap& background, int64_t k);

private:
    bool overlapsTarget(const TCanvas& target) const;
    // Composes the frame at f of the strip into W without the transfers when the background's
    // rows can be read directly; false (nothing done) otherwise.
    bool composeDirect(const TBitmap& background, const TRect& f);
    // The same straight into the target where its pixels can be written as words (see
    // TCanvas::directWordSurface): the work buffer's last transfer is then not needed.
    bool composeIntoTarget(TCanvas& target, const TBitmap& background, const TRect& f);
    // Whether the background's rows can be read directly: a true-colour picture that covers the
    // whole frame.
    bool backgroundReadable(const TBitmap& background) const;
    // Composes the frame's rows; row(y) gives where row y of the frame goes.
    void composeRows(const TBitmap& background, const TRect& f, const std::function<uint32_t*(int32_t)>& row) const;

    AnimFrameGrid m_grid;
    int32_t m_x, m_y;
    TBitmap m_mask, m_sprite, m_work;
    // S and M as words: 0xFF and the colour where the strip is opaque, 0 where transparent.
    std::vector<uint32_t> m_spriteWords;

};

// A play the user may stop. Whoever watches the user's input while the play serves events asks
// for the stop; the play then returns at once, without drawing another frame.
class AnimPlayStop {
public:
    void request() { m_requested = true; }
    bool requested() const { return m_requested; }

private:
    bool m_requested = false;
};

// Plays Strip once on Target: frame after frame (the top row left to right, then the next row),
// each at (Param.OffsetX, Param.OffsetY) of Target for Param.FrameTime milliseconds, with the
// strip's transparent colour (its bottom-left pixel; white for a 1-bit strip) letting Background
// show through. Background is in Target's coordinates. Returns when the last frame has had its
// time; the last frame stays on Target, the caller repaints.
//
// The wait between frames serves the application's events and sleeps 20 ms at a time on the
// installed tick source (platform/TickSource.h); deadlines are absolute from the start, so the
// play does not drift and a slow frame is followed at once by the next. A whole play lasts
// rows × columns × FrameTime, give or take one 20 ms step, unless `stop` is asked for during a
// wait (the play then returns at once). A play that would show nothing (frames of size 0, frames
// wholly outside Target) returns at once; counts below 1 play no frame.
//
// Strip is read only while the play prepares (the mask and the sprite are made from it once);
// Background is read for every frame, so the caller keeps it alive and unchanged for the whole
// call: an event served during the wait must not free it (both callers play over a background
// of their own).
void BmpAnimPlay(TCanvas& Target, TBitmap& Strip, const TAnimParam& Param, TBitmap& Background,
                 const AnimPlayStop* stop = nullptr);

// The polling step of the wait, in milliseconds.
constexpr int kAnimWaitStep = 20;

// One frame composed as the player composes it: frame `frame` (from 0) of Strip over the part of
// Background at the frame's place, drawn into Target. Exposed for the tool that draws a single
// frame and for measurements; mask and sprite are made for this call alone.
void drawAnimFrame(TCanvas& Target, TBitmap& Strip, const TAnimParam& Param, TBitmap& Background, int64_t frame);

} // namespace dw
