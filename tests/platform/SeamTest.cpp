#include "platform/CommandRunner.h"
#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"
#include "platform/Screen.h"
#include "platform/ScriptedSeam.h"

#include <gtest/gtest.h>

using namespace dw;
using Kind = seam::ScriptedHandler::Kind;

TEST(CommandRunner, FrameworkErrorEndsTheCommandInTheErrorBox)
{
    seam::ScriptedHandler ui;
    bool after = false;
    const bool finished = runCommand([&] {
        TMemoryStream s;
        char c;
        s.ReadBuffer(&c, 1);
        after = true;
    });
    EXPECT_FALSE(finished);
    EXPECT_FALSE(after);
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("ストリームの読み込みエラー")});
    EXPECT_TRUE(runCommand([] {}));
    EXPECT_EQ(ui.errors().size(), 1);
}

TEST(CommandRunner, WaitCursorIsRestoredWhenAnErrorEndsTheCommand)
{
    seam::ScriptedHandler ui;
    TScreen::setCursor(crHandPoint);
    runCommand([] {
        TWaitCursor wait;
        EXPECT_EQ(TScreen::cursor(), crHourGlass);
        throw EFrameworkError("x");
    });
    EXPECT_EQ(TScreen::cursor(), crHandPoint);
    ASSERT_EQ(ui.log().size(), 1u);
    EXPECT_EQ(ui.log()[0].cursor, crHandPoint) << "the error box comes after the command's cursor is restored";
    TScreen::setCursor(crDefault);
}

TEST(ScriptedSeam, AnswersInOrderThenTakesTheDefaultButton)
{
    seam::ScriptedHandler ui;
    ui.answerMessage(seam::IDOK);
    EXPECT_EQ(seam::messageBox("q1", "t", seam::MB_OKCANCEL | seam::MB_DEFBUTTON2), seam::IDOK);
    EXPECT_EQ(seam::messageBox("q2", "t", seam::MB_OKCANCEL | seam::MB_DEFBUTTON2), seam::IDCANCEL);
    EXPECT_EQ(seam::messageBox("q3", "t", seam::MB_OKCANCEL), seam::IDOK);
    EXPECT_EQ(ui.messages(), (QStringList{"q1", "q2", "q3"}));
    EXPECT_FALSE(seam::fileDialog({}).has_value()) << "an unscripted dialog is cancelled";
    ui.answerFile(QStringLiteral("/tmp/a.bmp"));
    EXPECT_EQ(seam::fileDialog({}).value(), QStringLiteral("/tmp/a.bmp"));
    EXPECT_TRUE(ui.scriptDone());
}

TEST(ScriptedSeam, ShowMessageUsesTheApplicationTitle)
{
    seam::ScriptedHandler ui;
    seam::setApplicationTitle(QStringLiteral("Dialwright ver. 2.25a"));
    seam::showMessage(QStringLiteral("保存しました"));
    ASSERT_EQ(ui.records(Kind::MessageBox).size(), 1u);
    EXPECT_EQ(ui.records(Kind::MessageBox)[0].caption, QStringLiteral("Dialwright ver. 2.25a"));
    EXPECT_EQ(ui.records(Kind::MessageBox)[0].flags, seam::MB_OK);
}

TEST(ScriptedSeam, NestedHandlersRestoreTheOuterOne)
{
    seam::ScriptedHandler outer;
    {
        seam::ScriptedHandler inner;
        seam::beep();
        EXPECT_EQ(inner.beeps(), 1);
    }
    seam::beep();
    EXPECT_EQ(outer.beeps(), 1);
}

TEST(ScriptedSeam, LinksAreLoggedNotOpened)
{
    {
        seam::ScriptedHandler ui;
        EXPECT_TRUE(seam::openUrl("mailto:?subject=x"));
        EXPECT_TRUE(seam::openUrl("file:///doc.html"));
        EXPECT_EQ(ui.openedUrls(), (QStringList{"mailto:?subject=x", "file:///doc.html"}));
        EXPECT_EQ(ui.log().back().kind, Kind::OpenUrl);
    }
    EXPECT_FALSE(seam::openUrl("file:///doc.html")) << "the console opens nothing";
}
