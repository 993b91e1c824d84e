// A dial drawn in an image editor and saved again: the reload of a 2048 × 2048 PNG dial with
// transparency in the editor's own main window, from the file's change to the preview drawn (the
// file read and checked whole, converted, put in the project as a step of the history with its
// holes kept and the shape cut again, the preview composed), against Qt reading the same PNG
// and scaling it to half its size with smoothing (each writes the file first), timed alternately in one run. The watch's wait
// for a burst of writes to settle is no work and is left out: the reload is called as the watch
// calls it.

#include "BenchTimer.h"

#include "editor/mainform/EditorUnit.h"
#include "editor/positioning/HandUnit.h"
#include "editor/files/SettingsLocation.h"
#include "media/widgets/AnimDlgUnit.h"
#include "media/widgets/ByFileNameUnit.h"
#include "platform/ScriptedSeam.h"

#include <QAction>
#include <QBuffer>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>

using namespace dw;

namespace {

constexpr int kDial = 2048;

// A round dial with ticks, transparent outside its face; the tick colour tells the two apart.
QImage dialImage(QColor ticks)
{
    QImage image(kDial, kDial, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 235, 210));
    p.drawEllipse(QRectF(8, 8, kDial - 16, kDial - 16));
    p.setBrush(ticks);
    for (int i = 0; i < 60; ++i) {
        p.save();
        p.translate(kDial / 2.0, kDial / 2.0);
        p.rotate(i * 6);
        p.drawRect(QRectF(-6, -kDial / 2.0 + 40, 12, i % 5 ? 60 : 160));
        p.restore();
    }
    return image;
}

QByteArray pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    setSettingsFileOverride(dir.filePath("dialwright.ini"));
    qputenv("XDG_STATE_HOME", dir.filePath("state").toLocal8Bit());
    seam::ScriptedHandler ui;

    TMainForm form;
    THandForm handForm;
    TStringDlg stringDlg;
    TAnimationDlg animationDlg;
    // The reloads are called here, one after the other; the watch would add its own.
    form.AutoReload1->trigger();

    const QByteArray versions[] = {pngOf(dialImage(QColor(60, 40, 30))), pngOf(dialImage(QColor(30, 40, 160)))};
    const QString path = dir.filePath("dial.png");
    if (!writeAll(path, versions[0])) {
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
        writeAll(path, versions[next]);
        next ^= 1;
        form.reloadPicture(LinkedPicture::Dial, path);
    };
    QImage peerImage;
    auto peer = [&] {
        writeAll(path, versions[next]);
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
