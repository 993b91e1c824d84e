// The editor's memory with a big dial: the peak of the editor's own main window in a child
// process (getrusage) over loading a 4096 × 4096 24-bit bitmap dial (48 MiB) through the menu,
// opening the positioning dialog, undo, redo and a save, against the rule of at most 5 times
// the picture's file size plus 64 MiB. The peak right after the load is printed too.
//
//   bench_bigdial                           the benchmark
//   bench_bigdial --session DIAL OUT STEPS  the editor's session (the child it measures), up to
//                                           STEPS steps: 1 load, 2 positioning, 3 undo and redo,
//                                           4 save

#include "BenchEditor.h"
#include "BenchPictures.h"
#include "BenchTimer.h"

#include "tests/editor/TestPictures.h"
#include "tests/support/ChildUsage.h"

#include <QAction>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace dw;

namespace {

constexpr int64_t kMiB = int64_t(1) << 20;

// The picture as a 24-bit bottom-up bitmap file, as an image editor saves it.
QByteArray bitmapFileOf(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const int64_t rowBytes = (int64_t(rgb.width()) * 3 + 3) / 4 * 4;
    const int64_t size = 54 + rowBytes * rgb.height();
    QByteArray file(qsizetype(size), '\0');
    auto put = [&file](int at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file[at + i] = char(v >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put(2, uint32_t(size), 4), put(10, 54, 4), put(14, 40, 4), put(18, uint32_t(rgb.width()), 4);
    put(22, uint32_t(rgb.height()), 4), put(26, 1, 2), put(28, 24, 2), put(34, uint32_t(rowBytes * rgb.height()), 4);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* from = rgb.constScanLine(rgb.height() - 1 - y);
        char* to = file.data() + 54 + rowBytes * y;
        for (int x = 0; x < rgb.width(); ++x) { // RGB to the file's BGR
            to[3 * x] = char(from[3 * x + 2]);
            to[3 * x + 1] = char(from[3 * x + 1]);
            to[3 * x + 2] = char(from[3 * x]);
        }
    }
    return file;
}

int session(char** argv)
{
    const int steps = std::atoi(argv[4]);
    // The editor sees no argument of the session's (it would take one for a file to open).
    int one = 1;
    bench::EditorBench editor(one, argv);
    TMainForm& form = editor.form;
    seam::ScriptedHandler& ui = editor.ui;
    ui.answerFile(QString::fromLocal8Bit(argv[2]));
    form.Background1->trigger();
    QCoreApplication::processEvents();
    if (steps >= 2) {
        ui.answerModal([](QObject& dialog) {
            auto& positioning = static_cast<QWidget&>(dialog);
            positioning.show();
            QCoreApplication::processEvents();
            positioning.grab(); // drawn as it shows
            positioning.hide();
            return seam::mrOk;
        });
        form.GoTo1->trigger();
    }
    if (steps >= 3) {
        form.Undo1->trigger();
        form.Redo1->trigger();
        QCoreApplication::processEvents();
    }
    if (steps >= 4) {
        // The save says that it saved; nothing else may be said.
        if (!ui.messages().isEmpty() || !ui.errors().isEmpty())
            return 3;
        ui.answerFile(QString::fromLocal8Bit(argv[3]));
        form.Save1->trigger();
        if (!QFileInfo(QString::fromLocal8Bit(argv[3])).isFile())
            return 2;
    }
    if (steps < 4 && (!ui.messages().isEmpty() || !ui.errors().isEmpty()))
        return 3;
    return ui.errors().isEmpty() ? 0 : 3;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--session") == 0)
        return session(argv);

    QCoreApplication app(argc, argv);
    const int side = bench::quick() ? 1024 : 4096;
    QTemporaryDir dir;
    const QString dial = dir.filePath(QStringLiteral("dial.bmp"));
    if (!dw::test::writeWhole(dial, bitmapFileOf(bench::dialImage(side, QColor(0, 128, 0), QColor(60, 40, 30))))) {
        bench::fail("the dial could not be written");
        return bench::exitStatus();
    }
    const int64_t fileBytes = QFileInfo(dial).size();
    const double rule = double(5 * fileBytes + 64 * kMiB);
    std::printf("bench_bigdial: a %d × %d 24-bit dial of %.1f MiB; the rule 5 × file + 64 MiB is %.0f MiB\n", side, side,
                double(fileBytes) / kMiB, rule / kMiB);
    static const char* const kSteps[] = {"", "loaded", "positioning dialog opened", "undone and redone", "saved"};
    double peak = 0;
    for (int steps = 1; steps <= 4; ++steps) {
        const dw::test::ChildUsage usage = dw::test::runMeasured(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--session"), dial, dir.filePath(QStringLiteral("saved.pdl")), QString::number(steps)});
        if (usage.exitCode != 0) {
            bench::fail("the editor's session did not end well");
            return bench::exitStatus();
        }
        std::printf("  peak up to %-28s %7.1f MiB, %5.2f s\n", kSteps[steps], double(usage.peakBytes) / kMiB, usage.cpuSeconds);
        peak = double(usage.peakBytes);
    }
    bench::printAtMost("editor's peak / (5 × the dial's file + 64 MiB)", peak / rule, 1.0);
    return bench::exitStatus();
}
