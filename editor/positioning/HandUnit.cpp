#include "editor/positioning/HandUnit.h"

#include "editor/clock/ClockView.h"

#include "editor/Application.h"
#include "editor/positioning/CenterMark.h"
#include "editor/mainform/EditorUnit.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/ScrollBox.h"

#include "editor/clock/ClockLayout.h"
#include "editor/clock/HoleSuggestion.h"
#include "platform/Bitmap.h"
#include "platform/Color.h"
#include "platform/Seam.h"

#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace dw {

THandForm* HandForm = nullptr;

namespace {

using Part = HandPlacement::Part;

constexpr int kPanelWidth = 126;
constexpr int kButtonLeft = 8;
constexpr int kButtonWidth = 110;

// A caption broken into lines that fit the width, as a button with a multi-line caption shows
// it (Japanese text breaks between any two characters).
QString wrappedCaption(const QString& text, const QFont& font, int width)
{
    const QFontMetrics metrics(font);
    QString wrapped;
    QString line;
    for (const QChar c : text) {
        if (!line.isEmpty() && metrics.horizontalAdvance(line + c) > width) {
            wrapped += line + QLatin1Char('\n');
            line.clear();
        }
        line += c;
    }
    return wrapped + line;
}

QPushButton* panelButton(QWidget* parent, const char* name, const QString& caption, int top, int height = 25)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(kButtonLeft, top, kButtonWidth, height);
    return button;
}

} // namespace

THandForm::THandForm(QWidget* parent) : QDialog(parent)
{
    if (!HandForm)
        HandForm = this;
    FormCreate();
}

THandForm::~THandForm()
{
    if (HandForm == this)
        HandForm = nullptr;
}

void THandForm::FormCreate()
{
    setObjectName(QStringLiteral("HandForm"));
    // A sizeable tool window without system buttons.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(formFont());
    resize(kLeastSize);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    outer->addLayout(row, 1);

    // The work area fills the dialog left of the side panel.
    ScrollBox1 = new ScrollBox(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setToolTip(QStringLiteral("作業台"));
    // A Tab stop (the keys place the hole without the mouse), and a press on a picture gives it
    // the focus as well; a ring shows when it has it.
    ScrollBox1->setFocusPolicy(Qt::StrongFocus);
    ScrollBox1->setShowsFocus(true);
    ScrollBox1->installEventFilter(this);
    QWidget* plane = ScrollBox1->content();
    plane->setMouseTracking(true);
    plane->installEventFilter(this);
    row->addWidget(ScrollBox1, 1);

    BkgImage = new PictureBox(plane);
    BkgImage->setObjectName(QStringLiteral("BkgImage"));
    BkgImage->setToolTip(QStringLiteral("文字盤"));
    HandImage = new PictureBox(plane);
    HandImage->setObjectName(QStringLiteral("HandImage"));
    // Hiding or showing the hand changes what can be pressed and what the plane must hold.
    HandImage->installEventFilter(this);
    // The marker is created last, so it lies in front of the pictures.
    FCenterMark = new TCenterMark(plane);
    FCenterMark->setToolTip(QStringLiteral("回転穴"));
    // The plane routes the mouse to the three (see eventFilter).
    for (QWidget* control : {static_cast<QWidget*>(BkgImage), static_cast<QWidget*>(HandImage)})
        control->setAttribute(Qt::WA_TransparentForMouseEvents);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedWidth(kPanelWidth);
    row->addWidget(Panel1);
    Button1 = panelButton(Panel1, "Button1", QStringLiteral("&Ok"), 8);
    Button1->setDefault(true);
    Button2 = panelButton(Panel1, "Button2", QStringLiteral("&Cancel"), 38);
    SetCenterBtn = panelButton(Panel1, "SetCenterBtn", QString(), 72, 40);
    SetCenterBtn->setText(wrappedCaption(QStringLiteral("回転穴を文字盤の中心にする"), font(), kButtonWidth - 12));

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 120, kPanelWidth, 170);
    HourDefGtn = panelButton(Panel2, "HourDefGtn", QStringLiteral("時針の標準設定"), 0);
    Button3 = panelButton(Panel2, "Button3", QStringLiteral("分針の標準設定"), 30);
    Button4 = panelButton(Panel2, "Button4", QStringLiteral("秒針の標準設定"), 60);
    CheckBox1 = new QCheckBox(QStringLiteral("回転穴のロック"), Panel2);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setToolTip(QStringLiteral("マウスによる回転穴の移動を禁止します。"));
    CheckBox1->setGeometry(kButtonLeft, 92, kButtonWidth, 20);
    HndVtoHoleBtn = panelButton(Panel2, "HndVtoHoleBtn", QString(), 118, 40);
    HndVtoHoleBtn->setText(wrappedCaption(QStringLiteral("針の縦軸を回転穴に合わせる"), font(), kButtonWidth - 12));
    HndVtoHoleBtn->setToolTip(QStringLiteral("針の左右中心が回転穴に合うように横移動します。"));

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    outer->addWidget(StatusBar1);
    // Beside the coordinates: what the arrow keys move, and the zoom.
    KeysLabel = new QLabel(StatusBar1);
    KeysLabel->setObjectName(QStringLiteral("KeysLabel"));
    StatusBar1->addPermanentWidget(KeysLabel);
    ZoomLabel = new QLabel(StatusBar1);
    ZoomLabel->setObjectName(QStringLiteral("ZoomLabel"));
    ZoomLabel->setToolTip(QStringLiteral("表示倍率 (Ctrl + +/-/0、Ctrl + ホイール)"));
    StatusBar1->addPermanentWidget(ZoomLabel);

    CenterPopupMenu = new QMenu(this);
    CenterPopupMenu->setObjectName(QStringLiteral("CenterPopupMenu"));
    CenterPopupMenu->setFont(formFont());
    N1 = CenterPopupMenu->addAction(QStringLiteral("文字盤の中央へ"));
    N1->setObjectName(QStringLiteral("N1"));
    HandPopupMenu = new QMenu(this);
    HandPopupMenu->setObjectName(QStringLiteral("HandPopupMenu"));
    HandPopupMenu->setFont(formFont());
    N3 = HandPopupMenu->addAction(QStringLiteral("時針のデフォルトに設定"));
    N3->setObjectName(QStringLiteral("N3"));
    N4 = HandPopupMenu->addAction(QStringLiteral("分針のデフォルトに設定"));
    N4->setObjectName(QStringLiteral("N4"));
    N2 = HandPopupMenu->addAction(QStringLiteral("秒針のデフォルトに設定"));
    N2->setObjectName(QStringLiteral("N2"));
    HandPopupMenu->addSeparator();
    SuggestHole1 = HandPopupMenu->addAction(QStringLiteral("回転穴を推定(&A)"));
    SuggestHole1->setObjectName(QStringLiteral("SuggestHole1"));
    // A key of its own, shown in the menu and the status line, acting wherever the focus is.
    SuggestHole1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    SuggestHole1->setShortcutContext(Qt::WindowShortcut);
    addAction(SuggestHole1);

    // The zoom keys act wherever the focus is in the dialog.
    auto zoomAction = [this](const char* name, std::initializer_list<QKeySequence> keys) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(QList<QKeySequence>(keys));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        return action;
    };
    // "+" is a shifted key on many keyboards: the toolkit matches Ctrl+Shift with "+" to Ctrl++
    // itself, and a second sequence for the same keys would make the shortcut ambiguous (and
    // dead).
    ZoomIn1 = zoomAction("ZoomIn1", {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    ZoomOut1 = zoomAction("ZoomOut1", {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    ZoomReset1 = zoomAction("ZoomReset1", {QKeySequence(Qt::CTRL | Qt::Key_0)});

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(SetCenterBtn, &QPushButton::clicked, this, &THandForm::N1Click);
    connect(N1, &QAction::triggered, this, &THandForm::N1Click);
    connect(HourDefGtn, &QPushButton::clicked, this, &THandForm::N3Click);
    connect(N3, &QAction::triggered, this, &THandForm::N3Click);
    connect(Button3, &QPushButton::clicked, this, &THandForm::N4Click);
    connect(N4, &QAction::triggered, this, &THandForm::N4Click);
    connect(Button4, &QPushButton::clicked, this, &THandForm::N2Click);
    connect(N2, &QAction::triggered, this, &THandForm::N2Click);
    connect(HndVtoHoleBtn, &QPushButton::clicked, this, &THandForm::HndVtoHoleBtnClick);
    connect(CheckBox1, &QCheckBox::toggled, this, &THandForm::CheckBox1Click);
    connect(SuggestHole1, &QAction::triggered, this, &THandForm::SuggestHole1Click);
    connect(ZoomIn1, &QAction::triggered, this, &THandForm::zoomIn);
    connect(ZoomOut1, &QAction::triggered, this, &THandForm::zoomOut);
    connect(ZoomReset1, &QAction::triggered, this, &THandForm::zoomReset);

    // The work area comes first in the Tab order, as it lies left of the buttons.
    setTabOrder(ScrollBox1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, SetCenterBtn);
    setTabOrder(SetCenterBtn, HourDefGtn);
    setTabOrder(HourDefGtn, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, CheckBox1);
    setTabOrder(CheckBox1, HndVtoHoleBtn);

    placeControls();
    ZoomLabel->setText(zoomText());
}

// --- Pictures --------------------------------------------------------------------------------

void THandForm::setDialPicture(const TBitmap& dial)
{
    TBitmap shown;
    shown.Assign(dial);
    shown.SetPixelFormat(pfDevice);
    BkgImage->setPicture(shown.image());
    // A dial without see-through pixels covers its place: the work area need not paint beneath.
    BkgImage->setAttribute(Qt::WA_OpaquePaintEvent, !shown.image().isNull() && !shown.image().hasAlphaChannel());
    m_placement.setDialSize(shown.image().size());
    placeControls();
}

bool THandForm::setDialSource(const TCustomRotateImage& dial)
{
    const QSize size = renderedSize(dial);
    if (size.isEmpty())
        return false;
    BkgImage->setPartSource(size, [&dial](const QRect& rect, QImage& out) { drawRenderedPart(dial, rect, out); });
    BkgImage->setAttribute(Qt::WA_OpaquePaintEvent, true);
    m_placement.setDialSize(size);
    placeControls();
    return true;
}

void THandForm::setHandPicture(const TBitmap& hand)
{
    // The see-through colour is taken from the picture as decoded, before it is switched to the
    // display's format (which would lose the one bit per pixel).
    const uint32_t key = ColorToRGB(hand.TransparentColor());
    TBitmap shown;
    shown.Assign(hand);
    shown.SetPixelFormat(pfDevice);
    QImage image = shown.image().convertToFormat(QImage::Format_ARGB32);
    const QRgb keyRgb = qRgb(redOf(key), greenOf(key), blueOf(key));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & RGB_MASK) == (keyRgb & RGB_MASK))
                line[x] = 0;
    }
    HandImage->setPicture(image);
    m_placement.setHandSize(image.size());
    placeControls();
}

// --- Showing ---------------------------------------------------------------------------------

std::optional<QSize> THandForm::userSize() const
{
    if (size() != m_givenSize)
        return size();
    return m_userSize;
}

QSize THandForm::sizeShowingAll()
{
    // Around the work area's visible part: its frame, the side panel and the status line, as the
    // layout places them (laid out now: a hidden dialog's children wait for its next showing).
    layout()->setGeometry(rect());
    const QSize around = size() - ScrollBox1->contentsRect().size();
    return m_placement.screenExtent(ZoomLevel(100)) + around;
}

void THandForm::sizeForShowing(QSize room)
{
    m_userSize = userSize();
    QSize wanted = m_userSize.value_or(sizeShowingAll());
    if (!room.isEmpty())
        wanted = wanted.boundedTo(room);
    resize(wanted.expandedTo(kLeastSize));
    m_givenSize = size();
}

void THandForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void THandForm::FormShow()
{
    FDragControl = Part::None;
    FDragging = false;
    m_planeFloor = QSize();
    KeepInView();
    Button1->setFocus();
    CheckBox1Click();
    showCenter();
    showKeys();
    if (MainForm)
        ScrollBox1->setColor(MainForm->ScrollBox1->color());
    // The dialog opens with the hole in view, however large the dial.
    bringHoleIntoView();
}

// --- Buttons and pop-up commands -------------------------------------------------------------

void THandForm::N1Click()
{
    m_placement.centreHole(planeClient(), planeScroll());
    keepAllInView();
    showCenter();
}

void THandForm::defaultHand(int tenths)
{
    m_placement.setDefaultHand(tenths, planeClient(), planeScroll(), m_defaultHoleDial);
    keepAllInView();
    showCenter();
}

void THandForm::N3Click() { defaultHand(kHourPivotTenths); }
void THandForm::N4Click() { defaultHand(kMinutePivotTenths); }
void THandForm::N2Click() { defaultHand(kSecondPivotTenths); }

void THandForm::HndVtoHoleBtnClick()
{
    m_placement.alignHandToHole();
    keepAllInView();
}

void THandForm::CheckBox1Click() { FCenterMark->setEnabled(!CheckBox1->isChecked()); }

void THandForm::SuggestHole1Click()
{
    if (HandImage->isHidden())
        return;
    const std::optional<QPoint> hole = suggestRotationHole(HandImage->picture());
    if (!hole) {
        seam::beep();
        return;
    }
    // As a drag of the hand would: the hand moves, the hole on the dial stays; OK keeps it.
    FDragControl = Part::Hand;
    m_placement.moveHandHoleTo(*hole);
    keepAllInView();
    showKeys();
}

} // namespace dw