// The clock project as the user builds it: the default clock, loading dials and hands, putting the
// built-in pictures back.
#include "tests/editor/EditorFixture.h"

#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/ScrollBox.h"
#include "editor/clock/BuiltinPictures.h"

#include "datafile/ClockProjectFile.h"
#include "platform/ByteOrder.h"
#include "platform/FrameworkError.h"
#include "rotateimage/RotateImage.h"

#include <QFile>
#include <QTimer>

using namespace dw;
using namespace dw::test;

namespace {

QByteArray streamBytes(const TMemoryStream& s) { return QByteArray(reinterpret_cast<const char*>(s.Memory()), qsizetype(s.size())); }

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

struct Pivot {
    int32_t x, y;
    friend bool operator==(const Pivot&, const Pivot&) = default;
};
Pivot pivotOf(const TRotateImage* r) { return {r->PivotX(), r->PivotY()}; }

class ClockProject : public EditorFixture {
protected:
    void expectCentres(QPoint centre)
    {
        EXPECT_EQ(form->hourCenter(), centre);
        EXPECT_EQ(form->minCenter(), centre);
        EXPECT_EQ(form->secCenter(), centre);
    }
};

} // namespace

TEST_F(ClockProject, DefaultProjectHasTheBuiltinClock)
{
    EXPECT_EQ(form->ClockPanel->geometry(), QRect(10, 10, 200, 200));
    EXPECT_EQ(form->ScrollBox1->horzRange(), 220);
    EXPECT_EQ(form->ScrollBox1->vertRange(), 220);
    expectCentres({100, 100});
    EXPECT_EQ(pivotOf(form->SNeedleImage), (Pivot{7, 70}));
    EXPECT_EQ(pivotOf(form->LNeedleImage), (Pivot{7, 90}));
    EXPECT_EQ(pivotOf(form->SecNeedleImage), (Pivot{6, 90}));
    for (TRotateImage* r : {form->RotateImage1, form->SNeedleImage, form->LNeedleImage, form->SecNeedleImage}) {
        EXPECT_FALSE(r->Visible());
        EXPECT_EQ(r->Parent(), form->ClockPanel);
        EXPECT_EQ(r->Align(), alClient);
        EXPECT_EQ(r->BoundsRect(), (TRect{0, 0, 200, 200})) << "the renderers fill the panel";
    }
    for (TRotateImage* hand : {form->SNeedleImage, form->LNeedleImage, form->SecNeedleImage}) {
        EXPECT_TRUE(hand->Transparent());
        EXPECT_TRUE(hand->Pivot());
    }
    EXPECT_EQ(form->RotateImage1->Bitmap().Width(), 200);
    EXPECT_EQ(form->SNeedleImage->Bitmap().Height(), 70);
    EXPECT_EQ(form->SecNeedleImage->Bitmap().Width(), 13);
    EXPECT_EQ(form->previewPicture().size(), QSize(200, 200)) << "the preview canvas is sized to the panel";
    EXPECT_EQ(form->bkgStream().size(), 0);
    EXPECT_EQ(form->hourStream().size(), 0);
    EXPECT_FALSE(form->modified());
    EXPECT_FALSE(form->New1->isEnabled());
    EXPECT_TRUE(form->Timer1->isActive()) << "the preview turns from start-up";
}

TEST_F(ClockProject, LoadedDialSizesThePanelAndResetsTheCentres)
{
    const QString wide = bmp("wide.bmp", filledImage(300, 200, Qt::darkGreen));
    choose(form->Background1, wide);
    EXPECT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
    EXPECT_EQ(streamBytes(form->bkgStream()), fileBytes(wide)) << "the file's bytes, unchanged";
    EXPECT_EQ(form->ClockPanel->geometry(), QRect(10, 10, 300, 200));
    EXPECT_EQ(form->ScrollBox1->horzRange(), 320);
    EXPECT_EQ(form->ScrollBox1->vertRange(), 220);
    expectCentres({150, 100});
    EXPECT_EQ(pivotOf(form->SNeedleImage), (Pivot{7, 70}));
    EXPECT_EQ(pivotOf(form->LNeedleImage), (Pivot{7, 90}));
    EXPECT_EQ(pivotOf(form->SecNeedleImage), (Pivot{6, 90}));
    EXPECT_EQ(form->previewPicture().size(), QSize(300, 200));
    EXPECT_TRUE(form->modified());
    EXPECT_TRUE(form->New1->isEnabled());

    choose(form->Background1, bmp("small.bmp", filledImage(150, 150, Qt::darkGreen)));
    EXPECT_EQ(form->ClockPanel->geometry(), QRect(10, 10, 150, 150));
    expectCentres({75, 75});
}

TEST_F(ClockProject, BuiltinHandsKeepTheirOwnHolesOnADialOfAnySize)
{
    setCompress(false);
    const QColor face(240, 230, 200);
    for (const int side : {150, 200, 300, 1000}) {
        SCOPED_TRACE(side);
        choose(form->Background1, bmp(QStringLiteral("dial%1.bmp").arg(side), filledImage(side, side, face)));
        const QPoint centre(side / 2, side / 2);
        expectCentres(centre);
        EXPECT_EQ(pivotOf(form->SNeedleImage), (Pivot{7, 70}));
        EXPECT_EQ(pivotOf(form->LNeedleImage), (Pivot{7, 90}));
        EXPECT_EQ(pivotOf(form->SecNeedleImage), (Pivot{6, 90}));

        // At noon the hour and minute hands stand on the centre, their holes at their feet.
        now = QTime(12, 0, 0);
        form->Timer1Timer();
        const QImage preview = form->previewPicture();
        ASSERT_EQ(preview.size(), QSize(side, side));
        EXPECT_NE(QColor(preview.pixel(centre + QPoint(0, -2))), face) << "the hands reach the centre";
        EXPECT_NE(QColor(preview.pixel(centre + QPoint(0, -80))), face) << "the minute hand, 90 long";
        EXPECT_EQ(QColor(preview.pixel(centre + QPoint(0, 3))), face) << "nothing below the centre";

        const QString path = file(QStringLiteral("dial%1.pdl").arg(side));
        choose(form->Save1, path);
        const ClockProjectReading saved = readClockProjectFile(path);
        ASSERT_TRUE(saved.project) << qPrintable(saved.problem);
        const DataFileHeader& header = saved.project->header;
        EXPECT_EQ(header.hourPivot, QPoint(7, 70));
        EXPECT_EQ(header.minPivot, QPoint(7, 90));
        EXPECT_EQ(header.secPivot, QPoint(6, 90));
        for (const QPoint& c : {header.hourCenter, header.minCenter, header.secCenter})
            EXPECT_EQ(c, centre);
    }
}

TEST_F(ClockProject, LoadedHandTakesHalfItsWidthAsPivotUntilTheNextDial)
{
    choose(form->N2, bmp("hour.bmp", handImage(21, 60)));
    EXPECT_EQ(pivotOf(form->SNeedleImage), (Pivot{10, 70})) << "PivotY is kept";
    EXPECT_EQ(form->hourStream().size(), fileBytes(file("hour.bmp")).size());
    EXPECT_EQ(form->SNeedleImage->Bitmap().Width(), 15) << "Bitmap keeps the built-in hand";
    expectCentres({100, 100});
    EXPECT_TRUE(form->modified());

    choose(form->Background1, bmp("dial.bmp", filledImage(150, 150, Qt::gray)));
    EXPECT_EQ(pivotOf(form->SNeedleImage), (Pivot{7, 52})) << "a dial load puts the default holes back";
    EXPECT_EQ(form->hourStream().size(), fileBytes(file("hour.bmp")).size()) << "the hand stays loaded";
}

// Each hand loads into its own stream, with half its width as its pivot's x; its built-in picture
// put back keeps the pivot and changes nothing to save.
TEST_F(ClockProject, EachHandLoadsIntoItsOwnStreamAndItsBuiltinKeepsThePivot)
{
    const struct {
        QAction *load, *builtin;
        TRotateImage* renderer;
        const TMemoryStream& stream;
        const char* name;
        QSize size;
        Pivot pivot;
    } hands[] = {
        {form->N2, form->N12, form->SNeedleImage, form->hourStream(), "hour.bmp", {21, 60}, {10, 70}},
        {form->N3, form->N14, form->LNeedleImage, form->minStream(), "minute.bmp", {31, 80}, {15, 90}},
        {form->N4, form->N16, form->SecNeedleImage, form->secStream(), "second.bmp", {5, 20}, {2, 90}},
    };
    for (const auto& hand : hands)
        choose(hand.load, bmp(hand.name, handImage(hand.size.width(), hand.size.height())));
    for (const auto& hand : hands) {
        SCOPED_TRACE(hand.name);
        EXPECT_EQ(pivotOf(hand.renderer), hand.pivot);
        EXPECT_EQ(streamBytes(hand.stream), fileBytes(file(hand.name)));
    }
    form->SetModified(false);
    for (const auto& hand : hands) {
        SCOPED_TRACE(hand.name);
        hand.builtin->trigger();
        EXPECT_EQ(hand.stream.size(), 0);
        EXPECT_EQ(pivotOf(hand.renderer), hand.pivot);
        EXPECT_FALSE(form->modified()) << "putting a built-in picture back changes nothing to save";
    }
}

TEST_F(ClockProject, BuiltinDialPutBackDoesNotMarkModified)
{
    choose(form->Background1, bmp("wide.bmp", filledImage(300, 200, Qt::darkGreen)));
    form->SetModified(false);
    form->N10->trigger();
    EXPECT_FALSE(form->modified());
    EXPECT_EQ(form->bkgStream().size(), 0);
    EXPECT_EQ(form->ClockPanel->geometry(), QRect(10, 10, 200, 200));
    expectCentres({100, 100});
    EXPECT_EQ(form->clockRgn(), CreateRoundRectRgn(0, 0, 200, 200, 200, 200))
        << "the shape follows the track bars, not the dial";
}

TEST_F(ClockProject, UnreadablePictureLeavesTheProjectAsItWas)
{
    choose(form->N2, bmp("hour.bmp", handImage(21, 60)));
    form->SetModified(false);
    const QByteArray hourBefore = streamBytes(form->hourStream());
    const TRegion shapeBefore = form->clockRgn();

    const QString gone = file("gone.bmp"); // chosen, then removed before it could be read
    for (QAction* command : {form->Background1, form->N2, form->N3, form->N4}) {
        ui.clearLog();
        choose(command, gone);
        ASSERT_EQ(ui.errors().size(), 1) << qPrintable(command->objectName());
        EXPECT_EQ(ui.errors()[0], stock::fileOpenError(gone));
    }
    EXPECT_FALSE(form->modified());
    EXPECT_EQ(streamBytes(form->hourStream()), hourBefore);
    EXPECT_EQ(form->bkgStream().size(), 0);
    EXPECT_EQ(pivotOf(form->SNeedleImage), (Pivot{10, 70}));
    EXPECT_EQ(form->ClockPanel->geometry(), QRect(10, 10, 200, 200));
    EXPECT_EQ(form->clockRgn(), shapeBefore);
}

TEST_F(ClockProject, CancelledPictureDialogChangesNothing)
{
    for (QAction* command : {form->Background1, form->N2, form->N3, form->N4, form->M1}) {
        ui.answerFile(std::nullopt);
        command->trigger();
    }
    EXPECT_FALSE(form->modified());
    EXPECT_TRUE(ui.errors().isEmpty());
    EXPECT_EQ(form->hourStream().size(), 0);
}

TEST_F(ClockProject, ATopDownDialKeptAsItIsGetsAPanelOfItsSize)
{
    // A top-down picture states its height negated: kept unconverted, the panel takes its
    // magnitude.
    QByteArray topDown = bmpFile(filledImage(120, 90, Qt::darkCyan));
    writeLE32s(reinterpret_cast<uint8_t*>(topDown.data()) + 22, -90);
    QFile down(file("down.bmp"));
    ASSERT_TRUE(down.open(QIODevice::WriteOnly));
    down.write(topDown);
    down.close();
    ui.answerMessage(seam::IDCANCEL); // not converted
    choose(form->Background1, file("down.bmp"));
    EXPECT_EQ(form->bkgStream().size(), topDown.size()) << "the bytes are kept as they are";
    EXPECT_EQ(form->ClockPanel->geometry(), QRect(10, 10, 120, 90));
    expectCentres({60, 45});
}
