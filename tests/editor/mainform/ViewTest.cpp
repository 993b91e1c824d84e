// The work area's zoom: the View menu, Ctrl with the wheel, the status line, the settings file;
// the clock, its shape and every command in the clock's own pixels at any zoom.
#include "tests/editor/EditorFixture.h"

#include "editor/clock/ClockView.h"
#include "editor/files/SettingsLocation.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/ScrollBox.h"

#include "platform/ProfileFile.h"

#include <QLabel>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

using namespace dw;
using namespace dw::test;

namespace {

class View : public EditorFixture {
protected:
    void showWindow()
    {
        form->resize(700, 560);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QString zoomLabel() const
    {
        const auto* label = form->findChild<QLabel*>(QStringLiteral("ZoomLabel"));
        return label ? label->text() : QString();
    }
    QImage shown() const { return form->ClockImage->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    void wheel(int delta, Qt::KeyboardModifiers modifiers)
    {
        QWidget* viewport = form->ScrollBox1->viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }
};

} // namespace

// The commands step through the levels, the panel and its shape follow at the zoom, and what
// the clock is (its size, centres, shape, what a save writes) stays in the clock's pixels.
TEST_F(View, ZoomCommandsScaleTheViewAndLeaveTheClockAsItIs)
{
    showWindow();
    choose(form->Background1, bmp("dial.bmp", noise(300, 200, 5)));
    const QPoint hour = form->hourCenter();
    const TRegion shape = form->clockRgn();
    const size_t steps0 = form->history().stepCount();
    EXPECT_EQ(zoomLabel(), "100%");
    const struct {
        QAction* item;
        int percent;
    } steps[] = {{form->ZoomIn1, 200}, {form->ZoomIn1, 400}, {form->ZoomOut1, 200}, {form->ZoomReset1, 100},
                 {form->ZoomOut1, 50},  {form->ZoomOut1, 25}, {form->ZoomOut1, 25}};
    for (const auto& s : steps) {
        s.item->trigger();
        SCOPED_TRACE(s.percent);
        EXPECT_EQ(form->viewZoom().percent(), s.percent);
        EXPECT_EQ(zoomLabel(), QString("%1%").arg(s.percent));
        EXPECT_EQ(form->ClockPanel->size(), QSize(300 * s.percent / 100, 200 * s.percent / 100));
        EXPECT_EQ(form->ClockImage->size(), form->ClockPanel->size());
        ASSERT_TRUE(form->ClockPanel->windowRegion());
        EXPECT_EQ(*form->ClockPanel->windowRegion(), regionInView(shape, form->viewZoom()));
    }
    EXPECT_EQ(form->clockSize().cx, 300);
    EXPECT_EQ(form->hourCenter(), hour);
    EXPECT_EQ(form->clockRgn(), shape);
    EXPECT_EQ(form->history().stepCount(), steps0) << "a zoom is no step of the project";
    EXPECT_EQ(form->history().undoName(), QStringLiteral("文字盤の読み込み"));

    // A command that places by the clock's size gives at 25 % what it gives at 100 %.
    form->TrackBar1->setValue(7);
    const TRegion rounded = form->clockRgn();
    form->ZoomReset1->trigger();
    form->TrackBar1->setValue(20);
    form->TrackBar1->setValue(7);
    EXPECT_EQ(form->clockRgn(), rounded);
}

// What the work area shows is the clock drawn at 100 % and scaled: squares of pixels at 200 %,
// smoothed at 50 %.
TEST_F(View, TheWorkAreaShowsTheClockAtTheZoom)
{
    showWindow();
    choose(form->Background1, bmp("dial.bmp", noise(120, 80, 9)));
    form->ZoomIn1->trigger();
    const QImage clock = form->previewPicture().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown(), clock.scaled(240, 160, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    form->ZoomReset1->trigger();
    form->ZoomOut1->trigger();
    const QImage half = shown();
    const QImage smooth = clock.scaled(60, 40, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ASSERT_EQ(half.size(), smooth.size());
    int worst = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            worst = std::max({worst, std::abs(qRed(half.pixel(x, y)) - qRed(smooth.pixel(x, y))),
                              std::abs(qGreen(half.pixel(x, y)) - qGreen(smooth.pixel(x, y)))});
    EXPECT_LE(worst, 3);
}

// 全体を表示 fits the clock in the work area; a dial larger than the work area, loaded, leaves
// the zoom as the user chose it; Ctrl with the wheel steps a level a notch, the wheel alone
// does not zoom.
TEST_F(View, WholeClockInViewWheelAndALoadedDial)
{
    showWindow();
    const QString big = bmp("big.bmp", noise(1600, 1200, 3));
    choose(form->Background1, big);
    EXPECT_EQ(form->viewZoom().percent(), 100) << "nothing changes by itself";
    form->ZoomFit1->trigger();
    const QSize room = form->ScrollBox1->viewport()->size();
    EXPECT_LT(form->viewZoom().percent(), 100);
    EXPECT_LE(form->ClockPanel->width() + 20, room.width());
    EXPECT_LE(form->ClockPanel->height() + 20, room.height());
    EXPECT_GT(form->ClockPanel->width() + 20, room.width() * 9 / 10) << "as large as fits";
    const int fitted = form->viewZoom().percent();
    choose(form->Background1, bmp("small.bmp", noise(100, 100, 4)));
    EXPECT_EQ(form->viewZoom().percent(), fitted);

    form->ZoomReset1->trigger();
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(form->viewZoom().percent(), 200);
    wheel(-60, Qt::ControlModifier);
    EXPECT_EQ(form->viewZoom().percent(), 200) << "half a notch";
    wheel(-60, Qt::ControlModifier);
    EXPECT_EQ(form->viewZoom().percent(), 100);
    wheel(-120, Qt::NoModifier);
    EXPECT_EQ(form->viewZoom().percent(), 100);
}

// The zoom is kept in the settings file and comes back at the next start, an off-level one too;
// a value no zoom has gives 100 %.
TEST_F(View, TheZoomComesBackAfterARestart)
{
    for (const int percent : {400, 13}) {
        form->setViewZoom(ZoomLevel::viewing(percent));
        form.reset(); // the settings are written at the end of the run
        form = std::make_unique<TMainForm>();
        EXPECT_EQ(form->viewZoom().percent(), percent);
        EXPECT_EQ(form->ClockPanel->size(), ClockView::viewSize(form->clockSize(), ZoomLevel::viewing(percent)));
    }
    form.reset();
    ProfileFile ini(settingsLocation().path);
    ini.WriteInteger(QStringLiteral("View"), QStringLiteral("Zoom"), 5000);
    ini.UpdateFile();
    form = std::make_unique<TMainForm>();
    EXPECT_EQ(form->viewZoom().percent(), 100);
}
