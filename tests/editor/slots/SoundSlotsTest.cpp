// The four sound slots driven through their menus: records byte for byte, the enabled items,
// the modified flag, the file-name dialog, Test Play and the saved file.
#include "tests/editor/EditorFixture.h"

#include "datafile/DataFileSource.h"

#include "platform/AnsiText.h"
#include "platform/FrameworkError.h"

#include "tests/platform/WaveBytes.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <functional>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

// A slot's five items, found by name as the menu names them.
struct SoundItems {
    int slot;
    QAction *load, *byFileName, *silent, *noData, *play;
};

class SoundSlots : public EditorFixture {
protected:
    SoundItems items(int slot) const
    {
        const QString n = QString::number(slot);
        return {slot, form->menuItem("Load" + n), form->menuItem("byFileName" + n), form->menuItem("Silent" + n),
                form->menuItem("NoData" + n), form->menuItem("Play" + n)};
    }
    Bytes record(int slot) const { return bytesOf(form->slotRecord(slot)); }
    QString wave(const QString& name, const Bytes& bytes) const
    {
        writeFile(file(name), bytes);
        return file(name);
    }
    // The enabled states of a slot's No Data and Test Play items.
    std::pair<bool, bool> enabled(int slot) const
    {
        const SoundItems i = items(slot);
        return {i.noData->isEnabled(), i.play->isEnabled()};
    }
    // Answers the file-name dialog: what it showed is kept, then the user's text and result.
    void answerName(std::optional<QString> text, int result = seam::mrOk)
    {
        ui.answerModal([this, text, result](QObject& dialog) {
            auto& dlg = static_cast<TStringDlg&>(dialog);
            shownText = dlg.Edit1->text();
            shownCaption = dlg.windowTitle();
            if (text)
                dlg.Edit1->setText(*text);
            return result;
        });
    }

    // A wave file of a few 8-bit samples, the given ones after the first two.
    static Bytes waveOf(const Bytes& samples) { return pcm8Wave(cat({{0x80, 0x7F}, samples})); }
    const Bytes someWave = waveOf({});
    QString shownText, shownCaption;
};

} // namespace

TEST_F(SoundSlots, LoadEmbedsTheFileUnchangedInEachSlot)
{
    for (int slot = 1; slot <= 4; ++slot) {
        form->SetModified(false);
        const Bytes bytes = waveOf({uint8_t(slot)}); // a different file for every slot
        choose(items(slot).load, wave(QStringLiteral("s%1.wav").arg(slot), bytes));
        EXPECT_EQ(record(slot), cat({le32(uint32_t(slot)), le32(1), bytes})) << slot;
        EXPECT_EQ(enabled(slot), std::make_pair(true, true));
        EXPECT_TRUE(form->modified());
        EXPECT_TRUE(form->New1->isEnabled());
    }
    EXPECT_TRUE(ui.errors().isEmpty());
    const auto dialogs = ui.records(Kind::FileDialog);
    ASSERT_EQ(dialogs.size(), 4u);
    const seam::FileDialogRequest& d = dialogs[0].file;
    EXPECT_EQ(d.name, "OpenDialog1");
    EXPECT_EQ(d.filter, "Wave(*.wav)|*.wav");
    EXPECT_EQ(d.defaultExt, "wav");
    EXPECT_TRUE(d.fileMustExist);
    EXPECT_TRUE(d.hideReadOnly);
    EXPECT_EQ(dialogs[3].file.fileName, file("s3.wav")) << "the dialog offers the file chosen last";
}

TEST_F(SoundSlots, AFileThatIsNoSoundThePlayerPlaysIsRefusedAndTheSlotStays)
{
    choose(items(2).load, wave("old.wav", someWave));
    form->SetModified(false);
    WaveFields gsm;
    gsm.formatTag = 0x31; // GSM 6.10: a wave file, but not one the player decodes
    const struct {
        const char* name;
        Bytes bytes;
        const char* why;
        qint64 length = 0; // the file made this long, with holes, after its bytes
    } refused[] = {
        {"empty.wav", {}, "ではない"},
        {"notes.wav", {'h', 'e', 'l', 'l', 'o', '\n'}, "ではない"},
        // Refused by its first bytes, never read: reading it whole would end in the memory error.
        {"huge-notes.wav", {'h', 'e', 'l', 'l', 'o', '\n'}, "ではない", qint64(3) << 30},
        {"riff-only.wav", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, "再生できない"},
        {"gsm.wav", waveImage(gsm, Bytes(65, 0)), "再生できない"},
        {"cut.wav", Bytes(someWave.begin(), someWave.begin() + 30), "再生できない"},
    };
    for (const auto& r : refused) {
        ui.clearLog();
        const QString path = wave(r.name, r.bytes);
        if (r.length) {
            ASSERT_TRUE(QFile::resize(path, r.length));
        }
        choose(items(2).load, path);
        ASSERT_EQ(ui.messages().size(), 1) << r.name;
        EXPECT_TRUE(ui.messages()[0].startsWith(QStringLiteral("「%1」").arg(r.name))) << qPrintable(ui.messages()[0]);
        EXPECT_TRUE(ui.messages()[0].contains(QString::fromUtf8(r.why))) << qPrintable(ui.messages()[0]);
        EXPECT_EQ(ui.beeps(), 1);
        EXPECT_EQ(record(2), cat({le32(2), le32(1), someWave})) << r.name << ": the sound it had stays";
        EXPECT_EQ(enabled(2), std::make_pair(true, true));
        EXPECT_FALSE(form->modified()) << r.name;
    }
}

TEST_F(SoundSlots, LoadThatCannotReadItsFileLeavesEverythingAsItWas)
{
    choose(items(1).load, wave("old.wav", someWave));
    form->SetModified(false);
    const Bytes before = record(1);
    for (const QString& bad : {file("missing.wav"), dir.path()}) {
        ui.clearLog();
        choose(items(1).load, bad);
        EXPECT_EQ(ui.errors(), QStringList{stock::fileOpenError(bad)});
        EXPECT_EQ(record(1), before) << "the old sound stays";
        EXPECT_EQ(enabled(1), std::make_pair(true, true));
        EXPECT_FALSE(form->modified());
    }
    // On an unset slot the items stay disabled as well.
    choose(items(3).load, file("missing.wav"));
    EXPECT_TRUE(record(3).empty());
    EXPECT_EQ(enabled(3), std::make_pair(false, false));
}

TEST_F(SoundSlots, CancelledLoadChangesNothing)
{
    choose(items(4).load, wave("a.wav", someWave));
    form->SetModified(false);
    ui.answerFile(std::nullopt);
    items(4).load->trigger();
    EXPECT_EQ(record(4), cat({le32(4), le32(1), someWave}));
    EXPECT_FALSE(form->modified());
}

TEST_F(SoundSlots, ByFileNameShowsTheRecordedNameOnlyForANamedSlot)
{
    answerName(QStringLiteral("時報.wav"));
    items(1).byFileName->trigger();
    EXPECT_EQ(shownText, QString()) << "unset slot";
    EXPECT_EQ(shownCaption, "サウンドファイル名(*.wav)を入力してください");
    const std::string ansi = ansiFromUnicode(QStringLiteral("時報.wav")).bytes;
    EXPECT_EQ(record(1), cat({le32(1), le32(0), Bytes(ansi.begin(), ansi.end()), {0}}));
    EXPECT_EQ(record(1).size(), ansi.size() + 9);
    EXPECT_EQ(enabled(1), std::make_pair(true, true));
    EXPECT_TRUE(form->modified());

    answerName(std::nullopt, seam::mrCancel);
    items(1).byFileName->trigger();
    EXPECT_EQ(shownText, "時報.wav") << "the recorded name comes back";

    choose(items(1).load, wave("a.wav", someWave));
    answerName(std::nullopt, seam::mrCancel);
    items(1).byFileName->trigger();
    EXPECT_EQ(shownText, QString()) << "embedded slot";

    items(1).silent->trigger();
    answerName(std::nullopt, seam::mrCancel);
    items(1).byFileName->trigger();
    EXPECT_EQ(shownText, QString()) << "silent slot";
}

// A command on a slot holding a loaded wave: the record it leaves, the No Data and Test Play
// items it enables and whether the project is then modified.
TEST_F(SoundSlots, EachCommandAfterALoadLeavesItsRecordItemsAndFlag)
{
    struct Case {
        const char* name;
        int slot;
        std::function<void()> command;
        Bytes record;
        std::pair<bool, bool> enabled;
        bool modified;
    };
    const Case cases[] = {
        {"By File Name cancelled keeps the wave", 3,
         [&] {
             answerName(QStringLiteral("typed but cancelled.wav"), seam::mrCancel);
             items(3).byFileName->trigger();
         },
         cat({le32(3), le32(1), someWave}), {true, true}, false},
        {"By File Name with an empty field unsets the slot", 2,
         [&] {
             answerName(QString());
             items(2).byFileName->trigger();
         },
         {}, {false, false}, true},
        {"Silent is the slot number alone", 3, [&] { items(3).silent->trigger(); }, le32(3), {true, false}, true},
        {"No Data empties the record", 1, [&] { items(1).noData->trigger(); }, {}, {false, false}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        choose(items(c.slot).load, wave("a.wav", someWave));
        form->SetModified(false);
        c.command();
        EXPECT_EQ(record(c.slot), c.record);
        EXPECT_EQ(enabled(c.slot), c.enabled);
        EXPECT_EQ(form->modified(), c.modified);
    }
}

TEST_F(SoundSlots, ByFileNameKeepsTheTextUntrimmedAndRefusesWhatTheFileCannotHold)
{
    answerName(QStringLiteral(" a b.wav "));
    items(4).byFileName->trigger();
    EXPECT_EQ(record(4), cat({le32(4), le32(0), {' ', 'a', ' ', 'b', '.', 'w', 'a', 'v', ' ', 0}}));

    // A name the file cannot hold is refused; the dialog comes back with it for correcting,
    // and Cancel then leaves the slot as it was.
    form->SetModified(false);
    ui.clearLog();
    const QString refused = QStringLiteral("chime\U0001F514.wav");
    answerName(refused);
    answerName(std::nullopt, seam::mrCancel);
    items(4).byFileName->trigger();
    EXPECT_EQ(ui.beeps(), 1);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("「\U0001F514」"))) << qPrintable(ui.messages()[0]);
    EXPECT_EQ(shownText, refused) << "the refused name is offered again";
    EXPECT_EQ(record(4), cat({le32(4), le32(0), {' ', 'a', ' ', 'b', '.', 'w', 'a', 'v', ' ', 0}})) << "unchanged";
    EXPECT_FALSE(form->modified());

    // Corrected in the dialog that came back: recorded.
    answerName(refused);
    answerName(QStringLiteral("chime.wav"));
    items(4).byFileName->trigger();
    EXPECT_EQ(record(4), cat({le32(4), le32(0), {'c', 'h', 'i', 'm', 'e', '.', 'w', 'a', 'v', 0}}));
    EXPECT_TRUE(form->modified());
}

TEST_F(SoundSlots, EachSubmenuEndsWithWhatItsSlotHolds)
{
    QAction* state = form->slotStateItem(3);
    ASSERT_NE(state, nullptr);
    EXPECT_FALSE(state->isEnabled());
    EXPECT_EQ(state->text(), "設定なし");
    choose(items(3).load, wave("chime.wav", waveOf(Bytes(11998, 0x90)))); // 12000 samples at 8000 a second
    EXPECT_EQ(state->text(), "読み込み済み: chime.wav (1.5 秒)");
    // A name with "&" shows as typed: doubled in the caption, so that it marks no access key.
    answerName(QStringLiteral("R&B 時報.wav"));
    items(3).byFileName->trigger();
    EXPECT_EQ(state->text(), "ファイル名: R&&B 時報.wav");
    EXPECT_EQ(state->iconText(), "ファイル名: R&B 時報.wav") << "what the menu shows";
    items(3).silent->trigger();
    EXPECT_EQ(state->text(), "無音");
    EXPECT_EQ(form->slotStateItem(2)->text(), "設定なし") << "the other slots say what they hold";
    items(3).noData->trigger();
    EXPECT_EQ(state->text(), "設定なし");
    EXPECT_FALSE(state->isEnabled());

    // Opened from a file, an embedded sound's file name is not known.
    choose(items(3).load, wave("chime.wav", waveOf(Bytes(11998, 0x90))));
    if (form->Compress1->isChecked())
        form->Compress1->trigger();
    choose(form->Save1, file("state.pdl"));
    form = std::make_unique<TMainForm>();
    choose(form->Open1, file("state.pdl"));
    EXPECT_EQ(form->slotStateItem(3)->text(), "読み込み済み (1.5 秒)");
}

TEST_F(SoundSlots, ACommandOnOneSlotLeavesTheOthers)
{
    // The minute animation's Parameters item stays enabled after New although its record is
    // empty: a sound command that refreshed every slot's items would turn it off.
    ui.answerModal([](QObject&) { return seam::mrOk; });
    choose(form->Load5, bmp("strip.bmp", filledImage(40, 20, Qt::blue)));
    ui.answerMessage(seam::IDOK);
    ui.answerMessage(seam::IDCANCEL);
    form->New1->trigger();
    ASSERT_TRUE(form->AnimParam1->isEnabled());
    // Every slot in another state, then each command on each slot in turn.
    choose(items(1).load, wave("a.wav", someWave));
    answerName(QStringLiteral("b.wav"));
    items(2).byFileName->trigger();
    items(3).silent->trigger();
    for (int target = 1; target <= 4; ++target) {
        std::vector<Bytes> before;
        std::vector<std::pair<bool, bool>> itemsBefore;
        for (int s = 1; s <= 4; ++s) {
            before.push_back(record(s));
            itemsBefore.push_back(enabled(s));
        }
        auto others = [&](const char* what) {
            for (int s = 1; s <= 4; ++s) {
                if (s == target)
                    continue;
                EXPECT_EQ(record(s), before[size_t(s - 1)]) << what << " on " << target << " changed " << s;
                EXPECT_EQ(enabled(s), itemsBefore[size_t(s - 1)]) << what << " on " << target << " changed " << s;
            }
            EXPECT_TRUE(form->AnimParam1->isEnabled()) << what << " on " << target << " refreshed the animation's items";
        };
        choose(items(target).load, file("a.wav"));
        others("Load");
        answerName(QStringLiteral("x.wav"));
        items(target).byFileName->trigger();
        others("by File Name");
        items(target).silent->trigger();
        others("Silent");
        items(target).noData->trigger();
        others("No Data");
        items(target).play->trigger();
        others("Test Play");
        // Back to the state it had, for the next round.
        if (target == 1)
            choose(items(1).load, file("a.wav"));
        if (target == 2) {
            answerName(QStringLiteral("b.wav"));
            items(2).byFileName->trigger();
        }
        if (target == 3)
            items(3).silent->trigger();
    }
}

TEST_F(SoundSlots, SenderThatIsNoSlotItemChangesNothing)
{
    choose(items(1).load, wave("a.wav", someWave));
    form->SetModified(false);
    const Bytes before = record(1);
    for (QObject* stranger : {static_cast<QObject*>(form->Save1), static_cast<QObject*>(nullptr),
                              static_cast<QObject*>(form->Load1)}) {
        form->Silent1Click(stranger);
        form->NoData1Click(stranger);
    }
    form->Load1Click(form->Silent1);
    form->byFileName1Click(form->Play1);
    form->Play1Click(form->Load1);
    // Animation items are no sound items: the sound commands ignore them.
    form->Load1Click(form->Load5);
    form->Play1Click(form->Play5);
    EXPECT_EQ(record(1), before);
    EXPECT_FALSE(form->modified());
    EXPECT_TRUE(player.played.empty());
    EXPECT_EQ(ui.log().size(), 1u) << "only the first Load's dialog";
}

TEST_F(SoundSlots, SilentAndNoDataServeTheAnimationSlotsToo)
{
    const struct {
        int slot;
        QAction *silent, *noData;
    } anims[] = {{5, form->Silent5, form->NoData5}, {6, form->Silent6, form->NoData6}, {7, form->Silent7, form->NoData7}};
    for (const auto& a : anims) {
        form->SetModified(false);
        form->Silent1Click(a.silent);
        EXPECT_EQ(record(a.slot), le32(uint32_t(a.slot)));
        EXPECT_TRUE(form->modified());
        form->SetModified(false);
        form->NoData1Click(a.noData);
        EXPECT_TRUE(record(a.slot).empty());
        EXPECT_TRUE(form->modified());
    }
    for (int s = 1; s <= 4; ++s)
        EXPECT_TRUE(record(s).empty());
}

TEST_F(SoundSlots, TestPlayHandsTheBytesAfterTheHeaderToThePlayerAndChangesNothing)
{
    choose(items(2).load, wave("a.wav", someWave));
    form->SetModified(false);
    ui.clearLog();
    items(2).play->trigger();
    items(2).play->trigger();
    ASSERT_EQ(player.played.size(), 2u);
    EXPECT_EQ(player.played[0], someWave);
    EXPECT_FALSE(form->modified());
    EXPECT_TRUE(ui.log().empty()) << "no message, whatever the bytes are";
}

TEST_F(SoundSlots, TestPlayOfANamedSlotPlaysTheFileBesideTheClocksFiles)
{
    // Relative names are looked for beside the data file saved last, then beside the wave
    // chosen last.
    const Bytes chime = waveOf({1, 2, 3});
    QDir(dir.path()).mkpath("sounds");
    choose(items(4).load, wave("sounds/other.wav", someWave));
    writeFile(file("sounds/chime.wav"), chime);
    answerName(QStringLiteral("chime.wav"));
    items(4).byFileName->trigger();
    items(4).play->trigger();
    ASSERT_EQ(player.played.size(), 1u);
    EXPECT_EQ(player.played[0], chime);

    answerName(QStringLiteral("sounds\\chime.wav"));
    items(4).byFileName->trigger();
    form->SaveDialog1.fileName = file("clock.pdl"); // as a save leaves it
    items(4).play->trigger();
    ASSERT_EQ(player.played.size(), 2u);
    EXPECT_EQ(player.played[1], chime);

    answerName(QStringLiteral("missing.wav"));
    items(4).byFileName->trigger();
    ui.clearLog();
    items(4).play->trigger();
    EXPECT_EQ(player.played.size(), 2u) << "a name that is not found plays nothing";
    EXPECT_GE(player.stops, 1) << "and what played stops";
    EXPECT_TRUE(ui.log().empty());
}

TEST_F(SoundSlots, FourSlotsInFourStatesAreSavedAndReadBackMemberForMember)
{
    const Bytes embedded = waveOf(Bytes(1000, 0x33));
    choose(items(1).load, wave("second.wav", embedded));
    answerName(QStringLiteral("分.wav"));
    items(2).byFileName->trigger();
    items(3).silent->trigger();
    // The zero-hour slot stays unset.
    if (form->Compress1->isChecked())
        form->Compress1->trigger();
    ui.answerFile(file("sounds.pdl"));
    form->Save1->trigger();
    ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    EXPECT_FALSE(form->modified());

    const OpenedDataFile saved = openDataFile(readFile(file("sounds.pdl")));
    ASSERT_TRUE(saved.readable()) << qPrintable(saved.unreadable);
    const auto& members = saved.image.members;
    ASSERT_EQ(members.size(), 10u) << "seven fixed members, then slots 3, 2, 1; the unset slot 4 is left out";
    const std::string name = ansiFromUnicode(QStringLiteral("分.wav")).bytes;
    EXPECT_EQ(members[7], le32(3));
    EXPECT_EQ(members[8], cat({le32(2), le32(0), Bytes(name.begin(), name.end()), {0}}));
    EXPECT_EQ(members[9], cat({le32(1), le32(1), embedded}));
    EXPECT_EQ(members[9], record(1)) << "saving leaves the record";
}
