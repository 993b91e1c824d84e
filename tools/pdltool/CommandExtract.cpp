// pdltool extract FILE DIR: every member to a file of its own, named after what it is.

#include "Commands.h"
#include "Input.h"
#include "ToolSeam.h"

#include "datafile/DataFileInfo.h"
#include "datafile/DataFileLayout.h"

#include "platform/SafeFileWriter.h"

#include <QDir>
#include <QFileInfo>

namespace pdltool {

int runExtract(const QStringList& arguments, Output& out)
{
    const QString& path = arguments.at(0);
    const QString& folder = arguments.at(1);
    const InputFile in = readInput(path);
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

    const QDir dir(folder);
    const auto& members = in.data.image.members;
    for (int i = 0; i < int(members.size()); ++i) {
        const auto& m = members[size_t(i)];
        const QString name = dw::pdl::memberFileName(i, dw::pdl::viewSlotRecord(m.data(), int64_t(m.size())));
        const QString target = dir.filePath(name);
        if (const QString why = writer.write(name, m.data(), int64_t(m.size())); !why.isEmpty()) {
            out.error(dw::printable(target) + QStringLiteral(": ") + why);
            return kExitProblem;
        }
        out.line(QStringLiteral("%1: %2 bytes").arg(dw::printable(target)).arg(m.size()));
    }
    for (const QString& message : takeMessages())
        out.line(QStringLiteral("reader message: ") + dw::printable(message));
    return kExitOk;
}

} // namespace pdltool
