// The three animation slots driven through their menus: the settings dialog as the user answers
// it, records byte for byte, the items that follow them, the messages and the saved file.
#include "tests/editor/slots/AnimationSlots.h"

#include "datafile/DataFileSource.h"

#include "platform/FrameworkError.h"
#include "platform/Screen.h"

#include <functional>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

TEST_F(AnimationSlots, LoadOffersTheDefaultsOverTheClockAndEmbedsTheStripOnOk)
{
    form->Silent1Click(items(6).silent); // silent counts as no parameters too
    form->SetModified(false);
    loadStrip(6, {-5, -3, 2, 4, 150});
    EXPECT_EQ(offeredParams(), std::make_tuple(0, 0, 2, 4, 100));
    EXPECT_EQ(offeredClockAt, QPoint(10, 10));
    EXPECT_EQ(offeredClock, form->previewPicture().convertToFormat(QImage::Format_RGB32)) << "a copy of the preview";
    EXPECT_EQ(offeredStrip, stripImage());
    EXPECT_TRUE(offeredTransparent);
    EXPECT_TRUE(offeredVisible);
    EXPECT_EQ(ui.records(Kind::FileDialog).at(0).file.name, "OpenPictureDialog1");

    EXPECT_EQ(record(6), cat({le32(6), le32(2), paramBytes({-5, -3, 2, 4, 150}), stripBytes()}));
    EXPECT_EQ(enabled(6), std::make_tuple(true, true, true));
    EXPECT_TRUE(form->modified());
    for (int other : {1, 2, 3, 4, 5, 7})
        EXPECT_TRUE(record(other).empty()) << other;
}

// Every way of cancelling over an embedded slot, and a file that cannot be read, leave its record,
// its items and the modified flag; the settings offered are the slot's own.
TEST_F(AnimationSlots, EveryCancelLeavesTheRecordAndTheFlag)
{
    loadStrip(5, {12, 34, 1, 4, 300});
    const Bytes before = record(5);
    const QString other = bmp(QStringLiteral("other.bmp"), filledImage(40, 40, Qt::blue));
    const TAnimParam ignored{1, 1, 1, 1, 50};
    const struct {
        const char* what;
        bool offersSettings;
        std::function<void()> act;
    } cases[] = {
        {"load: settings", true, [&] { answerSettings(ignored, seam::mrCancel), choose(items(5).load, other); }},
        {"load: file dialog", false, [&] { ui.answerFile(std::nullopt), items(5).load->trigger(); }},
        {"by file name: name", false, [&] { answerName("x.bmp", seam::mrCancel), items(5).byFileName->trigger(); }},
        {"by file name: settings", true,
         [&] { answerName("x.bmp"), answerSettings(std::nullopt, seam::mrCancel), items(5).byFileName->trigger(); }},
        {"parameters", true, [&] { answerSettings(ignored, seam::mrCancel), items(5).params->trigger(); }},
        {"load: unreadable file", false, [&] { choose(items(5).load, file("missing.bmp")); }},
    };
    for (const auto& c : cases) {
        form->SetModified(false);
        offered = {};
        c.act();
        EXPECT_EQ(record(5), before) << c.what;
        EXPECT_FALSE(form->modified()) << c.what;
        EXPECT_EQ(enabled(5), std::make_tuple(true, true, true)) << c.what;
        if (c.offersSettings) {
            EXPECT_EQ(offeredParams(), std::make_tuple(12, 34, 1, 4, 300)) << c.what;
        }
    }
    EXPECT_EQ(ui.errors(), QStringList{stock::fileOpenError(file("missing.bmp"))}) << "the framework's error";
}

TEST_F(AnimationSlots, ByFileNameOfAMissingFileOffersThePlaceholderAndRecordsTheName)
{
    answerName(QStringLiteral("夜/ない.bmp"));
    answerSettings(TAnimParam{3, 4, 2, 4, 200});
    items(7).byFileName->trigger();
    EXPECT_EQ(shownName, QString());
    EXPECT_EQ(shownCaption, QStringLiteral("ビットマップファイル名(*.bmp)を入力してください"));
    // The cross-hatched stand-in: 200 × 100, not transparent, hatched and white.
    EXPECT_EQ(offeredStrip.size(), QSize(200, 100));
    EXPECT_FALSE(offeredTransparent);
    EXPECT_EQ(offered.VertCount, 2);
    EXPECT_EQ(offered.HorzCount, 4);
    EXPECT_TRUE(offeredStrip.pixel(0, 0) != offeredStrip.pixel(3, 0) || offeredStrip.pixel(0, 0) != offeredStrip.pixel(0, 3));
    EXPECT_TRUE(offeredStrip.pixelColor(199, 99) == QColor(Qt::white) || offeredStrip.pixelColor(199, 99) == QColor(Qt::gray));

    const QByteArray ansi("\x96\xE9/\x82\xC8\x82\xA2.bmp");
    ASSERT_EQ(record(7), cat({le32(7), le32(1), paramBytes({3, 4, 2, 4, 200}), Bytes(ansi.begin(), ansi.end()), {0}}));
    EXPECT_EQ(record(7).size(), size_t(ansi.size()) + 29);
    EXPECT_EQ(enabled(7), std::make_tuple(true, true, true));

    // Test Play then tells the user the file is not there, the name on the second line.
    ui.clearLog();
    items(7).play->trigger();
    ASSERT_EQ(ui.messages(), QStringList{QStringLiteral("ファイルが見つかりません\n\"夜/ない.bmp\"")});
    EXPECT_EQ(ui.log().front().kind, Kind::Beep) << "the beep comes first";
    EXPECT_EQ(ticks.slept(), 0) << "nothing played";
    EXPECT_TRUE(form->timerHandlerAttached());
    EXPECT_EQ(TScreen::cursor(), crDefault);
    // Parameters tell so too, offer the placeholder and take the new parameters.
    ui.clearLog();
    offeredStrip = QImage();
    answerSettings(TAnimParam{9, 9, 2, 4, 100});
    items(7).params->trigger();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("ファイルが見つかりません\n\"夜/ない.bmp\"")});
    EXPECT_EQ(offeredStrip.size(), QSize(200, 100));
    EXPECT_EQ(viewAnimRecord(form->slotRecord(7)).param.OffsetX, 9);
    // And the dialog shows the recorded name next time.
    answerName(QStringLiteral("夜/ない.bmp"), seam::mrCancel);
    items(7).byFileName->trigger();
    EXPECT_EQ(shownName, QStringLiteral("夜/ない.bmp"));
}

TEST_F(AnimationSlots, ByFileNameLoadsAnExistingFileAndKeepsAnEmbeddedSlotsParameters)
{
    loadStrip(6, {-7, 8, 1, 2, 400});
    answerName(strip());
    answerSettings(std::nullopt);
    items(6).byFileName->trigger();
    EXPECT_EQ(shownName, QString()) << "an embedded slot shows an empty field";
    EXPECT_EQ(std::make_tuple(offered.OffsetX, offered.OffsetY, offered.HorzCount), std::make_tuple(-7, 8, 2));
    EXPECT_EQ(offeredStrip, stripImage());
    EXPECT_TRUE(offeredTransparent);
    const QByteArray name = strip().toLocal8Bit();
    EXPECT_EQ(record(6), cat({le32(6), le32(1), paramBytes({-7, 8, 1, 2, 400}), Bytes(name.begin(), name.end()), {0}}));
}

TEST_F(AnimationSlots, ARefusedNameComesBackInTheDialogForCorrecting)
{
    const QString refused = QStringLiteral("strip\U0001F514.bmp");
    answerName(refused);
    answerName(QStringLiteral("strip.bmp"));
    answerSettings(std::nullopt);
    items(6).byFileName->trigger();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("「\U0001F514」")));
    EXPECT_EQ(shownName, refused) << "the second showing offers the refused name";
    const Bytes r = record(6);
    ASSERT_GT(r.size(), 28u);
    EXPECT_EQ(std::string(r.begin() + 28, r.end()), std::string("strip.bmp", 10));
}

TEST_F(AnimationSlots, EachSubmenuEndsWithWhatItsSlotHolds)
{
    QAction* state = form->slotStateItem(6);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->text(), "設定なし");
    loadStrip(6, {0, 0, 2, 4, 100});
    EXPECT_EQ(state->text(), "読み込み済み: strip.bmp (80 × 20, 4 × 2 コマ)");
    answerSettings(TAnimParam{0, 0, 1, 2, 100});
    items(6).params->trigger();
    EXPECT_EQ(state->text(), "読み込み済み: strip.bmp (80 × 20, 2 × 1 コマ)") << "the split as changed";
    answerName(QStringLiteral("夜&朝.bmp"));
    answerSettings(std::nullopt);
    items(6).byFileName->trigger();
    EXPECT_EQ(state->iconText(), "ファイル名: 夜&朝.bmp") << "the \"&\" as typed, no access key";
    items(6).silent->trigger();
    EXPECT_EQ(state->text(), "無し");
    EXPECT_FALSE(state->isEnabled());
    EXPECT_EQ(form->slotStateItem(5)->text(), "設定なし");
}

// Silent and an empty file name leave a slot of none, No Data an unset one.
TEST_F(AnimationSlots, SilentNoDataAndAnEmptyNameSetTheItemsFromTheRecord)
{
    const struct {
        const char* what;
        std::function<void()> act;
        Bytes record;
        std::tuple<bool, bool, bool> enabled;
    } cases[] = {
        {"silent", [&] { items(7).silent->trigger(); }, le32(7), {true, false, false}},
        {"no data", [&] { items(7).noData->trigger(); }, {}, {false, false, false}},
        {"empty name", [&] { answerName(QString()), items(7).byFileName->trigger(); }, le32(7), {true, false, false}},
    };
    for (const auto& c : cases) {
        loadStrip(7, {0, 0, 2, 4, 100});
        form->SetModified(false);
        c.act();
        EXPECT_EQ(record(7), c.record) << c.what;
        EXPECT_EQ(enabled(7), c.enabled) << c.what;
        EXPECT_TRUE(form->modified()) << c.what;
    }
}

TEST_F(AnimationSlots, ParametersChangeOnlyBytesEightToTwentySeven)
{
    loadStrip(6, {0, 0, 2, 4, 100});
    const Bytes before = record(6);
    form->SetModified(false);
    answerSettings(TAnimParam{-5, -3, 1, 8, 950});
    items(6).params->trigger();
    EXPECT_EQ(offeredStrip, stripImage()) << "the stored strip";
    EXPECT_TRUE(offeredTransparent);
    const Bytes after = record(6);
    EXPECT_EQ(after, cat({Bytes(before.begin(), before.begin() + 8), paramBytes({-5, -3, 1, 8, 950}), Bytes(before.begin() + 28, before.end())}));
    EXPECT_TRUE(form->modified());
}

TEST_F(AnimationSlots, ParametersAndTestPlayAnswerShortAndBadRecordsWithTheirMessages)
{
    // Items enabled or not, the commands check the record themselves.
    struct Case {
        Bytes record;
        QString params, play;
    };
    const QString none = QStringLiteral("設定するデータがありません。");
    const QString nothing = QStringLiteral("再生するデータがありません。");
    const QString bad = QStringLiteral("データ記録形式が不良です。");
    const Case cases[] = {
        {{}, none, nothing},
        {le32(5), none, nothing},
        {cat({le32(5), le32(2), paramBytes({0, 0, 2, 4, 100})}), none, nothing}, // exactly 28 bytes
        {cat({le32(5), le32(3), paramBytes({0, 0, 2, 4, 100}), {1, 2, 3}}), bad, bad},
    };
    for (const Case& c : cases) {
        putRecord(5, c.record);
        form->SetModified(false);
        ui.clearLog();
        form->AnimParam1Click(items(5).params);
        form->AnimTestPlay(items(5).play);
        EXPECT_EQ(ui.messages(), (QStringList{c.params, c.play})) << c.record.size();
        EXPECT_EQ(ui.beeps(), 2);
        EXPECT_EQ(record(5), c.record) << "never changed by these paths";
        EXPECT_FALSE(form->modified());
        EXPECT_TRUE(ui.records(Kind::ModalDialog).empty());
        EXPECT_TRUE(form->timerHandlerAttached());
        EXPECT_EQ(TScreen::cursor(), crDefault);
    }
    // 29 bytes of kind 2: one byte is no bitmap; the framework's error, the timer back.
    putRecord(5, cat({le32(5), le32(2), paramBytes({0, 0, 2, 4, 100}), {0x42}}));
    ui.clearLog();
    items(5).play->setEnabled(true);
    items(5).play->trigger();
    EXPECT_EQ(ui.errors(), QStringList{stock::invalidBitmap()});
    EXPECT_TRUE(form->timerHandlerAttached());
    EXPECT_EQ(TScreen::cursor(), crDefault);
}

TEST_F(AnimationSlots, EachCommandChangesOnlyItsOwnSlot)
{
    // After New the Parameters items of slots 5 and 7 stay enabled over empty records: a
    // command that refreshed every slot's items, not only its own, would turn them off.
    loadStrip(5, {1, 1, 2, 4, 100});
    loadStrip(7, {2, 2, 2, 4, 100});
    ui.answerMessage(seam::IDOK);     // reset the project
    ui.answerMessage(seam::IDCANCEL); // keep the options
    form->New1->trigger();
    ASSERT_EQ(enabled(5), std::make_tuple(false, true, false));
    const Bytes five = record(5), seven = record(7);
    const auto itemsFive = enabled(5), itemsSeven = enabled(7);
    const struct {
        const char* step;
        std::function<void()> act;
    } steps[] = {
        {"load", [&] { loadStrip(6, {0, 0, 2, 4, 100}); }},
        {"params", [&] { answerSettings(TAnimParam{4, 4, 2, 4, 100}), items(6).params->trigger(); }},
        {"play", [&] { items(6).play->trigger(); }},
        {"by file name", [&] { answerName("n.bmp"), answerSettings(std::nullopt), items(6).byFileName->trigger(); }},
        {"silent", [&] { items(6).silent->trigger(); }},
        {"no data", [&] { items(6).noData->trigger(); }},
        // Senders that are no animation item of the kind change nothing.
        {"strangers", [&] {
             for (QObject* stranger : std::initializer_list<QObject*>{form->Load1, form->Save1, nullptr, form->Play5}) {
                 form->AnimationItemClick(stranger);
                 form->AnimbyFileName(stranger);
                 form->AnimParam1Click(stranger);
             }
             form->AnimTestPlay(form->Play1);
         }},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(std::make_tuple(record(5), record(7), enabled(5), enabled(7)), std::make_tuple(five, seven, itemsFive, itemsSeven)) << s.step;
        for (int other = 1; other <= 4; ++other)
            EXPECT_TRUE(record(other).empty()) << s.step;
    }
    EXPECT_TRUE(record(6).empty());
}

TEST_F(AnimationSlots, ThreeSlotsInThreeStatesAreSavedAndReadBackMemberForMember)
{
    loadStrip(5, {-5, -3, 2, 4, 100});
    answerName(QStringLiteral("時報.bmp"));
    answerSettings(TAnimParam{7, 8, 1, 1, 1000});
    items(6).byFileName->trigger();
    items(7).silent->trigger();
    ui.answerFile(file("anims.pdl"));
    form->Save1->trigger();
    ASSERT_TRUE(ui.errors().isEmpty()) << ui.errors().join(QLatin1Char('\n')).toStdString();
    const OpenedDataFile saved = openDataFile(readFile(file("anims.pdl")));
    ASSERT_TRUE(saved.readable()) << saved.unreadable.toStdString();
    const auto& members = saved.image.members;
    ASSERT_EQ(members.size(), 10u) << "seven fixed members, then slots 7, 6, 5";
    EXPECT_EQ(members[7], le32(7));
    const QByteArray name("\x8E\x9E\x95\xF1.bmp");
    EXPECT_EQ(members[8], cat({le32(6), le32(1), paramBytes({7, 8, 1, 1, 1000}), Bytes(name.begin(), name.end()), {0}}));
    EXPECT_EQ(members[9], cat({le32(5), le32(2), paramBytes({-5, -3, 2, 4, 100}), stripBytes()}));
    EXPECT_EQ(members[9], record(5));
}

} // namespace
