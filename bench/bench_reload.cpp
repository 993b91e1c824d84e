// A dial drawn in an image editor and saved again: the reload of a 2048 × 2048 PNG dial with
// transparency in the editor's own main window, from the file's change to the preview drawn (the
// file read and checked whole, converted, put in the project as a step of the history with its
// holes kept and the shape cut again, the preview composed), against Qt reading the same PNG and
// scaling it to half its size with smoothing (each writes the file first), timed alternately in
// one run. The watch's wait for a burst of writes to settle is no work and is left out: the
// reload is called as the watch calls it.

#include "BenchEditor.h"
#include "BenchPictures.h"
#include "BenchTimer.h"

#include "tests/editor/TestPictures.h"

#include <QAction>
#include <QImageReader>

#include <cstdio>

using namespace dw;
using dw::test::pngOf;
using dw::test::writeWhole;

namespace {

constexpr int kDial = 2048;

} // namespace

int main(int argc, char** argv)
{
    bench::EditorBench editor(argc, argv);
    TMainForm& form = editor.form;
    seam::ScriptedHandler& ui = editor.ui;
    // The reloads are called here, one after the other; the watch would add its own.
    form.AutoReload1->trigger();

    // A round dial with ticks, transparent outside its face; the tick colour tells the two apart.
    const QByteArray versions[] = {pngOf(bench::dialImage(kDial, Qt::transparent, QColor(60, 40, 30))),
                                   pngOf(bench::dialImage(kDial, Qt::transparent, QColor(30, 40, 160)))};
    const QString path = editor.dir.filePath("dial.png");
    if (!writeWhole(path, versions[0])) {
        bench::fail("the dial could not be written");
        return bench::exitStatus();
    }
    ui.answerMessage(seam::IDOK); // converted, as the user agrees at the first load
    ui.answerFile(path);
    form.Background1->trigger();
    if (form.bkgStream().size() < kDial * kDial * 3) {
        bench::fail("the dial was not loaded");
        return bench::exitStatus();
    }
    std::printf("bench_reload: %d x %d PNG dial of %.1f MiB\n", kDial, kDial, double(versions[0].size()) / (1 << 20));

    int next = 1;
    auto reload = [&] {
        // The file saved over; the peer writes it too, so that both pay the same write.
        writeWhole(path, versions[next]);
        next ^= 1;
        form.reloadPicture(LinkedPicture::Dial, path);
    };
    QImage peerImage;
    auto peer = [&] {
        writeWhole(path, versions[next]);
        QImageReader reader(path);
        const QImage read = reader.read();
        peerImage = read.scaled(kDial / 2, kDial / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const size_t stepsBefore = form.history().stepCount();
    const bench::PairTimes t = bench::alternately(reload, peer, 3, 0.5, 1);
    if (form.history().stepCount() == stepsBefore || peerImage.isNull()
        || form.history().undoName() != QStringLiteral("文字盤の再読み込み")) {
        bench::fail("the dial was not reloaded");
        return bench::exitStatus();
    }
    bench::printCase("reload of the dial (file to preview)", t.ours, double(kDial) * kDial, "px");
    bench::printCase("Qt: read the PNG and scale it", t.peer, double(kDial) * kDial, "px");
    bench::printAtMost("reload / Qt's read and scale", t.ours / t.peer, 1.5);
    return bench::exitStatus();
}
