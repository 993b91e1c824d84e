#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

class QApplication;
class QCoreApplication;

namespace dw {

// The application title: the main window's caption and the caption of the program's own
// message boxes.
inline const QString kApplicationTitle = QStringLiteral("Dialwright ver. 2.25a");

// Sets the application title (also for the interaction seam), loads the Japanese translation
// of the toolkit's own texts (file dialogs, colour dialog, message box buttons), since the whole
// user interface is Japanese, and sets the program's icon and the window font.
void initializeApplication(QApplication& app);

// Makes Japanese the default locale and installs the toolkit's Japanese translation, owned by
// app; false when the translation is not installed (Debian's qt6-translations-l10n).
bool installJapaneseToolkitTexts(QCoreApplication& app);

// The program's icon, drawn for it in several sizes (editor/icons).
QIcon applicationIcon();

// The font of the program's windows: "ＭＳ Ｐゴシック" at 12 pixels, falling back to the IPA
// proportional Gothic where that font is not installed, so that Japanese text always renders.
QFont formFont();

} // namespace dw
