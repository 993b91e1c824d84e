// A file manager's thumbnail of a clock with a 2048 × 2048 24-bit dial (12 MiB): what
// `pdltool thumbnail` does before it encodes the PNG (the saved file read from the disk, opened,
// the clock rendered at 10:08:36 and scaled with smoothing to 256), against reading the same dial
// as a bitmap file with QImageReader and scaling it the same way, timed alternately in one run.

#include "BenchPictures.h"
#include "BenchTimer.h"
#include "SilentHandler.h"

#include "datafile/DataFileHeader.h"
#include "datafile/DataFileSource.h"
#include "datafile/DataFileTexts.h"
#include "datafile/DataFileWriter.h"
#include "editor/clock/ClockThumbnail.h"

#include "platform/Bitmap.h"
#include "platform/MemoryStream.h"
#include "platform/Region.h"
#include "platform/Seam.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <cstdio>
#include <cstring>

namespace {

using namespace dw;

constexpr int kDial = 2048;
constexpr int kSide = 256;
const QTime kTime(10, 8, 36);

// A dial with a face and ticks on blue (its bottom-left colour) so that the shape is cut.
QImage dialImage() { return bench::dialImage(kDial, QColor(0, 0, 255), QColor(60, 40, 30)); }

// A hand on white, pointing up, its hole near the bottom.
QImage handImage(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(width / 2.0, 0), QPointF(width - 2, height * 0.8), QPointF(width / 2.0, height - 1),
                             QPointF(2, height * 0.8)}));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    bench::SilentHandler silent;
    seam::install(&silent);

    // The clock, saved as the editor saves it, and its dial as a bitmap file of its own.
    TMemoryStream dial, hour, minute, second;
    bench::saveBitmap(dialImage(), dial);
    bench::saveBitmap(handImage(60, 700, QColor(30, 30, 40)), hour);
    bench::saveBitmap(handImage(40, 920, QColor(30, 30, 40)), minute);
    bench::saveBitmap(handImage(12, 960, QColor(200, 20, 20)), second);
    DataFileHeader header;
    header.hourCenter = header.minCenter = header.secCenter = QPoint(kDial / 2, kDial / 2);
    header.hourPivot = QPoint(30, 700 * 9 / 10);
    header.minPivot = QPoint(20, 920 * 9 / 10);
    header.secPivot = QPoint(6, 960 * 9 / 10);
    header.saved = QDateTime::currentDateTime();
    const DataFileTexts texts = dataFileTexts(header, QStringLiteral("bench"));
    DataFileProject project;
    project.FBkgStream = &dial;
    project.FHourStream = &hour;
    project.FMinStream = &minute;
    project.FSecStream = &second;
    project.shape = CreateRoundRectRgn(0, 0, kDial, kDial, kDial, kDial);
    project.headerText = texts.header;
    project.authorText = texts.author;
    const QString clockPath = QDir::tempPath() + QStringLiteral("/bench_thumbnail.pdl");
    const QString dialPath = QDir::tempPath() + QStringLiteral("/bench_thumbnail.bmp");
    writeDataFile(clockPath, project);
    {
        QFile f(dialPath);
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(dial.Memory()), dial.size());
    }
    std::printf("bench_thumbnail: a clock with a %d × %d dial (%.1f MiB file) to %d pixels\n", kDial, kDial,
                double(QFile(clockPath).size()) / (1 << 20), kSide);

    QImage ours, peer;
    const auto thumbnail = [&] {
        const OpenedDataFile file = openDataFile(clockPath, kMaxThumbnailFileBytes);
        ours = drawClockThumbnail(file.image.members, kTime, kSide).image;
    };
    const auto readAndScale = [&] {
        QImageReader reader(dialPath);
        peer = reader.read().scaled(kSide, kSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    };
    // --profile: the thumbnail over and over for a few seconds, nothing else (for perf).
    if (argc > 1 && std::strcmp(argv[1], "--profile") == 0) {
        const double start = bench::cpuSeconds();
        while (bench::cpuSeconds() - start < 3)
            thumbnail();
        return 0;
    }

    const auto [oursTime, peerTime] = bench::alternately(thumbnail, readAndScale, 3, 0.3, 2);
    if (ours.size() != QSize(kSide, kSide) || peer.size() != ours.size())
        bench::fail("the thumbnail and the scaled dial differ in size");
    bench::printCase("pdltool thumbnail's work (read, open, render, scale)", oursTime, double(kDial) * kDial, "pixels");
    bench::printCase("QImageReader of the dial's bitmap, scaled", peerTime, double(kDial) * kDial, "pixels");
    bench::printAtMost("thumbnail time / bitmap read and scaled", oursTime / peerTime, 1.5);
    QFile::remove(clockPath);
    QFile::remove(dialPath);
    return bench::exitStatus();
}
