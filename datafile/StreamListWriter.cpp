#include "StreamList.h"

#include "platform/ByteOrder.h"
#include "platform/FrameworkError.h"

#include <limits>

namespace dw {

int32_t WriteStreamList(TStream& target, const std::vector<TStream*>& members)
{
    // Every offset and the count are 32-bit words, so the whole list must stay below 2 GiB;
    // this is checked before anything is written so that a refused list leaves no half in the
    // target.
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
    const int64_t count = static_cast<int64_t>(members.size());
    if (count > (kLimit - 4) / 4)
        throw EFrameworkError(stock::memoryStreamError());

    std::vector<int64_t> sizes;
    sizes.reserve(members.size());
    int64_t total = 4 + 4 * count;
    for (TStream* member : members) {
        const int64_t size = member->Size();
        sizes.push_back(size);
        total += 4 + size;
        if (total > kLimit)
            throw EFrameworkError(stock::memoryStreamError());
    }

    const int64_t start = target.Position();
    target.WriteInt32(static_cast<int32_t>(count));
    int64_t written = 4;

    // The first record follows the offset table; counted from where the list starts.
    std::vector<uint8_t> table(static_cast<size_t>(4 * count));
    std::vector<int32_t> offsets(members.size());
    int64_t offset = (target.Position() - start) + 4 * count;
    for (size_t i = 0; i < members.size(); ++i) {
        offsets[i] = static_cast<int32_t>(offset);
        writeLE32s(table.data() + 4 * i, offsets[i]);
        offset += sizes[i] + 4;
    }
    target.WriteBuffer(table.data(), 4 * count);
    written += 4 * count;

    for (size_t i = 0; i < members.size(); ++i) {
        target.WriteInt32(static_cast<int32_t>(sizes[i]) ^ offsets[i]);
        written += 4;
        // CopyFrom with 0 copies the whole member from its first byte; an empty member is
        // rewound and copies nothing.
        written += target.CopyFrom(*members[i], 0);
    }
    return static_cast<int32_t>(written);
}

} // namespace dw
