// Opening a saved clock in the editor: arbitrary bytes read as the project they would become.
// Either the file is refused with a message for the user, or every part of the project is there
// in a form the editor can take; any crash, sanitizer report or broken invariant is a finding.

#include "datafile/ClockProjectFile.h"
#include "platform/ByteOrder.h"

#include "FuzzSupport.h"

using namespace dw;
using dw::fuzz::check;
using dw::fuzz::QuietHandler;

namespace {

// Cabinets are taken out up to this size, so that a valid file stays well within the memory the
// fuzzer allows the target (-rss_limit_mb=512, scripts/fuzz); files over it are refused unread.
constexpr int64_t kExtractLimit = int64_t(128) << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietHandler quiet;
    static const bool installed = (seam::install(&quiet), true);
    (void)installed;

    const ClockProjectReading reading = readClockProjectFile(data, int64_t(size), kExtractLimit);
    check(reading.project.has_value() == reading.problem.isEmpty());
    if (!reading.project) {
        // A message for the user: one or two lines of text, never an internal English one.
        check(!reading.problem.contains(QLatin1Char('\n')));
        return 0;
    }
    const ClockProjectFile& project = *reading.project;
    // Each slot record sits under its own number, so the editor can hand it to its slot.
    for (size_t i = 0; i < project.slotRecords.size(); ++i) {
        const std::vector<uint8_t>& record = project.slotRecords[i];
        check(record.empty() || (record.size() >= 4 && readLE32s(record.data()) == int32_t(i + 1)));
    }
    check(!project.author.contains(QStringLiteral("\r\n")));
    return 0;
}
