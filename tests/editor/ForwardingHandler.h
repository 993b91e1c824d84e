#pragma once

// A seam handler that a test puts in front of the scripted one for as long as it lives: it
// passes every interaction on, and a test overrides the one it watches or answers itself.

#include "platform/Seam.h"

namespace dw::test {

class ForwardingHandler : public seam::Handler {
public:
    explicit ForwardingHandler(seam::Handler& next) : m_next(next), m_previous(seam::install(this)) {}
    ~ForwardingHandler() override { seam::install(m_previous); }
    ForwardingHandler(const ForwardingHandler&) = delete;
    ForwardingHandler& operator=(const ForwardingHandler&) = delete;

    int messageBox(const QString& text, const QString& caption, unsigned flags) override
    {
        return m_next.messageBox(text, caption, flags);
    }
    void errorBox(const QString& message) override { m_next.errorBox(message); }
    std::optional<QString> fileDialog(const seam::FileDialogRequest& r) override { return m_next.fileDialog(r); }
    std::optional<uint32_t> colorDialog(const QString& name, uint32_t initial) override
    {
        return m_next.colorDialog(name, initial);
    }
    int showModal(QObject& dialog) override { return m_next.showModal(dialog); }
    void beep() override { m_next.beep(); }
    bool openUrl(const QString& url) override { return m_next.openUrl(url); }
    std::optional<int> chooseFromMenu(const QString& name, const QStringList& items, QPoint at) override
    {
        return m_next.chooseFromMenu(name, items, at);
    }

private:
    seam::Handler& m_next;
    seam::Handler* m_previous;
};

} // namespace dw::test
