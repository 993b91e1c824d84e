// pdltool thumbnail run as a process, and as a file manager runs it through the thumbnailer
// entry: the clock scaled to fit a square, damaged files refused without a file written, and
// hostile files refused within a little memory.

#include "PdlToolRun.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace dw;
using namespace dw::test;

namespace {

const QString kPdltool = QStringLiteral(PDLTOOL_PATH);

// A dial with something in every part: a ring and a cross on a gradient, so that scaling has
// work to do and a misplaced hand shows.
Bytes dialFile(int width, int height, TPixelFormat format = pf24bit)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(250, 240, 200));
    gradient.setColorAt(1, QColor(90, 120, 160));
    p.fillRect(image.rect(), gradient);
    p.setPen(QPen(Qt::black, width / 40 + 1));
    p.drawEllipse(image.rect().adjusted(width / 10, height / 10, -width / 10, -height / 10));
    p.drawLine(width / 2, 0, width / 2, height);
    p.drawLine(0, height / 2, width, height / 2);
    p.end();
    return bitmapOf(image, format);
}

class Thumbnail : public ClockFiles {
protected:
    // The thumbnail pdltool writes for file with the extra arguments; null when it fails.
    QImage thumbnail(const QString& file, const QStringList& options = {})
    {
        const QString png = dir.filePath(QStringLiteral("thumbnail.png"));
        QFile::remove(png);
        const ProcessResult r = pdltool(QStringList{QStringLiteral("thumbnail")} + options + QStringList{file, png});
        EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
        return QImage(png);
    }

    // What render draws at the time, scaled as a thumbnail is.
    QImage renderScaled(const QString& file, const QString& time, int side)
    {
        return render(file, time).scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
};

// The peak resident memory of pdltool run with the arguments, as GNU time measures its child
// (the kernel's count for that process alone: a child forked from this test would also count the
// test's own memory at the fork), and its exit status.
struct PeakUsage {
    int exitCode = -1;
    int64_t peakBytes = 0;
};
PeakUsage measuredPdltool(const QStringList& arguments, const QString& report)
{
    const ProcessResult r = runProcess(QStringLiteral("/usr/bin/time"),
                                       QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), report, kPdltool}
                                           + arguments);
    QFile f(report);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(r.err);
    // "Command exited with non-zero status 1" comes first when it failed.
    const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
    bool ok = false;
    const int64_t kibibytes = lines.last().toLongLong(&ok);
    EXPECT_TRUE(ok) << lines.last().toStdString();
    return {r.exitCode, kibibytes * 1024};
}

bool sameImage(const QImage& a, const QImage& b)
{
    return a.size() == b.size() && a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST_F(Thumbnail, DefaultClockIsTheRenderAtTenEightThirtySixScaledTo256)
{
    project.FBkgStream.Clear();
    project.FSecStream.Clear();
    const QString file = save(QStringLiteral("default.pdl"));
    const QImage image = thumbnail(file);
    ASSERT_EQ(image.size(), QSize(256, 256)) << "a 200 × 200 clock fills the square";
    ASSERT_TRUE(image.hasAlphaChannel());
    EXPECT_TRUE(sameImage(image, renderScaled(file, QStringLiteral("10:08:36"), 256)));
    EXPECT_FALSE(sameImage(image, renderScaled(file, QStringLiteral("10:08:37"), 256))) << "the second hand moved";
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "outside the round shape";
    EXPECT_EQ(qAlpha(image.pixel(128, 128)), 255);

    const QImage small = thumbnail(file, {QStringLiteral("--size"), QStringLiteral("64"), QStringLiteral("--time"),
                                          QStringLiteral("03:00:00")});
    EXPECT_TRUE(sameImage(small, renderScaled(file, QStringLiteral("03:00:00"), 64)));
}

TEST_F(Thumbnail, WideDialKeepsItsAspectAndIsTransparentOutsideItsShape)
{
    setBytes(project.FBkgStream, dialFile(300, 200));
    setBytes(project.FHourStream, handFile(9, 60, Qt::red));
    setBytes(project.FMinStream, handFile(7, 80, Qt::blue));
    setBytes(project.FSecStream, handFile(5, 90, Qt::green));
    project.header.hourCenter = project.header.minCenter = project.header.secCenter = QPoint(150, 100);
    project.header.hourPivot = QPoint(4, 60);
    project.header.minPivot = QPoint(3, 80);
    project.header.secPivot = QPoint(2, 90);
    project.shape = CreateRoundRectRgn(0, 0, 300, 200, 120, 120);
    const QString file = save(QStringLiteral("wide.pdl"));

    for (int side : {256, 128, 30}) {
        SCOPED_TRACE(side);
        const QImage image = thumbnail(file, {QStringLiteral("--size"), QString::number(side)});
        EXPECT_EQ(image.width(), side);
        EXPECT_EQ(image.height(), side * 2 / 3);
        EXPECT_TRUE(sameImage(image, renderScaled(file, QStringLiteral("10:08:36"), side)));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
        EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, 0)), 255) << "the shape reaches the top edge";
    }
    const QImage image = thumbnail(file);
    // Compressed, the same picture.
    EXPECT_TRUE(sameImage(thumbnail(pack(file, QStringLiteral("wide-packed.pdl"))), image));
}

TEST_F(Thumbnail, SixteenMebibyteDialIsScaledDownWhole)
{
    setBytes(project.FBkgStream, dialFile(2048, 2048, pf32bit));
    ASSERT_GE(project.FBkgStream.size(), int64_t(16) << 20);
    project.header.hourCenter = project.header.minCenter = project.header.secCenter = QPoint(1024, 1024);
    project.shape = CreateRoundRectRgn(0, 0, 2048, 2048, 2048, 2048);
    const QString file = save(QStringLiteral("large.pdl"));
    const QImage image = thumbnail(file);
    ASSERT_EQ(image.size(), QSize(256, 256));
    EXPECT_TRUE(sameImage(image, renderScaled(file, QStringLiteral("10:08:36"), 256)));
    EXPECT_EQ(qAlpha(image.pixel(2, 2)), 0);
    EXPECT_EQ(qAlpha(image.pixel(128, 20)), 255);
}

TEST_F(Thumbnail, DamagedFilesExitOneAndWriteNothing)
{
    const QString plain = save(QStringLiteral("clock.pdl"));
    QStringList files = writeDamagedCopies(readFile(plain), readFile(pack(plain, QStringLiteral("packed.pdl"))));
    DataFileProject p = project.project();
    p.headerText = "Title=no pivots\r\n";
    const QString noPivots = dir.filePath(QStringLiteral("nopivots.pdl"));
    writeDataFile(noPivots, p);
    files << noPivots << dir.filePath(QStringLiteral("missing.pdl")) << dir.path();

    QTemporaryDir out;
    const QString kept = out.filePath(QStringLiteral("kept.png"));
    writeFile(kept, bytesOf("an older thumbnail"));
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        for (const QString& target : {out.filePath(QStringLiteral("new.png")), kept}) {
            const ProcessResult r = pdltool({QStringLiteral("thumbnail"), file, target});
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_TRUE(r.out.isEmpty());
            EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << qPrintable(r.err);
            EXPECT_TRUE(r.err.startsWith(QStringLiteral("pdltool: ") + file + QStringLiteral(": "))) << qPrintable(r.err);
        }
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("kept.png")});
        EXPECT_EQ(readFile(kept), bytesOf("an older thumbnail"));
    }
}

TEST_F(Thumbnail, BadSizeOrTimeIsAUsageError)
{
    const QString file = save(QStringLiteral("clock.pdl"));
    const QString png = dir.filePath(QStringLiteral("never.png"));
    for (const QStringList& options : {QStringList{QStringLiteral("--size"), QStringLiteral("0")},
                                       QStringList{QStringLiteral("--size"), QStringLiteral("1025")},
                                       QStringList{QStringLiteral("--size"), QStringLiteral("big")},
                                       QStringList{QStringLiteral("--time"), QStringLiteral("24:00:00")},
                                       QStringList{QStringLiteral("--colour"), QStringLiteral("red")}}) {
        SCOPED_TRACE(options.join(QLatin1Char(' ')).toStdString());
        const ProcessResult r = pdltool(QStringList{QStringLiteral("thumbnail")} + options + QStringList{file, png});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_FALSE(QFile::exists(png));
    }
    EXPECT_EQ(pdltool({QStringLiteral("thumbnail"), file}).exitCode, 2);
}

// The file manager reads the entry, substitutes the size, the input path and the output path in
// the words of its Exec line, and runs the program from the PATH.
TEST_F(Thumbnail, ThumbnailerEntryRunsAsAFileManagerRunsIt)
{
    QFile entry(QStringLiteral(DIALWRIGHT_SOURCE_DIR "/desktop/dialwright.thumbnailer"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.value(0), QStringLiteral("[Thumbnailer Entry]"));
    EXPECT_TRUE(lines.contains(QStringLiteral("TryExec=pdltool")));
    EXPECT_TRUE(lines.contains(QStringLiteral("MimeType=application/x-dialwright-clock;")));
    const QStringList exec = lines.filter(QRegularExpression(QStringLiteral("^Exec=")));
    ASSERT_EQ(exec.size(), 1);

    const QString file = save(QStringLiteral("a clock; with spaces.pdl"));
    const QString png = dir.filePath(QStringLiteral("out put.png"));
    QStringList words = exec[0].mid(5).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_EQ(words.value(0), QStringLiteral("pdltool"));
    words[0] = kPdltool;
    for (QString& word : words)
        word.replace(QStringLiteral("%s"), QStringLiteral("128")).replace(QStringLiteral("%i"), file).replace(QStringLiteral("%o"), png);
    const ProcessResult r = runProcess(words.takeFirst(), words);
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(128, 128));
    EXPECT_TRUE(sameImage(image, renderScaled(file, QStringLiteral("10:08:36"), 128)));
}

// What the thumbnailer may hold is bounded by the file's size and the pictures' pixels, checked
// before anything is read or decoded: a file over the limit (a sound of 80 MiB inside, or 3 GiB of
// nothing), a packed file that unpacks beyond it (that clock packed) and pictures of too many
// pixels are refused at a
// peak close to that of a small clock's thumbnail, where reading them would cost their size or a
// multiple of it.
TEST_F(Thumbnail, HostileFilesAreRefusedWithinALittleMemory)
{
    const QString small = save(QStringLiteral("small.pdl"));
    const QString png = dir.filePath(QStringLiteral("out.png"));
    const QString report = dir.filePath(QStringLiteral("peak.txt"));
    const PeakUsage base = measuredPdltool({QStringLiteral("thumbnail"), small, png}, report);
    ASSERT_EQ(base.exitCode, 0);
    QFile::remove(png);

    // A file of 3 GiB that occupies no disk.
    const QString huge = dir.filePath(QStringLiteral("huge.pdl"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(int64_t(3) << 30));
    }
    // A whole clock of 80 MiB: its second sound is that large.
    setBytes(project.slot(1), soundEmbedded(1, Bytes(size_t(80) << 20, 0x80)));
    const QString loud = save(QStringLiteral("loud.pdl"));
    project.slot(1).Clear();
    // The same clock packed: a cabinet of a few hundred kilobytes whose member unpacks to 80 MiB.
    const QString bomb = pack(loud, QStringLiteral("bomb.pdl"));
    ASSERT_LT(QFileInfo(bomb).size(), int64_t(4) << 20);
    // A dial of 4097 × 4096 pixels (16 MiB at 8 bits), one column over the limit.
    setBytes(project.FBkgStream, bitmapFile(4097, 4096, pf8bit));
    const QString wide = save(QStringLiteral("toomanypixels.pdl"));

    constexpr int64_t kMargin = int64_t(64) << 20;
    for (const QString& file : {huge, loud, bomb, wide}) {
        SCOPED_TRACE(file.toStdString());
        const PeakUsage usage = measuredPdltool({QStringLiteral("thumbnail"), file, png}, report);
        EXPECT_EQ(usage.exitCode, 1);
        EXPECT_FALSE(QFile::exists(png));
        EXPECT_LT(usage.peakBytes, base.peakBytes + kMargin)
            << "peak " << (usage.peakBytes >> 20) << " MiB, a small clock's " << (base.peakBytes >> 20) << " MiB";
    }
}
