#include "HandUnit.h"

#include "Application.h"
#include "CenterMark.h"
#include "EditorUnit.h"
#include "PictureBox.h"
#include "ScrollBox.h"

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

// Widget positions stay where Qt can take them; the placement itself keeps the exact values.
int widgetCoordinate(int64_t v)
{
    constexpr int64_t limit = QWIDGETSIZE_MAX;
    return int(std::clamp(v, -limit, limit));
}

int saturatedInt(int64_t v)
{
    return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
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
    resize(414, 383);

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

// --- Geometry --------------------------------------------------------------------------------

QPoint THandForm::GetDialCenter() const { return m_placement.dialCenter(); }

QPoint THandForm::GetHandPivot() { return m_placement.handPivot(); }

void THandForm::SetDialCenter(QPoint p)
{
    m_placement.setDialCenter(p);
    placeControls();
}

void THandForm::SetHandPivot(QPoint p)
{
    m_placement.setHandPivot(p);
    placeControls();
}

QPoint THandForm::scrollPosition() const
{
    return {ScrollBox1->horizontalScrollBar()->value(), ScrollBox1->verticalScrollBar()->value()};
}

QSize THandForm::clientSize() const { return ScrollBox1->viewport()->size(); }

QPoint THandForm::planeScroll() const
{
    const QPoint s = scrollPosition();
    return {int(m_zoom.toPlane(s.x())), int(m_zoom.toPlane(s.y()))};
}

QSize THandForm::planeClient() const
{
    const QSize c = clientSize();
    return {int(m_zoom.toPlaneStep(c.width())), int(m_zoom.toPlaneStep(c.height()))};
}

void THandForm::CenterBkg()
{
    m_placement.centerDial(planeClient(), planeScroll());
    placeControls();
}

HandPlacement::Part THandForm::partOf(const QWidget* control) const
{
    if (control == BkgImage)
        return Part::Dial;
    if (control == HandImage)
        return Part::Hand;
    if (control == FCenterMark)
        return Part::Marker;
    return Part::None;
}

QWidget* THandForm::controlOf(HandPlacement::Part part) const
{
    switch (part) {
    case Part::Dial:
        return BkgImage;
    case Part::Hand:
        return HandImage;
    case Part::Marker:
        return FCenterMark;
    default:
        return nullptr;
    }
}

void THandForm::MoveControl(QWidget* control, int dx, int dy)
{
    const Part part = partOf(control);
    if (part == Part::None)
        return;
    m_placement.move(part, dx, dy);
    placeControls();
    if (part == Part::Marker)
        showCenter();
}

void THandForm::KeepInView()
{
    // What is shifted into the plane stays where it is on the screen: the view scrolls by as
    // much, the plane growing as needed, so that nothing jumps under the pointer.
    const HandPlacement::Box before = m_placement.screenBox(Part::Dial, m_zoom);
    const QPoint shift = m_placement.keepInView(FDragControl, m_zoom);
    if (shift.isNull()) {
        placeControls();
        return;
    }
    const HandPlacement::Box after = m_placement.screenBox(Part::Dial, m_zoom);
    const QPoint scroll = scrollPosition() + QPoint(saturatedInt(after.left - before.left), saturatedInt(after.top - before.top));
    const QSize client = clientSize();
    m_planeFloor = m_planeFloor.expandedTo({saturatedInt(int64_t(scroll.x()) + client.width()),
                                            saturatedInt(int64_t(scroll.y()) + client.height())});
    placeControls();
    setScrollPosition(scroll);
}

void THandForm::placeControls()
{
    m_placement.setHandVisible(!HandImage->isHidden());
    for (const Part part : {Part::Dial, Part::Hand, Part::Marker}) {
        const HandPlacement::Box box = m_placement.screenBox(part, m_zoom);
        controlOf(part)->setGeometry(widgetCoordinate(box.left), widgetCoordinate(box.top),
                                     int(std::min<int64_t>(box.width, QWIDGETSIZE_MAX)),
                                     int(std::min<int64_t>(box.height, QWIDGETSIZE_MAX)));
    }
    BkgImage->setZoom(m_zoom);
    HandImage->setZoom(m_zoom);
    const QSize extent = m_placement.screenExtent(m_zoom).expandedTo(m_planeFloor);
    ScrollBox1->setRanges(std::min(extent.width(), QWIDGETSIZE_MAX), std::min(extent.height(), QWIDGETSIZE_MAX));
}

void THandForm::setScrollPosition(QPoint p)
{
    ScrollBox1->horizontalScrollBar()->setValue(p.x());
    ScrollBox1->verticalScrollBar()->setValue(p.y());
}

void THandForm::showCenter()
{
    const QPoint c = GetDialCenter();
    StatusBar1->showMessage(QStringLiteral("(%1, %2)").arg(c.x()).arg(c.y()));
}

QString THandForm::statusText() const { return StatusBar1->currentMessage(); }

QWidget* THandForm::controlAt(QPoint planePoint) const
{
    return controlOf(m_placement.screenHitTest(planePoint.x(), planePoint.y(), FCenterMark->isEnabled(), m_zoom));
}

QWidget* THandForm::dragControl() const { return controlOf(FDragControl); }

// --- Showing ---------------------------------------------------------------------------------

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

// --- Mouse -----------------------------------------------------------------------------------

void THandForm::BkgImageMouseDown(QWidget* sender, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    const Part part = partOf(sender);
    if (part == Part::None)
        return;
    FDragging = true;
    FDragStart = QPoint(x, y);
    FDragControl = part;
    ScrollBox1->setFocus(Qt::MouseFocusReason);
    showKeys();
}

void THandForm::BkgImageMouseMove(QWidget* sender, Qt::KeyboardModifiers shift, int x, int y)
{
    // Ctrl keeps the movement vertical; Ctrl with Shift keeps it horizontal.
    if (shift & Qt::ControlModifier) {
        if (shift & Qt::ShiftModifier)
            y = FDragStart.y();
        else
            x = FDragStart.x();
    }
    // Positions within the control are screen pixels: the control moves by the whole dial or
    // hand pixels they make at the zoom, and what is left over stays between the pointer and
    // the control until the next movement.
    if (FDragging)
        MoveControl(sender, int(m_zoom.toPlaneStep(x - FDragStart.x())), int(m_zoom.toPlaneStep(y - FDragStart.y())));
}

void THandForm::BkgImageMouseUp(QWidget* sender, Qt::MouseButton, Qt::KeyboardModifiers, int, int)
{
    if (!FDragging)
        return;
    const HandPlacement::Box box = m_placement.screenBox(partOf(sender), m_zoom);
    const QPoint scroll = scrollPosition();
    setWindowTitle(QStringLiteral("%1-%2,%3-%4")
                       .arg(box.left - scroll.x())
                       .arg(scroll.x())
                       .arg(box.top - scroll.y())
                       .arg(scroll.y()));
    FDragging = false;
    KeepInView();
}

bool THandForm::planeMouseEvent(QMouseEvent* event)
{
    // The control that took the press keeps the mouse until the button is released, as a
    // pressed control captures it.
    QWidget*& captured = m_captured;
    const QPoint at = event->position().toPoint();
    auto within = [&](QWidget* control) {
        const HandPlacement::Box box = m_placement.screenBox(partOf(control), m_zoom);
        return QPoint(saturatedInt(at.x() - box.left), saturatedInt(at.y() - box.top));
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        QWidget* control = controlAt(at);
        if (!control)
            return false;
        captured = control;
        const QPoint p = within(control);
        BkgImageMouseDown(control, event->button(), event->modifiers(), p.x(), p.y());
        return true;
    }
    case QEvent::MouseMove: {
        QWidget* control = event->buttons() != Qt::NoButton && captured ? captured : controlAt(at);
        ScrollBox1->content()->setCursor(controlAt(at) || captured ? Qt::PointingHandCursor : Qt::ArrowCursor);
        if (!control)
            return false;
        const QPoint p = within(control);
        BkgImageMouseMove(control, event->modifiers(), p.x(), p.y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        QWidget* control = captured ? captured : controlAt(at);
        if (event->buttons() == Qt::NoButton)
            captured = nullptr;
        if (!control)
            return false;
        const QPoint p = within(control);
        BkgImageMouseUp(control, event->button(), event->modifiers(), p.x(), p.y());
        // The right button opens the marker's or the hand's pop-up menu.
        if (event->button() == Qt::RightButton) {
            if (control == FCenterMark)
                CenterPopupMenu->popup(event->globalPosition().toPoint());
            else if (control == HandImage)
                HandPopupMenu->popup(event->globalPosition().toPoint());
        }
        return true;
    }
    default:
        return false;
    }
}

// --- Keyboard --------------------------------------------------------------------------------

bool THandForm::ScrollBoxWndProc(QKeyEvent* event)
{
    const int key = event->key();
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (key == Qt::Key_Space && !(event->modifiers() & ~Qt::KeypadModifier)) {
        // Switches between the marker and the hand as a press on them would choose them; a
        // hidden hand cannot be chosen.
        FDragControl = FDragControl == Part::Marker && !HandImage->isHidden() ? Part::Hand : Part::Marker;
        showKeys();
        return true;
    }
    if (FDragControl != Part::None) {
        const int step = (event->modifiers() & Qt::ControlModifier) ? 8 : 1;
        QWidget* control = controlOf(FDragControl);
        switch (key) {
        case Qt::Key_Left:
            MoveControl(control, -step, 0);
            break;
        case Qt::Key_Up:
            MoveControl(control, 0, -step);
            break;
        case Qt::Key_Right:
            MoveControl(control, step, 0);
            break;
        case Qt::Key_Down:
            MoveControl(control, 0, step);
            break;
        default:
            break;
        }
        KeepInView();
    }
    // The arrow keys belong to the work area: they neither scroll it nor move the focus.
    return arrow;
}

void THandForm::workAreaFocused(Qt::FocusReason reason)
{
    const bool fromKeyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
        || reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason;
    if (fromKeyboard && FDragControl == Part::None)
        FDragControl = Part::Marker;
    showKeys();
}

QString THandForm::keysText() const
{
    if (!ScrollBox1->hasFocus() || FDragControl == Part::None)
        return {};
    const QString moved = FDragControl == Part::Hand ? QStringLiteral("針") : FDragControl == Part::Dial ? QStringLiteral("文字盤") : QStringLiteral("回転穴");
    if (HandImage->isHidden())
        return QStringLiteral("矢印キー: %1を移動").arg(moved);
    const QString other = FDragControl == Part::Marker ? QStringLiteral("針") : QStringLiteral("回転穴");
    return QStringLiteral("矢印キー: %1を移動  Space: %2に切替").arg(moved, other);
}

void THandForm::showKeys()
{
    const QString text = keysText();
    KeysLabel->setText(text);
    KeysLabel->setVisible(!text.isEmpty());
}

bool THandForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == HandImage && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        placeControls();
        return false;
    }
    if (watched == ScrollBox1) {
        switch (event->type()) {
        case QEvent::KeyPress:
            return ScrollBoxWndProc(static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn:
            workAreaFocused(static_cast<QFocusEvent*>(event)->reason());
            break;
        case QEvent::FocusOut:
            showKeys();
            break;
        default:
            break;
        }
    }
    if (watched == ScrollBox1->content()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            return planeMouseEvent(static_cast<QMouseEvent*>(event));
        case QEvent::Wheel:
            return wheelZoom(static_cast<QWheelEvent*>(event));
        case QEvent::ToolTip: {
            auto* help = static_cast<QHelpEvent*>(event);
            // The hint of what lies under the pointer; the work area's own elsewhere.
            QWidget* control = controlAt(help->pos());
            const QString hint = control ? control->toolTip() : ScrollBox1->toolTip();
            QToolTip::showText(help->globalPos(), hint, control ? control : ScrollBox1);
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- Buttons and pop-up commands -------------------------------------------------------------

void THandForm::N1Click()
{
    m_placement.centreHole(clientSize(), scrollPosition());
    placeControls();
    showCenter();
}

void THandForm::defaultHand(int tenths)
{
    m_placement.setDefaultHand(tenths, clientSize(), scrollPosition());
    placeControls();
}

void THandForm::N3Click() { defaultHand(kHourPivotTenths); }
void THandForm::N4Click() { defaultHand(kMinutePivotTenths); }
void THandForm::N2Click() { defaultHand(kSecondPivotTenths); }

void THandForm::HndVtoHoleBtnClick()
{
    m_placement.alignHandToHole();
    placeControls();
}

void THandForm::CheckBox1Click() { FCenterMark->setEnabled(!CheckBox1->isChecked()); }

void THandForm::SuggestHole1Click()
{
    const std::optional<QPoint> hole = suggestRotationHole(HandImage->picture());
    if (!hole) {
        seam::beep();
        return;
    }
    // As a drag of the hand would: the hand moves, the hole on the dial stays; OK keeps it.
    FDragControl = Part::Hand;
    m_placement.moveHandHoleTo(*hole);
    placeControls();
    KeepInView();
    showKeys();
}

} // namespace dw
