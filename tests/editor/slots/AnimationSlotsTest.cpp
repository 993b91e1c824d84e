// The three animation slots driven through their menus: the settings dialog as the user answers
// it, records byte for byte, the items that follow them, the messages, Test Play over the preview
// in simulated time (with the user acting while it plays) and the saved file.
#include "tests/editor/EditorFixture.h"
#include "tests/editor/ForwardingHandler.h"

#include "datafile/DataFileSource.h"
#include "editor/widgets/ControlHostPanel.h"
#include "media/AnimSlot.h"
#include "media/widgets/BitmapImage.h"

#include "platform/ByteOrder.h"
#include "platform/FrameworkError.h"
#include "platform/Screen.h"

#include "tests/support/TestFiles.h"

#include <QMenuBar>
#include <QTimer>
#include <QTest>
#include <QPushButton>
#include <QLineEdit>

#include <functional>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

Bytes paramBytes(const TAnimParam& p) { return cat({le32(p.OffsetX), le32(p.OffsetY), le32(p.VertCount), le32(p.HorzCount), le32(p.FrameTime)}); }

constexpr QRgb kKey = 0xFF00FF00;

// 4 × 2 frames of 20 × 10; frame k is red 30k with a key-coloured first column.
QImage stripImage()
{
    QImage s(80, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            s.setPixel(x, y, x % 20 == 0 ? kKey : qRgb(30 * ((y / 10) * 4 + x / 20), 0, 99));
    return s;
}

struct AnimItems {
    QAction *load, *byFileName, *silent, *noData, *params, *play;
};

class AnimationSlots : public EditorFixture {
protected:
    AnimItems items(int slot) const
    {
        const QString n = QString::number(slot), p = QString::number(slot - 4);
        return {form->menuItem("Load" + n),   form->menuItem("byFileName" + n), form->menuItem("Silent" + n),
                form->menuItem("NoData" + n), form->menuItem("AnimParam" + p),  form->menuItem("Play" + n)};
    }
    Bytes record(int slot) const { return bytesOf(form->slotRecord(slot)); }
    // A record no command makes, put in place for the readers' sake.
    void putRecord(int slot, const Bytes& bytes)
    {
        auto& r = const_cast<TMemoryStream&>(form->slotRecord(slot));
        r.Clear();
        r.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    }
    // No Data, Parameters and Test Play enabled?
    std::tuple<bool, bool, bool> enabled(int slot) const
    {
        const AnimItems i = items(slot);
        return {i.noData->isEnabled(), i.params->isEnabled(), i.play->isEnabled()};
    }
    // Answers the settings dialog: what it offered is kept, then the user's parameters (none:
    // as offered) and result.
    void answerSettings(std::optional<TAnimParam> set, int result = seam::mrOk)
    {
        ui.answerModal([this, set, result](QObject& dialog) {
            auto& dlg = static_cast<TAnimationDlg&>(dialog);
            offered = dlg.GetParam();
            offeredClockAt = dlg.ClockImage->pos();
            offeredClock = dlg.ClockImage->Picture().image().convertToFormat(QImage::Format_RGB32);
            offeredStrip = dlg.AnimImage->Picture().image().convertToFormat(QImage::Format_RGB32);
            offeredTransparent = dlg.AnimImage->Picture().Transparent();
            offeredVisible = !dlg.AnimImage->isHidden();
            if (set)
                dlg.SetParam(*set);
            return result;
        });
    }
    void answerName(const QString& text, int result = seam::mrOk)
    {
        ui.answerModal([this, text, result](QObject& dialog) {
            auto& dlg = static_cast<TStringDlg&>(dialog);
            shownName = dlg.Edit1->text();
            shownCaption = dlg.windowTitle();
            dlg.Edit1->setText(text);
            return result;
        });
    }
    QString strip(const QString& name = QStringLiteral("strip.bmp")) const { return bmp(name, stripImage()); }
    Bytes stripBytes() const { return readFile(file("strip.bmp")); }
    // Loads the strip into a slot with these parameters.
    void loadStrip(int slot, const TAnimParam& p)
    {
        answerSettings(p);
        choose(items(slot).load, strip());
    }

    TAnimParam offered{};
    QPoint offeredClockAt;
    QImage offeredClock, offeredStrip;
    bool offeredTransparent = false, offeredVisible = false;
    auto offeredParams() const { return std::make_tuple(offered.OffsetX, offered.OffsetY, offered.VertCount, offered.HorzCount, offered.FrameTime); }
    QString shownName, shownCaption;
};

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

class AnimationPlay : public AnimationSlots {
protected:
    QImage panel() { return form->ClockPanel->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // Runs `act` at the third sleep of the play that starts next, within its first frame.
    void duringNextPlay(std::function<void()> act)
    {
        ticks.afterSleep = [this, base = ticks.sleeps(), act = std::move(act)](int64_t) {
            if (ticks.sleeps() - base == 3)
                act();
        };
    }
    // The preview with frame k of the strip at (x, y), worked out pixel by pixel.
    QImage expected(const QImage& preview, int k, int x0, int y0)
    {
        QImage out = preview.convertToFormat(QImage::Format_RGB32);
        const QImage s = stripImage();
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                const QRgb p = s.pixel((k % 4) * 20 + x, (k / 4) * 10 + y);
                if (p != kKey)
                    out.setPixel(x0 + x, y0 + y, p);
            }
        return out;
    }
};

// Every frame over the preview where its offsets put it, with the timer detached and the
// hourglass; at another zoom at the clock's own size too, and the view comes back to its zoom.
TEST_F(AnimationPlay, TestPlayShowsEveryFrameOverThePreviewAtTheClocksOwnSize)
{
    loadStrip(6, {30, 40, 2, 4, 100});
    const QImage preview = form->previewPicture();
    for (const int zoom : {100, 50}) {
        SCOPED_TRACE(zoom);
        form->setViewZoom(ZoomLevel::viewing(zoom));
        std::vector<QImage> frames;
        std::vector<std::tuple<bool, TCursor, int>> during; // timer attached, cursor, zoom
        const int base = ticks.sleeps();
        ticks.afterSleep = [&](int64_t) {
            if ((ticks.sleeps() - base - 1) % 5 == 0) { // the first sleep after each frame
                frames.push_back(panel());
                during.emplace_back(form->timerHandlerAttached(), TScreen::cursor(), form->viewZoom().percent());
            }
        };
        form->SetModified(false);
        const int64_t start = ticks.milliseconds();
        items(6).play->trigger();
        ticks.afterSleep = nullptr;
        EXPECT_GE(ticks.milliseconds() - start, 800);
        EXPECT_LT(ticks.milliseconds() - start, 820);
        ASSERT_EQ(frames.size(), 8u);
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(frames[size_t(k)], expected(preview, k, 30, 40)) << "frame " << k;
            EXPECT_EQ(during[size_t(k)], std::make_tuple(false, crHourGlass, 100)) << "frame " << k;
        }
        EXPECT_TRUE(form->timerHandlerAttached());
        EXPECT_EQ(TScreen::cursor(), crDefault);
        EXPECT_FALSE(form->modified()) << "Test Play changes nothing";
        EXPECT_FALSE(form->ClockPanel->findChild<QWidget*>(QStringLiteral("WindowCanvasOverlay")));
        EXPECT_EQ(form->viewZoom().percent(), zoom);
        EXPECT_EQ(form->ClockPanel->size(), preview.size() * zoom / 100);
        QApplication::processEvents();
        if (zoom == 100) {
            EXPECT_EQ(panel(), preview.convertToFormat(QImage::Format_RGB32)) << "the preview shows itself again";
        }
    }
}

TEST_F(AnimationPlay, RecordClaimingEndlessFramesPlaysOnlyTheDialogsRanges)
{
    // As a record from an opened file might: a million columns of no time at all, over a strip
    // wide enough for the 100 columns the dialog allows.
    const QString wide = bmp("wide.bmp", filledImage(200, 10, Qt::blue));
    const Bytes strip = dw::test::readFile(wide);
    putRecord(6, cat({le32(6), le32(2), paramBytes({0, 0, 1, 1000000, -5}), strip}));
    const int64_t start = ticks.milliseconds();
    form->AnimTestPlay(items(6).play);
    EXPECT_GE(ticks.milliseconds() - start, 100 * 50);
    EXPECT_LT(ticks.milliseconds() - start, 100 * 50 + 20);
    EXPECT_TRUE(ui.errors().isEmpty());

    // On the 80-pixel strip those 100 columns are 0 pixels wide: nothing to see, no wait.
    putRecord(6, cat({le32(6), le32(2), paramBytes({0, 0, 100, 100, 1000}), dw::test::readFile(this->strip())}));
    const int64_t again = ticks.milliseconds();
    form->AnimTestPlay(items(6).play);
    EXPECT_EQ(ticks.milliseconds(), again);
}

TEST_F(AnimationPlay, TheUsersFirstInputStopsThePlayAndRunsNoCommand)
{
    // While the strip plays, whatever the user presses stops it at once and does nothing else:
    // a click on the playing area or on the menu bar, a key typed into the title, a shortcut.
    loadStrip(6, {0, 0, 2, 4, 100});
    form->show();
    form->SetModified(false);
    const QString dial = bmp("dropped.bmp", filledImage(50, 50, Qt::red));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dial)});
    const struct {
        const char* what;
        std::function<void()> act;
    } inputs[] = {
        {"click on the clock", [&] { QTest::mouseClick(form->ClockImage, Qt::LeftButton); }},
        {"click on the menu bar", [&] { QTest::mouseClick(form->MainMenu1, Qt::LeftButton, {}, QPoint(10, 5)); }},
        {"key in the title", [&] { QTest::keyClick(form->Edit1, Qt::Key_X); }},
        {"Escape", [&] { QTest::keyClick(form.get(), Qt::Key_Escape); }},
        {"menu shortcut", [&] { QTest::keyClick(form.get(), Qt::Key_F, Qt::AltModifier); }},
    };
    const Bytes before = record(6);
    for (const auto& input : inputs) {
        ui.clearLog();
        duringNextPlay(input.act);
        const int64_t start = ticks.milliseconds();
        items(6).play->trigger();
        EXPECT_LT(ticks.milliseconds() - start, 100) << input.what << ": stopped in the first frame";
        EXPECT_TRUE(ui.log().empty()) << input.what << ": no command ran";
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << input.what;
        EXPECT_EQ(form->Edit1->text(), QString()) << input.what;
        EXPECT_FALSE(form->modified()) << input.what;
        EXPECT_EQ(form->bkgStream().size(), 0) << input.what;
        EXPECT_EQ(record(6), before);
        EXPECT_TRUE(form->timerHandlerAttached());
        EXPECT_EQ(TScreen::cursor(), crDefault);
    }
    // A file dragged over the window is refused while the strip plays.
    bool taken = true;
    duringNextPlay([&] {
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->ClockImage, &enter);
        taken = enter.isAccepted();
    });
    items(6).play->trigger();
    EXPECT_FALSE(taken);
    EXPECT_EQ(form->bkgStream().size(), 0);
    ticks.afterSleep = nullptr;
    // Afterwards input reaches the window again.
    QTest::keyClick(form->Edit1, Qt::Key_X);
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("x"));
}

TEST_F(AnimationPlay, ClosingTheWindowDuringAPlayStopsItThenAsksTheCloseGuard)
{
    loadStrip(6, {0, 0, 2, 4, 100});
    form->show();
    ASSERT_TRUE(form->modified());
    for (const int answer : {seam::IDCANCEL, seam::IDOK}) {
        ui.clearLog();
        duringNextPlay([&] { EXPECT_FALSE(form->close()) << "the window stays while the play returns"; });
        ui.answerMessage(answer);
        const int64_t start = ticks.milliseconds();
        items(6).play->trigger();
        EXPECT_LT(ticks.milliseconds() - start, 100);
        EXPECT_TRUE(ui.records(Kind::MessageBox).empty()) << "nothing is asked during the play";
        QApplication::processEvents(); // the close, now
        ASSERT_EQ(ui.records(Kind::MessageBox).size(), 1u);
        EXPECT_EQ(ui.records(Kind::MessageBox)[0].text, QStringLiteral("データが保存されていません。\n終了しますか？"));
        EXPECT_EQ(form->isVisible(), answer == seam::IDCANCEL);
        EXPECT_EQ(form->Timer1->isActive(), answer == seam::IDCANCEL) << "the preview runs exactly while the window stays";
        EXPECT_TRUE(form->timerHandlerAttached());
    }
}

TEST_F(AnimationPlay, OkDuringTheDialogsTestPlayStoresTheSlotBeforeAnythingElseRuns)
{
    // The dialog truly modal, as in the running editor: its loop returns with OK as soon as the
    // play it was showing stops, and the save that follows at once holds the slot.
    struct ModalLoop final : ForwardingHandler {
        using ForwardingHandler::ForwardingHandler;
        int showModal(QObject& dialog) override { return static_cast<QDialog&>(dialog).exec() == QDialog::Accepted ? seam::mrOk : seam::mrCancel; }
    } modal(ui);

    const TAnimParam p{5, 6, 2, 4, 1000};
    QTimer::singleShot(0, &animationDlg, [&] {
        animationDlg.SetParam(p);
        animationDlg.TestPlayBtn->click();
    });
    duringNextPlay([&] { QTimer::singleShot(0, animationDlg.OKBtn, &QPushButton::click); });
    const int64_t start = ticks.milliseconds();
    choose(items(5).load, strip());
    EXPECT_LT(ticks.milliseconds() - start, 1000) << "the 8-second play stopped in its first frame";
    const Bytes stored = record(5);
    ASSERT_GT(stored.size(), 28u) << "the slot is set when Load returns";
    EXPECT_EQ(Bytes(stored.begin() + 8, stored.begin() + 28), paramBytes(p));
    if (form->Compress1->isChecked())
        form->Compress1->trigger();
    choose(form->Save1, file("at-once.pdl"));
    const OpenedDataFile saved = openDataFile(dw::test::readFile(file("at-once.pdl")));
    ASSERT_TRUE(saved.readable());
    ASSERT_EQ(saved.image.members.size(), 8u);
    EXPECT_EQ(saved.image.members[7], record(5));
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
