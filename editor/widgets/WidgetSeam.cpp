#include "editor/widgets/WidgetSeam.h"

#include "editor/Application.h"

#include "platform/Color.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QUrl>

namespace dw {

namespace {

const char kOkText[] = "OK";
const char kCancelText[] = "キャンセル";
constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kDefaultMask = 0xF00;

// Dialogs belong to the window the user works in, so that they are centred on it.
QWidget* dialogParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QMessageBox::Icon iconFor(unsigned flags)
{
    switch (flags & kIconMask) {
    case seam::MB_ICONERROR:
        return QMessageBox::Critical;
    case seam::MB_ICONQUESTION:
        return QMessageBox::Question;
    case seam::MB_ICONWARNING:
        return QMessageBox::Warning;
    case seam::MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// Windows' "*.*" matches every name, also one without a dot; "*" is that pattern here.
QString patternsOf(const QString& patterns)
{
    QStringList out;
    for (const QString& part : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString p = part.trimmed();
        if (!p.isEmpty())
            out << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

std::unique_ptr<QMessageBox> createMessageBox(const QString& text, const QString& caption, unsigned flags,
                                              QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(caption);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setIcon(iconFor(flags));
    QPushButton* ok = box->addButton(QString::fromUtf8(kOkText), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    QPushButton* fallback = ok;
    // Of the system's button sets only OK and OK/Cancel are used; any other set shows OK.
    if ((flags & kButtonMask) == seam::MB_OKCANCEL) {
        QPushButton* cancel = box->addButton(QString::fromUtf8(kCancelText), QMessageBox::RejectRole);
        cancel->setObjectName(QStringLiteral("Cancel"));
        fallback = cancel;
        box->setDefaultButton((flags & kDefaultMask) == seam::MB_DEFBUTTON2 ? cancel : ok);
    } else {
        box->setDefaultButton(ok);
    }
    box->setEscapeButton(fallback);
    return box;
}

int messageBoxResult(const QMessageBox& box)
{
    const QAbstractButton* clicked = box.clickedButton();
    if (!clicked)
        clicked = box.escapeButton();
    return clicked && clicked->objectName() == QLatin1String("Cancel") ? seam::IDCANCEL : seam::IDOK;
}

QStringList nameFiltersFromFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    // Pairs of description and patterns; a description without patterns at the end is
    // ignored, as the system's dialog does.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = patternsOf(parts[i + 1]);
        if (patterns.isEmpty())
            continue;
        // The toolkit takes the patterns from the last parenthesis of the filter and, with
        // HideNameFilterDetails, shows what comes before it: the description as given.
        const QString description = parts[i].trimmed().isEmpty() ? patterns : parts[i];
        filters << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return filters;
}

QString withDefaultExtension(const QString& path, const QString& defaultExt)
{
    if (defaultExt.isEmpty() || path.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || (name.contains(QLatin1Char('.')) && !name.endsWith(QLatin1Char('.'))))
        return path;
    return name.endsWith(QLatin1Char('.')) ? path + defaultExt : path + QLatin1Char('.') + defaultExt;
}

void configureFileDialog(QFileDialog& dialog, const seam::FileDialogRequest& request)
{
    const bool save = request.kind == seam::FileDialogRequest::Save;
    dialog.setObjectName(request.name);
    dialog.setWindowTitle(!request.title.isEmpty() ? request.title
                          : save                   ? QStringLiteral("名前を付けて保存")
                                                   : QStringLiteral("開く"));
    // The toolkit's own dialog: it honours the default extension, the must-exist rule and the
    // overwrite question everywhere, and speaks Japanese with the toolkit's translation.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(save && request.overwritePrompt));
    dialog.setDefaultSuffix(request.defaultExt);
    const QStringList filters = nameFiltersFromFilter(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    const QFileInfo preset(request.fileName);
    const bool presetFolder = request.fileName.contains(QLatin1Char('/'));
    if (!request.initialDir.isEmpty() && QFileInfo(request.initialDir).isDir()) {
        dialog.setDirectory(request.initialDir);
        // The preset name is offered only where it is: a name from another folder would open
        // a file of that name here.
        if (!request.fileName.isEmpty()
            && (!presetFolder || QDir(preset.absolutePath()) == QDir(request.initialDir)))
            dialog.selectFile(preset.fileName());
        return;
    }
    if (!request.fileName.isEmpty()) {
        if (presetFolder)
            dialog.setDirectory(preset.absolutePath());
        dialog.selectFile(preset.fileName());
    }
}

QColor qColorFromColorValue(uint32_t value)
{
    // The system colours the program uses are the desktop's own.
    if (value & 0x80000000u) {
        const QPalette palette = QApplication::palette();
        switch (value & 0xFF) {
        case 5: // window background
            return palette.color(QPalette::Base);
        case 8: // window text
            return palette.color(QPalette::Text);
        case 15: // button face
            return palette.color(QPalette::Button);
        case 18: // button text
            return palette.color(QPalette::ButtonText);
        default:
            break;
        }
    }
    const uint32_t rgb = ColorToRGB(static_cast<TColor>(value));
    return QColor(redOf(rgb), greenOf(rgb), blueOf(rgb));
}

uint32_t colorValueFromQColor(const QColor& colour)
{
    const QColor c = colour.toRgb();
    return rgbOf(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
}

int modalResultFromExec(int execResult) { return execResult == QDialog::Rejected ? seam::mrCancel : execResult; }

WidgetSeamHandler::WidgetSeamHandler() : m_previous(seam::install(this)) {}

WidgetSeamHandler::~WidgetSeamHandler() { seam::install(m_previous); }

int WidgetSeamHandler::messageBox(const QString& text, const QString& caption, unsigned flags)
{
    const std::unique_ptr<QMessageBox> box = createMessageBox(text, caption, flags, dialogParent());
    box->exec();
    return messageBoxResult(*box);
}

void WidgetSeamHandler::errorBox(const QString& message)
{
    messageBox(message, seam::applicationTitle(), seam::MB_OK | seam::MB_ICONERROR);
}

std::optional<QString> WidgetSeamHandler::fileDialog(const seam::FileDialogRequest& request)
{
    QFileDialog dialog(dialogParent());
    if (!request.fileName.contains(QLatin1Char('/'))) {
        const auto folder = m_lastFolder.constFind(request.name);
        if (folder != m_lastFolder.constEnd())
            dialog.setDirectory(*folder);
    }
    configureFileDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = withDefaultExtension(dialog.selectedFiles().constFirst(), request.defaultExt);
    m_lastFolder.insert(request.name, QFileInfo(path).absolutePath());
    return path;
}

std::optional<uint32_t> WidgetSeamHandler::colorDialog(const QString& name, uint32_t initial)
{
    QColorDialog dialog(qColorFromColorValue(initial), dialogParent());
    dialog.setObjectName(name);
    dialog.setWindowTitle(QStringLiteral("色の設定"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return colorValueFromQColor(dialog.selectedColor());
}

int WidgetSeamHandler::showModal(QObject& dialog)
{
    auto* widget = qobject_cast<QDialog*>(&dialog);
    // Only dialogs are shown modally; anything else is a programming error and answers Cancel.
    if (!widget) {
        qWarning("showModal: %s is not a dialog", qPrintable(dialog.objectName()));
        return seam::mrCancel;
    }
    // A dialog is shown once at a time: asked again while it is open (a command that reached
    // the window while the dialog was still closing), it is not shown a second time, and the
    // user hears that nothing happened.
    if (widget->isVisible()) {
        QApplication::beep();
        return seam::mrCancel;
    }
    return modalResultFromExec(widget->exec());
}

void WidgetSeamHandler::beep() { QApplication::beep(); }

bool WidgetSeamHandler::openUrl(const QString& url) { return QDesktopServices::openUrl(QUrl(url)); }

std::optional<int> WidgetSeamHandler::chooseFromMenu(const QString& name, const QStringList& items, QPoint at)
{
    QMenu menu;
    menu.setObjectName(name);
    menu.setFont(formFont());
    for (const QString& item : items)
        menu.addAction(item);
    QAction* chosen = menu.exec(at);
    if (!chosen)
        return std::nullopt;
    return int(menu.actions().indexOf(chosen));
}

} // namespace dw
