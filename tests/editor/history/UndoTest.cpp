// Undo and redo: every kind of step taken back and done again, the project compared member for
// member as the data-file writer saves it; the modified flag along the history; typing runs; the
// history's limits.
#include "tests/editor/EditorFixture.h"
#include "tests/editor/SavedMembers.h"

#include "datafile/DataFileSource.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/history/ProjectHistory.h"
#include "platform/AnsiText.h"

#include "tests/platform/WaveBytes.h"
#include "tests/support/TestFiles.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;
using Members = std::vector<Bytes>;

// What a step leaves behind, beyond the saved members: the items and controls that follow the
// project.
struct Shown {
    Members members;
    QString title;
    int width = 0, height = 0;
    bool newEnabled = false;
    QString items; // the slot items' enabled states, one letter each, and what each slot says it holds
    QSize panel;
    friend bool operator==(const Shown&, const Shown&) = default;
};

class Undo : public EditorFixture {
protected:
    Undo()
    {
        setCompress(false);
    }
    // The project as a save writes it, member for member (the header's date line aside), and
    // what the window shows of it. Saving does not count as a step here: the flag and the
    // history's saved state are put back.
    Shown shown()
    {
        const bool modified = form->modified();
        form->WriteDataFile(file("probe.pdl"));
        Shown s;
        s.members = undatedMembers(file("probe.pdl"));
        s.title = form->Edit1->text();
        s.width = form->TrackBar1->value();
        s.height = form->TrackBar2->value();
        s.newEnabled = form->New1->isEnabled();
        for (QAction* item : {form->NoData1, form->Play1, form->NoData2, form->Play2, form->NoData5, form->AnimParam1,
                              form->Play5, form->NoData6, form->AnimParam2, form->Play6})
            s.items += item->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        for (int slot = 1; slot <= 7; ++slot)
            s.items += QLatin1Char('|') + form->slotStateItem(slot)->text();
        s.panel = form->ClockPanel->size();
        EXPECT_EQ(form->modified(), modified);
        return s;
    }
    void answerAnimation(const TAnimParam& p)
    {
        ui.answerModal([p](QObject& dialog) {
            static_cast<TAnimationDlg&>(dialog).SetParam(p);
            return seam::mrOk;
        });
    }
    void answerName(const QString& name)
    {
        ui.answerModal([name](QObject& dialog) {
            static_cast<TStringDlg&>(dialog).Edit1->setText(name);
            return seam::mrOk;
        });
    }
};

} // namespace

TEST_F(Undo, EveryKindOfStepIsUndoneAndRedoneMemberForMember)
{
    const QString wave = file("chime.wav");
    writeFile(wave, pcm8Wave({0x80, 0x90, 0xA0}));
    const QString strip = bmp("strip.bmp", filledImage(80, 20, Qt::darkGreen));
    struct Step {
        QString name;
        std::function<void()> act;
    };
    const std::vector<Step> steps = {
        {"文字盤の読み込み", [&] { choose(form->Background1, bmp("dial.bmp", filledImage(300, 200, Qt::red))); }},
        {"時針の読み込み", [&] { choose(form->N2, bmp("hour.bmp", handImage(21, 60))); }},
        {"時針の位置合わせ", [&] {
             ui.answerModal([](QObject& dialog) {
                 static_cast<THandForm&>(dialog).SetHandPivot({4, 33});
                 return seam::mrOk;
             });
             form->GoTo1->trigger();
         }},
        {"回転穴を揃える", [&] {
             ui.answerModal([](QObject& dialog) {
                 static_cast<THandForm&>(dialog).SetDialCenter({120, 80});
                 return seam::mrOk;
             });
             form->N19->trigger();
         }},
        {"Window の簡易変形", [&] { form->TrackBar1->setValue(6); }},
        {"型紙の読み込み", [&] { choose(form->M1, bmp("mask.bmp", filledImage(50, 40, Qt::black))); }},
        {"Window のリセット", [&] { form->ResetRgnBtn->click(); }},
        {"デフォルトの時針", [&] { form->N12->trigger(); }},
        {"動作オプションの変更", [&] { form->Yes4->trigger(); }},
        {"針の表示の切り替え", [&] { form->ExtrudeHand1->trigger(); }},
        {"秒のサウンドの読み込み", [&] { choose(form->Load1, wave); }},
        {"分のサウンドのファイル名", [&] {
             answerName(QStringLiteral("分.wav"));
             form->byFileName2->trigger();
         }},
        {"秒のサウンドを無音に", [&] { form->Silent1->trigger(); }},
        {"分のアニメーションの読み込み", [&] {
             answerAnimation({3, 4, 1, 4, 200});
             choose(form->Load5, strip);
         }},
        {"分のアニメーションのパラメータ", [&] {
             answerAnimation({9, 9, 2, 2, 300});
             form->AnimParam1->trigger();
         }},
        {"時のアニメーションを無しに", [&] { form->Silent6->trigger(); }},
        {"分のアニメーションの設定解除", [&] { form->NoData5->trigger(); }},
        {"タイトルの入力", [&] { QTest::keyClicks(form->Edit1, QStringLiteral("night")); }},
        {"デフォルトの文字盤", [&] { form->N10->trigger(); }},
    };
    std::vector<Shown> states = {shown()};
    for (const Step& step : steps) {
        step.act();
        ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(step.name) << qPrintable(ui.errors().join("\n"));
        states.push_back(shown());
        ASSERT_NE(states.back(), states[states.size() - 2]) << qPrintable(step.name) << " changed nothing";
        EXPECT_EQ(form->Undo1->text(), QStringLiteral("元に戻す(&U): ") + step.name);
        EXPECT_FALSE(form->Redo1->isEnabled());
    }
    for (size_t k = steps.size(); k > 0; --k) {
        EXPECT_EQ(form->Undo1->text(), QStringLiteral("元に戻す(&U): ") + steps[k - 1].name);
        form->Undo1->trigger();
        EXPECT_TRUE(shown() == states[k - 1]) << "undoing " << qPrintable(steps[k - 1].name);
        EXPECT_EQ(form->Redo1->text(), QStringLiteral("やり直し(&R): ") + steps[k - 1].name);
    }
    EXPECT_FALSE(form->Undo1->isEnabled());
    EXPECT_FALSE(form->modified()) << "back at the project the editor started with";
    EXPECT_FALSE(form->New1->isEnabled());
    for (size_t k = 0; k < steps.size(); ++k) {
        form->Redo1->trigger();
        EXPECT_TRUE(shown() == states[k + 1]) << "redoing " << qPrintable(steps[k].name);
    }
    EXPECT_TRUE(form->modified());
    EXPECT_TRUE(ui.errors().isEmpty());
}

TEST_F(Undo, TheModifiedFlagFollowsTheHistory)
{
    form->Edit1->setText(QStringLiteral("一"));
    emit form->Edit1->editingFinished();
    choose(form->Save1, file("saved.pdl"));
    ASSERT_FALSE(form->modified());
    form->TrackBar2->setValue(3);
    EXPECT_TRUE(form->modified());
    form->Undo1->trigger();
    EXPECT_FALSE(form->modified()) << "back at the saved project";
    ui.clearLog();
    EXPECT_TRUE(form->close()) << "the close guard does not ask";
    EXPECT_TRUE(ui.records(Kind::MessageBox).empty());
    form->show();
    form->Undo1->trigger();
    EXPECT_TRUE(form->modified()) << "before the save: not what the file holds";
    EXPECT_EQ(form->Edit1->text(), QString());
    form->Redo1->trigger();
    EXPECT_FALSE(form->modified());
    form->Redo1->trigger();
    EXPECT_TRUE(form->modified());
    EXPECT_EQ(form->TrackBar2->value(), 3);

    // A step after an undo drops what could be redone; the saved project is out of reach then.
    form->Undo1->trigger();
    form->Undo1->trigger();
    form->TrackBar1->setValue(1);
    EXPECT_FALSE(form->Redo1->isEnabled());
    form->Undo1->trigger();
    EXPECT_TRUE(form->modified()) << "the saved project is not in the history any more";
}

// What changes nothing records no step, wherever in the history it happens: what could be redone
// stays, under its name, and is redone as it was.
TEST_F(Undo, WhatChangesNothingLeavesTheStepsToRedo)
{
    const QString dial = bmp("dial.bmp", filledImage(240, 180, Qt::red));
    struct NoChange {
        const char* what;
        std::function<void()> act;
        bool saves = false;
    };
    const std::vector<NoChange> cases = {
        {"a save", [&] { choose(form->Save1, file("saved.pdl")); }, true},
        {"a cancelled positioning dialog", [&] {
             ui.answerModal([](QObject&) { return int(seam::mrCancel); });
             form->GoTo1->trigger();
         }},
        {"a cancelled common centre", [&] {
             ui.answerModal([](QObject&) { return int(seam::mrCancel); });
             form->N19->trigger();
         }},
        {"a cancelled file dialog", [&] { choose(form->Background1, QString()); }},
        {"the option already chosen", [&] { form->Default2->trigger(); }},
        {"the built-in hand put back over itself", [&] { form->N12->trigger(); }},
        {"compression switched off and on", [&] {
             form->Compress1->trigger();
             form->Compress1->trigger();
         }},
    };
    for (const NoChange& c : cases) {
        SCOPED_TRACE(c.what);
        form = std::make_unique<TMainForm>();
        setCompress(false);
        choose(form->Background1, dial);
        form->Edit1->setText(QStringLiteral("夜"));
        emit form->Edit1->editingFinished();
        // Saved at the last step: at the first, the project is modified, and New's item and the
        // flag differ from what the first snapshot held.
        choose(form->Save1, file("last.pdl"));
        const Shown last = shown();
        form->Undo1->trigger();
        form->Undo1->trigger();
        ASSERT_FALSE(form->Undo1->isEnabled());
        ASSERT_TRUE(form->modified());
        c.act();
        EXPECT_EQ(form->history().stepCount(), 3u);
        EXPECT_FALSE(form->Undo1->isEnabled()) << qPrintable(form->Undo1->text());
        EXPECT_EQ(form->Redo1->text().toStdString(), "やり直し(&R): 文字盤の読み込み");
        form->Redo1->trigger();
        form->Redo1->trigger();
        EXPECT_TRUE(shown() == last);
        EXPECT_EQ(form->modified(), c.saves) << "the file saved last holds the project";
    }
}

// Undo and redo leave the modified flag as the command itself left it: a command that does not
// mark the project modified is no change to save after redo either.
TEST_F(Undo, RedoGivesTheModifiedFlagTheCommandGave)
{
    struct Command {
        const char* what;
        std::function<void()> act;
        bool marks;
        bool extruded = false; // the hands shown over the transparent parts before
    };
    const std::vector<Command> commands = {
        {"the built-in hour hand", [&] { form->N12->trigger(); }, false},
        {"the built-in dial", [&] { form->N10->trigger(); }, false},
        {"the hands over the transparent parts", [&] { form->ExtrudeHand1->trigger(); }, false},
        {"New resetting only the options", [&] {
             ui.answerMessage(seam::IDOK);
             form->New1->trigger();
         }, false},
        {"the hands off the transparent parts", [&] { form->ExtrudeHand1->trigger(); }, true, true},
        {"a hand loaded", [&] { choose(form->N3, bmp("minute.bmp", handImage(9, 70))); }, true},
    };
    for (const Command& c : commands) {
        SCOPED_TRACE(c.what);
        form = std::make_unique<TMainForm>();
        setCompress(false);
        choose(form->Background1, bmp("dial.bmp", filledImage(240, 180, Qt::red)));
        choose(form->N2, bmp("hour.bmp", handImage(21, 60)));
        form->Yes1->trigger();
        if (c.extruded)
            form->ExtrudeHand1->trigger();
        choose(form->Save1, file("saved.pdl"));
        ASSERT_FALSE(form->modified());
        const size_t before = form->history().stepCount();
        c.act();
        ASSERT_EQ(form->history().stepCount(), before + 1) << "one step";
        ASSERT_EQ(form->modified(), c.marks) << "the command itself";
        form->Undo1->trigger();
        EXPECT_FALSE(form->modified()) << "back at the saved project";
        form->Redo1->trigger();
        EXPECT_EQ(form->modified(), c.marks) << "redone";
        // Saved after the step and undone: the project before the step differs from the file,
        // whatever the step's command did.
        choose(form->Save1, file("saved.pdl"));
        form->Undo1->trigger();
        EXPECT_TRUE(form->modified());
        form->Redo1->trigger();
        EXPECT_FALSE(form->modified());
    }
}

TEST_F(Undo, TypingIsOneStepPerRunAndEachFieldKeepsItsOwnUndo)
{
    form->show();
    form->activateWindow();
    form->Edit1->setFocus();
    QTest::keyClicks(form->Edit1, QStringLiteral("abc"));
    form->Memo1->setFocus();
    QTest::keyClicks(form->Memo1, QStringLiteral("me"));
    form->Edit1->setFocus();
    QTest::keyClicks(form->Edit1, QStringLiteral("d"));
    EXPECT_EQ(form->Undo1->text(), QStringLiteral("元に戻す(&U): タイトルの入力"));
    form->Undo1->trigger();
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("abc"));
    form->Undo1->trigger();
    EXPECT_EQ(form->Memo1->toPlainText(), QString()) << "the author text's run, whole";
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("abc"));
    form->Undo1->trigger();
    EXPECT_EQ(form->Edit1->text(), QString()) << "the title's first run, whole; then " << qPrintable(form->Undo1->text());
    EXPECT_FALSE(form->Undo1->isEnabled());

    // Ctrl+Z in a field is the field's: it takes back its own typing, and the project's history
    // keeps that as a step too.
    form->Redo1->trigger();
    form->Edit1->setFocus();
    QTest::keyClicks(form->Edit1, QStringLiteral("xy"));
    QTest::keyClick(form->Edit1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("abc")) << "the field undid its typing";
    EXPECT_TRUE(form->Undo1->isEnabled());
    form->Undo1->trigger();
    EXPECT_EQ(form->Edit1->text(), QString());
}

TEST_F(Undo, NewAndOpenStartAFreshHistory)
{
    form->TrackBar1->setValue(5);
    choose(form->Save1, file("a.pdl"));
    form->TrackBar1->setValue(7);
    ASSERT_TRUE(form->Undo1->isEnabled());
    ui.answerMessage(seam::IDOK); // replace the modified project
    choose(form->Open1, file("a.pdl"));
    EXPECT_FALSE(form->Undo1->isEnabled());
    EXPECT_FALSE(form->Redo1->isEnabled());

    form->TrackBar2->setValue(9);
    ui.answerMessage(seam::IDOK);     // reset the project
    ui.answerMessage(seam::IDCANCEL); // keep the options
    form->New1->trigger();
    EXPECT_FALSE(form->Undo1->isEnabled());
    EXPECT_EQ(form->history().stepCount(), 1u);

    // New that keeps the project but resets the options: one step.
    form->Yes2->trigger();
    choose(form->Save1, file("b.pdl"));
    ui.answerMessage(seam::IDOK);
    form->New1->trigger();
    EXPECT_EQ(form->Undo1->text(), QStringLiteral("元に戻す(&U): 動作オプションの初期化"));
    form->Undo1->trigger();
    EXPECT_TRUE(form->Yes2->isChecked());
}

TEST_F(Undo, ALongHistoryKeepsItsLastStepsAndUnchangedPicturesAreShared)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(500, 500, Qt::blue))); // 750 KB
    const int64_t dial = form->bkgStream().size();
    for (int i = 0; i < 250; ++i) {
        form->Edit1->setText(QString::number(i));
        emit form->Edit1->editingFinished();
    }
    EXPECT_GE(form->history().stepCount(), 101u) << "at least 100 steps back";
    EXPECT_LE(form->history().heldBytes(), dial + 1024) << "the title steps share one dial";
    int undone = 0;
    while (form->Undo1->isEnabled()) {
        form->Undo1->trigger();
        ++undone;
    }
    EXPECT_GE(undone, 100);
    EXPECT_LT(undone, 251) << "the oldest steps went";
}

TEST(ProjectHistory, TheOldestStepsGoPastTheMemoryBound)
{
    ProjectHistory history(1000, 10 << 20);
    auto snapshotOf = [](int fill, size_t size) {
        ProjectSnapshot s;
        s.pictures[0] = std::make_shared<const ByteBlock>(size, uint8_t(fill));
        return s;
    };
    history.reset(snapshotOf(0, 3 << 20));
    for (int i = 1; i <= 5; ++i)
        history.record(snapshotOf(i, 3 << 20), QStringLiteral("dial"));
    EXPECT_LE(history.heldBytes(), 10 << 20);
    EXPECT_EQ(history.stepCount(), 3u) << "three 3 MiB pictures fit in 10 MiB";
    EXPECT_EQ(history.current().pictures[0]->front(), 5);
    // The current snapshot stays, whatever it holds.
    history.record(snapshotOf(9, 12 << 20), QStringLiteral("dial"));
    EXPECT_EQ(history.stepCount(), 1u);
    EXPECT_FALSE(history.canUndo());
}

TEST(ProjectHistory, TheModifiedFlagOfTheFirstStepKeptSurvivesTheStepsDropped)
{
    ProjectHistory history(2, 1 << 20);
    auto titled = [](const char* title) {
        ProjectSnapshot s;
        s.title = QString::fromUtf8(title);
        return s;
    };
    history.reset(titled("saved"));
    history.record(titled("loaded"), QStringLiteral("load"), false, true);
    for (const char* title : {"built-in", "built-in again", "built-in once more"})
        history.record(titled(title), QStringLiteral("built-in"), false, false);
    ASSERT_EQ(history.stepCount(), 3u);
    EXPECT_TRUE(history.modified());
    history.undo();
    history.undo();
    ASSERT_FALSE(history.canUndo());
    EXPECT_TRUE(history.modified()) << "a step after the load, which went with the steps dropped";
    history.markSaved();
    history.redo();
    EXPECT_FALSE(history.modified()) << "the built-in picture does not mark the project modified";
}
