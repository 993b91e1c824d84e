#pragma once

// The seam's handler for a benchmark that saves: no dialog shows, and a message box that should
// not have come is printed rather than waited on.

#include "platform/Seam.h"

#include <cstdio>

namespace bench {

class SilentHandler final : public dw::seam::Handler {
public:
    int messageBox(const QString& text, const QString&, unsigned) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", text.toUtf8().constData());
        return dw::seam::IDOK;
    }
    void errorBox(const QString&) override {}
    std::optional<QString> fileDialog(const dw::seam::FileDialogRequest&) override { return std::nullopt; }
    std::optional<uint32_t> colorDialog(const QString&, uint32_t) override { return std::nullopt; }
    int showModal(QObject&) override { return dw::seam::mrCancel; }
    void beep() override {}
};

} // namespace bench
