// Pictures follow their files: saved again by an image editor (written and renamed over, removed
// and written anew, or in place), a picture comes back into the clock as one step of the history,
// keeping the holes the user placed; a file caught half written waits for the whole one; nothing
// changes while a dialog is open, nor while the option is off.
#include "tests/editor/EditorFixture.h"

#include "editor/widgets/ControlHostPanel.h"
#include "rotateimage/RotateImage.h"

#include "tests/platform/WaveBytes.h"
#include "tests/support/TestFiles.h"

#include "editor/history/RecoveryCopy.h"
#include "platform/FileNames.h"

#include <QFile>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace dw;
using namespace dw::test;

namespace {

// The three ways image editors save over a file.
enum class SaveWay { WriteAndRename, RemoveAndRewrite, InPlace };

void saveOver(const QString& path, const QByteArray& bytes, SaveWay way)
{
    switch (way) {
    case SaveWay::WriteAndRename: {
        const QString temporary = path + QStringLiteral(".part");
        ASSERT_TRUE(writeWhole(temporary, bytes));
        ASSERT_EQ(std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()), 0);
        break;
    }
    case SaveWay::RemoveAndRewrite:
        ASSERT_TRUE(QFile::remove(path));
        QTest::qWait(50); // the removal seen on its own first
        ASSERT_TRUE(writeWhole(path, bytes));
        break;
    case SaveWay::InPlace:
        ASSERT_TRUE(writeWhole(path, bytes));
        break;
    }
}

class Reload : public EditorFixture {
protected:
    // Waits (serving events) until the stream holds the file's bytes; false after three seconds.
    bool reloaded(const TMemoryStream& stream, const QByteArray& file)
    {
        const Bytes wanted(file.begin(), file.end());
        return QTest::qWaitFor([&] { return bytesOf(stream) == wanted; }, 3000);
    }
    // The holes placed by the user: every centre and pivot set away from the layout's defaults.
    void placeHoles()
    {
        ProjectSnapshot s = form->takeSnapshot();
        s.centres = {QPoint(31, 41), QPoint(59, 26), QPoint(53, 58)};
        s.pivots = {QPoint(3, 17), QPoint(4, 19), QPoint(2, 23)};
        form->restoreSnapshot(s);
        // A step of the user's of its own, as the positioning dialog's would be.
        form->Edit1->setText(QStringLiteral("placed"));
    }
    // A 120 × 90 dial and a hand loaded from bitmap files (the hand through its menu item), and
    // the holes placed; returns the two files and the holes as placed.
    struct Placed {
        QString dial, hand;
        std::array<QPoint, 3> centres, pivots;
    };
    Placed dialAndHandWithHoles(const char* handFile, QAction* handItem)
    {
        Placed placed{bmp("dial.bmp", noise(120, 90, 1)), bmp(handFile, handImage(6, 40)), {}, {}};
        choose(form->Background1, placed.dial);
        choose(handItem, placed.hand);
        placeHoles();
        placed.centres = centres();
        placed.pivots = pivots();
        return placed;
    }
    std::array<QPoint, 3> centres() const { return {form->hourCenter(), form->minCenter(), form->secCenter()}; }
    std::array<QPoint, 3> pivots() const
    {
        return {QPoint(form->SNeedleImage->PivotX(), form->SNeedleImage->PivotY()),
                QPoint(form->LNeedleImage->PivotX(), form->LNeedleImage->PivotY()),
                QPoint(form->SecNeedleImage->PivotX(), form->SecNeedleImage->PivotY())};
    }
    QString status() const { return form->StatusBar1->currentMessage(); }
};

} // namespace

TEST_F(Reload, EveryWayOfSavingOverTheFileReloadsItAsOneStepKeepingTheHoles)
{
    const auto [dial, hand, placedCentres, placedPivots] = dialAndHandWithHoles("hour.bmp", form->N2);

    uint32_t seed = 2;
    for (const SaveWay way : {SaveWay::WriteAndRename, SaveWay::RemoveAndRewrite, SaveWay::InPlace}) {
        SCOPED_TRACE(int(way));
        const QByteArray dialBytes = bmpFile(noise(120, 90, seed++));
        saveOver(dial, dialBytes, way);
        ASSERT_TRUE(reloaded(form->bkgStream(), dialBytes));
        EXPECT_EQ(form->history().undoName(), QStringLiteral("文字盤の再読み込み"));
        EXPECT_TRUE(status().contains(dial)) << qPrintable(status());
        EXPECT_TRUE(form->modified());

        const QByteArray handBytes = bmpFile(handImage(6, 40, QColor(200, 0, seed)));
        saveOver(hand, handBytes, way);
        ASSERT_TRUE(reloaded(form->hourStream(), handBytes));
        EXPECT_EQ(form->history().undoName(), QStringLiteral("時針の再読み込み"));
        EXPECT_EQ(centres(), placedCentres);
        EXPECT_EQ(pivots(), placedPivots);
        EXPECT_EQ(form->ClockPanel->size(), QSize(120, 90));
    }
    // The links held: a fourth save still reaches the clock, after the first removal.
    const QByteArray last = bmpFile(noise(120, 90, 99));
    saveOver(dial, last, SaveWay::WriteAndRename);
    EXPECT_TRUE(reloaded(form->bkgStream(), last));

    // Another file of the folder changing reloads nothing.
    const size_t steps = form->history().stepCount();
    ASSERT_TRUE(writeWhole(file("other.bmp"), bmpFile(noise(10, 10, 5))));
    QTest::qWait(2 * PictureLinks::kSettleMs + 100);
    EXPECT_EQ(form->history().stepCount(), steps);
}

TEST_F(Reload, AHalfWrittenPictureWaitsForTheWholeOne)
{
    const QString path = file("dial.png");
    ASSERT_TRUE(writeWhole(path, pngOf(noise(64, 48, 1))));
    ui.answerMessage(seam::IDOK); // converted, as the user agrees
    choose(form->Background1, path);
    ASSERT_EQ(form->linkedFiles()[0], path);
    ui.clearLog();
    const Bytes before = bytesOf(form->bkgStream());

    const QByteArray whole = pngOf(noise(64, 48, 2));
    ASSERT_TRUE(writeWhole(path, whole.left(whole.size() / 2)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return status().contains(QStringLiteral("待っています")); }, 3000)) << qPrintable(status());
    EXPECT_TRUE(status().contains(QStringLiteral("dial.png")));
    EXPECT_EQ(bytesOf(form->bkgStream()), before) << "nothing of the cut file is taken";
    EXPECT_TRUE(ui.messages().isEmpty()) << "no box: the status line says it";

    ASSERT_TRUE(writeWhole(path, whole));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bytesOf(form->bkgStream()) != before; }, 3000));
    const Bytes converted = bytesOf(form->bkgStream());
    const QImage shown = QImage::fromData(reinterpret_cast<const uchar*>(converted.data()), int(converted.size()));
    EXPECT_EQ(shown.pixel(5, 7), noise(64, 48, 2).pixel(5, 7)) << "converted again without a question";
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Reload, NothingChangesWhileADialogIsOpenAndTheChangeComesWhenItCloses)
{
    const QString dial = bmp("dial.bmp", noise(50, 50, 1));
    choose(form->Background1, dial);
    const Bytes before = bytesOf(form->bkgStream());
    const QByteArray after = bmpFile(noise(50, 50, 2));
    ui.answerModal([&](QObject&) {
        saveOver(dial, after, SaveWay::WriteAndRename);
        QTest::qWait(PictureLinks::kSettleMs + 2 * PictureLinks::kHeldRetryMs);
        EXPECT_EQ(bytesOf(form->bkgStream()), before) << "reloaded under an open dialog";
        return int(seam::mrCancel);
    });
    form->GoTo1->trigger();
    EXPECT_TRUE(ui.scriptDone());
    EXPECT_TRUE(reloaded(form->bkgStream(), after));
}

TEST_F(Reload, AnotherSizeIsLaidOutAfreshAndUndoBringsTheOldBack)
{
    const auto [dial, hand, placedCentres, placedPivots] = dialAndHandWithHoles("minute.bmp", form->N3);
    const Bytes oldDial = bytesOf(form->bkgStream());

    const QByteArray bigger = bmpFile(noise(160, 100, 2));
    saveOver(dial, bigger, SaveWay::WriteAndRename);
    ASSERT_TRUE(reloaded(form->bkgStream(), bigger));
    EXPECT_EQ(form->ClockPanel->size(), QSize(160, 100));
    EXPECT_EQ(form->hourCenter(), QPoint(80, 50)) << "centred as for a fresh load";

    const QByteArray wider = bmpFile(handImage(10, 40));
    saveOver(hand, wider, SaveWay::WriteAndRename);
    ASSERT_TRUE(reloaded(form->minStream(), wider));
    EXPECT_EQ(form->LNeedleImage->PivotX(), 5) << "the hole in the middle of the new width ";

    form->Undo1->trigger();
    form->Undo1->trigger();
    EXPECT_EQ(bytesOf(form->bkgStream()), oldDial);
    EXPECT_EQ(form->ClockPanel->size(), QSize(120, 90));
    EXPECT_EQ(centres(), placedCentres);
    EXPECT_EQ(pivots(), placedPivots);
    EXPECT_EQ(form->linkedFiles()[0], dial) << "the file stays linked: its next save comes back";
    const QByteArray again = bmpFile(noise(120, 90, 3));
    saveOver(dial, again, SaveWay::WriteAndRename);
    EXPECT_TRUE(reloaded(form->bkgStream(), again));
}

TEST_F(Reload, TheMaskAndAStripFollowTheirFilesToo)
{
    QImage mask = filledImage(40, 30, Qt::white);
    const QString maskPath = bmp("mask.bmp", mask, pf1bit);
    choose(form->M1, maskPath);
    QImage cut = mask;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 20; ++x)
            cut.setPixel(x, y, qRgb(0, 0, 0));
    const TRegion first = form->clockRgn();
    saveOver(maskPath, bmpFile(cut, pf1bit), SaveWay::WriteAndRename);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(form->clockRgn() == first); }, 3000));
    EXPECT_EQ(form->history().undoName(), QStringLiteral("型紙の再読み込み"));

    const QString strip = bmp("strip.bmp", noise(40, 10, 1));
    ui.answerModal([](QObject&) { return int(seam::mrOk); });
    choose(form->Load5, strip);
    const Bytes record = bytesOf(*form->editableSlotRecord(5));
    saveOver(strip, bmpFile(noise(40, 10, 2)), SaveWay::WriteAndRename);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bytesOf(*form->editableSlotRecord(5)) != record; }, 3000));
    EXPECT_EQ(form->history().undoName(), QStringLiteral("分のアニメーションの再読み込み"));
    EXPECT_EQ(bytesOf(*form->editableSlotRecord(5)).size(), record.size()) << "the parameters kept";
}

TEST_F(Reload, TheOptionTurnsItOffAndASavedClockOpensWithoutLinks)
{
    ASSERT_TRUE(form->AutoReload1->isChecked()) << "on from the start";
    const QString dial = bmp("dial.bmp", noise(50, 50, 1));
    choose(form->Background1, dial);
    form->AutoReload1->trigger();
    const Bytes before = bytesOf(form->bkgStream());
    const QByteArray after = bmpFile(noise(50, 50, 2));
    saveOver(dial, after, SaveWay::WriteAndRename);
    QTest::qWait(2 * PictureLinks::kSettleMs + 100);
    EXPECT_EQ(bytesOf(form->bkgStream()), before);
    form->AutoReload1->trigger();
    EXPECT_TRUE(reloaded(form->bkgStream(), after)) << "what changed meanwhile comes when it is on again";

    // Kept in the settings file.
    form->AutoReload1->trigger();
    form->writeSettings();
    TMainForm second;
    EXPECT_FALSE(second.AutoReload1->isChecked());
    form->AutoReload1->trigger();

    // A saved clock opened again follows no file.
    setCompress(false);
    const QString saved = file("clock.pdl");
    choose(form->Save1, saved);
    ASSERT_TRUE(form->openClockFile(saved));
    EXPECT_EQ(form->linkedFiles(), LinkedFiles{});
    const Bytes opened = bytesOf(form->bkgStream());
    saveOver(dial, bmpFile(noise(50, 50, 3)), SaveWay::WriteAndRename);
    QTest::qWait(2 * PictureLinks::kSettleMs + 100);
    EXPECT_EQ(bytesOf(form->bkgStream()), opened);
}

// Names a file system holds that the toolkit's own conversion loses (a byte that is no UTF-8) or
// that are easily changed (blanks at either end, a control character, "%"): a picture and a sound
// loaded from such a name keep it exactly, the picture follows its file, and the recovery copy
// gives back every name and the file the next Save proposes.
TEST_F(Reload, PicturesAndSoundsKeepTheirNamesExactly)
{
    const auto writeByName = [](const QString& path, const QByteArray& bytes) {
        std::FILE* f = std::fopen(fileSystemName(path).constData(), "wb");
        ASSERT_TRUE(f) << path.toStdString();
        EXPECT_EQ(std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f), size_t(bytes.size()));
        std::fclose(f);
    };
    const Bytes wave = pcm8Wave({0x80, 0x7F, 0x90});
    uint32_t seed = 10;
    for (const char* name : {"dial-\xff\xfe", "trail ", " lead%41", "ctl\x01", "\xe6\x99\x82\xe8\xa8\x88"}) {
        SCOPED_TRACE(name);
        const QByteArray folder = fileSystemName(dir.path()) + '/';
        const QString picture = nameFromFileSystem(folder + name + ".bmp" + (name[std::strlen(name) - 1] == ' ' ? " " : ""));
        const QString sound = nameFromFileSystem(folder + name + ".wav");
        writeByName(picture, bmpFile(noise(120, 90, seed++)));
        writeByName(sound, QByteArray(reinterpret_cast<const char*>(wave.data()), qsizetype(wave.size())));

        choose(form->Background1, picture);
        ASSERT_EQ(form->takeSnapshot().linkedFiles[0], picture);
        choose(form->menuItem("Load1"), sound);
        EXPECT_EQ(form->takeSnapshot().slotFileNames[0], nameFromFileSystem(name + QByteArray(".wav")));

        // Followed: a new picture written beside it and renamed over it comes in.
        const QByteArray next = bmpFile(noise(120, 90, seed++));
        const QString written = file(QStringLiteral("next.part"));
        ASSERT_TRUE(writeWhole(written, next));
        ASSERT_EQ(std::rename(fileSystemName(written).constData(), fileSystemName(picture).constData()), 0);
        EXPECT_TRUE(reloaded(form->bkgStream(), next));

        const RecoveryCopyReading back = readRecoveryCopy(writeRecoveryCopy(form->takeSnapshot(), picture));
        ASSERT_TRUE(back.project) << qPrintable(back.problem);
        EXPECT_EQ(back.project->snapshot.linkedFiles[0], picture);
        EXPECT_EQ(back.project->snapshot.slotFileNames[0], form->takeSnapshot().slotFileNames[0]);
        EXPECT_EQ(back.project->savedPath, picture);
        // The toolkit's removal of the test's folder would not reach these names.
        ::unlink(fileSystemName(picture).constData());
        ::unlink(fileSystemName(sound).constData());
    }
}
