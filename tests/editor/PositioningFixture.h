#pragma once

// The hand positioning dialog as the user drives it: a menu command opens it through the seam,
// the test presses, drags and types on the shown dialog with real mouse and key events (routed
// by the toolkit to what lies under the pointer), and the command reads the result back.

#include "tests/editor/EditorFixture.h"

#include "editor/positioning/CenterMark.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/ScrollBox.h"

#include "rotateimage/RotateImage.h"

#include <QTest>
#include <QWindow>

#include <cstdlib>
#include <functional>

namespace dw::test {

// A hand picture on white (its see-through colour): a black bar 3 pixels wide down the middle and
// a disc of `radius` around `hub`.
inline QImage hubbedHand(int width, int height, QPoint hub, int radius)
{
    QImage image = filledImage(width, height, Qt::white);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int dx = x - hub.x(), dy = y - hub.y();
            if (std::abs(x - width / 2) <= 1 || dx * dx + dy * dy <= radius * radius)
                image.setPixel(x, y, qRgb(0, 0, 0));
        }
    return image;
}

class Positioning : public EditorFixture {
protected:
    THandForm& dlg() { return *handForm; }
    QWidget* plane() { return dlg().ScrollBox1->content(); }
    QWindow* window() { return dlg().windowHandle(); }

    // Runs a command that shows the dialog; `user` works on it while it is shown, then the
    // dialog closes with `result`.
    void run(QAction* item, const std::function<void(THandForm&)>& user, int result = seam::mrOk)
    {
        ui.answerModal([user, result](QObject& dialog) {
            auto& form = static_cast<THandForm&>(dialog);
            form.show();
            form.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
            user(form);
            form.hide();
            return result;
        });
        item->trigger();
    }

    QPoint holeOnPlane() { return dlg().FCenterMark->geometry().topLeft() + QPoint(127, 127); }
    QPoint handOnPlane() { return dlg().HandImage->geometry().center(); }
    QPoint inWindow(QPoint onPlane) { return plane()->mapTo(&dlg(), onPlane); }
    // Where a point of the plane shows in the visible area.
    QPoint inView(QPoint onPlane) { return plane()->mapTo(dlg().ScrollBox1->viewport(), onPlane); }

    // Presses at a point of the work area, moves the mouse by `by` in two steps and releases.
    void drag(QPoint from, QPoint by, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        press(from, modifiers, button);
        QTest::mouseEvent(QTest::MouseMove, window(), Qt::NoButton, modifiers, inWindow(from + by / 2));
        QTest::mouseEvent(QTest::MouseMove, window(), Qt::NoButton, modifiers, inWindow(from + by));
        QTest::mouseRelease(window(), button, modifiers, inWindow(from + by));
    }
    void press(QPoint at, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(window(), button, modifiers, inWindow(at));
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(window(), k, modifiers); }
    // To a zoom with the zoom keys.
    void zoomTo(int percent)
    {
        while (dlg().zoom().percent() < percent)
            key(Qt::Key_Plus, Qt::ControlModifier);
        while (dlg().zoom().percent() > percent)
            key(Qt::Key_Minus, Qt::ControlModifier);
    }

    QPoint hourPivot() const { return {form->SNeedleImage->PivotX(), form->SNeedleImage->PivotY()}; }
    QPoint minutePivot() const { return {form->LNeedleImage->PivotX(), form->LNeedleImage->PivotY()}; }
    QPoint secondPivot() const { return {form->SecNeedleImage->PivotX(), form->SecNeedleImage->PivotY()}; }
};

} // namespace dw::test
