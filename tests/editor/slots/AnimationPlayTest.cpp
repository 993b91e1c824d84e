// Test Play over the preview in simulated time: every frame where it belongs, records that
// claim too much, and the user acting while it plays (a key, a click, closing the window, OK in
// the settings dialog).
#include "tests/editor/slots/AnimationSlots.h"
#include "tests/editor/ForwardingHandler.h"

#include "datafile/DataFileSource.h"
#include "editor/widgets/ControlHostPanel.h"

#include "platform/Screen.h"

#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

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
    setCompress(false);
    choose(form->Save1, file("at-once.pdl"));
    const OpenedDataFile saved = openDataFile(dw::test::readFile(file("at-once.pdl")));
    ASSERT_TRUE(saved.readable());
    ASSERT_EQ(saved.image.members.size(), 8u);
    EXPECT_EQ(saved.image.members[7], record(5));
}

} // namespace
