#pragma once

#include "platform/Screen.h"

#include <Qt>

#include <optional>

namespace dw {

// Shows the program-wide screen cursor (TScreen) as the toolkit's override cursor while it
// lives: the hourglass as the wait cursor, the hand point as the pointing hand, crDefault as
// no override (each control's own cursor).
class WidgetCursorListener {
public:
    WidgetCursorListener();
    ~WidgetCursorListener();
    WidgetCursorListener(const WidgetCursorListener&) = delete;
    WidgetCursorListener& operator=(const WidgetCursorListener&) = delete;
};

// The override cursor for a screen cursor; nothing for crDefault.
std::optional<Qt::CursorShape> cursorShapeFor(TCursor cursor);

} // namespace dw
