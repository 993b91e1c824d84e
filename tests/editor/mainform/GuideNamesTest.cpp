// The user's guide, Japanese and English, names menu items, dialogs and their controls as the
// program shows them: every <span class="menu"> path ("組み立て(E) › 文字盤(Bkgnd) › 読込み(Load)")
// is walked through the main menu, every <span class="dialog"> is the title of a dialog the
// program shows, and every <span class="control"> is the text of a control or pop-up item of the
// main window or a dialog. Captions are compared as they are displayed: without the "&" that
// marks an access key, the line breaks of wrapped buttons, runs of spaces and a label's colon.

#include "tests/editor/EditorFixture.h"

#include "media/widgets/AboutUnit.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>

using namespace dw;
using namespace dw::test;

namespace {

QString displayed(QString caption)
{
    caption = caption.remove(QLatin1Char('&')).remove(QLatin1Char('\n')).simplified();
    // A label's colon is not part of its name.
    while (caption.endsWith(QLatin1Char(':')) || caption.endsWith(QChar(0xFF1A)))
        caption = caption.chopped(1).trimmed();
    return caption;
}

struct GuideNames {
    QStringList menus, dialogs, controls;
};

GuideNames namesIn(const QString& page)
{
    // Beside the guide the program opens (run from the build tree, a link to the source tree's).
    QFile file(QFileInfo(documentationPath()).dir().filePath(page));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
    const QString html = QString::fromUtf8(file.readAll());
    GuideNames names;
    static const QRegularExpression span(QStringLiteral("<span class=\"(menu|dialog|control)\">([^<]*)</span>"));
    for (auto it = span.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString text = m.captured(2).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        (m.captured(1) == QLatin1String("menu") ? names.menus : m.captured(1) == QLatin1String("dialog") ? names.dialogs
                                                                                                          : names.controls)
            << text;
    }
    return names;
}

// The texts a user reads on a window's controls and pop-up menus.
void addControlTexts(const QWidget& window, QSet<QString>& texts)
{
    for (const QLabel* l : window.findChildren<QLabel*>())
        texts << displayed(l->text());
    for (const QAbstractButton* b : window.findChildren<QAbstractButton*>())
        texts << displayed(b->text());
    for (const QGroupBox* g : window.findChildren<QGroupBox*>())
        texts << displayed(g->title());
    for (const QMenu* menu : window.findChildren<QMenu*>())
        for (const QAction* a : menu->actions())
            texts << displayed(a->text());
}

class GuideNamesTest : public EditorFixture {
protected:
    // The title a command's dialog has while it shows (the command is cancelled).
    QString titleShownBy(QAction* command)
    {
        QString title;
        ui.answerModal([&](QObject& dialog) {
            title = static_cast<QWidget&>(dialog).windowTitle();
            return int(seam::mrCancel);
        });
        command->trigger();
        return title;
    }

    TAboutBox aboutBox;
};

} // namespace

TEST_F(GuideNamesTest, EveryMenuItemDialogAndControlTheGuidesNameExists)
{
    QSet<QString> dialogs = {aboutBox.windowTitle(), animationDlg.windowTitle()};
    for (QAction* command : {form->GoTo1, form->GoTo2, form->GoTo3, form->N19, form->byFileName1, form->byFileName5,
                             form->ShownTime1})
        dialogs << titleShownBy(command);
    QSet<QString> controls;
    for (const QWidget* window : std::initializer_list<const QWidget*>{form.get(), handForm.get(), &animationDlg, &stringDlg, &aboutBox})
        addControlTexts(*window, controls);

    for (const QString& page : {QStringLiteral("dialwright.html"), QStringLiteral("dialwright.en.html")}) {
        SCOPED_TRACE(page.toStdString());
        const GuideNames names = namesIn(page);
        EXPECT_GE(names.menus.size(), 30) << "the guide walks through the menus";
        EXPECT_GE(names.dialogs.size(), 3);
        EXPECT_GE(names.controls.size(), 15);
        for (const QString& path : names.menus) {
            const QStringList steps = path.split(QStringLiteral(" › "));
            QList<QAction*> actions = form->MainMenu1->actions();
            for (const QString& step : steps) {
                QAction* found = nullptr;
                for (QAction* a : actions)
                    if (!a->isSeparator() && a->isVisible() && displayed(a->text()) == step)
                        found = a;
                if (!found) {
                    ADD_FAILURE() << "no menu item \"" << step.toStdString() << "\" in \"" << path.toStdString() << "\"";
                    break;
                }
                actions = found->menu() ? found->menu()->actions() : QList<QAction*>{};
            }
        }
        for (const QString& dialog : names.dialogs)
            EXPECT_TRUE(dialogs.contains(dialog)) << "no dialog titled \"" << dialog.toStdString() << "\"";
        for (const QString& control : names.controls)
            EXPECT_TRUE(controls.contains(displayed(control))) << "no control \"" << control.toStdString() << "\"";
    }
}
