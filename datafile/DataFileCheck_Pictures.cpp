// The bitmap-file rule of the picture members and of embedded animation strips.

#include "CheckLines.h"
#include "DataFileCheck.h"

#include "platform/Bitmap.h"
#include "platform/ByteOrder.h"
#include "platform/Dib.h"

#include <algorithm>

namespace dw {

namespace {

constexpr int64_t kFileHeaderSize = 14;
constexpr uint32_t kMinInfoSize = 40, kMaxInfoSize = 124;
constexpr uint32_t BI_RGB = 0, BI_BITFIELDS = 3;

bool supportedBitCount(uint16_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

} // namespace

QStringList checkBitmapFile(const uint8_t* b, int64_t size)
{
    check::Lines lines(kMaxLinesPerCheck);
    if (size < 2 || b[0] != 'B' || b[1] != 'M') {
        lines.add(QStringLiteral("does not begin with the bitmap file signature BM"));
        return lines.list();
    }
    if (size < kFileHeaderSize + 4) {
        lines.add(QStringLiteral("holds %1 bytes, too few for a bitmap file's headers").arg(size));
        return lines.list();
    }
    const uint32_t infoSize = readLE32(b + 14);
    if (infoSize < kMinInfoSize || infoSize > kMaxInfoSize) {
        lines.add(QStringLiteral("its info header states %1 bytes, not 40 to 124").arg(infoSize));
        return lines.list();
    }
    if (size < kFileHeaderSize + int64_t(infoSize)) {
        lines.add(QStringLiteral("holds %1 bytes and ends inside its %2-byte info header").arg(size).arg(infoSize));
        return lines.list();
    }

    const uint32_t fileSize = readLE32(b + 2);
    const uint32_t pixelOffset = readLE32(b + 10);
    const int32_t width = readLE32s(b + 18);
    const int32_t height = readLE32s(b + 22);
    const uint16_t planes = readLE16(b + 26);
    const uint16_t bits = readLE16(b + 28);
    const uint32_t compression = readLE32(b + 30);
    const uint32_t colorsUsed = readLE32(b + 46);

    if (int64_t(fileSize) > size)
        lines.add(QStringLiteral("its file header states %1 bytes, but the member holds %2").arg(fileSize).arg(size));
    bool shapeKnown = true;
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        lines.add(QStringLiteral("its picture size %1 × %2 is not a picture").arg(width).arg(height));
        shapeKnown = false;
    } else {
        const int64_t h = height < 0 ? -int64_t(height) : height;
        if (width > kMaxBitmapSide || h > kMaxBitmapSide || int64_t(width) * h > kMaxBitmapPixels)
            lines.add(QStringLiteral("its picture of %1 × %2 pixels is larger than the program reads (%3 pixels a side, "
                                     "%4 in all)")
                          .arg(width)
                          .arg(h)
                          .arg(kMaxBitmapSide)
                          .arg(kMaxBitmapPixels));
    }
    if (planes != 1)
        lines.add(QStringLiteral("its plane count is %1, not 1").arg(planes));
    if (!supportedBitCount(bits)) {
        lines.add(QStringLiteral("its %1 bits per pixel are not 1, 4, 8, 16, 24 or 32").arg(bits));
        shapeKnown = false;
    }
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bits == 16 || bits == 32)))
        lines.add(QStringLiteral("its compression %1 is not supported (0, or 3 for 16 and 32 bits)").arg(compression));

    // Where the headers end: info header, bit-field masks after a short header, colour table.
    int64_t headersEnd = kFileHeaderSize + infoSize;
    if (compression == BI_BITFIELDS && infoSize < 52)
        headersEnd += 12;
    int64_t colors = colorsUsed;
    if (supportedBitCount(bits) && bits <= 8) {
        const int64_t full = int64_t(1) << bits;
        if (colors == 0)
            colors = full;
        if (colors > full) {
            lines.add(QStringLiteral("its colour table of %1 entries is larger than %2 bits allow").arg(colors).arg(bits));
            colors = full;
        }
    } else if (colors > 256) {
        lines.add(QStringLiteral("its colour table of %1 entries is larger than 256").arg(colors));
        colors = 0;
    }
    headersEnd += 4 * colors;
    if (headersEnd > size) {
        lines.add(QStringLiteral("its headers and colour table need %1 bytes, but the member holds %2").arg(headersEnd).arg(size));
        return lines.list();
    }
    if (pixelOffset < headersEnd) {
        lines.add(QStringLiteral("its pixel offset %1 points into its headers, which end at byte %2").arg(pixelOffset).arg(headersEnd));
    } else if (int64_t(pixelOffset) > size) {
        lines.add(QStringLiteral("its pixel offset %1 lies past the end of the member (%2 bytes)").arg(pixelOffset).arg(size));
        shapeKnown = false; // where the rows would end says nothing more
    }

    if (shapeKnown) {
        const int64_t rows = height < 0 ? -int64_t(height) : height;
        const int64_t rowBytes = (int64_t(width) * bits + 31) / 32 * 4;
        const int64_t end = std::max<int64_t>(pixelOffset, headersEnd) + rowBytes * rows;
        if (end > size)
            lines.add(QStringLiteral("its pixel rows end at byte %1, but the member holds %2").arg(end).arg(size));
        if (int64_t(fileSize) < end && int64_t(fileSize) <= size && fileSize != 0 && end <= size)
            lines.add(QStringLiteral("its file header states %1 bytes, fewer than its pixel rows need (%2)").arg(fileSize).arg(end));
    }

    // Whatever else the program's reader refuses (bit-field masks that are not contiguous, …).
    if (lines.list().isEmpty() && !TDib::fromFileHeaders(b, size_t(std::min<int64_t>(size, TDib::kMaxHeadersSize)), uint64_t(size)))
        lines.add(QStringLiteral("its headers describe a picture the program cannot read"));
    return lines.list();
}

} // namespace dw
