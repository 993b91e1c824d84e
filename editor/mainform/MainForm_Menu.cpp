// The main menu, built from its description in MainMenuTable.cpp.
#include "editor/mainform/EditorUnit.h"

#include "editor/Application.h"
#include "editor/mainform/MainMenuTable.h"

#include "platform/CommandRunner.h"

#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>

#include <algorithm>
#include <vector>

namespace dw {

namespace {

// The menu bar's titles a little closer together than the toolkit's style sets them: with the
// form's font, the seven titles then fit the window's width of 568 pixels, and none goes behind
// the bar's overflow button. Each title keeps four pixels on either side.
class CompactMenuBarStyle : public QProxyStyle {
public:
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_MenuBarItem)
            result.setWidth(std::min(result.width(), size.width() + 8));
        return result;
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_MenuBarItemSpacing)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

void TMainForm::createMenu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto* menuBarStyle = new CompactMenuBarStyle;
    menuBarStyle->setParent(MainMenu1);
    MainMenu1->setStyle(menuBarStyle);
    setMenuBar(MainMenu1);

    const std::span<const MainMenuEntry> entries = mainMenuEntries();
    // The submenu each depth currently adds to (depth 0 is the menu bar) and its radio group.
    std::vector<QMenu*> menus;
    std::vector<QActionGroup*> radioGroups;
    for (size_t i = 0; i < entries.size(); ++i) {
        const MainMenuEntry& e = entries[i];
        const auto depth = size_t(e.depth);
        Q_ASSERT(depth <= menus.size());
        menus.resize(depth);
        radioGroups.resize(depth);
        QMenu* parentMenu = depth == 0 ? nullptr : menus[depth - 1];
        const QString name = QString::fromUtf8(e.name);
        const QString caption = QString::fromUtf8(e.caption);
        const bool opensSubmenu = i + 1 < entries.size() && entries[i + 1].depth > e.depth;

        QAction* action = nullptr;
        if (caption == QLatin1String("-")) {
            action = parentMenu->addSeparator();
        } else if (opensSubmenu) {
            auto* menu = new QMenu(caption, parentMenu ? static_cast<QWidget*>(parentMenu) : MainMenu1);
            menu->setObjectName(name);
            // Pop-up menus are windows of their own and would not take the form's font.
            menu->setFont(formFont());
            if (parentMenu)
                parentMenu->addMenu(menu);
            else
                MainMenu1->addMenu(menu);
            action = menu->menuAction();
            m_submenus.insert(name, menu);
            menus.push_back(menu);
            radioGroups.push_back(nullptr);
        } else {
            action = parentMenu->addAction(caption);
        }
        action->setObjectName(name);
        action->setStatusTip(QString::fromUtf8(e.hint));
        action->setEnabled(!(e.state & MainMenuEntry::Disabled));
        action->setVisible(!(e.state & MainMenuEntry::Hidden));
        if (e.state & MainMenuEntry::Checkable) {
            action->setCheckable(true);
            action->setChecked((e.state & MainMenuEntry::Checked) == MainMenuEntry::Checked);
        }
        if ((e.state & MainMenuEntry::Radio) == MainMenuEntry::Radio) {
            QActionGroup*& group = radioGroups[depth - 1];
            if (!group) {
                group = new QActionGroup(parentMenu);
                // Checking one item unchecks the others; choosing the checked one unchecks it, so
                // that its handler can tell and check it again (see Default1Click).
                group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            }
            group->addAction(action);
            action->setData(e.tag);
        }
        this->*(e.item) = action;
        m_items.insert(name, action);
    }

}

void TMainForm::connectCommands()
{
    // Every command runs the way the framework runs an event handler: a framework error ends
    // it in the standard error box and the program goes on. A command that changes the project
    // is then one step of the history, under its name.
    auto command = [this](QAction* item, void (TMainForm::*handler)(), const char* step = nullptr) {
        const QString name = step ? QString::fromUtf8(step) : QString();
        connect(item, &QAction::triggered, this, [this, handler, name] {
            runCommand([this, handler] { (this->*handler)(); });
            if (!name.isEmpty())
                recordStep(name);
        });
    };
    command(Exit1, &TMainForm::Exit1Click);
    command(Open1, &TMainForm::Open1Click);
    connect(RecentClear1, &QAction::triggered, this, [this] {
        m_recentFiles.clear();
        updateRecentItems();
    });
    command(Recover1, &TMainForm::Recover1Click);
    command(Save1, &TMainForm::Save1Click);
    command(SaveSources1, &TMainForm::SaveSources1Click);
    command(Overwrite1, &TMainForm::Overwrite1Click);
    Overwrite1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Save1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    command(Undo1, &TMainForm::Undo1Click);
    command(Redo1, &TMainForm::Redo1Click);
    command(Background1, &TMainForm::Background1Click, "文字盤の読み込み");
    command(M1, &TMainForm::M1Click, "型紙の読み込み");
    command(N10, &TMainForm::N10Click, "デフォルトの文字盤");
    command(N2, &TMainForm::N2Click, "時針の読み込み");
    command(N12, &TMainForm::N12Click, "デフォルトの時針");
    command(N3, &TMainForm::N3Click, "分針の読み込み");
    command(N14, &TMainForm::N14Click, "デフォルトの分針");
    command(N4, &TMainForm::N4Click, "秒針の読み込み");
    command(N16, &TMainForm::N16Click, "デフォルトの秒針");
    command(GoTo1, &TMainForm::GoTo1Click, "時針の位置合わせ");
    command(GoTo2, &TMainForm::GoTo2Click, "分針の位置合わせ");
    command(GoTo3, &TMainForm::GoTo3Click, "秒針の位置合わせ");
    command(N19, &TMainForm::N19Click, "回転穴を揃える");
    command(New1, &TMainForm::New1Click, "動作オプションの初期化");
    command(N17, &TMainForm::N17Click);
    command(Manual1, &TMainForm::Manual1Click);
    Manual1->setShortcut(QKeySequence(Qt::Key_F1));
    command(About1, &TMainForm::About1Click);
    // Neither changes the project: no step of the history.
    command(ExportImage1, &TMainForm::ExportImage1Click);
    command(ShownTime1, &TMainForm::ShownTime1Click);
    Undo1->setShortcut(QKeySequence::Undo);
    Redo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    for (QAction* item : {Compress1, ExtrudeHand1})
        connect(item, &QAction::triggered, this, [this, item] {
            runCommand([this, item] { Compress1Click(item); });
            recordStep(QStringLiteral("針の表示の切り替え"));
        });
    for (const auto& group : optionGroups())
        for (QAction* item : group)
            connect(item, &QAction::triggered, this, [this, item] {
                runCommand([this, item] { Default1Click(item); });
                recordStep(QStringLiteral("動作オプションの変更"));
            });
    // The view changes nothing of the project: no step of the history. "+" is a shifted key on
    // many keyboards: Ctrl+= is taken as well, as the positioning dialog does.
    command(ZoomIn1, &TMainForm::ZoomIn1Click);
    command(ZoomOut1, &TMainForm::ZoomOut1Click);
    command(ZoomReset1, &TMainForm::ZoomReset1Click);
    command(ZoomFit1, &TMainForm::ZoomFit1Click);
    ZoomIn1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    ZoomOut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    ZoomReset1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    connectSlotCommands();
}

QAction* TMainForm::menuItem(const QString& name) const { return m_items.value(name, nullptr); }

QMenu* TMainForm::submenu(const QString& name) const { return m_submenus.value(name, nullptr); }

} // namespace dw
