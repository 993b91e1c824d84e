// New: the project back to its start-up state, and the option groups back to Default on request.
#include "tests/editor/EditorFixture.h"

#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/ScrollBox.h"

#include "rotateimage/RotateImage.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>

using namespace dw;
using namespace dw::test;

namespace {

const char kProjectQuestion[] = "データを初期化しますか？";
const char kProjectTitle[] = "作成中のデータは保存されていません。";
const char kOptionQuestion[] = "カスタムデータロード時の動作オプション設定を初期化しますか？";
const char kOptionTitle[] = "動作オプションの初期化";
constexpr unsigned kQuestionFlags = seam::MB_OKCANCEL | seam::MB_ICONWARNING | seam::MB_DEFBUTTON2;

class NewProject : public EditorFixture {
protected:
    // Puts bytes into a slot record as the slot commands would, with its items following.
    void fillSlot(int slot, int size)
    {
        TMemoryStream* record = form->editableSlotRecord(slot);
        ASSERT_NE(record, nullptr);
        record->SetSize(size);
        std::fill_n(static_cast<uint8_t*>(record->Memory()), size, uint8_t(slot));
        form->UpdateSlotItems();
        form->SetModified(true);
    }
    std::vector<QAction*> slotItems() const
    {
        return {form->NoData1, form->Play1, form->NoData2, form->Play2, form->NoData3, form->Play3,
                form->NoData4, form->Play4, form->NoData5, form->Play5, form->NoData6, form->Play6,
                form->NoData7, form->Play7};
    }
};

} // namespace

TEST_F(NewProject, AfterLoadingEverythingOkGivesTheDefaultProjectBack)
{
    const TRegion defaultShape = form->clockRgn();
    choose(form->Background1, bmp("dial.bmp", filledImage(300, 200, Qt::red)));
    choose(form->N2, bmp("hour.bmp", handImage(21, 60)));
    form->Edit1->setText("My clock");
    form->Memo1->setPlainText("me");
    form->TrackBar1->setValue(4);
    form->TrackBar2->setValue(6);
    for (int slot = 1; slot <= 7; ++slot)
        fillSlot(slot, slot <= 4 ? 60 : 90);
    for (QAction* item : slotItems())
        ASSERT_TRUE(item->isEnabled()) << qPrintable(item->objectName());
    form->Yes2->trigger();

    ui.answerMessage(seam::IDOK);
    ui.answerMessage(seam::IDCANCEL);
    form->New1->trigger();

    const auto boxes = ui.records(seam::ScriptedHandler::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, kProjectQuestion);
    EXPECT_EQ(boxes[0].caption, kProjectTitle);
    EXPECT_EQ(boxes[0].flags, kQuestionFlags);
    EXPECT_EQ(boxes[1].text, kOptionQuestion);
    EXPECT_EQ(boxes[1].caption, kOptionTitle);
    EXPECT_EQ(boxes[1].flags, kQuestionFlags);

    EXPECT_EQ(form->ClockPanel->geometry(), QRect(10, 10, 200, 200));
    EXPECT_EQ(form->ScrollBox1->horzRange(), 220);
    for (const QPoint centre : {form->hourCenter(), form->minCenter(), form->secCenter()})
        EXPECT_EQ(centre, QPoint(100, 100));
    EXPECT_EQ(QPoint(form->SNeedleImage->PivotX(), form->SNeedleImage->PivotY()), QPoint(7, 70));
    EXPECT_EQ(QPoint(form->LNeedleImage->PivotX(), form->LNeedleImage->PivotY()), QPoint(7, 90));
    EXPECT_EQ(QPoint(form->SecNeedleImage->PivotX(), form->SecNeedleImage->PivotY()), QPoint(6, 90));
    EXPECT_EQ(form->SNeedleImage->Bitmap().Width(), 15) << "the built-in hour hand";
    EXPECT_EQ(form->clockRgn(), defaultShape) << "the round cut-out";
    EXPECT_EQ(form->TrackBar1->value(), 20);
    EXPECT_EQ(form->TrackBar2->value(), 20);
    EXPECT_TRUE(form->bkgStream().size() == 0 && form->hourStream().size() == 0);
    EXPECT_TRUE(form->Edit1->text().isEmpty());
    EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
    for (int slot = 1; slot <= 7; ++slot)
        EXPECT_EQ(form->slotRecord(slot).size(), 0) << slot;
    for (QAction* item : slotItems())
        EXPECT_FALSE(item->isEnabled()) << qPrintable(item->objectName());
    for (QAction* item : {form->AnimParam1, form->AnimParam2, form->AnimParam3})
        EXPECT_TRUE(item->isEnabled()) << qPrintable(item->objectName()) << " keeps its state";
    EXPECT_FALSE(form->New1->isEnabled());
    EXPECT_FALSE(form->modified()) << "clearing the title does not leave the project marked";
    EXPECT_TRUE(form->Yes2->isChecked()) << "the option question was declined";
}

TEST_F(NewProject, CancelKeepsTheProjectAndStillAsksTheOptionQuestion)
{
    form->Edit1->setText("Keep");
    fillSlot(7, 100);
    form->Yes1->trigger();
    form->No4->trigger();
    ui.answerMessage(seam::IDCANCEL);
    ui.answerMessage(seam::IDOK);
    form->New1->trigger();
    EXPECT_EQ(ui.messages(), (QStringList{kProjectQuestion, kOptionQuestion}));
    EXPECT_EQ(form->Edit1->text(), "Keep");
    EXPECT_EQ(form->slotRecord(7).size(), 100);
    EXPECT_TRUE(form->Play7->isEnabled());
    EXPECT_TRUE(form->modified());
    EXPECT_TRUE(form->New1->isEnabled());
    for (QAction* item : {form->Default1, form->Default2, form->Default3, form->Default4})
        EXPECT_TRUE(item->isChecked()) << qPrintable(item->objectName());
}

TEST_F(NewProject, AfterASaveOnlyTheOptionQuestionIsAsked)
{
    form->Compress1->trigger(); // a plain file is enough here
    form->Edit1->setText("Saved");
    fillSlot(2, 40);
    choose(form->Save1, file("saved.pdl"));
    ASSERT_FALSE(form->modified());
    ASSERT_TRUE(form->New1->isEnabled()) << "a save leaves New enabled";
    ui.clearLog();

    form->New1->trigger();
    EXPECT_EQ(ui.messages(), QStringList{kOptionQuestion}) << "declined by default";
    EXPECT_EQ(form->Edit1->text(), "Saved");
    EXPECT_EQ(form->slotRecord(2).size(), 40);
    EXPECT_TRUE(form->New1->isEnabled());
}

TEST_F(NewProject, LeavesTheEditorsPreferencesAlone)
{
    form->ExtrudeHand1->trigger();
    form->Compress1->trigger();
    ui.answerColor(0x00112233);
    form->N17->trigger();
    // A modified project, so that New resets it and not only the options.
    choose(form->Background1, bmp("dial.bmp", filledImage(90, 60, Qt::green)));
    ASSERT_TRUE(form->modified());
    ui.answerMessage(seam::IDOK);
    ui.answerMessage(seam::IDOK);
    form->New1->trigger();
    ASSERT_EQ(form->bkgStream().size(), 0) << "the project was reset";
    EXPECT_TRUE(form->ExtrudeHand1->isChecked());
    EXPECT_FALSE(form->Compress1->isChecked());
    EXPECT_EQ(form->workbenchColor(), 0x00112233u);
    EXPECT_FALSE(form->modified());
}
