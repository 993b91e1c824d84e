#pragma once

// The files the project's pictures were taken from, followed on the disk: when one changes, the
// editor reads it again.
//
// Image editors save by writing a new file and renaming it over the old one, or by removing the
// file and writing it again, so the watch is on the path, not on the file that was there: each
// file and its folder are watched, and a file is looked at again after every change in either.
// A change is taken only once the file has settled (no event for kSettleMs; a burst of writes is
// one change), and only when the file is no longer what it was when last read (its time, size
// and identity), so that another file of the folder changing reloads nothing.

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

class QFileSystemWatcher;
class QTimer;

namespace dw {

// The pictures that may come from a file, in the order of the project snapshot's linkedFiles.
enum class LinkedPicture { Dial, Hour, Minute, Second, Mask, MinuteStrip, HourStrip, ZeroStrip };
constexpr size_t kLinkedPictures = 8;
// The file of each picture (absolute path); empty for one that is not linked to a file.
using LinkedFiles = std::array<QString, kLinkedPictures>;

class PictureLinks : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 150;
    // While reloading must wait, the settled change is looked at again this often.
    static constexpr int kHeldRetryMs = 200;
    // A file in a folder the system's watch cannot be given (its name holds a byte that is not
    // UTF-8) is looked at this often.
    static constexpr int kUnwatchedPollMs = 1000;

    explicit PictureLinks(QObject* parent = nullptr);
    ~PictureLinks() override;

    // Follows these files from now on. A file newly linked is taken as it is now (it was just
    // read); one no longer linked is let go.
    void follow(const LinkedFiles& files);
    const LinkedFiles& files() const { return m_files; }

    // While held (a modal dialog or a test play runs), a settled change waits; it is reloaded
    // once the hold ends.
    void setHold(std::function<bool()> held) { m_held = std::move(held); }

    // Off: changes are not looked at. On again: a file that changed meanwhile is reloaded.
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }

    // Whether a change is waiting to be looked at (settling, or held).
    bool pending() const;

signals:
    // The file of that picture changed and has settled; the receiver reads it again. A file
    // that cannot be taken yet is reported again at its next change.
    void changed(dw::LinkedPicture which, const QString& path);

private:
    struct FileState {
        bool exists = false;
        uint64_t device = 0, inode = 0;
        int64_t size = 0, modifiedNs = 0, changedNs = 0;
        bool operator==(const FileState&) const = default;
    };
    static FileState stateOf(const QString& path);
    void watch();
    void settled();

    LinkedFiles m_files;
    std::array<FileState, kLinkedPictures> m_states{};
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_settle = nullptr;
    QTimer* m_poll = nullptr;
    std::function<bool()> m_held;
    bool m_enabled = true;
};

} // namespace dw
