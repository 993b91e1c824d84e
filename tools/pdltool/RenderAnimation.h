#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace pdltool {

// The animation slot an --anim word names: 5 minute, 6 hour, 7 zero; 0 for any other word.
int32_t animationSlotOf(const QString& word);

// Draws frame `frame` (from 0) of the slot's animation over a rendered clock (ARGB32, alpha 0
// outside the window), as the desktop shows it: the strip's transparent colour lets the clock
// through and nothing shows outside the window. Returns an empty string when drawn, else why not
// in one line (no such record, none, a missing file, a bad record, no such frame). A strip
// recorded by a relative name is looked for in the folders.
QString drawAnimationFrame(const std::vector<std::vector<uint8_t>>& members, int32_t slot, int64_t frame,
                           const QStringList& folders, QImage& clock);

} // namespace pdltool
