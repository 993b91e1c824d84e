// Picture files taken into the project: where the picture dialog opens, through a restart, and
// pictures in the forms drawing programs save, whether chosen in the dialog or dropped.
#include "tests/editor/EditorFixture.h"

#include "editor/files/SettingsLocation.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/PreviewBox.h"

#include "platform/ByteOrder.h"

#include "platform/ProfileFile.h"

#include "tests/support/TestFiles.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

class PictureFiles : public EditorFixture {
protected:
    QString folder(const QString& name) const
    {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    }
    void cancel(QAction* item)
    {
        ui.answerFile(std::nullopt);
        item->trigger();
    }
    // Whether a drag of the file is taken on entering the window.
    bool accepts(const QString& path) { return dropOn(form->ClockImage, path, false); }
    // The folder the last file dialog was asked to open in.
    QString lastStartFolder() const
    {
        const auto dialogs = ui.records(Kind::FileDialog);
        return dialogs.empty() ? QStringLiteral("(no dialog)") : dialogs.back().file.initialDir;
    }
};

} // namespace

TEST_F(PictureFiles, ThePictureDialogOpensInTheFolderOfThePictureTakenLastAlsoAfterARestart)
{
    const QString dials = folder("dials"), hands = folder("hands"), elsewhere = folder("elsewhere");
    const QString dial = bmp("dials/round.bmp", filledImage(80, 80, Qt::blue));
    const QString hand = bmp("hands/hour.bmp", handImage(9, 30));
    writeFile(elsewhere + "/broken.bmp", Bytes{'B', 'M', 1, 2});

    choose(form->Background1, dial);
    EXPECT_EQ(lastStartFolder(), QString()) << "nothing taken yet: no folder of its own";
    choose(form->N2, hand);
    EXPECT_EQ(lastStartFolder(), dials);
    // Cancelled, and a file refused: the folder stays that of the picture taken.
    cancel(form->M1);
    EXPECT_EQ(lastStartFolder(), hands);
    choose(form->N3, elsewhere + "/broken.bmp");
    EXPECT_EQ(ui.records(Kind::MessageBox).size(), 1u) << "refused";
    cancel(form->N4);
    EXPECT_EQ(lastStartFolder(), hands);
    // A dropped picture is taken as well.
    drop(dial, 3);
    ui.answerModal([](QObject&) { return seam::mrOk; });
    cancel(form->Load5);
    EXPECT_EQ(lastStartFolder(), dials);
    EXPECT_EQ(form->pictureFolder(), dials);

    form.reset(); // the settings are written at the end of the run
    EXPECT_EQ(ProfileFile(settingsLocation().path).readString("Option", "PictureFolder").value_or(""), dials);
    form = std::make_unique<TMainForm>();
    cancel(form->N2);
    EXPECT_EQ(lastStartFolder(), dials);
}

TEST_F(PictureFiles, AFolderThatIsNoWholePathInTheSettingsIsIgnored)
{
    form.reset();
    {
        ProfileFile ini(settingsLocation().path);
        ini.WriteString("Option", "PictureFolder", "relative/pictures");
        ini.UpdateFile();
    }
    form = std::make_unique<TMainForm>();
    cancel(form->Background1);
    EXPECT_EQ(lastStartFolder(), QString());
}

TEST_F(PictureFiles, AConversionAgreedToIsNotAskedAgainForThatFileInTheRun)
{
    QImage drawn(20, 10, QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    for (int x = 5; x < 15; ++x)
        drawn.setPixel(x, 5, qRgba(0, 0, 0, 255));
    const QString png = file("dial.png"), other = file("other.png");
    writeFile(png, bytesOf(pngOf(drawn)));
    writeFile(other, bytesOf(pngOf(drawn)));
    QFile::link(png, file("link.png"));

    const auto questions = [this] { return ui.records(Kind::MessageBox).size(); };
    ui.answerMessage(seam::IDCANCEL);
    choose(form->Background1, png);
    EXPECT_EQ(questions(), 1u);
    EXPECT_EQ(bytesOf(form->bkgStream()), readFile(png)) << "declined: kept as it is";
    ui.answerMessage(seam::IDOK);
    choose(form->Background1, png);
    EXPECT_EQ(questions(), 2u) << "declined before: asked again";
    const Bytes converted = bytesOf(form->bkgStream());
    ASSERT_NE(converted, readFile(png));

    // Agreed: the same file, by the menu, dropped or by another name, is converted at once.
    choose(form->N2, png);
    drop(png, 3);
    choose(form->N4, file("link.png"));
    EXPECT_EQ(questions(), 2u);
    for (const TMemoryStream* stream : {&form->hourStream(), &form->minStream(), &form->secStream()})
        EXPECT_EQ(bytesOf(*stream), converted);
    // Another file with the same pixels is asked for.
    choose(form->N2, other);
    EXPECT_EQ(questions(), 3u);
    // A new run asks again.
    form = std::make_unique<TMainForm>();
    choose(form->Background1, png);
    EXPECT_EQ(questions(), 4u);
}

TEST_F(PictureFiles, PicturesOfEveryKindDroppedGoThroughTheMenusCheckAndQuestion)
{
    QImage picture(12, 8, QImage::Format_RGB32);
    picture.fill(qRgb(200, 40, 40));
    const struct {
        const char* name;
        const char* format;
    } kinds[] = {{"dial.png", "PNG"}, {"dial.jpg", "JPEG"}, {"dial.JPEG", "JPEG"}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.name);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, kind.format);
        const QString path = file(kind.name);
        writeFile(path, Bytes(bytes.begin(), bytes.end()));
        ui.clearLog();
        form->N10->trigger();
        ui.answerMessage(seam::IDOK);
        drop(path, 0);
        const auto menus = ui.records(Kind::MenuChoice);
        ASSERT_EQ(menus.size(), 1u) << "the picture's menu";
        EXPECT_EQ(menus[0].caption, "PictureDropMenu");
        const auto boxes = ui.records(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("時計で表示できない形式"))) << qPrintable(boxes[0].text);
        EXPECT_EQ(form->ClockPanel->size(), QSize(12, 8)) << "converted and laid out as from the menu";
        ASSERT_GE(form->bkgStream().size(), 54);
        EXPECT_EQ(readLE16(form->bkgStream().Memory() + 28), 24);
    }
    // A GIF is taken too; a file of another kind is not.
    writeFile(file("anim.gif"), Bytes{'G', 'I', 'F'});
    writeFile(file("photo.tiff"), Bytes{'I', 'I'});
    EXPECT_TRUE(accepts(file("anim.gif")));
    EXPECT_FALSE(accepts(file("photo.tiff")));
}

TEST_F(PictureFiles, ADialWithATransparentBackgroundIsShapedByItAndItsQuestionSaysWhenItCannotBe)
{
    // A disc on a transparent background, drawn in black: the shape is the disc, black and all.
    QImage disc(40, 40, QImage::Format_ARGB32);
    disc.fill(Qt::transparent);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if ((x - 20) * (x - 20) + (y - 20) * (y - 20) < 18 * 18)
                disc.setPixel(x, y, (x + y) % 7 ? qRgba(0, 0, 0, 255) : qRgba(250, 240, 230, 200));
    writeFile(file("disc.png"), bytesOf(pngOf(disc)));
    ui.answerMessage(seam::IDOK);
    choose(form->Background1, file("disc.png"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("128 未満の点は透明"))) << qPrintable(ui.messages()[0]);
    EXPECT_FALSE(ui.messages()[0].contains(QStringLiteral("透けて見えません")));
    const QRegion shape = form->clockRgn().qregion();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            EXPECT_EQ(shape.contains(QPoint(x, y)), qAlpha(disc.pixel(x, y)) >= 128) << x << "," << y;

    // Drawn to the bottom-left corner: the question says the transparent parts stay.
    disc.setPixel(0, 39, qRgba(10, 20, 30, 255));
    writeFile(file("corner.png"), bytesOf(pngOf(disc)));
    ui.clearLog();
    ui.answerMessage(seam::IDCANCEL);
    choose(form->Background1, file("corner.png"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("透明な部分は時計で透けて見えません（赤 255・緑 0・青 255 の色で塗られます）")))
        << qPrintable(ui.messages()[0]);
}
