#pragma once

#include "media/AnimParam.h"
#include "media/BmpAnimUnit.h"

#include <QDialog>
#include <QPoint>

#include <optional>

class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QStatusBar;
class QWidget;

namespace dw {

class BitmapImage;

// The animation settings dialog: where the animation's first frame sits over the clock (dragged
// with the mouse or moved with the arrow keys), how the strip splits into frames and how long a
// frame shows; it can play the animation in place. It only edits what its caller puts in:
// the clock picture into ClockImage at (10, 10), the strip into AnimImage (made visible, its
// transparency on or off), then SetParam; after OK the caller reads GetParam.
//
// Created once at start-up and reused: pictures, values and status text stay between showings.
class TAnimationDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAnimationDlg(QWidget* parent = nullptr);
    ~TAnimationDlg() override;

    // Places AnimImage at ClockImage's corner + the offsets and sets the three spin fields
    // (brought into their ranges), then sizes AnimImage to one frame.
    void SetParam(const TAnimParam& P);
    // The offsets relative to ClockImage's corner (may be negative) and the spin values.
    TAnimParam GetParam() const;

    // Controls, in the dialog's order.
    QWidget* Panel1 = nullptr; // the right-hand column
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QScrollArea* ScrollBox1 = nullptr; // the working area
    BitmapImage* ClockImage = nullptr; // the clock (sizes itself to its picture)
    BitmapImage* AnimImage = nullptr;  // the strip, showing its first frame
    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label1 = nullptr;
    QSpinBox* SpinEdit1 = nullptr; // columns, 1 to 100
    QSpinBox* SpinEdit2 = nullptr; // rows, 1 to 100
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QSpinBox* SpinEdit3 = nullptr; // frame time in ms, 50 to 1000
    QStatusBar* StatusBar1 = nullptr;
    QPushButton* TestPlayBtn = nullptr;

public slots:
    // AnimImage keeps its top-left corner and takes the size of one frame.
    void SpinEdit1Change();
    // Plays the animation once in place with the values shown, confirmed or not.
    void TestPlayBtnClick();

    // Whether the test button's play is running.
    bool playing() const { return m_play != nullptr; }

    // Closing the dialog (OK, Cancel, Escape, the close box) while the test plays stops the play
    // first; the dialog closes as soon as the play has returned, so that its result reaches the
    // caller before anything else can run.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void AnimImageMouseDown(QPoint p);
    void AnimImageMouseMove(QPoint p, Qt::KeyboardModifiers modifiers);
    void AnimImageMouseUp();
    // The scroll box's keys: arrow keys move AnimImage (and stay there, never moving the focus).
    bool ScrollBoxWndProc(QEvent* event);
    // Moves AnimImage on the scroll box's content and lets the content cover it.
    void moveAnimImage(QPoint topLeft);
    void fitContent();
    QPoint inScrollBox(const QWidget* child) const;

    // A press on the working area while the test plays stops the play (and does nothing else).
    bool stopsPlay(QObject* watched, QEvent* event);

    bool FDragging = false;
    QPoint FDragStart; // the mouse-down point inside AnimImage
    QWidget* m_content = nullptr; // the scroll box's plane
    AnimPlayStop* m_play = nullptr; // the test play under way
    std::optional<int> m_closeAfterPlay; // the result the dialog closes with once the play returns
};

// The one settings dialog of the program, created at start-up (null until then).
extern TAnimationDlg* AnimationDlg;

} // namespace dw
