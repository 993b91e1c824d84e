#pragma once

// The clock's four renderers loaded from pictures and set up as the editor sets them up, and the
// scene that draws them: for the tests of the preview's composition and of the main window's view.

#include "tests/editor/TestPictures.h"

#include "editor/clock/ClockComposer.h"
#include "platform/MemoryStream.h"
#include "rotateimage/RotateImage.h"

#include <array>

namespace dw::test {

// The renderer shows the picture, as a 24-bit bitmap file.
inline void loadRenderer(TRotateImage& r, const QImage& image)
{
    const QByteArray bytes = bmpFile(image);
    TMemoryStream s;
    s.WriteBuffer(bytes.constData(), bytes.size());
    s.SetPosition(0);
    r.LoadFromBmpStream(s);
}

struct TestClock {
    // The hands hour, minute and second, each turning about its pivot (in its picture) at its
    // centre on the dial, drawn in the mode given.
    TestClock(const QImage& dialPicture, const std::array<QImage, 3>& hands, const std::array<TPoint, 3>& pivots,
              const std::array<TPoint, 3>& centres, TRotateImageDispMode mode = ridmMask)
    {
        loadRenderer(dial, dialPicture);
        TRotateImage* renderers[] = {&hour, &minute, &second};
        for (size_t i = 0; i < 3; ++i) {
            setUpHandRenderer(*renderers[i]);
            renderers[i]->SetDispMode(mode);
            loadRenderer(*renderers[i], hands[i]);
            renderers[i]->SetPivotX(pivots[i].X);
            renderers[i]->SetPivotY(pivots[i].Y);
        }
        scene = {&dial, &hour, &minute, &second, centres[0], centres[1], centres[2]};
    }
    TRotateImage dial, hour, minute, second;
    ClockScene scene;
};

} // namespace dw::test
