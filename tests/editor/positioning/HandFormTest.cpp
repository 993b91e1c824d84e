// The hand positioning dialog as the user drives it: the menu commands open it through the seam,
// the test presses, drags and types on the shown dialog with real mouse and key events (routed
// by the toolkit to what lies under the pointer), and the command reads the result back.
#include "tests/editor/PositioningFixture.h"
#include "tests/editor/SavedMembers.h"

#include "editor/positioning/CenterMark.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/ScrollBox.h"
#include "editor/widgets/WidgetSeam.h"

#include "platform/FrameworkError.h"
#include "rotateimage/RotateImage.h"

#include "tests/support/TestFiles.h"

#include <QCheckBox>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

using namespace dw;
using namespace dw::test;

using Kind = seam::ScriptedHandler::Kind;

TEST_F(Positioning, OkAtOnceKeepsTheHoleAndShowsTheHand)
{
    QString caption, hint, status;
    QPoint dialAt;
    // A workbench colour of the user's, unlike the dialog's own at first.
    ui.answerColor(0x00405060);
    form->N17->trigger();
    run(form->GoTo1, [&](THandForm& f) {
        caption = f.windowTitle();
        hint = f.HandImage->toolTip();
        status = f.statusText();
        dialAt = f.BkgImage->pos();
        EXPECT_TRUE(f.Button1->hasFocus());
        EXPECT_FALSE(f.HandImage->isHidden());
        EXPECT_EQ(f.ScrollBox1->color(), TColor(0x00405060)) << "the workbench colour";
    });
    EXPECT_EQ(caption, "時針の位置合わせ");
    EXPECT_EQ(hint, "時針");
    EXPECT_EQ(status, "(100, 100)");
    EXPECT_EQ(dialAt, QPoint(36, 88)) << "where the dial is first shown";
    EXPECT_EQ(form->hourCenter(), QPoint(100, 100));
    EXPECT_EQ(hourPivot(), QPoint(7, 70));
    EXPECT_TRUE(form->modified()) << "OK marks the project";
    EXPECT_TRUE(ui.errors().isEmpty());

    // The second hand's hole lies below its own picture: it stays exact too.
    const QPoint second = secondPivot();
    run(form->GoTo3, [&](THandForm& f) { caption = f.windowTitle(), hint = f.HandImage->toolTip(); });
    EXPECT_EQ(caption, "秒針の位置合わせ");
    EXPECT_EQ(hint, "秒針");
    EXPECT_EQ(secondPivot(), second);
    run(form->GoTo2, [&](THandForm& f) { caption = f.windowTitle(); });
    EXPECT_EQ(caption, "分針の位置合わせ");
}

TEST_F(Positioning, DraggingTheDialMovesEverythingAndChangesNothing)
{
    QString caption;
    run(form->GoTo1, [&](THandForm& f) {
        const QPoint hand = f.HandImage->pos();
        drag(f.BkgImage->geometry().topLeft() + QPoint(20, 180), {30, 10});
        EXPECT_EQ(f.BkgImage->pos(), QPoint(66, 98));
        EXPECT_EQ(f.HandImage->pos(), hand + QPoint(30, 10));
        caption = f.windowTitle();
    });
    EXPECT_EQ(caption, "66-0,98-0") << "the dragged control's place and the scroll positions";
    EXPECT_EQ(form->hourCenter(), QPoint(100, 100));
    EXPECT_EQ(hourPivot(), QPoint(7, 70));
}

TEST_F(Positioning, DragsMoveTheCentreWithTheMarkerAndThePivotWithTheHand)
{
    // Each by (5, −3), one after the other: the hole after each.
    const std::function<QPoint()> marker = [&] { return holeOnPlane(); };
    const struct { const char* what; std::function<QPoint()> from; Qt::KeyboardModifiers modifiers; QPoint centre, pivot; } drags[] = {
        {"the marker carries the hand", marker, {}, {105, 97}, {7, 70}},
        {"the hand moves alone", [&] { return handOnPlane() + QPoint(0, 20); }, {}, {105, 97}, {2, 73}},
        {"Ctrl: vertical only", marker, Qt::ControlModifier, {105, 94}, {2, 73}},
        {"Ctrl+Shift: horizontal only", marker, Qt::ControlModifier | Qt::ShiftModifier, {110, 94}, {2, 73}},
    };
    for (const auto& d : drags) {
        QString status;
        run(form->GoTo1, [&](THandForm& f) { drag(d.from(), {5, -3}, d.modifiers), status = f.statusText(); });
        EXPECT_EQ(status, QStringLiteral("(%1, %2)").arg(d.centre.x()).arg(d.centre.y())) << d.what;
        EXPECT_EQ(form->hourCenter(), d.centre) << d.what;
        EXPECT_EQ(hourPivot(), d.pivot) << d.what;
    }
}

TEST_F(Positioning, ArrowKeysNudgeTheControlPressedLast)
{
    QWidget* focused = nullptr;
    run(form->GoTo1, [&](THandForm& f) {
        key(Qt::Key_Right); // nothing pressed yet: nothing moves
        EXPECT_EQ(f.GetDialCenter(), QPoint(100, 100));
        QTest::mouseClick(window(), Qt::LeftButton, {}, inWindow(holeOnPlane()));
        key(Qt::Key_Right);
        key(Qt::Key_Right, Qt::ControlModifier);
        key(Qt::Key_Down, Qt::ControlModifier);
        key(Qt::Key_Up);
        focused = QApplication::focusWidget();
        EXPECT_EQ(f.statusText(), "(109, 107)");
        // Now the hand: Left moves it alone.
        QTest::mouseClick(window(), Qt::LeftButton, {}, inWindow(handOnPlane() + QPoint(0, 20)));
        key(Qt::Key_Left);
    });
    EXPECT_EQ(focused, dlg().ScrollBox1) << "the arrow keys stay with the work area";
    EXPECT_EQ(form->hourCenter(), QPoint(109, 107));
    EXPECT_EQ(hourPivot(), QPoint(8, 70));
}

TEST_F(Positioning, AGroupDraggedPastTheEdgesStopsExactlyAtThem)
{
    run(form->GoTo1, [&](THandForm& f) {
        // The marker starts at 36 + 100 − 127 = 9 from the left edge.
        drag(holeOnPlane(), {-40, 0});
        EXPECT_EQ(std::min(f.FCenterMark->x(), f.HandImage->x()), 0);
        EXPECT_EQ(f.GetDialCenter(), QPoint(60, 100)) << "the centre keeps the drag";
        // The marker starts 88 + 100 − 127 = 61 from the top; its hand lies below it.
        drag(holeOnPlane(), {0, -90});
        EXPECT_EQ(std::min(f.FCenterMark->y(), f.HandImage->y()), 0) << "the marker with its hand stops at the top";
        EXPECT_EQ(f.GetDialCenter(), QPoint(60, 10));
        drag(f.BkgImage->geometry().topLeft() + QPoint(100, 190), {0, -150});
        EXPECT_EQ(std::min({f.FCenterMark->y(), f.HandImage->y(), f.BkgImage->y()}), 0);
        // The view followed each shift, so that nothing jumped: back to the plane's corner, where
        // the hand is.
        f.ScrollBox1->horizontalScrollBar()->setValue(0);
        f.ScrollBox1->verticalScrollBar()->setValue(0);
        drag(handOnPlane(), {-500, 0});
        EXPECT_EQ(f.HandImage->x(), 0) << "the hand alone stops at the edge";
    });
    EXPECT_EQ(form->hourCenter(), QPoint(60, 10));
}

TEST_F(Positioning, PressesReachWhatLiesBeneathALockedMarkerOrOutsideItsCircle)
{
    QWidget* pressed = nullptr;
    QWidget* outside = nullptr;
    run(form->GoTo1, [&](THandForm& f) {
        f.CheckBox1->setChecked(true);
        EXPECT_FALSE(f.FCenterMark->isEnabled());
        // Inside the circle, where the hour hand lies beneath (its hole is at its bottom edge).
        drag(holeOnPlane() + QPoint(0, -5), {5, -3});
        pressed = f.dragControl();
        f.CheckBox1->setChecked(false);
        // Inside the marker's square, outside its circle: the dial beneath.
        QTest::mouseClick(window(), Qt::LeftButton, {}, inWindow(holeOnPlane() + QPoint(-30, 12)));
        outside = f.dragControl();
    });
    EXPECT_EQ(pressed, dlg().HandImage);
    EXPECT_EQ(outside, dlg().BkgImage);
    EXPECT_EQ(form->hourCenter(), QPoint(100, 100));
    EXPECT_EQ(hourPivot(), QPoint(2, 73)) << "the hand beneath was dragged";
}

TEST_F(Positioning, RightClicksOpenThePopupMenus)
{
    run(form->GoTo1, [&](THandForm& f) {
        QTest::mouseClick(window(), Qt::RightButton, {}, inWindow(holeOnPlane()));
        EXPECT_TRUE(f.CenterPopupMenu->isVisible());
        f.CenterPopupMenu->hide();
        QTest::mouseClick(window(), Qt::RightButton, {}, inWindow(handOnPlane() + QPoint(0, 20)));
        EXPECT_TRUE(f.HandPopupMenu->isVisible());
        f.HandPopupMenu->hide();
        QTest::mouseClick(window(), Qt::RightButton, {}, inWindow(f.BkgImage->geometry().topLeft() + QPoint(2, 198)));
        EXPECT_FALSE(f.CenterPopupMenu->isVisible() || f.HandPopupMenu->isVisible()) << "the dial has none";
        f.N2->trigger(); // the second hand's default for the hour hand: offered to every hand
    });
    EXPECT_EQ(form->hourCenter(), QPoint(100, 100));
    EXPECT_EQ(hourPivot(), QPoint(7, 90));
}

TEST_F(Positioning, DefaultButtonsPlaceTheHoleOnALoadedDial)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(300, 200, Qt::darkGreen)));
    choose(form->N3, bmp("minute.bmp", handImage(21, 120)));
    QPoint afterHour, afterSecond, dialAt;
    run(form->GoTo2, [&](THandForm& f) {
        f.HourDefGtn->click();
        afterHour = f.GetHandPivot();
        f.Button4->click();
        afterSecond = f.GetHandPivot();
        f.Button3->click();
        dialAt = inView(f.BkgImage->pos());
    });
    EXPECT_EQ(afterHour, QPoint(10, 70));
    EXPECT_EQ(afterSecond, QPoint(10, 90));
    const QSize client = dlg().ScrollBox1->viewport()->size();
    EXPECT_EQ(dialAt, QPoint((client.width() - 300) / 2, (client.height() - 200) / 2)) << "in the middle of the view";
    EXPECT_EQ(form->minCenter(), QPoint(150, 100));
    EXPECT_EQ(minutePivot(), QPoint(10, 90));

    // The centre button moves the hole to the dial's middle and keeps the pivot; aligning puts
    // the hand's middle column on the hole.
    run(form->GoTo2, [&](THandForm& f) {
        drag(holeOnPlane(), {-20, 15});
        drag(handOnPlane(), {7, 0});
        f.HndVtoHoleBtn->click();
        EXPECT_EQ(f.HandImage->x(), f.FCenterMark->x() + (255 - 21) / 2);
        f.SetCenterBtn->click();
        EXPECT_EQ(f.statusText(), "(150, 100)");
    });
    EXPECT_EQ(form->minCenter(), QPoint(150, 100));
    EXPECT_EQ(minutePivot(), QPoint(10, 90));
}

TEST_F(Positioning, DefaultButtonsGiveABuiltinHandTheHoleItHasOnTheBuiltinDial)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(300, 300, Qt::darkGreen)));
    QPoint hour, second;
    run(form->GoTo3, [&](THandForm& f) {
        f.HourDefGtn->click();
        hour = f.GetHandPivot();
        f.Button4->click();
        second = f.GetHandPivot();
    });
    EXPECT_EQ(hour, QPoint(6, 70));
    EXPECT_EQ(second, QPoint(6, 90));
    EXPECT_EQ(form->secCenter(), QPoint(150, 150));

    // A loaded hand on the same dial: the share of this dial's half-size.
    choose(form->N4, bmp("second.bmp", handImage(9, 140)));
    run(form->GoTo3, [&](THandForm& f) { f.Button4->click(); });
    EXPECT_EQ(secondPivot(), QPoint(4, 135));
}

TEST_F(Positioning, OneCentreForAllHandsLeavesThePivotsAndRestoresTheDialog)
{
    run(form->GoTo2, [&](THandForm&) { drag(holeOnPlane(), {10, 10}); });
    handForm->CheckBox1->setChecked(true);
    form->SetModified(false);
    const QPoint pivots[] = {hourPivot(), minutePivot(), secondPivot()};

    bool handHidden = false, panelHidden = false, lockOff = false;
    QString caption;
    run(form->N19, [&](THandForm& f) {
        handHidden = f.HandImage->isHidden();
        panelHidden = f.Panel2->isHidden();
        lockOff = !f.CheckBox1->isChecked() && f.FCenterMark->isEnabled();
        caption = f.windowTitle();
        EXPECT_EQ(f.GetDialCenter(), QPoint(100, 100)) << "the marker starts at the hour hand's hole";
        drag(holeOnPlane(), {-12, 4});
    });
    EXPECT_TRUE(handHidden);
    EXPECT_TRUE(panelHidden);
    EXPECT_TRUE(lockOff);
    EXPECT_EQ(caption, "時針・分針・秒針の回転穴を１つにします");
    EXPECT_EQ((std::vector<QPoint>{form->hourCenter(), form->minCenter(), form->secCenter()}), std::vector<QPoint>(3, {88, 104}));
    EXPECT_EQ((std::vector<QPoint>{hourPivot(), minutePivot(), secondPivot()}), std::vector<QPoint>(std::begin(pivots), std::end(pivots)));
    EXPECT_TRUE(form->modified());
    EXPECT_FALSE(handForm->HandImage->isHidden());
    EXPECT_FALSE(handForm->Panel2->isHidden());
    EXPECT_TRUE(handForm->CheckBox1->isChecked());
    EXPECT_FALSE(handForm->FCenterMark->isEnabled()) << "the lock is applied again";

    form->SetModified(false);
    run(form->N19, [&](THandForm&) { drag(holeOnPlane(), {30, 30}); }, seam::mrCancel);
    EXPECT_EQ(form->hourCenter(), QPoint(88, 104));
    EXPECT_EQ(form->secCenter(), QPoint(88, 104));
    EXPECT_FALSE(form->modified());
    EXPECT_TRUE(handForm->CheckBox1->isChecked());
    EXPECT_FALSE(handForm->HandImage->isHidden());
}

TEST_F(Positioning, CancelAndClosingTheWindowChangeNothing)
{
    run(form->GoTo1, [&](THandForm&) { drag(holeOnPlane(), {5, 5}); }, seam::mrCancel);
    EXPECT_EQ(form->hourCenter(), QPoint(100, 100));
    EXPECT_FALSE(form->modified());

    // With the real dialogs: the window closed by the window manager is a Cancel, and the
    // preview goes on turning behind the modal dialog.
    int ticks = 0;
    form->setTimeSource([&] {
        ++ticks;
        return now;
    });
    {
        WidgetSeamHandler real;
        QTimer::singleShot(0, handForm.get(), [&] { drag(holeOnPlane(), {5, 5}); });
        QTimer::singleShot(2300, handForm.get(), [&] { handForm->close(); });
        form->GoTo1->trigger();
    }
    EXPECT_GE(ticks, 2) << "the clock kept running while the dialog was open";
    EXPECT_EQ(form->hourCenter(), QPoint(100, 100));
    EXPECT_EQ(hourPivot(), QPoint(7, 70));
    EXPECT_FALSE(form->modified());
}

TEST_F(Positioning, PicturesThatCannotBeDecodedOpenNothing)
{
    // A whole PNG kept as it is (not converted): the clock cannot show it, nor can the dialog.
    const QString junk = file("kept.png");
    filledImage(30, 20, Qt::red).save(junk, "PNG");
    const struct { const char* what; QAction* load; QAction* command; } cases[] = {
        {"a hand", form->N2, form->GoTo1}, {"a dial, one centre for all", form->Background1, form->N19}};
    for (const auto& c : cases) {
        ui.answerMessage(seam::IDCANCEL);
        choose(c.load, junk);
        form->SetModified(false);
        ui.clearLog();
        c.command->trigger();
        EXPECT_EQ(ui.errors(), QStringList{stock::invalidBitmap()}) << c.what;
        EXPECT_TRUE(ui.records(Kind::ModalDialog).empty()) << c.what << ": the dialog never opens";
        EXPECT_EQ(form->hourCenter(), QPoint(100, 100)) << c.what;
        EXPECT_FALSE(form->modified()) << c.what;
        EXPECT_FALSE(handForm->HandImage->isHidden()) << c.what << ": the dialog stays whole";
        EXPECT_FALSE(handForm->Panel2->isHidden()) << c.what;
    }
}

TEST_F(Positioning, TheDialogKeepsItsPlacesBetweenShowings)
{
    run(form->GoTo1, [&](THandForm& f) { drag(f.BkgImage->geometry().topLeft() + QPoint(20, 180), {14, 2}); });
    QPoint dialAt;
    run(form->GoTo2, [&](THandForm& f) { dialAt = f.BkgImage->pos(); });
    EXPECT_EQ(dialAt, QPoint(50, 90));
}

TEST_F(Positioning, TheMarkerInvertsWhatLiesBeneath)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(300, 300, QColor(0x20, 0x40, 0x60))));
    QImage shot;
    QPoint hole;
    run(form->GoTo1, [&](THandForm& f) {
        f.HandImage->hide(); // only the dial beneath the marker
        f.SetDialCenter({150, 150});
        hole = f.FCenterMark->pos() + QPoint(127, 127);
        shot = plane()->grab().toImage();
        f.HandImage->show();
    }, seam::mrCancel);
    const QRgb dial = qRgb(0x20, 0x40, 0x60);
    const QRgb inverted = qRgb(0xDF, 0xBF, 0x9F);
    auto at = [&](int dx, int dy) { return shot.pixel(hole + QPoint(dx, dy)) & 0xFFFFFF; };
    EXPECT_EQ(at(-8, 0) , inverted & 0xFFFFFF) << "the circle";
    EXPECT_EQ(at(0, 8), inverted & 0xFFFFFF);
    EXPECT_EQ(at(9, 0), dial & 0xFFFFFF) << "the gap between circle and arm";
    EXPECT_EQ(at(10, 0), inverted & 0xFFFFFF) << "the arm starts at r + 2";
    EXPECT_EQ(at(12, 0), inverted & 0xFFFFFF) << "dotted: three on";
    EXPECT_EQ(at(13, 0), dial & 0xFFFFFF) << "three off";
    EXPECT_EQ(at(0, 16), inverted & 0xFFFFFF) << "the lower arm, second run";
    EXPECT_EQ(at(0, -10), dial & 0xFFFFFF) << "the upper arm, dotted from the top edge: off here";
    EXPECT_EQ(at(0, -11), inverted & 0xFFFFFF);
    EXPECT_EQ(at(1, 0), inverted & 0xFFFFFF) << "the cross";
    EXPECT_EQ(at(0, 0), dial & 0xFFFFFF) << "both strokes of the cross cross here";
    EXPECT_EQ(at(5, 0), dial & 0xFFFFFF) << "the cross ends at r − 3, exclusive";
    EXPECT_EQ(at(3, 3), dial & 0xFFFFFF) << "no fill";
}

TEST_F(Positioning, APositionedHandIsWhatTheSavedFileHolds)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(300, 300, Qt::darkBlue)));
    choose(form->N2, bmp("hour.bmp", handImage(21, 100)));
    run(form->GoTo1, [&](THandForm&) {
        drag(holeOnPlane(), {7, -11});
        drag(handOnPlane(), {-3, 4});
    });
    EXPECT_EQ(form->hourCenter(), QPoint(157, 139));
    const QString path = file("positioned.pdl");
    setCompress(false);
    choose(form->Save1, path);
    ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));

    const QStringList lines = savedHeaderLines(path);
    const QPoint pivot = hourPivot();
    EXPECT_EQ(pivot, QPoint(21 / 2 + 3, 150 * 7 / 10 - 4)) << "from the hole the loaded hand got";
    // MCX: the other hands keep theirs.
    for (const QString& line : {QStringLiteral("HPX=%1").arg(pivot.x()), QStringLiteral("HPY=%1").arg(pivot.y()),
                                QStringLiteral("HCX=157"), QStringLiteral("HCY=139"), QStringLiteral("MCX=150")})
        EXPECT_TRUE(lines.contains(line)) << qPrintable(line);
}
