#include "platform/FrameworkError.h"
#include "platform/SafeFileWriter.h"

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
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

TEST(SafeFileWriter, SymbolicLinkIsFollowedAndKept)
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.pdl"));
    const QString link = dir.filePath(QStringLiteral("link.pdl"));
    writeFile(real, bytesOf("old"));
    ASSERT_TRUE(QFile::link(real, link));
    writeBytes(link, bytesOf("new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(real), bytesOf("new"));
}

TEST(SafeFileWriter, PathThatCannotBeCreatedRaisesTheCreateErrorWithThePath)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plain"));
    writeFile(file, bytesOf("x"));
    // A folder below a regular file, a missing folder, and a folder in place of the file: none
    // can be written, also by root.
    for (const QString& path : {file + QStringLiteral("/clock.pdl"), dir.filePath(QStringLiteral("none/clock.pdl")), dir.path()}) {
        try {
            writeBytes(path, bytesOf("data"));
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const EFrameworkError& e) {
            EXPECT_EQ(e.message(), stock::fileCreateError(path));
        }
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
        try {
            writeBytes(path, image);
            ADD_FAILURE() << "the short write went unnoticed";
        } catch (const EFrameworkError& e) {
            EXPECT_EQ(e.message(), stock::writeError());
        }
    });
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(everythingIn(dir.path()), QStringList{QStringLiteral("clock.pdl")});
}
