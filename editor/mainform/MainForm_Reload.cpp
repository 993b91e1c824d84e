// Pictures read again when their files change on the disk: each reload one step of the history,
// named after what it reloaded, and a line in the status bar.
#include "editor/mainform/EditorUnit.h"

#include "editor/clock/ClockLayout.h"
#include "editor/clock/ClockShape.h"
#include "media/AnimSlot.h"
#include "media/SlotRecord.h"
#include "platform/Bitmap.h"
#include "platform/FrameworkError.h"
#include "platform/Screen.h"
#include "rotateimage/RotateImage.h"

#include <QApplication>
#include <QFileInfo>
#include <QStatusBar>

namespace dw {

namespace {

// The history's name of each reload, in LinkedPicture order.
const char* const kReloadSteps[] = {
    "文字盤の再読み込み",   "時針の再読み込み",     "分針の再読み込み",     "秒針の再読み込み",
    "型紙の再読み込み",     "分のアニメーションの再読み込み", "時のアニメーションの再読み込み",
    "零時のアニメーションの再読み込み",
};
static_assert(std::size(kReloadSteps) == kLinkedPictures);
// A picture taken for a slot is linked under the same index.
static_assert(int(LinkedPicture::Dial) == int(PictureSlot::Dial) && int(LinkedPicture::Mask) == int(PictureSlot::Mask)
              && int(LinkedPicture::ZeroStrip) == int(PictureSlot::ZeroStrip));

// What was reloaded, for the status line.
const char* const kReloadedWhat[] = {
    "文字盤", "時針", "分針", "秒針", "型紙", "分のアニメーション", "時のアニメーション", "零時のアニメーション",
};

} // namespace

void TMainForm::followLinkedFiles()
{
    if (m_links)
        m_links->follow(m_linkedFiles);
}

bool TMainForm::reloadHeld() const
{
    // A dialog shows what it was given when it opened, and a test play draws over the preview:
    // neither may find the project changed under it.
    return seam::modalRunning() || m_timerDetached > 0 || QApplication::activeModalWidget() != nullptr;
}

void TMainForm::reloadPicture(LinkedPicture which, const QString& path)
{
    const auto index = size_t(which);
    if (m_linkedFiles[index] != path)
        return;
    const QString fileName = QFileInfo(path).fileName();
    const bool decodedOnly = which >= LinkedPicture::Mask;
    auto waiting = [&](const QString& why) {
        StatusBar1->showMessage(QStringLiteral("「%1」を読み込めません（%2）。ファイルが保存し直されるのを待っています。").arg(fileName, why));
    };

    // The file read whole and checked as a load checks it, without a question: a picture the
    // clock cannot show is converted when the user agreed to convert this file, else taken as
    // it is, as it was taken before.
    TMemoryStream loaded;
    QString refusal;
    try {
        if (!readPictureFile(path, loaded, decodedOnly, false, &refusal)) {
            waiting(refusal.section(QLatin1Char('\n'), 0, 0));
            return;
        }
    } catch (const EFrameworkError& e) {
        waiting(e.message());
        return;
    }
    loaded.SetPosition(0);

    const TWaitCursor wait;
    switch (which) {
    case LinkedPicture::Dial: {
        if (FBkgStream.size() == 0)
            return;
        // Whether the shape is the dial's cut-out, asked of the dial it was cut from.
        const bool shapeIsCutOut = [&] {
            const std::optional<TRegion>& cut = dialCutOut();
            return cut ? FClockRgn == *cut : FClockRgn.isEmpty();
        }();
        const TSize before = panelSize();
        FBkgStream.Clear();
        FBkgStream.LoadFromStream(loaded);
        FBkgStream.SetPosition(0);
        RotateImage1->LoadFromBmpStream(FBkgStream);
        const TSize after = dialPanelSize(FBkgStream, before);
        if (after.cx == before.cx && after.cy == before.cy) {
            // Every centre and pivot stays where the user put it; the shape follows the dial
            // only when it was the dial's.
            if (shapeIsCutOut)
                SetRgnFromBkg();
        } else {
            LayoutClock();
            centreHands();
            SetRgnFromBkg();
        }
        break;
    }
    case LinkedPicture::Hour:
    case LinkedPicture::Minute:
    case LinkedPicture::Second: {
        TMemoryStream& stream = which == LinkedPicture::Hour ? FHourStream : which == LinkedPicture::Minute ? FMinStream : FSecStream;
        TRotateImage& renderer = which == LinkedPicture::Hour ? *SNeedleImage : which == LinkedPicture::Minute ? *LNeedleImage : *SecNeedleImage;
        if (stream.size() == 0)
            return;
        // The sizes the files state (the renderer's bitmap is its own working size).
        const TSize before = dialPanelSize(stream, {-1, -1});
        const QPoint pivot(renderer.PivotX(), renderer.PivotY());
        stream.Clear();
        stream.LoadFromStream(loaded);
        stream.SetPosition(0);
        renderer.LoadFromBmpStream(stream);
        const TSize after = dialPanelSize(stream, {-2, -2});
        if (after.cx == before.cx && after.cy == before.cy) {
            renderer.SetPivotX(pivot.x());
            renderer.SetPivotY(pivot.y());
        } else if (const std::optional<int32_t> pivotX = loadedHandPivotX(stream)) {
            renderer.SetPivotX(*pivotX);
        }
        break;
    }
    case LinkedPicture::Mask: {
        TBitmap mask;
        mask.LoadFromStream(loaded);
        SetClockRgn(maskShape(mask));
        break;
    }
    case LinkedPicture::MinuteStrip:
    case LinkedPicture::HourStrip:
    case LinkedPicture::ZeroStrip: {
        MediaSlot& slot = m_slots[size_t(kMinuteAnimSlot - 1) + (index - size_t(LinkedPicture::MinuteStrip))];
        const AnimRecordView view = viewAnimRecord(*slot.record);
        // The slot holds something else now (a name, nothing): the file is no longer its.
        if (!view.hasData || view.kind != pdl::kAnimationEmbedded) {
            m_linkedFiles[index].clear();
            followLinkedFiles();
            return;
        }
        TBitmap strip;
        strip.LoadFromStream(loaded);
        strip.SetTransparent(true);
        makeEmbeddedAnimRecord(*slot.record, slot.number, view.param, strip);
        m_slotFileNames[size_t(slot.number - 1)] = fileName;
        UpdateSlotItems(slot);
        break;
    }
    }
    SetModified(true);
    Timer1Timer();
    recordStep(QString::fromUtf8(kReloadSteps[index]));
    StatusBar1->showMessage(QStringLiteral("%1を再読み込みしました: %2").arg(QString::fromUtf8(kReloadedWhat[index]), path));
}

} // namespace dw
