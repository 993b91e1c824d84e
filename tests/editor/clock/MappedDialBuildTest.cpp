// A build that maps a large dial rather than reading it (as pdltool build does) where the system
// holds it in large pages: the very bytes of the build that reads it, and no file at all when
// the dial changes before the clock is written, plain or packed. A dial written in small pieces
// is read.

#include "editor/clock/ClockSources.h"

#include "tests/datafile/SampleProject.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace dw;
using namespace dw::test;

namespace {

// Whether the system holds a file written in one piece in large pages, as this kind of machine
// does; one that never does maps nothing.
bool systemHoldsFilesInLargePages(const QString& folder, const Bytes& bytes)
{
    const QString path = folder + QStringLiteral("/probe.bmp");
    writeFile(path, bytes);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    const std::unique_ptr<MappedFile> mapped = MappedFile::map(fd, int64_t(bytes.size()), path);
    const bool held = mapped && mapped->heldInLargePages();
    ::close(fd);
    QFile::remove(path);
    return held;
}

TEST(MappedDialBuild, IsTheBuildThatReadsOrNoneWhenTheDialChanges)
{
    const Bytes dial = bitmapFile(1200, 1200); // 4.1 MiB: worth mapping
    const QTemporaryDir probe;
    if (!systemHoldsFilesInLargePages(probe.path(), dial))
        GTEST_SKIP() << "this system holds no file in large pages: a build maps none";
    const auto rewriteInPlace = [](const QString& path) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        const uint8_t pixel[3] = {1, 2, 3};
        EXPECT_EQ(::pwrite(fd, pixel, 3, 700000), 3);
        ::close(fd);
    };
    const auto cutShort = [](const QString& path) { ASSERT_TRUE(QFile::resize(path, 5000)); };
    struct Case {
        const char* what;
        bool compress;
        bool smallPieces; // the dial written 4 KiB at a time: held in small pages
        std::function<void(const QString& dial)> change;
        bool refused;
    };
    const Case cases[] = {
        {"left alone", false, false, {}, false},
        {"left alone, packed", true, false, {}, false},
        {"cut short", false, false, cutShort, true},
        {"cut short, packed", true, false, cutShort, true},
        {"written in place", false, false, rewriteInPlace, true},
        {"written in small pieces", false, true, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString dialPath = dir.filePath(QStringLiteral("dial.bmp"));
        if (c.smallPieces)
            writeInPieces(dialPath, dial, 4096);
        else
            writeFile(dialPath, dial);
        // An hour back, so that a write a moment later is told by its time.
        struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(dialPath).constData(), old, 0), 0);
        const QString manifest = dir.filePath(QStringLiteral("clock.toml"));
        writeFile(manifest, bytesOf(std::string("title = \"mapped\"\ndate = 2026-01-01 00:00:00\n")
                                    + (c.compress ? "compress = true\n" : "") + "[dial]\nfile = \"dial.bmp\"\n"
                                    + "[hands.hour]\npivot = [7, 81]\ncentre = [600, 600]\n"
                                    + "[hands.minute]\npivot = [7, 81]\ncentre = [600, 600]\n"
                                    + "[hands.second]\npivot = [6, 8]\ncentre = [600, 600]\n"));

        const ClockSourcesBuild read = readClockSources(manifest);
        ASSERT_TRUE(read.project) << qPrintable(read.error);
        EXPECT_FALSE(read.project->pictures[0].mapped());
        const QString readOut = dir.filePath(QStringLiteral("read.pdl"));
        ASSERT_EQ(writeClockFile(readOut, *read.project, c.compress), QString());

        const ClockSourcesBuild mapped = readClockSources(manifest, LargePictures::Mapped);
        ASSERT_TRUE(mapped.project) << qPrintable(mapped.error);
        ASSERT_EQ(mapped.project->pictures[0].mapped() != nullptr, !c.smallPieces);
        EXPECT_TRUE(mapped.project->pictures[0] == read.project->pictures[0]);
        if (c.change)
            c.change(dialPath);
        const QString mappedOut = dir.filePath(QStringLiteral("mapped.pdl"));
        const QString failed = writeClockFile(mappedOut, *mapped.project, c.compress);
        if (c.refused) {
            EXPECT_EQ(failed, dialPath + QStringLiteral(": changed while the clock was built; build it again"));
            EXPECT_FALSE(QFile::exists(mappedOut));
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("clock.toml"), QStringLiteral("dial.bmp"), QStringLiteral("read.pdl")}));
        } else {
            EXPECT_EQ(failed, QString());
            EXPECT_TRUE(readFile(mappedOut) == readFile(readOut));
        }
    }
}

} // namespace
