// Files dropped on the main window, a clock named on the command line, and pictures in forms the
// clock cannot show.
#include "tests/editor/EditorFixture.h"

#include "editor/Application.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/PreviewBox.h"
#include "editor/widgets/ScrollBox.h"
#include "editor/clock/PictureConversion.h"

#include "platform/ByteOrder.h"
#include "platform/FrameworkError.h"
#include "rotateimage/DibDecoder.h"

#include "tests/platform/WaveBytes.h"
#include "tests/support/TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFrame>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

// The same picture as a top-down bitmap (negative height), which the clock does not show.
Bytes topDown(const Bytes& bottomUp)
{
    Bytes b = bottomUp;
    const int32_t width = readLE32s(b.data() + 18);
    const int32_t height = readLE32s(b.data() + 22);
    const size_t row = size_t((width * 24 + 31) / 32 * 4);
    const size_t offset = readLE32(b.data() + 10);
    for (int32_t y = 0; y < height; ++y)
        std::copy_n(bottomUp.begin() + std::ptrdiff_t(offset + size_t(height - 1 - y) * row), row,
                    b.begin() + std::ptrdiff_t(offset + size_t(y) * row));
    writeLE32s(b.data() + 22, -height);
    return b;
}

using Drop = EditorFixture;

} // namespace

TEST_F(Drop, APictureGoesWhereTheUserSays)
{
    const QString hour = bmp("hour.bmp", handImage(21, 60));
    ui.answerMenu(2); // 時針
    EXPECT_TRUE(dropOn(form->ClockImage, hour));
    const auto menus = ui.records(Kind::MenuChoice);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].text.split('\n'), (QStringList{"文字盤", "型紙", "時針", "分針", "秒針", "分のアニメーション",
                                                       "時のアニメーション", "零時のアニメーション"}));
    EXPECT_EQ(bytesOf(form->hourStream()), readFile(hour));
    EXPECT_TRUE(form->modified()) << "as the menu command";
    EXPECT_TRUE(ui.records(Kind::FileDialog).empty()) << "no file dialog";

    // Cancelling the choice changes nothing, and the file is not left for the next command.
    form->SetModified(false);
    const QString dial = bmp("dial.bmp", filledImage(120, 80, Qt::red));
    ui.answerMenu(std::nullopt);
    dropOn(form->ScrollBox1->viewport(), dial);
    EXPECT_EQ(form->bkgStream().size(), 0);
    EXPECT_FALSE(form->modified());
    form->Background1->trigger();
    EXPECT_EQ(ui.records(Kind::FileDialog).size(), 1u) << "the menu command asks for its file again";
    EXPECT_EQ(form->bkgStream().size(), 0);

    // Dropped on the title box, a file still goes to the window.
    ui.answerMenu(0);
    dropOn(form->Edit1, dial);
    EXPECT_EQ(bytesOf(form->bkgStream()), readFile(dial));
    EXPECT_EQ(form->Edit1->text(), QString()) << "the path is not typed into the title";
}

TEST_F(Drop, ASoundGoesToTheChosenSlot)
{
    const QString wave = file("chime.wav");
    const Bytes chime = pcm8Wave({0x80, 0x7F, 0x80, 0x81});
    writeFile(wave, chime);
    ui.answerMenu(1); // 分
    dropOn(form->Panel1, wave);
    ASSERT_EQ(ui.records(Kind::MenuChoice).size(), 1u);
    EXPECT_EQ(ui.records(Kind::MenuChoice)[0].text.split('\n'), (QStringList{"秒", "分", "時", "零時"}));
    const Bytes record = bytesOf(form->slotRecord(2));
    ASSERT_EQ(record.size(), 8u + chime.size());
    EXPECT_EQ(readLE32s(record.data()), 2);
    EXPECT_EQ(readLE32s(record.data() + 4), 1);
    EXPECT_TRUE(form->Play2->isEnabled());
    EXPECT_EQ(form->slotRecord(1).size(), 0);
}

TEST_F(Drop, ASavedClockOpensAndOtherFilesAreRefused)
{
    form->Edit1->setText(QStringLiteral("保存する時計"));
    setCompress(false);
    choose(form->Save1, file("clock.pdl"));
    form->Edit1->setText(QStringLiteral("変更"));
    ui.clearLog();
    ui.answerMessage(seam::IDOK);
    dropOn(form->ScrollBox1->viewport(), file("clock.pdl"));
    EXPECT_EQ(ui.records(Kind::MessageBox).size(), 1u) << "the question for the modified project";
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("保存する時計"));
    EXPECT_FALSE(form->modified());

    writeFile(file("notes.txt"), Bytes{'x'});
    EXPECT_FALSE(dropOn(form->ScrollBox1->viewport(), file("notes.txt"), false));
    EXPECT_FALSE(dropOn(form->Edit1, file("notes.txt"), false)) << "the title box refuses files too";
    EXPECT_FALSE(dropOn(form->Panel1, file("notes.txt"), false));
}

TEST_F(Drop, AClockNamedOnTheCommandLineOpens)
{
    form->Edit1->setText(QStringLiteral("引数の時計"));
    setCompress(false);
    choose(form->Save1, file("arg.pdl"));
    form = std::make_unique<TMainForm>();
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    openCommandLineFile(*form, {QStringLiteral("dialwright"), QStringLiteral("arg.pdl")});
    QDir::setCurrent(old);
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("引数の時計"));
    EXPECT_FALSE(form->modified());

    ui.clearLog();
    openCommandLineFile(*form, {QStringLiteral("dialwright"), file("missing.pdl")});
    EXPECT_EQ(ui.errors(), QStringList{stock::fileOpenError(file("missing.pdl"))});
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("引数の時計"));
    openCommandLineFile(*form, {QStringLiteral("dialwright")});
    EXPECT_EQ(ui.errors().size(), 1);
}

TEST_F(Drop, PicturesTheClockCannotShowAreOfferedForConversion)
{
    QImage picture(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y, qRgba(x * 6, y * 8, 100, x < 5 ? 128 : 255));
    const QString png = file("dial.png");
    writeFile(png, bytesOf(pngOf(picture)));

    // Cancel stores the file as it is.
    ui.answerMessage(seam::IDCANCEL);
    choose(form->Background1, png);
    auto questions = ui.records(Kind::MessageBox);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].text.startsWith(QStringLiteral("「dial.png」は時計で表示できない形式の画像です（PNG）。"))) << qPrintable(questions[0].text);
    EXPECT_TRUE(questions[0].text.contains(QStringLiteral("アルファ"))) << "the file has translucent pixels";
    EXPECT_EQ(questions[0].flags, unsigned(seam::MB_OKCANCEL | seam::MB_ICONQUESTION)) << "OK, converting, is the default";
    EXPECT_EQ(bytesOf(form->bkgStream()), readFile(png));

    // OK stores a 24-bit bottom-up bitmap with the same pixels, which the clock shows.
    ui.clearLog();
    ui.answerMessage(seam::IDOK);
    choose(form->Background1, png);
    const Bytes stored = bytesOf(form->bkgStream());
    ASSERT_GE(stored.size(), 54u);
    EXPECT_EQ(readLE16(stored.data() + 28), 24);
    EXPECT_EQ(readLE32s(stored.data() + 22), 30) << "bottom-up";
    TMemoryStream in, decoded;
    in.WriteBuffer(stored.data(), int64_t(stored.size()));
    in.SetPosition(0);
    EXPECT_TRUE(LoadFromBmpStream(in, decoded).ok);
    QImage shown;
    ASSERT_TRUE(shown.loadFromData(reinterpret_cast<const uchar*>(stored.data()), int(stored.size()), "BMP"));
    for (const QPoint p : {QPoint(0, 0), QPoint(39, 29), QPoint(3, 17), QPoint(20, 5)})
        EXPECT_EQ(shown.pixel(p) & 0xFFFFFF, picture.pixel(p) & 0xFFFFFF) << p.x() << "," << p.y();
    EXPECT_EQ(form->ClockPanel->size(), QSize(40, 30));

    // A top-down bitmap is offered too, without the alpha remark; a bitmap the clock shows is
    // never questioned.
    const QString plain = bmp("plain.bmp", filledImage(16, 8, Qt::blue));
    writeFile(file("topdown.bmp"), topDown(readFile(plain)));
    ui.clearLog();
    ui.answerMessage(seam::IDOK);
    choose(form->N3, file("topdown.bmp"));
    questions = ui.records(Kind::MessageBox);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_FALSE(questions[0].text.contains(QStringLiteral("アルファ")));
    EXPECT_EQ(readLE32s(bytesOf(form->minStream()).data() + 22), 8);
    ui.clearLog();
    choose(form->N4, plain);
    EXPECT_TRUE(ui.records(Kind::MessageBox).empty());
    EXPECT_EQ(bytesOf(form->secStream()), readFile(plain));
}
