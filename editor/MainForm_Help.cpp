// The help menu: the about box.
#include "EditorUnit.h"

#include "media/widgets/AboutUnit.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>

namespace dw {

void TMainForm::About1Click()
{
    if (!AboutBox)
        return;
    AboutBox->ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    seam::showModal(*AboutBox);
}

} // namespace dw
