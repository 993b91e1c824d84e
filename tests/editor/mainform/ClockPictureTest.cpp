// The time the preview shows and the clock written out as a picture: a fixed time reaching every
// view of the clock, the PNG the File menu writes, and the preview, that PNG and what pdltool
// draws from the saved file agreeing pixel for pixel inside the clock's shape.
#include "tests/editor/EditorFixture.h"

#include "editor/widgets/PictureBox.h"
#include "editor/mainform/ShownTimeDlg.h"
#include "media/widgets/BitmapImage.h"

#include "tests/support/TestFiles.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QLineEdit>
#include <QTimer>

using namespace dw;
using namespace dw::test;

namespace {

class ClockPicture : public EditorFixture {
protected:
    // The time set in the Options menu's dialog, or the live clock (none).
    void showTime(std::optional<QTime> time)
    {
        ui.answerModal([this, time](QObject& dialog) {
            auto& dlg = static_cast<TShownTimeDlg&>(dialog);
            offeredTime = QTime::fromString(dlg.TimeEdit->text(), QStringLiteral("HH:mm:ss"));
            if (time) {
                dlg.TimeEdit->setText(time->toString(QStringLiteral("HH:mm:ss")));
                dlg.OKBtn->click();
            } else {
                dlg.NowBtn->click();
            }
            return int(dlg.result());
        });
        form->ShownTime1->trigger();
    }
    QImage preview() const { return form->previewPicture().convertToFormat(QImage::Format_RGB32); }
    // The preview redrawn with the local clock at a time.
    QImage previewAt(QTime time)
    {
        const std::optional<QTime> kept = form->shownTime();
        const QTime keptNow = now;
        form->setShownTime(std::nullopt);
        now = time;
        form->Timer1Timer();
        const QImage picture = preview();
        now = keptNow;
        form->setShownTime(kept);
        return picture;
    }
    QImage exported(const QString& name)
    {
        choose(form->ExportImage1, file(name));
        return QImage(file(name));
    }
    QImage rendered(const QString& pdl, const QString& time)
    {
        const QString png = file(QStringLiteral("rendered.png"));
        const ProcessResult r = runProcess(QStringLiteral(PDLTOOL_PATH),
                                           {QStringLiteral("render"), pdl, QStringLiteral("--time"), time, QStringLiteral("-o"), png});
        EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
        return QImage(png);
    }

    QTime offeredTime;
};

// A strip of 2 × 1 frames of 20 × 10 for an animation slot.
QString stripFile(const QString& path)
{
    QImage strip(40, 10, QImage::Format_RGB32);
    strip.fill(qRgb(200, 30, 30));
    return writeBmp(path, strip);
}

} // namespace

TEST_F(ClockPicture, AFixedTimeReachesThePreviewThePositioningDialogAndTheAnimationDialog)
{
    const QTime fixed(10, 8, 36);
    const QImage atFixed = previewAt(fixed);
    const QImage atNow = previewAt(now);
    ASSERT_NE(atFixed, atNow);
    form->SetModified(false);

    showTime(fixed);
    EXPECT_EQ(offeredTime, now) << "the dialog offers the time shown";
    EXPECT_EQ(form->shownTime(), fixed);
    EXPECT_EQ(preview(), atFixed) << "the preview at once";
    ASSERT_TRUE(form->ShownTimeLabel);
    EXPECT_TRUE(form->ShownTimeLabel->isVisibleTo(form.get()));
    EXPECT_TRUE(form->ShownTimeLabel->text().contains("10:08:36")) << qPrintable(form->ShownTimeLabel->text());
    EXPECT_FALSE(form->modified()) << "nothing saved changes";

    // The clock goes on, the preview does not: ticks while the positioning dialog is open and
    // the redraw after its OK.
    now = QTime(15, 45, 10);
    form->Timer1->setInterval(5);
    QImage duringPositioning;
    ui.answerModal([&](QObject&) {
        QTest::qWait(60);
        duringPositioning = preview();
        return seam::mrOk;
    });
    form->GoTo1->trigger();
    EXPECT_EQ(duringPositioning, atFixed);
    EXPECT_EQ(preview(), atFixed);

    // The animation settings dialog shows the clock under the strip at the fixed time.
    QImage offeredClock;
    ui.answerModal([&](QObject& dialog) {
        offeredClock = static_cast<TAnimationDlg&>(dialog).ClockImage->Picture().image().convertToFormat(QImage::Format_RGB32);
        return seam::mrCancel;
    });
    choose(form->menuItem("Load5"), stripFile(file("strip.bmp")));
    EXPECT_EQ(offeredClock, atFixed);

    // Cancel keeps the time; the button for the current time returns to the live clock.
    ui.answerModal([](QObject&) { return seam::mrCancel; });
    form->ShownTime1->trigger();
    EXPECT_EQ(form->shownTime(), fixed);
    showTime(std::nullopt);
    EXPECT_EQ(offeredTime, fixed) << "the dialog offers the time shown";
    EXPECT_FALSE(form->shownTime());
    EXPECT_FALSE(form->ShownTimeLabel->isVisibleTo(form.get()));
    EXPECT_EQ(preview(), previewAt(now));
    EXPECT_NE(preview(), atFixed);
}

TEST_F(ClockPicture, TheTimeIsTypedAsItReadsAndWhatIsNoTimeIsRefused)
{
    QString refusedText;
    bool closedOnRefusal = true;
    ui.answerModal([&](QObject& dialog) {
        auto& dlg = static_cast<TShownTimeDlg&>(dialog);
        dlg.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        // The field has the focus with its time selected: typing replaces it.
        QTest::keyClicks(dlg.TimeEdit, QStringLiteral("25:61:00"));
        dlg.OKBtn->click();
        closedOnRefusal = !dlg.isVisible();
        refusedText = dlg.TimeEdit->text();
        dlg.TimeEdit->selectAll();
        QTest::keyClicks(dlg.TimeEdit, QStringLiteral("100836"));
        dlg.OKBtn->click();
        return int(dlg.result());
    });
    form->ShownTime1->trigger();
    EXPECT_EQ(ui.messages().size(), 1) << "a word on what a time is";
    EXPECT_FALSE(closedOnRefusal);
    EXPECT_EQ(refusedText, "25:61:00") << "the field keeps what was typed";
    EXPECT_EQ(form->shownTime(), QTime(10, 8, 36)) << "the digits alone fill the field in order";

    ui.answerModal([&](QObject& dialog) {
        auto& dlg = static_cast<TShownTimeDlg&>(dialog);
        dlg.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClicks(dlg.TimeEdit, QStringLiteral("07:05:09"));
        dlg.OKBtn->click();
        return int(dlg.result());
    });
    form->ShownTime1->trigger();
    EXPECT_EQ(form->shownTime(), QTime(7, 5, 9)) << "typed with its colons";
}

TEST_F(ClockPicture, ExportWritesThePreviewTransparentOutsideTheShapeOrSaysWhyNot)
{
    showTime(QTime(10, 8, 36));
    const QImage png = exported(QStringLiteral("clock.png"));
    ASSERT_EQ(png.size(), QSize(200, 200));
    ASSERT_TRUE(png.hasAlphaChannel());
    EXPECT_EQ(qAlpha(png.pixel(0, 0)), 0) << "the built-in dial's cut-out corner";
    EXPECT_EQ(qAlpha(png.pixel(100, 100)), 255);
    EXPECT_EQ(png.pixel(100, 100) | 0xFF000000u, preview().pixel(100, 100));
    EXPECT_EQ(ui.records(seam::ScriptedHandler::Kind::FileDialog).back().file.name, "ExportImageDialog");
    EXPECT_EQ(ui.records(seam::ScriptedHandler::Kind::FileDialog).back().file.defaultExt, "png");
    EXPECT_FALSE(form->modified());

    // Cancel writes nothing; a folder that is not there ends in the framework's error box and
    // leaves nothing behind.
    ui.answerFile(std::nullopt);
    form->ExportImage1->trigger();
    const QString nowhere = file(QStringLiteral("missing/clock.png"));
    choose(form->ExportImage1, nowhere);
    EXPECT_EQ(ui.errors().size(), 1);
    EXPECT_FALSE(QFile::exists(nowhere));

    // A dial the clock cannot show (a PNG kept as it is): no picture to write, and a word why.
    const QString kept = file(QStringLiteral("kept.png"));
    filledImage(30, 20, Qt::red).save(kept, "PNG");
    ui.answerMessage(seam::IDCANCEL); // not converted
    choose(form->Background1, kept);
    ui.clearLog();
    const QString none = file(QStringLiteral("none.png"));
    choose(form->ExportImage1, none);
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.errors().isEmpty());
    EXPECT_FALSE(QFile::exists(none));
}

TEST_F(ClockPicture, PreviewExportAndTheSavedFileAgreeInsideTheShape)
{
    const QString time = QStringLiteral("10:08:36");
    if (form->Compress1->isChecked())
        form->Compress1->trigger(); // one project is saved packed, the others not
    struct Project {
        const char* name;
        std::function<void()> make;
    } projects[] = {
        {"default", [] {}},
        {"300 x 200 dial with its own hands, hands standing out",
         [this] {
             QImage dial(300, 200, QImage::Format_RGB32);
             dial.fill(QColor(250, 240, 220));
             QPainter(&dial).fillRect(0, 0, 30, 200, QColor(0, 128, 0)); // the cut-out colour at the left
             choose(form->Background1, bmp("dial.bmp", dial));
             choose(form->N2, bmp("hour.bmp", handImage(9, 70, QColor(120, 0, 0))));
             choose(form->N3, bmp("minute.bmp", handImage(7, 95, QColor(0, 0, 140))));
             choose(form->N4, bmp("second.bmp", handImage(3, 110, QColor(200, 120, 0))));
             form->ExtrudeHand1->trigger();
             form->Compress1->trigger();
         }},
        {"a mask shape", [this] {
             form->ExtrudeHand1->trigger(); // off again: the mask alone
             QImage mask = filledImage(200, 200, Qt::white);
             QPainter painter(&mask);
             painter.setPen(Qt::NoPen);
             painter.setBrush(Qt::black);
             painter.drawEllipse(QRect(20, 30, 160, 140));
             painter.end();
             choose(form->M1, bmp("mask.bmp", mask, pf1bit));
         }},
    };
    for (const Project& project : projects) {
        SCOPED_TRACE(project.name);
        project.make();
        showTime(QTime::fromString(time, QStringLiteral("HH:mm:ss")));
        const QImage shown = preview();
        const QImage png = exported(QStringLiteral("clock.png"));
        const QString pdl = file(QStringLiteral("clock.pdl"));
        choose(form->Save1, pdl);
        ASSERT_TRUE(ui.errors().isEmpty()) << qPrintable(ui.errors().join("\n"));
        const QImage drawn = rendered(pdl, time);
        ASSERT_EQ(png.size(), shown.size());
        ASSERT_EQ(drawn.size(), shown.size());
        int inside = 0, outside = 0, differing = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb p = png.pixel(x, y), d = drawn.pixel(x, y);
                if (qAlpha(p) != qAlpha(d)) {
                    ++differing;
                    continue;
                }
                if (qAlpha(p) == 0) {
                    ++outside;
                    continue;
                }
                ++inside;
                if (p != d || (p | 0xFF000000u) != shown.pixel(x, y))
                    ++differing;
            }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(inside, 0);
        EXPECT_GT(outside, 0) << "every project has a shape";
    }
}
