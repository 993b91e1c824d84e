#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

class QApplication;

namespace dw {

// The application title: the main window's caption and the caption of the program's own
// message boxes.
inline const QString kApplicationTitle = QStringLiteral("Dialwright ver. 2.25a");

// Sets the application title (also for the interaction seam) and loads the Japanese
// translation of the toolkit's own texts (file dialogs, colour dialog), since the whole user
// interface is Japanese, and the program's icon.
void initializeApplication(QApplication& app);

// The program's icon: the built-in dial.
QIcon applicationIcon();

// The font of the program's windows: "ＭＳ Ｐゴシック" at 12 pixels, falling back to the IPA
// proportional Gothic where that font is not installed, so that Japanese text always renders.
QFont formFont();

} // namespace dw
