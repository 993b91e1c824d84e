#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <QStringList>

class QApplication;
class QCoreApplication;

namespace dw {

class TMainForm;

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

// Opens the saved clock named on the command line (the first argument after the program's,
// relative to the current folder), as Open does, in the framework's manner: a file that cannot
// be read shows the error and the editor starts with the built-in clock. No argument, nothing.
// Called after the recovery offer: a clock restored then is replaced only when the user says so,
// as Open asks before a modified project is replaced.
void openCommandLineFile(TMainForm& form, const QStringList& arguments);

} // namespace dw
