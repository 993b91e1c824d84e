#pragma once

// The hand positioning dialog: the dial and one hand picture on a work area with the rotation
// hole's marker; the user drags the dial, the hand or the marker (or nudges the one pressed
// last with the arrow keys) until the hole sits right on both pictures. The main window reads
// the hole back relative to the dial (the centre) and to the hand (the pivot) when the dialog
// closes with OK. Without the hand it gives all three hands one centre.
//
// The work area zooms from 25 to 800 % about the marker (Ctrl with +, =, − and 0, or with the
// wheel), the marker keeping its size on the screen while everything it reads back stays in
// dial and hand pixels. It is a Tab stop: with the focus the arrow keys move the marker, or the
// hand after Space, as a press on either would choose it.

#include "editor/clock/HandPlacement.h"
#include "editor/widgets/WheelZoom.h"

#include <QDialog>
#include <QPoint>
#include <QSize>

#include <optional>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QWheelEvent;

namespace dw {

class TCustomRotateImage;

class PictureBox;
class ScrollBox;
class TBitmap;
class TCenterMark;

class THandForm : public QDialog {
    Q_OBJECT
public:
    explicit THandForm(QWidget* parent = nullptr);
    ~THandForm() override;

    // The dialog's least size, and its size when it is first made.
    static constexpr QSize kLeastSize{414, 383};
    // A size the user gave the dialog (the main window's settings keep it): it opens at it.
    void keepSize(QSize size) { m_userSize = size; }
    // The user's size: the one kept, or the one the dialog was sized to by hand since it last
    // opened; none while it opens at the size of what it shows.
    std::optional<QSize> userSize() const;
    // Before each showing: the user's size, else the size at which the work area shows the dial,
    // the hand and the marker whole at 100 % without scrolling; within `room` (the part of the
    // screen it opens on that a window may take, frame excluded) and never below kLeastSize.
    void sizeForShowing(QSize room);

    // The pictures, decoded by the caller. The hand is drawn with its see-through colour (the
    // bottom-left pixel's; white for a picture of one bit per pixel) letting the dial show.
    void setDialPicture(const TBitmap& dial);
    // The dial as a renderer shows it, drawn from its rendered picture a part at a time as the
    // work area paints (no copy of the dial is made); the renderer must stay while the dialog
    // shows it. False, and nothing changed, when it has no rendered picture.
    bool setDialSource(const TCustomRotateImage& dial);
    void setHandPicture(const TBitmap& hand);
    // The dial the default-hand commands measure the hole on: for a hand that is still the
    // built-in one, the built-in dial's size (its picture is drawn for that dial, whatever dial
    // is shown); none for a loaded hand, whose defaults follow the dial shown. Kept until set.
    void setDefaultHoleDial(std::optional<QSize> dial) { m_defaultHoleDial = dial; }

    QPoint GetDialCenter() const;
    QPoint GetHandPivot();
    void SetDialCenter(QPoint p);
    void SetHandPivot(QPoint p);
    void CenterBkg();
    // Moves BkgImage, HandImage or FCenterMark by (dx, dy), with what each carries along.
    void MoveControl(QWidget* control, int dx, int dy);
    void KeepInView();

    // The shared mouse handlers of BkgImage, HandImage and FCenterMark; x and y within the
    // sender.
    void BkgImageMouseDown(QWidget* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void BkgImageMouseMove(QWidget* sender, Qt::KeyboardModifiers shift, int x, int y);
    void BkgImageMouseUp(QWidget* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

    // SetCenterBtn and N1: the hole to the middle of the dial, the dial to the middle.
    void N1Click();
    // The default hole of the hour (HourDefGtn, N3), minute (Button3, N4) and second hand
    // (Button4, N2).
    void N3Click();
    void N4Click();
    void N2Click();
    void HndVtoHoleBtnClick();
    // The marker takes the mouse exactly when CheckBox1 is not checked.
    void CheckBox1Click();
    // SuggestHole1 (also Ctrl+E anywhere in the dialog): moves the hand so that the marker lands
    // on the point of the hand most likely its hole (suggestRotationHole); a beep and nothing
    // else for a hand without opaque pixels. Nothing while the hand is hidden.
    void SuggestHole1Click();

    // --- Zoom (HandUnit_Zoom.cpp) ---------------------------------------------------------
    // The zoom of the work area; kept between showings. Setting it keeps the marker's middle
    // where it is on the screen, scrolling as far as needed.
    ZoomLevel zoom() const { return m_zoom; }
    void setZoom(ZoomLevel zoom);
    void zoomIn();
    void zoomOut();
    void zoomReset();
    // The screen pixel of the hole within the visible area.
    QPoint holeInView() const;
    // What the status line shows beside the coordinates: the zoom, and while the work area has
    // the focus, what the arrow keys move and the key that switches.
    QString zoomText() const;
    QString keysText() const;

    // What the status line shows.
    QString statusText() const;
    // The control a press at a point of the work area's plane (its screen pixels, as the
    // controls are placed at the zoom) reaches; nullptr for none.
    QWidget* controlAt(QPoint planePoint) const;
    // The last control pressed (nullptr: none since the dialog was shown).
    QWidget* dragControl() const;

    // Controls.
    ScrollBox* ScrollBox1 = nullptr; // the work area
    PictureBox* BkgImage = nullptr;
    PictureBox* HandImage = nullptr;
    TCenterMark* FCenterMark = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* Button1 = nullptr; // OK
    QPushButton* Button2 = nullptr; // Cancel
    QPushButton* SetCenterBtn = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* HourDefGtn = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* HndVtoHoleBtn = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QMenu* CenterPopupMenu = nullptr;
    QAction* N1 = nullptr;
    QMenu* HandPopupMenu = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    QAction* N2 = nullptr;
    QAction* SuggestHole1 = nullptr;
    // Zoom in (Ctrl++, Ctrl+=), out (Ctrl+−) and back to 100 % (Ctrl+0).
    QAction* ZoomIn1 = nullptr;
    QAction* ZoomOut1 = nullptr;
    QAction* ZoomReset1 = nullptr;
    QLabel* ZoomLabel = nullptr; // the status line's zoom
    QLabel* KeysLabel = nullptr; // the status line's word on the arrow keys

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    // The work area's key handling, in front of its own: the arrow keys move the control
    // pressed last instead of scrolling or moving the focus; Space switches between the marker
    // and the hand.
    bool ScrollBoxWndProc(QKeyEvent* event);
    // The work area took the focus: from the keyboard with nothing pressed yet, the keys move
    // the marker.
    void workAreaFocused(Qt::FocusReason reason);
    // Shift+F10 and the Menu key on the work area: the pop-up menu of the part the arrow keys
    // move (the marker's or the hand's; the dial has none).
    void popupFromKeyboard();
    void showKeys();
    bool planeMouseEvent(QMouseEvent* event);
    HandPlacement::Part partOf(const QWidget* control) const;
    QWidget* controlOf(HandPlacement::Part part) const;
    // The scroll positions and the visible area's size in screen pixels, and the same on the
    // plane (dial and hand pixels) at the zoom.
    QPoint scrollPosition() const;
    QSize clientSize() const;
    QPoint planeScroll() const;
    QSize planeClient() const;
    void setScrollPosition(QPoint p);
    // Scrolls the hole to the middle of the visible area unless it is in its middle half.
    void bringHoleIntoView();

    // After a command that placed the parts anew: what lies left of or above the plane is
    // shifted into it, the view following so that nothing moves on the screen, then the hole is
    // brought into view. At any zoom the marker and the hand around it end in view.
    void keepAllInView();
    // Shifts the group of `part` into the plane as KeepInView does for the part pressed last.
    void keepGroupInView(HandPlacement::Part part);
    bool wheelZoom(QWheelEvent* event);
    void showCenter();
    void defaultHand(int tenths);
    // The dialog's size that shows all of the plane at 100 % (laying the dialog out anew).
    QSize sizeShowingAll();
    // Puts the controls where the placement says and fits the scroll ranges to them.
    void placeControls();

    HandPlacement m_placement; // positions, FDialCenter and FHandPivot
    std::optional<QSize> m_defaultHoleDial;
    std::optional<QSize> m_userSize;
    QSize m_givenSize = kLeastSize; // the size the program gave the dialog last
    ZoomLevel m_zoom;
    // The least size of the work area's plane: what lets the view stay where it is after the
    // group was shifted into the plane, or after a zoom about the marker. Cleared at showing.
    QSize m_planeFloor;
    WheelZoom m_wheelZoom; // Ctrl with the wheel
    bool FDragging = false;
    QPoint FDragStart;
    HandPlacement::Part FDragControl = HandPlacement::Part::None;
    QWidget* m_captured = nullptr; // the control holding the mouse between press and release
};

// The dialog, created once at start-up after the main window.
extern THandForm* HandForm;

} // namespace dw
