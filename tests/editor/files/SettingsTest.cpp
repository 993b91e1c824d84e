// The settings file: the options, the workbench colour and the window's placement read at start
// and written at exit, with whatever else the user keeps in the file.
#include "tests/editor/EditorFixture.h"
#include "tests/support/TestFiles.h"

#include "editor/widgets/ScrollBox.h"
#include "editor/files/SettingsLocation.h"

#include "platform/FrameworkError.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>

#include <sys/stat.h>
#include <unistd.h>

using namespace dw;
using namespace dw::test;

namespace {

// The main window started and ended as the program does it, on the settings file the test
// prepared.
class Settings : public ::testing::Test {
protected:
    QString path() const { return settingsLocation().path; }
    void writeSettings(const QByteArray& text) const
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray written() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::optional<int32_t> value(const char* section, const char* key) const
    {
        return ProfileFile(path()).readInteger(section, key);
    }
    std::unique_ptr<TMainForm> start() { return std::make_unique<TMainForm>(); }
    // A settings file that places the window at this rectangle.
    void writePlacement(const QRect& r) const
    {
        writeSettings(QStringLiteral("[Window]\nLeft=%1\nTop=%2\nWidth=%3\nHeight=%4\n")
                          .arg(r.left()).arg(r.top()).arg(r.width()).arg(r.height()).toUtf8());
    }
    // The window's place, size and state as the file holds them.
    std::vector<std::optional<int32_t>> storedPlacement() const
    {
        std::vector<std::optional<int32_t>> v;
        for (const char* key : {"Left", "Top", "Width", "Height", "Maximized"})
            v.push_back(value("Window", key));
        return v;
    }

    seam::ScriptedHandler ui;
};

} // namespace

TEST_F(Settings, FirstRunTakesTheDefaultsAndWritesEveryKey)
{
    {
        auto form = start();
        EXPECT_TRUE(form->Compress1->isChecked());
        for (QAction* item : {form->Default1, form->Default2, form->Default3, form->Default4})
            EXPECT_TRUE(item->isChecked()) << qPrintable(item->objectName());
        EXPECT_EQ(form->workbenchColor(), uint32_t(clBtnFace));
        EXPECT_EQ(form->workbenchQColor(), QGuiApplication::palette().color(QPalette::Button))
            << "the button face as the desktop paints it";
        EXPECT_EQ(form->size(), QSize(568, 460));
        EXPECT_FALSE(form->isMaximized());
    }
    EXPECT_EQ(value("Option", "Compress"), 1);
    for (const char* key : {"Translucent", "ColorEffect", "CountHourSound", "CountHourAnimation"})
        EXPECT_EQ(value("Option", key), 0) << key;
    EXPECT_EQ(value("Option", "WorkWinColor"), int32_t(clBtnFace));
    EXPECT_TRUE(written().contains("WorkWinColor=-2147483633\n")) << "written in decimal";
    EXPECT_EQ(value("Window", "Width"), 568);
    EXPECT_EQ(value("Window", "Height"), 460);
    EXPECT_TRUE(value("Window", "Left").has_value());
    EXPECT_TRUE(value("Window", "Top").has_value());
    EXPECT_EQ(value("Window", "Maximized"), 0);
    EXPECT_TRUE(ui.log().empty()) << "nothing to report";
}

TEST_F(Settings, GroupValuesCheckTheirItemAndOthersKeepDefault)
{
    writeSettings("[Option]\nTranslucent=2\nColorEffect=7\nCountHourSound=1\nCountHourAnimation=-1\n");
    auto form = start();
    EXPECT_TRUE(form->No1->isChecked());
    EXPECT_FALSE(form->Default1->isChecked());
    EXPECT_TRUE(form->Default2->isChecked()) << "7 is out of range";
    EXPECT_TRUE(form->Yes3->isChecked());
    EXPECT_TRUE(form->Default4->isChecked());
    EXPECT_FALSE(form->modified()) << "options read at start are no change";
}

TEST_F(Settings, HexadecimalAndMissingValues)
{
    writeSettings("[Option]\nCompress=0x0\nWorkWinColor=$00336699\nTranslucent=$1\n[Window]\nWidth=0x258\n"
                  "Height=abc\n");
    auto form = start();
    EXPECT_FALSE(form->Compress1->isChecked());
    EXPECT_EQ(form->workbenchColor(), 0x00336699u);
    EXPECT_EQ(form->workbenchQColor(), QColor(0x99, 0x66, 0x33));
    EXPECT_TRUE(form->Yes1->isChecked());
    EXPECT_EQ(form->size(), QSize(600, 460)) << "a value that is no integer takes the default";
}

TEST_F(Settings, OptionsColourAndPlacementComeBackAfterARestart)
{
    {
        auto form = start();
        form->Yes1->trigger();
        form->No4->trigger();
        form->Compress1->trigger();
        ui.answerColor(0x00204080);
        form->N17->trigger();
        form->setGeometry(40, 50, 700, 520);
    }
    auto form = start();
    EXPECT_TRUE(form->Yes1->isChecked());
    EXPECT_TRUE(form->No4->isChecked());
    EXPECT_TRUE(form->No3->isChecked()) << "the hidden group followed and was written";
    EXPECT_TRUE(form->Default2->isChecked());
    EXPECT_FALSE(form->Compress1->isChecked());
    EXPECT_EQ(form->workbenchColor(), 0x00204080u);
    EXPECT_EQ(form->geometry(), QRect(40, 50, 700, 520));
}

TEST_F(Settings, CommentsAndForeignKeysSurviveARun)
{
    writeSettings("; Dialwright settings, kept by hand\r\n[Option]\r\nTranslucent=1\r\nMyNote=keep\r\n\r\n"
                  "[Printer]\r\nName=Office\r\n");
    {
        auto form = start();
        form->No1->trigger();
    }
    const QByteArray text = written();
    EXPECT_TRUE(text.startsWith("; Dialwright settings, kept by hand\r\n[Option]\r\nTranslucent=2\r\nMyNote=keep\r\n"))
        << text.constData();
    EXPECT_TRUE(text.contains("\r\n[Printer]\r\nName=Office\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("[Window]\r\n")) << "the file's own line ends";
}

TEST_F(Settings, GroupWithNothingCheckedIsNotWritten)
{
    writeSettings("[Option]\nTranslucent=1\n");
    {
        auto form = start();
        form->Yes1->setChecked(false);
    }
    EXPECT_EQ(value("Option", "Translucent"), 1) << "the key keeps its old value";
}

TEST_F(Settings, MaximisedCloseStoresTheRestoredRectangle)
{
    {
        auto form = start();
        form->setGeometry(30, 40, 610, 480);
        form->show();
        form->showMaximized();
        ASSERT_TRUE(form->isMaximized());
    }
    EXPECT_EQ(storedPlacement(), (std::vector<std::optional<int32_t>>{30, 40, 610, 480, 1}));

    auto form = start();
    form->show();
    EXPECT_TRUE(form->isMaximized()) << "the next start shows the window maximised";
    EXPECT_EQ(form->normalGeometry(), QRect(30, 40, 610, 480)) << "restoring gives the stored rectangle";
    form->showNormal();
    EXPECT_EQ(form->size(), QSize(610, 480));
}

TEST_F(Settings, AbsurdPlacementsFallBackToTheDefaults)
{
    const QPoint systemPlace = start()->pos();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* text;
        QSize size;
        bool placed;
    } cases[] = {
        {"Width=0\nHeight=-5\n", {568, 460}, false},
        {"Width=99999999999\nHeight=2000000000\n", {568, 460}, false},
        {"Left=100000\nTop=-100000\nWidth=600\nHeight=400\n", {600, 400}, false},
        {"Left=-2147483648\nTop=2147483647\n", {568, 460}, false},
        {"Left=-590\nTop=10\n", {568, 460}, false}, // 22 pixels left on screen: out of reach
        {"Left=-500\nTop=10\n", {568, 460}, true},  // 68 pixels on screen: reachable
    };
    for (const auto& c : cases) {
        writeSettings(QByteArray("[Window]\n") + c.text);
        auto form = start();
        EXPECT_EQ(form->size(), c.size) << c.text;
        if (c.placed)
            EXPECT_NE(form->pos(), systemPlace) << c.text;
        else
            EXPECT_EQ(form->pos(), systemPlace) << c.text;
        EXPECT_TRUE(form->frameGeometry().intersects(screen)) << c.text;
    }
}

TEST_F(Settings, AWindowLargerThanItsScreenIsFittedToIt)
{
    // A user coming from a bigger monitor: the window, frame included, fits the screen and its
    // caption buttons and side panel are on it. A window that fits stays exactly where it was.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    writePlacement(QRect(screen.left() + 100, screen.top() + 80, screen.width() + 300, screen.height() + 200));
    {
        auto form = start();
        const QRect placed = form->geometry();
        EXPECT_TRUE(screen.contains(placed.marginsAdded(QMargins(4, 28, 4, 4)))) << placed.x() << "," << placed.y() << " "
                                                                                 << placed.width() << "x" << placed.height();
        EXPECT_GE(placed.width(), screen.width() - 8 - 1);
    }
    const QRect fits(screen.left() + 1, screen.top() + 21, screen.width() - 2, screen.height() - 22);
    writePlacement(fits);
    EXPECT_EQ(start()->geometry(), fits);
}

TEST_F(Settings, TinyWindowKeepsRoomForItsControls)
{
    writeSettings("[Window]\nWidth=1\nHeight=1\n");
    auto form = start();
    EXPECT_GE(form->width(), form->minimumSizeHint().width());
    EXPECT_GE(form->height(), form->minimumSizeHint().height());
    EXPECT_GT(form->width(), 200) << "the side panel alone is 200 wide";
}

TEST_F(Settings, LargeFileKeepsTheUsersOwnSectionThroughARun)
{
    // 2 MiB: a section of the user's own and long notes, then the program's keys.
    QByteArray text = "[User]\nname=mine\n";
    while (text.size() < (2 << 20))
        text += "; a note the user keeps in the settings file, line after line\n";
    text += "[Option]\nTranslucent=2\n";
    writeSettings(text);
    {
        auto form = start();
        EXPECT_TRUE(form->No1->isChecked()) << "the file is read";
    }
    EXPECT_TRUE(ui.messages().isEmpty()) << qPrintable(ui.messages().join("|"));
    const QByteArray after = written();
    EXPECT_TRUE(after.startsWith(text.left(text.indexOf("[Option]")))) << "every line of the user's section stays";
    EXPECT_EQ(value("User", "name"), std::nullopt) << "not a number, but there";
    EXPECT_TRUE(after.contains("name=mine\n"));
    EXPECT_EQ(value("Option", "Translucent"), 2);
    EXPECT_EQ(value("Window", "Width"), 568);
}

// A file the program cannot read whole is left as it is: the program starts with the defaults,
// says once which file it leaves alone and why, and does not write it at the end.
TEST_F(Settings, FileThatCannotBeReadWholeIsLeftAsItIsAndNamedOnce)
{
    QByteArray huge = "[Option]\nTranslucent=2\n";
    huge += QByteArray(ProfileFile::kMaxFileSize, ';');
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char((i * 131 + 7) % 256); // NUL bytes among them
    const struct {
        const char* name;
        QByteArray contents; // empty: a folder in the file's place
        const char* why;
    } cases[] = {
        {"larger than 16 MiB", huge, "16 MiB を超えています"},
        {"not text", binary, "テキストファイルではありません"},
        {"a folder", {}, "読み込めません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path());
        QDir(path()).removeRecursively();
        if (c.contents.isEmpty())
            ASSERT_TRUE(QDir().mkpath(path()));
        else
            writeSettings(c.contents);
        ui.clearLog();
        {
            auto form = start();
            EXPECT_TRUE(form->Default1->isChecked()) << "the defaults";
            EXPECT_EQ(form->size(), QSize(568, 460));
        }
        ASSERT_EQ(ui.messages().size(), 1) << qPrintable(ui.messages().join("|"));
        EXPECT_TRUE(ui.messages()[0].contains(QDir::toNativeSeparators(path()))) << qPrintable(ui.messages()[0]);
        EXPECT_TRUE(ui.messages()[0].contains(QString::fromUtf8(c.why))) << qPrintable(ui.messages()[0]);
        EXPECT_TRUE(ui.errors().isEmpty()) << "nothing was tried at the end";
        if (c.contents.isEmpty())
            EXPECT_TRUE(QFileInfo(path()).isDir());
        else
            EXPECT_TRUE(written() == c.contents) << "byte for byte as it was";
    }
}

TEST_F(Settings, FileThatCannotBeWrittenIsNamedAtTheEnd)
{
    // The file's folder is a file: nothing can be made there, not even by root.
    const QString blocker = QFileInfo(path()).absolutePath() + QStringLiteral("/blocker");
    QFile(blocker).open(QIODevice::WriteOnly);
    const QString unwritable = blocker + QStringLiteral("/dialwright.ini");
    setSettingsFileOverride(unwritable);
    start().reset();
    EXPECT_EQ(ui.errors(), QStringList{stock::fileCreateError(unwritable)});
    EXPECT_TRUE(QFileInfo(blocker).isFile());
}

TEST_F(Settings, OptionGroupsResetByNewAreWrittenAsDefault)
{
    writeSettings("[Option]\nTranslucent=1\nCountHourAnimation=2\nCountHourSound=2\n");
    {
        auto form = start();
        ui.answerMessage(seam::IDOK); // the option question (the project is unchanged)
        form->SetModified(true);
        form->SetModified(false);
        form->New1->trigger();
        EXPECT_TRUE(form->Default1->isChecked());
    }
    for (const char* key : {"Translucent", "ColorEffect", "CountHourSound", "CountHourAnimation"})
        EXPECT_EQ(value("Option", key), 0) << key;
}

// --- Where the file is kept ----------------------------------------------------------------

// The program's folder and the file beside it owned by root or by another user, as seen by that
// user: the file beside is the settings file only when it is there and the user's own (a
// portable copy); otherwise the user's folder, and a file someone else left beside the program
// gives its first content. A file is never made beside the program, not even by root in root's
// own folder (an installed program run as root).
TEST(SettingsLocation, BesideTheProgramOnlyWhenTheUsersOwnFileIsThere)
{
    QTemporaryDir dir;
    const QString user = dir.filePath("config/dialwright.ini");
    enum Outcome { Beside, UsersFolder, UsersFolderSeeded };
    auto outcome = [&](const QString& beside) {
        const SettingsLocation where = chooseSettingsLocation(beside, user);
        return where.path == beside ? Beside : where.readFrom == beside ? UsersFolderSeeded : UsersFolder;
    };
    // As the user running the tests, in a folder of the user's own.
    QDir().mkpath(dir.filePath("mine"));
    const QString mine = dir.filePath("mine/dialwright.ini");
    EXPECT_EQ(outcome(mine), UsersFolder) << "no file is made beside the program";
    EXPECT_FALSE(QFileInfo::exists(mine));
    writeFile(mine, Bytes{});
    EXPECT_EQ(outcome(mine), Beside) << "a portable copy";
    // Once the user's own file exists, a file beside that is not used gives nothing.
    QDir().mkpath(dir.filePath("config"));
    writeFile(user, Bytes{});
    EXPECT_EQ(outcome(dir.filePath("none/dialwright.ini")), UsersFolder);
    QFile::remove(user);

    if (!runningAsRoot())
        GTEST_SKIP() << "the cases of other users need root";
    const auto own = [](const QString& path, unsigned uid) {
        return ::lchown(QFile::encodeName(path).constData(), uid, uid ? kOtherGroup : 0) == 0;
    };
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    enum Placed { NoFile, File, LinkToRootsFile };
    const struct {
        const char* name;
        unsigned folderOwner;
        Placed beside;
        unsigned fileOwner; // of the file, or of the link
        Outcome asUser;     // for user kOtherUser
        Outcome asRoot;
    } cases[] = {
        {"root's folder, no file", 0, NoFile, 0, UsersFolder, UsersFolder},
        {"root's folder, root's file", 0, File, 0, UsersFolderSeeded, Beside},
        {"root's folder, the user's file", 0, File, kOtherUser, Beside, UsersFolderSeeded},
        {"the user's folder, no file", kOtherUser, NoFile, 0, UsersFolder, UsersFolder},
        {"the user's folder, the user's file", kOtherUser, File, kOtherUser, Beside, UsersFolderSeeded},
        {"the user's folder, root's file", kOtherUser, File, 0, UsersFolderSeeded, Beside},
        {"the user's link to root's file", kOtherUser, LinkToRootsFile, kOtherUser, UsersFolderSeeded, UsersFolderSeeded},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir program;
        ASSERT_EQ(::chmod(QFile::encodeName(program.path()).constData(), 0755), 0);
        ASSERT_TRUE(own(program.path(), c.folderOwner));
        const QString beside = program.filePath("dialwright.ini");
        const QString target = dir.filePath("roots.ini");
        if (c.beside != NoFile) {
            const QString file = c.beside == File ? beside : target;
            writeFile(file, bytesOf("[Option]\nTranslucent=2\n"));
            ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0666), 0) << "writable by the user is not enough";
            ASSERT_TRUE(own(file, c.beside == File ? c.fileOwner : 0));
            if (c.beside == LinkToRootsFile) {
                ASSERT_TRUE(QFile::link(target, beside));
                ASSERT_TRUE(own(beside, c.fileOwner));
            }
        }
        EXPECT_EQ(runAsUser(kOtherUser, kOtherGroup, {}, [&] { return int(outcome(beside)); }), int(c.asUser));
        EXPECT_EQ(outcome(beside), c.asRoot);
        EXPECT_EQ(QFileInfo::exists(beside), c.beside != NoFile);
        QFile::remove(target);
    }
}

// A file beside the program that is not the user's gives the user's first settings file its
// options and colour only: never the recent files, the folder or the window of whoever left it.
// The file beside stays as it was.
TEST_F(Settings, SomeoneElsesFileBesideTheProgramGivesOnlyTheOptions)
{
    QTemporaryDir dir;
    const QString beside = dir.filePath("dialwright.ini");
    const QByteArray theirs = "[Window]\nLeft=5\nTop=6\nWidth=700\nHeight=500\nMaximized=1\n"
                              "[Option]\nTranslucent=2\nWorkWinColor=255\nPictureFolder=/root/pictures\n"
                              "[Positioning]\nZoom=400\n[Recent]\nFile1=/root/secret.pdl\n";
    writeFile(beside, Bytes(theirs.begin(), theirs.end()));
    const QString user = dir.filePath("config/dialwright.ini");
    setSettingsFileOverride(user, beside);
    {
        auto form = start();
        EXPECT_TRUE(form->No1->isChecked());
        EXPECT_EQ(form->ScrollBox1->color(), 255u);
        EXPECT_TRUE(form->recentFiles().isEmpty());
        EXPECT_NE(form->width(), 700);
        EXPECT_FALSE(form->windowState() & Qt::WindowMaximized);
    }
    const ProfileFile users(user);
    EXPECT_EQ(users.readInteger("Option", "Translucent"), 2);
    EXPECT_EQ(users.readInteger("Option", "WorkWinColor"), 255);
    for (const auto& [section, key] : {std::pair{"Recent", "File1"}, {"Option", "PictureFolder"}, {"Positioning", "Zoom"}})
        EXPECT_FALSE(users.readString(section, key)) << section << "/" << key;
    EXPECT_NE(users.readInteger("Window", "Width"), 700);
    EXPECT_EQ(readFile(beside), Bytes(theirs.begin(), theirs.end()));
}

TEST(SettingsLocation, UsersFileIsNamedForTheProgramInTheConfigurationFolder)
{
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    EXPECT_EQ(userSettingsPath(), dir.filePath("dialwright.ini"));
    qputenv("XDG_CONFIG_HOME", old);
    EXPECT_TRUE(settingsPathBesideProgram().endsWith("/editor_tests.ini"));
}

TEST_F(Settings, UsersFolderIsMadeWhenMissing)
{
    QTemporaryDir dir;
    const QString deep = dir.filePath("a/b/dialwright.ini");
    setSettingsFileOverride(deep);
    start().reset();
    EXPECT_TRUE(QFileInfo::exists(deep));
    EXPECT_TRUE(ui.errors().isEmpty());
}
