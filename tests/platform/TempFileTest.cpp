#include "platform/TempFile.h"

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <utility>

using namespace dw;
using namespace dw::test;

namespace {

// Sets TMPDIR (nothing: unsets it) for the life of the object.
class TmpDirSetting {
public:
    explicit TmpDirSetting(const std::optional<QString>& value)
    {
        if (qEnvironmentVariableIsSet("TMPDIR"))
            m_old = qEnvironmentVariable("TMPDIR");
        if (value)
            qputenv("TMPDIR", value->toLocal8Bit());
        else
            qunsetenv("TMPDIR");
    }
    ~TmpDirSetting()
    {
        if (m_old)
            qputenv("TMPDIR", m_old->toLocal8Bit());
        else
            qunsetenv("TMPDIR");
    }

private:
    std::optional<QString> m_old;
};

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
