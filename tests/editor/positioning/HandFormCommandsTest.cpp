// The positioning dialog's commands at every zoom, its pop-up menus and the suggestion from the
// keyboard, and the size and zoom it keeps across a restart: driven on the shown dialog.
#include "tests/editor/PositioningFixture.h"

#include "editor/clock/ZoomLevel.h"
#include "editor/files/SettingsLocation.h"
#include "platform/ProfileFile.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include <functional>

using namespace dw;
using namespace dw::test;

namespace {

class PositioningCommands : public Positioning {
protected:
    QRect visible() { return dlg().ScrollBox1->viewport()->rect(); }
    // Whether the visible area holds the marker's circle, and shows some of the hand.
    ::testing::AssertionResult markerAndHandInView()
    {
        const QPoint hole = inView(holeOnPlane());
        const QRect circle(hole - QPoint(8, 8), QSize(17, 17));
        const QRect hand(inView(dlg().HandImage->pos()), dlg().HandImage->size());
        if (!visible().contains(circle))
            return ::testing::AssertionFailure() << "the hole shows at (" << hole.x() << ", " << hole.y() << ")";
        if (!visible().intersects(hand))
            return ::testing::AssertionFailure() << "no part of the hand shows";
        return ::testing::AssertionSuccess();
    }
    // The program ends: the dialogs go before the main window (made after it), which writes its
    // settings last.
    void end()
    {
        handForm.reset();
        form.reset();
    }
    // ...and starts again.
    void restart()
    {
        end();
        form = std::make_unique<TMainForm>();
        form->setTimeSource([this] { return now; });
        handForm = std::make_unique<THandForm>();
    }
    // The view as far right and down as it goes: the marker is out of view before a command.
    void scrollAway()
    {
        QScrollBar* h = dlg().ScrollBox1->horizontalScrollBar();
        QScrollBar* v = dlg().ScrollBox1->verticalScrollBar();
        h->setValue(h->maximum());
        v->setValue(v->maximum());
    }
};

} // namespace

TEST_F(PositioningCommands, EveryCommandKeepsTheMarkerAndTheHandInViewAtEveryZoom)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(300, 300, QColor(0xD0, 0xC8, 0xB0))));
    choose(form->N2, bmp("hour.bmp", hubbedHand(15, 120, {7, 100}, 5)));
    for (const int percent : {25, 100, 400, 800}) {
        run(form->GoTo1, [&](THandForm& f) {
            zoomTo(percent);
            const struct {
                const char* name;
                std::function<void()> act;
                QPoint centre; // the hole on the dial after it; (-1, -1): as before
                QPoint pivot;  // the hole on the hand after it; (-1, -1): not checked
            } commands[] = {
                {"SetCenterBtn", [&] { f.SetCenterBtn->click(); }, {150, 150}, {-1, -1}},
                {"HourDefGtn", [&] { f.HourDefGtn->click(); }, {150, 150}, {7, 105}},
                {"Button3", [&] { f.Button3->click(); }, {150, 150}, {7, 135}},
                {"Button4", [&] { f.Button4->click(); }, {150, 150}, {7, 135}},
                {"N1", [&] { f.N1->trigger(); }, {150, 150}, {7, 135}},
                {"N3", [&] { f.N3->trigger(); }, {150, 150}, {7, 105}},
                {"N4", [&] { f.N4->trigger(); }, {150, 150}, {7, 135}},
                {"N2", [&] { f.N2->trigger(); }, {150, 150}, {7, 135}},
                {"HndVtoHoleBtn", [&] { f.HndVtoHoleBtn->click(); }, {-1, -1}, {7, -1}},
                {"Ctrl+E", [&] { key(Qt::Key_E, Qt::ControlModifier); }, {-1, -1}, {7, 100}},
                {"SuggestHole1", [&] { f.SuggestHole1->trigger(); }, {-1, -1}, {7, 100}},
            };
            for (const auto& command : commands) {
                scrollAway();
                const QPoint centre = f.GetDialCenter();
                command.act();
                EXPECT_TRUE(markerAndHandInView()) << command.name << " at " << percent << " %";
                EXPECT_EQ(f.GetDialCenter(), command.centre.x() < 0 ? centre : command.centre)
                    << command.name << " at " << percent << " %";
                const QPoint pivot = f.GetHandPivot();
                if (command.pivot.x() >= 0) {
                    EXPECT_EQ(pivot.x(), command.pivot.x()) << command.name << " at " << percent << " %";
                }
                if (command.pivot.y() >= 0) {
                    EXPECT_EQ(pivot.y(), command.pivot.y()) << command.name << " at " << percent << " %";
                }
            }
            // Ctrl+0 keeps the hole where it shows, and back at the zoom it still shows.
            key(Qt::Key_0, Qt::ControlModifier);
            EXPECT_TRUE(markerAndHandInView()) << "Ctrl+0 from " << percent << " %";
            zoomTo(percent);
            EXPECT_TRUE(markerAndHandInView()) << "back at " << percent << " %";
        }, seam::mrCancel);
    }
}

TEST_F(PositioningCommands, PopupMenusOpenFromTheKeyboardOnWhatTheArrowKeysMove)
{
    QPoint centreMenuAt, holeAt;
    bool markerMenu = false, handMenu = false, handMenuForMarker = false, dialMenu = true, menuKeyOpens = false;
    run(form->GoTo1, [&](THandForm& f) {
        key(Qt::Key_Backtab); // the work area: the arrow keys move the marker
        ASSERT_TRUE(f.ScrollBox1->hasFocus());
        key(Qt::Key_F10, Qt::ShiftModifier);
        markerMenu = f.CenterPopupMenu->isVisible();
        handMenuForMarker = f.HandPopupMenu->isVisible();
        centreMenuAt = f.CenterPopupMenu->pos();
        holeAt = plane()->mapToGlobal(holeOnPlane());
        f.CenterPopupMenu->hide();
        f.ScrollBox1->setFocus(Qt::OtherFocusReason);
        key(Qt::Key_Space); // the hand
        QTest::keyClick(f.ScrollBox1, Qt::Key_Menu);
        handMenu = f.HandPopupMenu->isVisible();
        f.HandPopupMenu->hide();
        // The dial, pressed last, has none.
        QTest::mouseClick(window(), Qt::LeftButton, {}, inWindow(f.BkgImage->geometry().topLeft() + QPoint(3, 190)));
        key(Qt::Key_Menu);
        dialMenu = f.CenterPopupMenu->isVisible() || f.HandPopupMenu->isVisible();
        // Space from the dial chooses the marker, whose menu the Menu key opens.
        key(Qt::Key_Space);
        key(Qt::Key_Menu);
        menuKeyOpens = f.CenterPopupMenu->isVisible();
        f.CenterPopupMenu->hide();
    }, seam::mrCancel);
    EXPECT_TRUE(markerMenu) << "Shift+F10 on the marker";
    EXPECT_FALSE(handMenuForMarker);
    EXPECT_LE((centreMenuAt - holeAt).manhattanLength(), 2) << "the menu opens at the hole";
    EXPECT_TRUE(handMenu) << "the Menu key on the hand";
    EXPECT_FALSE(dialMenu);
    EXPECT_TRUE(menuKeyOpens);
}

TEST_F(PositioningCommands, TheSuggestionHasAKeyOfItsOwnShownInTheStatusLine)
{
    choose(form->N2, bmp("hour.bmp", hubbedHand(21, 90, {10, 71}, 5)));
    QString keys, focusedKeys;
    run(form->GoTo1, [&](THandForm& f) {
        keys = f.KeysLabel->text();
        EXPECT_TRUE(f.Button1->hasFocus());
        key(Qt::Key_E, Qt::ControlModifier);
        key(Qt::Key_Backtab);
        focusedKeys = f.KeysLabel->text();
    });
    EXPECT_TRUE(keys.contains("Ctrl+E: 回転穴を推定")) << qPrintable(keys);
    EXPECT_TRUE(focusedKeys.contains("Ctrl+E")) << qPrintable(focusedKeys);
    EXPECT_TRUE(focusedKeys.contains("矢印キー")) << qPrintable(focusedKeys);
    EXPECT_EQ(hourPivot(), QPoint(10, 71)) << "the hub's centre, with the focus on OK";
    EXPECT_EQ(form->hourCenter(), QPoint(100, 100));

    // Without the hand (one centre for all) neither the key nor its word.
    QString allKeys;
    run(form->N19, [&](THandForm& f) {
        allKeys = f.KeysLabel->text();
        key(Qt::Key_E, Qt::ControlModifier);
    });
    EXPECT_FALSE(allKeys.contains("Ctrl+E")) << qPrintable(allKeys);
    EXPECT_EQ(hourPivot(), QPoint(10, 71));
}

TEST_F(PositioningCommands, TheDialogKeepsItsSizeAndZoomAcrossARestart)
{
    QSize first;
    run(form->GoTo1, [&](THandForm& f) {
        first = f.size();
        f.resize(first + QSize(30, 20));
        zoomTo(400);
    }, seam::mrCancel);
    EXPECT_EQ(first, THandForm::kLeastSize);
    const QSize kept = first + QSize(30, 20);

    restart();
    EXPECT_EQ(handForm->size(), THandForm::kLeastSize) << "made at its least size";
    QSize size;
    int percent = 0;
    run(form->GoTo1, [&](THandForm& f) {
        size = f.size();
        percent = f.zoom().percent();
    }, seam::mrCancel);
    EXPECT_EQ(size, kept);
    EXPECT_EQ(percent, 400);
}

TEST_F(PositioningCommands, TheDialogOpensLargeEnoughForTheWholeDialWithinTheScreen)
{
    // The room a window has on the screen, less what the window manager's frame takes.
    const QSize room = form->screen()->availableGeometry().marginsRemoved(QMargins(4, 28, 4, 4)).size();
    const QSize none;
    const struct {
        const char* what;
        QSize dial;
        QSize kept;   // the size in the settings file; none: no size kept
        QSize opened; // the dialog's size; none: as large as the whole dial needs
    } cases[] = {
        {"a small dial", {100, 100}, none, THandForm::kLeastSize},
        {"a dial that fits the screen", {500, 400}, none, none},
        {"a dial larger than the screen", {3000, 3000}, none, room},
        {"a kept size", {3000, 3000}, {500, 450}, {500, 450}},
        {"a kept size for a small dial", {100, 100}, {600, 420}, {600, 420}},
        {"a kept size below the least", {500, 400}, {300, 200}, THandForm::kLeastSize},
        {"a kept size larger than the screen", {100, 100}, {5000, 5000}, room},
    };
    for (const auto& c : cases) {
        end();
        QFile::remove(settingsLocation().path);
        if (c.kept.isValid()) {
            ProfileFile ini(settingsLocation().path);
            ini.WriteInteger("Positioning", "Width", c.kept.width());
            ini.WriteInteger("Positioning", "Height", c.kept.height());
            ini.UpdateFile();
        }
        restart();
        choose(form->Background1, bmp("dial.bmp", filledImage(c.dial.width(), c.dial.height(), Qt::darkCyan)));
        QSize opened;
        QRect view, dial;
        run(form->GoTo1, [&](THandForm& f) {
            opened = f.size();
            view = f.ScrollBox1->viewport()->rect();
            dial = QRect(inView(f.BkgImage->pos()), f.BkgImage->size());
        }, seam::mrCancel);
        if (c.opened.isValid()) {
            EXPECT_EQ(opened, c.opened) << c.what;
        } else {
            // The dial at its first place (36, 88), all of it and no more.
            EXPECT_EQ(view, QRect(0, 0, 536, 488)) << c.what;
            EXPECT_EQ(dial, QRect(36, 88, 500, 400)) << c.what;
        }
        // The size the dialog took from its dial is not kept; the user's is.
        end();
        const ProfileFile ini(settingsLocation().path);
        EXPECT_EQ(ini.readInteger("Positioning", "Width"), c.kept.isValid() ? std::optional<int32_t>(c.kept.width()) : std::nullopt) << c.what;
        EXPECT_EQ(ini.readInteger("Positioning", "Zoom"), std::optional<int32_t>(100)) << c.what;
    }
}
