// The program as a whole: its icon, the toolkit speaking Japanese, and the about box reached
// from the help menu.
#include "tests/editor/EditorFixture.h"

#include "editor/Application.h"

#include "media/widgets/AboutUnit.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QTranslator>

using namespace dw;
using namespace dw::test;

TEST(Application, IconIsDrawnInEveryDesktopSize)
{
    const QIcon icon = applicationIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int n : {16, 22, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(n, n))) << n;
    const QImage small = icon.pixmap(16, 16).toImage();
    EXPECT_EQ(qAlpha(small.pixel(0, 15)), 0) << "the corners are transparent";
}

TEST(Application, ToolkitDialogsSpeakJapaneseWhateverTheLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(installJapaneseToolkitTexts(*qApp)) << "qt6-translations-l10n is installed";
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);
    for (const auto& [context, text] : {std::pair{"QFileDialog", "Look in:"}, std::pair{"QFileDialog", "File &name:"},
                                        std::pair{"QPlatformTheme", "Cancel"}, std::pair{"QColorDialog", "&Red:"}}) {
        const QString shown = QCoreApplication::translate(context, text);
        EXPECT_NE(shown, QString::fromLatin1(text)) << context << " " << text;
    }
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"), "フォルダ")
        << "the file dialog's type column";
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "%1 File", "%1 is a file name suffix, for example txt")
                  .arg("bmp"),
              "bmp ファイル");
    for (QTranslator* t : qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)) {
        for (QTranslator* moved : t->findChildren<QTranslator*>())
            QCoreApplication::removeTranslator(moved);
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    QLocale::setDefault(before);
}

TEST_F(EditorFixture, AboutShowsTheBoxModallyWithTheApplicationIcon)
{
    const QIcon previous = QApplication::windowIcon();
    QApplication::setWindowIcon(applicationIcon());
    TAboutBox box;
    box.ProgramIcon->clear();
    ui.answerModal([&](QObject& dialog) {
        EXPECT_EQ(&dialog, &box);
        EXPECT_FALSE(box.ProgramIcon->pixmap().isNull()) << "the icon is in place before the box shows";
        return int(seam::mrOk);
    });
    form->About1->trigger();
    EXPECT_TRUE(ui.scriptDone());
    EXPECT_FALSE(form->modified());
    QApplication::setWindowIcon(previous);
}

// F1, or the Help menu's guide item, opens the guide in the user's browser; when no program can
// open it, a message names the file instead of nothing happening.
TEST_F(EditorFixture, GuideOpensWithF1OrSaysWhereItIs)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(form->Manual1->shortcut(), QKeySequence(Qt::Key_F1));
    QTest::keyClick(form.get(), Qt::Key_F1);
    EXPECT_EQ(ui.openedUrls(), QStringList{documentationUrl()});
    EXPECT_TRUE(ui.messages().isEmpty());

    ui.answerOpenUrl(false);
    form->Manual1->trigger();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(documentationPath())) << qPrintable(ui.messages()[0]);
    EXPECT_FALSE(form->modified());
}
