// The positioning dialog's view: where the dial, the hand and the marker sit on the work area,
// and what the mouse and the keys do to them. The commands of the buttons and pop-up menus are in
// HandUnit.cpp, the zoom in HandUnit_Zoom.cpp.
#include "editor/positioning/HandUnit.h"

#include "editor/positioning/CenterMark.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/ScrollBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolTip>

#include <algorithm>
#include <limits>

namespace dw {

namespace {

using Part = HandPlacement::Part;

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

} // namespace

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

void THandForm::KeepInView() { keepGroupInView(FDragControl); }

void THandForm::keepAllInView()
{
    // The dial's group holds all three parts.
    keepGroupInView(Part::Dial);
    bringHoleIntoView();
}

void THandForm::keepGroupInView(Part part)
{
    // What is shifted into the plane stays where it is on the screen: the view scrolls by as
    // much, the plane growing as needed, so that nothing jumps under the pointer.
    const HandPlacement::Box before = m_placement.screenBox(Part::Dial, m_zoom);
    const QPoint shift = m_placement.keepInView(part, m_zoom);
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
    // The pop-up menu of what the arrow keys move, as a right click on it opens it.
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier))) {
        popupFromKeyboard();
        return true;
    }
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

void THandForm::popupFromKeyboard()
{
    QMenu* menu = nullptr;
    if (FDragControl == Part::Marker)
        menu = CenterPopupMenu;
    else if (FDragControl == Part::Hand && !HandImage->isHidden())
        menu = HandPopupMenu;
    if (!menu)
        return; // the dial has none
    // At the hole for the marker; for the hand, in the middle of what shows of it (at the hole
    // when none of it shows).
    const QPoint scroll = scrollPosition();
    const QRect visible(scroll, clientSize());
    QPoint at = m_placement.screenHole(m_zoom);
    if (menu == HandPopupMenu) {
        const HandPlacement::Box box = m_placement.screenBox(Part::Hand, m_zoom);
        const QRect hand(widgetCoordinate(box.left), widgetCoordinate(box.top),
                         int(std::min<int64_t>(box.width, QWIDGETSIZE_MAX)), int(std::min<int64_t>(box.height, QWIDGETSIZE_MAX)));
        const QRect shown = hand.intersected(visible);
        if (!shown.isEmpty())
            at = shown.center();
    }
    at.setX(std::clamp(at.x(), visible.left(), visible.right()));
    at.setY(std::clamp(at.y(), visible.top(), visible.bottom()));
    menu->popup(ScrollBox1->content()->mapToGlobal(at));
}

QString THandForm::keysText() const
{
    // The suggestion's key, whenever there is a hand to suggest a hole on.
    const QString suggest = HandImage->isHidden() ? QString() : QStringLiteral("Ctrl+E: 回転穴を推定");
    if (!ScrollBox1->hasFocus() || FDragControl == Part::None)
        return suggest;
    const QString moved = FDragControl == Part::Hand ? QStringLiteral("針") : FDragControl == Part::Dial ? QStringLiteral("文字盤") : QStringLiteral("回転穴");
    if (HandImage->isHidden())
        return QStringLiteral("矢印キー: %1を移動").arg(moved);
    const QString other = FDragControl == Part::Marker ? QStringLiteral("針") : QStringLiteral("回転穴");
    return QStringLiteral("矢印キー: %1を移動  Space: %2に切替  %3").arg(moved, other, suggest);
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
        showKeys();
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

} // namespace dw
