#pragma once

#include "platform/Seam.h"

#include <optional>

namespace dw {

// The main window's file dialogs, as the system's common dialogs are set up for them.
seam::FileDialogRequest openPictureDialog(); // OpenPictureDialog1: pictures, must exist
seam::FileDialogRequest openWaveDialog();    // OpenDialog1: WAV sounds, must exist
seam::FileDialogRequest saveDataDialog();    // SaveDialog1: the custom data file
seam::FileDialogRequest openDataDialog();    // OpenDataDialog: a saved custom data file, must exist
seam::FileDialogRequest saveSourcesDialog(); // SaveSourcesDialog: a clock's manifest, in the folder of its sources
seam::FileDialogRequest exportImageDialog(); // ExportImageDialog: the clock as a PNG picture

// Shows a reused file dialog through the seam. On OK the chosen path becomes the dialog's
// file name, so the next showing offers it again; on Cancel nothing changes.
std::optional<QString> executeFileDialog(seam::FileDialogRequest& dialog);

} // namespace dw
