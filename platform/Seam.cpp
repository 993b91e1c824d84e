#include "Seam.h"

#include <cstdio>

namespace dw::seam {

namespace {

// Writes every message to stderr and takes the default answer: OK unless the second button
// is the default; dialogs are cancelled.
class ConsoleHandler final : public Handler {
public:
    int messageBox(const QString& text, const QString& caption, unsigned flags) override
    {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
        const bool okCancel = (flags & 0xF) == MB_OKCANCEL;
        return okCancel && (flags & MB_DEFBUTTON2) ? IDCANCEL : IDOK;
    }
    void errorBox(const QString& message) override
    {
        std::fprintf(stderr, "%s\n", qUtf8Printable(message));
    }
    std::optional<QString> fileDialog(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<uint32_t> colorDialog(const QString&, uint32_t) override { return std::nullopt; }
    int showModal(QObject&) override { return mrCancel; }
    void beep() override {}
    bool openUrl(const QString& url) override
    {
        std::fprintf(stderr, "open: %s\n", qUtf8Printable(url));
        return false;
    }
};

ConsoleHandler g_console;
Handler* g_handler = &g_console;
QString g_title;

} // namespace

bool Handler::openUrl(const QString&) { return false; }
std::optional<int> Handler::chooseFromMenu(const QString&, const QStringList&, QPoint) { return std::nullopt; }

Handler* install(Handler* handler)
{
    Handler* previous = g_handler == &g_console ? nullptr : g_handler;
    g_handler = handler ? handler : &g_console;
    return previous;
}

Handler& current() { return *g_handler; }

void setApplicationTitle(const QString& title) { g_title = title; }
QString applicationTitle() { return g_title; }

int messageBox(const QString& text, const QString& caption, unsigned flags)
{
    return g_handler->messageBox(text, caption, flags);
}

void showMessage(const QString& text) { g_handler->messageBox(text, g_title, MB_OK); }
void errorBox(const QString& message) { g_handler->errorBox(message); }
std::optional<QString> fileDialog(const FileDialogRequest& request) { return g_handler->fileDialog(request); }
std::optional<uint32_t> colorDialog(const QString& name, uint32_t initial)
{
    return g_handler->colorDialog(name, initial);
}
int showModal(QObject& dialog) { return g_handler->showModal(dialog); }
void beep() { g_handler->beep(); }
bool openUrl(const QString& url) { return g_handler->openUrl(url); }
std::optional<int> chooseFromMenu(const QString& name, const QStringList& items, QPoint at)
{
    return g_handler->chooseFromMenu(name, items, at);
}

} // namespace dw::seam
