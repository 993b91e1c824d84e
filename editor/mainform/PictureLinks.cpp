#include "editor/mainform/PictureLinks.h"

#include "platform/FileNames.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <sys/stat.h>

namespace dw {

PictureLinks::PictureLinks(QObject* parent) : QObject(parent)
{
    m_watcher = new QFileSystemWatcher(this);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleMs);
    // Every event starts the wait again: a burst of writes is looked at once, when it is over.
    auto changed = [this](const QString&) {
        if (m_enabled)
            m_settle->start(kSettleMs);
    };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(m_settle, &QTimer::timeout, this, &PictureLinks::settled);
    m_poll = new QTimer(this);
    m_poll->setInterval(kUnwatchedPollMs);
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (m_enabled && !m_settle->isActive())
            m_settle->start(0);
    });
}

PictureLinks::~PictureLinks() = default;

PictureLinks::FileState PictureLinks::stateOf(const QString& path)
{
    struct stat st {};
    FileState s;
    if (::stat(fileSystemName(path).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.device = uint64_t(st.st_dev);
    s.inode = uint64_t(st.st_ino);
    s.size = int64_t(st.st_size);
    s.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changedNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

void PictureLinks::follow(const LinkedFiles& files)
{
    if (files == m_files)
        return;
    for (size_t i = 0; i < files.size(); ++i)
        if (files[i] != m_files[i])
            m_states[i] = files[i].isEmpty() ? FileState() : stateOf(files[i]);
    m_files = files;
    watch();
}

void PictureLinks::watch()
{
    // The watch follows the path: a file renamed over or written anew is a new file for the
    // system, and is watched again here after every change.
    // The toolkit's watcher reaches no name that holds a byte that is not UTF-8: such a file (or
    // a file in such a folder) is looked at every kUnwatchedPollMs instead.
    QSet<QString> wanted;
    bool unwatched = false;
    if (m_enabled)
        for (const QString& file : m_files)
            if (!file.isEmpty()) {
                const QString folder = QFileInfo(file).absolutePath();
                if (toolkitReaches(folder))
                    wanted.insert(folder);
                else
                    unwatched = true;
                if (!toolkitReaches(file))
                    unwatched = true;
                else if (fileExists(file))
                    wanted.insert(file);
            }
    if (unwatched && !m_poll->isActive())
        m_poll->start();
    else if (!unwatched)
        m_poll->stop();
    QStringList gone;
    for (const QStringList& list : {m_watcher->files(), m_watcher->directories()})
        for (const QString& path : list)
            if (!wanted.contains(path))
                gone << path;
    if (!gone.isEmpty())
        m_watcher->removePaths(gone);
    QStringList added;
    const QStringList watchedFiles = m_watcher->files(), watchedFolders = m_watcher->directories();
    for (const QString& path : wanted)
        if (!watchedFiles.contains(path) && !watchedFolders.contains(path))
            added << path;
    if (!added.isEmpty())
        m_watcher->addPaths(added);
}

void PictureLinks::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    watch();
    if (on)
        m_settle->start(0); // what changed while off is looked at now
    else
        m_settle->stop();
}

bool PictureLinks::pending() const { return m_settle->isActive(); }

void PictureLinks::settled()
{
    if (!m_enabled)
        return;
    if (m_held && m_held()) {
        m_settle->start(kHeldRetryMs);
        return;
    }
    // The states are taken first: a receiver's step may link other files (follow), and a file
    // that changes again while it is read is looked at after it.
    std::array<bool, kLinkedPictures> changedNow{};
    const LinkedFiles files = m_files;
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].isEmpty())
            continue;
        const FileState now = stateOf(files[i]);
        if (now == m_states[i])
            continue;
        m_states[i] = now;
        // A file removed and not yet written again waits for its next change.
        changedNow[i] = now.exists;
        // A file renamed over or written anew may be watched as the file that was there: its
        // watch is made again.
        if (m_watcher->files().contains(files[i]))
            m_watcher->removePath(files[i]);
    }
    watch();
    for (size_t i = 0; i < files.size(); ++i)
        if (changedNow[i] && m_files[i] == files[i])
            emit changed(LinkedPicture(i), files[i]);
}

} // namespace dw
