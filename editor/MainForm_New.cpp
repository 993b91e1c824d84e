// New: the project back to its start-up state, and on request the load-time options back to
// Default.
#include "EditorUnit.h"

#include "ControlHostPanel.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>

namespace dw {

void TMainForm::New1Click()
{
    constexpr unsigned kQuestion = seam::MB_OKCANCEL | seam::MB_ICONWARNING | seam::MB_DEFBUTTON2;
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
        UpdateSlotItems();
        Timer1Timer();
        New1->setEnabled(false);
        SetModified(false);
    }
    // Asked in every case, also when the project was kept.
    if (seam::messageBox(QStringLiteral("カスタムデータロード時の動作オプション設定を初期化しますか？"),
                         QStringLiteral("動作オプションの初期化"), kQuestion)
        == seam::IDOK)
        for (const auto& group : optionGroups())
            group[0]->setChecked(true);
}

} // namespace dw
