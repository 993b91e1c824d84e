#pragma once

#include <functional>

namespace dw {

// Runs one user command the way the framework runs an event handler: an EFrameworkError (or an
// exhausted memory) that escapes it ends the command and is shown in the framework's standard
// error box; the program goes on. Returns whether the command ran to its end.
bool runCommand(const std::function<void()>& command);

} // namespace dw
