// Saving a project with a 16 MiB dial: building the file image (stream list, slicing, the two
// read-back checks, word chain) against a memcpy of the project's bytes, and the peak memory the
// save needs beyond the project itself against the project's size.
//
// Memory is counted by replacing the global operator new and delete in this program: every
// allocation of the save goes through them (the memory streams are std::vector blocks), so the
// peak of the live bytes during the save, less those live before it, is the save's extra memory.

#include "BenchTimer.h"
#include "SilentHandler.h"

#include "datafile/DataFileHeader.h"
#include "datafile/DataFileTexts.h"
#include "datafile/DataFileWriter.h"

#include "platform/MemoryStream.h"
#include "platform/Region.h"
#include "platform/SafeFileWriter.h"
#include "platform/Seam.h"

#include <QDir>
#include <QFile>

#include <atomic>
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
    // --profile: building the image over and over for a few seconds, nothing else (for perf).
    if (argc > 1 && std::strcmp(argv[1], "--profile") == 0) {
        const double start = bench::cpuSeconds();
        while (bench::cpuSeconds() - start < 3)
            bench::keep(buildFileImage(project));
        return 0;
    }

    // Peak extra memory of one save (the image is freed with the save, as the editor does).
    const int64_t before = g_live.load();
    g_peak = before;
    {
        const auto image = buildFileImage(project);
        bench::keep(image);
    }
    const int64_t extra = g_peak.load() - before;
    const double memoryRatio = double(extra) / double(projectBytes);
    std::printf("  %-44s %10.1f MiB\n", "peak extra memory of buildFileImage", double(extra) / (1 << 20));

    // Time: the whole image against copying the project's bytes once, timed alternately.
    std::vector<uint8_t> copy(size_t(dial.size()) + size_t(strip.size()) + 65536);
    const auto [build, copyOnce] = bench::alternately(
        [&] {
            const auto image = buildFileImage(project);
            bench::keep(image);
        },
        [&] {
            std::memcpy(copy.data(), dial.Memory(), size_t(dial.size()));
            std::memcpy(copy.data() + dial.size(), strip.Memory(), size_t(strip.size()));
            bench::keep(copy);
        },
        3, 0.3, 2);
    bench::printCase("buildFileImage", build, double(projectBytes), "MB");
    bench::printCase("memcpy of the project's bytes", copyOnce, double(projectBytes), "MB");

    // The whole save with the file written beside it, for reference.
    const QString path = QDir::tempPath() + QStringLiteral("/bench_save.pdl");
    const double save = bench::secondsPerCall([&] { writeDataFile(path, project); }, 0.5, 3);
    QFile::remove(path);
    bench::printCase("writeDataFile (to the temporary folder)", save, double(projectBytes), "MB");

    bench::printAtMost("buildFileImage time / memcpy of the project", build / copyOnce, 25.0);
    bench::printAtMost("peak extra memory / the project", memoryRatio, 3.0);
    return bench::exitStatus();
}
