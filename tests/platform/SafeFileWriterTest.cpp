#include "platform/FileFaults.h"
#include "platform/FrameworkError.h"
#include "platform/SafeFileWriter.h"

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace dw;
using namespace dw::test;

namespace {

void writeBytes(const QString& path, const Bytes& bytes) { writeFileAtomically(path, bytes.data(), int64_t(bytes.size())); }

mode_t modeOf(const QString& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return st.st_mode & 07777;
}

QStringList everythingIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Runs what with the umask set to mask, then puts the old one back.
template <typename F>
void withUmask(mode_t mask, F what)
{
    const mode_t old = ::umask(mask);
    what();
    ::umask(old);
}

// A folder holding "shared.pdl" ("old", of the mode given): writeBoth writes the bytes to it and
// to a new "new.pdl" under umask 022, then runs `then` under that umask; expectModes checks that
// the new file has the usual 0644 and the replaced one kept its own mode.
class NewAndShared {
public:
    explicit NewAndShared(mode_t sharedMode) : m_sharedMode(sharedMode)
    {
        writeFile(shared, bytesOf("old"));
        EXPECT_EQ(::chmod(QFile::encodeName(shared).constData(), sharedMode), 0);
    }
    void writeBoth(const Bytes& bytes, const std::function<void()>& then = {}) const
    {
        withUmask(022, [&] {
            writeBytes(fresh, bytes);
            writeBytes(shared, bytes);
            if (then)
                then();
        });
    }
    void expectModes() const
    {
        EXPECT_EQ(modeOf(fresh), 0644u) << "the usual mode once complete";
        EXPECT_EQ(modeOf(shared), m_sharedMode) << "its own mode once complete";
    }

    QTemporaryDir dir;
    const QString fresh = dir.filePath(QStringLiteral("new.pdl"));
    const QString shared = dir.filePath(QStringLiteral("shared.pdl"));

private:
    mode_t m_sharedMode;
};

} // namespace

TEST(SafeFileWriter, NewFileHoldsTheBytesWithTheUsualMode)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.pdl"));
    const Bytes bytes = bytesOf(std::string("MSCF\0\0\0\0 data", 13));
    withUmask(022, [&] { writeBytes(path, bytes); });
    EXPECT_EQ(readFile(path), bytes);
    EXPECT_EQ(modeOf(path), 0644u);

    const QString privatePath = dir.filePath(QStringLiteral("private.pdl"));
    withUmask(077, [&] { writeBytes(privatePath, {}); });
    EXPECT_EQ(QFileInfo(privatePath).size(), 0);
    EXPECT_EQ(modeOf(privatePath), 0600u);
    EXPECT_EQ(everythingIn(dir.path()), (QStringList{QStringLiteral("new.pdl"), QStringLiteral("private.pdl")}));
}

TEST(SafeFileWriter, ReplacedFileTakesTheNewBytesAndKeepsItsMode)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clock.pdl"));
    writeFile(path, bytesOf("an older and longer file image"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    writeBytes(path, bytesOf("short"));
    EXPECT_EQ(readFile(path), bytesOf("short"));
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(everythingIn(dir.path()), QStringList{QStringLiteral("clock.pdl")});
}

TEST(SafeFileWriter, OnlyTheUsersOwnLinksAreFollowed)
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.pdl"));
    const QString link = dir.filePath(QStringLiteral("link.pdl"));
    const QString chain = dir.filePath(QStringLiteral("chain.pdl"));
    writeFile(real, bytesOf("old"));
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(QFile::link(QStringLiteral("link.pdl"), chain)); // relative, to the link above
    writeBytes(chain, bytesOf("new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo(chain).isSymLink());
    EXPECT_EQ(readFile(real), bytesOf("new"));

    if (!runningAsRoot())
        GTEST_SKIP() << "only root can make a link that belongs to another user";
    // Another user's link, planted where the user saves (as in a shared folder), directly or
    // behind one of the user's own: the file it points to is not touched.
    const QString planted = dir.filePath(QStringLiteral("planted.pdl"));
    ASSERT_TRUE(QFile::link(real, planted));
    ASSERT_EQ(::lchown(QFile::encodeName(planted).constData(), kOtherUser, kOtherGroup), 0);
    const QString behind = dir.filePath(QStringLiteral("behind.pdl"));
    ASSERT_TRUE(QFile::link(planted, behind));
    for (const QString& path : {planted, behind}) {
        EXPECT_EQ(errorMessageOf([&] { writeBytes(path, bytesOf("overwritten")); }), stock::fileCreateError(path));
        EXPECT_TRUE(QFileInfo(path).isSymLink());
    }
    EXPECT_EQ(readFile(real), bytesOf("new"));
}

namespace {

// Watches a folder from a thread of its own, as another user watching it would: every file made
// there is looked at again and again until it is gone, noting its size and mode each time.
class ModeWatcher {
public:
    struct Seen {
        int64_t size;
        mode_t mode;
        bool operator<(const Seen& o) const { return size != o.size ? size < o.size : mode < o.mode; }
    };

    explicit ModeWatcher(const QString& folder) : m_folder(QFile::encodeName(folder))
    {
        m_inotify = ::inotify_init1(IN_CLOEXEC);
        ::inotify_add_watch(m_inotify, m_folder.constData(), IN_CREATE);
        m_thread = std::thread([this] { run(); });
    }
    ~ModeWatcher() { stop(); }

    // Name → what was seen of it.
    std::map<std::string, std::set<Seen>> stop()
    {
        if (m_thread.joinable()) {
            m_stop = true;
            // A file of its own wakes the thread up.
            ::close(::open((m_folder + "/.stop").constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
            m_thread.join();
            ::unlink((m_folder + "/.stop").constData());
            ::close(m_inotify);
        }
        return m_seen;
    }

private:
    void run()
    {
        alignas(inotify_event) char buffer[4096];
        while (!m_stop) {
            const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const std::string name(event->len ? event->name : "");
                const QByteArray path = m_folder + '/' + name.c_str();
                struct stat st {};
                while (name != ".stop" && ::stat(path.constData(), &st) == 0)
                    m_seen[name].insert({int64_t(st.st_size), mode_t(st.st_mode & 07777)});
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

    QByteArray m_folder;
    int m_inotify = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::map<std::string, std::set<Seen>> m_seen;
};

// Where another user's file stands: a folder of dir with its owner, group and mode, and the
// file in it with its owner, group and mode. dir itself is opened to all for the other user.
struct Owned {
    QString path;
    uid_t owner;
    gid_t group;
    mode_t mode;
};

bool placeOthersFile(const QTemporaryDir& dir, const Owned& folder, const Owned& file, const char* content)
{
    const auto set = [](const Owned& what) {
        const QByteArray name = QFile::encodeName(what.path);
        return ::chown(name.constData(), what.owner, what.group) == 0 && ::chmod(name.constData(), what.mode) == 0;
    };
    if (!QDir().mkdir(folder.path) || ::chmod(QFile::encodeName(dir.path()).constData(), 0755) != 0)
        return false;
    writeFile(file.path, bytesOf(content));
    return set(folder) && set(file);
}

} // namespace

TEST(SafeFileWriter, FileBeingWrittenIsTheUsersAloneUntilItIsComplete)
{
    NewAndShared files(0640);
    // Long enough to be seen while it is written.
    const Bytes image(48u << 20, 0x41);
    ModeWatcher watcher(files.dir.path());
    files.writeBoth(image);
    const auto seen = watcher.stop();
    int hidden = 0;
    for (const auto& [name, sights] : seen) {
        if (name.rfind(".new.pdl.", 0) != 0 && name.rfind(".shared.pdl.", 0) != 0)
            continue;
        ++hidden;
        // Until every byte is there it is 0600; it takes the file's own mode only complete.
        int partial = 0;
        for (const ModeWatcher::Seen& sight : sights) {
            if (sight.size < int64_t(image.size())) {
                ++partial;
                EXPECT_EQ(sight.mode, 0600u) << name << " at " << sight.size << " bytes";
            }
        }
        EXPECT_GT(partial, 0) << name << " was seen while it was written";
    }
    EXPECT_EQ(hidden, 2) << "both files were written through a hidden file";
    files.expectModes();
}

TEST(SafeFileWriter, GroupSharedFileKeepsItsGroupWhenAMemberSavesIt)
{
    if (!runningAsRoot())
        GTEST_SKIP() << "needs a second user and a shared group";
    QTemporaryDir dir;
    // A folder of the group, a file of another user of that group, mode 0660.
    const QString folder = dir.filePath(QStringLiteral("group"));
    const QString path = QDir(folder).filePath(QStringLiteral("clock.pdl"));
    ASSERT_TRUE(placeOthersFile(dir, {folder, 0, kSharedGroup, 0770}, {path, kOtherUser - 1, kSharedGroup, 0660}, "the owner's"));

    // A member of the group, not the owner, saves it.
    const int status = runAsUser(kOtherUser, kOtherGroup, {kSharedGroup}, [&] {
        try {
            writeBytes(path, bytesOf("the member's"));
            return 0;
        } catch (const EFrameworkError&) {
            return 1;
        }
    });
    ASSERT_EQ(status, 0);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(readFile(path), bytesOf("the member's"));
    EXPECT_EQ(st.st_gid, kSharedGroup) << "the group stays, so its owner can still open it";
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    EXPECT_EQ(st.st_uid, kOtherUser) << "a user cannot give a file away";
}

TEST(SafeFileWriter, PathThatCannotBeCreatedRaisesTheCreateErrorWithThePath)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plain"));
    writeFile(file, bytesOf("x"));
    // A folder below a regular file, a missing folder, and a folder in place of the file: none
    // can be written, also by root.
    for (const QString& path : {file + QStringLiteral("/clock.pdl"), dir.filePath(QStringLiteral("none/clock.pdl")), dir.path()}) {
        EXPECT_EQ(errorMessageOf([&] { writeBytes(path, bytesOf("data")); }), stock::fileCreateError(path));
    }
    EXPECT_EQ(readFile(file), bytesOf("x"));
    EXPECT_EQ(everythingIn(dir.path()), QStringList{QStringLiteral("plain")});
}

TEST(SafeFileWriter, WriteProtectedFileIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locked.pdl"));
    writeFile(path, bytesOf("kept"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    EXPECT_THROW(writeBytes(path, bytesOf("lost")), EFrameworkError);
    EXPECT_EQ(readFile(path), bytesOf("kept"));
}

TEST(SafeFileWriter, FailedWriteLeavesTheOldFileAndNoTemporaryFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clock.pdl"));
    const Bytes old = bytesOf("the file as it was before the save");
    writeFile(path, old);
    const Bytes image(64 * 1024, 0x5A);
    withFileSizeLimit(4096, [&] {
        EXPECT_EQ(errorMessageOf([&] { writeBytes(path, image); }), stock::fileWriteError(path)) << "the short write";
    });
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(everythingIn(dir.path()), QStringList{QStringLiteral("clock.pdl")});
}

namespace {

// What lies beside the target at each step of a write: the hidden file's mode when the rename is
// about to be made, seen through the writer's own operations (platform/FileFaults.h).
class RenameWatch {
public:
    explicit RenameWatch(const QString& folder)
    {
        filefaults::failAt(0, 0);
        filefaults::watch([this, folder](filefaults::Operation operation) {
            if (operation != filefaults::Operation::Rename)
                return;
            for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                if (name.startsWith(QLatin1Char('.')))
                    m_modesAtRename.push_back(modeOf(QDir(folder).filePath(name)));
        });
    }
    ~RenameWatch()
    {
        filefaults::watch({});
        filefaults::failAt(0, 0);
    }
    const std::vector<mode_t>& modesAtRename() const { return m_modesAtRename; }

private:
    std::vector<mode_t> m_modesAtRename;
};

} // namespace

// The hidden file is complete some time before it is renamed into place; until that rename has
// been made it is the user's alone, and the file's own mode (0644 here, the replaced file's 0666)
// comes after it. A refused rename leaves nothing.
TEST(SafeFileWriter, ModeIsWidenedOnlyAfterTheRename)
{
    NewAndShared files(0666);
    RenameWatch watch(files.dir.path());
    files.writeBoth(bytesOf("new"), [&] {
        // The rename refused, as another user's file in a sticky folder refuses it: the last
        // operation of a write.
        const int64_t perWrite = filefaults::counted() / 2;
        filefaults::failAt(perWrite, EPERM);
        EXPECT_THROW(writeBytes(files.shared, bytesOf("secret")), EFrameworkError);
    });
    EXPECT_EQ(watch.modesAtRename(), (std::vector<mode_t>{0600, 0600, 0600}));
    files.expectModes();
    EXPECT_EQ(readFile(files.shared), bytesOf("new"));
    EXPECT_EQ(everythingIn(files.dir.path()), (QStringList{QStringLiteral("new.pdl"), QStringLiteral("shared.pdl")}));
}

// The real case: another user's 0666 file in a sticky folder open to all. The kernel refuses the
// rename; the whole new content was never readable by that user meanwhile.
TEST(SafeFileWriter, ReplaceRefusedInAStickyFolderShowsNothing)
{
    if (!runningAsRoot())
        GTEST_SKIP() << "needs a second user";
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("shared"));
    const QString path = QDir(folder).filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(placeOthersFile(dir, {folder, 0, 0, 01777}, {path, kOtherUser - 1, kOtherGroup, 0666}, "the other user's"));

    const int status = runAsUser(kOtherUser, kOtherGroup, {}, [&] {
        RenameWatch watch(folder);
        try {
            writeBytes(path, bytesOf("the user's whole picture"));
            return 1; // the sticky folder refuses the rename
        } catch (const EFrameworkError&) {
        }
        return watch.modesAtRename() == std::vector<mode_t>{0600} ? 0 : 2;
    });
    EXPECT_EQ(status, 0) << "1: the rename was made, 2: the hidden file was readable before it";
    EXPECT_EQ(readFile(path), bytesOf("the other user's"));
    EXPECT_EQ(everythingIn(folder), QStringList{QStringLiteral("picture.png")});
}

namespace {

int openDescriptors() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size()); }

} // namespace

// Every operation of a write made to fail in turn, for both writers: the folder, the file
// written through and its kept twin are closed on every path, and the folder writer's own
// folder when it goes.
TEST(SafeFileWriter, NoDescriptorStaysOpenWhateverFails)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clock.pdl"));
    const Bytes old = bytesOf("before"), image(5000, 0x33);
    const int before = openDescriptors();
    const struct {
        const char* name;
        std::function<bool()> write; // whether the file was written
    } writers[] = {
        {"writeFileAtomically",
         [&] {
             try {
                 writeBytes(path, image);
                 return true;
             } catch (const EFrameworkError&) {
                 return false;
             }
         }},
        {"FolderWriter",
         [&] {
             FolderWriter folder(dir.path());
             return folder.write(QStringLiteral("clock.pdl"), image.data(), int64_t(image.size())).isEmpty();
         }},
    };
    for (const auto& writer : writers) {
        writeFile(path, old);
        filefaults::failAt(0, 0);
        ASSERT_TRUE(writer.write());
        const int64_t operations = filefaults::counted();
        ASSERT_GE(operations, 6) << writer.name;
        for (int64_t n = 1; n <= operations; ++n) {
            SCOPED_TRACE(testing::Message() << writer.name << ", operation " << n);
            writeFile(path, old);
            filefaults::failAt(n, EIO);
            const bool written = writer.write();
            filefaults::failAt(0, 0);
            EXPECT_FALSE(written);
            EXPECT_EQ(readFile(path), old);
            EXPECT_EQ(openDescriptors(), before);
        }
    }
    EXPECT_EQ(everythingIn(dir.path()), QStringList{QStringLiteral("clock.pdl")});
}
