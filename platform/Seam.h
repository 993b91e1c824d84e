#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>
#include <QString>

#include <cstdint>
#include <optional>

namespace dw::seam {

// Every modal interaction of the program goes through the handler installed here: the
// editor installs one that shows real dialogs; tests install a ScriptedHandler that answers
// from a script and keeps a log; tools and libraries without either get a console handler
// that writes to stderr and takes the default answer.

// Flags and results, with the values of the system's message box.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,
};
enum : int { IDOK = 1, IDCANCEL = 2 };
// Results of a modally shown dialog.
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

struct FileDialogRequest {
    enum Kind { Open, Save };
    Kind kind = Open;
    QString name;       // the dialog's object name, for instance "SaveDialog1"
    QString title;      // empty: the platform's default
    QString filter;     // "description|pattern|description|pattern…"
    QString defaultExt; // without the dot; appended when the chosen name has none
    QString fileName;   // preset name (the one chosen last, for a reused dialog)
    QString initialDir; // the folder it opens in; empty: the preset name's, else where it was used last
    bool fileMustExist = false;
    bool overwritePrompt = false;
    bool hideReadOnly = false;
    bool enableSizing = false;
};

class Handler {
public:
    virtual ~Handler() = default;
    // A plain modal message box; returns IDOK or IDCANCEL.
    virtual int messageBox(const QString& text, const QString& caption, unsigned flags) = 0;
    // The framework's standard error box: the message and an OK button.
    virtual void errorBox(const QString& message) = 0;
    // A file dialog; the chosen path, or nothing when the user cancels.
    virtual std::optional<QString> fileDialog(const FileDialogRequest& request) = 0;
    // The colour dialog, preset with a colour (0x00BBGGRR); the chosen colour, or nothing.
    virtual std::optional<uint32_t> colorDialog(const QString& name, uint32_t initial) = 0;
    // Shows a dialog modally (the editor's handler: QDialog::exec) and returns its modal result.
    virtual int showModal(QObject& dialog) = 0;
    // The default system beep.
    virtual void beep() = 0;
    // Opens a link with the user's program for it (a "mailto:" link in the mail program, a web
    // or file link in the browser), as the shell's "open" does; returns at once. Whether it
    // worked is not known to the caller: false when nothing was started. Handlers that cannot
    // open anything start nothing.
    virtual bool openUrl(const QString& url);
    // A small pop-up menu of choices at a point of the screen (global coordinates); the index of
    // the item chosen, or nothing when the menu is closed without a choice. Handlers that show
    // nothing choose nothing.
    virtual std::optional<int> chooseFromMenu(const QString& name, const QStringList& items, QPoint at);
};

// Installs a handler (not owned) and returns the one it replaces; nullptr restores the console
// handler.
Handler* install(Handler* handler);
Handler& current();

// The application title, used as the caption of showMessage boxes.
void setApplicationTitle(const QString& title);
QString applicationTitle();

int messageBox(const QString& text, const QString& caption, unsigned flags);
// A message box with the application title as caption and an OK button.
void showMessage(const QString& text);
void errorBox(const QString& message);
std::optional<QString> fileDialog(const FileDialogRequest& request);
std::optional<uint32_t> colorDialog(const QString& name, uint32_t initial);
int showModal(QObject& dialog);
void beep();
bool openUrl(const QString& url);
std::optional<int> chooseFromMenu(const QString& name, const QStringList& items, QPoint at);

// Whether one of the interactions above (a message box, a dialog, a pop-up menu) is running now:
// its nested event loop may run timers, which then must not change what the dialog shows.
bool modalRunning();

} // namespace dw::seam
