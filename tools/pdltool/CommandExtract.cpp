// pdltool extract FILE DIR: every member to a file of its own, named after what it is.

#include "Commands.h"
#include "Input.h"
#include "ToolSeam.h"

#include "datafile/DataFileInfo.h"
#include "datafile/DataFileLayout.h"

#include "platform/SafeFileWriter.h"
#include "platform/SpillFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace pdltool {

int runExtract(const QStringList& arguments, Output& out)
{
    const QString& path = arguments.at(0);
    const QString& folder = arguments.at(1);
    // A large picture is not held: its bytes beyond its headers are set aside on the disk as they
    // arrive, each member at its own place in one file (a member holds less than 2 GiB), and
    // written out from there once the whole file has been read and found sound.
    dw::SpillFile spill;
    bool spilled = true;
    constexpr int kMemberShift = 31;
    dw::MemberHolding holding = dw::picturesHeldUpTo(dw::kPictureHeadBytes);
    holding.passOn = [&](int index, int64_t at, const uint8_t* bytes, int64_t count) {
        spilled = spill.writeAt((int64_t(index) << kMemberShift) + at, bytes, count) && spilled;
    };
    const InputFile in = readInput(path, holding);
    if (!in.error.isEmpty()) {
        out.error(dw::printable(path) + QStringLiteral(": ") + in.error);
        return kExitProblem;
    }
    if (!in.data.readable()) {
        out.error(dw::describeDataFile(in.data, path).join(QLatin1Char(' ')));
        return kExitProblem;
    }
    // A custom data file has 7 to 14 members; a file of more is refused before anything is
    // written (a file and a sync each for 120,000 members take minutes).
    if (in.data.image.members.size() > size_t(dw::pdl::kMaxMembers)) {
        out.error(dw::printable(path) + QStringLiteral(": holds %1 members, more than the %2 a custom data file has; nothing is extracted")
                                            .arg(in.data.image.members.size())
                                            .arg(dw::pdl::kMaxMembers));
        return kExitProblem;
    }
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir()) {
        out.error(dw::printable(folder) + QStringLiteral(": is a file, not a folder"));
        return kExitProblem;
    }
    // The folder may be one that others can write too: every file is made there exclusively
    // and renamed into place, and a link at a member's name is refused, never written through.
    dw::FolderWriter writer(folder);
    if (!writer.error().isEmpty()) {
        out.error(dw::printable(folder) + QStringLiteral(": ") + writer.error());
        return kExitProblem;
    }

    if (!in.data.image.statedSizes.empty() && (!spill.error().isEmpty() || !spilled)) {
        out.error(dw::printable(path) + QStringLiteral(": its large pictures cannot be set aside while it is read: ")
                  + (spill.error().isEmpty() ? QStringLiteral("the temporary folder is full") : spill.error()));
        return kExitProblem;
    }

    const QDir dir(folder);
    const auto& members = in.data.image.members;
    for (int i = 0; i < int(members.size()); ++i) {
        const auto& m = members[size_t(i)];
        const int64_t size = in.data.image.memberSize(size_t(i));
        const QString name = dw::pdl::memberFileName(i, dw::pdl::viewSlotRecord(m.data(), int64_t(m.size())));
        const QString target = dir.filePath(name);
        const int64_t held = int64_t(m.size());
        // The leading bytes from the member, the rest from where they were set aside.
        const QString why = in.data.image.held(size_t(i))
                                ? writer.write(name, m.data(), held)
                                : writer.write(name, size, [&](int64_t at, void* buffer, int64_t count) {
                                      auto* p = static_cast<uint8_t*>(buffer);
                                      const int64_t fromHeld = std::clamp<int64_t>(held - at, 0, count);
                                      if (fromHeld > 0)
                                          std::copy_n(m.data() + at, fromHeld, p);
                                      return spill.readAt((int64_t(i) << kMemberShift) + at + fromHeld, p + fromHeld,
                                                          count - fromHeld);
                                  });
        if (!why.isEmpty()) {
            out.error(dw::printable(target) + QStringLiteral(": ") + why);
            return kExitProblem;
        }
        out.line(QStringLiteral("%1: %2 bytes").arg(dw::printable(target)).arg(size));
    }
    for (const QString& message : takeMessages())
        out.line(QStringLiteral("reader message: ") + dw::printable(message));
    return kExitOk;
}

} // namespace pdltool
