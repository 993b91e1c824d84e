// Saving the project as the user does it: the Save command with its file dialog, plain and packed
// as a cabinet, and what a failure leaves behind.
#include "tests/editor/files/SaveFixture.h"

#include "platform/FrameworkError.h"
#include "platform/Screen.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace dw;
using namespace dw::test;

using Kind = seam::ScriptedHandler::Kind;

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
    for (const char* line : {"HPX=10", "HPY=70", "SPX=2", "HCX=150", "SCY=100", "TLH=1", "CHA=2", "ExtrudeHand=1"})
        EXPECT_TRUE(lines.contains(line)) << line;
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

// A cabinet that cannot be made (no temporary folder; more than the 16 MiB a cabinet may hold)
// ends with a message and the plain file image, which the user can use.
TEST_F(Save, CabinetThatCannotBeMadeFallsBackToThePlainFile)
{
    auto savesPlain = [&](const QString& path) {
        saveAs(path);
        EXPECT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
        EXPECT_EQ(ui.messages().value(ui.messages().size() - 1), "ファイルの圧縮に失敗しました。");
        EXPECT_FALSE(ui.messages().contains("保存しました"));
        EXPECT_EQ(ui.beeps(), 1);
        EXPECT_FALSE(form->modified()) << "the user has a usable file";
        const FileImageContents saved = readFileImage(readFile(path));
        EXPECT_TRUE(saved.sound()) << "the uncompressed file image";
        return saved;
    };
    qputenv("TMPDIR", file("no-such-folder").toLocal8Bit());
    form->SetModified(true);
    EXPECT_EQ(savesPlain(file("fallback.pdl")).count, 7);
    EXPECT_EQ(ui.messages().value(0), "ERROR: GetTempFileName");
    EXPECT_EQ(ui.messages().size(), 2);
    qputenv("TMPDIR", tempDir().toLocal8Bit());

    // A dial of 2400 × 2400 pixels of noise, 17 MB.
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
    const FileImageContents saved = savesPlain(file("noise.pdl"));
    ASSERT_EQ(saved.members.size(), 7u);
    EXPECT_EQ(saved.members[0], noise);
}

// A save that fails (the disk full while the file or, packed, the temporary file is written; a
// folder that is not there) or is cancelled keeps the flag, says nothing of success and leaves
// the folder as it was.
TEST_F(Save, FailedOrCancelledSaveLeavesTheOldFileAndTheFlag)
{
    const QString old = file("old.pdl"), gone = file("gone/clock.pdl");
    const Bytes yesterday = bytesOf(std::string("the clock saved yesterday"));
    writeFile(old, yesterday);
    const struct {
        bool compress;
        std::optional<QString> path;
        rlim_t fileSizeLimit; // 0: none
        QStringList errors, messages;
    } cases[] = {
        {false, old, 1000, {stock::fileWriteError(old)}, {}},
        {true, old, 1000, {stock::fileWriteError(old)}, {}},
        {false, gone, 0, {stock::fileCreateError(gone)}, {}},
        {true, gone, 0, {stock::fileCreateError(gone)}, {"ERROR: FCIFlushCabinet"}},
        {true, std::nullopt, 0, {}, {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n++);
        ui.clearLog();
        setCompress(c.compress);
        form->SetModified(true);
        ui.answerFile(c.path);
        // The disk fills up: at most so many bytes fit into any file.
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
        rlimit tight = previous;
        if (c.fileSizeLimit)
            tight.rlim_cur = c.fileSizeLimit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
        form->Save1->trigger();
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_EQ(ui.errors(), c.errors) << "names the file";
        EXPECT_EQ(ui.messages(), c.messages) << "no success message";
        EXPECT_TRUE(form->modified());
        EXPECT_EQ(TScreen::cursor(), crDefault);
        EXPECT_EQ(readFile(old), yesterday) << "byte for byte as it was";
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"old.pdl"}))
            << "nothing half-written beside it";
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

// Text the file cannot hold (characters without a code page byte; an author text longer than a
// file may carry, which could not be opened again) is refused before the file dialog, and the
// writer called directly refuses it with the framework's error.
TEST_F(Save, TextTheFileCannotHoldIsRefusedBeforeAnythingIsWritten)
{
    setCompress(false);
    const QString path = file("refused.pdl");
    const struct {
        QString title, author;
        QStringList told;
    } cases[] = {
        {QStringLiteral("Café clock"), QStringLiteral("by me 😀"), {QStringLiteral("「é」"), QStringLiteral("「😀」")}},
        {QStringLiteral("clock"), QString(600 * 1024, QLatin1Char('a')) + "\n" + QString(500 * 1024, QLatin1Char('b')),
         {QStringLiteral("1126402 バイト")}},
    };
    for (const auto& c : cases) {
        form->Edit1->setText(c.title);
        form->Memo1->setPlainText(c.author);
        ASSERT_TRUE(form->modified());
        ui.clearLog();
        ui.answerFile(path); // not asked for: the refusal comes first
        form->Save1->trigger();
        EXPECT_TRUE(ui.records(Kind::FileDialog).empty());
        ASSERT_EQ(ui.messages().size(), 1);
        for (const QString& part : c.told)
            EXPECT_TRUE(ui.messages()[0].contains(part)) << qPrintable(ui.messages()[0]);
        EXPECT_FALSE(ui.messages()[0].contains(QStringLiteral("保存しました")));
        EXPECT_TRUE(form->modified());
        EXPECT_THROW(form->WriteDataFile(path), EFrameworkError);
        EXPECT_FALSE(QFile::exists(path));
    }
}




