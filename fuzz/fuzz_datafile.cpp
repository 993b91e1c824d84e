// Saved data files from outside: arbitrary bytes through the cabinet reader, the file-image
// reader, every layout check and the description pdltool info prints, both as a whole file and
// cut into members directly (a random file image almost never reads soundly, so the member
// checks would otherwise see little). Any crash, sanitizer report or broken invariant (a trap)
// is a finding.

#include "datafile/DataFileCheck.h"
#include "datafile/DataFileInfo.h"
#include "datafile/DataFileSource.h"

#include "platform/CabinetReader.h"
#include "platform/Seam.h"

#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

using namespace dw;
using dw::fuzz::check;
using dw::fuzz::QuietHandler;

namespace {

// Small enough that a cabinet stating huge members is refused quickly, large enough for the
// seeds.
constexpr int64_t kExtractLimit = int64_t(1) << 20;

void cabinet(const uint8_t* data, size_t size)
{
    CabinetReader reader;
    const QString problem = reader.open(data, int64_t(size));
    check(problem.isEmpty() == reader.isOpen());
    if (!reader.isOpen())
        return;
    check(!reader.members().empty());
    std::vector<uint8_t> out;
    const int tried = std::min<int>(int(reader.members().size()), 3);
    for (int i = 0; i < tried; ++i) {
        const QString why = reader.extract(i, out, kExtractLimit);
        check(why.isEmpty() ? int64_t(out.size()) == reader.members()[size_t(i)].size : out.empty());
    }
}

void wholeFile(const uint8_t* data, size_t size)
{
    const OpenedDataFile file = openDataFile(data, int64_t(size), kExtractLimit);
    const QStringList description = describeDataFile(file, QStringLiteral("fuzz.pdl"));
    check(!description.isEmpty());
    if (!file.readable())
        check(description.size() == 1);
    const DataFileCheck result = checkDataFile(file);
    check(result.unreadable == file.unreadable);
}

// The input cut into 7 to 14 members, each checked and described as a sound image's would be.
void asMembers(const uint8_t* data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    OpenedDataFile file;
    const int count = fdp.ConsumeIntegralInRange(7, 14);
    for (int i = 0; i < count; ++i) {
        const size_t n = i + 1 == count ? fdp.remaining_bytes() : fdp.ConsumeIntegralInRange<size_t>(0, fdp.remaining_bytes());
        file.image.members.push_back(fdp.ConsumeBytes<uint8_t>(n));
    }
    file.image.count = count;
    for (const QString& line : checkMembers(file.image.members))
        check(!line.isEmpty() && !line.contains(QLatin1Char('\n')));
    const QStringList description = describeDataFile(file, QStringLiteral("members.pdl"));
    check(description.size() >= count + 2);
    for (const QString& line : description)
        for (const QChar c : line)
            check(c.unicode() >= 0x20 || c == u'\t');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietHandler quiet;
    static const bool installed = (seam::install(&quiet), true);
    (void)installed;

    cabinet(data, size);
    wholeFile(data, size);
    asMembers(data, size);
    return 0;
}
