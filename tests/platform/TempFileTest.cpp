#include "platform/TempFile.h"

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

using namespace dw;
using namespace dw::test;

namespace {

// Sets an environment variable (nothing: unsets it) for the life of the object.
class EnvSetting {
public:
    EnvSetting(const char* name, const std::optional<QString>& value) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_old = qEnvironmentVariable(name);
        set(value);
    }
    ~EnvSetting() { set(m_old); }

private:
    void set(const std::optional<QString>& value)
    {
        if (value)
            qputenv(m_name, value->toLocal8Bit());
        else
            qunsetenv(m_name);
    }
    const char* m_name;
    std::optional<QString> m_old;
};

class TmpDirSetting : public EnvSetting {
public:
    explicit TmpDirSetting(const std::optional<QString>& value) : EnvSetting("TMPDIR", value) {}
};

// A folder inside dir with the given mode, as the test needs it.
QString folderWithMode(const QTemporaryDir& dir, const char* name, mode_t mode)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(QDir().mkdir(path));
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    return path;
}

struct stat statOf(const QString& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

} // namespace

TEST(TempFile, TempPathIsTmpdirWithOneTrailingSeparatorOrEmptyWithoutThatFolder)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("file"));
    writeFile(file, {});
    const std::pair<std::optional<QString>, QString> cases[] = {
        {dir.path(), dir.path() + QLatin1Char('/')},
        {dir.path() + QLatin1Char('/'), dir.path() + QLatin1Char('/')},
        {std::nullopt, QStringLiteral("/tmp/")},
        {QString(), QStringLiteral("/tmp/")}, // set but empty counts as unset
        {dir.filePath(QStringLiteral("missing")), QString()},
        {file, QString()},
    };
    for (const auto& [tmpdir, expected] : cases) {
        TmpDirSetting setting(tmpdir);
        EXPECT_EQ(tempPath(), expected) << tmpdir.value_or(QStringLiteral("(unset)")).toStdString();
    }
}

TEST(TempFile, EachCallCreatesAnotherEmptyFileWithThePrefix)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QRegularExpression shape(QStringLiteral("^\\$PD[0-9A-F]{4}\\.TMP$"));
    QSet<QString> names;
    for (int i = 0; i < 200; ++i) {
        const QString path = tempFileName(folder, QStringLiteral("$PD"));
        ASSERT_FALSE(path.isEmpty());
        const QFileInfo info(path);
        EXPECT_EQ(info.absolutePath(), dir.path());
        EXPECT_TRUE(info.isFile());
        EXPECT_EQ(info.size(), 0);
        EXPECT_TRUE(shape.match(info.fileName()).hasMatch()) << info.fileName().toStdString();
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 200);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 200);

    // A folder without its trailing separator does as well; only three prefix characters count.
    const QString cab = tempFileName(dir.path(), QStringLiteral("cabinet"));
    EXPECT_TRUE(QFileInfo(cab).fileName().startsWith(QStringLiteral("cab"))) << cab.toStdString();
    EXPECT_FALSE(QFileInfo(cab).fileName().startsWith(QStringLiteral("cabi")));
    EXPECT_EQ(QFileInfo(cab).absolutePath(), dir.path());
}

TEST(TempFile, GivenUniqueNumberOnlyMakesTheName)
{
    QTemporaryDir dir;
    const QString path = tempFileName(dir.path(), QStringLiteral("$PD"), 0x1A2B);
    EXPECT_EQ(path, dir.path() + QStringLiteral("/$PD1A2B.TMP"));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(TempFile, NoFileInAFolderThatCannotBeWritten)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("file"));
    writeFile(file, {});
    EXPECT_TRUE(tempFileName(dir.filePath(QStringLiteral("missing")), QStringLiteral("$PD")).isEmpty());
    EXPECT_TRUE(tempFileName(file, QStringLiteral("$PD")).isEmpty()) << "a regular file is no folder, also for root";
    EXPECT_TRUE(tempFileName(QString(), QStringLiteral("$PD")).isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("file")});
}

TEST(TempFile, PrivateFolderIsTheRuntimeFolderOnlyWhenNoOneElseMayEnterIt)
{
    QTemporaryDir dir;
    const QString runtime = folderWithMode(dir, "runtime", 0700);
    const QString open = folderWithMode(dir, "open", 0755);
    const QString shared = folderWithMode(dir, "shared", 01777);
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(runtime, link));
    const TmpDirSetting tmp(shared);
    {
        const EnvSetting xdg("XDG_RUNTIME_DIR", runtime);
        EXPECT_EQ(privateTempPath(), runtime + QLatin1Char('/'));
    }
    // A runtime folder that others may enter, one reached through a link, or none: a folder of
    // the program's own in the shared temporary folder.
    const QRegularExpression made(QStringLiteral("^%1/dialwright-[A-Za-z0-9]{6}/$").arg(QRegularExpression::escape(shared)));
    QString first;
    for (const std::optional<QString>& value : {std::optional<QString>(open), std::optional<QString>(link), std::optional<QString>()}) {
        const EnvSetting xdg("XDG_RUNTIME_DIR", value);
        const QString folder = privateTempPath();
        EXPECT_TRUE(made.match(folder).hasMatch()) << folder.toStdString();
        if (first.isEmpty())
            first = folder;
        EXPECT_EQ(folder, first) << "made once";
        const struct stat st = statOf(folder);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        EXPECT_EQ(st.st_uid, ::geteuid());
    }
    // Gone, or opened to others meanwhile: another one is made.
    ASSERT_EQ(::chmod(QFile::encodeName(first).constData(), 0755), 0);
    const QString second = privateTempPath();
    EXPECT_NE(second, first);
    EXPECT_EQ(statOf(second).st_mode & 07777, 0700u);
    ASSERT_TRUE(QDir(second).removeRecursively());
    const QString third = privateTempPath();
    EXPECT_TRUE(made.match(third).hasMatch()) << third.toStdString();
    EXPECT_TRUE(QFileInfo(third).isDir());
}

TEST(TempFile, OtherUsersCanNeitherEnterNorMakeNamesInThePrivateFolder)
{
    QTemporaryDir dir;
    const QString shared = folderWithMode(dir, "shared", 01777);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const TmpDirSetting tmp(shared);
    const EnvSetting xdg("XDG_RUNTIME_DIR", std::nullopt);
    const QString folder = privateTempPath();
    const QString file = tempFileName(folder, QStringLiteral("$PD"));
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(statOf(file).st_mode & 07777, 0600u);
    if (!runningAsRoot())
        GTEST_SKIP() << "needs a second user";
    const QByteArray folderName = QFile::encodeName(folder);
    const QByteArray fileName = QFile::encodeName(file);
    const int status = runAsUser(kOtherUser, kOtherGroup, {}, [&] {
        if (DIR* d = ::opendir(folderName.constData())) {
            ::closedir(d);
            return 1; // could list the names
        }
        if (::open(fileName.constData(), O_RDONLY) >= 0)
            return 2; // could read the file
        if (::open((folderName + "$PD0001.TMP").constData(), O_CREAT | O_EXCL | O_WRONLY, 0600) >= 0)
            return 3; // could take a name
        return errno == EACCES ? 0 : 4;
    });
    EXPECT_EQ(status, 0);
}

TEST(TempFile, PrivateFolderAndWhatIsLeftInItGoWhenTheProgramEnds)
{
    QTemporaryDir dir;
    const QString shared = folderWithMode(dir, "shared", 0700);
    const TmpDirSetting tmp(shared);
    const EnvSetting xdg("XDG_RUNTIME_DIR", std::nullopt);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // A program of its own that makes its folder, leaves a file there and ends.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        const QString folder = privateTempPath();
        const bool made = !folder.isEmpty() && !tempFileName(folder, QStringLiteral("$PD")).isEmpty();
        std::exit(made ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(QDir(shared).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        << QDir(shared).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).join(' ').toStdString();
}
