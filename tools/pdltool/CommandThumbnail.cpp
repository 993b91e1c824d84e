// pdltool thumbnail [--size N] [--time HH:MM:SS] FILE OUT.png: the small picture file managers
// show for a saved clock (the freedesktop thumbnailer runs this). A file it cannot draw, or one
// beyond the thumbnail's limits (editor/clock/ClockThumbnail.h), ends with status 1 and nothing
// written, so that the file manager shows its generic icon.

#include "Commands.h"
#include "ToolSeam.h"

#include "datafile/DataFileInfo.h"
#include "datafile/DataFileSource.h"
#include "editor/clock/ClockThumbnail.h"

#include "platform/FrameworkError.h"
#include "platform/SafeFileWriter.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTime>

namespace pdltool {

namespace {

constexpr int kDefaultSide = 256;
// The hands apart and clear of each other, as clocks are shown in catalogues.
constexpr char kDefaultTime[] = "10:08:36";

struct ThumbnailArguments {
    QString file;
    QString output;
    QString size = QString::number(kDefaultSide);
    QString time = QLatin1String(kDefaultTime);
    QString error;
};

ThumbnailArguments parseThumbnailArguments(const QStringList& arguments)
{
    ThumbnailArguments a;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if ((arg == QLatin1String("--size") || arg == QLatin1String("--time")) && i + 1 < arguments.size()) {
            (arg == QLatin1String("--size") ? a.size : a.time) = arguments[++i];
        } else if (arg.startsWith(QLatin1Char('-')) || !a.output.isEmpty()) {
            a.error = QStringLiteral("unexpected argument \"%1\"").arg(dw::printable(arg));
            return a;
        } else {
            (a.file.isEmpty() ? a.file : a.output) = arg;
        }
    }
    if (a.output.isEmpty())
        a.error = QStringLiteral("thumbnail takes [--size N] [--time HH:MM:SS] FILE OUT.png");
    return a;
}

// Why the file at path is not read for a thumbnail: missing, a folder, unreadable, or larger than a
// thumbnail reads (refused before any of it is read); empty when it may be opened.
QString refusal(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("is a folder, not a file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be opened: ") + file.errorString();
    if (file.size() > dw::kMaxThumbnailFileBytes)
        return QStringLiteral("is larger than a thumbnail is drawn for (%1 MiB)").arg(dw::kMaxThumbnailFileBytes >> 20);
    return {};
}

} // namespace

int runThumbnail(const QStringList& arguments, Output& out)
{
    const ThumbnailArguments a = parseThumbnailArguments(arguments);
    if (!a.error.isEmpty()) {
        out.error(a.error);
        return kExitUsage;
    }
    bool sizeOk = false;
    const int side = a.size.toInt(&sizeOk);
    if (!sizeOk || side < 1 || side > dw::kMaxThumbnailSide) {
        out.error(QStringLiteral("--size %1: not a number of pixels from 1 to %2").arg(dw::printable(a.size)).arg(dw::kMaxThumbnailSide));
        return kExitUsage;
    }
    const QTime time = QTime::fromString(a.time, QStringLiteral("HH:mm:ss"));
    if (!time.isValid()) {
        out.error(QStringLiteral("--time %1: not a time of day HH:MM:SS").arg(dw::printable(a.time)));
        return kExitUsage;
    }

    const QString name = dw::printable(a.file) + QStringLiteral(": ");
    if (const QString why = refusal(a.file); !why.isEmpty()) {
        out.error(name + why);
        return kExitProblem;
    }
    // Read as it is needed (a packed file unpacked block by block, up to the limit): only the
    // members are held.
    dw::OpenedDataFile data;
    try {
        data = dw::openDataFile(a.file, dw::kMaxThumbnailFileBytes);
    } catch (const dw::EFrameworkError& e) {
        out.error(name + QStringLiteral("cannot be read: ") + e.message());
        return kExitProblem;
    }
    if (!data.readable()) {
        out.error(name + data.unreadable);
        return kExitProblem;
    }
    const dw::ClockThumbnail thumbnail = dw::drawClockThumbnail(data.image.members, time, side);
    if (thumbnail.image.isNull()) {
        out.error(name + thumbnail.problem);
        return kExitProblem;
    }

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!thumbnail.image.save(&buffer, "PNG")) {
        out.error(dw::printable(a.output) + QStringLiteral(": the picture cannot be encoded as PNG"));
        return kExitProblem;
    }
    try {
        dw::writeFileAtomically(a.output, png.constData(), png.size());
    } catch (const dw::EFrameworkError& e) {
        out.error(dw::printable(a.output) + QStringLiteral(": ") + e.message());
        return kExitProblem;
    }
    takeMessages(); // the readers' notes belong to verify
    out.line(QStringLiteral("%1: %2 × %3 at %4")
                 .arg(dw::printable(a.output))
                 .arg(thumbnail.image.width())
                 .arg(thumbnail.image.height())
                 .arg(time.toString(QStringLiteral("HH:mm:ss"))));
    return kExitOk;
}

} // namespace pdltool
