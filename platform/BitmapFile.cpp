// The bitmap's file form: writing it as a bitmap file and reading one.

#include "Bitmap.h"

#include "BitmapFormats.h"
#include "ByteOrder.h"
#include "Dib.h"
#include "FileStream.h"
#include "FrameworkError.h"
#include "Stream.h"

#include <cstring>
#include <vector>

namespace dw {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

int fileBitCount(TPixelFormat format, bool monoDdb)
{
    if (monoDdb)
        return 1;
    switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
    }
}

// One pixel row of the image as the file stores it (bytes up to the 4-byte padding zero).
void fileRow(const QImage& image, int y, int bitCount, std::vector<uint8_t>& out)
{
    std::fill(out.begin(), out.end(), 0);
    const uchar* in = image.constScanLine(y);
    const int w = image.width();
    switch (bitCount) {
    case 1:
        std::memcpy(out.data(), in, size_t((w + 7) / 8));
        if (w % 8)
            out[size_t(w / 8)] &= uint8_t(0xFF00 >> (w % 8)); // padding bits are 0
        break;
    case 4:
        for (int x = 0; x < w; ++x)
            out[size_t(x / 2)] |= uint8_t((in[x] & 0x0F) << ((x & 1) ? 0 : 4));
        break;
    case 8: std::memcpy(out.data(), in, size_t(w)); break;
    case 16:
        if (image.format() == QImage::Format_RGB555) {
            std::memcpy(out.data(), in, size_t(w) * 2);
        } else { // 5-6-5 → 5-5-5: the low green bit goes
            for (int x = 0; x < w; ++x) {
                const uint16_t v = readLE16(in + 2 * x);
                writeLE16(out.data() + 2 * x, uint16_t((v >> 11) << 10 | ((v >> 6) & 31) << 5 | (v & 31)));
            }
        }
        break;
    case 24: std::memcpy(out.data(), in, size_t(w) * 3); break;
    default:
        for (int x = 0; x < w; ++x) {
            const QRgb c = reinterpret_cast<const QRgb*>(in)[x];
            writeLE32(out.data() + 4 * x, c & 0xFFFFFF); // the fourth byte is reserved: 0
        }
        break;
    }
}

[[noreturn]] void invalid() { throw EFrameworkError(stock::invalidBitmap()); }

// The decoded picture of a checked bitmap file, in the bitmap's storage formats.
struct Decoded {
    QImage image;
    TPixelFormat format = pfDevice;
};

Decoded decode(const TDib& dib)
{
    const int32_t w = dib.width(), h = dib.height();
    const int bits = dib.bitCount();
    Decoded d;
    QImage::Format storage = QImage::Format_RGB32;
    bool viaColors = false; // pixels converted through the masks, one by one
    switch (bits) {
    case 1: storage = QImage::Format_Mono, d.format = pf1bit; break;
    case 4: storage = QImage::Format_Indexed8, d.format = pf4bit; break;
    case 8: storage = QImage::Format_Indexed8, d.format = pf8bit; break;
    case 16: storage = QImage::Format_RGB555, d.format = pf15bit; break;
    case 24: storage = QImage::Format_BGR888, d.format = pf24bit; break;
    default: d.format = pf32bit; break;
    }
    if (bits == 16 && dib.compression() != 0) {
        if (dib.masks() == std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F})
            storage = QImage::Format_RGB16, d.format = pf16bit;
        else if (dib.masks() != std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F})
            storage = QImage::Format_BGR888, d.format = pf24bit, viaColors = true;
    }
    if (bits == 32 && dib.masks() != std::array<uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF})
        viaColors = true;

    d.image = QImage(w, h, storage);
    if (d.image.isNull())
        throw EFrameworkError(stock::outOfResources());
    d.image.fill(0);
    if (bits <= 8) {
        QList<QRgb> table;
        for (uint32_t c : dib.colors())
            table.push_back(0xFF000000u | c);
        d.image.setColorTable(table);
    }
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* in = dib.rowFromTop(y);
        uchar* out = d.image.scanLine(y);
        if (viaColors) {
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t c = dib.colorAt(in, x);
                if (storage == QImage::Format_RGB32) {
                    reinterpret_cast<QRgb*>(out)[x] = 0xFF000000u | c;
                } else {
                    out[3 * x] = uint8_t(c), out[3 * x + 1] = uint8_t(c >> 8), out[3 * x + 2] = uint8_t(c >> 16);
                }
            }
            continue;
        }
        switch (bits) {
        case 1: std::memcpy(out, in, size_t((w + 7) / 8)); break;
        case 4:
            for (int32_t x = 0; x < w; ++x)
                out[x] = uint8_t((x & 1) ? in[x / 2] & 0x0F : in[x / 2] >> 4);
            break;
        case 8: std::memcpy(out, in, size_t(w)); break;
        case 16: std::memcpy(out, in, size_t(w) * 2); break;
        case 24: std::memcpy(out, in, size_t(w) * 3); break;
        default:
            for (int32_t x = 0; x < w; ++x)
                reinterpret_cast<QRgb*>(out)[x] = 0xFF000000u | (readLE32(in + 4 * x) & 0xFFFFFF);
            break;
        }
    }
    if (bits <= 8)
        d.image = formats::withCoveringTable(std::move(d.image));
    return d;
}

} // namespace

void TBitmap::SaveToStream(TStream& stream) const
{
    if (Empty())
        return;
    const bool monoDdb = m_handleType == bmDDB;
    const int bits = fileBitCount(m_format, monoDdb);
    QList<QRgb> table;
    if (bits <= 8) {
        table = m_image.colorTable();
        if (bits == 1 && monoDdb)
            table = {0xFF000000u, 0xFFFFFFFFu};
    }
    const uint64_t rowBytes = (uint64_t(m_width) * bits + 31) / 32 * 4;
    const uint64_t offset = kFileHeaderSize + kInfoHeaderSize + 4 * uint64_t(table.size());
    const uint64_t fileSize = offset + rowBytes * uint64_t(m_height);

    std::vector<uint8_t> header(size_t(offset), 0);
    uint8_t* h = header.data();
    h[0] = 'B';
    h[1] = 'M';
    writeLE32(h + 2, uint32_t(fileSize)); // within 2 GiB: the size limits keep it there
    writeLE32(h + 10, uint32_t(offset));
    uint8_t* info = h + kFileHeaderSize;
    writeLE32(info, kInfoHeaderSize);
    writeLE32s(info + 4, m_width);
    writeLE32s(info + 8, m_height); // positive: rows bottom-up
    writeLE16(info + 12, 1);
    writeLE16(info + 14, uint16_t(bits));
    writeLE32(info + 16, 0);
    writeLE32(info + 20, uint32_t(rowBytes * uint64_t(m_height)));
    writeLE32(info + 32, uint32_t(table.size()));
    for (qsizetype i = 0; i < table.size(); ++i) {
        uint8_t* e = info + kInfoHeaderSize + 4 * i;
        e[0] = uint8_t(qBlue(table[i]));
        e[1] = uint8_t(qGreen(table[i]));
        e[2] = uint8_t(qRed(table[i]));
    }
    stream.WriteBuffer(header.data(), int64_t(header.size()));
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    for (int32_t y = m_height - 1; y >= 0; --y) {
        fileRow(m_image, y, bits, row);
        stream.WriteBuffer(row.data(), int64_t(row.size()));
    }
}

void TBitmap::SaveToFile(const QString& path) const
{
    TFileStream file(path, TFileStream::fmCreate);
    SaveToStream(file);
}

void TBitmap::LoadFromStream(TStream& stream)
{
    const int64_t start = stream.Position();
    const int64_t available = stream.Size() - start;
    if (available < int64_t(kFileHeaderSize + kInfoHeaderSize))
        invalid();
    // The headers first, to learn how many bytes the file needs before reading them.
    std::vector<uint8_t> data(size_t(std::min<int64_t>(available, int64_t(TDib::kMaxHeadersSize))));
    const auto restore = [&] { stream.SetPosition(start); };
    if (stream.Read(data.data(), int64_t(data.size())) != int64_t(data.size())) {
        restore();
        invalid();
    }
    const std::optional<uint64_t> needed = TDib::fileImageSize(data.data(), data.size());
    if (!needed || *needed > uint64_t(available)) {
        restore();
        invalid();
    }
    const size_t had = data.size();
    if (*needed > had) {
        data.resize(size_t(*needed));
        if (stream.Read(data.data() + had, int64_t(*needed - had)) != int64_t(*needed - had)) {
            restore();
            invalid();
        }
    }
    const std::optional<TDib> dib = TDib::fromFileImage(data.data(), size_t(*needed));
    if (!dib) {
        restore();
        invalid();
    }
    Decoded decoded;
    try {
        decoded = decode(*dib);
    } catch (...) {
        restore();
        throw;
    }
    // Consume the declared file size when it covers the pixels and the stream holds it.
    const uint64_t declared = readLE32(data.data() + 2);
    const uint64_t consumed = declared >= *needed && declared <= uint64_t(available) ? declared : *needed;
    stream.SetPosition(start + int64_t(consumed));
    m_keptTable.clear();
    replaceImage(std::move(decoded.image), decoded.format, bmDIB);
}

void TBitmap::LoadFromFile(const QString& path)
{
    TFileStream file(path, TFileStream::fmOpenRead);
    LoadFromStream(file);
}

void TBitmap::LoadFromMemory(const uint8_t* data, int64_t size)
{
    const std::optional<TDib> dib = data && size > 0 ? TDib::fromFileImage(data, size_t(size)) : std::nullopt;
    if (!dib)
        invalid();
    Decoded decoded = decode(*dib);
    m_keptTable.clear();
    replaceImage(std::move(decoded.image), decoded.format, bmDIB);
}

void TBitmap::LoadFromMemory(const uint8_t* data, int64_t size, TPixelFormat format)
{
    const std::optional<TDib> dib = data && size > 0 ? TDib::fromFileImage(data, size_t(size)) : std::nullopt;
    if (!dib)
        invalid();
    QImage image;
    if (dib->bitCount() == 24 && formats::storageFormat(format) == QImage::Format_RGB32) {
        // What decode() and the conversion give, row for row, in one pass.
        image = QImage(dib->width(), dib->height(), QImage::Format_RGB32);
        if (image.isNull())
            throw EFrameworkError(stock::outOfResources());
        for (int32_t y = 0; y < dib->height(); ++y)
            formats::rgb32RowOf24(dib->rowFromTop(y), reinterpret_cast<uint32_t*>(image.scanLine(y)), dib->width());
    } else {
        Decoded decoded = decode(*dib);
        image = decoded.format == format ? std::move(decoded.image) : formats::convert(decoded.image, false, format);
        if (image.isNull())
            throw EFrameworkError(stock::outOfResources());
    }
    m_keptTable.clear();
    replaceImage(std::move(image), format, bmDIB);
}

} // namespace dw
