#include "EditorUnit.h"

#include "Application.h"
#include "CommonDialogs.h"
#include "PictureBox.h"
#include "ScrollBox.h"

#include "platform/Random.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStatusTipEvent>

namespace dw {

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setFont(formFont());
    resize(568, 460);
    OpenPictureDialog1 = openPictureDialog();
    OpenDialog1 = openWaveDialog();
    SaveDialog1 = saveDataDialog();
    createMenu();
    createControls();
    FormCreate();
}

TMainForm::~TMainForm()
{
    // TODO(settings): FormDestroy writes the settings file here, before the project goes.
}

void TMainForm::FormCreate()
{
    // The generator's only consumer is the key and slice count of every saved file.
    randomize();
    // TODO(shape): create FClockRgn.
    // Hints reach AppHint through event(): nothing to install.
    setWindowTitle(seam::applicationTitle().isEmpty() ? kApplicationTitle : seam::applicationTitle());
    Edit1->clear();
    Memo1->clear();
    // TODO(renderers): give the dial and hand renderers the pictures of Image1, SecImage,
    // MinImage and HourImage, then LayoutClock and SetRoundRectRgn.
    const QPoint centre(ClockPanel->width() / 2, ClockPanel->height() / 2);
    FHourCenter = centre;
    FMinCenter = centre;
    FSecCenter = centre;
    SetModified(false);
    New1->setEnabled(false);
    // TODO(settings): read the settings file; TODO(shape): SetRgnFromBkg.
}

void TMainForm::SetModified(bool value)
{
    FModified = value;
    if (value)
        New1->setEnabled(true);
}

void TMainForm::Memo1Change() { SetModified(true); }

void TMainForm::AppHint(const QString& hint) { StatusBar1->showMessage(hint); }

void TMainForm::Exit1Click() { close(); }

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        AppHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

} // namespace dw
