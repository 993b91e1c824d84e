// Recent files: the clocks saved and opened last, newest first, in the File menu and in the
// settings file across runs; a file that is gone is taken off the list with a message.
#include "tests/editor/EditorFixture.h"

#include "editor/files/SettingsLocation.h"
#include "platform/FileNames.h"
#include "platform/ProfileFile.h"

#include "tests/support/TestFiles.h"

#include <QFile>
#include <QLineEdit>
#include <QMenu>

#include <unistd.h>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

class RecentFiles : public EditorFixture {
protected:
    RecentFiles()
    {
        setCompress(false);
    }
    void saveAs(const QString& name)
    {
        form->Edit1->setText(name);
        choose(form->Save1, file(name));
    }
    QStringList captions() const
    {
        QStringList out;
        for (int n = 0; form->recentItem(n); ++n)
            out << form->recentItem(n)->text();
        return out;
    }
};

} // namespace

TEST_F(RecentFiles, SavedAndOpenedFilesAreListedNewestFirstWithAccessKeys)
{
    EXPECT_FALSE(form->Recent1->isEnabled()) << "nothing yet";
    for (int i = 1; i <= 10; ++i)
        saveAs(QStringLiteral("clock%1.pdl").arg(i));
    ASSERT_EQ(form->recentFiles().size(), TMainForm::kMaxRecentFiles);
    EXPECT_EQ(form->recentFiles().front(), file("clock10.pdl"));
    EXPECT_EQ(form->recentFiles().back(), file("clock3.pdl"));
    EXPECT_EQ(captions().front(), QStringLiteral("&1 ") + file("clock10.pdl"));
    EXPECT_EQ(captions().back(), QStringLiteral("&8 ") + file("clock3.pdl"));

    // Opening one from the list brings it to the top.
    form->recentItem(4)->trigger(); // clock6.pdl
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("clock6.pdl"));
    EXPECT_EQ(form->recentFiles().front(), file("clock6.pdl"));
    EXPECT_EQ(form->recentFiles().size(), TMainForm::kMaxRecentFiles) << "listed once";

    // A name with "&" shows it, not an access key.
    saveAs(QStringLiteral("a&b.pdl"));
    EXPECT_EQ(captions().front(), QStringLiteral("&1 ") + file("a&&b.pdl"));

    form->RecentClear1->trigger();
    EXPECT_TRUE(form->recentFiles().isEmpty());
    EXPECT_FALSE(form->Recent1->isEnabled());
}

TEST_F(RecentFiles, TheListIsKeptInASectionOfItsOwnAcrossRuns)
{
    saveAs(QStringLiteral("時計.pdl"));
    saveAs(QStringLiteral("second.pdl"));
    form.reset();
    const ProfileFile ini(settingsLocation().path);
    EXPECT_EQ(ini.readString("Recent", "File1"), file("second.pdl"));
    EXPECT_EQ(ini.readString("Recent", "File2"), file("時計.pdl"));
    EXPECT_FALSE(ini.readString("Recent", "File3"));
    form = std::make_unique<TMainForm>();
    EXPECT_EQ(form->recentFiles(), (QStringList{file("second.pdl"), file("時計.pdl")}));
    // A shorter list drops the keys it no longer has.
    form->RecentClear1->trigger();
    saveAs(QStringLiteral("only.pdl"));
    form.reset();
    const ProfileFile after(settingsLocation().path);
    EXPECT_EQ(after.readString("Recent", "File1"), file("only.pdl"));
    EXPECT_FALSE(after.readString("Recent", "File2"));
}

TEST_F(RecentFiles, AFileThatIsGoneIsTakenOffTheListWithAMessage)
{
    saveAs(QStringLiteral("kept.pdl"));
    saveAs(QStringLiteral("gone.pdl"));
    QFile::remove(file("gone.pdl"));
    form->Edit1->setText(QStringLiteral("unsaved"));
    ui.clearLog();
    form->recentItem(0)->trigger();
    const QStringList messages = ui.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(file("gone.pdl"))) << qPrintable(messages[0]);
    EXPECT_EQ(form->recentFiles(), QStringList{file("kept.pdl")});
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("unsaved")) << "nothing opened, nothing asked first";

    // An existing one asks before a modified project is replaced.
    ui.clearLog();
    ui.answerMessage(seam::IDCANCEL);
    form->recentItem(0)->trigger();
    EXPECT_EQ(ui.records(Kind::MessageBox).size(), 1u);
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("unsaved"));
}

// Names come back exactly as the file system has them: a blank at either end, a "%" before two
// hexadecimal digits, and bytes that are no UTF-8 (FF FE), saved, written to the settings file,
// read back at the next start and opened again from the list. A plain name stays readable in the
// file, and one written as it is by an earlier run (with a "%" in it) reads as it was.
TEST_F(RecentFiles, NamesComeBackExactlyAsTheFileSystemHasThem)
{
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const QList<QByteArray> names = {"trail.pdl ", " lead.pdl", "100%41.pdl", "\xff\xfe clock.pdl", "tab\there.pdl", "plain 時計.pdl"};
    QStringList paths;
    for (const QByteArray& name : names) {
        paths.prepend(nameFromFileSystem(folder + name));
        form->Edit1->setText(QString::fromLatin1(name.toHex()));
        choose(form->Save1, paths.front());
        ASSERT_EQ(::access((folder + name).constData(), F_OK), 0) << name.toHex().constData() << " saved under its own bytes";
    }
    form.reset();
    ProfileFile ini(settingsLocation().path);
    EXPECT_EQ(ini.readString("Recent", "File1"), file("plain 時計.pdl")) << "as it is";
    EXPECT_EQ(ini.readString("Recent", "File4"), file("100%41.pdl")) << "as it is";
    EXPECT_TRUE(ini.readString("Recent", "File6")->startsWith("%2F")) << "trail.pdl, escaped";
    form = std::make_unique<TMainForm>();
    ASSERT_EQ(form->recentFiles(), paths);
    ui.clearLog();
    for (const QByteArray& name : names) {
        const qsizetype n = form->recentFiles().indexOf(nameFromFileSystem(folder + name));
        ASSERT_GE(n, 0);
        form->recentItem(int(n))->trigger();
        EXPECT_EQ(form->Edit1->text(), QString::fromLatin1(name.toHex())) << "opened again";
    }
    EXPECT_EQ(ui.messages(), QStringList()) << "none was missing";
    // The toolkit cannot remove a name that is not UTF-8 with the folder.
    for (const QByteArray& name : names)
        ::unlink((folder + name).constData());
}
