// The positioning dialog's work area redrawn after a one-pixel drag at 800 %: a 2048 × 2048 dial
// with a hand on it and the marker over both, the dial dragged by one dial pixel (so that all of
// the visible area changes) and the work area drawn again, children and all, against QPainter
// drawing the same visible part of the dial scaled without smoothing.

#include "BenchTimer.h"

#include "editor/positioning/HandUnit.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/ScrollBox.h"
#include "editor/clock/ZoomedPixels.h"

#include "platform/Bitmap.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <cstdio>

namespace {

constexpr int kDial = 2048;

QImage dialImage()
{
    QImage image(kDial, kDial, QImage::Format_RGB32);
    for (int y = 0; y < kDial; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kDial; ++x)
            row[x] = qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, ((x + y) * 3) & 0xFF);
    }
    return image;
}

// A hand on white (its see-through colour): a dark bar 12 pixels wide.
QImage handImage()
{
    QImage image(40, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(14, 0, 12, 600, QColor(30, 30, 60));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dw::THandForm form;
    dw::TBitmap dial, hand;
    dial.setImage(dialImage());
    hand.setImage(handImage());
    form.setDialPicture(dial);
    form.setHandPicture(hand);
    form.SetDialCenter({kDial / 2, kDial / 2});
    form.SetHandPivot({20, 600}); // the hand above its hole, out of the compared quarter
    form.resize(1000, 720);
    form.show();
    form.setZoom(dw::ZoomLevel(800));
    QApplication::processEvents();

    QWidget* view = form.ScrollBox1->viewport();
    const QSize size = view->size();
    std::printf("bench_zoom: the positioning dialog's work area (%d x %d) at 800 %%, %d x %d dial\n", size.width(),
                size.height(), kDial, kDial);

    QImage ours(size, QImage::Format_ARGB32_Premultiplied);
    QImage peer(size, QImage::Format_ARGB32_Premultiplied);
    const QImage source = dial.image().convertToFormat(QImage::Format_RGB32);
    int step = 1;
    auto redraw = [&] {
        // One dial pixel right, then back: the drag the user makes, and everything in view moves.
        form.MoveControl(form.BkgImage, step, 0);
        step = -step;
        view->render(&ours);
    };
    auto qtDraw = [&] {
        // The dial's part in view, where the dialog shows it, scaled by 8 without smoothing.
        const QPoint at = form.BkgImage->pos() - QPoint(form.ScrollBox1->horizontalScrollBar()->value(),
                                                        form.ScrollBox1->verticalScrollBar()->value());
        QPainter painter(&peer);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        const QRectF target(QPointF(0, 0), QSizeF(size));
        const QRectF from((-at.x()) / 8.0, (-at.y()) / 8.0, size.width() / 8.0, size.height() / 8.0);
        painter.drawImage(target, source, from);
    };

    // Both show the same dial pixels: compared away from the hand and the marker's lines (the
    // lower right quarter, the hole being in the middle) and off the grid lines.
    redraw();
    redraw();
    qtDraw();
    const QPoint hole = form.holeInView();
    long compared = 0, differing = 0;
    for (int y = hole.y() + 12; y < size.height() - 4; ++y)
        for (int x = hole.x() + 12; x < size.width() - 4; ++x) {
            const QPoint onPlane = QPoint(x, y) + QPoint(form.ScrollBox1->horizontalScrollBar()->value(),
                                                         form.ScrollBox1->verticalScrollBar()->value())
                - form.BkgImage->pos();
            if (onPlane.x() % 8 == 0 || onPlane.y() % 8 == 0)
                continue; // a grid line
            ++compared;
            differing += ours.pixel(x, y) != peer.pixel(x, y);
        }
    std::printf("  %ld dial pixels compared, %ld differ\n", compared, differing);
    if (compared == 0 || differing != 0)
        bench::fail("the work area does not show the dial's pixels as QPainter scales them");

    const bench::PairTimes t = bench::alternately(redraw, qtDraw);
    std::printf("  %-44s %10.3f ms/redraw\n", "ours: one-pixel drag, work area redrawn", t.ours * 1e3);
    std::printf("  %-44s %10.3f ms/redraw\n", "Qt: visible part drawn scaled", t.peer * 1e3);
    bench::printRatio("redraw at 800 %: Qt / ours", t.ours, t.peer, 1.0);
    return bench::exitStatus();
}
