#pragma once

// Where the recovery copies live: the user's state folder ($XDG_STATE_HOME/dialwright, or
// ~/.local/state/dialwright). Each running editor has a copy of its own,
// "recovery-<pid>-<start>.dwr", and holds the lock on "recovery-<pid>-<start>.lock" for as long as
// it runs; a copy whose lock nobody holds was left by a run that did not end normally. Copies set
// aside by the user ("aside-<date>.dwr") are kept for 30 days.

#include "platform/ProcessLock.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

namespace dw {

constexpr int kAsideDays = 30;
// How soon after a change the copy is written (changes within it go into one writing).
constexpr int kRecoveryDelayMs = 2000;

class RecoveryStore {
public:
    // The folder is made when missing (0700); `folder` empty: the user's state folder.
    explicit RecoveryStore(const QString& folder = QString());
    ~RecoveryStore();

    static QString defaultFolder();
    const QString& folder() const { return m_folder; }
    // This process's copy.
    const QString& ownCopy() const { return m_copy; }

    // Writes this process's copy atomically (the previous one stays whole until the new one is
    // complete). Raises EFrameworkError when it cannot be written.
    void write(const QByteArray& bytes);
    // Removes this process's copy; nothing when there is none.
    void remove();

    // The copies left by runs that ended without removing theirs, newest first.
    QStringList orphans() const;
    // Moves a copy aside under a dated name; returns the new path (empty when it could not).
    QString setAside(const QString& copy, const QDateTime& now = QDateTime::currentDateTime());
    // Removes the copies set aside more than kAsideDays ago, and copies left half written by runs
    // that were killed while writing them.
    void purgeAside(const QDateTime& now = QDateTime::currentDateTime());
    // Takes a copy left by another run: removes it and its lock file.
    void discard(const QString& copy);

private:
    QString m_folder;
    QString m_copy;
    std::unique_ptr<ProcessLock> m_lock;
};

} // namespace dw
