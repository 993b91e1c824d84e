// The positioning dialog zoomed, by keyboard alone, on a big dial, and with its suggested hole:
// driven with real key, wheel and mouse events on the shown dialog.
#include "tests/editor/PositioningFixture.h"
#include "tests/editor/SavedMembers.h"

#include "editor/widgets/PictureBox.h"
#include "editor/clock/ZoomedPixels.h"

#include "tests/support/TestFiles.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QWheelEvent>

#include <climits>

using namespace dw;
using namespace dw::test;

namespace {

class Zoomed : public Positioning {
protected:
    // The places below are those of a view small beside the dials: the dialog at its least
    // size, kept as a user's size is. Opened as large as a 1600-pixel dial needs, the view at
    // 25 % is larger than the whole plane, and the hole cannot keep its place in it (it moves
    // up and left with the plane's corner).
    Zoomed() { handForm->keepSize(THandForm::kLeastSize); }
    // The hole's place in the visible area, read from the marker widget.
    QPoint holeInView() { return inView(holeOnPlane()); }
    void wheel(int notches, Qt::KeyboardModifiers modifiers)
    {
        const QPoint at = inWindow(holeOnPlane() + QPoint(30, 30));
        QWheelEvent event(at, dlg().mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(plane(), &event);
    }
    // Ctrl+Left until the control moves no more (the last press shifted everything back).
    void pushLeft(QWidget* control)
    {
        for (int i = 0, last = INT_MIN; i < 5000 && control->x() != last; ++i) {
            last = control->x();
            key(Qt::Key_Left, Qt::ControlModifier);
        }
    }
};

} // namespace

TEST_F(Zoomed, ZoomingKeepsTheHoleInPlaceAtEveryLevelAndIsRemembered)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(1600, 1600, QColor(0x30, 0x60, 0x90))));
    QString status;
    run(form->GoTo1, [&](THandForm& f) {
        const QPoint start = holeInView();
        EXPECT_EQ(f.ZoomLabel->text(), "100%");
        struct Step {
            const char* how;
            std::function<void()> act;
            int percent;
        } steps[] = {
            {"Ctrl+-", [&] { key(Qt::Key_Minus, Qt::ControlModifier); }, 50},
            {"Ctrl+-", [&] { key(Qt::Key_Minus, Qt::ControlModifier); }, 25},
            {"Ctrl+- at the bottom", [&] { key(Qt::Key_Minus, Qt::ControlModifier); }, 25},
            // (Ctrl with a shifted + as a real keyboard sends it: the end-to-end test, since the
            // platform's key mapping decides.)
            {"Ctrl++", [&] { key(Qt::Key_Plus, Qt::ControlModifier); }, 50},
            {"Ctrl+=", [&] { key(Qt::Key_Equal, Qt::ControlModifier); }, 100},
            {"Ctrl+wheel", [&] { wheel(1, Qt::ControlModifier); }, 200},
            {"Ctrl++", [&] { key(Qt::Key_Plus, Qt::ControlModifier); }, 400},
            {"Ctrl+wheel", [&] { wheel(1, Qt::ControlModifier); }, 800},
            {"Ctrl++ at the top", [&] { key(Qt::Key_Plus, Qt::ControlModifier); }, 800},
            {"Ctrl+wheel back", [&] { wheel(-1, Qt::ControlModifier); }, 400},
            {"Ctrl+0", [&] { key(Qt::Key_0, Qt::ControlModifier); }, 100},
        };
        for (const Step& step : steps) {
            step.act();
            EXPECT_EQ(f.zoom().percent(), step.percent) << step.how;
            EXPECT_EQ(f.ZoomLabel->text(), QStringLiteral("%1%").arg(step.percent)) << step.how;
            EXPECT_EQ(holeInView(), start) << step.how << " to " << step.percent;
            EXPECT_EQ(f.BkgImage->width(), 1600 * step.percent / 100) << step.how;
            EXPECT_EQ(f.FCenterMark->size(), QSize(255, 255)) << "the marker keeps its size";
        }
        // A wheel without Ctrl scrolls, it does not zoom.
        wheel(-1, {});
        EXPECT_EQ(f.zoom().percent(), 100);
        zoomTo(800);
        status = f.statusText();
    });
    EXPECT_EQ(status, "(800, 800)") << "the coordinates stay dial pixels";
    EXPECT_EQ(form->hourCenter(), QPoint(800, 800));
    ZoomLevel shown;
    run(form->GoTo2, [&](THandForm& f) { shown = f.zoom(); }, seam::mrCancel);
    EXPECT_EQ(shown.percent(), 800) << "the zoom is kept between showings";
}

TEST_F(Zoomed, ZoomedPixelsAreSquaresWithAGridFromFourHundredPercent)
{
    QImage dial = filledImage(200, 200, QColor(0xE0, 0xD0, 0xC0));
    dial.setPixel(101, 100, qRgb(0x10, 0x20, 0x30));
    choose(form->Background1, bmp("dial.bmp", dial));
    run(form->GoTo1, [&](THandForm& f) {
        f.HandImage->hide();
        for (const int percent : {200, 400}) {
            zoomTo(percent);
            const int z = percent / 100;
            const QImage shot = f.BkgImage->grab().toImage();
            // The dark pixel (101, 100) as a z × z square; its neighbour (102, 100) light.
            const QPoint square(101 * z, 100 * z);
            const QRgb dark = qRgb(0x10, 0x20, 0x30);
            EXPECT_EQ(shot.pixel(square + QPoint(z - 1, z - 1)), dark) << percent;
            EXPECT_EQ(shot.pixel(square + QPoint(z + 1, z - 1)), qRgb(0xE0, 0xD0, 0xC0)) << percent;
            const QRgb firstColumn = shot.pixel(square + QPoint(0, z - 1));
            if (percent < 400)
                EXPECT_EQ(firstColumn, dark) << "no grid below 400 %";
            else
                EXPECT_EQ(firstColumn, gridPixel(dark)) << "a grid line between the pixels";
        }
        f.HandImage->show();
    }, seam::mrCancel);
}

TEST_F(Zoomed, DragsAtFourAndEightHundredPercentGiveTheNumbersOfOneHundred)
{
    // The marker by (5, −3) and the hand by (2, 4) dial pixels, at each zoom in screen pixels.
    QPoint centres[3], pivots[3];
    const int percents[] = {100, 400, 800};
    for (int i = 0; i < 3; ++i) {
        const int z = percents[i] / 100;
        run(form->GoTo1, [&](THandForm& f) {
            zoomTo(percents[i]);
            drag(holeOnPlane(), QPoint(5, -3) * z);
            // A drag shorter than one dial pixel moves nothing, and a second finishes it.
            if (z > 1) {
                const QPoint before = f.GetDialCenter();
                drag(holeOnPlane(), QPoint(z - 1, 0));
                EXPECT_EQ(f.GetDialCenter(), before) << "less than a pixel at " << percents[i];
                drag(holeOnPlane(), QPoint(-(z - 1), 0));
            }
            // The hand above its hole, outside the marker's circle.
            drag(holeOnPlane() + QPoint(0, -20), QPoint(2, 4) * z);
        });
        centres[i] = form->hourCenter();
        pivots[i] = hourPivot();
        // Each round starts from the default hole again.
        run(form->GoTo1, [&](THandForm& f) {
            f.HourDefGtn->click();
            zoomTo(100);
        });
    }
    EXPECT_EQ(centres[0], QPoint(105, 97));
    EXPECT_EQ(pivots[0], QPoint(5, 66));
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(centres[i], centres[0]) << percents[i];
        EXPECT_EQ(pivots[i], pivots[0]) << percents[i];
    }
}

TEST_F(Zoomed, ArrowKeysMoveByDialPixelsAndStopAtTheEdgeAtEveryZoom)
{
    for (const int percent : ZoomLevel::kPercents) {
        QString status;
        int groupLeft = -1, handLeft = -1;
        run(form->GoTo1, [&](THandForm& f) {
            zoomTo(percent);
            QTest::mouseClick(window(), Qt::LeftButton, {}, inWindow(holeOnPlane()));
            key(Qt::Key_Right);
            key(Qt::Key_Down, Qt::ControlModifier);
            status = f.statusText();
            // Past the left edge: the marker with its hand stops at it.
            pushLeft(f.FCenterMark);
            groupLeft = std::min(f.FCenterMark->x(), f.HandImage->x());
            // The hand alone stops exactly at it.
            key(Qt::Key_Space);
            pushLeft(f.HandImage);
            handLeft = f.HandImage->x();
        }, seam::mrCancel);
        EXPECT_EQ(status, "(101, 108)") << percent;
        EXPECT_GE(groupLeft, 0) << percent;
        EXPECT_LT(groupLeft, std::max(1, percent / 100)) << percent << ": within a dial pixel of the edge";
        EXPECT_EQ(handLeft, 0) << percent;
    }
}

TEST_F(Zoomed, TheKeyboardAlonePlacesTheHoleAndTheHand)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(300, 300, Qt::darkBlue)));
    bool focused = false, ringShown = false;
    QString markerKeys, handKeys, status;
    run(form->GoTo1, [&](THandForm& f) {
        // From OK, which has the focus at first, back to the work area before it.
        EXPECT_TRUE(f.Button1->hasFocus());
        EXPECT_FALSE(f.ScrollBox1->focusShown());
        key(Qt::Key_Backtab);
        focused = f.ScrollBox1->hasFocus();
        ringShown = f.ScrollBox1->focusShown();
        markerKeys = f.KeysLabel->text();
        key(Qt::Key_Right);
        key(Qt::Key_Right);
        key(Qt::Key_Down, Qt::ControlModifier);
        status = f.statusText();
        key(Qt::Key_Space);
        handKeys = f.KeysLabel->text();
        key(Qt::Key_Left);
        key(Qt::Key_Up, Qt::ControlModifier);
        key(Qt::Key_Space);
        key(Qt::Key_Up); // the marker again, with the hand on it
        // Tab leaves the work area for OK again; Enter there accepts.
        key(Qt::Key_Tab);
        EXPECT_TRUE(f.Button1->hasFocus());
        EXPECT_FALSE(f.ScrollBox1->focusShown());
    });
    EXPECT_TRUE(focused);
    EXPECT_TRUE(ringShown) << "the work area shows that it has the focus";
    EXPECT_TRUE(markerKeys.contains("回転穴を移動")) << qPrintable(markerKeys);
    EXPECT_TRUE(markerKeys.contains("Space")) << qPrintable(markerKeys);
    EXPECT_TRUE(handKeys.contains("針を移動")) << qPrintable(handKeys);
    EXPECT_EQ(status, "(152, 158)");
    const QPoint pivot = hourPivot();
    EXPECT_EQ(form->hourCenter(), QPoint(152, 157));
    EXPECT_EQ(pivot, QPoint(7 + 1, 70 + 8)) << "the built-in hand's own hole, moved";

    // What OK gave is what the file holds.
    setCompress(false);
    const QString path = file("keyboard.pdl");
    choose(form->Save1, path);
    const QStringList lines = savedHeaderLines(path);
    for (const QString& line : {QStringLiteral("HCX=152"), QStringLiteral("HCY=157"),
                                QStringLiteral("HPX=%1").arg(pivot.x()), QStringLiteral("HPY=%1").arg(pivot.y())})
        EXPECT_TRUE(lines.contains(line)) << qPrintable(line);
}

TEST_F(Zoomed, ABigDialOpensWithTheHoleInViewAndStaysPutAfterAShiftedDrag)
{
    choose(form->Background1, bmp("big.bmp", filledImage(3000, 3000, QColor(0x80, 0x90, 0xA0))));
    for (const int percent : {100, 25}) {
        QPoint holeAtShow, dialBefore, dialAfter, holeAfter, by;
        QRect visible;
        run(form->GoTo1, [&](THandForm& f) {
            zoomTo(percent);
            f.hide(); // shown again at this zoom, as a user opens it
            f.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
            visible = f.ScrollBox1->viewport()->rect();
            holeAtShow = holeInView();
            // The dial dragged right past the plane's left edge: it is shifted back into the
            // plane on release, and the view follows, so the dial stays under the pointer.
            // On the dial below the hand, outside the marker's circle.
            const QPoint at = holeOnPlane() + QPoint(30, 30);
            by = QPoint(-(f.BkgImage->x() + 40), 0);
            press(at);
            QTest::mouseEvent(QTest::MouseMove, window(), Qt::NoButton, {}, inWindow(at + by));
            dialBefore = inView(f.BkgImage->geometry().topLeft());
            QTest::mouseRelease(window(), Qt::LeftButton, {}, inWindow(at + by));
            dialAfter = inView(f.BkgImage->geometry().topLeft());
            holeAfter = holeInView();
            EXPECT_EQ(f.BkgImage->x(), 0) << "the group starts at the plane's edge";
        });
        EXPECT_TRUE(visible.contains(holeAtShow)) << percent << ": " << holeAtShow.x() << "," << holeAtShow.y();
        EXPECT_EQ(dialAfter, dialBefore) << percent << ": nothing jumps on release";
        EXPECT_EQ(holeAfter, holeAtShow + by) << percent << ": the hole went with the pointer";
        EXPECT_TRUE(visible.contains(holeAfter)) << percent;
        EXPECT_EQ(form->hourCenter(), QPoint(1500, 1500)) << "the dial carried the hole";
    }
}

TEST_F(Zoomed, TheSuggestedHoleMovesTheHandOntoTheMarkerAndCancelUndoesIt)
{
    choose(form->N2, bmp("hour.bmp", hubbedHand(21, 90, {10, 72}, 6)));
    const QPoint before = hourPivot();
    auto suggest = [&](THandForm& f) {
        QTest::mouseClick(window(), Qt::RightButton, {}, inWindow(holeOnPlane() + QPoint(0, -30)));
        EXPECT_TRUE(f.HandPopupMenu->isVisible());
        f.HandPopupMenu->hide();
        EXPECT_EQ(f.SuggestHole1->text(), "回転穴を推定(&A)");
        f.SuggestHole1->trigger();
    };
    QPoint shownPivot, shownCentre;
    run(form->GoTo1, [&](THandForm& f) {
        suggest(f);
        shownPivot = f.GetHandPivot();
        shownCentre = f.GetDialCenter();
    }, seam::mrCancel);
    EXPECT_EQ(shownPivot, QPoint(10, 72)) << "the hub's centre";
    EXPECT_EQ(shownCentre, QPoint(100, 100)) << "the marker stays";
    EXPECT_EQ(hourPivot(), before) << "Cancel undoes it";
    EXPECT_EQ(ui.beeps(), 0);

    run(form->GoTo1, suggest);
    EXPECT_EQ(hourPivot(), shownPivot) << "OK keeps it";
    EXPECT_EQ(form->hourCenter(), QPoint(100, 100));

    // A hand with nothing opaque: a beep, and nothing moves.
    choose(form->N2, bmp("blank.bmp", filledImage(15, 60, Qt::white)));
    const QPoint kept = hourPivot();
    run(form->GoTo1, [&](THandForm& f) { f.SuggestHole1->trigger(); });
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_EQ(hourPivot(), kept);
}

#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
namespace {
size_t g_largestAllocation = 0;
void noteAllocation(const volatile void*, size_t size) { g_largestAllocation = std::max(g_largestAllocation, size); }
void noteFree(const volatile void*) {}
} // namespace

// The dialog draws the dial from the main window's renderer as it paints: opening it and painting
// at any zoom makes no buffer near the dial's size (counted through the allocator's hooks), and
// what shows is the dial zoomed, pixel for pixel.
TEST_F(Zoomed, TheDialIsDrawnFromTheRendererWithoutACopy)
{
    const QImage dial = noise(2048, 2048, 11);
    choose(form->Background1, bmp("dial.bmp", dial));
    const size_t dialBytes = size_t(2048) * 2048 * 4;
    const QImage expected = zoomablePicture(dial.convertToFormat(QImage::Format_RGB32));
    for (const int percent : {100, 25, 200}) {
        SCOPED_TRACE(percent);
        QImage shot;
        size_t largest = 0;
        ASSERT_TRUE(__sanitizer_install_malloc_and_free_hooks(noteAllocation, noteFree));
        g_largestAllocation = 0;
        run(form->GoTo1, [&](THandForm& f) {
            zoomTo(percent);
            f.repaint();
            largest = g_largestAllocation;
            __sanitizer_install_malloc_and_free_hooks(nullptr, nullptr);
            f.HandImage->hide();
            const QRect part(0, 0, std::min(f.BkgImage->width(), 700), std::min(f.BkgImage->height(), 500));
            shot = f.BkgImage->grab(part).toImage().convertToFormat(QImage::Format_RGB32);
            f.HandImage->show();
        }, seam::mrCancel);
        // The largest are the dialog window's own buffer and a band of 2^20 pixels.
        EXPECT_LT(largest, dialBytes / 2);
        QImage zoomed;
        drawZoomed(expected, ZoomLevel(percent), QRect(QPoint(0, 0), shot.size()), zoomed);
        EXPECT_EQ(shot, zoomed.convertToFormat(QImage::Format_RGB32));
    }
}
#endif
