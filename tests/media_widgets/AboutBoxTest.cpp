// The about box: its fields and texts, the links that light up under the mouse and open through
// the interaction seam.
#include "media/widgets/AboutUnit.h"

#include "platform/ScriptedSeam.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QEnterEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace dw;

namespace {

void hover(QLabel* label, bool enter)
{
    if (enter) {
        QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(label, &event);
    } else {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(label, &event);
    }
}

} // namespace

TEST(AboutBox, ShowsTheProgramItsVersionAndDate)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), "バージョン情報");
    EXPECT_EQ(box.size(), QSize(298, 238));
    EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "a dialog border: not resizable";
    EXPECT_EQ(box.ProductName->text(), "Dialwright");
    EXPECT_EQ(box.ProductName->font().pixelSize(), 16);
    EXPECT_EQ(box.Version->text(), "Version 2.25a");
    EXPECT_EQ(box.Label1->text(), "Date: 2001/06/25");
    EXPECT_TRUE(box.Comments->text().startsWith(QChar(0x3000))) << "begins with an ideographic space";
    EXPECT_TRUE(box.Comments->text().contains("‘Pendulet’"));
    EXPECT_TRUE(box.Comments->wordWrap());
    EXPECT_EQ(box.Comments->size(), QSize(265, 41));
    EXPECT_EQ(box.ProgramIcon->size(), QSize(65, 57));
    EXPECT_TRUE(box.ProgramIcon->hasScaledContents());
    EXPECT_EQ(box.Image1->size(), QSize(169, 169));
    EXPECT_EQ(box.Image1->pixmap().size(), QSize(48, 48)) << "the decorative picture, stretched";
    EXPECT_TRUE(box.Label2->alignment() & Qt::AlignRight);
    EXPECT_EQ(box.Label2->palette().color(QPalette::WindowText), QColor(0, 255, 255));
    EXPECT_EQ(box.Copyright->toolTip(), "作者にメールを出す");
    EXPECT_EQ(box.Homepage->toolTip(), "付属の説明書を開く\n" + documentationPath()) << "what the link opens, and where";
    EXPECT_TRUE(box.Homepage->text().startsWith("（") && box.Homepage->text().endsWith("）"));
    for (QLabel* link : {box.Copyright, box.Homepage})
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(box.OKButton->isDefault());
    EXPECT_EQ(box.OKButton->text(), "OK");
    for (QWidget* w : std::initializer_list<QWidget*>{box.ProgramIcon, box.ProductName, box.Comments, box.Copyright,
                                                      box.Homepage, box.Label2})
        EXPECT_EQ(w->parentWidget(), box.Panel1) << qPrintable(w->objectName());
}

TEST(AboutBox, FirstOneCreatedIsTheProgramsAndGoesWithIt)
{
    ASSERT_EQ(AboutBox, nullptr);
    {
        TAboutBox first;
        TAboutBox second;
        EXPECT_EQ(AboutBox, &first);
    }
    EXPECT_EQ(AboutBox, nullptr);
}

TEST(AboutBox, LinksLightUpUnderTheMouse)
{
    TAboutBox box;
    for (QLabel* link : {box.Copyright, box.Homepage}) {
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::black));
        hover(link, true);
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255)) << qPrintable(link->objectName());
        EXPECT_TRUE(link->font().underline());
        hover(link, false);
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::black));
        EXPECT_FALSE(link->font().underline());
    }
    EXPECT_FALSE(box.Version->font().underline()) << "other labels stay as they are";
}

TEST(AboutBox, LinksOpenThroughTheSeamAndTheBoxStays)
{
    seam::ScriptedHandler ui;
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.Copyright, Qt::LeftButton);
    QTest::mouseClick(box.Homepage, Qt::LeftButton);
    QTest::mouseClick(box.Homepage, Qt::RightButton);
    EXPECT_EQ(ui.openedUrls(), (QStringList{aboutMailUrl(), documentationUrl()}));
    EXPECT_TRUE(box.isVisible());
}

// Without a mouse: Tab goes from OK through the links in the order they stand, the link with the
// focus lights up and is framed, and Enter or Space opens it without closing the box; Enter on
// OK closes it. The next showing starts on OK again.
TEST(AboutBox, LinksAreReachedAndOpenedWithTheKeyboard)
{
    seam::ScriptedHandler ui;
    TAboutBox box;
    for (int showing = 0; showing < 2; ++showing) {
        SCOPED_TRACE(showing);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        EXPECT_EQ(QApplication::focusWidget(), box.OKButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), box.Copyright);
        EXPECT_EQ(box.Copyright->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_NE(box.Copyright->frameStyle(), int(QFrame::NoFrame));
        QTest::keyClick(box.Copyright, Qt::Key_Space);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), box.Homepage);
        EXPECT_EQ(box.Copyright->palette().color(QPalette::WindowText), QColor(Qt::black)) << "the focus left it";
        EXPECT_EQ(box.Copyright->frameStyle(), int(QFrame::NoFrame));
        QTest::keyClick(box.Homepage, Qt::Key_Return);
        EXPECT_TRUE(box.isVisible()) << "Enter on a link opens it, not the default button";
        EXPECT_EQ(ui.openedUrls().mid(showing * 2), (QStringList{aboutMailUrl(), documentationUrl()}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), box.OKButton);
        QTest::keyClick(box.OKButton, Qt::Key_Return);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
}

TEST(AboutBox, MailIsNewAndUnaddressedAndTheDocumentationIsALocalFile)
{
    EXPECT_EQ(aboutMailUrl(), "mailto:?subject=Dialwright%20Version%202.25a");
    const QUrl doc(documentationUrl());
    EXPECT_TRUE(doc.isLocalFile());
    EXPECT_TRUE(doc.toLocalFile().endsWith("/dialwright.html"));
    EXPECT_TRUE(QFileInfo::exists(doc.toLocalFile())) << qPrintable(doc.toLocalFile());
}

// The guide is the one under the program's own prefix, also where it is missing (a package that
// leaves out documentation): never a file elsewhere on the machine, such as the source tree it
// was built from.
TEST(AboutBox, TheGuideIsOnlyEverTheOneUnderTheProgramsOwnPrefix)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir().mkpath(prefix.filePath("bin")));
    EXPECT_EQ(documentationPathFor(prefix.filePath("bin")), prefix.filePath("share/doc/dialwright/dialwright.html"));
    EXPECT_EQ(documentationPathFor(prefix.filePath("bin/")), prefix.filePath("share/doc/dialwright/dialwright.html"));
    const QString own = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/..") + '/';
    EXPECT_TRUE(documentationPath().startsWith(own)) << qPrintable(documentationPath());
}
