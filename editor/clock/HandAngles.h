#pragma once

#include <QTime>

#include <cstdint>

namespace dw {

// The angles of the three hands at a time of day, in whole degrees clockwise from twelve
// o'clock, before the renderers reduce them modulo 360 (23:00 gives the hour hand 690).
//   hour   = hour × 30 + (minute div 4) × 2    (steps of 2 degrees every 4 minutes)
//   minute = a − (a mod 3), a = minute × 6 + second div 10   (3 degrees every 30 seconds)
//   second = second × 6
struct HandAngles {
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    friend bool operator==(const HandAngles&, const HandAngles&) = default;
};

HandAngles handAnglesAt(int hour, int minute, int second);
HandAngles handAnglesAt(const QTime& time);

} // namespace dw
