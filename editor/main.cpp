// The program's entry: the application, the interaction seam with real dialogs, the screen
// cursor, the windows, and the message loop until the main window closes.
#include "editor/Application.h"
#include "editor/mainform/EditorUnit.h"
#include "editor/positioning/HandUnit.h"
#include "editor/widgets/WidgetCursor.h"
#include "editor/widgets/WidgetSeam.h"

#include "media/widgets/AboutUnit.h"
#include "media/widgets/AnimDlgUnit.h"
#include "media/widgets/ByFileNameUnit.h"

#include "platform/FileNames.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dw::initializeApplication(app);
    dw::WidgetSeamHandler seamHandler;
    dw::WidgetCursorListener cursorListener;

    // The windows, each living for the whole run, in this order. Each window's constructor
    // makes itself the one its unit's global names (MainForm, HandForm, AboutBox, StringDlg,
    // AnimationDlg), so the commands reach the dialogs there.
    dw::TMainForm mainForm;
    dw::THandForm handForm;
    dw::TAboutBox aboutBox(&mainForm);
    dw::TStringDlg stringDlg;
    stringDlg.setFont(dw::formFont());
    dw::TAnimationDlg animationDlg;
    animationDlg.setFont(dw::formFont());

    mainForm.show();
    // Once the window is up (so that a question has the window behind it): a clock left unsaved
    // by a run that did not end normally is offered back, then a clock named on the command line
    // opens.
    // The arguments as the file system names them: the toolkit's own would lose a name that is
    // not UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << dw::nameFromFileSystem(QByteArray(argv[i]));
    QTimer::singleShot(0, &mainForm, [&mainForm, arguments] {
        mainForm.offerRecovery();
        dw::openCommandLineFile(mainForm, arguments);
    });
    return app.exec();
}
