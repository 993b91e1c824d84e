#pragma once

// The editor driven as a user drives it: a main window (not shown unless a test shows it) and
// its dialogs, the scripted interaction seam that answers them, a folder for the test's files
// and a fixed time of day for the preview.

#include "tests/editor/RecordingWavePlayer.h"
#include "tests/editor/TestPictures.h"
#include "tests/support/TestFiles.h"

#include "editor/mainform/EditorUnit.h"
#include "editor/positioning/HandUnit.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/PreviewBox.h"
#include "media/widgets/AnimDlgUnit.h"
#include "media/widgets/ByFileNameUnit.h"

#include "platform/ScriptedSeam.h"
#include "platform/SimulatedTicks.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QTime>

#include <gtest/gtest.h>

#include <memory>

namespace dw::test {

class EditorFixture : public ::testing::Test {
protected:
    EditorFixture()
    {
        form = std::make_unique<TMainForm>();
        form->setTimeSource([this] { return now; });
        // The dialogs follow the main window, as at start-up.
        handForm = std::make_unique<THandForm>();
    }

    // Chooses a file in the command's file dialog and runs the command from its menu item.
    void choose(QAction* item, const QString& path)
    {
        ui.answerFile(path);
        item->trigger();
    }
    // Drags a file over a widget of the window and drops it there, as the toolkit delivers a
    // drag from a file manager; returns whether the drag was taken while entering.
    bool dropOn(QWidget* target, const QString& path, bool drop = true)
    {
        form->show();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        mime.setText(path);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted() || !drop)
            return enter.isAccepted();
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return true;
    }
    // Drops a file on the preview and picks the entry `choice` of the menu that asks where it goes.
    void drop(const QString& path, int choice)
    {
        ui.answerMenu(choice);
        dropOn(form->ClockImage, path);
    }
    // Packs saves as a cabinet or not, as the File menu's item does.
    void setCompress(bool on)
    {
        if (form->Compress1->isChecked() != on)
            form->Compress1->trigger();
    }
    // A file in the test's folder.
    QString file(const QString& name) const { return dir.filePath(name); }
    QString bmp(const QString& name, const QImage& image, TPixelFormat format = pf24bit) const
    {
        return writeBmp(file(name), image, format);
    }

    QTemporaryDir dir;
    seam::ScriptedHandler ui;
    RecordingWavePlayer player; // Test Play is heard here, never on a device
    TStringDlg stringDlg;       // the program's one file-name dialog, StringDlg
    TAnimationDlg animationDlg; // the program's one animation settings dialog, AnimationDlg
    SimulatedTicks ticks;       // animations play in simulated time
    QTime now{10, 10, 35};
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<THandForm> handForm;
};

} // namespace dw::test
