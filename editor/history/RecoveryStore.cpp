#include "editor/history/RecoveryStore.h"

#include "platform/SafeFileWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace dw {

namespace {

const QString kCopyPattern = QStringLiteral("recovery-*.dwr");
const QString kAsidePattern = QStringLiteral("aside-*.dwr");

QString lockOf(const QString& copy)
{
    QString lock = copy;
    lock.chop(4);
    return lock + QStringLiteral(".lock");
}

} // namespace

QString RecoveryStore::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/dialwright");
}

RecoveryStore::RecoveryStore(const QString& folder) : m_folder(folder.isEmpty() ? defaultFolder() : folder)
{
    // Every folder made here is the user's alone from the start (the copies hold the project).
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QStringList missing;
    for (QString folder = QDir::cleanPath(m_folder); !folder.isEmpty() && !QFileInfo::exists(folder);
         folder = QFileInfo(folder).path()) {
        missing.prepend(folder);
        if (folder == QFileInfo(folder).path())
            break;
    }
    for (const QString& folder : missing)
        QDir().mkdir(folder, ownerOnly);
    QFile::setPermissions(m_folder, ownerOnly);
    // The process id with the start time: a later process given the same id is another owner.
    const QString own = QStringLiteral("%1/recovery-%2-%3")
                            .arg(m_folder)
                            .arg(QCoreApplication::applicationPid())
                            .arg(QDateTime::currentMSecsSinceEpoch());
    m_copy = own + QStringLiteral(".dwr");
    m_lock = std::make_unique<ProcessLock>(own + QStringLiteral(".lock"));
}

RecoveryStore::~RecoveryStore() = default;

void RecoveryStore::write(const QByteArray& bytes) { writeFileAtomically(m_copy, bytes.constData(), bytes.size()); }

void RecoveryStore::remove() { QFile::remove(m_copy); }

QStringList RecoveryStore::orphans() const
{
    QStringList found;
    const QFileInfoList copies = QDir(m_folder).entryInfoList({kCopyPattern}, QDir::Files, QDir::Time);
    for (const QFileInfo& copy : copies) {
        const QString path = copy.absoluteFilePath();
        if (path != m_copy && !ProcessLock::heldByAnother(lockOf(path)))
            found << path;
    }
    return found; // newest first
}

QString RecoveryStore::setAside(const QString& copy, const QDateTime& now)
{
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = QStringLiteral("%1/aside-%2.dwr").arg(m_folder, stamp);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QStringLiteral("%1/aside-%2-%3.dwr").arg(m_folder, stamp).arg(n);
    if (!QFile::rename(copy, target))
        return QString();
    QFile::remove(lockOf(copy));
    // The dated name counts from now: it is kept kAsideDays from the day it was set aside.
    QFile moved(target);
    if (moved.open(QIODevice::ReadWrite))
        moved.setFileTime(now, QFileDevice::FileModificationTime);
    return target;
}

void RecoveryStore::purgeAside(const QDateTime& now)
{
    for (const QFileInfo& old : QDir(m_folder).entryInfoList({kAsidePattern}, QDir::Files))
        if (old.lastModified().daysTo(now) > kAsideDays)
            QFile::remove(old.absoluteFilePath());
    // A copy half written when its run was killed: ".recovery-<pid>-<start>.dwr.<random>".
    for (const QFileInfo& half : QDir(m_folder).entryInfoList({QStringLiteral(".recovery-*.dwr.*")}, QDir::Files | QDir::Hidden)) {
        QString copy = half.fileName().mid(1);
        copy.truncate(copy.indexOf(QStringLiteral(".dwr.")) + 4);
        if (!ProcessLock::heldByAnother(lockOf(m_folder + QLatin1Char('/') + copy)))
            QFile::remove(half.absoluteFilePath());
    }
}

void RecoveryStore::discard(const QString& copy)
{
    QFile::remove(copy);
    QFile::remove(lockOf(copy));
}

} // namespace dw
