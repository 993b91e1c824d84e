#pragma once

// The editor's own main window inside a benchmark: an application on the offscreen platform
// (unless another is set), settings and recovery copies in a folder of its own, the scripted
// seam answering the dialogs, and the forms the main window works with.

#include "editor/files/SettingsLocation.h"
#include "editor/mainform/EditorUnit.h"
#include "editor/positioning/HandUnit.h"
#include "media/widgets/AnimDlgUnit.h"
#include "media/widgets/ByFileNameUnit.h"
#include "platform/ScriptedSeam.h"

#include <QApplication>
#include <QTemporaryDir>

namespace bench {

struct EditorBench {
    EditorBench(int& argc, char** argv) : app((offscreenUnlessSet(), argc), argv), isolated(isolate(dir)) {}

    static int offscreenUnlessSet()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return 0;
    }
    static bool isolate(const QTemporaryDir& dir)
    {
        dw::setSettingsFileOverride(dir.filePath("dialwright.ini"));
        qputenv("XDG_STATE_HOME", dir.filePath("state").toLocal8Bit());
        return true;
    }

    // In this order: the application first, the settings' place before the main window.
    QApplication app;
    QTemporaryDir dir;
    bool isolated;
    dw::seam::ScriptedHandler ui;
    dw::TMainForm form;
    dw::THandForm handForm;
    dw::TStringDlg stringDlg;
    dw::TAnimationDlg animationDlg;
};

} // namespace bench
