#pragma once

#include "platform/MemoryStream.h"
#include "platform/Region.h"

#include <QPoint>

namespace dw {

// The clock project as the main window holds it for the whole run: the picture files' bytes,
// the hands' centres, the window's shape, the media slots' records and the modified flag.
// TMainForm keeps these private; SetModified is the only writer of FModified.
struct ClockProjectFields {
    bool FModified = false;
    TMemoryStream FBkgStream;  // the dial file's bytes; empty = the built-in dial
    TMemoryStream FHourStream; // hand file bytes; empty = the built-in hand
    TMemoryStream FMinStream;
    TMemoryStream FSecStream;
    QPoint FHourCenter; // where each hand's rotation hole sits on the dial
    QPoint FMinCenter;
    QPoint FSecCenter;
    TRegion FClockRgn; // a copy of the clock window's shape; empty = no shape
    TMemoryStream FSecSound; // sound slots: second, minute, hour, zero hour
    TMemoryStream FMinSound;
    TMemoryStream FHourSound;
    TMemoryStream FZeroSound;
    TMemoryStream FMinAnim; // animation slots: minute, hour, zero hour
    TMemoryStream FHourAnim;
    TMemoryStream FZeroAnim;
};

} // namespace dw
