// pdltool info FILE: what the file holds, member by member.

#include "Commands.h"
#include "Input.h"
#include "ToolSeam.h"

#include "datafile/DataFileInfo.h"

namespace pdltool {

int runInfo(const QStringList& arguments, Output& out)
{
    const QString& path = arguments.at(0);
    const InputFile in = readInput(path);
    if (!in.error.isEmpty()) {
        out.error(dw::printable(path) + QStringLiteral(": ") + in.error);
        return kExitProblem;
    }
    const QStringList lines = dw::describeDataFile(in.data, path);
    if (!in.data.readable()) {
        out.error(lines.join(QLatin1Char(' ')));
        return kExitProblem;
    }
    for (const QString& line : lines)
        out.line(line);
    for (const QString& message : takeMessages())
        out.line(QStringLiteral("reader message: ") + dw::printable(message));
    return kExitOk;
}

} // namespace pdltool
