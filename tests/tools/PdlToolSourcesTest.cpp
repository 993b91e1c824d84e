// pdltool unpack and build as processes: the sources of saved clocks built into the same clocks,
// builds that repeat to the byte, the errors of a build naming where, and unpacking into folders
// where files and links were planted.

#include "tests/datafile/SampleProject.h"
#include "tests/platform/WaveBytes.h"

#include "datafile/DataFileSource.h"
#include "datafile/DataFileWriter.h"
#include "datafile/Dialwright_FCI.h"

#include "platform/ScriptedSeam.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace dw;
using namespace dw::test;

namespace {

ProcessResult pdltool(const QStringList& arguments) { return runProcess(QStringLiteral(PDLTOOL_PATH), arguments); }

QByteArray textOf(const QString& path)
{
    const Bytes bytes = readFile(path);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

std::vector<std::vector<uint8_t>> membersOf(const QString& path)
{
    const OpenedDataFile opened = openDataFile(path);
    EXPECT_TRUE(opened.unreadable.isEmpty()) << opened.unreadable.toStdString();
    return opened.image.members;
}

// A PNG file of a picture of that size.
Bytes pngFile(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(200, 30, 40, 128));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(png.begin(), png.end());
}

// The same project saved, unpacked and built again: equal member for member.
void expectRoundTrip(const QString& saved, const QTemporaryDir& dir, const QString& name)
{
    const QString sources = dir.filePath(name);
    const QString built = dir.filePath(name + QStringLiteral(".pdl"));
    const ProcessResult unpacked = pdltool({QStringLiteral("unpack"), saved, sources});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err.toStdString();
    const ProcessResult r = pdltool({QStringLiteral("build"), sources, QStringLiteral("-o"), built});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString() << textOf(sources + QStringLiteral("/clock.toml")).toStdString();
    const auto before = membersOf(saved);
    const auto after = membersOf(built);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(after[i] == before[i]) << "member " << i << ": " << after[i].size() << " bytes, saved "
                                           << before[i].size();
    EXPECT_EQ(openDataFile(built).cabinet, openDataFile(saved).cabinet);
}

// Projects of every slot state and every shape kind, as the editor saves them.
class SavedClocks : public ::testing::Test {
protected:
    QString save(SampleProject& project, const QString& name, bool compressed = false)
    {
        const QString path = dir.filePath(name);
        DataFileProject p = project.project();
        if (!compressed) {
            writeDataFile(path, p);
            return path;
        }
        const QString temp = dir.filePath(QStringLiteral("$PD.TMP"));
        writeDataFile(temp, p);
        EXPECT_TRUE(MakeCabinet(path, {QStringLiteral("DATA|") + temp}));
        QFile::remove(temp);
        return path;
    }

    static void everySlot(SampleProject& project, int turn)
    {
        const Bytes wave = pcm8Wave(Bytes(400, 0x80));
        for (int32_t slot = 1; slot <= 7; ++slot) {
            const int state = (slot + turn) % 3; // silent, by name, embedded
            Bytes record;
            if (state == 0)
                record = silentRecord(slot);
            else if (slot <= 4)
                record = state == 1 ? soundByName(slot, "\x83\x60\x83\x83\x83\x43\x83\x80.wav") : soundEmbedded(slot, wave);
            else
                record = state == 1 ? animationByName(slot, "strip.bmp", {1, 2, 3, 4, 150})
                                    : animationEmbedded(slot, bitmapFile(40, 10, pf8bit), {-3, 5, 1, 4, 1000});
            setBytes(project.slot(slot), record);
        }
    }

    seam::ScriptedHandler ui;
    QTemporaryDir dir;
};

TEST_F(SavedClocks, UnpackThenBuildGivesEveryMemberBack)
{
    enum Dial { Builtin, Bitmap, KeptPng };
    struct Case {
        const char* name;
        int turn;
        bool compressed;
        Dial dial; // KeptPng: the dial and the hour hand PNG files the user kept unconverted
        TRegion shape;
    };
    // The sample's 200 × 200 dial is black but for its red top-left pixel: its cut-out is that
    // pixel; the rounded rectangle of 20 × 20 is the ellipse; two rectangles are a mask's.
    TRegion maskShape = CreateRectRgn(10, 20, 30, 40);
    CombineRgn(maskShape, maskShape, CreateRectRgn(50, 0, 51, 300), RGN_OR);
    TRegion beyondCorner = CreateRectRgn(-5, -7, 30, 40); // a clock made elsewhere
    const Case cases[] = {
        {"rounded, slots a", 0, false, Bitmap, CreateRoundRectRgn(0, 0, 200, 200, 200, 200)},
        {"dial cut-out, slots b, packed", 1, true, Bitmap, CreateRectRgn(0, 0, 1, 1)},
        {"mask, slots c", 2, false, Bitmap, maskShape},
        {"mask reaching left of and above the dial", 2, false, Bitmap, beyondCorner},
        {"PNG pictures kept as they are, no shape", 1, false, KeptPng, TRegion()},
        {"no shape, built-in dial", 0, true, Builtin, TRegion()},
        {"built-in dial's cut-out", 1, false, Builtin, TRegion()},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SampleProject project;
        everySlot(project, c.turn);
        if (c.dial == Bitmap)
            setBytes(project.FBkgStream, bitmapFile(200, 200, pf8bit));
        if (c.dial == KeptPng) {
            setBytes(project.FBkgStream, pngFile(200, 150));
            setBytes(project.FHourStream, pngFile(9, 60));
        }
        setBytes(project.FMinStream, bitmapFile(7, 80, pf4bit));
        project.shape = c.shape;
        if (std::string(c.name) == "built-in dial's cut-out") {
            // The built-in dial's cut-out, as the editor starts with it: unpack finds it again.
            const ProcessResult r = pdltool({QStringLiteral("unpack"), QStringLiteral(DIALWRIGHT_TEST_DATA "/json/default-clock.pdl"),
                                             dir.filePath(QStringLiteral("builtin"))});
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
            EXPECT_TRUE(textOf(dir.filePath(QStringLiteral("builtin/clock.toml"))).contains("kind = \"dial\""));
            continue;
        }
        project.header.title = QStringLiteral("時計 %1").arg(n);
        project.author = QStringLiteral("作者\n\"second\" line\\");
        project.header.translucent = DataFileHeader::Option(c.turn % 3);
        project.header.countHourAnimation = DataFileHeader::Option((c.turn + 1) % 3);
        project.header.extrudeHand = c.turn == 1;
        const QString name = QStringLiteral("clock%1").arg(n++);
        expectRoundTrip(save(project, name + QStringLiteral("-saved.pdl"), c.compressed), dir, name);
    }
}

TEST_F(SavedClocks, CommittedSamplesUnpackAndBuildAgain)
{
    expectRoundTrip(QStringLiteral(DIALWRIGHT_TEST_DATA "/json/default-clock.pdl"), dir, QStringLiteral("default"));
    // This sample holds a sound of 0 bytes, which no editor takes: the build names its file.
    const QString sources = dir.filePath(QStringLiteral("packed"));
    ASSERT_EQ(pdltool({QStringLiteral("unpack"), QStringLiteral(DIALWRIGHT_TEST_DATA "/json/every-slot-packed.pdl"), sources}).exitCode, 0);
    const ProcessResult r = pdltool({QStringLiteral("build"), sources, QStringLiteral("-o"), dir.filePath(QStringLiteral("p.pdl"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("packed/minute.wav: is no wave sound the clock plays"))) << r.err.toStdString();
    // A damaged record is refused by unpack, naming the slot.
    const ProcessResult damaged = pdltool({QStringLiteral("unpack"), QStringLiteral(DIALWRIGHT_TEST_DATA "/json/unset-and-damaged-slots.pdl"),
                                           dir.filePath(QStringLiteral("damaged"))});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_TRUE(damaged.err.contains(QStringLiteral("the hour sound's record"))) << damaged.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("damaged/clock.toml"))));
}

TEST_F(SavedClocks, TwoBuildsAreTheSameBytes)
{
    SampleProject project;
    everySlot(project, 2);
    const Bytes dial = bitmapFile(400, 300); // read from its file in more than one part
    setBytes(project.FBkgStream, dial);
    for (const bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "packed" : "plain");
        const QString tag = compressed ? QStringLiteral("c") : QStringLiteral("p");
        const QString sources = dir.filePath(QStringLiteral("src") + tag);
        ASSERT_EQ(pdltool({QStringLiteral("unpack"), save(project, tag + QStringLiteral(".pdl"), compressed), sources}).exitCode, 0);
        const auto build = [&](const QString& out) {
            const ProcessResult r = pdltool({QStringLiteral("build"), sources + QStringLiteral("/clock.toml"), QStringLiteral("-o"), out});
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
            return readFile(out);
        };
        // The manifest's date.
        const Bytes first = build(dir.filePath(tag + QStringLiteral("1.pdl")));
        sleep(1); // another second: a cabinet's member time or "now" would show
        EXPECT_TRUE(build(dir.filePath(tag + QStringLiteral("2.pdl"))) == first);
        EXPECT_TRUE(first != readFile(dir.filePath(tag + QStringLiteral(".pdl"))));
        EXPECT_TRUE(membersOf(dir.filePath(tag + QStringLiteral("1.pdl")))[0] == dial);

        // Without it, SOURCE_DATE_EPOCH's.
        QByteArray toml = textOf(sources + QStringLiteral("/clock.toml"));
        toml.replace("date = 2024-03-09 07:05:03\n", "");
        writeFile(sources + QStringLiteral("/clock.toml"), Bytes(toml.begin(), toml.end()));
        qputenv("SOURCE_DATE_EPOCH", "1700000000");
        const Bytes epoch = build(dir.filePath(tag + QStringLiteral("3.pdl")));
        sleep(1);
        EXPECT_TRUE(build(dir.filePath(tag + QStringLiteral("4.pdl"))) == epoch);
        const auto members = membersOf(dir.filePath(tag + QStringLiteral("3.pdl")));
        const std::string header(members[5].begin(), members[5].end());
        EXPECT_NE(header.find("Date=2023/11/14 22:13:20\r\n"), std::string::npos) << header;
        qputenv("SOURCE_DATE_EPOCH", "soon");
        const ProcessResult bad = pdltool({QStringLiteral("build"), sources, QStringLiteral("-o"), dir.filePath(QStringLiteral("x.pdl"))});
        EXPECT_EQ(bad.exitCode, 1);
        EXPECT_TRUE(bad.err.contains(QStringLiteral("SOURCE_DATE_EPOCH"))) << bad.err.toStdString();
        qunsetenv("SOURCE_DATE_EPOCH");
    }
}

TEST_F(SavedClocks, BuildErrorsNameTheFileOrTheManifestsPlace)
{
    const QString src = dir.filePath(QStringLiteral("src"));
    QDir().mkpath(src);
    writeFile(src + QStringLiteral("/noise.wav"), Bytes(100, 7));
    writeFile(src + QStringLiteral("/dial.bmp"), bitmapFile(20, 20));
    // Beyond what a clock can hold, and never read: files that are no picture or no wave by their
    // first bytes, a bitmap by its length.
    writeFile(src + QStringLiteral("/huge.bmp"), Bytes(100, 7));
    ASSERT_TRUE(QFile::resize(src + QStringLiteral("/huge.bmp"), qint64(3) << 30));
    writeFile(src + QStringLiteral("/huge.wav"), Bytes(100, 7));
    ASSERT_TRUE(QFile::resize(src + QStringLiteral("/huge.wav"), qint64(3) << 30));
    writeFile(src + QStringLiteral("/huge-bitmap.bmp"), Bytes{'B', 'M'});
    ASSERT_TRUE(QFile::resize(src + QStringLiteral("/huge-bitmap.bmp"), qint64(3) << 30));
    const std::string hands = "[hands.hour]\npivot = [1, 2]\ncentre = [3, 4]\n[hands.minute]\npivot = [1, 2]\ncentre = [3, 4]\n"
                              "[hands.second]\npivot = [1, 2]\ncentre = [3, 4]\n";
    struct Case {
        const char* name;
        std::string manifest;
        QString says;
    };
    const Case cases[] = {
        {"missing file", "[dial]\nfile = \"gone.bmp\"\n" + hands, QStringLiteral("src/gone.bmp: no such file")},
        {"bad TOML line", "title = \"x\"\ntitle2 = \n" + hands, QStringLiteral("src/clock.toml:2:")},
        {"unknown key", hands + "[dial]\nfile = \"dial.bmp\"\nsize = 3\n", QStringLiteral("src/clock.toml:12:1: unknown key \"size\" in [dial]")},
        {"pivot not two integers", "[hands.hour]\npivot = [1, 2, 3]\ncentre = [3, 4]\n" + hands.substr(hands.find("[hands.minute]")),
         QStringLiteral("src/clock.toml:2:9: hands.hour.pivot must be two whole numbers, [x, y]")},
        {"sound not a wave", hands + "[sounds.minute]\nfile = \"noise.wav\"\n", QStringLiteral("src/noise.wav: is no wave sound the clock plays")},
        {"huge file not a wave", hands + "[sounds.minute]\nfile = \"huge.wav\"\n",
         QStringLiteral("src/huge.wav: is no wave sound the clock plays (not a RIFF WAVE image)")},
        {"picture not a picture", hands + "[dial]\nfile = \"noise.wav\"\n", QStringLiteral("src/noise.wav: is no picture")},
        {"huge file not a picture", hands + "[dial]\nfile = \"huge.bmp\"\n", QStringLiteral("src/huge.bmp: is no picture")},
        {"huge bitmap", hands + "[dial]\nfile = \"huge-bitmap.bmp\"\n", QStringLiteral("src/huge-bitmap.bmp: is too large a file for a clock (at most 2147483647 bytes)")},
        {"huge file as a mask", hands + "[dial]\nfile = \"dial.bmp\"\n[shape]\nkind = \"mask\"\nfile = \"huge.bmp\"\n", QStringLiteral("src/huge.bmp: is no picture")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(src + QStringLiteral("/clock.toml"), Bytes(c.manifest.begin(), c.manifest.end()));
        const QString out = dir.filePath(QStringLiteral("out.pdl"));
        const ProcessResult r = pdltool({QStringLiteral("build"), src, QStringLiteral("-o"), out});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out));
    }
    EXPECT_EQ(pdltool({QStringLiteral("build"), dir.filePath(QStringLiteral("nowhere"))}).exitCode, 1);
}

TEST_F(SavedClocks, UnpackNeverWritesOverAFileOrThroughALink)
{
    const QString saved = QStringLiteral(DIALWRIGHT_TEST_DATA "/json/every-slot-packed.pdl");
    const QString out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    // An existing file: refused, and nothing else is written either.
    writeFile(out + QStringLiteral("/dial.bmp"), Bytes{1, 2, 3});
    ProcessResult r = pdltool({QStringLiteral("unpack"), saved, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("dial.bmp: exists already; nothing is written (--force replaces it)"))) << r.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 1);
    EXPECT_TRUE(readFile(out + QStringLiteral("/dial.bmp")) == (Bytes{1, 2, 3}));
    r = pdltool({QStringLiteral("unpack"), QStringLiteral("--force"), saved, out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_GT(readFile(out + QStringLiteral("/dial.bmp")).size(), 3u);

    // A link at a name, even with --force: its target is never written.
    const QString victim = dir.filePath(QStringLiteral("victim"));
    writeFile(victim, Bytes{9});
    const QString linked = dir.filePath(QStringLiteral("linked"));
    QDir().mkpath(linked);
    ASSERT_EQ(symlink(victim.toLocal8Bit().constData(), (linked + QStringLiteral("/clock.toml")).toLocal8Bit().constData()), 0);
    for (const bool force : {false, true}) {
        QStringList arguments{QStringLiteral("unpack"), saved, linked};
        if (force)
            arguments.insert(1, QStringLiteral("--force"));
        r = pdltool(arguments);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("clock.toml: is a symbolic link"))) << r.err.toStdString();
        EXPECT_TRUE(readFile(victim) == Bytes{9});
        EXPECT_EQ(QDir(linked).entryList(QDir::Files | QDir::System).size(), 1);
    }
    // A file where the folder should be.
    r = pdltool({QStringLiteral("unpack"), saved, victim});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("is a file, not a folder"))) << r.err.toStdString();
}

} // namespace
