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

// Each button set with its icon, default and escape buttons, what closing the box answers and
// what each button answers when clicked.
TEST(WidgetSeam, MessageBoxesShowTheFlagsButtonsAndIcon)
{
    const QString ok = "OK", cancel = "キャンセル";
    const struct {
        unsigned flags;
        QStringList buttons;
        QMessageBox::Icon icon;
        QString defaultButton, escapeButton;
        int closed;
    } cases[] = {
        {seam::MB_OK, {ok}, QMessageBox::NoIcon, ok, ok, seam::IDOK},
        {seam::MB_OKCANCEL | seam::MB_ICONQUESTION | seam::MB_DEFBUTTON2, {ok, cancel}, QMessageBox::Question,
         cancel, cancel, seam::IDCANCEL},
        {seam::MB_OKCANCEL | seam::MB_ICONWARNING, {ok, cancel}, QMessageBox::Warning, ok, cancel, seam::IDCANCEL},
        {seam::MB_ICONERROR, {ok}, QMessageBox::Critical, ok, ok, seam::IDOK},
        {seam::MB_ICONINFORMATION, {ok}, QMessageBox::Information, ok, ok, seam::IDOK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        const auto box = createMessageBox("保存しました <clock.pdl>", "Dialwright ver. 2.25a", c.flags);
        EXPECT_EQ(box->windowTitle(), "Dialwright ver. 2.25a");
        EXPECT_EQ(box->text(), "保存しました <clock.pdl>");
        EXPECT_EQ(box->textFormat(), Qt::PlainText) << "file names with angle brackets stay text";
        QStringList texts;
        for (QAbstractButton* b : box->buttons())
            texts << b->text();
        texts.sort();
        QStringList expected = c.buttons;
        expected.sort();
        EXPECT_EQ(texts, expected);
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->defaultButton()->text(), c.defaultButton);
        EXPECT_EQ(box->escapeButton()->text(), c.escapeButton);
        EXPECT_EQ(messageBoxResult(*box), c.closed) << "closing the box";
        for (const QString& text : c.buttons) {
            const auto clicked = createMessageBox("q", "c", c.flags);
            for (QAbstractButton* b : clicked->buttons())
                if (b->text() == text)
                    b->click();
            EXPECT_EQ(messageBoxResult(*clicked), text == ok ? seam::IDOK : seam::IDCANCEL) << qPrintable(text);
        }
    }
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
