#include "ByFileNameUnit.h"

#include "platform/Seam.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <limits>

namespace dw {

TStringDlg* StringDlg = nullptr;

namespace {

// The system's virtual key codes of the two keys the field answers itself.
constexpr uint16_t VK_RETURN = 13;
constexpr uint16_t VK_ESCAPE = 27;

} // namespace

TStringDlg::TStringDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("StringDlg"));
    setWindowTitle(QStringLiteral("ダイアログ"));
    // A dialog border: fixed size, no help or size grip.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(313, 110);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 297, 57);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(18, 26, 277, 21);
    // The field takes any length; the toolkit's default would cut a name at 32767 characters.
    Edit1->setMaxLength(std::numeric_limits<int>::max());
    Edit1->installEventFilter(this);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(79, 76, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(seam::mrOk); });

    CancelBtn = new QPushButton(QStringLiteral("キャンセル"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(159, 76, 75, 25);
    CancelBtn->setAutoDefault(false);
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(seam::mrCancel); });

    if (!StringDlg)
        StringDlg = this;
}

TStringDlg::~TStringDlg()
{
    if (StringDlg == this)
        StringDlg = nullptr;
}

void TStringDlg::FormShow()
{
    Edit1->setFocus(Qt::OtherFocusReason);
    Edit1->selectAll();
}

void TStringDlg::Edit1KeyDown(uint16_t& Key)
{
    if (Key == VK_RETURN) {
        Key = 0;
        OKBtn->click();
    } else if (Key == VK_ESCAPE) {
        Key = 0;
        CancelBtn->click();
    }
}

void TStringDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        // Centred on the screen, as the dialog's position says.
        if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        FormShow();
    }
}

bool TStringDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        uint16_t key = 0;
        switch (keyEvent->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: key = VK_RETURN; break;
        case Qt::Key_Escape: key = VK_ESCAPE; break;
        default: return QDialog::eventFilter(watched, event);
        }
        Edit1KeyDown(key);
        return key == 0;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace dw
