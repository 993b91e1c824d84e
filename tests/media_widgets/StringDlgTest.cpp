// The file-name entry dialog as the user meets it: its layout, the selected starting text, Enter
// and Escape, and the text read back exactly as typed.
#include "media/widgets/ByFileNameUnit.h"

#include "platform/Seam.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dw;

namespace {

// Shows the dialog modally; the user's keys arrive once it runs. Returns the modal result, or
// -1 when the user's keys left the dialog open.
int execWith(TStringDlg& dlg, const std::function<void()>& user)
{
    QTimer::singleShot(0, &dlg, [&dlg, user] {
        user();
        if (dlg.isVisible())
            dlg.done(-1);
    });
    return dlg.exec();
}

} // namespace

TEST(StringDlg, LayoutCaptionAndButtons)
{
    TStringDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "ダイアログ");
    EXPECT_EQ(dlg.size(), QSize(313, 110));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize()) << "a dialog border does not resize";
    EXPECT_EQ(dlg.OKBtn->text(), "OK");
    EXPECT_TRUE(dlg.OKBtn->isDefault());
    EXPECT_EQ(dlg.CancelBtn->text(), "キャンセル");
    EXPECT_FALSE(dlg.CancelBtn->isDefault());
    EXPECT_TRUE(dlg.Bevel1->geometry().contains(dlg.Edit1->geometry()));
    EXPECT_TRUE(dlg.rect().contains(dlg.OKBtn->geometry()));
    EXPECT_TRUE(dlg.rect().contains(dlg.CancelBtn->geometry()));

    const QString longName = QString(40000, QLatin1Char('a')) + QStringLiteral(".wav");
    dlg.Edit1->setText(longName);
    EXPECT_EQ(dlg.Edit1->text(), longName) << "the field has no length limit of its own";
}

TEST(StringDlg, FirstDialogIsTheProgramsOneUntilItGoes)
{
    ASSERT_EQ(StringDlg, nullptr);
    {
        TStringDlg first;
        EXPECT_EQ(StringDlg, &first);
        {
            TStringDlg second;
            EXPECT_EQ(StringDlg, &first) << "a later dialog does not take the place";
        }
        EXPECT_EQ(StringDlg, &first);
    }
    EXPECT_EQ(StringDlg, nullptr);
}

TEST(StringDlg, StartingTextIsSelectedSoThatTypingReplacesIt)
{
    TStringDlg dlg;
    dlg.Edit1->setText(QStringLiteral("old.wav"));
    QString selected;
    const int result = execWith(dlg, [&] {
        selected = dlg.Edit1->selectedText();
        EXPECT_EQ(dlg.focusWidget(), dlg.Edit1);
        QTest::keyClicks(dlg.Edit1, QStringLiteral("new.wav"));
        QTest::keyClick(dlg.Edit1, Qt::Key_Return);
    });
    EXPECT_EQ(selected, "old.wav");
    EXPECT_EQ(result, seam::mrOk);
    EXPECT_EQ(dlg.Edit1->text(), "new.wav");
}

TEST(StringDlg, EnterWithAnEmptyFieldClosesWithOk)
{
    TStringDlg dlg;
    dlg.Edit1->clear();
    // The field's own key handling, not the dialog's default button, closes it.
    dlg.OKBtn->setDefault(false);
    dlg.OKBtn->setAutoDefault(false);
    dlg.CancelBtn->setAutoDefault(false);
    EXPECT_EQ(execWith(dlg, [&] { QTest::keyClick(dlg.Edit1, Qt::Key_Enter); }), seam::mrOk);
    EXPECT_EQ(dlg.Edit1->text(), QString());
}

TEST(StringDlg, EscapeClosesWithCancel)
{
    TStringDlg dlg;
    dlg.Edit1->setText(QStringLiteral("keep.wav"));
    EXPECT_EQ(execWith(dlg, [&] {
                  QTest::keyClicks(dlg.Edit1, QStringLiteral("x"));
                  QTest::keyClick(dlg.Edit1, Qt::Key_Escape);
              }),
              seam::mrCancel);
    EXPECT_EQ(execWith(dlg, [&] { dlg.CancelBtn->click(); }), seam::mrCancel);
    EXPECT_EQ(execWith(dlg, [&] { dlg.OKBtn->click(); }), seam::mrOk);
}

TEST(StringDlg, KeyDownHandlerConsumesOnlyEnterAndEscape)
{
    TStringDlg dlg;
    dlg.show();
    uint16_t key = 'A';
    dlg.Edit1KeyDown(key);
    EXPECT_EQ(key, 'A');
    EXPECT_TRUE(dlg.isVisible());
    key = 13;
    dlg.Edit1KeyDown(key);
    EXPECT_EQ(key, 0);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), seam::mrOk);
    dlg.show();
    key = 27;
    dlg.Edit1KeyDown(key);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(dlg.result(), seam::mrCancel);
}

TEST(StringDlg, TextIsReadBackUntrimmedAndPersistsBetweenShowings)
{
    TStringDlg dlg;
    dlg.setWindowTitle(QStringLiteral("サウンドファイル名(*.wav)を入力してください"));
    dlg.Edit1->clear();
    ASSERT_EQ(execWith(dlg, [&] {
                  QTest::keyClicks(dlg.Edit1, QStringLiteral("  "));
                  dlg.Edit1->insert(QStringLiteral("音")); // as an input method would
                  QTest::keyClicks(dlg.Edit1, QStringLiteral(" .wav "));
                  QTest::keyClick(dlg.Edit1, Qt::Key_Return);
              }),
              seam::mrOk);
    EXPECT_EQ(dlg.Edit1->text(), "  音 .wav ");
    // Shown again without the caller setting anything: caption and text are still there, the
    // text selected once more.
    QString selected;
    ASSERT_EQ(execWith(dlg, [&] {
                  selected = dlg.Edit1->selectedText();
                  QTest::keyClick(dlg.Edit1, Qt::Key_Escape);
              }),
              seam::mrCancel);
    EXPECT_EQ(selected, "  音 .wav ");
    EXPECT_EQ(dlg.windowTitle(), "サウンドファイル名(*.wav)を入力してください");
}
