// Saving the project as the user does it: the Save command with its file dialog, plain and packed
// as a cabinet, and what a failure leaves behind.
#include "tests/editor/EditorFixture.h"

#include "datafile/FileImage.h"
#include "datafile/DataFileSource.h"

#include "platform/AnsiText.h"
#include "platform/FrameworkError.h"
#include "platform/Screen.h"
#include "platform/TempFile.h"

#include "tests/support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

std::string textOf(const Bytes& b) { return std::string(b.begin(), b.end()); }

mode_t modeOf(const QString& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << qPrintable(path);
    return st.st_mode & 07777;
}

QStringList headerLines(const Bytes& member)
{
    QString text = unicodeFromAnsi(textOf(member));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

class Save : public EditorFixture {
protected:
    Save()
    {
        // The program's temporary files go to a folder of the test's own (its private folder is
        // made there, as where no runtime folder is set), so that a leftover shows.
        EXPECT_TRUE(QDir().mkpath(tempDir()));
        m_oldTmp = qgetenv("TMPDIR");
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", tempDir().toLocal8Bit());
        qunsetenv("XDG_RUNTIME_DIR");
    }
    ~Save() override
    {
        const QString privateFolder = privateTempPath();
        for (const QString& folder : {tempDir(), privateFolder}) {
            EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty())
                << "left in the temporary folder: " << qPrintable(QDir(folder).entryList(QDir::Files | QDir::Hidden).join(" "));
        }
        qputenv("TMPDIR", m_oldTmp);
        if (!m_oldRuntime.isNull())
            qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    }

    QString tempDir() const { return file(QStringLiteral("tmp")); }
    void setCompress(bool on)
    {
        if (form->Compress1->isChecked() != on)
            form->Compress1->trigger();
    }
    void saveAs(const QString& path)
    {
        ui.answerFile(path);
        form->Save1->trigger();
    }
    FileImageContents readSaved(const QString& path)
    {
        const OpenedDataFile opened = openDataFile(readFile(path));
        EXPECT_TRUE(opened.readable()) << qPrintable(opened.unreadable);
        return opened.image;
    }

private:
    QByteArray m_oldTmp;
    QByteArray m_oldRuntime;
};

} // namespace

TEST_F(Save, FreshProjectSavesSevenMembersAndClearsTheFlag)
{
    setCompress(false);
    form->SetModified(true);
    const QString path = file("fresh.pdl");
    saveAs(path);
    EXPECT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    EXPECT_EQ(ui.messages(), QStringList{"保存しました"});
    EXPECT_EQ(ui.beeps(), 0) << "the plain save shows its message without a beep";
    EXPECT_FALSE(form->modified());
    EXPECT_EQ(TScreen::cursor(), crDefault);
    ASSERT_EQ(ui.records(Kind::MessageBox).size(), 1u);
    EXPECT_EQ(ui.records(Kind::MessageBox)[0].cursor, crHourGlass) << "the hourglass while saving";

    const auto dialogs = ui.records(Kind::FileDialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].file.name, "SaveDialog1");
    EXPECT_EQ(dialogs[0].file.defaultExt, "pdl");
    EXPECT_EQ(dialogs[0].file.filter, "Pendulet データファイル(*.pdl)|*.pdl|全てのファイル(*.*)|*.*");
    EXPECT_TRUE(dialogs[0].file.overwritePrompt);

    const FileImageContents saved = readSaved(path);
    ASSERT_EQ(saved.count, 7);
    ASSERT_EQ(saved.members.size(), 7u);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(saved.members[size_t(i)].empty()) << "built-in picture " << i;
    EXPECT_EQ(saved.members[4], regionData(form->clockRgn())) << "the start-up shape";
    const QStringList lines = headerLines(saved.members[5]);
    ASSERT_EQ(lines.size(), 14) << qPrintable(lines.join("|"));
    EXPECT_EQ(lines[0], "HPX=7");
    EXPECT_EQ(lines.mid(1, 11),
              (QStringList{"HPY=70", "MPX=7", "MPY=90", "SPX=6", "SPY=90", "HCX=100", "HCY=100", "MCX=100", "MCY=100",
                           "SCX=100", "SCY=100"}));
    EXPECT_TRUE(lines[12].startsWith("CopyRight="));
    EXPECT_TRUE(lines[13].startsWith("Date="));
    EXPECT_TRUE(saved.members[6].empty());
}

TEST_F(Save, LoadedProjectReadsBackMemberForMember)
{
    setCompress(false);
    const QString dial = bmp("dial.bmp", filledImage(300, 200, Qt::darkGreen));
    const QString hour = bmp("hour.bmp", handImage(21, 60));
    const QString second = bmp("second.bmp", handImage(5, 90, Qt::red));
    choose(form->Background1, dial);
    choose(form->N2, hour);
    choose(form->N4, second);
    form->TrackBar1->setValue(10);
    form->Edit1->setText(QStringLiteral("夜の時計"));
    form->Memo1->setPlainText(QStringLiteral("作者: 私\nsecond line"));
    form->Yes1->setChecked(true);
    form->No4->setChecked(true);
    form->ExtrudeHand1->trigger();
    const QString path = file("loaded.pdl");
    saveAs(path);
    ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));

    const FileImageContents saved = readSaved(path);
    ASSERT_EQ(saved.members.size(), 7u);
    EXPECT_EQ(saved.members[0], readFile(dial));
    EXPECT_EQ(saved.members[1], readFile(hour));
    EXPECT_TRUE(saved.members[2].empty());
    EXPECT_EQ(saved.members[3], readFile(second));
    EXPECT_EQ(saved.members[4], regionData(form->clockRgn()));
    EXPECT_EQ(saved.members[6], dw::test::bytesOf(ansiFromUnicode(QStringLiteral("作者: 私\r\nsecond line")).bytes));
    const QStringList lines = headerLines(saved.members[5]);
    EXPECT_EQ(lines.value(0), "Title=夜の時計");
    EXPECT_TRUE(lines.contains("HPX=10"));
    EXPECT_TRUE(lines.contains("HPY=70"));
    EXPECT_TRUE(lines.contains("SPX=2"));
    EXPECT_TRUE(lines.contains("HCX=150"));
    EXPECT_TRUE(lines.contains("SCY=100"));
    EXPECT_TRUE(lines.contains("TLH=1"));
    EXPECT_TRUE(lines.contains("CHA=2"));
    EXPECT_TRUE(lines.contains("ExtrudeHand=1"));
    EXPECT_EQ(lines.size(), 18);
    EXPECT_EQ(form->bkgStream().size(), int64_t(readFile(dial).size())) << "saving leaves the project";
}

TEST_F(Save, CompressedSaveIsACabinetWhoseDataReadsLikeAPlainSave)
{
    ASSERT_TRUE(form->Compress1->isChecked()) << "compression is on from the start";
    choose(form->N3, bmp("minute.bmp", handImage(9, 80)));
    const QString packed = file("packed.pdl");
    saveAs(packed);
    ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    EXPECT_EQ(ui.messages(), QStringList{"保存しました"});
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_FALSE(form->modified());

    const Bytes cabinet = readFile(packed);
    ASSERT_GE(cabinet.size(), 4u);
    EXPECT_EQ(textOf(Bytes(cabinet.begin(), cabinet.begin() + 4)), "MSCF");
    const QString out = file("extracted");
    QDir().mkpath(out);
    const ProcessResult r = runProcess(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), out, packed});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{"DATA"});
    const FileImageContents data = readFileImage(readFile(QDir(out).filePath("DATA")));
    ASSERT_TRUE(data.sound());

    setCompress(false);
    const QString plainPath = file("plain.pdl");
    saveAs(plainPath);
    const FileImageContents plain = readSaved(plainPath);
    ASSERT_EQ(data.members.size(), plain.members.size());
    for (size_t i = 0; i < plain.members.size(); ++i) {
        if (i != 5) {
            EXPECT_EQ(data.members[i], plain.members[i]) << "member " << i;
        }
    }
    EXPECT_EQ(data.members[2], readFile(file("minute.bmp")));
    const QStringList a = headerLines(data.members[5]), b = headerLines(plain.members[5]);
    EXPECT_EQ(a.mid(0, a.size() - 1), b.mid(0, b.size() - 1)) << "the same header but for the date";
}

TEST_F(Save, MissingTemporaryFolderFallsBackToThePlainFile)
{
    qputenv("TMPDIR", file("no-such-folder").toLocal8Bit());
    form->SetModified(true);
    const QString path = file("fallback.pdl");
    saveAs(path);
    qputenv("TMPDIR", tempDir().toLocal8Bit());
    EXPECT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    EXPECT_EQ(ui.messages(), (QStringList{"ERROR: GetTempFileName", "ファイルの圧縮に失敗しました。"}));
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_FALSE(form->modified()) << "the user has a usable file";
    const FileImageContents saved = readFileImage(readFile(path));
    EXPECT_TRUE(saved.sound()) << "the uncompressed file image";
    EXPECT_EQ(saved.count, 7);
}

TEST_F(Save, CabinetThatCannotBeWrittenFallsBackToThePlainFile)
{
    // A dial of 2400 × 2400 pixels of noise, 17 MB: its cabinet would pass the 16 MiB a cabinet
    // may hold.
    QImage pixels(2400, 2400, QImage::Format_RGB32);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32*>(pixels.bits()), pixels.sizeInBytes() / 4);
    const QByteArray file24 = bmpFile(pixels);
    ASSERT_GT(file24.size(), 16 << 20);
    const Bytes noise(file24.begin(), file24.end());
    writeFile(file("noise.bmp"), noise);
    choose(form->Background1, file("noise.bmp"));
    ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    ui.clearLog();

    const QString path = file("noise.pdl");
    saveAs(path);
    EXPECT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    ASSERT_FALSE(ui.messages().isEmpty());
    EXPECT_EQ(ui.messages().last(), "ファイルの圧縮に失敗しました。");
    EXPECT_FALSE(ui.messages().contains("保存しました"));
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_FALSE(form->modified());
    const FileImageContents saved = readFileImage(readFile(path));
    ASSERT_TRUE(saved.sound());
    EXPECT_EQ(saved.members[0], noise);
}

TEST_F(Save, FailedSaveLeavesTheOldFileAndTheFlag)
{
    const QString path = file("old.pdl");
    const Bytes old = bytesOf(std::string("the clock saved yesterday"));
    writeFile(path, old);
    for (bool compress : {false, true}) {
        ui.clearLog();
        setCompress(compress);
        form->SetModified(true);

        // The disk fills up while the file (or, compressed, the temporary file) is written: at
        // most 1000 bytes fit into any file.
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
        rlimit tight = previous;
        tight.rlim_cur = 1000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
        saveAs(path);
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_EQ(ui.errors(), QStringList{stock::fileWriteError(path)}) << "compress " << compress << ": names the file";
        EXPECT_TRUE(ui.messages().isEmpty()) << "no success message";
        EXPECT_TRUE(form->modified());
        EXPECT_EQ(readFile(path), old) << "byte for byte as it was";
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"old.pdl"}))
            << "nothing half-written beside it";
        EXPECT_EQ(TScreen::cursor(), crDefault);
    }
}

TEST_F(Save, SaveIntoAMissingFolderEndsWithTheFrameworksError)
{
    for (bool compress : {false, true}) {
        ui.clearLog();
        setCompress(compress);
        form->SetModified(true);
        const QString path = file("gone/clock.pdl");
        saveAs(path);
        EXPECT_EQ(ui.errors(), QStringList{stock::fileCreateError(path)}) << "compress " << compress;
        EXPECT_FALSE(ui.messages().contains("保存しました"));
        EXPECT_FALSE(ui.messages().contains("ファイルの圧縮に失敗しました。"));
        EXPECT_TRUE(form->modified());
        EXPECT_EQ(TScreen::cursor(), crDefault);
        EXPECT_FALSE(QFileInfo::exists(file("gone"))) << "the folder is not made";
    }
}

TEST_F(Save, OnlyTheColourGroupsYesAndNoWriteTheTELine)
{
    setCompress(false);
    struct Case {
        QAction* item;
        QString line; // empty: no "TE=" line
    } cases[] = {{form->Yes2, "TE=1"}, {form->No2, "TE=2"}, {form->Default2, ""}};
    for (const Case& c : cases) {
        c.item->trigger();
        ASSERT_TRUE(c.item->isChecked());
        const QString path = file("options.pdl");
        saveAs(path);
        const QStringList lines = headerLines(readSaved(path).members.at(5));
        const QStringList te = lines.filter(QRegularExpression(QStringLiteral("^TE=")));
        EXPECT_EQ(te, c.line.isEmpty() ? QStringList{} : QStringList{c.line}) << qPrintable(lines.join("|"));
        EXPECT_EQ(lines.size(), c.line.isEmpty() ? 14 : 15) << "no other option line";
    }
}

namespace {

// Passes everything on to the scripted handler and, at every message box, notes the files of
// the temporary folder and their contents.
class TemporaryFolderSpy final : public seam::Handler {
public:
    TemporaryFolderSpy(seam::Handler& next, QString folder) : m_next(next), m_folder(std::move(folder)) {}
    QStringList seen;
    std::vector<Bytes> contents;
    std::vector<mode_t> modes; // of each file seen, and last that of the folder

    int messageBox(const QString& text, const QString& caption, unsigned flags) override
    {
        const QDir folder(m_folder);
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
            seen << name;
            contents.push_back(readFile(folder.filePath(name)));
            modes.push_back(modeOf(folder.filePath(name)));
        }
        modes.push_back(modeOf(m_folder));
        return m_next.messageBox(text, caption, flags);
    }
    void errorBox(const QString& message) override { m_next.errorBox(message); }
    std::optional<QString> fileDialog(const seam::FileDialogRequest& r) override { return m_next.fileDialog(r); }
    std::optional<uint32_t> colorDialog(const QString& name, uint32_t initial) override
    {
        return m_next.colorDialog(name, initial);
    }
    int showModal(QObject& dialog) override { return m_next.showModal(dialog); }
    void beep() override { m_next.beep(); }

private:
    seam::Handler& m_next;
    QString m_folder;
};

} // namespace

TEST_F(Save, CompressedSaveWritesTheImageToADollarPDTemporaryFileFirst)
{
    setCompress(true);
    // The folder only this user may enter, made in the shared temporary folder.
    const QString privateFolder = privateTempPath();
    EXPECT_EQ(QFileInfo(QDir::cleanPath(privateFolder)).absolutePath(), QFileInfo(tempDir()).absoluteFilePath());
    TemporaryFolderSpy spy(ui, privateFolder);
    seam::Handler* previous = seam::install(&spy);
    // The cabinet cannot be written into a missing folder: its message comes while the
    // temporary file is still there.
    saveAs(file("gone/clock.pdl"));
    seam::install(previous);
    ASSERT_TRUE(ui.messages().contains("ERROR: FCIFlushCabinet")) << qPrintable(ui.messages().join("|"));
    ASSERT_EQ(spy.seen.size(), 1) << qPrintable(spy.seen.join(" "));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\$PD[0-9A-F]{4}\\.TMP$")).match(spy.seen[0]).hasMatch())
        << qPrintable(spy.seen[0]);
    EXPECT_EQ(spy.modes, (std::vector<mode_t>{0600, 0700})) << "the file and its folder are the user's alone";
    const FileImageContents image = readFileImage(spy.contents[0]);
    EXPECT_TRUE(image.sound()) << "it holds the file image";
    EXPECT_EQ(image.count, 7);
    // The fixture checks that the temporary folder is empty again.
}

// Ctrl+S saves again to the file last saved or opened, packed or not as the option says now,
// without the file dialog and ending as a save ends; Ctrl+Shift+S is Save, which always asks.
TEST_F(Save, SaveAgainWritesTheLastFileWithoutAsking)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const struct {
        bool compressFirst, compressAgain, openInstead;
    } cases[] = {{false, false, false}, {false, true, false}, {true, false, true}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        const QString path = file(QStringLiteral("again%1.pdl").arg(n++));
        setCompress(c.compressFirst);
        form->Edit1->setText(QStringLiteral("first"));
        saveAs(path);
        if (c.openInstead) {
            const QString other = file(QStringLiteral("other%1.pdl").arg(n));
            saveAs(other);
            ASSERT_TRUE(form->openClockFile(path));
        }
        ui.clearLog();
        setCompress(c.compressAgain);
        form->Edit1->setText(QStringLiteral("second"));
        QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(ui.records(Kind::FileDialog).empty()) << "no name is asked for";
        ASSERT_FALSE(ui.messages().isEmpty());
        EXPECT_EQ(ui.messages().back(), QStringLiteral("保存しました"));
        EXPECT_FALSE(form->modified());
        EXPECT_EQ(form->recentFiles().value(0), path);
        const Bytes saved = readFile(path);
        EXPECT_EQ(saved.size() >= 4 && std::equal(saved.begin(), saved.begin() + 4, "MSCF"), c.compressAgain);
        const OpenedDataFile opened = openDataFile(path);
        ASSERT_TRUE(opened.readable()) << qPrintable(opened.unreadable);
        EXPECT_TRUE(headerLines(opened.image.members[5]).join("|").contains(QStringLiteral("second")));
    }

    // Ctrl+Shift+S asks for a name although there is a file to save to.
    ui.clearLog();
    ui.answerFile(std::nullopt);
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(ui.records(Kind::FileDialog).size(), 1u);
    EXPECT_EQ(ui.records(Kind::FileDialog)[0].caption, QStringLiteral("SaveDialog1"));
}

// With no file saved or opened (at start, and after New made the clock anew) it asks as Save
// does, and saves where the user says.
TEST_F(Save, SaveAgainWithoutAFileAsksForOne)
{
    setCompress(false);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        form->Edit1->setText(QStringLiteral("clock"));
        ui.clearLog();
        ui.answerFile(std::nullopt);
        form->Overwrite1->trigger();
        ASSERT_EQ(ui.records(Kind::FileDialog).size(), 1u);
        EXPECT_TRUE(ui.messages().isEmpty());
        EXPECT_TRUE(form->modified());

        const QString path = file(QStringLiteral("asked%1.pdl").arg(round));
        choose(form->Overwrite1, path);
        EXPECT_EQ(ui.messages().back(), QStringLiteral("保存しました"));
        EXPECT_TRUE(QFile::exists(path));
        EXPECT_EQ(form->savedPath(), path);

        // New makes the clock anew: it is no longer the file's.
        form->Edit1->setText(QStringLiteral("changed"));
        ui.answerMessage(seam::IDOK);
        ui.answerMessage(seam::IDCANCEL);
        form->New1->trigger();
        EXPECT_TRUE(form->savedPath().isEmpty());
    }
}

TEST_F(Save, CancelledDialogChangesNothing)
{
    form->SetModified(true);
    ui.answerFile(std::nullopt);
    form->Save1->trigger();
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_TRUE(form->modified());
    EXPECT_EQ(TScreen::cursor(), crDefault);
}

TEST_F(Save, TextTheFileCannotHoldIsRefusedBeforeAnythingIsWritten)
{
    setCompress(false);
    form->Edit1->setText(QStringLiteral("Café clock"));
    form->Memo1->setPlainText(QStringLiteral("by me 😀"));
    ASSERT_TRUE(form->modified());
    const QString path = file("refused.pdl");
    ui.answerFile(path); // not asked for: the refusal comes first
    form->Save1->trigger();
    EXPECT_TRUE(ui.records(Kind::FileDialog).empty());
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("「é」"))) << qPrintable(ui.messages()[0]);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("「😀」"))) << qPrintable(ui.messages()[0]);
    EXPECT_FALSE(ui.messages()[0].contains(QStringLiteral("保存しました")));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(form->modified());

    // Called directly, the writer refuses too, with the framework's error.
    EXPECT_THROW(form->WriteDataFile(path), EFrameworkError);
    EXPECT_FALSE(QFile::exists(path));

    // An author text longer than a file may carry: the file could not be opened again.
    form->Edit1->setText(QStringLiteral("clock"));
    form->Memo1->setPlainText(QString(600 * 1024, QLatin1Char('a')) + QStringLiteral("\n") + QString(500 * 1024, QLatin1Char('b')));
    ui.clearLog();
    ui.answerFile(path);
    form->Save1->trigger();
    EXPECT_TRUE(ui.records(Kind::FileDialog).empty());
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("1126402 バイト"))) << qPrintable(ui.messages()[0]);
    EXPECT_THROW(form->WriteDataFile(path), EFrameworkError);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(Save, EveryDollarPDNameTakenInTheSharedFolderDoesNotStopACompressedSave)
{
    // Another user has made every name the temporary file could have, each a link to a file of
    // the user's: the save goes on in the user's own folder, and the file is not touched.
    setCompress(true);
    const QString victim = file("victim.rc");
    writeFile(victim, bytesOf("export PATH=/usr/bin\n"));
    const QByteArray target = QFile::encodeName(victim);
    for (unsigned n = 1; n <= 0xFFFF; ++n) {
        const QByteArray name = QFile::encodeName(tempDir()) + QByteArray("/$PD") + QByteArray::number(n, 16).toUpper().rightJustified(4, '0') + ".TMP";
        ASSERT_EQ(::symlink(target.constData(), name.constData()), 0) << name.constData();
    }
    const QString path = file("clock.pdl");
    saveAs(path);
    EXPECT_EQ(ui.messages(), QStringList{"保存しました"});
    EXPECT_EQ(textOf(readFile(path)).substr(0, 4), "MSCF");
    EXPECT_EQ(readFile(victim), bytesOf("export PATH=/usr/bin\n"));
    for (const QString& name : QDir(tempDir()).entryList({QStringLiteral("$PD*.TMP")}, QDir::System | QDir::Files))
        QFile::remove(QDir(tempDir()).filePath(name));
}

TEST_F(Save, NewFileTakesTheUsualModeAndASavedOverOneKeepsItsOwn)
{
    const mode_t oldMask = ::umask(022);
    for (const bool compress : {true, false}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        setCompress(compress);
        const QString fresh = file(compress ? "new-compressed.pdl" : "new-plain.pdl");
        const QString own = file(compress ? "private-compressed.pdl" : "private-plain.pdl");
        writeFile(own, bytesOf("an older save"));
        ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0600), 0);
        saveAs(fresh);
        saveAs(own);
        EXPECT_EQ(modeOf(fresh), 0644u);
        EXPECT_EQ(modeOf(own), 0600u) << "a file the user keeps to himself stays so";
        EXPECT_NE(readFile(own), bytesOf("an older save"));
    }
    ::umask(oldMask);
}

// One compressed save over a file of the user's and one to a new file, nothing else: what the
// next test traces.
TEST_F(Save, DISABLED_CompressedSavesAsTraced)
{
    setCompress(true);
    const QString own = file("own.pdl");
    // Made 0600 here too, so that every file in the trace is the program's or as private.
    const int fd = ::open(QFile::encodeName(own).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_EQ(::write(fd, "older", 5), 5);
    ::close(fd);
    saveAs(own);
    saveAs(file("new.pdl"));
    EXPECT_EQ(ui.messages(), (QStringList{"保存しました", "保存しました"}));
}

// Every file the program makes while it saves is made readable by the user alone (0600) and
// every folder enterable by the user alone (0700), whatever the umask: the system calls of the
// saves above, as strace shows them, each with its mode.
TEST(SaveTrace, EveryFileAndFolderASaveMakesIsTheUsersAloneFromTheStart)
{
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/strace")))
        GTEST_SKIP() << "strace is not installed";
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("trace"));
    const QString tmp = dir.filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkdir(tmp));
    const mode_t oldMask = ::umask(022);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    // LeakSanitizer cannot work in a traced process; the traced run is checked for leaks where
    // the test runs untraced.
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral("/usr/bin/strace"),
                {QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-y"), QStringLiteral("-e"),
                 QStringLiteral("trace=open,openat,creat,mkdir,mkdirat"), QStringLiteral("-o"), log,
                 QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=Save.DISABLED_CompressedSavesAsTraced")});
    const bool finished = child.waitForFinished(300000);
    ::umask(oldMask);
    ASSERT_TRUE(finished);
    const QString output = QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError());
    if (child.exitCode() != 0 && output.contains(QStringLiteral("PTRACE")))
        GTEST_SKIP() << "the system does not let strace trace: " << output.toStdString();
    ASSERT_EQ(child.exitCode(), 0) << output.toStdString();

    QFile trace(log);
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QRegularExpression creates(QStringLiteral("(open|openat|creat|mkdir|mkdirat)\\((.*)\\) = \\d+"));
    int files = 0, folders = 0;
    for (const QString& line : QString::fromLocal8Bit(trace.readAll()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = creates.match(line);
        // Only what is made in the test's folder: the saves, their temporary files, the settings;
        // not the folder the save test makes to stand for the shared temporary folder.
        if (!m.hasMatch() || !line.contains(tmp) || line.contains(QRegularExpression(QStringLiteral("mkdir\\(\"[^\"]*/tmp\""))))
            continue;
        const bool folder = m.captured(1).startsWith(QStringLiteral("mkdir"));
        if (!folder && !line.contains(QStringLiteral("O_CREAT")))
            continue;
        (folder ? folders : files) += 1;
        EXPECT_TRUE(m.captured(2).endsWith(folder ? QStringLiteral(", 0700") : QStringLiteral(", 0600"))) << line.toStdString();
    }
    EXPECT_GE(files, 5) << "the $PD file, the hidden files of the two saves and of the cabinets";
    EXPECT_GE(folders, 1) << "the private temporary folder";
}
