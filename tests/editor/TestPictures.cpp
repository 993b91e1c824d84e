#include "tests/editor/TestPictures.h"

#include "platform/MemoryStream.h"

#include <QFile>
#include <QPainter>

#include <algorithm>

#include <gtest/gtest.h>

namespace dw::test {

void setBitmap(TBitmap& bitmap, const QImage& image, TPixelFormat format)
{
    bitmap.setImage(image.convertToFormat(QImage::Format_RGB32));
    bitmap.SetPixelFormat(format);
}

QByteArray bmpFile(const QImage& image, TPixelFormat format)
{
    TBitmap bitmap;
    setBitmap(bitmap, image, format);
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return QByteArray(reinterpret_cast<const char*>(stream.Memory()), qsizetype(stream.size()));
}

QString writeBmp(const QString& path, const QImage& image, TPixelFormat format)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    f.write(bmpFile(image, format));
    return path;
}

QImage filledImage(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage handImage(int width, int height, QColor colour)
{
    QImage image = filledImage(width, height, Qt::white);
    QPainter p(&image);
    p.fillRect(QRect(0, 0, width, height).adjusted(width / 3, 0, -(width / 3), 0), colour);
    return image;
}

namespace {

uint32_t crc32Of(const QByteArray& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= uint8_t(c);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

void appendBigEndian(QByteArray& out, uint32_t value, int bytes = 4)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char(value >> (8 * i)));
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    appendBigEndian(png, uint32_t(data.size()));
    const QByteArray typed = QByteArray(type) + data;
    png.append(typed);
    appendBigEndian(png, crc32Of(typed));
}

// A zlib stream of stored blocks.
QByteArray storedZlib(const QByteArray& data)
{
    QByteArray out("\x78\x01", 2);
    qsizetype at = 0;
    do {
        const qsizetype n = std::min<qsizetype>(data.size() - at, 65535);
        out.append(char(at + n == data.size() ? 1 : 0));
        out.append(char(n & 0xFF)).append(char(n >> 8)).append(char(~n & 0xFF)).append(char((~n >> 8) & 0xFF));
        out.append(data.mid(at, n));
        at += n;
    } while (at < data.size());
    uint32_t a = 1, b = 0;
    for (const char c : data)
        a = (a + uint8_t(c)) % 65521, b = (b + a) % 65521;
    appendBigEndian(out, b << 16 | a);
    return out;
}

} // namespace

QByteArray pngFile(const PngLayout& layout, const std::vector<uint16_t>& samples, const QByteArray& palette,
                   const QByteArray& transparency)
{
    static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    const int channels = kChannels[layout.colourType];
    QByteArray rows;
    size_t at = 0;
    for (int y = 0; y < layout.height; ++y) {
        rows.append('\0'); // no filter
        uint32_t bits = 0;
        int held = 0;
        for (int i = 0; i < layout.width * channels; ++i) {
            const uint16_t v = at < samples.size() ? samples[at++] : 0;
            if (layout.bitDepth == 16) {
                appendBigEndian(rows, v, 2);
            } else {
                bits = bits << layout.bitDepth | v;
                held += layout.bitDepth;
                if (held == 8)
                    rows.append(char(bits)), bits = 0, held = 0;
            }
        }
        if (held)
            rows.append(char(bits << (8 - held)));
    }
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian(header, uint32_t(layout.width));
    appendBigEndian(header, uint32_t(layout.height));
    header.append(char(layout.bitDepth)).append(char(layout.colourType)).append(3, '\0');
    appendChunk(png, "IHDR", header);
    if (!palette.isEmpty())
        appendChunk(png, "PLTE", palette);
    if (!transparency.isEmpty())
        appendChunk(png, "tRNS", transparency);
    appendChunk(png, "IDAT", storedZlib(rows));
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace dw::test
