#pragma once

#include <QString>

#include <functional>

namespace dw {

// Where the editor keeps its settings file.
//
// The file lives beside the program (the executable's path with ".ini"), as long as it can be
// written there: an existing file that is writable, or a folder where one can be made. A
// program installed system-wide cannot write beside itself; it then keeps "dialwright.ini" in
// the user's configuration folder (XDG_CONFIG_HOME, usually ~/.config), and until that file
// exists it starts from the read-only file beside the program, if there is one.
struct SettingsLocation {
    QString path;     // the file read at start and written at exit
    QString readFrom; // where its first content comes from when not from path itself; empty
                      // for path
    // Why the file at path is left as it is, once it could not be read whole (too large, not
    // readable, not text): then it is not written at exit. Empty while it may be written.
    QString leftAsItIs;
};

// Whether a file (or, for a folder, a new file in it) can be written.
using WritableCheck = std::function<bool(const QString& path)>;
bool isWritablePath(const QString& path);

SettingsLocation chooseSettingsLocation(const QString& besidePath, const QString& userPath,
                                        const WritableCheck& writable = isWritablePath);

// The file beside the running program and the one in the user's configuration folder.
QString settingsPathBesideProgram();
QString userSettingsPath();

// The location the main window uses: chooseSettingsLocation of the two paths above, or the
// file set here (tests keep every run in a folder of their own; an empty path goes back to the
// usual choice).
SettingsLocation settingsLocation();
void setSettingsFileOverride(const QString& path);

} // namespace dw
