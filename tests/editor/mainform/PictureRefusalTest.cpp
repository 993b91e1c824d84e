// Pictures that are not whole never reach the project: cut short, no picture at all, or with a
// header that lies, whether chosen in a menu or dropped on the window, as a dial, a hand, a mask
// or an animation strip. One message names the file and says why; nothing else changes.
#include "tests/editor/EditorFixture.h"

#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"
#include "platform/ByteOrder.h"
#include "rotateimage/RotateImage.h"

#include "tests/support/TestFiles.h"

#include <QApplication>
#include <QBuffer>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

QImage pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    return image;
}

Bytes encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytesOf(bytes);
}

Bytes cut(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + std::ptrdiff_t(n)); }

// Everything a refused picture must leave as it was.
struct ProjectState {
    Bytes dial, hour, minute, second, strip;
    QPoint hourCentre, hourPivot;
    std::optional<TRegion> shape;
    QImage preview;
    QSize panel;
    bool modified = false;
    friend bool operator==(const ProjectState&, const ProjectState&) = default;
};

class PictureRefusal : public EditorFixture {
protected:
    ProjectState state() const
    {
        return {bytesOf(form->bkgStream()),
                bytesOf(form->hourStream()),
                bytesOf(form->minStream()),
                bytesOf(form->secStream()),
                bytesOf(form->slotRecord(5)),
                form->hourCenter(),
                {form->SNeedleImage->PivotX(), form->SNeedleImage->PivotY()},
                form->clockRgn(),
                form->previewPicture().convertToFormat(QImage::Format_RGB32),
                form->ClockPanel->size(),
                form->modified()};
    }
};

} // namespace

TEST_F(PictureRefusal, PicturesThatAreNotWholeAreRefusedWhereverTheyComeFromAndChangeNothing)
{
    // A project with pictures of its own and a strip, saved: a refusal must keep all of it.
    choose(form->Background1, bmp("dial.bmp", pattern(120, 100)));
    choose(form->N2, bmp("hour.bmp", handImage(11, 50)));
    ui.answerModal([](QObject&) { return seam::mrOk; });
    choose(form->Load5, bmp("strip.bmp", pattern(40, 20)));
    form->SetModified(false);
    form->Timer1Timer();

    const Bytes bitmap300 = bytesOf(bmpFile(pattern(300, 300)));
    const Bytes png = encoded(pattern(60, 40), "PNG");
    const Bytes jpeg = encoded(pattern(60, 40), "JPEG");
    Bytes huge = bytesOf(bmpFile(pattern(8, 8)));
    writeLE32s(huge.data() + 18, 100000);
    writeLE32s(huge.data() + 22, 100000);
    Bytes sevenBits = bytesOf(bmpFile(pattern(8, 8)));
    writeLE16(sevenBits.data() + 28, 7);
    Bytes negativeWidth = bytesOf(bmpFile(pattern(8, 8)));
    writeLE32s(negativeWidth.data() + 18, -8);
    const struct {
        const char* name;
        Bytes bytes;
        const char* why;
        qint64 sparseSize = 0; // the file made this long, with holes, after its bytes
    } files[] = {
        {"first-1000-bytes.bmp", cut(bitmap300, 1000), "壊れている"},
        {"half-a-bitmap.bmp", cut(bitmap300, bitmap300.size() / 2), "壊れている"},
        {"notes.bmp", {'m', 'y', ' ', 'c', 'l', 'o', 'c', 'k', '\n'}, "画像ではない"},
        {"huge.bmp", huge, "大きすぎる"},
        {"seven-bits.bmp", sevenBits, "壊れている"},
        {"negative-width.bmp", negativeWidth, "壊れている"},
        {"cut-png.bmp", cut(png, png.size() * 2 / 3), "壊れている"}, // judged by the bytes, not the name
        {"cut-jpeg.bmp", cut(jpeg, jpeg.size() * 2 / 3), "壊れている"},
        // Beyond what the editor can hold: judged by its first bytes, never read.
        {"three-gigabytes.bmp", {'m', 'y', ' ', 'c', 'l', 'o', 'c', 'k', '\n'}, "画像ではない", qint64(3) << 30},
    };
    const ProjectState before = state();
    // The menu commands (dial, hour hand, mask, minute animation) and the same targets dropped.
    const struct {
        const char* what;
        QAction* item;
        int dropChoice; // in the drop menu: 文字盤, 型紙, 時針, 分針, 秒針, 分のアニメーション, …
    } ways[] = {{"dial", form->Background1, 0}, {"mask", form->M1, 1}, {"hour hand", form->N2, 2},
                {"minute animation", form->Load5, 5}};
    for (const auto& f : files) {
        const QString path = file(QString::fromUtf8(f.name));
        writeFile(path, f.bytes);
        if (f.sparseSize) {
            ASSERT_TRUE(QFile::resize(path, f.sparseSize));
        }
        for (const auto& way : ways) {
            for (const bool dropped : {false, true}) {
                SCOPED_TRACE(std::string(f.name) + " as " + way.what + (dropped ? ", dropped" : ", from the menu"));
                ui.clearLog();
                if (dropped)
                    drop(path, way.dropChoice);
                else
                    choose(way.item, path);
                const auto boxes = ui.records(Kind::MessageBox);
                ASSERT_EQ(boxes.size(), 1u) << "one message, no conversion offered";
                EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("「%1」は").arg(f.name))) << qPrintable(boxes[0].text);
                EXPECT_TRUE(boxes[0].text.contains(QString::fromUtf8(f.why))) << qPrintable(boxes[0].text);
                EXPECT_EQ(boxes[0].flags, unsigned(seam::MB_OK | seam::MB_ICONWARNING));
                EXPECT_TRUE(ui.errors().isEmpty());
                EXPECT_TRUE(ui.records(Kind::ModalDialog).empty()) << "the animation dialog is not shown";
                EXPECT_TRUE(state() == before) << "the project, its flag and the preview are unchanged";
            }
        }
    }
}

TEST_F(PictureRefusal, TheConversionIsOfferedForWholePicturesWithOkAsTheAnswer)
{
    // A whole JPEG: the offer comes, OK is its default button, and the converted bitmap holds
    // the file's picture.
    const QImage picture = pattern(30, 20);
    const QString path = file("photo.jpg");
    writeFile(path, encoded(picture, "JPEG"));
    choose(form->Background1, path);
    const auto boxes = ui.records(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("（JPEG）"))) << qPrintable(boxes[0].text);
    EXPECT_EQ(boxes[0].flags, unsigned(seam::MB_OKCANCEL | seam::MB_ICONQUESTION)) << "OK is the default";
    EXPECT_EQ(boxes[0].result, seam::IDOK);
    const Bytes stored = bytesOf(form->bkgStream());
    ASSERT_GE(stored.size(), 54u);
    EXPECT_EQ(readLE16(stored.data() + 28), 24);
    EXPECT_EQ(form->ClockPanel->size(), QSize(30, 20));
    EXPECT_TRUE(form->modified());
}
