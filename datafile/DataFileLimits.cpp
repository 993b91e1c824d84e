#include "DataFileLimits.h"

#include "DataFileLayout.h"

#include "platform/ByteOrder.h"

#include <algorithm>

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

std::optional<TRegion> shapeRegion(const uint8_t* bytes, int64_t size)
{
    if (size < int64_t(kRgnDataHeaderSize) || size > int64_t(UINT32_MAX))
        return std::nullopt;
    // The rectangles the data hold, as far as their bytes reach (ExtCreateRegion checks the rest).
    const int64_t held = std::min<int64_t>(readLE32(bytes + 8), (size - int64_t(kRgnDataHeaderSize)) / 16);
    return ExtCreateRegion(nullptr, uint32_t(size), bytes, size_t(std::max(held, kMaxShapeRegionRects)));
}

} // namespace dw::pdl
