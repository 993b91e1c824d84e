#include "SaveDate.h"

namespace dw {

namespace {
std::function<QDateTime()>& source()
{
    static std::function<QDateTime()> fixed;
    return fixed;
}
} // namespace

void setSaveDateSource(std::function<QDateTime()> s) { source() = std::move(s); }

QDateTime saveDate() { return source() ? source()() : QDateTime::currentDateTime(); }

} // namespace dw
