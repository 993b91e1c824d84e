// Animation slot records from untrusted bytes: the record, its parameters, the embedded strip's
// decoding, the frame grid, and one frame composed as the player composes it. A named strip is
// never looked for on disk. Any broken invariant aborts (a finding), as do the sanitizers.

#include "media/AnimSlot.h"
#include "media/BmpAnimUnit.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/FrameworkError.h"

#include <cstdio>
#include <cstdlib>

using namespace dw;

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_animslot: %s\n", what);
        std::abort();
    }
}

// Composing a frame costs about its strip's size; bigger strips stop after the grid checks.
constexpr int64_t kMaxComposedPixels = int64_t(1) << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const AnimRecordView view = viewAnimRecord(data, int64_t(size));
    const AnimSlotItems items = animSlotItems(int64_t(size));
    require(items.params == view.hasData && items.play == view.hasData, "items disagree with the record");
    require(view.hasData || view.payloadSize == 0, "payload without data");
    (void)animRecordName(view);

    TBitmap strip;
    AnimStripStatus status = AnimStripStatus::NoData;
    try {
        status = loadEmbeddedAnimStrip(view, strip);
    } catch (const EFrameworkError&) {
        require(strip.Empty(), "a refused strip left pixels behind");
        return 0;
    }
    if (status != AnimStripStatus::Loaded)
        return 0;
    require(!strip.Empty(), "loaded strip is empty");

    const AnimFrameGrid grid = animFrameGrid(strip.Width(), strip.Height(), view.param);
    require(grid.frameWidth >= 0 && grid.frameHeight >= 0, "negative frame size");
    require(int64_t(grid.frameWidth) * std::max(grid.columns, 1) <= strip.Width(), "columns wider than the strip");
    require(int64_t(grid.frameHeight) * std::max(grid.rows, 1) <= strip.Height(), "rows taller than the strip");
    const int64_t count = grid.frameCount();
    for (int64_t k : {int64_t(0), count / 2, count - 1}) {
        if (k < 0 || k >= count || !grid.framesVisible())
            continue;
        const TRect f = grid.frameRect(k);
        require(f.Left >= 0 && f.Top >= 0 && f.Right <= strip.Width() && f.Bottom <= strip.Height(), "frame outside the strip");
    }

    if (int64_t(strip.Width()) * strip.Height() > kMaxComposedPixels || count == 0)
        return 0;
    QImage targetImage(64, 48, QImage::Format_RGB32);
    targetImage.fill(0xFF102030u);
    TCanvas target(&targetImage);
    TBitmap background;
    background.setImage(targetImage);
    drawAnimFrame(target, strip, view.param, background, count - 1);
    return 0;
}
