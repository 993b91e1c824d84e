#include "ScriptedSeam.h"

#include <QStringList>

namespace dw::seam {

ScriptedHandler::ScriptedHandler() { m_previous = install(this); }

ScriptedHandler::~ScriptedHandler() { install(m_previous); }

void ScriptedHandler::answerMessage(int result) { m_messages.push_back(result); }
void ScriptedHandler::answerFile(std::optional<QString> path) { m_files.push_back(std::move(path)); }
void ScriptedHandler::answerColor(std::optional<uint32_t> color) { m_colors.push_back(color); }
void ScriptedHandler::answerModal(std::function<int(QObject&)> user) { m_modals.push_back(std::move(user)); }
void ScriptedHandler::answerMenu(std::optional<int> index) { m_menus.push_back(index); }
void ScriptedHandler::answerOpenUrl(bool opened) { m_urls.push_back(opened); }

std::vector<ScriptedHandler::Record> ScriptedHandler::records(Kind kind) const
{
    std::vector<Record> out;
    for (const Record& r : m_log)
        if (r.kind == kind)
            out.push_back(r);
    return out;
}

QStringList ScriptedHandler::messages() const
{
    QStringList out;
    for (const Record& r : m_log)
        if (r.kind == Kind::MessageBox)
            out << r.text;
    return out;
}

QStringList ScriptedHandler::errors() const
{
    QStringList out;
    for (const Record& r : m_log)
        if (r.kind == Kind::ErrorBox)
            out << r.text;
    return out;
}

QStringList ScriptedHandler::openedUrls() const
{
    QStringList out;
    for (const Record& r : records(Kind::OpenUrl))
        out << r.text;
    return out;
}

int ScriptedHandler::beeps() const { return int(records(Kind::Beep).size()); }

bool ScriptedHandler::scriptDone() const
{
    return m_messages.empty() && m_files.empty() && m_colors.empty() && m_modals.empty() && m_menus.empty()
           && m_urls.empty();
}

int ScriptedHandler::messageBox(const QString& text, const QString& caption, unsigned flags)
{
    int result = (flags & 0xF) == MB_OKCANCEL && (flags & MB_DEFBUTTON2) ? IDCANCEL : IDOK;
    if (!m_messages.empty()) {
        result = m_messages.front();
        m_messages.pop_front();
    }
    m_log.push_back({Kind::MessageBox, text, caption, flags, result, TScreen::cursor(), {}});
    return result;
}

void ScriptedHandler::errorBox(const QString& message)
{
    m_log.push_back({Kind::ErrorBox, message, {}, 0, IDOK, TScreen::cursor(), {}});
}

std::optional<QString> ScriptedHandler::fileDialog(const FileDialogRequest& request)
{
    std::optional<QString> answer;
    if (!m_files.empty()) {
        answer = m_files.front();
        m_files.pop_front();
    }
    m_log.push_back({Kind::FileDialog, answer.value_or(QString()), request.name, 0, answer ? 1 : 0,
                     TScreen::cursor(), request});
    return answer;
}

std::optional<uint32_t> ScriptedHandler::colorDialog(const QString& name, uint32_t)
{
    std::optional<uint32_t> answer;
    if (!m_colors.empty()) {
        answer = m_colors.front();
        m_colors.pop_front();
    }
    m_log.push_back({Kind::ColorDialog, {}, name, answer.value_or(0), answer ? 1 : 0, TScreen::cursor(), {}});
    return answer;
}

int ScriptedHandler::showModal(QObject& dialog)
{
    int result = mrCancel;
    // Logged before the user acts, so that messages the dialog raises come after it.
    m_log.push_back({Kind::ModalDialog, {}, dialog.objectName(), 0, mrCancel, TScreen::cursor(), {}});
    const size_t index = m_log.size() - 1;
    if (!m_modals.empty()) {
        auto user = std::move(m_modals.front());
        m_modals.pop_front();
        result = user(dialog);
    }
    m_log[index].result = result;
    return result;
}

bool ScriptedHandler::openUrl(const QString& url)
{
    bool opened = true;
    if (!m_urls.empty()) {
        opened = m_urls.front();
        m_urls.pop_front();
    }
    m_log.push_back({Kind::OpenUrl, url, {}, 0, opened ? 1 : 0, TScreen::cursor(), {}});
    return opened;
}

std::optional<int> ScriptedHandler::chooseFromMenu(const QString& name, const QStringList& items, QPoint)
{
    std::optional<int> answer;
    if (!m_menus.empty()) {
        answer = m_menus.front();
        m_menus.pop_front();
    }
    m_log.push_back({Kind::MenuChoice, items.join(QLatin1Char('\n')), name, 0, answer.value_or(-1), TScreen::cursor(), {}});
    return answer;
}

void ScriptedHandler::beep() { m_log.push_back({Kind::Beep, {}, {}, 0, 0, TScreen::cursor(), {}}); }

} // namespace dw::seam
