#pragma once

// The interaction seam of a command-line tool: the readers' messages ("ERROR: …", "DEBUG: …")
// are collected instead of going to stderr on their own, so that a command prints them as part
// of its output; dialogs are answered with Cancel.

#include <QStringList>

namespace pdltool {

// Installs the collecting handler for the life of the program.
void installMessageCollector();
// The messages collected since the last call, in order, each folded onto one line.
QStringList takeMessages();

} // namespace pdltool
