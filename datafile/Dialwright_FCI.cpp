#include "Dialwright_FCI.h"

#include "platform/CabinetWriter.h"
#include "platform/Seam.h"

#include <algorithm>

namespace dw {

namespace {

struct Entry {
    QString member;
    QString source;
};

Entry splitEntry(const QString& entry)
{
    const qsizetype bar = entry.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return {entry, entry};
    return {entry.left(bar), entry.mid(bar + 1)};
}

// The cabinet's file name is what follows the last separator of either platform ("/", "\" or
// the drive colon); the folder is the rest, separator included.
CabinetParameters parametersFor(const QString& cabinetPath)
{
    qsizetype cut = -1;
    for (const QChar separator : {QLatin1Char('/'), QLatin1Char('\\'), QLatin1Char(':')})
        cut = std::max(cut, cabinetPath.lastIndexOf(separator));
    CabinetParameters parameters;
    parameters.maxCabinetSize = kMaxCabinetSize;
    parameters.diskName = QStringLiteral("DISK1");
    parameters.cabinetName = cabinetPath.mid(cut + 1);
    parameters.cabinetFolder = cabinetPath.left(cut + 1);
    return parameters;
}

} // namespace

bool MakeCabinet(const QString& cabinetPath, const QStringList& files, QString* reason)
{
    QStringList failures;
    auto note = [&](const CabinetStatus& status) {
        if (!status.ok())
            failures << status.error;
        return status.ok();
    };

    CabinetWriter writer(parametersFor(cabinetPath));
    bool allAdded = note(writer.created());
    if (allAdded) {
        for (const QString& file : files) {
            const Entry entry = splitEntry(file);
            allAdded = note(writer.addFile(entry.source, entry.member)) && allAdded;
        }
    }
    // A cabinet without one of its members would pass for a complete one, so none is written.
    bool written = false;
    if (allAdded) {
        written = note(writer.write());
        if (!written)
            seam::showMessage(QStringLiteral("ERROR: FCIFlushCabinet"));
    }
    if (reason)
        *reason = failures.join(QLatin1Char('\n'));
    return allAdded && written;
}

} // namespace dw
