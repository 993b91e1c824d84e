#include "editor/Application.h"
#include "editor/widgets/CommonDialogs.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/clock/BuiltinPictures.h"
#include "editor/mainform/EditorUnit.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/PreviewBox.h"
#include "editor/widgets/ScrollBox.h"

#include "platform/ScriptedSeam.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dw;

namespace {

bool rendersJapanese(const QFont& font)
{
    return QFontDatabase::writingSystems(QFontInfo(font).family()).contains(QFontDatabase::Japanese);
}

// A shown and active main window, as the user sees it.
struct ShownForm {
    TMainForm form;
    ShownForm()
    {
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
};

} // namespace

TEST(MainForm, WindowHasTheTitleSizeAndJapaneseFont)
{
    TMainForm form;
    EXPECT_EQ(form.windowTitle(), "Dialwright ver. 2.25a");
    EXPECT_EQ(form.size(), QSize(568, 460));
    EXPECT_EQ(form.font().families().value(0), "ＭＳ Ｐゴシック");
    EXPECT_EQ(form.font().pixelSize(), 12);
    EXPECT_TRUE(rendersJapanese(form.font())) << qPrintable(QFontInfo(form.font()).family());
    EXPECT_EQ(QFontInfo(form.Edit1->font()).pixelSize(), 12) << "controls take the window font";
    EXPECT_TRUE(rendersJapanese(form.submenu("File1")->font())) << "pop-up menus too";
}

TEST(MainForm, ControlsCarryTheirNamesAndHints)
{
    TMainForm form;
    const struct {
        const char* name;
        const char* hint;
    } controls[] = {
        {"ScrollBox1", "作業台"},
        {"ClockPanel", ""},
        {"ClockImage", "完成予想図"},
        {"Panel1", ""},
        {"Edit1", "タスクバーのタイトル、または、タスクトレイに出るヒントに表示されます。"},
        {"Memo1", "右クリックメニューの[About]で出るダイアログボックスに表示される文です。"},
        {"TrackBar1", "時計を丸四角に変形します。"},
        {"TrackBar2", "時計を丸四角に変形します。"},
        {"ResetRgnBtn", "文字盤の左下隅の色を透過色として Window をくり貫きます。"},
        {"StatusBar1", ""},
    };
    for (const auto& c : controls) {
        auto* w = form.findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->statusTip(), QString::fromUtf8(c.hint)) << c.name;
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(c.hint)) << c.name;
    }
    EXPECT_EQ(form.ResetRgnBtn->text(), "リセット（Bitmap Mask）");
    EXPECT_EQ(form.GroupBox1->title(), "Window の簡易変形");
    EXPECT_EQ(form.Label1->text(), "タイトル(&Title)");
    EXPECT_EQ(form.Label1->buddy(), form.Edit1);
    EXPECT_EQ(form.Label2->text(), "作者情報(&Information)");
    EXPECT_EQ(form.Label2->buddy(), form.Memo1);
    EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.Timer1->interval(), 1000);
}

TEST(MainForm, ShapeTrackBarsStartAtTwentyWithTicksEveryTwo)
{
    TMainForm form;
    for (QSlider* bar : {form.TrackBar1, form.TrackBar2}) {
        EXPECT_EQ(bar->orientation(), Qt::Horizontal);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 20);
        EXPECT_EQ(bar->value(), 20);
        EXPECT_EQ(bar->tickPosition(), QSlider::TicksBelow);
        EXPECT_EQ(bar->tickInterval(), 2);
    }
}

TEST(MainForm, WorkAreaFillsTheWindowLeftOfTheSidePanel)
{
    ShownForm shown;
    TMainForm& form = shown.form;
    EXPECT_EQ(form.Panel1->width(), 200);
    const QRect work = form.ScrollBox1->geometry();
    const QRect side = form.Panel1->geometry();
    EXPECT_EQ(work.left(), 0);
    EXPECT_EQ(work.right() + 1, side.left());
    EXPECT_EQ(side.right() + 1, form.centralWidget()->width());
    EXPECT_EQ(work.height(), form.centralWidget()->height());
    EXPECT_EQ(form.ClockPanel->geometry(), QRect(10, 10, 200, 200));
    EXPECT_EQ(form.ClockImage->geometry(), QRect(0, 0, 200, 200)) << "the preview fills the clock panel";
    EXPECT_EQ(form.ScrollBox1->horzRange(), 220);
    EXPECT_EQ(form.ScrollBox1->vertRange(), 220);
}

TEST(MainForm, ScrollRangesLargerThanTheWorkAreaScroll)
{
    ShownForm shown;
    ScrollBox* box = shown.form.ScrollBox1;
    box->setRanges(1200, 900);
    QApplication::processEvents();
    EXPECT_EQ(box->horzRange(), 1200);
    EXPECT_EQ(box->vertRange(), 900);
    EXPECT_GT(box->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(box->verticalScrollBar()->maximum(), 0);
    box->setRanges(220, 220);
    QApplication::processEvents();
    EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0);
}

TEST(MainForm, WorkAreaTakesAColourNumber)
{
    TMainForm form;
    EXPECT_EQ(form.ScrollBox1->color(), clBtnFace);
    form.ScrollBox1->setColor(0x00336699);
    EXPECT_EQ(form.ScrollBox1->color(), 0x00336699);
    EXPECT_EQ(form.ScrollBox1->viewport()->palette().color(QPalette::Window), QColor(0x99, 0x66, 0x33));
}

TEST(MainForm, StartsUnmodifiedWithNewDisabledAndSetModifiedFalseLeavesNewEnabled)
{
    TMainForm form;
    EXPECT_FALSE(form.modified());
    EXPECT_FALSE(form.New1->isEnabled());
    EXPECT_TRUE(form.Edit1->text().isEmpty());
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
    form.SetModified(true);
    form.SetModified(false);
    EXPECT_FALSE(form.modified());
    EXPECT_TRUE(form.New1->isEnabled()) << "only New disables New again";
}

TEST(MainForm, TypingTheTitleOrTheAuthorTextMarksTheProjectModified)
{
    for (const bool title : {true, false}) {
        SCOPED_TRACE(title ? "title" : "author text");
        ShownForm shown;
        QWidget* box = title ? static_cast<QWidget*>(shown.form.Edit1) : shown.form.Memo1;
        QTest::keyClicks(box, "My clock");
        EXPECT_EQ(title ? shown.form.Edit1->text() : shown.form.Memo1->toPlainText(), "My clock");
        EXPECT_TRUE(shown.form.modified());
        EXPECT_TRUE(shown.form.New1->isEnabled());
    }
}

TEST(MainForm, LabelAccessKeysFocusTheirBoxes)
{
    ShownForm shown;
    QTest::keyClick(&shown.form, Qt::Key_I, Qt::AltModifier);
    EXPECT_TRUE(shown.form.Memo1->hasFocus());
    QTest::keyClick(&shown.form, Qt::Key_T, Qt::AltModifier);
    EXPECT_TRUE(shown.form.Edit1->hasFocus());
}

TEST(MainForm, TabWalksTheSidePanelAsItIsLaidOut)
{
    TMainForm form;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Edit1->setFocus();
    QStringList visited{form.Edit1->objectName()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, (QStringList{"Edit1", "Memo1", "TrackBar1", "TrackBar2", "ResetRgnBtn"}));
    EXPECT_EQ(form.Memo1->toPlainText(), QString()) << "Tab leaves the author text rather than typing into it";
    EXPECT_EQ(form.ScrollBox1->focusPolicy(), Qt::NoFocus);
}

TEST(MainForm, StatusLineShowsTheHintOfTheControlUnderTheMouse)
{
    ShownForm shown;
    TMainForm& form = shown.form;
    QTest::mouseMove(form.Edit1, form.Edit1->rect().center());
    EXPECT_EQ(form.StatusBar1->currentMessage(), form.Edit1->statusTip());
    QTest::mouseMove(form.TrackBar2, form.TrackBar2->rect().center());
    EXPECT_EQ(form.StatusBar1->currentMessage(), "時計を丸四角に変形します。");
    QTest::mouseMove(form.ClockImage, form.ClockImage->rect().center());
    EXPECT_EQ(form.StatusBar1->currentMessage(), "完成予想図");
    QTest::mouseMove(form.Label1, form.Label1->rect().center());
    EXPECT_EQ(form.StatusBar1->currentMessage(), "") << "a control without a hint clears the line";
}

TEST(MainForm, StatusLineShowsTheHintOfTheHighlightedMenuItem)
{
    ShownForm shown;
    TMainForm& form = shown.form;
    form.MainMenu1->setActiveAction(form.File1);
    QMenu* file = form.submenu("File1");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    file->setActiveAction(form.Save1);
    EXPECT_EQ(form.StatusBar1->currentMessage(), "カスタムデータをファイルに保存します。");
    file->setActiveAction(form.Exit1);
    EXPECT_EQ(form.StatusBar1->currentMessage(), "") << "an item without a hint clears the line";
    file->hide();

    form.MainMenu1->setActiveAction(form.O2);
    QMenu* options = form.submenu("O2");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(options));
    options->setActiveAction(form.Compress1);
    EXPECT_EQ(form.StatusBar1->currentMessage(), "保存ファイルを Compress.exe で自動圧縮を指定します。");
    options->hide();
}

TEST(MainForm, BuiltinPicturesAreHeldByHiddenPictureControls)
{
    TMainForm form;
    const struct {
        PictureBox* holder;
        BuiltinPicture picture;
        QSize size;
    } holders[] = {
        {form.Image1, BuiltinPicture::Dial, {200, 200}},
        {form.HourImage, BuiltinPicture::Hour, {15, 70}},
        {form.MinImage, BuiltinPicture::Minute, {15, 90}},
        {form.SecImage, BuiltinPicture::Second, {13, 16}},
    };
    for (const auto& h : holders) {
        EXPECT_FALSE(h.holder->isVisibleTo(&form));
        EXPECT_EQ(h.holder->picture().size(), h.size);
        EXPECT_EQ(h.holder->bmpBytes(), builtinPictureBytes(h.picture));
    }
    EXPECT_EQ(form.Image1->objectName(), "Image1");
    EXPECT_EQ(form.SecImage->objectName(), "SecImage");
}

TEST(MainForm, AReusedFileDialogOffersTheNameChosenLast)
{
    TMainForm form;
    seam::ScriptedHandler ui;
    ui.answerFile(QStringLiteral("/tmp/dial.bmp"));
    ui.answerFile(std::nullopt);
    EXPECT_EQ(executeFileDialog(form.OpenPictureDialog1).value_or(""), "/tmp/dial.bmp");
    EXPECT_FALSE(executeFileDialog(form.OpenPictureDialog1).has_value());
    EXPECT_EQ(form.OpenPictureDialog1.fileName, "/tmp/dial.bmp") << "a cancel keeps the name";
    const auto shown = ui.records(seam::ScriptedHandler::Kind::FileDialog);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].file.fileName, "");
    EXPECT_EQ(shown[1].file.fileName, "/tmp/dial.bmp");
    EXPECT_EQ(shown[1].file.filter, "画像 (*.bmp *.png *.jpg *.jpeg *.gif)|*.bmp;*.png;*.jpg;*.jpeg;*.gif|"
                                    "ビットマップ (*.bmp)|*.bmp|すべてのファイル (*.*)|*.*")
        << "every picture the editor reads first, then the bitmaps, then all files";
    EXPECT_TRUE(shown[1].file.fileMustExist);
}
