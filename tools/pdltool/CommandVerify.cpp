// pdltool verify FILE: every rule of the layout; one line per broken rule.

#include "Commands.h"
#include "Input.h"
#include "ToolSeam.h"

#include "datafile/DataFileCheck.h"
#include "datafile/DataFileInfo.h"

namespace pdltool {

int runVerify(const QStringList& arguments, Output& out)
{
    const QString& path = arguments.at(0);
    const QString name = dw::printable(path);
    // A picture's rules are those of its headers and its size (its rows may hold any bytes): a
    // large one is not held.
    const InputFile in = readInput(path, dw::picturesHeldUpTo(dw::kPictureHeadBytes));
    if (!in.error.isEmpty()) {
        out.line(name + QStringLiteral(": ") + in.error);
        return kExitProblem;
    }
    const dw::DataFileCheck check = dw::checkDataFile(in.data);
    if (!check.unreadable.isEmpty()) {
        out.line(name + QStringLiteral(": ") + check.unreadable);
        return kExitProblem;
    }
    QStringList lines = check.violations;
    // A reader that had to speak up met something the rules above did not name.
    for (const QString& message : takeMessages())
        lines << QStringLiteral("reader message: ") + message;
    for (const QString& line : lines)
        out.line(name + QStringLiteral(": ") + dw::printable(line));
    if (!lines.isEmpty())
        return kExitProblem;
    out.line(name + QStringLiteral(": keeps every rule (%1 members%2)")
                        .arg(in.data.image.members.size())
                        .arg(in.data.cabinet ? QStringLiteral(", in a cabinet") : QString()));
    return kExitOk;
}

} // namespace pdltool
