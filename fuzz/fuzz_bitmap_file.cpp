// Bitmap files from outside bytes: loading refuses with the framework's error or gives a
// bitmap that writes itself and reads back pixel for pixel; drawing it must stay in bounds.
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    dw::TBitmap b;
    try {
        b.LoadFromMemory(data, int64_t(size));
    } catch (const dw::EFrameworkError&) {
        return 0;
    }
    dw::TMemoryStream s;
    b.SaveToStream(s);
    s.SetPosition(0);
    dw::TBitmap back;
    back.LoadFromStream(s);
    if (back.Width() != b.Width() || back.Height() != b.Height())
        std::abort();
    // 5-6-5 pixels are written as 5-5-5 and lose their lowest green bit.
    for (int y = 0; b.PixelFormat() != dw::pf16bit && y < b.Height() && y < 16; ++y)
        for (int x = 0; x < b.Width() && x < 16; ++x)
            if (back.pixel(x, y) != b.pixel(x, y))
                std::abort();
    // The same bytes through the drawing path, scaled onto a small surface.
    if (const auto dib = dw::TDib::fromFileImage(data, size)) {
        QImage target(17, 13, QImage::Format_RGB32);
        target.fill(0);
        dw::TCanvas c(&target);
        dw::StretchDIBits(c, -3, 2, 25, 9, 1, -1, dib->width(), dib->height() + 2, *dib, dw::DIB_RGB_COLORS,
                          dw::SRCINVERT);
        c.StretchDraw({0, 0, 17, 13}, b);
    }
    return 0;
}
