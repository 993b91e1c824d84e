#include "DibDecoder.h"

#include "DibFormat.h"
#include "EngineLimits.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace dw {

namespace {

// Puts the stream back at P unless the load succeeded (also when an error passes through).
class PositionGuard {
public:
    PositionGuard(TStream& stream, int64_t position) : m_stream(stream), m_position(position) {}
    ~PositionGuard()
    {
        if (!m_released)
            m_stream.SetPosition(m_position);
    }
    void release() { m_released = true; }

private:
    TStream& m_stream;
    int64_t m_position;
    bool m_released = false;
};

// Row expansions, in place: the row's sr stored bytes are at the start of `row`; afterwards
// it holds the converted pixels. They run from the last pixel back to the first (or forwards
// where the output is narrower) so that no input byte is overwritten before it is used.
void expand1(uint8_t* row, int64_t width)
{
    for (int64_t x = width - 1; x >= 0; --x)
        row[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void expand4(uint8_t* row, int64_t width)
{
    for (int64_t x = width - 1; x >= 0; --x)
        row[x] = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
}

// Blue in bits 0..4, green 5..9, red 10..14 (bit 15 unused); each 5-bit value v → v · 255 div 31.
void expand16(uint8_t* row, int64_t width)
{
    for (int64_t x = width - 1; x >= 0; --x) {
        const uint16_t v = readLE16(row + 2 * x);
        uint8_t* out = row + 3 * x;
        out[0] = uint8_t((v & 31) * 255 / 31);
        out[1] = uint8_t((v >> 5 & 31) * 255 / 31);
        out[2] = uint8_t((v >> 10 & 31) * 255 / 31);
    }
}

// (blue, green, red, x) → (blue, green, red).
void shrink32(uint8_t* row, int64_t width)
{
    for (int64_t x = 0; x < width; ++x) {
        row[3 * x] = row[4 * x];
        row[3 * x + 1] = row[4 * x + 1];
        row[3 * x + 2] = row[4 * x + 2];
    }
}

DibLoadResult refused(std::string why) { return DibLoadResult{false, std::move(why)}; }

// What the headers of the picture at `start` state, and where its parts lie; refused as
// LoadFromBmpStream refuses it.
struct DibPlan {
    BitmapFileHeader file;
    BitmapInfoHeader info;
    int bits = 0;
    uint32_t colors = 0;
    bool indexed = false;
    uint32_t outColors = 0;
    int64_t width = 0, height = 0;
    int64_t outRow = 0, outOffset = 0, outFileSize = 0;
    int64_t srcRow = 0, tableAt = 0, dataAt = 0, available = 0;
};

DibLoadResult planDib(TStream& stream, int64_t start, DibPlan& plan)
{
    uint8_t headers[kDibHeaderSize];
    if (stream.Read(headers, kDibHeaderSize) != kDibHeaderSize)
        return refused("the stream ends inside the bitmap headers");
    plan.file = BitmapFileHeader::read(headers);
    plan.info = BitmapInfoHeader::read(headers + BitmapFileHeader::kSize);
    const BitmapFileHeader& file = plan.file;
    const BitmapInfoHeader& info = plan.info;

    if (file.signature != BitmapFileHeader::kSignature)
        return refused("not a bitmap file (no \"BM\" signature)");
    if (file.reserved1 != 0 || file.reserved2 != 0)
        return refused("the reserved fields of the file header are not 0");
    if (info.size < BitmapInfoHeader::kSize)
        return refused("the info header is shorter than 40 bytes");
    if (info.planes != 1)
        return refused("the bitmap has more than one plane");
    if (info.compression != 0)
        return refused("compressed bitmaps are not supported");
    const int bits = plan.bits = info.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return refused("unsupported bit count " + std::to_string(bits));
    const uint32_t colors = plan.colors = dibTableEntries(info.colorsUsed, bits);
    if (colors > 256)
        return refused("the colour table has more than 256 entries");
    // Top-down pictures (negative height) are not supported, and an empty one shows nothing.
    if (info.width <= 0 || info.height <= 0)
        return refused("top-down or empty bitmaps are not supported");
    const int64_t width = plan.width = info.width;
    const int64_t height = plan.height = info.height;

    const bool indexed = plan.indexed = bits <= 8;
    plan.outColors = bits == 1 ? 2 : indexed ? colors : 0;
    plan.outRow = indexed ? (width + 3) / 4 * 4 : (width * 3 + 3) / 4 * 4;
    plan.outOffset = kDibHeaderSize + 4 * int64_t(plan.outColors);
    // Limits: at most 16384 pixels a side and 256 MiB decoded (width and height are below 2^31,
    // so these products fit in 64 bits).
    if (width > kMaxDibSide || height > kMaxDibSide)
        return refused("the bitmap is larger than 16384 pixels on a side");
    plan.outFileSize = plan.outOffset + plan.outRow * height;
    if (plan.outFileSize > kMaxDecodedBytes)
        return refused("the decoded bitmap would be larger than 256 MiB");

    plan.srcRow = dibRowSize(width, bits);
    plan.tableAt = BitmapFileHeader::kSize + int64_t(info.size);
    plan.dataAt = std::max<int64_t>(file.pixelOffset, plan.tableAt + 4 * int64_t(colors));
    plan.available = stream.Size() - start;
    if (plan.available < plan.dataAt + plan.srcRow * height)
        return refused("the stream is shorter than the bitmap's pixel rows");
    return DibLoadResult{true, {}};
}

} // namespace

DibLoadResult CheckBmpStream(TStream& stream)
{
    const int64_t start = stream.Position();
    PositionGuard guard(stream, start);
    DibPlan plan;
    return planDib(stream, start, plan);
}

DibLoadResult LoadFromBmpStream(TStream& stream, TMemoryStream& source)
{
    source.Clear();
    const int64_t start = stream.Position();
    PositionGuard guard(stream, start);

    DibPlan plan;
    if (DibLoadResult planned = planDib(stream, start, plan); !planned)
        return planned;
    const BitmapFileHeader& file = plan.file;
    BitmapInfoHeader info = plan.info;
    const int bits = plan.bits;
    const uint32_t colors = plan.colors;
    const int64_t width = plan.width, height = plan.height;
    const bool indexed = plan.indexed;
    const uint32_t outColors = plan.outColors;
    const int64_t outRow = plan.outRow, outOffset = plan.outOffset, outFileSize = plan.outFileSize;
    const int64_t srcRow = plan.srcRow, tableAt = plan.tableAt, dataAt = plan.dataAt, available = plan.available;

    std::vector<uint8_t> table(4 * size_t(colors));
    stream.SetPosition(start + tableAt);
    if (stream.Read(table.data(), int64_t(table.size())) != int64_t(table.size()))
        return refused("the stream ends inside the colour table");

    // The output headers: the read info header with the fields the engine normalises.
    BitmapFileHeader outFile;
    outFile.fileSize = uint32_t(outFileSize);
    outFile.pixelOffset = uint32_t(outOffset);
    info.size = BitmapInfoHeader::kSize;
    info.bitCount = indexed ? 8 : 24;
    info.imageSize = 0;
    info.xPelsPerMeter = 0;
    info.yPelsPerMeter = 0;
    info.colorsUsed = outColors;
    info.colorsImportant = 0;

    // A 24-bit image carries one spare byte after its last row (see ensureSpareByte). Every
    // byte is written below: the headers, the table, each row with its padding, the spare byte.
    source.SetSizeForOverwrite(outFileSize + (indexed ? 0 : 1));
    uint8_t* out = source.Memory();
    if (!indexed)
        out[outFileSize] = 0;
    outFile.write(out);
    info.write(out + BitmapFileHeader::kSize);
    if (bits == 1) {
        static const uint8_t blackWhite[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
        std::memcpy(out + kDibHeaderSize, blackWhite, sizeof blackWhite);
    } else if (indexed) {
        std::memcpy(out + kDibHeaderSize, table.data(), table.size());
    }

    // 8 and 24 bits are stored as the engine keeps them, in rows of the same size: they are read
    // straight into place. The others go through a row of their own and are converted.
    const bool asStored = bits == 8 || bits == 24;
    std::vector<uint8_t> row(asStored ? 0 : size_t(std::max(outRow, srcRow) + 3));
    stream.SetPosition(start + dataAt);
    uint8_t* target = out + outOffset;
    const int64_t used = indexed ? width : width * 3;
    for (int64_t y = 0; y < height; ++y, target += outRow) {
        uint8_t* in = asStored ? target : row.data();
        if (stream.Read(in, srcRow) != srcRow) {
            source.Clear();
            return refused("the stream ends inside the pixel rows");
        }
        switch (bits) {
        case 1: expand1(in, width); break;
        case 4: expand4(in, width); break;
        case 16: expand16(in, width); break;
        case 32: shrink32(in, width); break;
        default: break;
        }
        if (!asStored)
            std::memcpy(target, in, size_t(used));
        std::memset(target + used, 0, size_t(outRow - used)); // row padding
    }

    // Consume exactly the declared file, unless the declared size is a lie that would leave
    // the position inside this picture (a reader of pictures back to back would read it again)
    // or past the end of the stream.
    const int64_t dataEnd = dataAt + srcRow * height;
    const int64_t consumed = std::clamp<int64_t>(file.fileSize, dataEnd, available);
    stream.SetPosition(start + consumed);
    guard.release();
    return DibLoadResult{true, {}};
}

} // namespace dw
