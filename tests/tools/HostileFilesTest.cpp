// Files made to exhaust the reader: tiny cabinets whose header text is 64 or 256 MiB of line
// feeds, a header of 100,000 short lines, 512 MiB of zeros, a cabinet with 1 GiB after it, and a
// clock whose dial expands to 512 MiB, compressed and stored. Each is opened by the editor's reading routine and by pdltool info and verify in a child
// process, and the child's peak memory is measured against the same child on a small clock:
// a refused file may cost at most 64 MiB more, an opened one at most its members' bytes and
// 64 MiB more.

#include "datafile/ClockProjectFile.h"
#include "datafile/Dialwright_FCI.h"

#include "platform/ScriptedSeam.h"

#include "tests/support/ChildUsage.h"
#include "tests/support/SyntheticImage.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace dw;
using namespace dw::test;

namespace {

constexpr int64_t kMiB = int64_t(1) << 20;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// AddressSanitizer keeps one shadow byte for every eight bytes the program touches.
int64_t withShadow(int64_t bytes)
{
#if defined(__SANITIZE_ADDRESS__)
    return bytes + bytes / 8;
#else
    return bytes;
#endif
}

// Packs the image file at imagePath as the member DATA of a cabinet; the image is removed.
QString packed(const QString& imagePath, const QString& cabinetPath)
{
    seam::ScriptedHandler ui;
    QString reason;
    EXPECT_TRUE(MakeCabinet(cabinetPath, {QStringLiteral("DATA|") + imagePath}, &reason)) << reason.toStdString();
    QFile::remove(imagePath);
    return cabinetPath;
}

// The editor's reading of a file it is asked to open, as Open, the command line and a drop do it.
int openAsTheEditorDoes(const QString& path)
{
    seam::ScriptedHandler ui;
    const ClockProjectReading reading = readClockProjectFile(path);
    return reading.project ? 0 : 1;
}

struct Reader {
    const char* name;
    std::function<ChildUsage(const QString&)> run;
};

std::vector<Reader> readers()
{
    const QString tool = QStringLiteral(PDLTOOL_PATH);
    return {
        {"editor", [](const QString& path) { return forkMeasured([&] { return openAsTheEditorDoes(path); }); }},
        {"pdltool info", [tool](const QString& path) { return runMeasured(tool, {QStringLiteral("info"), path}); }},
        {"pdltool verify", [tool](const QString& path) { return runMeasured(tool, {QStringLiteral("verify"), path}); }},
    };
}

class HostileFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        small = packed(imageOf(QStringLiteral("small"), clockMembers(validHeaderText(), "author")),
                       dir.filePath(QStringLiteral("small.pdl")));
    }

    QString imageOf(const QString& name, const std::vector<SyntheticMember>& members)
    {
        const QString path = dir.filePath(name + QStringLiteral(".image"));
        EXPECT_GT(writeSyntheticImage(path, members), 0);
        return path;
    }

    // The peak of each reader on path less its peak on the small clock.
    // expectedExits: the editor's (0 opened, 1 refused), info's and verify's exit status.
    void expectPeaks(const QString& path, const std::vector<int>& expectedExits, int64_t allowed)
    {
        const std::vector<Reader> all = readers();
        for (size_t i = 0; i < all.size(); ++i) {
            const Reader& reader = all[i];
            const ChildUsage base = reader.run(small);
            const ChildUsage usage = reader.run(path);
            const int64_t extra = usage.peakBytes - base.peakBytes;
            std::printf("    %-16s %-28s %8.1f MiB beyond the small clock's %6.1f MiB, %5.2f s (allowed %.1f MiB)\n",
                        reader.name, qPrintable(QFileInfo(path).fileName()), double(extra) / kMiB,
                        double(base.peakBytes) / kMiB, usage.cpuSeconds, double(allowed) / kMiB);
            EXPECT_EQ(base.exitCode, 0) << reader.name;
            EXPECT_EQ(usage.exitCode, expectedExits[i]) << reader.name;
            EXPECT_LE(extra, allowed) << reader.name << " on " << path.toStdString();
        }
    }

    QTemporaryDir dir;
    QString small;
};

} // namespace

TEST_F(HostileFiles, OversizedTextsAndZerosAreRefusedWithin64MiB)
{
    const std::string header = validHeaderText();
    const QString lineFeeds = packed(imageOf(QStringLiteral("lf"), clockMembers(std::string(64 * kMiB, '\n'), "")),
                                     dir.filePath(QStringLiteral("header-64mib-of-line-feeds.pdl")));
    EXPECT_LT(QFileInfo(lineFeeds).size(), 200 * 1024);
    // Read whole and only then refused, a header this size would cost far more than 64 MiB.
    const QString moreLineFeeds = packed(imageOf(QStringLiteral("lf256"), clockMembers(std::string(256 * kMiB, '\n'), "")),
                                         dir.filePath(QStringLiteral("header-256mib-of-line-feeds.pdl")));
    std::string manyLines = header;
    for (int i = 0; i < 100000; ++i)
        manyLines += "x=1\r\n";
    const QString lines = packed(imageOf(QStringLiteral("lines"), clockMembers(manyLines, "")),
                                 dir.filePath(QStringLiteral("header-of-100000-lines.pdl")));
    // 512 MiB of zeros in a cabinet of about 900 KB.
    QFile zeros(dir.filePath(QStringLiteral("zeros.image")));
    ASSERT_TRUE(zeros.open(QIODevice::WriteOnly));
    ASSERT_TRUE(zeros.resize(512 * kMiB));
    zeros.close();
    const QString zerosCabinet = packed(zeros.fileName(), dir.filePath(QStringLiteral("512mib-of-zeros.pdl")));
    // A cabinet with 1 GiB after it (no disk used): only what the cabinet counts is read.
    const QString padded = dir.filePath(QStringLiteral("cabinet-and-1gib-after-it.pdl"));
    ASSERT_TRUE(QFile::copy(lineFeeds, padded));
    ASSERT_TRUE(QFile(padded).resize(QFileInfo(padded).size() + 1024 * kMiB));

    for (const QString& file : {lineFeeds, moreLineFeeds, lines, zerosCabinet, padded})
        expectPeaks(file, {1, 1, 1}, withShadow(64 * kMiB));

    // With DIALWRIGHT_WRITE_SAMPLES=1 the small ones become seeds of the open-path fuzz target.
    if (std::getenv("DIALWRIGHT_WRITE_SAMPLES")) {
        const QString seeds = QDir::cleanPath(QStringLiteral(DIALWRIGHT_TEST_DATA "/../../../fuzz/corpus/openproject")) + QLatin1Char('/');
        for (const QString& file : {lineFeeds, lines, zerosCabinet}) {
            QFile::remove(seeds + QFileInfo(file).fileName());
            EXPECT_TRUE(QFile::copy(file, seeds + QFileInfo(file).fileName()));
        }
    }
}

TEST_F(HostileFiles, ClockExpandingTo512MiBOpensWithinItsSizeAnd64MiB)
{
    // A dial of zeros that makes the image exactly the 512 MiB a cabinet member may hold.
    std::vector<SyntheticMember> members = clockMembers(validHeaderText(), "author");
    const int64_t rest = SyntheticPlain(&members).size() + 2;
    members[0].size = 512 * kMiB - rest;
    // The cabinet tool names the member after its file.
    const QString image = dir.filePath(QStringLiteral("DATA"));
    ASSERT_TRUE(QFile::rename(imageOf(QStringLiteral("big"), members), image));
    // Stored, the cabinet is as large as what it holds; it is read a block at a time all the same.
    const QString stored = dir.filePath(QStringLiteral("512mib-clock-stored.pdl"));
    ASSERT_EQ(runProcess(QStringLiteral("gcab"), {QStringLiteral("-c"), QStringLiteral("-n"), stored, image}).exitCode, 0);
    const QString clock = packed(image, dir.filePath(QStringLiteral("512mib-clock.pdl")));
    EXPECT_LT(QFileInfo(clock).size(), 2 * kMiB);
    // The dial is no bitmap, which verify reports.
    for (const QString& file : {clock, stored})
        expectPeaks(file, {0, 0, 1}, withShadow(512 * kMiB) + 64 * kMiB);
}

// A file of 1000 members, the most a list is read with (one of 120,007 took 71 s, a file and a
// sync each, before lists were limited): a custom data file has 7 to 14, so extract writes none
// of them and makes no folder.
TEST_F(HostileFiles, ExtractRefusesMoreMembersThanAClockHasBeforeWritingAny)
{
    std::vector<SyntheticMember> members = clockMembers(validHeaderText(), "author");
    members.resize(1000, SyntheticMember{4, std::string("\x01\x00\x00\x00", 4)});
    const QString many = imageOf(QStringLiteral("many"), members);
    const QString folder = dir.filePath(QStringLiteral("out"));
    const ChildUsage usage = runMeasured(QStringLiteral(PDLTOOL_PATH), {QStringLiteral("extract"), many, folder});
    std::printf("    pdltool extract of 1000 members: %5.2f s\n", usage.cpuSeconds);
    EXPECT_EQ(usage.exitCode, 1);
    EXPECT_LE(usage.cpuSeconds, 1.0);
    EXPECT_FALSE(QFileInfo::exists(folder));
    const ProcessResult said = runProcess(QStringLiteral(PDLTOOL_PATH), {QStringLiteral("extract"), many, folder});
    EXPECT_TRUE(said.err.contains(QStringLiteral("1000 members, more than the 14"))) << said.err.toStdString();
}

// A clock packed after 512 MiB of zeros in the same compressed folder: every block of the zeros
// would be decoded to reach it (each MSZIP block is the dictionary of the next). Refused at once.
TEST_F(HostileFiles, MemberFarIntoItsCompressedFolderIsRefusedAtOnce)
{
    QFile zeros(dir.filePath(QStringLiteral("PAD")));
    ASSERT_TRUE(zeros.open(QIODevice::WriteOnly));
    ASSERT_TRUE(zeros.resize(512 * kMiB));
    zeros.close();
    const QString image = imageOf(QStringLiteral("clock"), clockMembers(validHeaderText(), "author"));
    const QString far = dir.filePath(QStringLiteral("clock-after-512mib-of-zeros.pdl"));
    {
        seam::ScriptedHandler ui;
        QString reason;
        ASSERT_TRUE(MakeCabinet(far, {QStringLiteral("PAD|") + zeros.fileName(), QStringLiteral("DATA|") + image}, &reason))
            << reason.toStdString();
    }
    QFile::remove(zeros.fileName());
    EXPECT_LT(QFileInfo(far).size(), 2 * kMiB);
    expectPeaks(far, {1, 1, 1}, withShadow(64 * kMiB));
    const ChildUsage usage = runMeasured(QStringLiteral(PDLTOOL_PATH), {QStringLiteral("info"), far});
    std::printf("    pdltool info %s: %5.2f s\n", qPrintable(QFileInfo(far).fileName()), usage.cpuSeconds);
    EXPECT_LE(usage.cpuSeconds, 1.0);
}

// A 230 KB cabinet holding an 11584 × 11584 8-bit dial: render refuses it by its stated pixels
// before decoding anything, with the limit in its message, holding no more than the member.
TEST_F(HostileFiles, RenderRefusesAPictureBeyondItsPixelLimit)
{
    constexpr int32_t side = 11584;
    std::string header(54 + 1024, '\0');
    auto put = [&header](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header[at + size_t(i)] = char(v >> (8 * i));
    };
    const int64_t size = int64_t(header.size()) + int64_t(side) * side;
    header[0] = 'B', header[1] = 'M';
    put(2, uint32_t(size), 4);
    put(10, uint32_t(header.size()), 4);
    put(14, 40, 4), put(18, side, 4), put(22, side, 4), put(26, 1, 2), put(28, 8, 2);
    put(34, uint32_t(side) * side, 4), put(46, 256, 4);
    std::vector<SyntheticMember> members = clockMembers(validHeaderText(), "author");
    header.resize(size_t(size), '\0'); // the pixels: zeros
    members[0] = {size, header};
    const QString dial = packed(imageOf(QStringLiteral("dial"), members), dir.filePath(QStringLiteral("huge-dial.pdl")));
    EXPECT_LT(QFileInfo(dial).size(), kMiB);
    const QString tool = QStringLiteral(PDLTOOL_PATH);
    const QStringList render = {QStringLiteral("render"), dial, QStringLiteral("--time"), QStringLiteral("10:08:36"),
                                QStringLiteral("-o"), dir.filePath(QStringLiteral("out.png"))};
    const ChildUsage base = runMeasured(tool, {QStringLiteral("render"), small, QStringLiteral("--time"), QStringLiteral("10:08:36"),
                                               QStringLiteral("-o"), dir.filePath(QStringLiteral("small.png"))});
    const ChildUsage usage = runMeasured(tool, render);
    std::printf("    pdltool render %-20s %8.1f MiB beyond a small clock's %6.1f MiB, %5.2f s\n", "huge-dial.pdl",
                double(usage.peakBytes - base.peakBytes) / kMiB, double(base.peakBytes) / kMiB, usage.cpuSeconds);
    EXPECT_EQ(base.exitCode, 0);
    EXPECT_EQ(usage.exitCode, 1);
    // Unpacking the member's 134 MB is what it costs (about 1.4 s under the sanitizers).
    EXPECT_LE(usage.cpuSeconds, kSanitized ? 2.0 : 1.0);
    EXPECT_LE(usage.peakBytes - base.peakBytes, withShadow(size) + 64 * kMiB) << "the member, and nothing decoded";
    const ProcessResult said = runProcess(tool, render);
    EXPECT_TRUE(said.err.contains(QStringLiteral("more than 67108864 pixels"))) << said.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("out.png"))));
}
