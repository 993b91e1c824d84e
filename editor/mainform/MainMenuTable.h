#pragma once

#include <QAction>

#include <span>

namespace dw {

class TMainForm;

// One row of the main menu as the window description gives it. Rows are in menu order; each
// row's depth says where it hangs: depth 0 on the menu bar, depth n + 1 in the submenu of the
// nearest row above it of depth n. A row followed by deeper rows opens a submenu.
struct MainMenuEntry {
    enum State : unsigned {
        Plain = 0,
        Disabled = 1,
        Checkable = 2, // shows a check mark when checked (initially unchecked)
        Checked = 4 | Checkable,
        Radio = 8 | Checkable, // one of a radio group: the radio items of one submenu
        Hidden = 16,
    };

    int depth;
    QAction* TMainForm::*item; // the form's field for the item
    const char* name;
    const char* caption; // "-" for a separator line
    const char* hint;    // shown in the status line while the item is highlighted
    unsigned state;
    int tag; // the item's tag (the load-time options' values)
};

std::span<const MainMenuEntry> mainMenuEntries();

} // namespace dw
