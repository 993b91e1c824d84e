#include "DataFileLimits.h"

#include "DataFileLayout.h"

namespace dw::pdl {

QString memberSizeProblem(int index, int64_t size)
{
    int64_t limit = 0;
    switch (index) {
    case kShapeMember: limit = kMaxShapeBytes; break;
    case kHeaderMember: limit = kMaxHeaderBytes; break;
    case kAuthorMember: limit = kMaxAuthorBytes; break;
    default: return {};
    }
    if (size <= limit)
        return {};
    return QStringLiteral("member %1 (%2) holds %3 bytes, more than the %4 bytes it may hold")
        .arg(index)
        .arg(memberMeaning(index))
        .arg(size)
        .arg(limit);
}

QString headerLinesProblem(const uint8_t* bytes, int64_t size)
{
    int64_t lines = 1;
    for (int64_t i = 0; i < size; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n')))
            ++lines;
    }
    if (lines <= kMaxHeaderLines)
        return {};
    return QStringLiteral("member %1 (%2) holds %3 lines, more than the %4 lines it may hold")
        .arg(int(kHeaderMember))
        .arg(memberMeaning(kHeaderMember))
        .arg(lines)
        .arg(kMaxHeaderLines);
}

} // namespace dw::pdl
