#include "ClockShape.h"

#include "platform/ByteOrder.h"

#include <QImage>

namespace dw {

namespace {

// Appends one rectangle (left, top, right, bottom) of the region data.
void appendRect(std::vector<uint8_t>& data, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    const size_t at = data.size();
    data.resize(at + 16);
    writeLE32s(&data[at], left);
    writeLE32s(&data[at + 4], top);
    writeLE32s(&data[at + 8], right);
    writeLE32s(&data[at + 12], bottom);
}

std::optional<TRegion> nonEmpty(std::optional<TRegion> region)
{
    if (region && region->isEmpty())
        return std::nullopt;
    return region;
}

} // namespace

std::vector<uint8_t> bitmapRegionData(TBitmap& bitmap, TColor transparentColor)
{
    if (bitmap.Empty())
        return {};
    const int32_t width = bitmap.Width();
    const int32_t height = bitmap.Height();

    std::vector<uint8_t> data(kRgnDataHeaderSize, 0);
    writeLE32(&data[0], kRgnDataHeaderSize);
    writeLE32(&data[4], RDH_RECTANGLES);
    // data[8] count and data[12] size hint stay 0 until the end.
    writeLE32s(&data[16], 0);
    writeLE32s(&data[20], 0);
    writeLE32s(&data[24], width);
    writeLE32s(&data[28], height);

    // The mask: pixels of the transparent colour white (bit 1), all others black (bit 0), one
    // bit per pixel from the most significant bit. A black bit is what a zero word of the
    // 15-bit form would be; reading the bits directly gives the same runs without the copy.
    bitmap.Mask(transparentColor);
    const QImage& mask = bitmap.image();
    uint32_t count = 0;
    for (int32_t y = 0; y < height; ++y) {
        const uchar* row = mask.constScanLine(y);
        int32_t start = -1; // first black pixel of the open run
        for (int32_t x = 0; x < width; ++x) {
            const bool black = (row[x >> 3] & (0x80 >> (x & 7))) == 0;
            if (black) {
                if (start < 0)
                    start = x;
            } else if (start >= 0) {
                appendRect(data, start, y, x, y + 1);
                ++count;
                start = -1;
            }
        }
        if (start >= 0) {
            appendRect(data, start, y, width, y + 1);
            ++count;
        }
    }
    writeLE32(&data[8], count);
    return data;
}

std::optional<TRegion> BitmapToRgn(TBitmap& bitmap, TColor transparentColor)
{
    const std::vector<uint8_t> data = bitmapRegionData(bitmap, transparentColor);
    if (data.empty())
        return std::nullopt;
    return ExtCreateRegion(nullptr, uint32_t(data.size()), data.data());
}

int32_t roundRectCorner(int32_t size, int32_t position, int32_t maximum)
{
    if (maximum <= 0)
        return 0;
    return int32_t((int64_t(size) * position + maximum / 2) / maximum);
}

std::optional<TRegion> roundRectShape(int32_t width, int32_t height, int32_t rx, int32_t ry)
{
    if (int64_t(rx) * ry == 0)
        return std::nullopt;
    return CreateRoundRectRgn(0, 0, width, height, rx, ry);
}

TColor cutOutColor(const TBitmap& dial)
{
    if (dial.PixelFormat() == pf1bit)
        return clWhite;
    return dial.pixel(0, dial.Height() - 1);
}

std::optional<TRegion> dialCutOutShape(TBitmap& dial)
{
    if (dial.Empty())
        return std::nullopt;
    const TColor transparent = cutOutColor(dial);
    return nonEmpty(BitmapToRgn(dial, transparent));
}

std::optional<TRegion> maskShape(TBitmap& mask)
{
    if (mask.Empty())
        return std::nullopt;
    mask.SetMonochrome(true);
    return nonEmpty(BitmapToRgn(mask, clWhite));
}

TRegion keptShape(const std::optional<TRegion>& shape) { return shape ? *shape : TRegion(); }

} // namespace dw
