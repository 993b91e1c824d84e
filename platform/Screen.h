#pragma once

#include <functional>

namespace dw {

// The screen cursor, with the framework's cursor numbers.
enum TCursor : int { crDefault = 0, crHandPoint = -21, crHourGlass = -11 };

// The program-wide screen cursor. The editor installs a listener that shows it; tests read it.
class TScreen {
public:
    static TCursor cursor();
    static void setCursor(TCursor cursor);
    static void setListener(std::function<void(TCursor)> listener);
};

// Remembers the screen cursor and shows the hourglass; puts the remembered cursor back when
// it goes out of scope, also when an error ends the command.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    TCursor m_saved;
};

} // namespace dw
