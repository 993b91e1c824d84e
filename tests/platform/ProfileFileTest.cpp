#include "platform/FrameworkError.h"
#include "platform/ProfileFile.h"

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace dw;
using dw::test::errorMessageOf;

namespace {

QString writeText(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath("settings.ini");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return path;
}

QByteArray readBack(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

} // namespace

TEST(ProfileFile, IntegersReadInDecimalAndHexadecimalAndNothingElse)
{
    const struct {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {
        {"42", 42}, {"  -17 ", -17}, {"+3", 3}, {"0x1F", 31}, {"$ff", 255},
        {"$8000000F", int32_t(0x8000000F)}, // a 32-bit pattern
        {"-2147483648", INT32_MIN}, {"2147483647", INT32_MAX},
        {"", {}}, {" ", {}}, {"abc", {}}, {"12abc", {}}, {"1.5", {}}, {"0x", {}}, {"$", {}},
        {"2147483648", {}}, {"-2147483649", {}}, {"99999999999999999999999", {}}, {"$100000000", {}},
        {"0x1G", {}}, {"--1", {}}, {"\x01\xFF", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProfileFile::parseInteger(c.text), c.value) << c.text;
}

TEST(ProfileFile, ReadsSectionsAndKeysWithoutRegardToCaseOrBlanks)
{
    QTemporaryDir dir;
    const QString path = writeText(dir, "; my notes\r\n[option]\r\n  compress = 0 \r\nTranslucent=2\r\n"
                                        "[Window]\r\nLeft=$20\r\nTop=abc\r\n");
    const ProfileFile ini(path);
    EXPECT_FALSE(ini.ReadBool("Option", "Compress", true));
    EXPECT_EQ(ini.ReadInteger("Option", "TRANSLUCENT", 0), 2);
    EXPECT_EQ(ini.ReadInteger("Window", "Left", -1), 32);
    EXPECT_EQ(ini.ReadInteger("Window", "Top", 99), 99) << "not an integer: the default";
    EXPECT_EQ(ini.ReadInteger("Window", "Width", 568), 568) << "missing: the default";
    EXPECT_EQ(ini.ReadInteger("Nothing", "Left", 7), 7);
    EXPECT_TRUE(ini.ReadBool("Option", "Translucent", false)) << "any value but 0 is true";
    EXPECT_FALSE(ini.readInteger("Window", "Compress").has_value()) << "a key of another section";
    EXPECT_FALSE(ini.readInteger("Option", "Left").has_value());
}

TEST(ProfileFile, WritingKeepsCommentsForeignKeysAndLineEnds)
{
    QTemporaryDir dir;
    const QString path = writeText(dir, "; written by hand\r\n[Option]\r\nCompress=1\r\nMine=keep me\r\n\r\n"
                                        "[Other]\r\nX=1\r\n");
    ProfileFile ini(path);
    ini.WriteBool("Option", "Compress", false);
    ini.WriteInteger("Option", "Translucent", 2);
    ini.WriteInteger("Window", "Left", -30);
    ini.UpdateFile();
    EXPECT_EQ(readBack(path), QByteArray("; written by hand\r\n[Option]\r\nCompress=0\r\nMine=keep me\r\n"
                                         "Translucent=2\r\n\r\n[Other]\r\nX=1\r\n\r\n[Window]\r\nLeft=-30\r\n"));
    const ProfileFile again(path);
    EXPECT_EQ(again.ReadInteger("Window", "Left", 0), -30);
}

TEST(ProfileFile, MixedLineEndsReadTheSameAfterAWrite)
{
    // Found by the fuzz target (data/malformed/settings-mixed-line-ends-and-a-doubled-carriage-
    // return.ini): the first line ends in LF alone, later ones in CR LF or CR CR LF. Writing a
    // key once re-joined every line with the first line's end, so "Translucent=3\r" (not a
    // number) came back as "Translucent=3". Every line the program does not write now goes back
    // byte for byte.
    QFile sample(QStringLiteral(DIALWRIGHT_TEST_DATA "/malformed/settings-mixed-line-ends-and-a-doubled-carriage-return.ini"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QByteArray bytes = sample.readAll();
    ProfileFile ini = ProfileFile::fromContents(QStringLiteral("mixed.ini"), bytes);
    const std::optional<int32_t> before = ini.readInteger("Option", "Translucent");
    ini.WriteInteger("Window", "Left", -7);
    const ProfileFile back = ProfileFile::fromContents(QStringLiteral("mixed.ini"), ini.contents());
    EXPECT_EQ(back.readInteger("Option", "Translucent"), before);
    EXPECT_EQ(back.ReadInteger("Window", "Left", 0), -7);
    EXPECT_TRUE(ini.contents().startsWith(bytes)) << "the file's own bytes stay; the new section follows";

    ProfileFile mixed = ProfileFile::fromContents(QStringLiteral("m.ini"), "[A]\nx=1\r\ny=2\r\r\nz=3");
    mixed.WriteInteger("A", "x", 5);
    mixed.WriteInteger("A", "w", 6);
    EXPECT_EQ(mixed.contents(), QByteArray("[A]\nx=5\r\ny=2\r\r\nz=3\nw=6\n"));
}

TEST(ProfileFile, NewFileGetsItsSections)
{
    QTemporaryDir dir;
    ProfileFile ini(dir.filePath("new.ini"));
    ini.WriteInteger("Option", "WorkWinColor", int32_t(0x8000000F));
    ini.WriteBool("Window", "Maximized", true);
    ini.UpdateFile();
    EXPECT_EQ(readBack(dir.filePath("new.ini")),
              QByteArray("[Option]\nWorkWinColor=-2147483633\n\n[Window]\nMaximized=1\n"));
}

TEST(ProfileFile, LinesThatAreNoSettingsAreKeptAndIgnored)
{
    QTemporaryDir dir;
    QByteArray odd("\xFF\xFE[\x01=\x02\n[Option\n=5\n");
    odd += "[Option]\nTranslucent=\x80\x81\nColorEffect=1";
    const QString path = writeText(dir, odd);
    ProfileFile ini(path);
    EXPECT_EQ(ini.readState(), ProfileFile::ReadState::Whole);
    EXPECT_FALSE(ini.readInteger("Option", "Translucent").has_value());
    EXPECT_EQ(ini.ReadInteger("Option", "ColorEffect", 0), 1);
    ini.WriteInteger("Option", "ColorEffect", 2);
    ini.UpdateFile();
    QByteArray expected = odd;
    expected.replace("ColorEffect=1", "ColorEffect=2");
    EXPECT_EQ(readBack(path), expected);
}

// A file that is not read whole counts as empty, and writing it would leave nothing of it but
// the keys written: it is refused, and the file stays byte for byte.
TEST(ProfileFile, FileNotReadWholeIsNeverWritten)
{
    QTemporaryDir dir;
    QByteArray big = "[Option]\nTranslucent=2\n";
    big += QByteArray(ProfileFile::kMaxFileSize, ';');
    const QByteArray binary("\x00\xFF\xFE[Option]\nTranslucent=2\n", 26);
    const struct {
        const char* name;
        QByteArray contents;
        ProfileFile::ReadState state;
    } cases[] = {
        {"larger than 16 MiB", big, ProfileFile::ReadState::TooLarge},
        {"with NUL bytes", binary, ProfileFile::ReadState::NotText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = writeText(dir, c.contents);
        ProfileFile ini(path);
        EXPECT_EQ(ini.readState(), c.state);
        EXPECT_FALSE(ini.mayBeWritten());
        EXPECT_FALSE(ini.readInteger("Option", "Translucent").has_value());
        ini.WriteInteger("Option", "Translucent", 1);
        EXPECT_THROW(ini.UpdateFile(), EFrameworkError);
        EXPECT_TRUE(readBack(path) == c.contents);
    }
    // Just within the limit, with a section of the user's own: read whole and kept.
    QByteArray large = "[User]\nnote=mine\n";
    large += QByteArray(ProfileFile::kMaxFileSize - large.size() - 20, '#') + "\n[Option]\nCompress=1\n";
    large.truncate(ProfileFile::kMaxFileSize);
    const QString path = writeText(dir, large);
    ProfileFile ini(path);
    ASSERT_EQ(ini.readState(), ProfileFile::ReadState::Whole);
    ini.WriteInteger("User", "note2", 7);
    ini.UpdateFile();
    const QByteArray userSection = large.left(large.indexOf("\n[Option]") + 1);
    EXPECT_TRUE(readBack(path) == userSection + "note2=7\n" + large.mid(userSection.size()));
}

TEST(ProfileFile, FirstContentMayComeFromAnotherFile)
{
    QTemporaryDir dir;
    const QString defaults = writeText(dir, "[Option]\nTranslucent=1\n");
    ProfileFile ini(dir.filePath("user.ini"), defaults);
    EXPECT_EQ(ini.ReadInteger("Option", "Translucent", 0), 1);
    ini.WriteInteger("Option", "Translucent", 2);
    ini.UpdateFile();
    EXPECT_EQ(readBack(defaults), QByteArray("[Option]\nTranslucent=1\n")) << "the source is not written";
    EXPECT_EQ(readBack(dir.filePath("user.ini")), QByteArray("[Option]\nTranslucent=2\n"));
}

TEST(ProfileFile, PathThatIsAFolderIsNotReadNorWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    ASSERT_TRUE(QDir().mkdir(path));
    ProfileFile ini(path);
    EXPECT_EQ(ini.readState(), ProfileFile::ReadState::Unreadable);
    EXPECT_FALSE(ini.readError().isEmpty());
    EXPECT_FALSE(ini.readInteger("Option", "Compress").has_value());
    ini.WriteBool("Option", "Compress", false);
    EXPECT_EQ(errorMessageOf([&] { ini.UpdateFile(); }), stock::fileCreateError(path));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(ProfileFile(dir.filePath("missing.ini")).readState(), ProfileFile::ReadState::Missing);
}

TEST(ProfileFile, FailedWriteNamesTheFileAndKeepsThePreviousOne)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir dir;
    const QString path = writeText(dir, "[Option]\nCompress=1\n");
    ProfileFile ini(path);
    ini.WriteBool("Option", "Compress", false);
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0500), 0);
    const QString message = errorMessageOf([&] { ini.UpdateFile(); });
    EXPECT_TRUE(message.contains(path)) << qPrintable(message);
    chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(readBack(path), QByteArray("[Option]\nCompress=1\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no half-written file left";
}

TEST(ProfileFile, ContentsGivenInMemoryReadLikeAFile)
{
    ProfileFile ini = ProfileFile::fromContents("mem.ini", "[Option]\r\nCompress=0\r\n");
    EXPECT_EQ(ini.readInteger("Option", "Compress"), 0);
    ini.WriteInteger("Option", "Translucent", 1);
    EXPECT_EQ(ini.contents(), QByteArray("[Option]\r\nCompress=0\r\nTranslucent=1\r\n"));
    EXPECT_EQ(ini.fileName(), "mem.ini");
}
