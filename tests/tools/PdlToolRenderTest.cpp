// pdltool render run as a process on saved files: the picture of the clock at a time of day, with
// the shape as transparency.

#include "PdlToolRun.h"

using namespace dw;
using namespace dw::test;

namespace {

class Render : public ClockFiles {
protected:
    Render()
    {
        QImage dial(200, 200, QImage::Format_RGB32);
        dial.fill(QColor(240, 230, 200));
        setBytes(project.FBkgStream, bitmapOf(dial));
        setBytes(project.FHourStream, handFile(9, 60, Qt::red));
        setBytes(project.FMinStream, handFile(7, 80, Qt::blue));
        setBytes(project.FSecStream, handFile(5, 90, Qt::green));
        project.header.hourPivot = QPoint(4, 60);
        project.header.minPivot = QPoint(3, 80);
        project.header.secPivot = QPoint(2, 90);
        project.shape = CreateRoundRectRgn(0, 0, 200, 200, 200, 200);
    }
};

bool transparentAt(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)) == 0; }
QColor colourAt(const QImage& image, int x, int y) { return QColor::fromRgba(image.pixel(x, y)); }

} // namespace

TEST_F(Render, DrawsTheHandsWhereTheTimePutsThemInsideTheShape)
{
    // 09:00:15: hour hand to the left, minute hand up, second hand to the right.
    const QImage image = render(save(QStringLiteral("clock.pdl")), QStringLiteral("09:00:15"));
    ASSERT_EQ(image.size(), QSize(200, 200)) << "the dial's size";
    ASSERT_TRUE(image.hasAlphaChannel());
    EXPECT_EQ(colourAt(image, 60, 100), QColor(Qt::red));
    EXPECT_EQ(colourAt(image, 100, 40), QColor(Qt::blue));
    EXPECT_EQ(colourAt(image, 160, 100), QColor(Qt::green));
    EXPECT_EQ(colourAt(image, 150, 150), QColor(240, 230, 200)) << "the dial where no hand is";
    for (QPoint corner : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 199), QPoint(199, 199), QPoint(20, 20)})
        EXPECT_TRUE(transparentAt(image, corner.x(), corner.y())) << corner.x() << "," << corner.y();
    EXPECT_FALSE(transparentAt(image, 100, 1));
}

TEST_F(Render, ExtrudedHandsShowBeyondTheShape)
{
    project.shape = CreateRoundRectRgn(50, 50, 150, 150, 100, 100); // a disc of radius 50
    const QString plain = save(QStringLiteral("plain.pdl"));
    project.header.extrudeHand = true;
    const QString extruded = save(QStringLiteral("extruded.pdl"));

    const QImage cut = render(plain, QStringLiteral("12:00:15"));
    EXPECT_TRUE(transparentAt(cut, 100, 30)) << "the minute hand's tip outside the disc";
    const QImage widened = render(extruded, QStringLiteral("12:00:15"));
    EXPECT_EQ(colourAt(widened, 100, 30), QColor(Qt::blue));
    EXPECT_TRUE(transparentAt(widened, 30, 100)) << "only the hands widen the shape";
    EXPECT_FALSE(transparentAt(widened, 100, 100));
}

TEST_F(Render, BuiltinPicturesStandInForEmptyMembersAndNoShapeIsTheWholeDial)
{
    project.FBkgStream.Clear();
    project.FHourStream.Clear();
    project.FMinStream.Clear();
    project.FSecStream.Clear();
    project.shape = TRegion();
    const QImage image = render(save(QStringLiteral("builtin.pdl")), QStringLiteral("03:00:00"));
    ASSERT_EQ(image.size(), QSize(200, 200));
    EXPECT_FALSE(transparentAt(image, 0, 0)) << "no shape: the full rectangle";
    EXPECT_EQ(colourAt(image, 0, 0), QColor(0, 0, 255)) << "the built-in dial's blue corner";
}

TEST_F(Render, CompressedFilesRenderToo)
{
    const QString plain = save(QStringLiteral("clock.pdl"));
    const QString packed = pack(plain, QStringLiteral("packed.pdl"));
    EXPECT_EQ(render(packed, QStringLiteral("09:00:15")), render(plain, QStringLiteral("09:00:15")));
}

TEST_F(Render, DamagedFileOrBadTimeFailsWithOneLine)
{
    const QString junk = dir.filePath(QStringLiteral("junk.pdl"));
    writeFile(junk, bytesOf(std::string("this is not a clock at all, only some text")));
    const QString png = dir.filePath(QStringLiteral("never.png"));
    ProcessResult r = pdltool({QStringLiteral("render"), junk, QStringLiteral("--time"), QStringLiteral("10:00:00"),
                               QStringLiteral("-o"), png});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed().count(QLatin1Char('\n')), 0) << qPrintable(r.err);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("pdltool: "))) << qPrintable(r.err);
    EXPECT_FALSE(QFile::exists(png));

    // A readable file whose header lost a pivot line.
    project.header.title.clear();
    DataFileProject p = project.project();
    std::string header = p.headerText;
    header.erase(header.find("MPY="), header.find("\r\n", header.find("MPY=")) + 2 - header.find("MPY="));
    p.headerText = header;
    const QString noPivot = dir.filePath(QStringLiteral("nopivot.pdl"));
    writeDataFile(noPivot, p);
    r = pdltool({QStringLiteral("render"), noPivot, QStringLiteral("--time"), QStringLiteral("10:00:00"),
                 QStringLiteral("-o"), png});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("MPY="))) << qPrintable(r.err);

    r = pdltool({QStringLiteral("render"), save(QStringLiteral("ok.pdl")), QStringLiteral("--time"),
                 QStringLiteral("25:00:00"), QStringLiteral("-o"), png});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(QFile::exists(png));
}

namespace {

// A strip of 4 × 2 frames of 20 × 10, frame k filled with red 30k, with a key-coloured (its
// bottom-left colour, green) first column in every frame.
Bytes stripFile()
{
    QImage s(80, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            s.setPixel(x, y, x % 20 == 0 ? qRgb(0, 255, 0) : qRgb(30 * ((y / 10) * 4 + x / 20), 0, 99));
    return bitmapOf(s);
}

} // namespace

TEST_F(Render, DrawsOneFrameOfAnAnimationOverTheClock)
{
    setBytes(project.slot(6), animationEmbedded(6, stripFile(), {60, 70, 2, 4, 100}));
    setBytes(project.slot(5), silentRecord(5));
    const QString file = save(QStringLiteral("anim.pdl"));
    const QImage clock = render(file, QStringLiteral("09:00:15"));
    const QString png = dir.filePath(QStringLiteral("frame.png"));
    auto frame = [&](const QString& anim, const QString& n) {
        return pdltool({QStringLiteral("render"), file, QStringLiteral("--time"), QStringLiteral("09:00:15"), QStringLiteral("-o"),
                        png, QStringLiteral("--anim"), anim, QStringLiteral("--frame"), n});
    };
    ProcessResult r = frame(QStringLiteral("hour"), QStringLiteral("3"));
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    const QImage drawn(png);
    // Frame 3: top row, last column, at (60, 70); its key-coloured column shows the clock.
    EXPECT_EQ(colourAt(drawn, 70, 75), QColor(90, 0, 99));
    EXPECT_EQ(colourAt(drawn, 60, 75), colourAt(clock, 60, 75));
    EXPECT_EQ(colourAt(drawn, 81, 75), colourAt(clock, 81, 75)) << "right of the frame";
    EXPECT_EQ(colourAt(drawn, 70, 81), colourAt(clock, 70, 81)) << "below the frame";
    ASSERT_EQ(frame(QStringLiteral("hour"), QStringLiteral("7")).exitCode, 0);
    EXPECT_EQ(colourAt(QImage(png), 70, 75), QColor(210, 0, 99));

    // No such frame, a "none" slot, a slot not in the file, bad words.
    r = frame(QStringLiteral("hour"), QStringLiteral("8"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("has 8 frames (0 to 7)"))) << qPrintable(r.err);
    r = frame(QStringLiteral("minute"), QStringLiteral("0"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("minute animation is none"))) << qPrintable(r.err);
    project.slot(7).Clear();
    const QString without = save(QStringLiteral("without.pdl"));
    r = pdltool({QStringLiteral("render"), without, QStringLiteral("--time"), QStringLiteral("09:00:15"), QStringLiteral("-o"), png,
                 QStringLiteral("--anim"), QStringLiteral("zero"), QStringLiteral("--frame"), QStringLiteral("0")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("has no zero-hour animation"))) << qPrintable(r.err);
    EXPECT_EQ(frame(QStringLiteral("second"), QStringLiteral("0")).exitCode, 2);
    EXPECT_EQ(frame(QStringLiteral("hour"), QStringLiteral("-1")).exitCode, 2);
}
