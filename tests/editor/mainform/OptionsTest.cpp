// The options menu: the load-time option groups, compression, hands over the transparent parts
// and the workbench colour.
#include "tests/editor/EditorFixture.h"

#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/ScrollBox.h"

#include <QPainter>

using namespace dw;
using namespace dw::test;

namespace {

using Options = EditorFixture;

} // namespace

TEST_F(Options, AnimationGroupCarriesTheHiddenSoundGroup)
{
    form->Yes4->trigger();
    EXPECT_TRUE(form->Yes4->isChecked());
    EXPECT_TRUE(form->Yes3->isChecked());
    EXPECT_FALSE(form->Default3->isChecked());
    EXPECT_FALSE(form->Default4->isChecked());
    EXPECT_TRUE(form->modified());
    EXPECT_TRUE(form->New1->isEnabled());

    form->SetModified(false);
    form->Yes4->trigger();
    EXPECT_TRUE(form->Yes4->isChecked()) << "choosing the checked item keeps it checked";
    EXPECT_TRUE(form->Yes3->isChecked());
    EXPECT_FALSE(form->modified()) << "and changes nothing";

    form->No4->trigger();
    EXPECT_TRUE(form->No3->isChecked());
    EXPECT_FALSE(form->Yes3->isChecked());
    form->Default4->trigger();
    EXPECT_TRUE(form->Default3->isChecked());
}

TEST_F(Options, OtherGroupsStayAlone)
{
    form->Yes1->trigger();
    EXPECT_TRUE(form->Yes1->isChecked());
    EXPECT_FALSE(form->Default1->isChecked());
    EXPECT_TRUE(form->modified());
    for (QAction* item : {form->Default2, form->Default3, form->Default4})
        EXPECT_TRUE(item->isChecked()) << qPrintable(item->objectName());

    form->SetModified(false);
    form->Default1->trigger();
    EXPECT_TRUE(form->Default1->isChecked());
    EXPECT_FALSE(form->Yes1->isChecked());
    EXPECT_TRUE(form->modified()) << "going back to Default is a change too";
}

TEST_F(Options, HandlerIgnoresItemsOfOtherMenus)
{
    form->Default1Click(form->Save1);
    form->Default1Click(form->Compress1);
    EXPECT_FALSE(form->modified());
    EXPECT_TRUE(form->Compress1->isChecked());
}

TEST_F(Options, HandsOffTheShapeMarksTheProjectAndShowsThePlainShapeAtOnce)
{
    // A dial whose opaque disc is smaller than the hands reach.
    QImage dial = filledImage(200, 200, Qt::blue);
    {
        QPainter p(&dial);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 240, 200));
        p.drawEllipse(QPoint(100, 100), 40, 40);
    }
    choose(form->Background1, bmp("dial.bmp", dial));
    form->SetModified(false);
    form->ExtrudeHand1->trigger();
    EXPECT_FALSE(form->modified()) << "switching on waits for the next tick";
    form->Timer1Timer();
    ASSERT_TRUE(form->ClockPanel->windowRegion());
    EXPECT_NE(*form->ClockPanel->windowRegion(), form->clockRgn()) << "the hands widen the shape";

    form->ExtrudeHand1->trigger();
    EXPECT_FALSE(form->ExtrudeHand1->isChecked());
    EXPECT_TRUE(form->modified());
    ASSERT_TRUE(form->ClockPanel->windowRegion());
    EXPECT_EQ(*form->ClockPanel->windowRegion(), form->clockRgn());
}

TEST_F(Options, CompressionAndWorkbenchColourAreNoProjectChange)
{
    form->Compress1->trigger();
    EXPECT_FALSE(form->Compress1->isChecked());
    form->Compress1->trigger();
    EXPECT_TRUE(form->Compress1->isChecked());

    ui.answerColor(0x000080FF);
    form->N17->trigger();
    EXPECT_EQ(form->workbenchColor(), 0x000080FFu);
    EXPECT_EQ(form->workbenchQColor(), QColor(0xFF, 0x80, 0x00));
    ui.answerColor(std::nullopt);
    form->N17->trigger();
    EXPECT_EQ(form->workbenchColor(), 0x000080FFu) << "cancelled: the colour stays";

    EXPECT_FALSE(form->modified());
    EXPECT_FALSE(form->New1->isEnabled());
    const auto dialogs = ui.records(seam::ScriptedHandler::Kind::ColorDialog);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].caption, "ColorDialog1");
}
