#include "editor/mainform/EditorUnit.h"

#include "editor/history/RecoveryStore.h"

#include "editor/Application.h"
#include "editor/widgets/CommonDialogs.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/ScrollBox.h"

#include "editor/clock/ClockView.h"
#include "platform/CommandRunner.h"
#include "platform/Random.h"
#include "rotateimage/RotateImage.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>

namespace dw {

TMainForm* MainForm = nullptr;

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), m_view(std::make_unique<ClockView>())
{
    if (!MainForm)
        MainForm = this;
    setObjectName(QStringLiteral("MainForm"));
    setFont(formFont());
    resize(568, 460);
    OpenPictureDialog1 = openPictureDialog();
    OpenDialog1 = openWaveDialog();
    SaveDialog1 = saveDataDialog();
    OpenDataDialog = openDataDialog();
    ExportImageDialog = exportImageDialog();
    SaveSourcesDialog = saveSourcesDialog();
    createMenu();
    createSlots();
    createControls();
    acceptDroppedFiles();
    connectCommands();
    watchSessionEnd();
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormDestroy();
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::FormDestroy()
{
    // The program ends normally: no copy is left to offer at the next start.
    if (m_recovery)
        m_recovery->remove();
    // Before the project goes. A settings file that cannot be written is reported in the
    // framework's error box; the program ends all the same.
    runCommand([this] { writeSettings(); });
}

void TMainForm::FormCreate()
{
    // The generator's only consumer is the key and slice count of every saved file.
    randomize();
    // FClockRgn exists with the window (an empty region); SetRgnFromBkg below fills it.
    FClockRgn = TRegion();
    // Hints reach AppHint through event(): nothing to install.
    setWindowTitle(seam::applicationTitle().isEmpty() ? kApplicationTitle : seam::applicationTitle());
    // ScrollBox1 fills the client area left of Panel1, ClockPanel has no bevels and no caption
    // (createControls); the title and the author text start empty.
    {
        const QSignalBlocker blockTitle(Edit1);
        const QSignalBlocker blockAuthor(Memo1);
        Edit1->clear();
        Memo1->clear();
    }
    // The eleven project streams are members, empty from the start.
    assignBuiltin(*RotateImage1, *Image1);
    assignBuiltin(*SecNeedleImage, *SecImage);
    assignBuiltin(*LNeedleImage, *MinImage);
    assignBuiltin(*SNeedleImage, *HourImage);
    LayoutClock();
    SetRoundRectRgn();
    centreHands();
    SetModified(false);
    New1->setEnabled(false);
    m_links = new PictureLinks(this);
    m_links->setHold([this] { return reloadHeld(); });
    connect(m_links, &PictureLinks::changed, this, [this](LinkedPicture which, const QString& path) {
        runCommand([&] { reloadPicture(which, path); });
    });
    connect(AutoReload1, &QAction::toggled, m_links, &PictureLinks::setEnabled);
    readSettings();
    m_recovery = std::make_unique<RecoveryStore>();
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setObjectName(QStringLiteral("RecoveryTimer"));
    m_recoveryTimer->setSingleShot(true);
    m_recoveryTimer->setInterval(kRecoveryDelayMs);
    connect(m_recoveryTimer, &QTimer::timeout, this, &TMainForm::writeRecoveryNow);
    UpdateSlotItems();
    SetRgnFromBkg();
    Timer1->start();
    startHistory();
}

void TMainForm::setTimeSource(TimeSource source)
{
    m_timeSource = source ? std::move(source) : TimeSource([] { return QTime::currentTime(); });
}

void TMainForm::SetModified(bool value)
{
    FModified = value;
    if (value) {
        New1->setEnabled(true);
        m_discardAgreed = false;
        m_markedModified = true;
    }
}

void TMainForm::Memo1Change()
{
    SetModified(true);
    // A run of typing in one field is one step.
    recordStep(sender() == Memo1 ? QStringLiteral("作者情報の入力") : QStringLiteral("タイトルの入力"), true);
}

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
