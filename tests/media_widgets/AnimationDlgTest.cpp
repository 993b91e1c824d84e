// The animation settings dialog driven as a user drives it: mouse drags with their modifier keys,
// arrow keys in the working area, the spin fields, OK and Cancel, and the test play in simulated
// time.
#include "media/widgets/AnimDlgUnit.h"
#include "media/widgets/BitmapImage.h"

#include "platform/Bitmap.h"
#include "platform/SimulatedTicks.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <climits>

namespace dw::test {
namespace {

constexpr QRgb kKey = 0xFF00FF00;

// A strip of 4 × 2 frames of 100 × 50, frame k in its own colour, with a key-coloured square at
// each frame's top-left corner and the key colour at the bottom-left pixel.
QImage strip400x100()
{
    QImage s(400, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 400; ++x) {
            const int k = (y / 50) * 4 + x / 100;
            const bool hole = x % 100 < 10 && y % 50 < 10;
            s.setPixel(x, y, hole ? kKey : qRgb(30 * k, 255 - 30 * k, 128));
        }
    s.setPixel(0, 99, kKey);
    return s;
}

QImage clockPicture()
{
    QImage c(200, 150, QImage::Format_RGB32);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            c.setPixel(x, y, qRgb(x, y, 60));
    return c;
}

class AnimationDlgTest : public ::testing::Test {
protected:
    AnimationDlgTest()
    {
        dlg.ClockImage->Picture().setImage(clockPicture());
        dlg.ClockImage->move(10, 10);
        dlg.AnimImage->Picture().setImage(strip400x100());
        dlg.AnimImage->Picture().SetTransparent(true);
        dlg.AnimImage->show();
        dlg.SetParam({0, 0, 2, 4, 100});
    }

    void mouse(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(at), QPointF(dlg.AnimImage->mapToGlobal(at)), button, buttons, modifiers);
        QApplication::sendEvent(dlg.AnimImage, &e);
    }
    // Presses at `from` inside AnimImage and moves the mouse by `by` (one move), then releases.
    // The release is where the mouse stands on the moved picture.
    void drag(QPoint from, QPoint by, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPoint before = dlg.AnimImage->pos();
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, from + by, modifiers);
        mouse(QEvent::MouseButtonRelease, from + by - (dlg.AnimImage->pos() - before));
    }

    SimulatedTicks ticks;
    TAnimationDlg dlg;
};

TEST_F(AnimationDlgTest, HasItsCaptionControlsAndRanges)
{
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("アニメーションの設定"));
    EXPECT_EQ(dlg.size(), QSize(465, 380));
    EXPECT_EQ(dlg.Panel1->width(), 171);
    EXPECT_EQ(dlg.GroupBox3->title(), QStringLiteral("動作オプション"));
    EXPECT_EQ(dlg.Label1->text(), QStringLiteral("横の分割数："));
    EXPECT_EQ(dlg.Label2->text(), QStringLiteral("縦の分割数："));
    EXPECT_EQ(dlg.Label3->text(), QStringLiteral("１コマの時間  (msec)："));
    EXPECT_EQ(dlg.TestPlayBtn->text(), QStringLiteral("テスト"));
    EXPECT_EQ(dlg.CancelBtn->text(), QStringLiteral("キャンセル"));
    EXPECT_TRUE(dlg.OKBtn->isDefault());
    EXPECT_EQ(dlg.AnimImage->toolTip(), QStringLiteral("アニメーションのイメージ"));
    EXPECT_EQ(dlg.AnimImage->cursor().shape(), Qt::PointingHandCursor);
    for (QSpinBox* s : {dlg.SpinEdit1, dlg.SpinEdit2})
        EXPECT_EQ(std::make_pair(s->minimum(), s->maximum()), std::make_pair(1, 100));
    EXPECT_EQ(std::make_pair(dlg.SpinEdit3->minimum(), dlg.SpinEdit3->maximum()), std::make_pair(50, 1000));
    // The first dialog made is the program's; another one never replaces it.
    EXPECT_EQ(AnimationDlg, &dlg);
    {
        TAnimationDlg second;
        EXPECT_EQ(AnimationDlg, &dlg);
    }
    EXPECT_EQ(AnimationDlg, &dlg);
}

TEST_F(AnimationDlgTest, AnimImageShowsExactlyOneFrameAtItsTopLeftCorner)
{
    EXPECT_EQ(dlg.AnimImage->geometry(), QRect(10, 10, 100, 50));
    dlg.SpinEdit1->setValue(8);
    EXPECT_EQ(dlg.AnimImage->geometry(), QRect(10, 10, 50, 50));
    // The first frame, with its key-coloured corner see-through.
    const QImage shown = dlg.AnimImage->grab().toImage();
    EXPECT_EQ(shown.size(), QSize(50, 50));
    EXPECT_EQ(shown.pixel(20, 20) | 0xFF000000u, qRgb(0, 255, 128));
    EXPECT_EQ(qAlpha(dlg.AnimImage->shownImage().pixel(2, 2)), 0);
    // A new strip resizes it at once.
    QImage small(200, 100, QImage::Format_RGB32);
    small.fill(Qt::blue);
    dlg.AnimImage->Picture().setImage(small);
    EXPECT_EQ(dlg.AnimImage->size(), QSize(25, 50));
    dlg.AnimImage->Picture().Assign(nullptr);
    EXPECT_EQ(dlg.AnimImage->size(), QSize(0, 0));
}

TEST_F(AnimationDlgTest, OffsetsAreRelativeToTheClockPictureAndMayBeNegative)
{
    dlg.SetParam({-5, -3, 1, 2, 250});
    EXPECT_EQ(dlg.AnimImage->pos(), QPoint(5, 7));
    TAnimParam p = dlg.GetParam();
    EXPECT_EQ(std::make_tuple(p.OffsetX, p.OffsetY, p.VertCount, p.HorzCount, p.FrameTime), std::make_tuple(-5, -3, 1, 2, 250));
    // Wherever the clock picture sits.
    dlg.ClockImage->move(40, 30);
    dlg.SetParam({7, 9, 2, 4, 100});
    EXPECT_EQ(dlg.AnimImage->pos(), QPoint(47, 39));
    p = dlg.GetParam();
    EXPECT_EQ(std::make_pair(p.OffsetX, p.OffsetY), std::make_pair(7, 9));
    // Values from outside are brought into the fields' ranges; absurd offsets do no harm.
    dlg.SetParam({INT_MAX, INT_MIN, 0, 1000, 5});
    p = dlg.GetParam();
    EXPECT_EQ(std::make_tuple(p.VertCount, p.HorzCount, p.FrameTime), std::make_tuple(1, 100, 50));
}

// Drags one after the other from where the picture stands (the clock's corner at 10, 10): Ctrl
// locks the horizontal motion, Ctrl+Shift the vertical one, Shift alone nothing; the status line
// shows the place.
TEST_F(AnimationDlgTest, DragMovesThePictureAndCtrlOrCtrlShiftLockOneDirection)
{
    const struct {
        QPoint from, by;
        Qt::KeyboardModifiers modifiers;
        QPoint placed;
    } drags[] = {
        {{5, 5}, {20, 12}, Qt::NoModifier, {30, 22}},
        {{40, 30}, {-25, -15}, Qt::NoModifier, {5, 7}}, // 5 left of and 3 above the clock's corner
        {{5, 5}, {20, 12}, Qt::ControlModifier, {5, 19}},
        {{5, 5}, {20, 12}, Qt::ControlModifier | Qt::ShiftModifier, {25, 19}},
        {{5, 5}, {1, 2}, Qt::ShiftModifier, {26, 21}},
    };
    for (const auto& d : drags) {
        drag(d.from, d.by, d.modifiers);
        EXPECT_EQ(dlg.AnimImage->pos(), d.placed) << d.by.x() << ", " << d.by.y() << " with " << d.modifiers.toInt();
        EXPECT_EQ(dlg.StatusBar1->currentMessage(), QStringLiteral("%1, %2").arg(d.placed.x()).arg(d.placed.y()));
        const TAnimParam p = dlg.GetParam();
        EXPECT_EQ(QPoint(p.OffsetX, p.OffsetY), d.placed - QPoint(10, 10));
    }
    // A move without a press moves nothing.
    mouse(QEvent::MouseMove, {90, 40});
    EXPECT_EQ(dlg.AnimImage->pos(), QPoint(26, 21));
}

TEST_F(AnimationDlgTest, ArrowKeysMoveByOneOrEightWithCtrlAndKeepTheFocus)
{
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    // Pressing on the picture gives the focus to the working area.
    mouse(QEvent::MouseButtonPress, {3, 3});
    mouse(QEvent::MouseButtonRelease, {3, 3});
    ASSERT_EQ(QApplication::focusWidget(), dlg.ScrollBox1);
    dlg.StatusBar1->showMessage(QStringLiteral("before"));
    QTest::keyClick(dlg.ScrollBox1, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(dlg.AnimImage->pos(), QPoint(18, 10));
    QTest::keyClick(dlg.ScrollBox1, Qt::Key_Right);
    EXPECT_EQ(dlg.AnimImage->pos(), QPoint(19, 10));
    QTest::keyClick(dlg.ScrollBox1, Qt::Key_Down);
    QTest::keyClick(dlg.ScrollBox1, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(dlg.ScrollBox1, Qt::Key_Left);
    EXPECT_EQ(dlg.AnimImage->pos(), QPoint(18, 3));
    EXPECT_EQ(QApplication::focusWidget(), dlg.ScrollBox1);
    EXPECT_EQ(dlg.StatusBar1->currentMessage(), QStringLiteral("before"));
    // Other keys do nothing to it, the scroll box's paging keys included.
    TAnimParam far = dlg.GetParam();
    far.OffsetX = far.OffsetY = 600; // a plane larger than the view, so that it could scroll
    dlg.SetParam(far);
    QApplication::processEvents();
    const QPoint placed = dlg.AnimImage->pos();
    ASSERT_GT(dlg.ScrollBox1->verticalScrollBar()->maximum(), 0);
    const int scrolled = dlg.ScrollBox1->verticalScrollBar()->value();
    for (const Qt::Key k : {Qt::Key_A, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Space})
        QTest::keyClick(dlg.ScrollBox1, k);
    EXPECT_EQ(dlg.ScrollBox1->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(dlg.AnimImage->pos(), placed);
}

TEST_F(AnimationDlgTest, TheWorkingAreaShowsWhenItHasTheFocus)
{
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.SpinEdit1->setFocus();
    const QImage without = dlg.ScrollBox1->grab().toImage();
    dlg.ScrollBox1->setFocus();
    ASSERT_TRUE(dlg.ScrollBox1->hasFocus());
    const QImage with = dlg.ScrollBox1->grab().toImage();
    EXPECT_EQ(with.size(), without.size()) << "the frame keeps its width: nothing moves";
    EXPECT_NE(with.pixel(0, with.height() / 2), without.pixel(0, without.height() / 2)) << "the frame changes colour";
}

TEST_F(AnimationDlgTest, CancelAndOkCloseWithTheirResultsAndTheDialogKeepsItsState)
{
    drag({5, 5}, {4, 6});
    dlg.SpinEdit3->setValue(700);
    QTimer::singleShot(0, dlg.CancelBtn, &QPushButton::click);
    EXPECT_EQ(dlg.exec(), int(QDialog::Rejected));
    // Shown again: what was changed is still there.
    QTimer::singleShot(0, dlg.OKBtn, &QPushButton::click);
    EXPECT_EQ(dlg.exec(), int(QDialog::Accepted));
    const TAnimParam p = dlg.GetParam();
    EXPECT_EQ(std::make_tuple(p.OffsetX, p.OffsetY, p.FrameTime), std::make_tuple(4, 6, 700));
}

class AnimationDlgPlayTest : public AnimationDlgTest {
protected:
    QImage viewport() { return dlg.ScrollBox1->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    bool overlayShown() { return dlg.ScrollBox1->viewport()->findChild<QWidget*>(QStringLiteral("WindowCanvasOverlay")); }
};

TEST_F(AnimationDlgPlayTest, TestPlaysInPlaceWithTheValuesShownBeforeOk)
{
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.SetParam({30, 20, 2, 4, 100}); // AnimImage at (40, 30) over the clock
    std::vector<QImage> frames;
    ticks.afterSleep = [&](int64_t) {
        // The first sleep after each frame (five sleeps of 20 ms to a frame).
        if ((ticks.sleeps() - 1) % 5 == 0)
            frames.push_back(viewport());
    };
    const int64_t start = ticks.milliseconds();
    dlg.TestPlayBtn->click();
    EXPECT_GE(ticks.milliseconds() - start, 800);
    EXPECT_LT(ticks.milliseconds() - start, 820);
    ASSERT_GE(frames.size(), 8u);
    // Frame 1 (second column, top row) where AnimImage stands: its colour, and the clock through
    // its key-coloured corner.
    const QImage& f1 = frames[1];
    EXPECT_EQ(f1.pixel(40 + 50, 30 + 30), qRgb(30, 225, 128));
    EXPECT_EQ(f1.pixel(40 + 3, 30 + 3), qRgb(33, 23, 60)); // the clock's pixel (33, 23)
    // The last frame: bottom row, last column.
    EXPECT_EQ(frames.back().pixel(40 + 50, 30 + 30), qRgb(210, 45, 128));
    // Afterwards the scroll box shows itself again: AnimImage's first frame, no overlay.
    EXPECT_FALSE(overlayShown());
    QApplication::processEvents();
    EXPECT_EQ(viewport().pixel(40 + 50, 30 + 30), qRgb(0, 255, 128));
}

TEST_F(AnimationDlgPlayTest, ClosingWhilePlayingStopsThePlayFirstThenClosesWithItsResult)
{
    // During the first frame's wait the user closes the dialog: the play stops at once, and the
    // modal loop returns with the result as soon as the play has returned, not after 800 ms.
    struct Case {
        const char* what;
        std::function<void()> act;
        int result;
    };
    const Case cases[] = {
        {"OK", [this] { dlg.OKBtn->click(); }, QDialog::Accepted},
        {"Cancel", [this] { dlg.CancelBtn->click(); }, QDialog::Rejected},
        {"Escape", [this] { QTest::keyClick(&dlg, Qt::Key_Escape); }, QDialog::Rejected},
        {"close box", [this] { dlg.close(); }, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        dlg.SetParam({30, 20, 2, 4, 100});
        int frames = 0;
        const int base = ticks.sleeps();
        ticks.afterSleep = [&](int64_t) {
            // Five sleeps of 20 ms to a frame.
            if ((ticks.sleeps() - base) % 5 == 1)
                ++frames;
            if (ticks.sleeps() - base == 3)
                QTimer::singleShot(0, &dlg, c.act);
        };
        QTimer::singleShot(0, dlg.TestPlayBtn, &QPushButton::click);
        const int64_t start = ticks.milliseconds();
        EXPECT_EQ(dlg.exec(), c.result) << c.what;
        EXPECT_LT(ticks.milliseconds() - start, 100) << c.what << ": stopped in the first frame";
        EXPECT_EQ(frames, 1) << c.what;
        EXPECT_FALSE(dlg.isVisible()) << c.what;
        EXPECT_FALSE(dlg.playing());
        EXPECT_FALSE(overlayShown()) << c.what;
    }
}

TEST_F(AnimationDlgPlayTest, APressOnTheWorkingAreaOrOnTestStopsThePlayAndTheDialogStays)
{
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.SetParam({30, 20, 2, 4, 100});
    const QPoint animAt = dlg.AnimImage->pos();
    QWidget* const targets[] = {dlg.AnimImage, dlg.ClockImage, dlg.ScrollBox1->widget(), dlg.TestPlayBtn};
    for (QWidget* target : targets) {
        const int base = ticks.sleeps();
        ticks.afterSleep = [&](int64_t) {
            if (ticks.sleeps() - base == 3)
                QTimer::singleShot(0, target, [target] { QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, 2)); });
        };
        const int64_t start = ticks.milliseconds();
        dlg.TestPlayBtn->click();
        EXPECT_LT(ticks.milliseconds() - start, 100) << qPrintable(target->objectName());
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.AnimImage->pos(), animAt) << "the press stopped the play and did nothing else";
    }
}

} // namespace
} // namespace dw::test
