// The clock window's shape as the user sets it: start-up cut-out, track bars, the reset button,
// mask pictures.
#include "tests/editor/EditorFixture.h"

#include "editor/widgets/ControlHostPanel.h"

#include "platform/FrameworkError.h"
#include "platform/Screen.h"

#include <QFile>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

using namespace dw;
using namespace dw::test;

namespace {

class WindowShape : public EditorFixture {
protected:
    std::optional<TRegion> windowRegion() const { return form->ClockPanel->windowRegion(); }
    // The window region equals the kept shape (none for no shape).
    void expectShown()
    {
        if (form->clockRgn().isEmpty()) {
            EXPECT_FALSE(windowRegion());
        } else {
            ASSERT_TRUE(windowRegion());
            EXPECT_EQ(*windowRegion(), form->clockRgn());
        }
    }
};

} // namespace

TEST_F(WindowShape, StartsAsTheBuiltinDialsDisc)
{
    const TRegion& shape = form->clockRgn();
    EXPECT_EQ(shape.boundingBox(), (TRect{0, 0, 200, 200}));
    for (TPoint corner : {TPoint{0, 0}, TPoint{199, 0}, TPoint{0, 199}, TPoint{199, 199}})
        EXPECT_FALSE(shape.contains(corner));
    EXPECT_TRUE(shape.contains({100, 100}));
    EXPECT_TRUE(shape.contains({100, 0}));
    ASSERT_TRUE(windowRegion());
    EXPECT_EQ(*windowRegion(), shape) << "the panel shows exactly the disc";
    EXPECT_FALSE(form->ClockPanel->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(form->ClockPanel->mask().contains(QPoint(100, 100)));
}

TEST_F(WindowShape, TrackBarsMakeARoundedRectangle)
{
    form->TrackBar1->setValue(0);
    EXPECT_TRUE(form->clockRgn().isEmpty()) << "either bar at 0: no shape";
    expectShown();
    EXPECT_TRUE(form->modified());
    EXPECT_TRUE(form->New1->isEnabled());

    form->TrackBar1->setValue(1);
    EXPECT_EQ(form->clockRgn(), CreateRoundRectRgn(0, 0, 200, 200, 10, 200));
    expectShown();
    form->TrackBar1->setValue(20);
    EXPECT_EQ(form->clockRgn(), CreateRoundRectRgn(0, 0, 200, 200, 200, 200)) << "the inscribed ellipse";
    expectShown();

    form->SetModified(false);
    form->TrackBar2->setValue(0);
    EXPECT_TRUE(form->clockRgn().isEmpty());
    EXPECT_TRUE(form->modified()) << "the second bar alone marks the project too";
}

TEST_F(WindowShape, ResetButtonCutsTheDialOutAgain)
{
    const TRegion disc = form->clockRgn();
    form->TrackBar1->setValue(4);
    ASSERT_NE(form->clockRgn(), disc);
    form->SetModified(false);
    form->ResetRgnBtn->click();
    EXPECT_EQ(form->clockRgn(), disc);
    expectShown();
    EXPECT_TRUE(form->modified());
}

TEST_F(WindowShape, DialOfOneColourHasNoShape)
{
    choose(form->Background1, bmp("plain.bmp", filledImage(120, 80, QColor(40, 90, 160))));
    EXPECT_TRUE(form->clockRgn().isEmpty());
    expectShown();
}

TEST_F(WindowShape, DialCutOutIsTheBottomLeftColourAndWhiteForOneBit)
{
    QImage face = filledImage(100, 100, Qt::magenta);
    QPainter(&face).fillRect(QRect(20, 20, 60, 60), Qt::white);
    choose(form->Background1, bmp("magenta.bmp", face));
    EXPECT_EQ(form->clockRgn(), CreateRectRgn(20, 20, 80, 80)) << "cut by the bottom-left magenta";
    expectShown();

    QImage mono = filledImage(100, 100, Qt::white);
    QPainter(&mono).fillRect(QRect(0, 50, 100, 50), Qt::black); // the bottom-left pixel is black
    choose(form->Background1, bmp("mono.bmp", mono, pf1bit));
    EXPECT_EQ(form->clockRgn(), CreateRectRgn(0, 50, 100, 100)) << "a 1-bit dial loses its white";
}

TEST_F(WindowShape, MaskGivesTheShapeOfItsBlackPixels)
{
    QImage mask = filledImage(200, 200, Qt::white);
    QPainter(&mask).fillRect(QRect(30, 40, 100, 50), Qt::black);
    form->SetModified(false);
    choose(form->M1, bmp("mask.bmp", mask, pf1bit));
    EXPECT_EQ(form->clockRgn(), CreateRectRgn(30, 40, 130, 90));
    expectShown();
    EXPECT_TRUE(form->modified());
    const auto fileDialogs = ui.records(seam::ScriptedHandler::Kind::FileDialog);
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0].file.name, "OpenPictureDialog1");

    form->TrackBar2->setValue(10);
    EXPECT_EQ(form->clockRgn(), CreateRoundRectRgn(0, 0, 200, 200, 200, 100)) << "the track bar replaces the mask";
}

TEST_F(WindowShape, AllWhiteMaskMeansNoShape)
{
    choose(form->M1, bmp("white.bmp", filledImage(50, 50, Qt::white)));
    EXPECT_TRUE(form->clockRgn().isEmpty());
    expectShown();
    EXPECT_EQ(TScreen::cursor(), crDefault);
}

