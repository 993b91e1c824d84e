#pragma once

#include <QString>

namespace dw {

// Where the editor keeps its settings file.
//
// "dialwright.ini" in the user's configuration folder (XDG_CONFIG_HOME, usually ~/.config),
// unless the program is a portable copy: one with a settings file beside it (the executable's
// path with ".ini") that is a regular file of the user running it, which the user may write. No
// file is ever made beside the program, so that an installed program writes nothing into the
// system, not even run as root. A file beside the program that is not the user's (an
// administrator's, someone else's portable copy) gives the user's file, until that exists, the
// first values of its options and colour only: never the recent files, the folders or the window
// placements of whoever left it.
struct SettingsLocation {
    QString path;     // the file read at start and written at exit
    QString readFrom; // the file beside the program whose options give the first content while
                      // path does not exist; empty for none
    // Why the file at path is left as it is, once it could not be read whole (too large, not
    // readable, not text): then it is not written at exit. Empty while it may be written.
    QString leftAsItIs;
};

SettingsLocation chooseSettingsLocation(const QString& besidePath, const QString& userPath);

// The file beside the running program and the one in the user's configuration folder.
QString settingsPathBesideProgram();
QString userSettingsPath();

// The location the main window uses: chooseSettingsLocation of the two paths above, or the
// file set here, with the file its first content comes from (tests keep every run in a folder
// of their own; an empty path goes back to the usual choice).
SettingsLocation settingsLocation();
void setSettingsFileOverride(const QString& path, const QString& readFrom = QString());

} // namespace dw
