#pragma once

#include "Screen.h"
#include "Seam.h"

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace dw::seam {

// A handler that answers from a script and logs every interaction, so that the whole program
// can be driven headless. Answers are queued per kind and used in order; an interaction with
// no queued answer takes the default: the default button of a message box, Cancel for every
// dialog. Installs itself while it lives.
class ScriptedHandler final : public Handler {
public:
    enum class Kind { MessageBox, ErrorBox, FileDialog, ColorDialog, ModalDialog, Beep, OpenUrl, MenuChoice };

    struct Record {
        Kind kind;
        QString text;          // message text; the chosen path of a file dialog; an opened link;
                               // a menu's items, one per line
        QString caption;       // message caption; the dialog's or menu's object name
        unsigned flags = 0;    // message box flags
        int result = 0;        // what was answered (IDOK, IDCANCEL, modal result; 1 = chosen;
                               // the index of a menu item, −1 for none)
        TCursor cursor = crDefault; // the screen cursor at that moment
        FileDialogRequest file;     // for file dialogs
    };

    ScriptedHandler();
    ~ScriptedHandler() override;

    // Script the next answers.
    void answerMessage(int result);
    void answerFile(std::optional<QString> path);
    void answerColor(std::optional<uint32_t> color);
    // The function fills in the dialog as the user would and returns the modal result.
    void answerModal(std::function<int(QObject&)> user);
    // The item index a pop-up menu of choices answers; nothing closes it without a choice.
    void answerMenu(std::optional<int> index);
    // Whether the next link opens (unscripted: it does); false as when no program can open it.
    void answerOpenUrl(bool opened);

    const std::vector<Record>& log() const { return m_log; }
    std::vector<Record> records(Kind kind) const;
    // The texts of the message boxes (or error boxes) shown so far, in order.
    QStringList messages() const;
    QStringList errors() const;
    int beeps() const;
    // The links opened so far, in order.
    QStringList openedUrls() const;
    void clearLog() { m_log.clear(); }
    // Whether every scripted answer has been used.
    bool scriptDone() const;

    int messageBox(const QString& text, const QString& caption, unsigned flags) override;
    void errorBox(const QString& message) override;
    std::optional<QString> fileDialog(const FileDialogRequest& request) override;
    std::optional<uint32_t> colorDialog(const QString& name, uint32_t initial) override;
    int showModal(QObject& dialog) override;
    void beep() override;
    // Logs the link and reports whether it opened, as scripted.
    bool openUrl(const QString& url) override;
    std::optional<int> chooseFromMenu(const QString& name, const QStringList& items, QPoint at) override;

private:
    Handler* m_previous = nullptr;
    std::deque<int> m_messages;
    std::deque<std::optional<QString>> m_files;
    std::deque<std::optional<uint32_t>> m_colors;
    std::deque<std::function<int(QObject&)>> m_modals;
    std::deque<std::optional<int>> m_menus;
    std::deque<bool> m_urls;
    std::vector<Record> m_log;
};

} // namespace dw::seam
