#pragma once

#include <QDateTime>

#include <functional>

namespace dw {

// The date and time a save writes into the file's header ("Date="): the local clock, unless
// fixed (tests fix it, so that two saves of one project make the same bytes whatever the hour;
// the hour is written without a leading zero, so even the file's length follows the clock). An
// empty function gives the local clock back.
void setSaveDateSource(std::function<QDateTime()> source);
QDateTime saveDate();

} // namespace dw
