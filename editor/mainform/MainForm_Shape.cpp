// The clock window's shape: the rounded rectangle of the track bars, the dial's cut-out and the
// mask picture, kept in FClockRgn and shown as ClockPanel's window region.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/CommonDialogs.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"

#include "editor/clock/ClockComposer.h"
#include "editor/clock/ClockShape.h"
#include "platform/Bitmap.h"
#include "platform/FrameworkError.h"
#include "platform/Screen.h"

#include <QAction>
#include <QFileInfo>
#include <QSlider>

namespace dw {

bool TMainForm::SetClockRgn(const std::optional<TRegion>& region)
{
    FClockRgn = region ? *region : TRegion();
    showClockRgn();
    return true;
}

void TMainForm::showClockRgn()
{
    // With ExtrudeHand1 the hands widen the shape at once, not only from the next tick on, so
    // that a new shape does not cut the hands off for a moment.
    if (ExtrudeHand1->isChecked())
        showWindowRegion(extrudedShape(clockScene(), FClockRgn, panelSize()));
    else if (FClockRgn.isEmpty())
        showWindowRegion(std::nullopt);
    else
        showWindowRegion(FClockRgn);
}

void TMainForm::SetRoundRectRgn()
{
    const int32_t rx = roundRectCorner(m_clockSize.cx, TrackBar1->value(), TrackBar1->maximum());
    const int32_t ry = roundRectCorner(m_clockSize.cy, TrackBar2->value(), TrackBar2->maximum());
    SetClockRgn(roundRectShape(m_clockSize.cx, m_clockSize.cy, rx, ry));
    // The shape is no longer the mask's: a change of the mask's file no longer reaches it.
    m_linkedFiles[size_t(LinkedPicture::Mask)].clear();
}

void TMainForm::SetRgnFromBkg()
{
    SetClockRgn(dialCutOut());
    m_linkedFiles[size_t(LinkedPicture::Mask)].clear();
}

const std::optional<TRegion>& TMainForm::dialCutOut()
{
    // Kept for the bytes it was cut from, so that a reload can tell whether the shape is still
    // the dial's without cutting it again.
    if (m_dialCutOut.stamp == FBkgStream.changeStamp() && m_dialCutOut.stamp != 0)
        return m_dialCutOut.shape;
    TBitmap working;
    if (FBkgStream.size() >= 44) {
        FBkgStream.SetPosition(0);
        try {
            working.LoadFromStream(FBkgStream);
        } catch (const EFrameworkError&) {
            // A dial the framework cannot read has nothing to cut out: the clock keeps the
            // full rectangle rather than a shape made for another picture.
            working.Assign(nullptr);
        }
    } else {
        const QByteArray& bytes = Image1->bmpBytes();
        working.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
    }
    std::optional<TRegion> shape;
    if (!working.Empty()) {
        const TWaitCursor wait;
        shape = dialCutOutShape(working);
    }
    // The built-in dial's cut-out is kept under the empty stream's stamp, which every load renews.
    m_dialCutOut = {FBkgStream.changeStamp(), std::move(shape)};
    return m_dialCutOut.shape;
}

void TMainForm::TrackBar1Change()
{
    SetRoundRectRgn();
    SetModified(true);
}

void TMainForm::TrackBar2Change()
{
    SetRoundRectRgn();
    SetModified(true);
}

void TMainForm::ResetRgnBtnClick()
{
    SetRgnFromBkg();
    SetModified(true);
}

void TMainForm::M1Click()
{
    if (const std::optional<QString> path = choosePictureFile())
        takePictureFile(PictureSlot::Mask, *path, true);
}

void TMainForm::putMask(TMemoryStream& loaded)
{
    // Decoded before anything changes (the check has read it whole with the same reader).
    TBitmap mask;
    mask.LoadFromStream(loaded);
    SetModified(true);
    std::optional<TRegion> shape;
    {
        const TWaitCursor wait;
        shape = maskShape(mask);
    }
    SetClockRgn(shape);
    Timer1Timer();
}

} // namespace dw
