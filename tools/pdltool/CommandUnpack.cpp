// pdltool unpack [--force] FILE.pdl DIR: the sources of a saved clock, which `build` makes into the
// same clock again.

#include "Commands.h"
#include "ToolSeam.h"

#include "datafile/ClockProjectFile.h"
#include "datafile/DataFileInfo.h"
#include "editor/clock/ClockSources.h"
#include "platform/FrameworkError.h"

#include <QFile>

namespace pdltool {

namespace {

// A cabinet begins with "MSCF".
bool isCabinet(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == "MSCF";
}

} // namespace

int runUnpack(const QStringList& arguments, Output& out)
{
    bool force = false;
    QStringList paths;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--force") && !force)
            force = true;
        else
            paths.append(argument);
    }
    if (paths.size() != 2) {
        out.error(QStringLiteral("unpack takes [--force] FILE.pdl DIR"));
        return kExitUsage;
    }
    const QString& path = paths[0];
    const QString& folder = paths[1];
    dw::ClockProjectReading reading;
    try {
        reading = dw::readClockProjectFile(path);
    } catch (const dw::EFrameworkError& e) {
        out.error(dw::printable(path) + QStringLiteral(": ") + e.message());
        return kExitProblem;
    }
    if (!reading.project) {
        out.error(dw::printable(path) + QStringLiteral(": ") + reading.problem);
        return kExitProblem;
    }
    const dw::ClockSourceFiles sources = dw::sourcesOfClock(*reading.project, isCabinet(path));
    if (!sources.error.isEmpty()) {
        out.error(dw::printable(path) + QStringLiteral(": ") + sources.error);
        return kExitProblem;
    }
    QStringList written;
    if (const QString why = dw::writeClockSources(folder, sources, force, &written); !why.isEmpty()) {
        out.error(why + (why.endsWith(QLatin1String("exists already; nothing is written"))
                             ? QStringLiteral(" (--force replaces it)")
                             : QString()));
        return kExitProblem;
    }
    for (const QString& file : written)
        out.line(dw::printable(file));
    for (const QString& message : takeMessages())
        out.line(QStringLiteral("reader message: ") + dw::printable(message));
    return kExitOk;
}

} // namespace pdltool
