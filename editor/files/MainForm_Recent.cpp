// Recent files: the clocks saved or opened last, in the File menu and in the settings file.
#include "editor/mainform/EditorUnit.h"

#include "platform/CommandRunner.h"
#include "platform/FileNames.h"
#include "platform/ProfileFile.h"
#include "platform/Seam.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <algorithm>

namespace dw {

namespace {

const QString kRecent = QStringLiteral("Recent");

QString keyOf(int n) { return QStringLiteral("File%1").arg(n + 1); }

// A name in the settings file: one line of UTF-8, blanks around it trimmed. A name that can be
// such a line goes as it is (an absolute name, so it begins with "/"). Any other name (a blank
// at either end, a control character, a byte that is not UTF-8, see FileNames.h) goes with its
// first "/", every "%" and every such byte or character as %XX of their bytes, so that it begins
// with "%2F" and comes back exactly as the file system has it.
bool storedAsItIs(const QString& path)
{
    if (path.startsWith(QLatin1Char(' ')) || path.endsWith(QLatin1Char(' ')))
        return false;
    return std::none_of(path.begin(), path.end(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F || (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF);
    });
}

QString storedName(const QString& path)
{
    if (storedAsItIs(path))
        return path;
    QString out;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path[i].unicode();
        const bool escaped = c >= 0xDC80 && c <= 0xDCFF;
        if (escaped || c < 0x20 || c == 0x7F || c == u'%' || (i == 0 && c == u'/') || ((i == 0 || i + 1 == path.size()) && c == u' ')) {
            for (const char byte : fileSystemName(QString(QChar(c))))
                out += QStringLiteral("%%1").arg(uint8_t(byte), 2, 16, QLatin1Char('0')).toUpper();
        } else {
            out += QChar(c);
        }
    }
    return out;
}

QString nameStored(const QString& stored)
{
    if (!stored.startsWith(QLatin1String("%2F"), Qt::CaseInsensitive))
        return stored;
    return nameFromFileSystem(QByteArray::fromPercentEncoding(stored.toUtf8()));
}

// A path as a menu caption: "&" would mark an access key.
QString captionOf(int n, const QString& path)
{
    QString shown = QDir::toNativeSeparators(path);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    // A byte that is no UTF-8 shows as the replacement character.
    for (QChar& c : shown)
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            c = QChar::ReplacementCharacter;
    return QStringLiteral("&%1 %2").arg(n + 1).arg(shown);
}

} // namespace

void TMainForm::rememberRecentFile(const QString& path)
{
    if (path.isEmpty())
        return;
    // By the name's characters alone, so that a name that is not UTF-8 stays as it is.
    const QString absolute = QDir::current().absoluteFilePath(path);
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
        const std::optional<QString> stored = ini.readString(kRecent, keyOf(n));
        const QString path = stored ? nameStored(*stored) : QString();
        if (!path.isEmpty() && QDir::isAbsolutePath(path) && !m_recentFiles.contains(path))
            m_recentFiles << path;
    }
    updateRecentItems();
}

void TMainForm::writeRecentFiles(ProfileFile& ini) const
{
    int n = 0;
    for (const QString& path : m_recentFiles)
        ini.WriteString(kRecent, keyOf(n++), storedName(path));
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
    if (!fileExists(path)) {
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
