#include "DibFormat.h"

#include "platform/ByteOrder.h"

namespace dw {

BitmapFileHeader BitmapFileHeader::read(const uint8_t* p)
{
    BitmapFileHeader h;
    h.signature = readLE16(p);
    h.fileSize = readLE32(p + 2);
    h.reserved1 = readLE16(p + 6);
    h.reserved2 = readLE16(p + 8);
    h.pixelOffset = readLE32(p + 10);
    return h;
}

void BitmapFileHeader::write(uint8_t* p) const
{
    writeLE16(p, signature);
    writeLE32(p + 2, fileSize);
    writeLE16(p + 6, reserved1);
    writeLE16(p + 8, reserved2);
    writeLE32(p + 10, pixelOffset);
}

BitmapInfoHeader BitmapInfoHeader::read(const uint8_t* p)
{
    BitmapInfoHeader h;
    h.size = readLE32(p);
    h.width = readLE32s(p + 4);
    h.height = readLE32s(p + 8);
    h.planes = readLE16(p + 12);
    h.bitCount = readLE16(p + 14);
    h.compression = readLE32(p + 16);
    h.imageSize = readLE32(p + 20);
    h.xPelsPerMeter = readLE32s(p + 24);
    h.yPelsPerMeter = readLE32s(p + 28);
    h.colorsUsed = readLE32(p + 32);
    h.colorsImportant = readLE32(p + 36);
    return h;
}

void BitmapInfoHeader::write(uint8_t* p) const
{
    writeLE32(p, size);
    writeLE32s(p + 4, width);
    writeLE32s(p + 8, height);
    writeLE16(p + 12, planes);
    writeLE16(p + 14, bitCount);
    writeLE32(p + 16, compression);
    writeLE32(p + 20, imageSize);
    writeLE32s(p + 24, xPelsPerMeter);
    writeLE32s(p + 28, yPelsPerMeter);
    writeLE32(p + 32, colorsUsed);
    writeLE32(p + 36, colorsImportant);
}

uint32_t dibTableEntries(uint32_t colorsUsed, int bitCount)
{
    if (colorsUsed == 0) {
        if (bitCount == 4)
            return 16;
        if (bitCount == 8)
            return 256;
    }
    return colorsUsed;
}

bool IsValidDib(const TMemoryStream& buffer)
{
    if (buffer.size() <= kDibHeaderSize)
        return false;
    const uint8_t* p = buffer.Memory();
    const BitmapFileHeader f = BitmapFileHeader::read(p);
    const BitmapInfoHeader i = BitmapInfoHeader::read(p + BitmapFileHeader::kSize);
    return f.signature == BitmapFileHeader::kSignature && buffer.size() >= int64_t(f.fileSize)
        && f.fileSize > f.pixelOffset && f.reserved1 == 0 && f.reserved2 == 0 && f.pixelOffset >= kDibHeaderSize
        && i.size == BitmapInfoHeader::kSize && i.width > 0 && i.height > 0 && i.planes == 1 && i.bitCount >= 1
        && i.bitCount <= 32 && i.xPelsPerMeter >= 0 && i.yPelsPerMeter >= 0 && i.colorsUsed <= 256
        && i.compression == 0;
}

std::optional<DibView> DibView::of(const TMemoryStream& buffer)
{
    if (!IsValidDib(buffer))
        return std::nullopt;
    const uint8_t* p = buffer.Memory();
    const BitmapInfoHeader i = BitmapInfoHeader::read(p + BitmapFileHeader::kSize);
    if (i.bitCount != 8 && i.bitCount != 24)
        return std::nullopt;
    DibView v;
    v.width = i.width;
    v.height = i.height;
    v.bitCount = i.bitCount;
    v.tableEntries = dibTableEntries(i.colorsUsed, i.bitCount);
    v.headerSize = kDibHeaderSize + 4 * int64_t(v.tableEntries);
    v.rowSize = dibRowSize(i.width, i.bitCount);
    // A row of a 24-bit picture near 2^31 pixels wide times a height near 2^31 passes 2^63, so
    // the rows are measured against the bytes the buffer has before they are multiplied.
    if (v.headerSize >= buffer.size() || v.rowSize > (buffer.size() - v.headerSize) / i.height)
        return std::nullopt;
    const int64_t end = v.headerSize + v.rowSize * i.height;
    v.table = p + kDibHeaderSize;
    v.pixels = p + v.headerSize;
    v.bytesAfterPixels = buffer.size() - end;
    return v;
}

std::optional<uint32_t> firstStoredPixel(const TMemoryStream& image)
{
    const auto v = DibView::of(image);
    if (!v)
        return std::nullopt;
    if (v->bitCount == 8)
        return v->pixels[0];
    return uint32_t(v->pixels[0]) | uint32_t(v->pixels[1]) << 8 | uint32_t(v->pixels[2]) << 16;
}

std::optional<uint32_t> findTableEntry(const TMemoryStream& image, uint32_t pixelValue)
{
    const auto v = DibView::of(image);
    if (!v || v->bitCount != 8)
        return std::nullopt;
    for (uint32_t n = 0; n < v->tableEntries; ++n)
        if (readLE32(v->table + 4 * n) == (pixelValue & 0xFFFFFFu))
            return n;
    return std::nullopt;
}

void ensureSpareByte(TMemoryStream& image)
{
    if (!IsValidDib(image))
        return;
    const uint8_t* p = image.Memory();
    const BitmapFileHeader f = BitmapFileHeader::read(p);
    if (readLE16(p + 28) == 24 && image.size() == int64_t(f.fileSize))
        image.SetSize(image.size() + 1);
}

} // namespace dw
