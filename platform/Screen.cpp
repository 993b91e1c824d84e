#include "Screen.h"

namespace dw {

namespace {
TCursor g_cursor = crDefault;
std::function<void(TCursor)> g_listener;
} // namespace

TCursor TScreen::cursor() { return g_cursor; }

void TScreen::setCursor(TCursor cursor)
{
    if (cursor == g_cursor)
        return;
    g_cursor = cursor;
    if (g_listener)
        g_listener(cursor);
}

void TScreen::setListener(std::function<void(TCursor)> listener) { g_listener = std::move(listener); }

TWaitCursor::TWaitCursor() : m_saved(TScreen::cursor()) { TScreen::setCursor(crHourGlass); }

TWaitCursor::~TWaitCursor() { TScreen::setCursor(m_saved); }

} // namespace dw
