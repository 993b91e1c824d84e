#include "BitmapFormats.h"

#include "BlitSpans.h"
#include "PixelSurface.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace dw::formats {

namespace {

constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;

// The 16 standard colours in the platform's order.
const QList<QRgb>& standard16()
{
    static const QList<QRgb> colors = {
        0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
        0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
    };
    return colors;
}

bool isIndexed(TPixelFormat f) { return f == pf1bit || f == pf4bit || f == pf8bit; }

int maxEntries(TPixelFormat f) { return f == pf1bit ? 2 : f == pf4bit ? 16 : 256; }

// Rewrites every pixel of `to` from the colours of `from` (same size) through the pixel
// layer, so that the target format's own rounding or table matching applies.
void transcode(const QImage& from, bool fromMonoDdb, QImage& to, bool toMonoDdb)
{
    const px::Surface in(from, fromMonoDdb);
    px::Surface out(to, toMonoDdb);
    std::vector<uint32_t> row(size_t(from.width()));
    for (int y = 0; y < from.height(); ++y) {
        in.fetch(y, 0, from.width(), row.data());
        out.store(y, 0, from.width(), row.data());
    }
}

// 24 → 32 bits, the commonest conversion (every picture the engine renders is shown in the
// display's format): the bytes blue, green, red of each pixel gain an opaque fourth byte, which
// is what the pixel layer's fetch and store give, in one pass the compiler can vectorise.
QImage bgr888ToRgb32(const QImage& image)
{
    QImage out(image.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    for (int y = 0; y < image.height(); ++y)
        rgb32RowOf24(image.constScanLine(y), reinterpret_cast<uint32_t*>(out.scanLine(y)), image.width());
    return out;
}

// The image's distinct colours in order of first appearance, or nothing when there are
// more than `limit`.
std::optional<QList<QRgb>> fewColors(const QImage& image, bool monoDdb, int limit)
{
    const px::Surface in(image, monoDdb);
    std::vector<uint32_t> row(size_t(image.width()));
    std::unordered_map<uint32_t, int> seen;
    QList<QRgb> colors;
    for (int y = 0; y < image.height(); ++y) {
        in.fetch(y, 0, image.width(), row.data());
        for (uint32_t c : row) {
            if (seen.emplace(c, int(colors.size())).second) {
                if (colors.size() == limit)
                    return std::nullopt;
                colors.push_back(0xFF000000u | c);
            }
        }
    }
    return colors;
}

QImage indexedWith(const QImage& image, bool monoDdb, TPixelFormat format, const QList<QRgb>& table)
{
    QImage out(image.size(), storageFormat(format));
    if (out.isNull())
        return out;
    out.fill(0);
    out.setColorTable(table);
    transcode(image, monoDdb, out, false);
    return out;
}

// Mono → Indexed8 with the same table, keeping each pixel's index.
QImage monoToIndexed8(const QImage& image)
{
    QImage out(image.size(), QImage::Format_Indexed8);
    if (out.isNull())
        return out;
    out.setColorTable(image.colorTable());
    for (int y = 0; y < image.height(); ++y) {
        const uchar* in = image.constScanLine(y);
        uchar* o = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            o[x] = in[x >> 3] >> (7 - (x & 7)) & 1;
    }
    return out;
}

} // namespace

void rgb32RowOf24(const uint8_t* in, uint32_t* out, int width)
{
    blit::unpack24(in, out, size_t(std::max(width, 0)), true, 0xFF000000u);
}

QImage::Format storageFormat(TPixelFormat format)
{
    switch (format) {
    case pf1bit: return QImage::Format_Mono;
    case pf4bit:
    case pf8bit: return QImage::Format_Indexed8;
    case pf15bit: return QImage::Format_RGB555;
    case pf16bit: return QImage::Format_RGB16;
    case pf24bit: return QImage::Format_BGR888;
    default: return QImage::Format_RGB32;
    }
}

QList<QRgb> defaultTable(TPixelFormat format)
{
    if (format == pf1bit)
        return {kBlack, kWhite};
    if (format == pf4bit)
        return standard16();
    QList<QRgb> table = standard16();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                table.push_back(qRgb(r * 51, g * 51, b * 51));
    for (int i = 1; i <= 24; ++i)
        table.push_back(qRgb(i * 255 / 25, i * 255 / 25, i * 255 / 25));
    return table;
}

QImage blankImage(int32_t width, int32_t height, TPixelFormat format, bool monoDdb, const QList<QRgb>& keptTable)
{
    const TPixelFormat f = monoDdb ? pf1bit : format;
    QImage image(width, height, storageFormat(f));
    if (image.isNull())
        return image;
    image.fill(0); // also the padding at the ends of the rows
    if (isIndexed(f)) {
        const bool keep = !monoDdb && !keptTable.isEmpty() && keptTable.size() <= maxEntries(f);
        image.setColorTable(monoDdb ? defaultTable(pf1bit) : keep ? keptTable : defaultTable(f));
    }
    // White, as the platform stores it.
    std::vector<uint32_t> row(size_t(width), 0xFFFFFF);
    px::Surface out(image, monoDdb);
    out.store(0, 0, width, row.data());
    const qsizetype bytes = image.bytesPerLine();
    for (int y = 1; y < height; ++y)
        std::memcpy(image.scanLine(y), image.constScanLine(0), size_t(bytes));
    return image;
}

void copyTopLeft(const QImage& from, QImage& to)
{
    const int w = std::min(from.width(), to.width()), h = std::min(from.height(), to.height());
    if (from.format() == QImage::Format_Mono) {
        for (int y = 0; y < h; ++y) {
            const uchar* in = from.constScanLine(y);
            uchar* out = to.scanLine(y);
            std::memcpy(out, in, size_t(w / 8));
            for (int x = w / 8 * 8; x < w; ++x) {
                const uint8_t mask = uint8_t(0x80 >> (x & 7));
                out[x >> 3] = (in[x >> 3] & mask) ? uint8_t(out[x >> 3] | mask) : uint8_t(out[x >> 3] & ~mask);
            }
        }
        return;
    }
    const size_t bytes = size_t(w) * size_t(from.depth() / 8);
    for (int y = 0; y < h; ++y)
        std::memcpy(to.scanLine(y), from.constScanLine(y), bytes);
}

QImage convert(const QImage& image, bool monoDdb, TPixelFormat format)
{
    const bool fromIndexed = image.format() == QImage::Format_Mono || image.format() == QImage::Format_Indexed8;
    switch (format) {
    case pf1bit:
        return indexedWith(image, monoDdb, pf1bit, {kBlack, kWhite});
    case pf4bit:
    case pf8bit: {
        const int limit = maxEntries(format);
        if (fromIndexed && image.colorCount() <= limit)
            return image.format() == QImage::Format_Mono ? monoToIndexed8(image) : image;
        if (const auto colors = fewColors(image, monoDdb, limit))
            return indexedWith(image, monoDdb, format, *colors);
        if (format == pf4bit)
            return indexedWith(image, monoDdb, format, standard16());
        // More than 256 colours: Qt's colour cube with error diffusion.
        const QImage rgb = convert(image, monoDdb, pf32bit);
        return withCoveringTable(rgb.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither));
    }
    default: {
        const QImage::Format target = storageFormat(format);
        if (!monoDdb && image.format() == QImage::Format_BGR888 && target == QImage::Format_RGB32)
            return bgr888ToRgb32(image);
        QImage out(image.size(), target);
        if (!out.isNull()) {
            out.fill(0);
            transcode(image, monoDdb, out, false);
        }
        return out;
    }
    }
}

QImage maskOf(const QImage& image, bool monoDdb, uint32_t key, bool quantizeKey)
{
    QImage out(image.size(), QImage::Format_Mono);
    if (out.isNull())
        return out;
    out.setColorTable({kBlack, kWhite});
    const px::Surface in(image, monoDdb);
    if (quantizeKey && in.kind() == px::Kind::Direct)
        key = in.quantize(key);
    std::vector<uint32_t> row(size_t(image.width()));
    for (int y = 0; y < image.height(); ++y) {
        in.fetch(y, 0, image.width(), row.data());
        uchar* o = out.scanLine(y);
        std::memset(o, 0, size_t(out.bytesPerLine()));
        for (int x = 0; x < image.width(); ++x)
            if (row[size_t(x)] == key)
                o[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
    return out;
}

QImage withCoveringTable(QImage image)
{
    QList<QRgb> table = image.colorTable();
    if (image.format() == QImage::Format_Mono) {
        while (table.size() < 2)
            table.push_back(kBlack);
        table.resize(2);
        image.setColorTable(table);
        return image;
    }
    if (image.format() != QImage::Format_Indexed8)
        return image;
    int used = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            used = std::max(used, int(row[x]) + 1);
    }
    if (table.size() < used) {
        while (table.size() < used)
            table.push_back(kBlack);
        image.setColorTable(table);
    }
    if (image.colorTable().isEmpty())
        image.setColorTable({kBlack});
    return image;
}

} // namespace dw::formats
