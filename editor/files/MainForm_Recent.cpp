// Recent files: the clocks saved or opened last, in the File menu and in the settings file.
#include "editor/mainform/EditorUnit.h"

#include "platform/CommandRunner.h"
#include "platform/ProfileFile.h"
#include "platform/Seam.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace dw {

namespace {

const QString kRecent = QStringLiteral("Recent");

QString keyOf(int n) { return QStringLiteral("File%1").arg(n + 1); }

// A path as a menu caption: "&" would mark an access key.
QString captionOf(int n, const QString& path)
{
    QString shown = QDir::toNativeSeparators(path);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(n + 1).arg(shown);
}

} // namespace

void TMainForm::rememberRecentFile(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > kMaxRecentFiles)
        m_recentFiles.removeLast();
    updateRecentItems();
}

void TMainForm::readRecentFiles(const ProfileFile& ini)
{
    m_recentFiles.clear();
    for (int n = 0; n < kMaxRecentFiles; ++n) {
        const std::optional<QString> path = ini.readString(kRecent, keyOf(n));
        if (path && !path->isEmpty() && QDir::isAbsolutePath(*path) && !m_recentFiles.contains(*path))
            m_recentFiles << *path;
    }
    updateRecentItems();
}

void TMainForm::writeRecentFiles(ProfileFile& ini) const
{
    int n = 0;
    for (const QString& path : m_recentFiles)
        // A name with a line end cannot be one line of the file.
        if (!path.contains(QLatin1Char('\n')) && !path.contains(QLatin1Char('\r')))
            ini.WriteString(kRecent, keyOf(n++), path);
    for (; n < kMaxRecentFiles; ++n)
        ini.DeleteKey(kRecent, keyOf(n));
}

QAction* TMainForm::recentItem(int n) const { return n >= 0 && n < m_recentItems.size() ? m_recentItems[n] : nullptr; }

void TMainForm::updateRecentItems()
{
    QMenu* menu = submenu(QStringLiteral("Recent1"));
    if (!menu)
        return;
    qDeleteAll(m_recentItems);
    m_recentItems.clear();
    const QList<QAction*> existing = menu->actions();
    QAction* separator = existing.size() > 1 ? existing[existing.size() - 2] : nullptr;
    if (!separator || !separator->isSeparator())
        separator = menu->insertSeparator(RecentClear1);
    for (int n = 0; n < m_recentFiles.size(); ++n) {
        auto* item = new QAction(captionOf(n, m_recentFiles[n]), menu);
        item->setObjectName(QStringLiteral("Recent%1").arg(n + 1) + QStringLiteral("File"));
        item->setStatusTip(m_recentFiles[n]);
        const QString path = m_recentFiles[n];
        connect(item, &QAction::triggered, this, [this, path] { runCommand([this, path] { openRecentFile(path); }); });
        menu->insertAction(separator, item);
        m_recentItems << item;
    }
    separator->setVisible(!m_recentFiles.isEmpty());
    RecentClear1->setEnabled(!m_recentFiles.isEmpty());
    Recent1->setEnabled(!m_recentFiles.isEmpty());
}

void TMainForm::openRecentFile(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        m_recentFiles.removeAll(path);
        updateRecentItems();
        seam::messageBox(QStringLiteral("「%1」が見つかりません。\n最近使ったファイルの一覧から外しました。").arg(path),
                         seam::applicationTitle(), seam::MB_OK | seam::MB_ICONWARNING);
        return;
    }
    if (mayReplaceProject())
        openClockFile(path);
}

} // namespace dw
