// Files dropped on the main window: a saved clock opens as Open does; a picture (of any kind the
// picture dialog lists) or a sound goes where the user says, through the same command as its
// menu item, without the file dialog.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/ScrollBox.h"

#include "platform/CommandRunner.h"
#include "platform/FileNames.h"
#include "platform/Seam.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>
#include <QWheelEvent>

namespace dw {

namespace {

// The pictures the editor reads or converts, as the picture dialog lists them.
bool isPictureSuffix(const QString& suffix)
{
    for (const char* picture : {"bmp", "png", "jpg", "jpeg", "gif"})
        if (suffix == QLatin1String(picture))
            return true;
    return false;
}

// The one local file a drag carries, when it is of a kind the editor takes; empty otherwise.
QString droppableFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().front().isLocalFile())
        return {};
    // The path's bytes as the URL carries them: toLocalFile would lose a name that is not UTF-8.
    const QString path = nameFromFileSystem(QByteArray::fromPercentEncoding(mime->urls().front().path(QUrl::FullyEncoded).toLatin1()));
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("pdl") && suffix != QLatin1String("toml") && suffix != QLatin1String("wav")
        && !isPictureSuffix(suffix))
        return {};
    return path;
}

} // namespace

void TMainForm::acceptDroppedFiles()
{
    setAcceptDrops(true);
    Edit1->installEventFilter(this);
    Memo1->installEventFilter(this);
    Memo1->viewport()->installEventFilter(this);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    // Anything else is refused, and the pointer says so while dragging.
    if (droppableFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event)
{
    if (droppableFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QString path = droppableFile(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QPoint at = mapToGlobal(event->position().toPoint());
    runCommand([this, path, at] { dropFile(path, at); });
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ScrollBox1->viewport() && event->type() == QEvent::Wheel)
        return wheelZoom(static_cast<QWheelEvent*>(event));
    const bool textBox = watched == Edit1 || watched == Memo1 || watched == Memo1->viewport();
    // Leaving the author text ends its run of typing (the title has editingFinished).
    if (watched == Memo1 && event->type() == QEvent::FocusOut)
        m_history.closeRun();
    if (textBox) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            // Files go to the window; dropped text stays the boxes' own.
            auto* drop = static_cast<QDropEvent*>(event);
            if (droppableFile(drop->mimeData()).isEmpty() && !drop->mimeData()->hasUrls())
                return false;
            if (event->type() == QEvent::Drop) {
                QDropEvent moved(mapFromGlobal(static_cast<QWidget*>(watched)->mapToGlobal(drop->position())),
                                 drop->possibleActions(), drop->mimeData(), drop->buttons(), drop->modifiers());
                dropEvent(&moved);
                drop->setAccepted(moved.isAccepted());
                if (moved.isAccepted())
                    drop->setDropAction(moved.dropAction());
            } else if (droppableFile(drop->mimeData()).isEmpty()) {
                drop->ignore();
            } else {
                drop->acceptProposedAction();
            }
            return true;
        }
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::dropFile(const QString& path, QPoint globalPosition)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdl") || suffix == QLatin1String("toml")) {
        if (mayReplaceProject())
            openClockFile(path);
        return;
    }
    struct Choice {
        QString caption;
        QAction* item;
    };
    std::vector<Choice> choices;
    QString menuName;
    if (isPictureSuffix(suffix)) {
        menuName = QStringLiteral("PictureDropMenu");
        choices = {{QStringLiteral("文字盤"), Background1},
                   {QStringLiteral("型紙"), M1},
                   {QStringLiteral("時針"), N2},
                   {QStringLiteral("分針"), N3},
                   {QStringLiteral("秒針"), N4},
                   {QStringLiteral("分のアニメーション"), Load5},
                   {QStringLiteral("時のアニメーション"), Load6},
                   {QStringLiteral("零時のアニメーション"), Load7}};
    } else {
        menuName = QStringLiteral("SoundDropMenu");
        choices = {{QStringLiteral("秒"), Load1}, {QStringLiteral("分"), Load2}, {QStringLiteral("時"), Load3},
                   {QStringLiteral("零時"), Load4}};
    }
    QStringList captions;
    for (const Choice& c : choices)
        captions << c.caption;
    const std::optional<int> chosen = seam::chooseFromMenu(menuName, captions, globalPosition);
    if (!chosen || *chosen < 0 || *chosen >= int(choices.size()))
        return;
    // The command takes the dropped file in place of its file dialog; whatever it does, the
    // file is not left waiting for the next command.
    m_droppedFile = path;
    choices[size_t(*chosen)].item->trigger();
    m_droppedFile.reset();
}

} // namespace dw
