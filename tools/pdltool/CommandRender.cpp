// pdltool render FILE --time HH:MM:SS -o PNG [--anim minute|hour|zero --frame N]: the clock as it
// shows on the desktop at that time, drawn by the editor's own composition, written as a PNG
// picture with the shape as transparency; with --anim, one frame of that animation over it.

#include "Commands.h"
#include "Input.h"
#include "RenderAnimation.h"
#include "ToolSeam.h"

#include "datafile/DataFileInfo.h"
#include "editor/clock/ClockThumbnail.h"
#include "editor/clock/SavedClock.h"

#include "platform/FrameworkError.h"
#include "platform/SafeFileWriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTime>

namespace pdltool {

namespace {

struct RenderArguments {
    QString file;
    QString time;
    QString output;
    QString anim;
    QString frame;
    QString error;
};

// FILE with the two options in either order.
RenderArguments parseRenderArguments(const QStringList& arguments)
{
    RenderArguments a;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if ((arg == QLatin1String("--time") || arg == QLatin1String("-o")) && i + 1 < arguments.size()) {
            (arg == QLatin1String("--time") ? a.time : a.output) = arguments[++i];
        } else if ((arg == QLatin1String("--anim") || arg == QLatin1String("--frame")) && i + 1 < arguments.size()) {
            (arg == QLatin1String("--anim") ? a.anim : a.frame) = arguments[++i];
        } else if (a.file.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            a.file = arg;
        } else {
            a.error = QStringLiteral("unexpected argument \"%1\"").arg(dw::printable(arg));
            return a;
        }
    }
    if (a.file.isEmpty() || a.time.isEmpty() || a.output.isEmpty())
        a.error = QStringLiteral("render takes FILE --time HH:MM:SS -o PNG [--anim minute|hour|zero --frame N]");
    else if (a.anim.isEmpty() != a.frame.isEmpty())
        a.error = QStringLiteral("--anim and --frame go together");
    return a;
}

} // namespace

int runRender(const QStringList& arguments, Output& out)
{
    const RenderArguments a = parseRenderArguments(arguments);
    if (!a.error.isEmpty()) {
        out.error(a.error);
        return kExitUsage;
    }
    const QTime time = QTime::fromString(a.time, QStringLiteral("HH:mm:ss"));
    if (!time.isValid()) {
        out.error(QStringLiteral("--time %1: not a time of day HH:MM:SS").arg(dw::printable(a.time)));
        return kExitUsage;
    }

    int32_t animSlot = 0;
    qlonglong frame = 0;
    if (!a.anim.isEmpty()) {
        animSlot = animationSlotOf(a.anim);
        bool ok = false;
        frame = a.frame.toLongLong(&ok);
        if (!animSlot) {
            out.error(QStringLiteral("--anim %1: not minute, hour or zero").arg(dw::printable(a.anim)));
            return kExitUsage;
        }
        if (!ok || frame < 0) {
            out.error(QStringLiteral("--frame %1: not a frame number (0 for the first)").arg(dw::printable(a.frame)));
            return kExitUsage;
        }
    }

    // A picture beyond what render draws is refused by its header, before it is decoded or even
    // held: a large one is read as its headers first, and the file read again whole only when
    // its pictures are within the limit.
    constexpr int64_t kHeldWhole = int64_t(16) << 20;
    InputFile in = readInput(a.file, dw::picturesHeldUpTo(kHeldWhole));
    if (in.error.isEmpty() && in.data.readable() && dw::statedPicturePixels(in.data.image.members) <= dw::kMaxRenderPixels
        && !in.data.image.statedSizes.empty())
        in = readInput(a.file);
    if (!in.error.isEmpty()) {
        out.error(dw::printable(a.file) + QStringLiteral(": ") + in.error);
        return kExitProblem;
    }
    if (!in.data.readable()) {
        out.error(dw::printable(a.file) + QStringLiteral(": ") + in.data.unreadable);
        return kExitProblem;
    }
    if (dw::statedPicturePixels(in.data.image.members) > dw::kMaxRenderPixels) {
        out.error(dw::printable(a.file) + QStringLiteral(": its pictures have more than %1 pixels together, more than render draws")
                                                 .arg(dw::kMaxRenderPixels));
        return kExitProblem;
    }
    dw::SavedClock clock;
    const QString problem = clock.load(in.data.image.members);
    if (!problem.isEmpty()) {
        out.error(dw::printable(a.file) + QStringLiteral(": ") + problem);
        return kExitProblem;
    }
    QImage picture = clock.render(time);
    if (animSlot) {
        const QString why = drawAnimationFrame(in.data.image.members, animSlot, frame,
                                               {QFileInfo(a.file).absolutePath(), QDir::currentPath()}, picture);
        if (!why.isEmpty()) {
            out.error(dw::printable(a.file) + QStringLiteral(": ") + why);
            return kExitProblem;
        }
    }

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !picture.save(&buffer, "PNG")) {
        out.error(dw::printable(a.output) + QStringLiteral(": the picture cannot be encoded as PNG"));
        return kExitProblem;
    }
    try {
        dw::writeFileAtomically(a.output, png.constData(), png.size());
    } catch (const dw::EFrameworkError& e) {
        out.error(dw::printable(a.output) + QStringLiteral(": ") + e.message());
        return kExitProblem;
    }
    takeMessages(); // the readers' notes belong to verify, not to a picture
    QString done = QStringLiteral("%1: %2 × %3 at %4").arg(dw::printable(a.output)).arg(picture.width()).arg(picture.height()).arg(time.toString(QStringLiteral("HH:mm:ss")));
    if (animSlot)
        done += QStringLiteral(", %1 frame %2").arg(dw::printable(a.anim)).arg(frame);
    out.line(done);
    return kExitOk;
}

} // namespace pdltool
