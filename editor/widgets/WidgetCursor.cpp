#include "editor/widgets/WidgetCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace dw {

namespace {

// Whether this listener has pushed an override cursor (at most one at a time: a change
// replaces it, so override cursors of other code stay balanced).
bool g_overriding = false;

void showCursor(TCursor cursor)
{
    const std::optional<Qt::CursorShape> shape = cursorShapeFor(cursor);
    if (shape && g_overriding) {
        QGuiApplication::changeOverrideCursor(QCursor(*shape));
    } else if (shape) {
        QGuiApplication::setOverrideCursor(QCursor(*shape));
        g_overriding = true;
    } else if (g_overriding) {
        QGuiApplication::restoreOverrideCursor();
        g_overriding = false;
    }
}

} // namespace

std::optional<Qt::CursorShape> cursorShapeFor(TCursor cursor)
{
    switch (cursor) {
    case crHourGlass:
        return Qt::WaitCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crDefault:
        break;
    }
    return std::nullopt;
}

WidgetCursorListener::WidgetCursorListener()
{
    TScreen::setListener(showCursor);
    showCursor(TScreen::cursor());
}

WidgetCursorListener::~WidgetCursorListener()
{
    TScreen::setListener({});
    showCursor(crDefault);
}

} // namespace dw
