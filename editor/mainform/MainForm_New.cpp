// New: the project back to its start-up state, and on request the load-time options back to
// Default.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/ControlHostPanel.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>

namespace dw {

void TMainForm::New1Click()
{
    constexpr unsigned kQuestion = seam::MB_OKCANCEL | seam::MB_ICONWARNING | seam::MB_DEFBUTTON2;
    bool reset = false;
    if (FModified
        && seam::messageBox(QStringLiteral("データを初期化しますか？"), QStringLiteral("作成中のデータは保存されていません。"),
                            kQuestion)
               == seam::IDOK) {
        Edit1->clear();
        Memo1->clear();
        assignBuiltin(*RotateImage1, *Image1);
        FBkgStream.Clear();
        LayoutClock();
        centreHands();
        // Each bar runs its change handler when its position changes.
        TrackBar1->setValue(TrackBar1->maximum());
        TrackBar2->setValue(TrackBar2->maximum());
        ResetRgnBtnClick();
        assignBuiltin(*SNeedleImage, *HourImage);
        assignBuiltin(*LNeedleImage, *MinImage);
        assignBuiltin(*SecNeedleImage, *SecImage);
        FHourStream.Clear();
        FMinStream.Clear();
        FSecStream.Clear();
        for (TMemoryStream* record : {&FSecSound, &FMinSound, &FHourSound, &FZeroSound, &FMinAnim, &FHourAnim, &FZeroAnim})
            record->Clear();
        // Every slot is unset now: No Data and Test Play go off. The Parameters items keep
        // their state; one still enabled answers that there is nothing to set.
        const bool parameters[] = {AnimParam1->isEnabled(), AnimParam2->isEnabled(), AnimParam3->isEnabled()};
        m_slotFileNames = {};
        m_linkedFiles = {};
        UpdateSlotItems();
        AnimParam1->setEnabled(parameters[0]);
        AnimParam2->setEnabled(parameters[1]);
        AnimParam3->setEnabled(parameters[2]);
        Timer1Timer();
        New1->setEnabled(false);
        SetModified(false);
        // The clock made anew is no longer the file's: saving it again asks where.
        m_savedPath.clear();
        reset = true;
    }
    // Asked in every case, also when the project was kept.
    if (seam::messageBox(QStringLiteral("カスタムデータロード時の動作オプション設定を初期化しますか？"),
                         QStringLiteral("動作オプションの初期化"), kQuestion)
        == seam::IDOK)
        for (const auto& group : optionGroups())
            group[0]->setChecked(true);
    // A project made anew starts a history of its own.
    if (reset)
        startHistory();
}

} // namespace dw
