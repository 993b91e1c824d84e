// `pdltool build` of a clock's sources with a 2048 × 2048 24-bit dial (12 MiB): the manifest
// read, every file read and checked, the shape cut from the dial, the file written with the
// slicing seeded by its content; against the editor's save of the same project held in memory
// (the data-file writer alone, writeDataFile), timed a call of each in turn in one run, the
// median call of each counting.
//
// Both are timed with the memory a call frees kept for the next call, as in a program that has
// run a while. Left to itself, glibc gives each freed 12 MiB buffer of the build back to the
// system and the next build pays the page faults of fresh memory again (on this kind of virtual
// machine some 7 µs a page, 60 to 80 ms a build), while the save reuses its buffers: a ratio of
// the allocator's habits rather than of the work. Both with fresh memory each call (as a
// one-off pdltool run has it) are printed for reference.
//
// The goal is at most 1.2 times. Beyond the save's work a build takes the dial's file (mapped
// where the page cache holds it in large pages, as it holds a file written in one piece, as this
// one is; else read), cuts the window's shape from its rows (AVX2, 32 pixels at a time, in file
// order, a group of both kinds a run at a time) and hashes a sample of the plain list for the
// slicing's seed (forEachSeedRun: 64 bytes of every 16 KiB of a long list, some 0.02 ms for this
// one, where hashing every byte took 0.5 to 0.6 ms with the list out of the cache). Measured in
// the flow of repeated builds, the manifest and the dial taken and cut take 0.61 to 0.64 ms
// mapped, against a save of 7 to 12 ms depending on the machine. With fresh memory each call the
// mapped build pays no page faults for a 12 MiB block: 1.0 to 1.3 times the save, against 5 to 8
// read.

#include "BenchPictures.h"
#include "BenchTimer.h"
#include "SilentHandler.h"

#include "datafile/DataFileHeader.h"
#include "datafile/DataFileSource.h"
#include "datafile/DataFileTexts.h"
#include "datafile/DataFileWriter.h"
#include "editor/clock/ClockSources.h"

#include "platform/Bitmap.h"
#include "platform/MemoryStream.h"
#include "platform/Seam.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

#include <malloc.h>

namespace {

using namespace dw;

constexpr int kDial = 2048;

// The picture as a bitmap file at path, its bytes kept in the stream.
void saveBitmap(const QImage& image, const QString& path, TMemoryStream& stream)
{
    bench::saveBitmap(image, stream);
    stream.SaveToFile(path);
    stream.SetPosition(0);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    bench::SilentHandler silent;
    seam::install(&silent);

    QTemporaryDir dir;
    TMemoryStream dial, hour;
    saveBitmap(bench::dialImage(kDial, QColor(0, 0, 255), QColor(60, 40, 30)), dir.filePath(QStringLiteral("dial.bmp")), dial);
    QImage hand(40, 900, QImage::Format_RGB32);
    hand.fill(Qt::white);
    saveBitmap(hand, dir.filePath(QStringLiteral("hour.bmp")), hour);
    QFile manifest(dir.filePath(QStringLiteral("clock.toml")));
    manifest.open(QIODevice::WriteOnly);
    manifest.write("title = \"bench\"\ndate = 2026-01-01 00:00:00\n[dial]\nfile = \"dial.bmp\"\n"
                   "[hands.hour]\nfile = \"hour.bmp\"\npivot = [20, 810]\ncentre = [1024, 1024]\n"
                   "[hands.minute]\npivot = [7, 81]\ncentre = [1024, 1024]\n"
                   "[hands.second]\npivot = [6, 8]\ncentre = [1024, 1024]\n");
    manifest.close();
    const QString built = dir.filePath(QStringLiteral("built.pdl"));
    const QString saved = dir.filePath(QStringLiteral("saved.pdl"));

    // The same project as the editor holds it: the build's own shape and header.
    const ClockSourcesBuild sources = readClockSources(manifest.fileName());
    if (!sources.project)
        bench::fail("the sources do not build");
    const ClockProjectFile& clock = *sources.project;
    const DataFileTexts texts = dataFileTexts(clock.header, clock.author);
    DataFileProject project;
    project.FBkgStream = &dial;
    project.FHourStream = &hour;
    project.shape = clock.shape;
    project.headerText = texts.header;
    project.authorText = texts.author;
    std::printf("bench_build: the sources of a clock with a %d × %d dial (%.1f MiB)\n", kDial, kDial,
                double(dial.size()) / (1 << 20));

    const auto build = [&] {
        ClockSourcesBuild b = readClockSources(manifest.fileName(), LargePictures::Mapped);
        if (!b.project || !writeClockFile(built, *b.project, false).isEmpty())
            bench::fail("the build failed");
    };
    const auto save = [&] { writeDataFile(saved, project); };
    const auto fresh = [](const std::function<void()>& fn) {
        return [fn] {
            fn();
            malloc_trim(0);
        };
    };
    const auto [freshOurs, freshPeer] = bench::alternately(fresh(build), fresh(save), 2, 0.3, 2);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    const auto [oursTime, peerTime] = bench::alternatelyByCall(build, save);
    if (openDataFile(built).image.members != openDataFile(saved).image.members)
        bench::fail("the build and the save hold different members");
    bench::printCase("pdltool build (manifest, files, checks, shape, write)", oursTime, double(dial.size()), "MB");
    bench::printCase("the editor's save of the project (writeDataFile)", peerTime, double(dial.size()), "MB");
    bench::printCase("the build with fresh memory each call", freshOurs, double(dial.size()), "MB");
    bench::printCase("the save with fresh memory each call", freshPeer, double(dial.size()), "MB");
    bench::printAtMost("build / save", oursTime / peerTime, 1.2);
    std::printf("  %-44s %8.2fx   (reference)\n", "build / save, fresh memory each call", freshOurs / freshPeer);
    return bench::exitStatus();
}
