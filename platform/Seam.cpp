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
int g_modalDepth = 0;

// Counts an interaction while it runs; its nested event loop may run anything meanwhile.
class ModalRunning {
public:
    ModalRunning() { ++g_modalDepth; }
    ~ModalRunning() { --g_modalDepth; }
    ModalRunning(const ModalRunning&) = delete;
    ModalRunning& operator=(const ModalRunning&) = delete;
};

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

bool modalRunning() { return g_modalDepth > 0; }

int messageBox(const QString& text, const QString& caption, unsigned flags)
{
    const ModalRunning running;
    return g_handler->messageBox(text, caption, flags);
}

void showMessage(const QString& text)
{
    const ModalRunning running;
    g_handler->messageBox(text, g_title, MB_OK);
}
void errorBox(const QString& message)
{
    const ModalRunning running;
    g_handler->errorBox(message);
}
std::optional<QString> fileDialog(const FileDialogRequest& request)
{
    const ModalRunning running;
    return g_handler->fileDialog(request);
}
std::optional<uint32_t> colorDialog(const QString& name, uint32_t initial)
{
    const ModalRunning running;
    return g_handler->colorDialog(name, initial);
}
int showModal(QObject& dialog)
{
    const ModalRunning running;
    return g_handler->showModal(dialog);
}
void beep() { g_handler->beep(); }
bool openUrl(const QString& url) { return g_handler->openUrl(url); }
std::optional<int> chooseFromMenu(const QString& name, const QStringList& items, QPoint at)
{
    const ModalRunning running;
    return g_handler->chooseFromMenu(name, items, at);
}

} // namespace dw::seam
