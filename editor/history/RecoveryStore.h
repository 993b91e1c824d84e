#pragma once

// Where the recovery copies live: the user's state folder ($XDG_STATE_HOME/dialwright, or
// ~/.local/state/dialwright). Each running editor has a copy of its own,
// "recovery-<pid>-<start>.dwr", and holds the lock on "recovery-<pid>-<start>.lock" for as long as
// it runs; a copy whose lock nobody holds was left by a run that did not end normally. Copies set
// aside by the user ("aside-<date>.dwr") are kept for 30 days.
//
// The copies hold the user's work, and what is restored from them becomes the user's project, so
// the folder is used only when it is the user's and no one else may write in it (it is made
// 0700, and closed to others when it is not); otherwise nothing is kept and unusableReason() says
// why. The folder is opened once and everything in it is named from there: a copy or a lock is a
// regular file of the user's, 0600, opened without following a link and without waiting.

#include <QDateTime>
#include <QFile>
#include <QString>

#include <memory>
#include <vector>

namespace dw {

class FolderWriter;
struct RecoveryCopyPieces;
class ProcessLock;

constexpr int kAsideDays = 30;
// How soon after a change the copy is written (changes within it go into one writing).
constexpr int kRecoveryDelayMs = 2000;

class RecoveryStore {
public:
    // The folder is made when missing (0700); `folder` empty: the user's state folder.
    explicit RecoveryStore(const QString& folder = QString());
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    static QString defaultFolder();
    const QString& folder() const { return m_folder; }
    // Why no copies are kept, in the user's words; empty while they are.
    const QString& unusableReason() const { return m_unusable; }
    bool usable() const { return m_unusable.isEmpty(); }
    // This process's copy.
    const QString& ownCopy() const { return m_copy; }

    // Writes this process's copy atomically (the previous one stays whole until the new one is
    // complete). Raises EFrameworkError when it cannot be written, or the folder is not used.
    void write(const QByteArray& bytes);
    // The same a piece at a time, so that the copy is never held whole beside the project.
    void write(const RecoveryCopyPieces& copy);
    // Removes this process's copy; nothing when there is none.
    void remove();

    // A copy of another run's, open for reading. A claimed copy is this editor's to offer: no
    // other editor offers, restores or sets it aside while the claim lives.
    class Copy {
    public:
        ~Copy();
        Copy(const Copy&) = delete;
        Copy& operator=(const Copy&) = delete;
        const QString& path() const { return m_path; }
        // When it was last written: when its clock was last changed.
        const QDateTime& changed() const { return m_changed; }
        bool claimed() const { return m_claimed; }
        // Set aside (by the user, or when it could not be read), rather than left by a run.
        bool aside() const { return m_name.startsWith(QLatin1String("aside-")); }
        // Its bytes; the reader seeks to the start first.
        QFile& file() { return m_file; }

    private:
        friend class RecoveryStore;
        Copy() = default;
        QString m_name, m_path;
        QDateTime m_changed;
        int m_fd = -1;
        QFile m_file;
        bool m_claimed = false;
        std::unique_ptr<ProcessLock> m_lock; // a left copy's: the lock its run held
    };

    // The copies left by runs that ended without removing theirs, newest first, each claimed (a
    // copy another editor holds is left to it).
    std::vector<std::unique_ptr<Copy>> claimOrphans();
    // The copies set aside, newest first, open but not claimed.
    std::vector<std::unique_ptr<Copy>> asideCopies();
    // Claims a copy set aside; false when another editor has it or it has gone.
    bool claim(Copy& copy);
    // Moves a claimed copy aside under a name dated `now` (its file keeps its time); returns the
    // new path (empty when it could not). The copy stays claimed under its new name.
    QString setAside(Copy& copy, const QDateTime& now = QDateTime::currentDateTime());
    // Removes a claimed copy (and the lock its run held).
    void discard(Copy& copy);
    // Removes the copies set aside more than kAsideDays ago, copies left half written by runs
    // that were killed while writing them, and the locks of runs that are gone.
    void purge(const QDateTime& now = QDateTime::currentDateTime());

private:
    std::unique_ptr<Copy> open(const QString& name);
    int folderFd() const;

    QString m_folder;
    QString m_unusable;
    QString m_copyName;
    QString m_copy;
    std::unique_ptr<FolderWriter> m_writer;
    std::unique_ptr<ProcessLock> m_lock;
};

} // namespace dw
