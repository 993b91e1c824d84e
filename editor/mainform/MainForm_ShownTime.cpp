// The time the preview shows, and the clock written out as the picture the preview shows.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/CommonDialogs.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"
#include "editor/mainform/ShownTimeDlg.h"

#include "editor/clock/ClockComposer.h"
#include "platform/FrameworkError.h"
#include "platform/SafeFileWriter.h"

#include <QAction>
#include <QBuffer>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>

namespace dw {

QTime TMainForm::previewTime() const { return m_shownTime.value_or(m_timeSource()); }

void TMainForm::setShownTime(std::optional<QTime> time)
{
    m_shownTime = time && time->isValid() ? time : std::nullopt;
    if (!ShownTimeLabel) {
        ShownTimeLabel = new QLabel(StatusBar1);
        ShownTimeLabel->setObjectName(QStringLiteral("ShownTimeLabel"));
        StatusBar1->addPermanentWidget(ShownTimeLabel);
    }
    if (m_shownTime)
        ShownTimeLabel->setText(QStringLiteral("表示時刻 %1 に固定").arg(m_shownTime->toString(QStringLiteral("HH:mm:ss"))));
    ShownTimeLabel->setVisible(m_shownTime.has_value());
    Timer1Timer();
}

void TMainForm::ShownTime1Click()
{
    if (!m_shownTimeDlg)
        m_shownTimeDlg = new TShownTimeDlg(this);
    m_shownTimeDlg->setShownTime(previewTime());
    if (seam::showModal(*m_shownTimeDlg) != seam::mrOk)
        return;
    setShownTime(m_shownTimeDlg->chosenTime());
}

QImage TMainForm::clockPicture()
{
    Timer1Timer();
    const TSize size = panelSize();
    return pictureWithinRegion(previewPicture(),
                               clockWindowRegion(clockScene(), FClockRgn, ExtrudeHand1->isChecked(), size));
}

void TMainForm::ExportImage1Click()
{
    const std::optional<QString> path = executeFileDialog(ExportImageDialog);
    if (!path)
        return;
    // The picture as the preview shows it once the name is chosen: this second, or the time set.
    const QImage picture = clockPicture();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !picture.save(&buffer, "PNG")) {
        seam::messageBox(QStringLiteral("時計を画像にできません（プレビューに表示できる文字盤がありません）。"),
                         seam::applicationTitle(), seam::MB_OK | seam::MB_ICONWARNING);
        return;
    }
    // Written beside the target and renamed: a failure leaves a file that was there as it was
    // and ends the command with the framework's error.
    writeFileAtomically(*path, png.constData(), png.size());
    StatusBar1->showMessage(QStringLiteral("「%1」に書き出しました").arg(QFileInfo(*path).fileName()));
}

} // namespace dw
