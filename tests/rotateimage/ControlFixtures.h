#pragma once

// Helpers of the control tests: a recording host, pictures described by a colour function, and
// canvases on bitmaps.

#include "BmpBuilder.h"

#include "rotateimage/DibFormat.h"
#include "rotateimage/RotateImage.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/GraphicControl.h"

#include <functional>
#include <memory>
#include <vector>

namespace dw::test {

// Records every repaint request.
class RecordingHost : public TControlHost {
public:
    TRect client{0, 0, 200, 200};
    std::vector<TRect> invalidated;
    void InvalidateRect(const TRect& rect, bool) override { invalidated.push_back(rect); }
    TRect ClientRect() const override { return client; }
};

// A pixel value (blue | green << 8 | red << 16) of pixel (x, y), y from the top.
using PixelFn = std::function<uint32_t(int x, int y)>;

// A bitmap file of the picture.
Bytes picture24(int w, int h, const PixelFn& pixel);
Bytes picture8(int w, int h, const std::vector<uint32_t>& palette, const std::function<uint8_t(int, int)>& index);
// The control's source from the bytes through LoadFromBmpStream.
void load(TCustomRotateImage& control, const Bytes& file);

// The key colour of the keyed pictures, and a picture whose pixels with (x + y) % 3 == 0 are
// the key (the bottom-left one among them for heights of the form 3k + 1) and all others
// distinct.
constexpr uint32_t kKey = 0xFF00FF;
uint32_t keyedPixel(int x, int y);
Bytes keyedPicture(int w, int h);

// The platform colour of a pixel value.
constexpr TColor colorOf(uint32_t pixel) { return TColor((pixel & 0xFF) << 16 | (pixel & 0xFF00) | (pixel >> 16 & 0xFF)); }

// A 24-bit bitmap of the size filled with the colour.
std::unique_ptr<TBitmap> filledBitmap(int w, int h, TColor fill);

// Every pixel of two bitmaps equal.
bool samePixels(const TBitmap& a, const TBitmap& b);

} // namespace dw::test
