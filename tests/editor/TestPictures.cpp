#include "tests/editor/TestPictures.h"

#include "platform/MemoryStream.h"

#include <QFile>
#include <QPainter>

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

QImage noise(int width, int height, uint32_t seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    return image;
}

} // namespace dw::test
