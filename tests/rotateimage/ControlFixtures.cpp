#include "ControlFixtures.h"

namespace dw::test {

Bytes picture24(int w, int h, const PixelFn& pixel)
{
    BmpFields s;
    s.width = w;
    s.height = h;
    s.bitCount = 24;
    for (int y = h - 1; y >= 0; --y) // stored order: bottom row first
        for (int x = 0; x < w; ++x)
            s.pixels.push_back(pixel(x, y));
    return buildBmp(s);
}

Bytes picture8(int w, int h, const std::vector<uint32_t>& palette, const std::function<uint8_t(int, int)>& index)
{
    BmpFields s;
    s.width = w;
    s.height = h;
    s.bitCount = 8;
    s.palette = palette;
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x)
            s.pixels.push_back(index(x, y));
    return buildBmp(s);
}

void load(TCustomRotateImage& control, const Bytes& file)
{
    TMemoryStream stream = streamOf(file);
    control.LoadFromBmpStream(stream);
}

uint32_t keyedPixel(int x, int y) { return (x + y) % 3 == 0 ? kKey : 0x204000u + uint32_t(x) * 0x11 + uint32_t(y) * 0x1100; }

Bytes keyedPicture(int w, int h) { return picture24(w, h, keyedPixel); }

std::unique_ptr<TBitmap> filledBitmap(int w, int h, TColor fill)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->Canvas().Brush.Color = fill;
    b->Canvas().FillRect({0, 0, w, h});
    return b;
}

bool samePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

} // namespace dw::test
