// The animation slots' own commands: embed a strip, record a strip's name, change its parameters
// in the settings dialog, play it over the preview. None and No Data are shared with the sound
// slots (MainForm_SlotItems.cpp).
#include "editor/mainform/EditorUnit.h"

#include "editor/files/CharacterNames.h"
#include "editor/widgets/CommonDialogs.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/PreviewBox.h"
#include "editor/mainform/TestPlayWatch.h"

#include "media/AnimSlot.h"
#include "media/BmpAnimUnit.h"
#include "media/RecordedName.h"
#include "media/SlotRecord.h"
#include "media/widgets/AnimDlgUnit.h"
#include "media/widgets/BitmapImage.h"
#include "media/widgets/ByFileNameUnit.h"
#include "media/widgets/WindowCanvas.h"
#include "platform/AnsiText.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Screen.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace dw {

namespace {

const QString kStripNamePrompt = QStringLiteral("ビットマップファイル名(*.bmp)を入力してください");
const QString kNothingToSet = QStringLiteral("設定するデータがありません。");
const QString kNothingToPlay = QStringLiteral("再生するデータがありません。");
const QString kBadRecord = QStringLiteral("データ記録形式が不良です。");

// Every message of these commands comes after the default beep.
void tell(const QString& text)
{
    seam::beep();
    seam::showMessage(text);
}

void tellNotFound(const QString& name) { tell(QStringLiteral("ファイルが見つかりません\n\"%1\"").arg(name)); }

// Runs at the end of a command on every path, also when an error ends it.
template <typename F>
struct Finally {
    F f;
    ~Finally() { f(); }
};
template <typename F>
Finally(F) -> Finally<F>;

} // namespace

class TMainForm::TimerHandlerDetached {
public:
    explicit TimerHandlerDetached(TMainForm& form) : m_form(form) { ++m_form.m_timerDetached; }
    ~TimerHandlerDetached() { --m_form.m_timerDetached; }
    TimerHandlerDetached(const TimerHandlerDetached&) = delete;
    TimerHandlerDetached& operator=(const TimerHandlerDetached&) = delete;

private:
    TMainForm& m_form;
};

TMainForm::MediaSlot* TMainForm::animSlotOfItem(const QObject* sender, QAction* MediaSlot::*which)
{
    MediaSlot* slot = slotOfItem(sender, which);
    return slot && slot->number >= kMinuteAnimSlot ? slot : nullptr;
}

QStringList TMainForm::animationFolders() const
{
    // A relative name: beside the data file saved last, beside the picture chosen last, then the
    // program's working folder.
    QStringList folders;
    for (const QString& file : {SaveDialog1.fileName, OpenPictureDialog1.fileName})
        if (!file.isEmpty())
            folders << QFileInfo(file).absolutePath();
    folders << QDir::currentPath();
    return folders;
}

void TMainForm::prepareAnimationDlg(const TAnimParam& param)
{
    TAnimationDlg& dlg = *AnimationDlg;
    dlg.ClockImage->Picture().setImage(previewPicture());
    dlg.ClockImage->move(10, 10);
    dlg.AnimImage->show();
    dlg.SetParam(param);
}

void TMainForm::setAnimPlaceholder()
{
    TBitmap& picture = AnimationDlg->AnimImage->Picture();
    picture.Assign(nullptr);
    picture.SetSize(200, 100);
    picture.SetTransparent(false);
    TCanvas& canvas = picture.Canvas();
    canvas.Brush.Style = bsDiagCross;
    canvas.Brush.Color = clGray;
    canvas.FillRect({0, 0, picture.Width(), picture.Height()});
    canvas.Brush.Style = bsSolid;
}

void TMainForm::AnimationItemClick(QObject* Sender)
{
    MediaSlot* slot = animSlotOfItem(Sender, &MediaSlot::load);
    if (!slot)
        return;
    Q_ASSERT(AnimationDlg);
    const Finally refresh{[this, slot] { UpdateSlotItems(*slot); }};
    // A file that is no whole picture ends the command with a message, one that cannot be read
    // with the framework's error; the record is not touched.
    if (const std::optional<QString> path = choosePictureFile())
        takePictureFile(PictureSlot(int(PictureSlot::MinuteStrip) + slot->number - kMinuteAnimSlot), *path, true);
}

bool TMainForm::putStrip(MediaSlot& slot, TMemoryStream& loaded, const QString& path, bool ask)
{
    Q_ASSERT(AnimationDlg);
    TBitmap& strip = AnimationDlg->AnimImage->Picture();
    strip.LoadFromStream(loaded);
    strip.SetTransparent(true);
    TAnimParam param = viewAnimRecord(*slot.record).param;
    if (ask) {
        prepareAnimationDlg(param);
        if (seam::showModal(*AnimationDlg) != seam::mrOk)
            return false;
        param = AnimationDlg->GetParam();
    }
    SetModified(true);
    makeEmbeddedAnimRecord(*slot.record, slot.number, param, strip);
    m_slotFileNames[size_t(slot.number - 1)] = QFileInfo(path).fileName();
    UpdateSlotItems(slot);
    return true;
}

void TMainForm::AnimbyFileName(QObject* Sender)
{
    MediaSlot* slot = animSlotOfItem(Sender, &MediaSlot::byFileName);
    if (!slot)
        return;
    Q_ASSERT(StringDlg && AnimationDlg);
    const Finally refresh{[this, slot] { UpdateSlotItems(*slot); }};
    const AnimRecordView recorded = viewAnimRecord(*slot->record);
    const std::optional<RecordedNameEntry> name =
        askRecordedName(kStripNamePrompt, recorded.size > 8 && recorded.byFileName() ? animRecordName(recorded) : QString());
    if (!name)
        return;
    if (name->text.isEmpty()) {
        // An empty name sets the animation to none (a sound slot would become unset).
        SetModified(true);
        writeSilentRecord(*slot->record, slot->number);
        return;
    }
    const QString path = findRecordedFile(name->ansi, animationFolders());
    if (!path.isEmpty()) {
        TBitmap& strip = AnimationDlg->AnimImage->Picture();
        strip.LoadFromFile(path);
        strip.SetTransparent(true);
    } else {
        setAnimPlaceholder();
    }
    // The parameters stay the slot's whatever its kind: an embedded slot offers its own.
    prepareAnimationDlg(recorded.param);
    if (seam::showModal(*AnimationDlg) != seam::mrOk)
        return;
    SetModified(true);
    makeNamedAnimRecord(*slot->record, slot->number, AnimationDlg->GetParam(),
                        QByteArray(name->ansi.data(), qsizetype(name->ansi.size())));
}

void TMainForm::AnimParam1Click(QObject* Sender)
{
    MediaSlot* slot = animSlotOfItem(Sender, &MediaSlot::params);
    if (!slot)
        return;
    Q_ASSERT(AnimationDlg);
    const AnimRecordView view = viewAnimRecord(*slot->record);
    if (!view.hasData) {
        tell(kNothingToSet);
        return;
    }
    TBitmap& strip = AnimationDlg->AnimImage->Picture();
    if (view.badKind()) {
        tell(kBadRecord);
        strip.Assign(nullptr);
        return;
    }
    // A missing named file is reported; the dialog then offers the placeholder, so that the
    // parameters can still be changed.
    switch (loadAnimStrip(view, strip, animationFolders())) {
    case AnimStripStatus::FileMissing:
        tellNotFound(animRecordName(view));
        setAnimPlaceholder();
        break;
    case AnimStripStatus::Loaded: strip.SetTransparent(true); break;
    case AnimStripStatus::NoData:
    case AnimStripStatus::BadKind: return; // told above
    }
    if (strip.Empty())
        return;
    prepareAnimationDlg(view.param);
    if (seam::showModal(*AnimationDlg) != seam::mrOk)
        return;
    SetModified(true);
    // Bytes 8 to 27 only: the kind and the payload stay as they are.
    setAnimRecordParam(*slot->record, AnimationDlg->GetParam());
    UpdateSlotItems(*slot);
}

namespace {

// The main window's view at 100 % for the object's life, its zoom back afterwards.
class ViewAt100 {
public:
    explicit ViewAt100(TMainForm& form) : m_form(form), m_zoom(form.viewZoom()) { form.setViewZoom(ZoomLevel(100)); }
    ~ViewAt100() { m_form.setViewZoom(m_zoom); }
    ViewAt100(const ViewAt100&) = delete;
    ViewAt100& operator=(const ViewAt100&) = delete;

private:
    TMainForm& m_form;
    ZoomLevel m_zoom;
};

} // namespace

void TMainForm::AnimTestPlay(QObject* Sender)
{
    MediaSlot* slot = animSlotOfItem(Sender, &MediaSlot::play);
    if (!slot)
        return;
    if (slot->record->size() <= kAnimRecordHeaderSize) {
        tell(kNothingToPlay);
        return;
    }
    bool closeAfterPlay = false;
    {
        const TWaitCursor hourglass;
        const TimerHandlerDetached detached(*this);
        // The play serves events: New may empty the record meanwhile, so the play works on a
        // copy of it, and on a strip and a background of its own.
        const std::vector<uint8_t> record(slot->record->Memory(), slot->record->Memory() + slot->record->size());
        const AnimRecordView view = viewAnimRecord(record.data(), int64_t(record.size()));
        TBitmap strip;
        switch (loadAnimStrip(view, strip, animationFolders())) {
        case AnimStripStatus::Loaded: break;
        case AnimStripStatus::FileMissing: tellNotFound(animRecordName(view)); return;
        case AnimStripStatus::BadKind: tell(kBadRecord); return;
        case AnimStripStatus::NoData: return; // ruled out above
        }
        // The play shows at the clock's own size: the view goes to 100 % for its length, so that
        // the stored offsets are panel coordinates as they are.
        const ViewAt100 actualSize(*this);
        TBitmap background;
        background.setImage(previewPicture());
        WindowCanvas target(ClockPanel);
        // Only the dialog's ranges are played: a record from an opened file may claim millions of
        // frames. The user's first click or key press stops the play and does nothing else.
        AnimPlayStop stop;
        const TestPlayWatch watch(*this, stop);
        BmpAnimPlay(target.canvas(), strip, animParamInRange(view.param), background, &stop);
        closeAfterPlay = watch.closeRequested();
    } // the strip goes, the view's zoom, the timer's handler and the cursor come back
    ClockImage->update();
    // Closing was asked for during the play: it happens now, through the close guard.
    if (closeAfterPlay)
        QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

} // namespace dw
