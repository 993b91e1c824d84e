// pdltool run as a process on files saved by the data-file writer, packed by the program's
// cabinet packer, and on damaged and foreign files.

#include "PdlToolRun.h"

#include "tests/platform/WaveBytes.h"

#include "datafile/DataFileCheck.h"
#include "datafile/DataFileInfo.h"
#include "datafile/FileImage.h"

#include "tests/support/CabinetLayout.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

using namespace dw;
using namespace dw::test;

namespace {

// A project with every kind of member, saved plain and compressed in one temporary folder.
class SavedFiles : public ClockFiles {
protected:
    void SetUp() override
    {
        project.setAllSlots();
        setBytes(project.FBkgStream, bitmapFile(200, 200, pf8bit));
        setBytes(project.FSecStream, bitmapFile(3, 90));
        project.header.title = QStringLiteral("夜の時計");
        project.author = QStringLiteral("作者: Dialwright\nsecond line");
        saveBoth();
    }
    void saveBoth()
    {
        plain = save(QStringLiteral("clock.pdl"));
        image = readFile(plain);
        compressed = pack(plain, QStringLiteral("compressed.pdl"));
    }

    QString plain, compressed;
    Bytes image;
};

} // namespace

TEST_F(SavedFiles, InfoDescribesEveryMember)
{
    const ProcessResult r = pdltool({QStringLiteral("info"), plain});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QStringList lines = linesOf(r.out);
    ASSERT_GE(lines.size(), 20);
    EXPECT_EQ(lines[0], QStringLiteral("%1: custom data file of %2 bytes, not compressed").arg(plain).arg(image.size()));
    EXPECT_EQ(lines[1], QStringLiteral("stream list: 14 members"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("member 0, dial picture: "))) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("bitmap 200 × 200, 8 bits per pixel"))) << lines[2].toStdString();
    EXPECT_EQ(lines[3], QStringLiteral("member 1, hour hand picture: 0 bytes, the built-in hour hand"));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 4, window shape: %1 bytes, %2 rectangles, bounding box (0, 0, 200, 200)")
                                   .arg(regionData(project.shape).size())
                                   .arg(project.shape.rects().size())));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 5, header text: ")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("\n    Title=夜の時計\n    HPX=4\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 6, author text: 29 bytes, 2 lines\n    作者: Dialwright\n    second line\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 7, slot 7 (zero-hour animation): %1 bytes, kind 2, embedded strip, "
                                              "bitmap 40 × 10, 8 bits per pixel, frames of 10 × 10, 4 frames; "
                                              "offset (10, -5), 1 rows × 4 columns, 200 ms a frame")
                                   .arg(project.slot(7).size())));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 8, slot 6 (hour animation): 37 bytes, kind 1, by file name \"hour.bmp\"")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 9, slot 5 (minute animation): 4 bytes, none")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 10, slot 4 (zero-hour sound): 52 bytes, kind 1, embedded sound of 44 bytes, "
                                              "not a playable wave image (no format chunk)")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 11, slot 3 (hour sound): 21 bytes, kind 0, by file name \"チャイム.wav\"")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 12, slot 2 (minute sound): 8 bytes, kind 1, embedded sound of 0 bytes, "
                                              "not a playable wave image (not a RIFF WAVE image)")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 13, slot 1 (second sound): 4 bytes, silent")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("unset"))) << "every slot is in the file";
}

using PdlToolInfo = ClockFiles;

TEST_F(PdlToolInfo, EmbeddedWavesShowTheirFormatAndUnsetSoundSlotsAreNamed)
{
    // Second: 16-bit stereo PCM, half a second at 22050 Hz; hour: IMA ADPCM, two blocks of 65
    // frames at 10000 Hz; zero hour unset.
    WaveFields pcm;
    pcm.channels = 2;
    pcm.sampleRate = 22050;
    setBytes(project.slot(1), soundEmbedded(1, waveImage(pcm, Bytes(22050 * 2, 0x10))));
    WaveFields ima;
    ima.formatTag = 0x11;
    ima.sampleRate = 10000;
    ima.bitsPerSample = 4;
    ima.blockAlign = 36;
    ima.extension = {2, 0, 65, 0};
    setBytes(project.slot(3), soundEmbedded(3, waveImage(ima, Bytes(72, 0x07))));
    // Minute: 8-bit mono at 1000 Hz, 301 seconds, longer than Test Play plays.
    WaveFields slow;
    slow.sampleRate = 1000;
    slow.bitsPerSample = 8;
    setBytes(project.slot(2), soundEmbedded(2, waveImage(slow, Bytes(301000, 0x90))));
    const QString path = save(QStringLiteral("waves.pdl"));

    const ProcessResult r = pdltool({QStringLiteral("info"), path});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("member 7, slot 3 (hour sound): %1 bytes, kind 1, embedded sound of %2 bytes, "
                                              "IMA ADPCM, 1 channel, 10000 Hz, 4 bits, 0.013 s\n")
                                   .arg(project.slot(3).size())
                                   .arg(project.slot(3).size() - 8)))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("slot 2 (minute sound): 301052 bytes, kind 1, embedded sound of 301044 bytes, "
                                              "PCM, 1 channel, 1000 Hz, 8 bits, 300.000 s (Test Play stops there)\n")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("member 9, slot 1 (second sound): %1 bytes, kind 1, embedded sound of %2 bytes, "
                                              "PCM, 2 channels, 22050 Hz, 16 bits, 0.500 s\n"
                                              "slot 4 (zero-hour sound): unset, not in the file\n"
                                              "slot 5 (minute animation): unset, not in the file\n"
                                              "slot 6 (hour animation): unset, not in the file\n"
                                              "slot 7 (zero-hour animation): unset, not in the file\n")
                                   .arg(project.slot(1).size())
                                   .arg(project.slot(1).size() - 8)))
        << r.out.toStdString();
}

TEST_F(SavedFiles, CompressedFileIsACabinetTheIndependentToolsOpen)
{
    QTemporaryDir unpacked;
    ASSERT_EQ(cabextractInto(compressed, unpacked.path()).exitCode, 0);
    EXPECT_EQ(readFile(unpacked.filePath(QStringLiteral("DATA"))), image);

    const ProcessResult r = pdltool({QStringLiteral("info"), compressed});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = linesOf(r.out);
    EXPECT_EQ(lines.value(0), QStringLiteral("%1: cabinet of %2 bytes holding 1 member(s); member \"DATA\": %3 bytes, MSZIP")
                                  .arg(compressed)
                                  .arg(readFile(compressed).size())
                                  .arg(image.size()));
    EXPECT_EQ(lines.value(1), QStringLiteral("stream list: 14 members"));
}

TEST_F(SavedFiles, ExtractWritesEveryMemberUnderANameThatSaysWhatItIs)
{
    const FileImageContents contents = readFileImage(image);
    const QStringList expected = {
        QStringLiteral("0-dial.bmp"),  QStringLiteral("1-hour-hand.bmp"), QStringLiteral("2-minute-hand.bmp"),
        QStringLiteral("3-second-hand.bmp"), QStringLiteral("4-shape.rgn"), QStringLiteral("5-header.txt"),
        QStringLiteral("6-author.txt"), QStringLiteral("7-slot7-zero-hour-animation.bin"),
        QStringLiteral("8-slot6-hour-animation.bin"), QStringLiteral("9-slot5-minute-animation.bin"),
        QStringLiteral("10-slot4-zero-hour-sound.bin"), QStringLiteral("11-slot3-hour-sound.bin"),
        QStringLiteral("12-slot2-minute-sound.bin"), QStringLiteral("13-slot1-second-sound.bin"),
    };
    for (const QString& file : {plain, compressed}) {
        SCOPED_TRACE(file.toStdString());
        QTemporaryDir out;
        const QString folder = out.filePath(QStringLiteral("members")); // made by the tool
        const ProcessResult r = pdltool({QStringLiteral("extract"), file, folder});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(linesOf(r.out).size(), 14);
        QStringList written = QDir(folder).entryList(QDir::Files);
        QStringList sortedExpected = expected;
        written.sort();
        sortedExpected.sort();
        EXPECT_EQ(written, sortedExpected);
        for (int i = 0; i < 14; ++i)
            EXPECT_EQ(readFile(QDir(folder).filePath(expected[i])), contents.members[size_t(i)]) << "member " << i;
    }
}

// Pictures larger than their headers are not held by info, verify and extract: what they print
// and write from the headers and the bytes passed on must be what the whole members give. A dial
// of 4 MiB with rows of varied bytes (each byte in its place), and a hand whose rows end beyond
// its member (a broken rule read from its headers alone).
TEST_F(SavedFiles, LargePicturesGiveWhatTheWholeMembersGive)
{
    Bytes dial = bitmapFile(1200, 1200);
    for (size_t i = 54; i < dial.size(); ++i)
        dial[i] = uint8_t(i * 131 + (i >> 11));
    setBytes(project.FBkgStream, dial);
    Bytes hand = bitmapFile(800, 800);
    hand.resize(hand.size() / 2);
    setBytes(project.FHourStream, hand);
    saveBoth();
    const FileImageContents contents = readFileImage(image);

    for (const QString& file : {plain, compressed}) {
        SCOPED_TRACE(file.toStdString());
        const OpenedDataFile whole = openDataFile(file);
        ASSERT_TRUE(whole.readable());
        ASSERT_TRUE(whole.image.statedSizes.empty());
        const OpenedDataFile cut = openDataFile(file, CabinetReader::kMaxExtractBytes, picturesHeldUpTo(kPictureHeadBytes));
        EXPECT_EQ(cut.image.memberSize(0), int64_t(dial.size()));
        EXPECT_EQ(cut.image.members[0].size(), size_t(kPictureHeadBytes)) << "the dial is not held";

        EXPECT_EQ(linesOf(pdltool({QStringLiteral("info"), file}).out), describeDataFile(whole, file));
        const ProcessResult verify = pdltool({QStringLiteral("verify"), file});
        EXPECT_EQ(verify.exitCode, 1);
        QStringList expected;
        for (const QString& line : checkDataFile(whole).violations)
            expected << file + QStringLiteral(": ") + line;
        EXPECT_EQ(linesOf(verify.out), expected);
        EXPECT_TRUE(verify.out.contains(QStringLiteral("member 1 (hour hand picture): its pixel rows end at byte"))) << verify.out.toStdString();

        QTemporaryDir out;
        const ProcessResult extract = pdltool({QStringLiteral("extract"), file, out.path()});
        ASSERT_EQ(extract.exitCode, 0) << extract.err.toStdString();
        EXPECT_TRUE(extract.out.contains(QStringLiteral("0-dial.bmp: %1 bytes").arg(dial.size()))) << extract.out.toStdString();
        EXPECT_EQ(readFile(QDir(out.path()).filePath(QStringLiteral("0-dial.bmp"))), dial);
        EXPECT_EQ(readFile(QDir(out.path()).filePath(QStringLiteral("1-hour-hand.bmp"))), contents.members[1]);
    }
}

TEST_F(SavedFiles, ExtractWritesThroughNoLinkAndFilesTakeTheirModes)
{
    // A folder others could write into, where a link to a file of the user's waits under the
    // name of a member, and a member's file the user keeps private.
    QTemporaryDir out;
    const QString victim = dir.filePath(QStringLiteral("victim.rc"));
    writeFile(victim, bytesOf("alias ls='ls -l'\n"));
    const QString link = out.filePath(QStringLiteral("6-author.txt"));
    ASSERT_TRUE(QFile::link(victim, link));
    const QString kept = out.filePath(QStringLiteral("0-dial.bmp"));
    writeFile(kept, bytesOf("older"));
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0600), 0);

    const mode_t oldMask = ::umask(022);
    const ProcessResult refused = pdltool({QStringLiteral("extract"), plain, out.path()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(link + QStringLiteral(": is a symbolic link"))) << refused.err.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(victim), bytesOf("alias ls='ls -l'\n"));

    QFile::remove(link);
    const ProcessResult done = pdltool({QStringLiteral("extract"), plain, out.path()});
    const QString made = out.filePath(QStringLiteral("made"));
    const ProcessResult fresh = pdltool({QStringLiteral("extract"), compressed, made});
    ::umask(oldMask);
    ASSERT_EQ(done.exitCode, 0) << done.err.toStdString();
    ASSERT_EQ(fresh.exitCode, 0) << fresh.err.toStdString();
    const auto modeOf = [](const QString& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
        return st.st_mode & 07777;
    };
    EXPECT_EQ(modeOf(kept), 0600u) << "a replaced file keeps its mode";
    EXPECT_NE(readFile(kept), bytesOf("older"));
    EXPECT_EQ(modeOf(link), 0644u) << "a new file has the usual mode";
    EXPECT_EQ(modeOf(made), 0755u) << "the folder the tool made";
    for (const QString& name : QDir(made).entryList(QDir::Files | QDir::Hidden))
        EXPECT_EQ(modeOf(QDir(made).filePath(name)), 0644u) << name.toStdString();
    EXPECT_EQ(QDir(made).entryList(QDir::Files | QDir::Hidden).size(), 14) << "no hidden file left";
}

TEST_F(SavedFiles, VerifyPassesSavedAndCompressedFiles)
{
    for (const QString& file : {plain, compressed}) {
        const ProcessResult r = pdltool({QStringLiteral("verify"), file});
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
        EXPECT_EQ(linesOf(r.out).size(), 1) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("keeps every rule (14 members"))) << r.out.toStdString();
    }
}

TEST_F(SavedFiles, VerifyPrintsOneLinePerBrokenRule)
{
    setBytes(project.slot(6), animationByName(6, "hour.bmp", {0, 0, 2, 4, 20}));
    DataFileProject p = project.project();
    p.authorText += std::string("\0tail", 5);
    const QString broken = dir.filePath(QStringLiteral("broken.pdl"));
    writeDataFile(broken, p);
    const ProcessResult r = pdltool({QStringLiteral("verify"), broken});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(linesOf(r.out), (QStringList{
                                  broken + QStringLiteral(": member 6 (author text): holds a NUL byte at 29"),
                                  broken + QStringLiteral(": member 8 (slot record): its frame time FrameTime 20 ms is not 50 to 1000"),
                              }));
}

TEST_F(SavedFiles, DamagedForeignEmptyAndMissingFilesGiveOneLineAndStatusOne)
{
    QStringList files = writeDamagedCopies(image, readFile(compressed));
    files << dir.filePath(QStringLiteral("missing.pdl"));
    for (const QString& file : files) {
        for (const QString& command : {QStringLiteral("info"), QStringLiteral("verify"), QStringLiteral("extract")}) {
            SCOPED_TRACE((command + QLatin1Char(' ') + file).toStdString());
            QTemporaryDir out;
            QStringList arguments = {command, file};
            if (command == QLatin1String("extract"))
                arguments << out.path();
            const ProcessResult r = pdltool(arguments);
            EXPECT_EQ(r.exitCode, 1);
            const QStringList lines = linesOf(r.out) + linesOf(r.err);
            ASSERT_EQ(lines.size(), 1) << (r.out + r.err).toStdString();
            EXPECT_TRUE(lines[0].contains(file)) << lines[0].toStdString();
            EXPECT_TRUE(QDir(out.path()).isEmpty()) << "nothing is extracted from a damaged file";
        }
    }
}

TEST_F(SavedFiles, ControlCharactersFromTheFileAreShownEscaped)
{
    project.header.title = QStringLiteral("\x1b]0;owned\x07");
    const QString path = save(QStringLiteral("escape.pdl"));
    const ProcessResult r = pdltool({QStringLiteral("info"), path});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("    Title=\\x1B]0;owned\\x07\n"))) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QChar(0x1B)));
}

TEST(PdlTool, BadArgumentsShowTheUsageWithStatusTwo)
{
    for (const QStringList& arguments : {QStringList{}, QStringList{QStringLiteral("render")},
                                         QStringList{QStringLiteral("info")},
                                         QStringList{QStringLiteral("extract"), QStringLiteral("a.pdl")},
                                         QStringList{QStringLiteral("verify"), QStringLiteral("a"), QStringLiteral("b")}}) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const ProcessResult r = pdltool(arguments);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("usage:"))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    const ProcessResult help = pdltool({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("pdltool extract FILE DIR")));
}
