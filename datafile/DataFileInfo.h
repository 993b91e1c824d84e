#pragma once

// A description of a saved custom data file for people: what the companion tool's info command
// prints.

#include "DataFileSource.h"

#include <QString>
#include <QStringList>

namespace dw {

// The lines describing the file: whether it is a cabinet, then every member with its size and
// meaning (picture sizes from their headers, the shape's rectangle count and bounding box, the
// header and author texts line by line, each slot record's number, kind, parameters and
// recorded name, an embedded wave's format and length or why it does not play), then a line for
// each sound slot the file leaves unset. An unreadable file gives one line, its reason. Texts from the file are shown
// with control characters written as \xNN, so that nothing in a file can drive the terminal.
// displayName heads the first line.
QStringList describeDataFile(const OpenedDataFile& file, const QString& displayName);

// Text from a file made safe to print: control characters (C0 but TAB, DEL, C1) as \xNN.
QString printable(const QString& text);

} // namespace dw
