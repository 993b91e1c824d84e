// The live preview: hand angles at the time of day, the composed picture, the hands widening the
// clock window's shape.
#include "tests/editor/EditorFixture.h"

#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"

#include "rotateimage/RotateImage.h"

#include <QPainter>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace dw;
using namespace dw::test;

namespace {

class Preview : public EditorFixture {
protected:
    void tickAt(QTime time)
    {
        now = time;
        form->Timer1Timer();
    }
    struct Angles {
        int32_t hour, minute, second;
        friend bool operator==(const Angles&, const Angles&) = default;
    };
    Angles angles() const
    {
        return {form->SNeedleImage->Angle(), form->LNeedleImage->Angle(), form->SecNeedleImage->Angle()};
    }
    std::optional<TRegion> windowRegion() const { return form->ClockPanel->windowRegion(); }
};

// A dial whose opaque part is a disc of radius 50 in the middle of a 200 × 200 blue square.
QImage smallDiscDial()
{
    QImage image = filledImage(200, 200, Qt::blue);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 240, 200));
    p.drawEllipse(QPoint(100, 100), 50, 50);
    return image;
}

} // namespace

TEST_F(Preview, TickTurnsTheHandsToTheTimeOfDay)
{
    tickAt({10, 10, 35});
    EXPECT_EQ(angles(), (Angles{304, 63, 210}));
    tickAt({3, 59, 59});
    EXPECT_EQ(angles(), (Angles{118, 357, 354}));
    tickAt({23, 0, 0});
    EXPECT_EQ(angles().hour, 330) << "690 degrees shown as 330";
    tickAt({12, 0, 0});
    EXPECT_EQ(angles(), (Angles{0, 0, 0})) << "360 degrees shown as 0";
}

TEST_F(Preview, TimerRedrawsEverySecondFromStartUp)
{
    EXPECT_EQ(form->Timer1->interval(), 1000);
    now = QTime(3, 0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->SNeedleImage->Angle() == 90; }, 2500));
    EXPECT_EQ(form->previewPicture().size(), QSize(200, 200));
}

TEST_F(Preview, PictureIsTheDialWithTheHandsOnTheirCentres)
{
    tickAt({3, 0, 0}); // hour hand to the right, minute hand up
    const QImage picture = form->previewPicture();
    ASSERT_EQ(picture.size(), QSize(200, 200));
    const QImage dial = form->Image1->picture().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(picture.pixel(0, 0), dial.pixel(0, 0)) << "the dial shows where no hand is";
    EXPECT_EQ(picture.pixel(60, 160), dial.pixel(60, 160));
    // The built-in hands are dark on the dial's pale face: along their shafts the picture
    // differs from the dial.
    EXPECT_NE(picture.pixel(150, 100), dial.pixel(150, 100)) << "hour hand";
    EXPECT_NE(picture.pixel(100, 40), dial.pixel(100, 40)) << "minute hand";
}

TEST_F(Preview, LoadingAHandRedrawsAtOnce)
{
    tickAt({12, 0, 0});
    const QImage before = form->previewPicture();
    choose(form->N3, bmp("red-minute.bmp", handImage(15, 90, Qt::red)));
    const QImage after = form->previewPicture();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_NE(after, before);
    EXPECT_EQ(QColor(after.pixel(100, 50)), QColor(Qt::red)) << "the new minute hand, without waiting for a tick";
}

TEST_F(Preview, TheSecondHandCoversTheMinuteHandWhichCoversTheHourHand)
{
    // Three bars of different widths, all pointing up at noon: where they overlap the later
    // hand is the one seen.
    choose(form->N2, bmp("wide-hour.bmp", handImage(33, 60, Qt::red)));
    choose(form->N3, bmp("middle-minute.bmp", handImage(21, 80, Qt::green)));
    choose(form->N4, bmp("thin-second.bmp", handImage(9, 90, Qt::blue)));
    ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    tickAt({12, 0, 0});
    const QImage picture = form->previewPicture();
    // A hand's bar is its picture's middle third, drawn with the pivot on the centre (100, 100).
    struct Bar {
        int left, right, top, bottom; // dial pixels, right and bottom exclusive
    };
    auto barOf = [](const TRotateImage& hand, int width, int height) {
        const int x = 100 - hand.PivotX(), y = 100 - hand.PivotY();
        return Bar{x + width / 3, x + width - width / 3, y, y + height};
    };
    const Bar hour = barOf(*form->SNeedleImage, 33, 60), minute = barOf(*form->LNeedleImage, 21, 80),
              second = barOf(*form->SecNeedleImage, 9, 90);
    const int top = std::max({hour.top, minute.top, second.top});
    const int bottom = std::min({hour.bottom, minute.bottom, second.bottom});
    ASSERT_LT(top + 2, bottom) << "the three bars share some rows";
    auto colourAt = [&](int x) {
        return QColor(picture.pixel(x, (top + bottom) / 2));
    };
    EXPECT_EQ(colourAt(second.left), QColor(Qt::blue)) << "all three: the second hand";
    EXPECT_EQ(colourAt(second.right), QColor(Qt::green)) << "hour and minute: the minute hand";
    EXPECT_EQ(colourAt(minute.left - 1), QColor(Qt::red)) << "the hour hand alone";
    ASSERT_GT(second.left, minute.left);
    ASSERT_LT(second.right, minute.right);
    ASSERT_GT(minute.left, hour.left);
}

TEST_F(Preview, ExtrudedHandKeepsItsTipVisibleOutsideTheShape)
{
    choose(form->Background1, bmp("disc.bmp", smallDiscDial()));
    tickAt({12, 0, 0}); // the minute hand points up, 90 pixels from the centre
    ASSERT_TRUE(windowRegion());
    EXPECT_FALSE(windowRegion()->contains({100, 20})) << "the tip lies outside the disc";

    form->ExtrudeHand1->trigger();
    EXPECT_TRUE(form->ExtrudeHand1->isChecked());
    form->SetModified(false);
    tickAt({12, 0, 0});
    ASSERT_TRUE(windowRegion());
    EXPECT_TRUE(windowRegion()->contains({100, 20})) << "the hand widens the window";
    EXPECT_TRUE(windowRegion()->contains({100, 100}));
    EXPECT_FALSE(windowRegion()->contains({5, 5}));
    EXPECT_FALSE(form->clockRgn().contains({100, 20})) << "the saved shape stays the disc";

    form->ExtrudeHand1->trigger();
    EXPECT_FALSE(form->ExtrudeHand1->isChecked());
    EXPECT_TRUE(form->modified()) << "switching it off changes the project";
    ASSERT_TRUE(windowRegion());
    EXPECT_EQ(*windowRegion(), form->clockRgn()) << "the plain shape comes back at once";
    tickAt({12, 0, 0});
    EXPECT_EQ(*windowRegion(), form->clockRgn());
}

TEST_F(Preview, SwitchingExtrudeHandOnLeavesTheProjectUnmodified)
{
    form->ExtrudeHand1->trigger();
    EXPECT_TRUE(form->ExtrudeHand1->isChecked());
    EXPECT_FALSE(form->modified());
    form->Compress1->trigger();
    form->Compress1->trigger();
    EXPECT_FALSE(form->modified());
}

TEST_F(Preview, ExtrudedHandsWithoutAShapeNeverHideThePanel)
{
    form->TrackBar1->setValue(0); // no shape
    ASSERT_TRUE(form->clockRgn().isEmpty());
    EXPECT_FALSE(windowRegion());
    form->ExtrudeHand1->trigger();
    tickAt({12, 0, 0});
    const std::optional<TRegion> shown = windowRegion();
    EXPECT_EQ(shown.value_or(CreateRectRgn(0, 0, 200, 200)), CreateRectRgn(0, 0, 200, 200))
        << "the whole panel, not the hands alone";
    form->ExtrudeHand1->trigger();
    EXPECT_FALSE(windowRegion()) << "switched off: no window region, the full rectangle";
    EXPECT_TRUE(form->clockRgn().isEmpty());
}
