// pdltool build DIR|clock.toml [-o OUT.pdl]: the clock a folder of sources describes, written with
// the editor's writer; the same sources always give the same bytes.

#include "Commands.h"
#include "ToolSeam.h"

#include "datafile/DataFileInfo.h"
#include "editor/clock/ClockSources.h"

#include <QDir>
#include <QFileInfo>

namespace pdltool {

namespace {

// Without -o: in the working folder, named after the sources' folder.
QString defaultOutput(const QString& manifestPath)
{
    const QString folder = QFileInfo(QFileInfo(manifestPath).absolutePath()).canonicalFilePath();
    const QString name = QFileInfo(folder).fileName();
    return (name.isEmpty() ? QStringLiteral("clock") : name) + QStringLiteral(".pdl");
}

} // namespace

int runBuild(const QStringList& arguments, Output& out)
{
    QString source, output;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("-o") && i + 1 < arguments.size() && output.isEmpty())
            output = arguments[++i];
        else if (source.isEmpty() && !arguments[i].startsWith(QLatin1Char('-')))
            source = arguments[i];
        else {
            out.error(QStringLiteral("build takes DIR|clock.toml [-o OUT.pdl]"));
            return kExitUsage;
        }
    }
    if (source.isEmpty()) {
        out.error(QStringLiteral("build takes DIR|clock.toml [-o OUT.pdl]"));
        return kExitUsage;
    }
    const QString manifest = dw::manifestPathOf(source);
    // Written out at once: large pictures are mapped rather than copied.
    dw::ClockSourcesBuild built = dw::readClockSources(manifest, dw::LargePictures::Mapped);
    if (!built.project) {
        out.error(built.error);
        return kExitProblem;
    }
    QString why;
    const std::optional<QDateTime> date = dw::buildDate(built.date, &why);
    if (!date) {
        out.error(why);
        return kExitProblem;
    }
    built.project->header.saved = *date;
    if (output.isEmpty())
        output = defaultOutput(manifest);
    if (const QString failed = dw::writeClockFile(output, *built.project, built.compress); !failed.isEmpty()) {
        out.error(dw::printable(output) + QStringLiteral(": ") + failed);
        return kExitProblem;
    }
    for (const QString& message : takeMessages())
        out.line(QStringLiteral("writer message: ") + dw::printable(message));
    out.line(QStringLiteral("%1: built from %2").arg(dw::printable(output), dw::printable(manifest)));
    return kExitOk;
}

} // namespace pdltool
