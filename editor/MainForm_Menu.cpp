// The main menu, built from its description in MainMenuTable.cpp.
#include "EditorUnit.h"

#include "Application.h"
#include "MainMenuTable.h"

#include "platform/CommandRunner.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <vector>

namespace dw {

void TMainForm::createMenu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
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
    // it in the standard error box and the program goes on.
    auto command = [this](QAction* item, void (TMainForm::*handler)()) {
        connect(item, &QAction::triggered, this, [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
    };
    command(Exit1, &TMainForm::Exit1Click);
    command(Open1, &TMainForm::Open1Click);
    command(Save1, &TMainForm::Save1Click);
    command(Background1, &TMainForm::Background1Click);
    command(M1, &TMainForm::M1Click);
    command(N10, &TMainForm::N10Click);
    command(N2, &TMainForm::N2Click);
    command(N12, &TMainForm::N12Click);
    command(N3, &TMainForm::N3Click);
    command(N14, &TMainForm::N14Click);
    command(N4, &TMainForm::N4Click);
    command(N16, &TMainForm::N16Click);
    command(GoTo1, &TMainForm::GoTo1Click);
    command(GoTo2, &TMainForm::GoTo2Click);
    command(GoTo3, &TMainForm::GoTo3Click);
    command(N19, &TMainForm::N19Click);
    command(New1, &TMainForm::New1Click);
    command(N17, &TMainForm::N17Click);
    command(Manual1, &TMainForm::Manual1Click);
    Manual1->setShortcut(QKeySequence(Qt::Key_F1));
    command(About1, &TMainForm::About1Click);
    for (QAction* item : {Compress1, ExtrudeHand1})
        connect(item, &QAction::triggered, this, [this, item] { runCommand([this, item] { Compress1Click(item); }); });
    for (const auto& group : optionGroups())
        for (QAction* item : group)
            connect(item, &QAction::triggered, this, [this, item] { runCommand([this, item] { Default1Click(item); }); });
    connectSlotCommands();
}

QAction* TMainForm::menuItem(const QString& name) const { return m_items.value(name, nullptr); }

QMenu* TMainForm::submenu(const QString& name) const { return m_submenus.value(name, nullptr); }

} // namespace dw
