// The help menu: the user's guide and the about box.
#include "editor/mainform/EditorUnit.h"

#include "media/widgets/AboutUnit.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>

namespace dw {

// The guide opens in the user's browser; when it is not installed (a system that leaves out
// documentation) or nothing can open it, the message names the file, so that the user can find
// it another way.
void TMainForm::Manual1Click()
{
    const QString path = QDir::toNativeSeparators(documentationPath());
    if (!QFileInfo(documentationPath()).isFile()) {
        seam::showMessage(QStringLiteral("説明書 %1 が見つかりません。").arg(path));
        return;
    }
    if (!seam::openUrl(documentationUrl()))
        seam::showMessage(QStringLiteral("説明書 %1 を開くプログラムを起動できません。\nブラウザでこのファイルを開いてください。").arg(path));
}

void TMainForm::About1Click()
{
    if (!AboutBox)
        return;
    AboutBox->ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    seam::showModal(*AboutBox);
}

} // namespace dw
