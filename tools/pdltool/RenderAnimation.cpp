#include "RenderAnimation.h"

#include "datafile/DataFileInfo.h"
#include "datafile/DataFileLayout.h"
#include "media/AnimSlot.h"
#include "media/BmpAnimUnit.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/FrameworkError.h"

namespace pdltool {

int32_t animationSlotOf(const QString& word)
{
    if (word == QLatin1String("minute"))
        return dw::pdl::kMinuteAnimation;
    if (word == QLatin1String("hour"))
        return dw::pdl::kHourAnimation;
    if (word == QLatin1String("zero"))
        return dw::pdl::kZeroHourAnimation;
    return 0;
}

QString drawAnimationFrame(const std::vector<std::vector<uint8_t>>& members, int32_t slot, int64_t frame,
                           const QStringList& folders, QImage& clock)
{
    using namespace dw;
    const QString what = pdl::slotMeaning(slot);
    const std::vector<uint8_t>* record = nullptr;
    for (size_t i = pdl::kFirstSlotMember; i < members.size() && !record; ++i)
        if (members[i].size() >= 4 && pdl::viewSlotRecord(members[i].data(), int64_t(members[i].size())).slot == slot)
            record = &members[i];
    if (!record)
        return QStringLiteral("the file has no %1").arg(what);
    const AnimRecordView view = viewAnimRecord(record->data(), int64_t(record->size()));
    if (view.size == 4)
        return QStringLiteral("the %1 is none (無し)").arg(what);

    TBitmap strip;
    AnimStripStatus status;
    try {
        status = loadAnimStrip(view, strip, folders);
    } catch (const EFrameworkError& e) {
        return QStringLiteral("the %1's strip: %2").arg(what, e.message());
    }
    switch (status) {
    case AnimStripStatus::Loaded: break;
    case AnimStripStatus::NoData: return QStringLiteral("the %1 record of %2 bytes holds no animation").arg(what).arg(view.size);
    case AnimStripStatus::FileMissing:
        return QStringLiteral("the %1's file \"%2\" is not found").arg(what, printable(animRecordName(view)));
    case AnimStripStatus::BadKind: return QStringLiteral("the %1 record has the unknown kind %2").arg(what).arg(view.kind);
    }

    const AnimFrameGrid grid = animFrameGrid(strip.Width(), strip.Height(), view.param);
    if (frame < 0 || frame >= grid.frameCount())
        return QStringLiteral("--frame %1: the %2 has %3 frames (0 to %4)").arg(frame).arg(what).arg(grid.frameCount()).arg(grid.frameCount() - 1);

    // The clock is the background and the target at once; the window's shape (the alpha of the
    // rendered clock) is put back afterwards, since the desktop shows nothing outside it.
    TBitmap background;
    background.setImage(clock.convertToFormat(QImage::Format_RGB32));
    QImage target = clock.convertToFormat(QImage::Format_RGB32);
    {
        TCanvas canvas(&target);
        drawAnimFrame(canvas, strip, view.param, background, frame);
    }
    QImage out = target.convertToFormat(QImage::Format_ARGB32);
    const QImage alpha = clock.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        const auto* a = reinterpret_cast<const QRgb*>(alpha.constScanLine(y));
        for (int x = 0; x < out.width(); ++x)
            o[x] = (o[x] & 0x00FFFFFFu) | (a[x] & 0xFF000000u);
    }
    clock = out;
    return {};
}

} // namespace pdltool
