#include "HandAngles.h"

namespace dw {

HandAngles handAnglesAt(int hour, int minute, int second)
{
    HandAngles a;
    a.hour = hour * 30 + (minute / 4) * 2;
    const int32_t m = minute * 6 + second / 10;
    a.minute = m - m % 3;
    a.second = second * 6;
    return a;
}

HandAngles handAnglesAt(const QTime& time) { return handAnglesAt(time.hour(), time.minute(), time.second()); }

} // namespace dw
