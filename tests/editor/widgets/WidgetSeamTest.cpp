#include "editor/widgets/WidgetCursor.h"
#include "editor/widgets/WidgetSeam.h"

#include "platform/Color.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace dw;

namespace {

QStringList buttonTexts(const QMessageBox& box)
{
    QStringList texts;
    for (QAbstractButton* b : box.buttons())
        texts << b->text();
    return texts;
}

} // namespace

TEST(WidgetSeam, OkBoxHasOneButtonAndNoIcon)
{
    const auto box = createMessageBox("保存しました", "Dialwright ver. 2.25a", seam::MB_OK);
    EXPECT_EQ(box->windowTitle(), "Dialwright ver. 2.25a");
    EXPECT_EQ(box->text(), "保存しました");
    EXPECT_EQ(box->textFormat(), Qt::PlainText) << "file names with angle brackets stay text";
    EXPECT_EQ(buttonTexts(*box), QStringList{"OK"});
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->defaultButton()->text(), "OK");
    EXPECT_EQ(messageBoxResult(*box), seam::IDOK) << "closing an OK box answers OK";
}

TEST(WidgetSeam, QuestionHasOkAndCancelWithCancelAsDefault)
{
    const auto box = createMessageBox("q", "c", seam::MB_OKCANCEL | seam::MB_ICONQUESTION | seam::MB_DEFBUTTON2);
    EXPECT_EQ(buttonTexts(*box).size(), 2);
    EXPECT_TRUE(buttonTexts(*box).contains("OK"));
    EXPECT_TRUE(buttonTexts(*box).contains("キャンセル"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->defaultButton()->text(), "キャンセル");
    EXPECT_EQ(box->escapeButton()->text(), "キャンセル");
    EXPECT_EQ(messageBoxResult(*box), seam::IDCANCEL) << "closing answers Cancel";

    const auto plain = createMessageBox("q", "c", seam::MB_OKCANCEL);
    EXPECT_EQ(plain->defaultButton()->text(), "OK") << "without MB_DEFBUTTON2 OK is the default";
    EXPECT_EQ(plain->escapeButton()->text(), "キャンセル");
}

TEST(WidgetSeam, ClickedButtonGivesTheResult)
{
    const auto box = createMessageBox("q", "c", seam::MB_OKCANCEL | seam::MB_DEFBUTTON2);
    for (QAbstractButton* b : box->buttons())
        if (b->text() == "OK")
            b->click();
    EXPECT_EQ(messageBoxResult(*box), seam::IDOK);
    const auto second = createMessageBox("q", "c", seam::MB_OKCANCEL);
    for (QAbstractButton* b : second->buttons())
        if (b->text() == "キャンセル")
            b->click();
    EXPECT_EQ(messageBoxResult(*second), seam::IDCANCEL);
}

TEST(WidgetSeam, IconFlagsChooseTheIcon)
{
    EXPECT_EQ(createMessageBox("", "", seam::MB_ICONERROR)->icon(), QMessageBox::Critical);
    EXPECT_EQ(createMessageBox("", "", seam::MB_ICONQUESTION)->icon(), QMessageBox::Question);
    EXPECT_EQ(createMessageBox("", "", seam::MB_ICONWARNING)->icon(), QMessageBox::Warning);
    EXPECT_EQ(createMessageBox("", "", seam::MB_ICONINFORMATION)->icon(), QMessageBox::Information);
    EXPECT_EQ(createMessageBox("", "", seam::MB_OKCANCEL | seam::MB_ICONWARNING)->icon(), QMessageBox::Warning);
}

TEST(WidgetSeam, FiltersKeepTheDescriptionAndConvertThePatterns)
{
    EXPECT_EQ(nameFiltersFromFilter("ビットマップ (*.bmp)|*.bmp"), QStringList{"ビットマップ (*.bmp) (*.bmp)"});
    EXPECT_EQ(nameFiltersFromFilter("Pendulet データファイル(*.pdl)|*.pdl|全てのファイル(*.*)|*.*"),
              (QStringList{"Pendulet データファイル(*.pdl) (*.pdl)", "全てのファイル(*.*) (*)"}));
    EXPECT_EQ(nameFiltersFromFilter("Pictures|*.bmp;*.dib"), QStringList{"Pictures (*.bmp *.dib)"});
    EXPECT_EQ(nameFiltersFromFilter("Sounds|*.wav|dangling"), QStringList{"Sounds (*.wav)"});
    EXPECT_TRUE(nameFiltersFromFilter("").isEmpty());
}

TEST(WidgetSeam, DefaultExtensionIsAppendedOnlyWithoutOne)
{
    EXPECT_EQ(withDefaultExtension("/tmp/clock", "pdl"), "/tmp/clock.pdl");
    EXPECT_EQ(withDefaultExtension("/tmp/clock.pdl", "pdl"), "/tmp/clock.pdl");
    EXPECT_EQ(withDefaultExtension("/tmp/clock.txt", "pdl"), "/tmp/clock.txt");
    EXPECT_EQ(withDefaultExtension("/tmp/my.clocks/clock", "pdl"), "/tmp/my.clocks/clock.pdl")
        << "a dot in a folder name is no extension";
    EXPECT_EQ(withDefaultExtension("/tmp/clock.", "pdl"), "/tmp/clock.pdl");
    EXPECT_EQ(withDefaultExtension("/tmp/clock", ""), "/tmp/clock");
}

TEST(WidgetSeam, SaveDialogAsksBeforeOverwritingAndShowsTheDescriptions)
{
    seam::FileDialogRequest request;
    request.kind = seam::FileDialogRequest::Save;
    request.name = "SaveDialog1";
    request.filter = "Pendulet データファイル(*.pdl)|*.pdl|全てのファイル(*.*)|*.*";
    request.defaultExt = "pdl";
    request.overwritePrompt = true;
    request.fileName = QDir::tempPath() + "/clock.pdl";
    QFileDialog dialog;
    configureFileDialog(dialog, request);
    EXPECT_EQ(dialog.objectName(), "SaveDialog1");
    EXPECT_EQ(dialog.windowTitle(), "名前を付けて保存");
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog.defaultSuffix(), "pdl");
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->itemText(0), "Pendulet データファイル(*.pdl)");
    EXPECT_EQ(types->itemText(1), "全てのファイル(*.*)");

    request.overwritePrompt = false;
    configureFileDialog(dialog, request);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
}

TEST(WidgetSeam, OpenDialogRequiresAnExistingFileWhenAsked)
{
    seam::FileDialogRequest request;
    request.name = "OpenPictureDialog1";
    request.filter = "ビットマップ (*.bmp)|*.bmp";
    request.defaultExt = "bmp";
    request.fileMustExist = true;
    QFileDialog dialog;
    configureFileDialog(dialog, request);
    EXPECT_EQ(dialog.windowTitle(), "開く");
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog.nameFilters(), QStringList{"ビットマップ (*.bmp) (*.bmp)"});
    request.fileMustExist = false;
    request.title = "Pick";
    configureFileDialog(dialog, request);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
    EXPECT_EQ(dialog.windowTitle(), "Pick");
}

TEST(WidgetSeam, AStartFolderComesBeforeThePresetNamesFolder)
{
    QTemporaryDir start, other;
    seam::FileDialogRequest request;
    request.initialDir = start.path();
    request.fileName = other.filePath("hour.bmp");
    QFileDialog dialog;
    configureFileDialog(dialog, request);
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(start.path()).canonicalPath());
    EXPECT_TRUE(dialog.selectedFiles().isEmpty() || QFileInfo(dialog.selectedFiles().front()).fileName() != "hour.bmp")
        << "a name from another folder is not offered here";

    request.fileName = start.filePath("dial.bmp");
    configureFileDialog(dialog, request);
    ASSERT_FALSE(dialog.selectedFiles().isEmpty());
    EXPECT_EQ(QFileInfo(dialog.selectedFiles().front()).fileName(), "dial.bmp");

    // A start folder that is gone: the preset name's folder, as without one.
    request.initialDir = start.filePath("gone");
    request.fileName = other.filePath("hour.bmp");
    configureFileDialog(dialog, request);
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(other.path()).canonicalPath());
}

TEST(WidgetSeam, ColourNumbersAreBlueGreenRed)
{
    EXPECT_EQ(qColorFromColorValue(0x00336699), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(colorValueFromQColor(QColor(0x99, 0x66, 0x33)), 0x00336699u);
    EXPECT_EQ(colorValueFromQColor(QColor::fromHsv(120, 255, 255)), 0x0000FF00u);
    EXPECT_EQ(qColorFromColorValue(uint32_t(clBtnFace)), QApplication::palette().color(QPalette::Button))
        << "the button face is the desktop's";
    const uint32_t shadow = ColorToRGB(systemColor(16));
    EXPECT_EQ(qColorFromColorValue(uint32_t(systemColor(16))), QColor(redOf(shadow), greenOf(shadow), blueOf(shadow)))
        << "other system colours from the classic scheme";
}

TEST(WidgetSeam, RejectedDialogIsCancel)
{
    EXPECT_EQ(modalResultFromExec(QDialog::Rejected), seam::mrCancel);
    EXPECT_EQ(modalResultFromExec(QDialog::Accepted), seam::mrOk);
    EXPECT_EQ(modalResultFromExec(seam::mrCancel), seam::mrCancel);
    EXPECT_EQ(modalResultFromExec(7), 7);
}

TEST(WidgetSeam, HandlerIsInstalledWhileItLives)
{
    seam::Handler* before = &seam::current();
    {
        WidgetSeamHandler handler;
        EXPECT_EQ(&seam::current(), &handler);
        QObject notADialog;
        EXPECT_EQ(handler.showModal(notADialog), seam::mrCancel);
    }
    EXPECT_EQ(&seam::current(), before);
}

TEST(WidgetCursor, HourglassShowsTheWaitCursorUntilRestored)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        WidgetCursorListener listener;
        {
            TWaitCursor wait;
            ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            {
                TWaitCursor nested;
                EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            }
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        TScreen::setCursor(crHandPoint);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
        TScreen::setCursor(crHourGlass);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the listener takes its cursor with it";
    TScreen::setCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
