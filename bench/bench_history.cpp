// Undo and crash recovery on a project with a 16 MiB dial, in the editor's own main window:
//  - 100 title edits: the history's memory against the project's size (the dial is shared by
//    every step), and an undo against the edit it undoes;
//  - writing the recovery copy against one save of the same project (the plain data file).

#include "BenchEditor.h"
#include "BenchTimer.h"

#include "platform/Bitmap.h"

#include <QAction>
#include <QImage>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>

using namespace dw;

int main(int argc, char** argv)
{
    bench::EditorBench editor(argc, argv);
    TMainForm& form = editor.form;
    seam::ScriptedHandler& ui = editor.ui;
    const QTemporaryDir& dir = editor.dir;
    if (form.Compress1->isChecked())
        form.Compress1->trigger();

    // A 2400 × 2400 24-bit dial: 16.5 MiB.
    QImage pixels(2400, 2400, QImage::Format_RGB32);
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            pixels.setPixel(x, y, qRgb(x % 251, y % 241, (x * y) % 239));
    TBitmap dial;
    dial.setImage(pixels);
    dial.SetPixelFormat(pf24bit);
    dial.SaveToFile(dir.filePath("dial.bmp"));
    ui.answerFile(dir.filePath("dial.bmp"));
    form.Background1->trigger();
    const double project = double(form.takeSnapshot().byteSize());
    std::printf("bench_history: project of %.1f MiB (16 MiB dial)\n", project / (1 << 20));
    if (project < 16 << 20) {
        bench::fail("the dial was not loaded");
        return bench::exitStatus();
    }

    // 100 title edits, each a step of its own, and the undos that take them back.
    const int edits = 100;
    int next = 0;
    auto edit = [&] {
        form.Edit1->setText(QString::number(next++));
        emit form.Edit1->editingFinished();
    };
    const double held = double(form.history().heldBytes());
    auto timeEdits = [&] {
        const double start = bench::cpuSeconds();
        for (int i = 0; i < edits; ++i)
            edit();
        return (bench::cpuSeconds() - start) / edits;
    };
    auto timeUndos = [&] {
        const double start = bench::cpuSeconds();
        for (int i = 0; i < edits; ++i)
            form.Undo1->trigger();
        return (bench::cpuSeconds() - start) / edits;
    };
    double editSeconds = timeEdits();
    const double heldAfter = double(form.history().heldBytes());
    double undoSeconds = timeUndos();
    if (form.Edit1->text() != QString() || held != heldAfter) {
        bench::fail("the edits were not undone, or a step copied the dial");
        return bench::exitStatus();
    }
    // Edits and undos alternately, the best of each: a busy neighbour does not fall on one side
    // of the ratio only. Each block of edits drops the steps the undos left to redo.
    for (int a = 1; a < (bench::quick() ? 1 : 5); ++a) {
        editSeconds = std::min(editSeconds, timeEdits());
        undoSeconds = std::min(undoSeconds, timeUndos());
    }
    bench::printCase("title edit (a step of the history)", editSeconds, project, "B");
    bench::printCase("undo of a title edit", undoSeconds, project, "B");
    bench::printAtMost("history memory after 100 edits / the project", heldAfter / project, 1.1);
    bench::printRatio("undo / the edit it undoes", undoSeconds, editSeconds, 1.0);

    // The recovery copy against one save of the same project.
    form.Edit1->setText(QStringLiteral("recovery"));
    const bench::PairTimes t = bench::alternately([&] { form.writeRecoveryNow(); },
                                                  [&] { form.WriteDataFile(dir.filePath("saved.pdl")); }, 3, 0.5, 1);
    bench::printCase("recovery copy", t.ours, project, "B");
    bench::printCase("save (plain data file)", t.peer, project, "B");
    bench::printRatio("recovery copy / save", t.ours, t.peer, 1.0);
    return bench::exitStatus();
}
