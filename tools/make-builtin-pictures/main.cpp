// make-builtin-pictures <output folder> [preview folder]
// Writes dial.bmp, hour.bmp, minute.bmp and second.bmp; with a preview folder also PNG
// enlargements and a composed clock, for judging the artwork by eye.
#include "Artwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTransform>

#include <cstdio>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The picture with its colour key (the colour of the bottom-left pixel) transparent.
QImage keyed(const IndexedPicture& picture)
{
    QImage img = picture.image().convertToFormat(QImage::Format_ARGB32);
    const QRgb key = img.pixel(0, img.height() - 1);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == key)
                img.setPixel(x, y, qRgba(0, 0, 0, 0));
    return img;
}

// The dial with the three hands at a given time, each turned about its pivot placed on the
// dial centre, as the editor's preview shows them.
QImage composed(const IndexedPicture& dial, const IndexedPicture& hour, const IndexedPicture& minute,
                const IndexedPicture& second, double h, double m, double s)
{
    QImage out = keyed(dial);
    QPainter p(&out);
    auto hand = [&](const IndexedPicture& pic, QPointF pivot, double degrees) {
        p.save();
        p.translate(100, 100);
        p.rotate(degrees);
        p.translate(-pivot);
        p.drawImage(0, 0, keyed(pic));
        p.restore();
    };
    hand(hour, {7, 70}, (h + m / 60.0) * 30.0);
    hand(minute, {7, 90}, m * 6.0);
    hand(second, {6, 90}, s * 6.0);
    return out;
}

QImage enlarged(const QImage& img, int factor)
{
    return img.scaled(img.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make-builtin-pictures <output folder> [preview folder]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const IndexedPicture dial = drawDial();
    const IndexedPicture hour = drawHand(70, 11.0, 40.0);
    const IndexedPicture minute = drawHand(90, 13.0, 52.0);
    const IndexedPicture second = drawSecondMark();
    bool ok = writeFile(out.filePath("dial.bmp"), dial.bmpFile()) &&
              writeFile(out.filePath("hour.bmp"), hour.bmpFile()) &&
              writeFile(out.filePath("minute.bmp"), minute.bmpFile()) &&
              writeFile(out.filePath("second.bmp"), second.bmpFile());
    if (ok && argc >= 3) {
        const QDir preview(QString::fromLocal8Bit(argv[2]));
        ok = enlarged(dial.image(), 4).save(preview.filePath("dial-x4.png")) &&
             enlarged(hour.image(), 8).save(preview.filePath("hour-x8.png")) &&
             enlarged(minute.image(), 8).save(preview.filePath("minute-x8.png")) &&
             enlarged(second.image(), 16).save(preview.filePath("second-x16.png")) &&
             enlarged(composed(dial, hour, minute, second, 10, 9, 36), 3).save(preview.filePath("clock-x3.png")) &&
             composed(dial, hour, minute, second, 4, 41, 12).save(preview.filePath("clock-x1.png"));
    }
    return ok ? 0 : 1;
}
