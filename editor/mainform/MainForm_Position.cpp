// Positioning the hands: the hand positioning dialog for one hand, and one centre for all.
#include "editor/mainform/EditorUnit.h"

#include "editor/positioning/HandUnit.h"
#include "editor/widgets/PictureBox.h"

#include "editor/clock/ClockView.h"
#include "platform/Bitmap.h"
#include "platform/Seam.h"
#include "rotateimage/RotateImage.h"

#include <QCheckBox>
#include <QFrame>

namespace dw {

namespace {

// A stream shorter than this holds no picture: the built-in one stands for it.
constexpr int64_t kSmallestPictureFile = 45;

} // namespace

void TMainForm::decodeForPositioning(const TMemoryStream& stream, const PictureBox& builtin, TBitmap& picture) const
{
    if (stream.size() >= kSmallestPictureFile) {
        picture.LoadFromMemory(stream.Memory(), stream.size());
    } else {
        const QByteArray& bytes = builtin.bmpBytes();
        picture.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
    }
}

void TMainForm::positionHand(const TMemoryStream& handStream, const PictureBox& builtinHand, TRotateImage& renderer,
                             QPoint& centre, const QString& handName, const QString& caption)
{
    // Both pictures are decoded before the dialog changes: bytes that are not a picture end
    // the command with the framework's error, and nothing opens.
    // The dial is drawn from its renderer as the work area paints; only a dial the renderer
    // could not take is decoded here (and refused when it is no picture).
    TBitmap dial;
    if (renderedSize(*RotateImage1).isEmpty())
        decodeForPositioning(FBkgStream, *Image1, dial);
    TBitmap hand;
    decodeForPositioning(handStream, builtinHand, hand);

    applyPositioningSettings();
    THandForm& form = *HandForm;
    if (!form.setDialSource(*RotateImage1))
        form.setDialPicture(dial);
    form.setHandPicture(hand);
    // A hand still the built-in one has its default holes where the built-in dial puts them, as
    // LayoutClock gives it.
    const TBitmap& builtinDial = RotateImage1->Bitmap();
    form.setDefaultHoleDial(handStream.size() == 0 ? std::optional<QSize>(QSize(builtinDial.Width(), builtinDial.Height()))
                                                   : std::nullopt);
    form.SetDialCenter(centre);
    form.SetHandPivot(QPoint(renderer.PivotX(), renderer.PivotY()));
    form.HandImage->setToolTip(handName);
    form.setWindowTitle(caption);
    sizePositioningDialog();
    const int result = seam::showModal(form);
    keepPositioningSettings();
    if (result != seam::mrOk)
        return;
    SetModified(true);
    centre = form.GetDialCenter();
    const QPoint pivot = form.GetHandPivot();
    renderer.SetPivotX(pivot.x());
    renderer.SetPivotY(pivot.y());
    Timer1Timer();
}

void TMainForm::GoTo1Click()
{
    positionHand(FHourStream, *HourImage, *SNeedleImage, FHourCenter, QStringLiteral("時針"),
                 QStringLiteral("時針の位置合わせ"));
}

void TMainForm::GoTo2Click()
{
    positionHand(FMinStream, *MinImage, *LNeedleImage, FMinCenter, QStringLiteral("分針"),
                 QStringLiteral("分針の位置合わせ"));
}

void TMainForm::GoTo3Click()
{
    positionHand(FSecStream, *SecImage, *SecNeedleImage, FSecCenter, QStringLiteral("秒針"),
                 QStringLiteral("秒針の位置合わせ"));
}

void TMainForm::N19Click()
{
    applyPositioningSettings();
    THandForm& form = *HandForm;
    const bool locked = form.CheckBox1->isChecked();
    // However the command ends, the dialog is left whole for the next hand: the per-hand
    // panel and the hand shown again, the lock box as it was.
    struct Restore {
        THandForm& form;
        bool locked;
        ~Restore()
        {
            form.Panel2->show();
            form.CheckBox1->setChecked(locked);
            form.CheckBox1Click();
            form.HandImage->show();
        }
    } restore{form, locked};

    form.HandImage->hide();
    if (!form.setDialSource(*RotateImage1)) {
        TBitmap dial;
        decodeForPositioning(FBkgStream, *Image1, dial);
        form.setDialPicture(dial);
    }
    form.SetDialCenter(FHourCenter);
    form.setWindowTitle(QStringLiteral("時針・分針・秒針の回転穴を１つにします"));
    form.Panel2->hide();
    form.CheckBox1->setChecked(false);
    form.CheckBox1Click();
    sizePositioningDialog();
    const int result = seam::showModal(form);
    keepPositioningSettings();
    if (result != seam::mrOk)
        return;
    SetModified(true);
    const QPoint centre = form.GetDialCenter();
    FHourCenter = centre;
    FMinCenter = centre;
    FSecCenter = centre;
    Timer1Timer();
}

} // namespace dw
