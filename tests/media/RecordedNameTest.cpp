// Where a slot's recorded file name is looked for.
#include "media/RecordedName.h"

#include "platform/AnsiText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dw;

namespace {

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(RecordedName, RelativeNameIsLookedForInTheFoldersInTurn)
{
    QTemporaryDir first, second;
    touch(second.filePath("chime.wav"));
    EXPECT_EQ(findRecordedFile("chime.wav", {QString(), first.path(), second.path()}), second.filePath("chime.wav"));
    touch(first.filePath("chime.wav"));
    EXPECT_EQ(findRecordedFile("chime.wav", {first.path(), second.path()}), first.filePath("chime.wav"));
    EXPECT_EQ(findRecordedFile("missing.wav", {first.path(), second.path()}), QString());
    EXPECT_EQ(findRecordedFile("chime.wav", {}), QString()) << "no folder, no file";
}

TEST(RecordedName, BackslashesSeparateFoldersAndJapaneseNamesAreFound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("音")));
    touch(dir.filePath(QStringLiteral("音/時報.wav")));
    const std::string name = ansiFromUnicode(QStringLiteral("音\\時報.wav")).bytes;
    EXPECT_EQ(findRecordedFile(name, {dir.path()}), dir.filePath(QStringLiteral("音/時報.wav")));
}

TEST(RecordedName, AbsoluteNameIsTakenAsItIsAndFoldersDoNotCount)
{
    QTemporaryDir dir;
    touch(dir.filePath("a.wav"));
    const std::string absolute = QFile::encodeName(dir.filePath("a.wav")).toStdString();
    EXPECT_EQ(findRecordedFile(absolute, {}), dir.filePath("a.wav"));
    EXPECT_EQ(findRecordedFile(absolute + "x", {dir.path()}), QString());
    EXPECT_EQ(findRecordedFile(".", {dir.path()}), QString()) << "a folder is not a sound";
}
