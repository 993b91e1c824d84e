// Opening files made to exhaust the reader, as the editor reads a file it opens and as pdltool
// info and verify read it, each in a child process of its own: the processor time and the peak
// memory beyond the same child on a small clock. A refused file (a header of 64 MiB of line
// feeds or of 100,000 lines, 512 MiB of zeros) may cost at most 1 s and 64 MiB; a clock whose
// members expand to D bytes (512 MiB) may take at most D and 64 MiB.
//
//   bench_open                 the benchmark
//   bench_open --read FILE     the editor's reading of FILE (the child it measures)

#include "BenchTimer.h"

#include "datafile/ClockProjectFile.h"
#include "datafile/Dialwright_FCI.h"

#include "platform/Seam.h"

#include "tests/support/ChildUsage.h"
#include "tests/support/SyntheticImage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using namespace dw;
using namespace dw::test;

constexpr int64_t kMiB = int64_t(1) << 20;

class QuietHandler final : public seam::Handler {
public:
    int messageBox(const QString&, const QString&, unsigned) override { return seam::IDOK; }
    void errorBox(const QString&) override {}
    std::optional<QString> fileDialog(const seam::FileDialogRequest&) override { return std::nullopt; }
    std::optional<uint32_t> colorDialog(const QString&, uint32_t) override { return std::nullopt; }
    int showModal(QObject&) override { return seam::mrCancel; }
    void beep() override {}
};

// The image of members packed as the member DATA of a cabinet at path.
bool makeCabinet(const QTemporaryDir& dir, const QString& name, const std::vector<SyntheticMember>& members)
{
    const QString image = dir.filePath(name + QStringLiteral(".image"));
    if (writeSyntheticImage(image, members) < 0)
        return false;
    const bool packed = MakeCabinet(dir.filePath(name), {QStringLiteral("DATA|") + image});
    QFile::remove(image);
    return packed;
}

struct Cost {
    double seconds = 0;
    int64_t bytes = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QuietHandler quiet;
    seam::install(&quiet);
    if (argc == 3 && std::strcmp(argv[1], "--read") == 0)
        return readClockProjectFile(QString::fromLocal8Bit(argv[2])).project ? 0 : 1;

    // A quick run (the sanitizer build's smoke check) makes the files small.
    const int64_t scale = bench::quick() ? 32 : 1;
    QTemporaryDir dir;
    const std::string header = validHeaderText();
    std::string manyLines = header;
    for (int i = 0; i < 100000; ++i)
        manyLines += "x=1\r\n";
    std::vector<SyntheticMember> clock = clockMembers(header, "author");
    const int64_t expanded = 512 * kMiB / scale;
    clock[0].size = expanded - (SyntheticPlain(&clock).size() + 2);
    const bool made = makeCabinet(dir, QStringLiteral("small.pdl"), clockMembers(header, "author"))
                      && makeCabinet(dir, QStringLiteral("line-feeds.pdl"), clockMembers(std::string(size_t(64 * kMiB / scale), '\n'), ""))
                      && makeCabinet(dir, QStringLiteral("lines.pdl"), clockMembers(manyLines, ""))
                      && makeCabinet(dir, QStringLiteral("clock.pdl"), clock);
    QFile zeros(dir.filePath(QStringLiteral("zeros.image")));
    if (!made || !zeros.open(QIODevice::WriteOnly) || !zeros.resize(512 * kMiB / scale)) {
        bench::fail("the files could not be made");
        return bench::exitStatus();
    }
    zeros.close();
    MakeCabinet(dir.filePath(QStringLiteral("zeros.pdl")), {QStringLiteral("DATA|") + zeros.fileName()});
    QFile::remove(zeros.fileName());

    struct Reader {
        const char* name;
        QString program;
        QStringList arguments; // the file follows
    };
    std::vector<Reader> readers = {{"editor", QCoreApplication::applicationFilePath(), {QStringLiteral("--read")}}};
#ifdef PDLTOOL_PATH
    readers.push_back({"pdltool info", QStringLiteral(PDLTOOL_PATH), {QStringLiteral("info")}});
    readers.push_back({"pdltool verify", QStringLiteral(PDLTOOL_PATH), {QStringLiteral("verify")}});
#endif
    std::printf("bench_open: refused files and a clock of %.0f MiB, read by each reader in a child\n",
                double(expanded) / kMiB);

    Cost refused;   // the most a refused file cost any reader
    double opened = 0; // the opened clock's extra memory as a multiple of D + 64 MiB
    for (const Reader& reader : readers) {
        const auto run = [&](const char* file) {
            return runMeasured(reader.program, reader.arguments + QStringList{dir.filePath(QString::fromLatin1(file))});
        };
        const ChildUsage base = run("small.pdl");
        if (base.exitCode != 0) {
            bench::fail("a reader did not open the small clock");
            continue;
        }
        for (const char* file : {"line-feeds.pdl", "lines.pdl", "zeros.pdl"}) {
            const ChildUsage usage = run(file);
            if (usage.exitCode != 1)
                bench::fail("a hostile file was not refused");
            const Cost cost{usage.cpuSeconds - base.cpuSeconds, usage.peakBytes - base.peakBytes};
            std::printf("  %-16s %-16s %8.3f s %8.1f MiB\n", reader.name, file, cost.seconds, double(cost.bytes) / kMiB);
            refused.seconds = std::max(refused.seconds, cost.seconds);
            refused.bytes = std::max(refused.bytes, cost.bytes);
        }
        const ChildUsage usage = run("clock.pdl");
        // verify also reports that the dial of zeros is no bitmap.
        if (usage.exitCode != (std::strcmp(reader.name, "pdltool verify") == 0 ? 1 : 0))
            bench::fail("the large clock was not read");
        const int64_t extra = usage.peakBytes - base.peakBytes;
        std::printf("  %-16s %-16s %8.3f s %8.1f MiB\n", reader.name, "clock.pdl", usage.cpuSeconds - base.cpuSeconds,
                    double(extra) / kMiB);
        opened = std::max(opened, double(extra) / double(expanded + 64 * kMiB));
    }
    bench::printAtMost("refused file: processor time / 1 s", refused.seconds, 1.0);
    bench::printAtMost("refused file: memory / 64 MiB", double(refused.bytes) / double(64 * kMiB), 1.0);
    bench::printAtMost("opened clock: memory / (its bytes + 64 MiB)", opened, 1.0);
    return bench::exitStatus();
}
