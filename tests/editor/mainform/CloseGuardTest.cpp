// The close guard: closing the window, Exit1 and the end of the desktop session.
#include "tests/editor/EditorFixture.h"

#include "editor/files/SettingsLocation.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace dw;
using namespace dw::test;

namespace {

const char kCloseQuestion[] = "データが保存されていません。\n終了しますか？";

class CloseGuard : public EditorFixture {
protected:
    CloseGuard()
    {
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void typeTitle() { QTest::keyClicks(form->Edit1, "Tick"); }
};

} // namespace

TEST_F(CloseGuard, UnmodifiedProjectClosesWithoutAsking)
{
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(ui.log().empty());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Timer1->isActive()) << "the preview stops with the window";
}

TEST_F(CloseGuard, ModifiedProjectAsksAndCancelKeepsTheWindowAndThePreview)
{
    typeTitle();
    ASSERT_TRUE(form->modified());
    // Stopped, as a close the user then declines may leave it: Cancel must start it again.
    form->Timer1->stop();
    ui.answerMessage(seam::IDCANCEL);
    EXPECT_FALSE(form->close());
    const auto boxes = ui.records(seam::ScriptedHandler::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kCloseQuestion);
    EXPECT_EQ(boxes[0].caption, "Dialwright ver. 2.25a");
    EXPECT_EQ(boxes[0].flags, seam::MB_OKCANCEL | seam::MB_DEFBUTTON2) << "no icon, Cancel the default";
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Timer1->isActive());

    ui.answerMessage(seam::IDOK);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(CloseGuard, ExitPassesTheGuardToo)
{
    typeTitle();
    form->Exit1->trigger();
    EXPECT_EQ(ui.messages(), QStringList{kCloseQuestion});
    EXPECT_TRUE(form->isVisible()) << "declined by default";
}

TEST_F(CloseGuard, SessionEndAsksWhenItMayAndKeepsTheSettings)
{
    typeTitle();
    EXPECT_FALSE(form->sessionEnding(true)) << "Cancel stops the log-off";
    EXPECT_EQ(ui.messages(), QStringList{kCloseQuestion});
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_FALSE(QFileInfo::exists(form->settingsFile().path));

    ui.answerMessage(seam::IDOK);
    EXPECT_TRUE(form->sessionEnding(true));
    EXPECT_TRUE(QFileInfo::exists(form->settingsFile().path)) << "written before the session ends";
    ui.clearLog();
    EXPECT_TRUE(form->close()) << "agreed once: the window closes without asking again";
    EXPECT_TRUE(ui.log().empty());
}

TEST_F(CloseGuard, SessionEndWithoutLeaveToAskEndsAtOnce)
{
    typeTitle();
    EXPECT_TRUE(form->sessionEnding(false));
    EXPECT_TRUE(ui.log().empty());
    typeTitle();
    EXPECT_FALSE(form->close()) << "a change after the agreement asks again";
    EXPECT_EQ(ui.messages(), QStringList{kCloseQuestion});
}
