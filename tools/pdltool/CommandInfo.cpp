// pdltool info [--json] FILE: what the file holds, member by member; with --json, as one JSON
// object for scripts (datafile/DataFileJson.h).

#include "Commands.h"
#include "Input.h"
#include "ToolSeam.h"

#include "datafile/DataFileInfo.h"
#include "datafile/DataFileJson.h"

#include <QJsonDocument>

namespace pdltool {

int runInfo(const QStringList& arguments, Output& out)
{
    QStringList rest = arguments;
    const bool json = rest.removeAll(QStringLiteral("--json")) > 0;
    if (rest.size() != 1 || rest[0].startsWith(QLatin1Char('-'))) {
        out.error(QStringLiteral("info takes [--json] FILE"));
        return kExitUsage;
    }
    const QString& path = rest[0];
    // A picture is described from its headers: a large one is not held.
    const InputFile in = readInput(path, dw::picturesHeldUpTo(dw::kPictureHeadBytes));
    if (!in.error.isEmpty()) {
        out.error(dw::printable(path) + QStringLiteral(": ") + in.error);
        return kExitProblem;
    }
    const QStringList lines = dw::describeDataFile(in.data, path);
    if (!in.data.readable()) {
        out.error(lines.join(QLatin1Char(' ')));
        return kExitProblem;
    }
    if (json) {
        const QJsonObject object = dw::describeDataFileJson(in.data, takeMessages());
        out.line(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)).trimmed());
        return kExitOk;
    }
    for (const QString& line : lines)
        out.line(line);
    for (const QString& message : takeMessages())
        out.line(QStringLiteral("reader message: ") + dw::printable(message));
    return kExitOk;
}

} // namespace pdltool
