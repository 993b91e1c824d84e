#pragma once

#include "platform/Seam.h"

#include <QColor>
#include <QHash>
#include <QStringList>

#include <memory>

class QFileDialog;
class QMessageBox;
class QWidget;

namespace dw {

// The interaction seam of the running editor: real, application-modal dialogs. Installs
// itself while it lives (the console handler comes back afterwards).
class WidgetSeamHandler final : public seam::Handler {
public:
    WidgetSeamHandler();
    ~WidgetSeamHandler() override;
    WidgetSeamHandler(const WidgetSeamHandler&) = delete;
    WidgetSeamHandler& operator=(const WidgetSeamHandler&) = delete;

    int messageBox(const QString& text, const QString& caption, unsigned flags) override;
    void errorBox(const QString& message) override;
    std::optional<QString> fileDialog(const seam::FileDialogRequest& request) override;
    std::optional<uint32_t> colorDialog(const QString& name, uint32_t initial) override;
    int showModal(QObject& dialog) override;
    void beep() override;
    bool openUrl(const QString& url) override;
    std::optional<int> chooseFromMenu(const QString& name, const QStringList& items, QPoint at) override;

private:
    seam::Handler* m_previous = nullptr;
    // The folder each file dialog (by name) was last used in, offered when it opens again
    // without a preset path, as the system's dialogs remember it.
    QHash<QString, QString> m_lastFolder;
};

// What the handler builds, kept apart so that the mapping can be checked without showing
// anything.

// A message box for the system's MB_ flags: buttons "OK" or "OK" and "キャンセル" (Cancel is the
// default with MB_DEFBUTTON2, and answers Escape), the icon of the MB_ICON flags or none. The
// text is shown as plain text.
std::unique_ptr<QMessageBox> createMessageBox(const QString& text, const QString& caption, unsigned flags,
                                              QWidget* parent = nullptr);
// IDOK or IDCANCEL for the button that closed a box made by createMessageBox; a box closed
// without a button (the window's close box) answers as Escape does.
int messageBoxResult(const QMessageBox& box);

// "description|pattern|description|pattern…" (patterns separated by ';') as the toolkit's name
// filters. The description is shown as it is; "*.*" means every file.
QStringList nameFiltersFromFilter(const QString& filter);
// The path with ".ext" appended when its file name has no extension.
QString withDefaultExtension(const QString& path, const QString& defaultExt);
// Sets up a (not yet shown) file dialog for a request.
void configureFileDialog(QFileDialog& dialog, const seam::FileDialogRequest& request);

// The framework's colour numbers (0x00BBGGRR) and back. System colours are resolved: the button
// face, window and text colours as the desktop's palette has them, the others from the classic
// scheme.
QColor qColorFromColorValue(uint32_t value);
uint32_t colorValueFromQColor(const QColor& colour);

// A dialog's exec() result as a modal result: a rejected dialog (Escape, the close box) gives
// mrCancel, anything else what the dialog closed with.
int modalResultFromExec(int execResult);

} // namespace dw
