// Saving a project with a 16 MiB dial: making the file image (the stream list read a band of
// the slicing at a time, sliced, word-chained, the two read-back checks) into a buffer of the
// file's size that is kept between saves, against a memcpy of the project's bytes into another
// kept buffer; and the peak memory a save needs beyond the project itself against the project's
// size.
//
// The two are timed alternately, several rounds each, and the median of each side counts: on a
// shared machine a round disturbed by a neighbour then moves neither side. Both write into
// buffers touched before, so that neither pays the kernel for fresh pages.
//
// Memory is counted by replacing the global operator new and delete in this program: every
// allocation of the save goes through them (the memory streams are std::vector blocks), so the
// peak of the live bytes during the save, less those live before it, is the save's extra memory.

#include "BenchTimer.h"
#include "SilentHandler.h"

#include "datafile/DataFileHeader.h"
#include "datafile/DataFileTexts.h"
#include "datafile/DataFileWriter.h"
#include "datafile/FileImage.h"

#include "platform/MemoryStream.h"
#include "platform/Region.h"
#include "platform/SafeFileWriter.h"
#include "platform/Seam.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <new>
#include <vector>

namespace {

std::atomic<int64_t> g_live{0};
std::atomic<int64_t> g_peak{0};

void* counted(size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    const int64_t live = g_live += int64_t(malloc_usable_size(p));
    int64_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return p;
}

void released(void* p)
{
    if (!p)
        return;
    g_live -= int64_t(malloc_usable_size(p));
    std::free(p);
}

} // namespace

void* operator new(size_t n) { return counted(n); }
void* operator new[](size_t n) { return counted(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    try {
        return counted(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { released(p); }
void operator delete[](void* p) noexcept { released(p); }
void operator delete(void* p, size_t) noexcept { released(p); }
void operator delete[](void* p, size_t) noexcept { released(p); }

namespace {

using namespace dw;

void fill(TMemoryStream& stream, int64_t size, uint32_t seed)
{
    stream.SetSize(size);
    uint8_t* p = stream.Memory();
    for (int64_t i = 0; i < size; ++i) {
        seed = seed * 1664525u + 1013904223u;
        p[i] = uint8_t(seed >> 24);
    }
    if (size >= 2)
        p[0] = 'B', p[1] = 'M';
}

double memoryRatio(int64_t extra, int64_t project) { return double(extra) / double(project); }

} // namespace

int main(int argc, char** argv)
{
    bench::SilentHandler silent;
    seam::install(&silent);

    // A 2048 × 2048 dial at 32 bits is 16 MiB of pixels behind its 54 header bytes; the hands and
    // one embedded animation strip are small, as they are in a real clock.
    TMemoryStream dial, hour, minute, second, strip;
    fill(dial, 16 * 1024 * 1024 + 54, 1);
    fill(hour, 20000, 2);
    fill(minute, 24000, 3);
    fill(second, 9000, 4);
    fill(strip, 200000, 5);
    DataFileHeader header;
    header.saved = QDateTime::currentDateTime();
    const DataFileTexts texts = dataFileTexts(header, QStringLiteral("author"));

    DataFileProject project;
    project.FBkgStream = &dial;
    project.FHourStream = &hour;
    project.FMinStream = &minute;
    project.FSecStream = &second;
    project.shape = CreateRoundRectRgn(0, 0, 2048, 2048, 2048, 2048);
    project.headerText = texts.header;
    project.authorText = texts.author;
    project.slotRecords[0] = &strip;
    const int64_t projectBytes = dial.size() + hour.size() + minute.size() + second.size() + strip.size()
                                 + int64_t(regionData(project.shape).size()) + int64_t(texts.header.size());

    std::printf("bench_save: project of %.1f MiB (16 MiB dial)\n", double(projectBytes) / (1 << 20));
    // The file's bytes go into one buffer of the file's size, touched once here.
    std::vector<uint8_t> file;
    const auto makeImage = [&] {
        int64_t at = 0;
        const bool made = makeFileImage(project, [&](const uint8_t* bytes, int64_t count) {
            if (at + count > int64_t(file.size()))
                file.resize(size_t(at + count));
            std::memcpy(file.data() + at, bytes, size_t(count));
            at += count;
            return true;
        });
        bench::keep(made);
        bench::keep(file);
    };
    makeImage();
    {
        const FileImageContents back = readFileImage(file);
        if (!back.sound() || back.members.empty()
            || back.members[0] != std::vector<uint8_t>(dial.Memory(), dial.Memory() + dial.size())) {
            bench::fail("the file image does not read back to the project");
            return bench::exitStatus();
        }
    }
    // --profile: making the image over and over for a few seconds, nothing else (for perf).
    if (argc > 1 && std::strcmp(argv[1], "--profile") == 0) {
        const double start = bench::cpuSeconds();
        while (bench::cpuSeconds() - start < 3)
            makeImage();
        return 0;
    }
    // Peak extra memory of one save written to a file, as the editor saves (the memory streams of
    // the texts and the shape, the bands of the slicing), and of the image held whole.
    const QString path = QDir::tempPath() + QStringLiteral("/bench_save.pdl");
    const auto extraOf = [&](const std::function<void()>& save) {
        const int64_t before = g_live.load();
        g_peak = before;
        save();
        return g_peak.load() - before;
    };
    const int64_t extra = extraOf([&] { writeDataFile(path, project); });
    const int64_t heldExtra = extraOf([&] { bench::keep(buildFileImage(project)); });
    std::printf("  %-44s %10.1f MiB\n", "peak extra memory of writeDataFile", double(extra) / (1 << 20));
    std::printf("  %-44s %10.1f MiB\n", "peak extra memory of buildFileImage (held)", double(heldExtra) / (1 << 20));

    // Time: the whole image against copying the project's bytes once, each the median of its
    // rounds, the rounds of the two alternating.
    std::vector<uint8_t> copy(size_t(dial.size()) + size_t(strip.size()) + 65536);
    const auto copyProject = [&] {
        std::memcpy(copy.data(), dial.Memory(), size_t(dial.size()));
        std::memcpy(copy.data() + dial.size(), strip.Memory(), size_t(strip.size()));
        bench::keep(copy);
    };
    copyProject();
    const int rounds = bench::quick() ? 1 : 9;
    std::vector<double> ours, peer;
    for (int round = 0; round < rounds; ++round) {
        ours.push_back(bench::secondsPerCall(makeImage, 0.1, 1));
        peer.push_back(bench::secondsPerCall(copyProject, 0.1, 1));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double build = median(ours), copyOnce = median(peer);
    bench::printCase("file image into a kept buffer (median)", build, double(projectBytes), "MB");
    bench::printCase("memcpy of the project's bytes (median)", copyOnce, double(projectBytes), "MB");

    // The whole save with the file written beside it, for reference.
    const double save = bench::secondsPerCall([&] { writeDataFile(path, project); }, 0.5, 3);
    QFile::remove(path);
    bench::printCase("writeDataFile (to the temporary folder)", save, double(projectBytes), "MB");

    bench::printAtMost("file image time / memcpy of the project", build / copyOnce, 15.0);
    bench::printAtMost("peak extra memory of a save / the project", memoryRatio(extra, projectBytes), 0.1);
    return bench::exitStatus();
}
