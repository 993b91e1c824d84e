// A clock's sources in the editor: saved as a folder with clock.toml that names the files the
// pictures came from, built into the clock the editor saves, opened again with its pictures
// linked; a manifest that cannot be built changes nothing.
#include "tests/editor/EditorFixture.h"

#include "datafile/ClockManifest.h"
#include "datafile/DataFileSource.h"
#include "editor/clock/ClockSources.h"
#include "rotateimage/RotateImage.h"

#include "tests/platform/WaveBytes.h"
#include "tests/support/TestFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

using namespace dw;
using namespace dw::test;

namespace {

using Members = std::vector<Bytes>;

Members membersOf(const QString& path)
{
    const OpenedDataFile opened = openDataFile(readFile(path));
    EXPECT_TRUE(opened.readable()) << qPrintable(opened.unreadable);
    return opened.image.members;
}

// The header without its Date line: a save and a build a moment apart differ only there.
std::string undated(const Bytes& header)
{
    std::string text(header.begin(), header.end());
    return text.substr(0, text.find("Date="));
}

ClockManifest manifestAt(const QString& path)
{
    const Bytes bytes = readFile(path);
    const ManifestReading reading = readClockManifest(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    EXPECT_TRUE(reading.manifest) << qPrintable(reading.error);
    return reading.manifest.value_or(ClockManifest{});
}

class Sources : public EditorFixture {
protected:
    // A clock made with the commands: a PNG dial with transparency (converted), a bitmap hour
    // hand, every sound state, an embedded strip from a file, options and texts.
    void makeClock()
    {
        QDir().mkpath(file("art"));
        QImage dial = filledImage(120, 100, Qt::darkBlue);
        dial = dial.convertToFormat(QImage::Format_ARGB32);
        dial.setPixelColor(0, 99, QColor(0, 0, 0, 0));
        writeWhole(file("art/dial.png"), pngOf(dial));
        ui.answerMessage(seam::IDOK); // convert it
        choose(form->Background1, file("art/dial.png"));
        choose(form->N2, bmp("art/hour.bmp", handImage(9, 40)));
        form->SNeedleImage->SetPivotX(4);
        form->SNeedleImage->SetPivotY(33);
        writeFile(file("art/chime.wav"), pcm8Wave(Bytes(200, 0x80)));
        choose(form->Load2, file("art/chime.wav"));
        ui.answerModal([](QObject& dialog) {
            static_cast<TStringDlg&>(dialog).Edit1->setText(QStringLiteral("チャイム.wav"));
            return seam::mrOk;
        });
        form->byFileName3->trigger();
        form->Silent1->trigger();
        ui.answerModal([](QObject&) { return seam::mrOk; });
        choose(form->Load7, bmp("art/strip.bmp", filledImage(40, 10, Qt::red)));
        form->Silent5->trigger();
        form->Edit1->setText(QStringLiteral("夜の時計"));
        form->Memo1->setPlainText(QStringLiteral("作者: 私\n\"second\" line"));
        form->Yes1->setChecked(true);
        form->No3->setChecked(true);
        form->ExtrudeHand1->trigger();
        ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    }
    void saveSources(const QString& manifest)
    {
        choose(form->SaveSources1, manifest);
        ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    }
};

} // namespace

TEST_F(Sources, SavedAsSourcesBuildsTheClockTheEditorSavesAndOpensAgainLinked)
{
    makeClock();
    const QString saved = file("saved.pdl");
    choose(form->Save1, saved);
    ui.clearLog();
    saveSources(file("src/clock.toml"));
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("保存しました")});
    EXPECT_FALSE(form->modified());
    EXPECT_TRUE(form->recentFiles().contains(file("src/clock.toml")));

    // The pictures that came from files name them; the sounds and the built-in hands go beside.
    const ClockManifest m = manifestAt(file("src/clock.toml"));
    EXPECT_EQ(m.dial, QStringLiteral("../art/dial.png"));
    EXPECT_EQ(m.hands[0].file, QStringLiteral("../art/hour.bmp"));
    EXPECT_EQ(m.hands[0].pivot, QPoint(4, 33));
    EXPECT_TRUE(m.hands[1].file.isEmpty());
    EXPECT_EQ(m.media[6].state, ClockManifest::SlotState::File);
    EXPECT_EQ(m.media[6].file, QStringLiteral("../art/strip.bmp"));
    EXPECT_EQ(m.media[1].file, QStringLiteral("minute.wav"));
    EXPECT_EQ(m.media[2].state, ClockManifest::SlotState::Name);
    EXPECT_EQ(m.media[0].state, ClockManifest::SlotState::Silent);
    EXPECT_EQ(m.media[3].state, ClockManifest::SlotState::Nothing);
    EXPECT_EQ(m.shape, ClockManifest::ShapeKind::Dial);
    EXPECT_FALSE(QFileInfo::exists(file("src/dial.bmp")));
    EXPECT_TRUE(QFileInfo::exists(file("src/minute.wav")));

    // Built, it is the clock the editor saved, member for member (but for the date).
    ClockSourcesBuild built = readClockSources(file("src/clock.toml"));
    ASSERT_TRUE(built.project) << qPrintable(built.error);
    ASSERT_TRUE(writeClockFile(file("built.pdl"), *built.project, false).isEmpty());
    const Members expected = membersOf(saved), got = membersOf(file("built.pdl"));
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        if (i == 5)
            EXPECT_EQ(undated(got[i]), undated(expected[i]));
        else
            EXPECT_TRUE(got[i] == expected[i]) << "member " << i;
    }

    // Another editor opens the manifest: the same clock, unmodified, its pictures linked.
    form = std::make_unique<TMainForm>();
    form->setTimeSource([this] { return now; });
    form->Compress1->setChecked(!m.compress); // the manifest's choice is taken
    ui.clearLog();
    choose(form->Open1, file("src/clock.toml"));
    EXPECT_TRUE(ui.messages().isEmpty()) << qPrintable(ui.messages().join("\n"));
    EXPECT_FALSE(form->modified());
    EXPECT_TRUE(bytesOf(form->bkgStream()) == expected[0]);
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("夜の時計"));
    EXPECT_TRUE(form->Yes1->isChecked());
    EXPECT_EQ(form->Compress1->isChecked(), m.compress);
    EXPECT_EQ(form->linkedFiles()[size_t(LinkedPicture::Dial)], QFileInfo(file("art/dial.png")).absoluteFilePath());
    EXPECT_EQ(form->linkedFiles()[size_t(LinkedPicture::ZeroStrip)], QFileInfo(file("art/strip.bmp")).absoluteFilePath());
    EXPECT_TRUE(form->recentFiles().contains(file("src/clock.toml")));
    // Overwrite does not write a clock file over the manifest: it asks for a name.
    ui.clearLog();
    ui.answerFile(std::nullopt);
    form->Overwrite1->trigger();
    EXPECT_EQ(ui.records(seam::ScriptedHandler::Kind::FileDialog).size(), 1u);
    EXPECT_TRUE(manifestAt(file("src/clock.toml")) == m);
}

TEST_F(Sources, EveryShapeKindIsSavedAndBuiltAsTheEditorCutsIt)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(80, 60, Qt::white)));
    QImage mask = filledImage(80, 60, Qt::white);
    for (int y = 10; y < 30; ++y)
        for (int x = 5; x < 50; ++x)
            mask.setPixelColor(x, y, Qt::black);
    const QString maskFile = bmp("mask.bmp", mask);
    struct Case {
        const char* name;
        std::function<void()> shape;
        ClockManifest::ShapeKind kind;
    };
    const Case cases[] = {
        {"mask", [&] { choose(form->M1, maskFile); }, ClockManifest::ShapeKind::Mask},
        {"rounded", [&] { form->TrackBar1->setValue(7); }, ClockManifest::ShapeKind::Rounded},
        {"none", [&] { form->TrackBar2->setValue(0); }, ClockManifest::ShapeKind::None},
        {"dial", [&] { form->ResetRgnBtn->click(); }, ClockManifest::ShapeKind::Mask},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.shape();
        const QString manifest = file(QStringLiteral("s%1/clock.toml").arg(n++));
        saveSources(manifest);
        const ClockManifest m = manifestAt(manifest);
        // A white dial leaves nothing to cut out: no shape, which the manifest says as such.
        const auto kind = std::string(c.name) == "dial" ? ClockManifest::ShapeKind::None : c.kind;
        EXPECT_EQ(m.shape, kind);
        if (kind == ClockManifest::ShapeKind::Mask) {
            EXPECT_EQ(m.mask, QStringLiteral("../mask.bmp"));
        }
        if (kind == ClockManifest::ShapeKind::Rounded) {
            EXPECT_EQ(m.corners, QPoint(7, 20));
        }
        const ClockSourcesBuild built = readClockSources(manifest);
        ASSERT_TRUE(built.project) << qPrintable(built.error);
        EXPECT_TRUE(regionData(built.project->shape) == regionData(form->clockRgn()));
    }
}

TEST_F(Sources, AFileThatNoLongerHoldsThePictureIsWrittenBesideAndNothingIsReplacedUnasked)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(50, 50, Qt::green)));
    form->AutoReload1->setChecked(false);
    bmp("dial.bmp", filledImage(50, 50, Qt::yellow)); // changed on the disk, not reloaded
    QDir().mkpath(file("out"));
    writeFile(file("out/dial.bmp"), Bytes{1, 2, 3});
    // Asked, and cancelled: nothing is written.
    ui.answerMessage(seam::IDCANCEL);
    saveSources(file("out/clock.toml"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("dial.bmp"))) << qPrintable(ui.messages()[0]);
    EXPECT_FALSE(QFileInfo::exists(file("out/clock.toml")));
    EXPECT_TRUE(readFile(file("out/dial.bmp")) == (Bytes{1, 2, 3}));
    EXPECT_TRUE(form->modified());
    // Agreed: the project's own dial goes beside, and the manifest names it.
    ui.clearLog();
    ui.answerMessage(seam::IDOK);
    saveSources(file("out/clock.toml"));
    EXPECT_EQ(manifestAt(file("out/clock.toml")).dial, QStringLiteral("dial.bmp"));
    EXPECT_TRUE(readFile(file("out/dial.bmp")) == bytesOf(form->bkgStream()));
    EXPECT_EQ(form->linkedFiles()[size_t(LinkedPicture::Dial)], QFileInfo(file("out/dial.bmp")).absoluteFilePath());
}

TEST_F(Sources, AManifestThatCannotBeBuiltLeavesTheProjectAsItWas)
{
    choose(form->Background1, bmp("dial.bmp", filledImage(50, 50, Qt::green)));
    const Bytes before = bytesOf(form->bkgStream());
    const std::string text = "[dial]\nfile = \"gone.bmp\"\n[hands.hour]\npivot = [1, 2]\ncentre = [3, 4]\n"
                             "[hands.minute]\npivot = [1, 2]\ncentre = [3, 4]\n[hands.second]\npivot = [1, 2]\ncentre = [3, 4]\n";
    QDir().mkpath(file("bad"));
    writeFile(file("bad/clock.toml"), Bytes(text.begin(), text.end()));
    ui.clearLog();
    ui.answerMessage(seam::IDOK); // replace the modified project
    choose(form->Open1, file("bad/clock.toml"));
    ASSERT_EQ(ui.messages().size(), 2);
    EXPECT_TRUE(ui.messages()[1].contains(QStringLiteral("「clock.toml」を開けません。"))) << qPrintable(ui.messages()[1]);
    EXPECT_TRUE(ui.messages()[1].contains(QStringLiteral("bad/gone.bmp: no such file"))) << qPrintable(ui.messages()[1]);
    EXPECT_TRUE(bytesOf(form->bkgStream()) == before);
    EXPECT_TRUE(form->modified());
    // Dropped, a manifest opens as from the menu.
    const std::string broken = "title = \n";
    writeFile(file("bad/clock.toml"), Bytes(broken.begin(), broken.end()));
    ui.clearLog();
    ui.answerMessage(seam::IDOK);
    EXPECT_TRUE(dropOn(form->ClockImage, file("bad/clock.toml")));
    ASSERT_EQ(ui.messages().size(), 2);
    EXPECT_TRUE(ui.messages()[1].contains(QStringLiteral("clock.toml:1:"))) << qPrintable(ui.messages()[1]);
}
