#include "PictureConversion.h"

#include "platform/Bitmap.h"
#include "platform/FrameworkError.h"
#include "rotateimage/DibDecoder.h"

#include <QBuffer>
#include <QImageReader>

namespace dw {

namespace {

// The image reader over the file's bytes (no copy); the caller keeps `file` alive.
QImage readImage(const TMemoryStream& file, QByteArray* format)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(file.Memory()), file.size());
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // The reader refuses pictures beyond its allocation limit (256 MiB by default).
    QImageReader reader(&buffer);
    // Asked before reading: the reader names the format it detects on the device.
    if (format)
        *format = reader.format();
    return reader.read();
}

bool anyTranslucent(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return true;
    }
    return false;
}

} // namespace

PictureForm examinePicture(const TMemoryStream& file, PictureUse use)
{
    PictureForm form;
    {
        TMemoryStream copy;
        copy.WriteBuffer(file.Memory(), file.size());
        copy.SetPosition(0);
        if (use == PictureUse::Stored) {
            TMemoryStream decoded;
            form.clockShows = LoadFromBmpStream(copy, decoded).ok;
        } else {
            try {
                TBitmap bitmap;
                bitmap.LoadFromStream(copy);
                form.clockShows = true;
            } catch (const EFrameworkError&) {
                form.clockShows = false;
            }
        }
    }
    if (form.clockShows)
        return form;
    QByteArray format;
    const QImage image = readImage(file, &format);
    form.readable = !image.isNull();
    form.format = QString::fromLatin1(format);
    form.hasAlpha = form.readable && anyTranslucent(image);
    return form;
}

void convertToClockBitmap(const TMemoryStream& file, TMemoryStream& converted)
{
    converted.Clear();
    const QImage image = readImage(file, nullptr);
    if (image.isNull())
        return;
    // Each pixel keeps its colour as stored (not mixed with any background); alpha is dropped.
    QImage opaque = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < opaque.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        for (int x = 0; x < opaque.width(); ++x)
            line[x] |= 0xFF000000u;
    }
    TBitmap bitmap;
    bitmap.setImage(opaque.convertToFormat(QImage::Format_RGB32));
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SaveToStream(converted);
    converted.SetPosition(0);
}

} // namespace dw
