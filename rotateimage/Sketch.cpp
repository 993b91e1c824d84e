#include "Sketch.h"

#include "DibFormat.h"
#include "EngineLimits.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace dw {

int sketchGrey(int m)
{
    constexpr int A = kSketchThreshold, B = kSketchDivisor, O = kSketchOffset;
    const int v = m > A ? 510 - 510 / B + m / B - O : (510 - 510 / B + A / B - O) * m / A;
    return 255 - v / 2;
}

namespace {

// Hot loops built for AVX2 as well and chosen at run time: the baseline instruction set has no
// 32-bit vector multiply and no fast vector square root.
#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define DW_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#endif
#ifndef DW_VECTOR_CLONES
#define DW_VECTOR_CLONES
#endif

constexpr int kSketchHeader = kDibHeaderSize + 256 * 4; // 1078

// One row of colours as three planes, with the first and last pixel repeated at both ends
// (W + 2 values each).
struct ColorRow {
    std::vector<int32_t> blue, green, red;
    explicit ColorRow(int64_t width) : blue(size_t(width + 2)), green(size_t(width + 2)), red(size_t(width + 2)) {}
};

void loadRow(const DibView& v, const std::array<uint32_t, 256>& table, int64_t y, ColorRow& row)
{
    const int64_t w = v.width;
    const uint8_t* p = v.pixels + y * v.rowSize;
    for (int64_t x = 0; x < w; ++x) {
        uint32_t c;
        if (v.bitCount == 8)
            c = table[p[x]];
        else
            c = uint32_t(p[3 * x]) | uint32_t(p[3 * x + 1]) << 8 | uint32_t(p[3 * x + 2]) << 16;
        row.blue[size_t(x + 1)] = int32_t(c & 0xFF);
        row.green[size_t(x + 1)] = int32_t(c >> 8 & 0xFF);
        row.red[size_t(x + 1)] = int32_t(c >> 16 & 0xFF);
    }
    for (auto* plane : {&row.blue, &row.green, &row.red}) {
        (*plane)[0] = (*plane)[1];
        (*plane)[size_t(w + 1)] = (*plane)[size_t(w)];
    }
}

inline int32_t sq(int32_t d) { return d * d; }

// The sum of squared channel differences between pixel x of `cur` and its 8 neighbours, for
// the pixels 1 .. width of the padded rows, into e[1 .. width].
DW_VECTOR_CLONES
void edgeEnergy(const ColorRow& prev, const ColorRow& cur, const ColorRow& next, int64_t width, int32_t* e)
{
    const std::vector<int32_t>* planes[3][3] = {
        {&prev.blue, &cur.blue, &next.blue}, {&prev.green, &cur.green, &next.green}, {&prev.red, &cur.red, &next.red}};
    std::fill(e, e + width + 2, 0);
    for (const auto& plane : planes) {
        const int32_t* a = plane[0]->data();
        const int32_t* b = plane[1]->data();
        const int32_t* c = plane[2]->data();
        for (int64_t x = 1; x <= width; ++x) {
            const int32_t m = b[x];
            e[x] += sq(m - a[x - 1]) + sq(m - a[x]) + sq(m - a[x + 1]) + sq(m - b[x - 1]) + sq(m - b[x + 1])
                + sq(m - c[x - 1]) + sq(m - c[x]) + sq(m - c[x + 1]);
        }
    }
}

// The grey levels of a row from its edge sums e[1 .. width].
DW_VECTOR_CLONES
void greyRow(const int32_t* e, int64_t width, const uint8_t* greys, int32_t* strength, uint8_t* line)
{
    for (int64_t x = 0; x < width; ++x)
        strength[x] = sketchEdgeStrength(e[x + 1]);
    for (int64_t x = 0; x < width; ++x)
        line[x] = greys[strength[x]];
}

} // namespace

bool MakeSketch(const TMemoryStream& source, TMemoryStream& destination)
{
    const auto view = DibView::of(source);
    if (!view)
        return false;
    const DibView& v = *view;
    const int64_t w = v.width, h = v.height;
    const int64_t outRow = (w + 3) / 4 * 4;
    const int64_t size = outRow * h + kSketchHeader;
    // Limit: a sketch is a decoded picture too, at most 256 MiB.
    if (size > kMaxDecodedBytes) {
        destination.Clear();
        return false;
    }

    // An 8-bit source's colours; indices beyond its table are black.
    std::array<uint32_t, 256> table{};
    if (v.bitCount == 8)
        for (uint32_t i = 0; i < std::min<uint32_t>(v.tableEntries, 256); ++i)
            table[i] = readLE32(v.table + 4 * i) & 0xFFFFFFu;

    destination.SetSize(size);
    uint8_t* out = destination.Memory();
    std::memset(out, 0, kDibHeaderSize);
    BitmapFileHeader file;
    file.fileSize = uint32_t(size);
    file.pixelOffset = kSketchHeader;
    file.write(out);
    BitmapInfoHeader info;
    info.width = v.width;
    info.height = v.height;
    info.bitCount = 8;
    info.colorsUsed = 256;
    info.write(out + BitmapFileHeader::kSize);
    for (int i = 0; i < 256; ++i)
        writeLE32(out + kDibHeaderSize + 4 * i, uint32_t(i) * 0x010101u);

    std::array<uint8_t, 511> greys;
    for (int m = 0; m <= 510; ++m)
        greys[size_t(m)] = uint8_t(sketchGrey(m));

    // Three rows of colours, rotated as the scan moves up; the row below row 0 is row 0 and
    // rows above the top are the top row.
    ColorRow rowA(w), rowB(w), rowC(w);
    ColorRow* prev = &rowA;
    ColorRow* cur = &rowB;
    ColorRow* next = &rowC;
    loadRow(v, table, 0, *cur);
    *prev = *cur;
    loadRow(v, table, std::min<int64_t>(1, h - 1), *next);
    std::vector<int32_t> energy(static_cast<size_t>(w + 2)), strength(static_cast<size_t>(w));
    for (int64_t y = 0; y < h; ++y) {
        edgeEnergy(*prev, *cur, *next, w, energy.data());
        uint8_t* line = out + kSketchHeader + y * outRow;
        greyRow(energy.data(), w, greys.data(), strength.data(), line);
        std::memset(line + w, 0, size_t(outRow - w));
        std::swap(prev, cur);  // prev := the row just done
        std::swap(cur, next);  // cur := the row above it
        loadRow(v, table, std::min<int64_t>(y + 2, h - 1), *next);
    }
    return true;
}

} // namespace dw
