#include "editor/widgets/CommonDialogs.h"

namespace dw {

seam::FileDialogRequest openPictureDialog()
{
    seam::FileDialogRequest d;
    d.kind = seam::FileDialogRequest::Open;
    d.name = QStringLiteral("OpenPictureDialog1");
    // Every picture the editor reads or converts first, then the bitmaps the clock shows as
    // they are.
    d.filter = QStringLiteral("画像 (*.bmp *.png *.jpg *.jpeg *.gif)|*.bmp;*.png;*.jpg;*.jpeg;*.gif|"
                              "ビットマップ (*.bmp)|*.bmp|すべてのファイル (*.*)|*.*");
    d.defaultExt = QStringLiteral("bmp");
    d.fileMustExist = true;
    return d;
}

seam::FileDialogRequest openWaveDialog()
{
    seam::FileDialogRequest d;
    d.kind = seam::FileDialogRequest::Open;
    d.name = QStringLiteral("OpenDialog1");
    d.filter = QStringLiteral("Wave(*.wav)|*.wav");
    d.defaultExt = QStringLiteral("wav");
    d.fileMustExist = true;
    d.hideReadOnly = true;
    return d;
}

seam::FileDialogRequest saveDataDialog()
{
    seam::FileDialogRequest d;
    d.kind = seam::FileDialogRequest::Save;
    d.name = QStringLiteral("SaveDialog1");
    d.filter = QStringLiteral("Pendulet データファイル(*.pdl)|*.pdl|全てのファイル(*.*)|*.*");
    d.defaultExt = QStringLiteral("pdl");
    d.overwritePrompt = true;
    d.hideReadOnly = true;
    d.enableSizing = true;
    return d;
}

seam::FileDialogRequest openDataDialog()
{
    seam::FileDialogRequest d;
    d.kind = seam::FileDialogRequest::Open;
    d.name = QStringLiteral("OpenDataDialog");
    d.filter = QStringLiteral("カスタムデータ・時計のソース (*.pdl *.toml)|*.pdl;*.toml|カスタムデータ (*.pdl)|*.pdl|"
                              "時計のソース (clock.toml)|*.toml|すべてのファイル (*.*)|*.*");
    d.defaultExt = QStringLiteral("pdl");
    d.fileMustExist = true;
    return d;
}

seam::FileDialogRequest saveSourcesDialog()
{
    seam::FileDialogRequest d;
    d.kind = seam::FileDialogRequest::Save;
    d.name = QStringLiteral("SaveSourcesDialog");
    d.title = QStringLiteral("ソースとして保存");
    d.filter = QStringLiteral("時計のソース (clock.toml)|*.toml");
    d.defaultExt = QStringLiteral("toml");
    d.fileName = QStringLiteral("clock.toml");
    d.hideReadOnly = true;
    d.enableSizing = true;
    return d;
}

seam::FileDialogRequest exportImageDialog()
{
    seam::FileDialogRequest d;
    d.kind = seam::FileDialogRequest::Save;
    d.name = QStringLiteral("ExportImageDialog");
    d.title = QStringLiteral("画像として書き出す");
    d.filter = QStringLiteral("PNG 画像 (*.png)|*.png");
    d.defaultExt = QStringLiteral("png");
    d.overwritePrompt = true;
    d.hideReadOnly = true;
    d.enableSizing = true;
    return d;
}

std::optional<QString> executeFileDialog(seam::FileDialogRequest& dialog)
{
    std::optional<QString> chosen = seam::fileDialog(dialog);
    if (chosen)
        dialog.fileName = *chosen;
    return chosen;
}

} // namespace dw
