#pragma once

// What the fuzz targets share: a quiet modal seam and the invariant check.

#include "platform/Seam.h"

namespace dw::fuzz {

// The readers' messages ("ERROR: …", "DEBUG: …") are expected on damaged input; they are taken
// and dropped instead of flooding stderr.
class QuietHandler final : public seam::Handler {
public:
    int messageBox(const QString&, const QString&, unsigned) override { return seam::IDOK; }
    void errorBox(const QString&) override {}
    std::optional<QString> fileDialog(const seam::FileDialogRequest&) override { return std::nullopt; }
    std::optional<uint32_t> colorDialog(const QString&, uint32_t) override { return std::nullopt; }
    int showModal(QObject&) override { return seam::mrCancel; }
    void beep() override {}
};

// A broken invariant is a finding.
inline void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

} // namespace dw::fuzz
