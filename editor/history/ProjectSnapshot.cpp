#include "editor/history/ProjectSnapshot.h"

#include "platform/MemoryStream.h"

#include <cstring>

namespace dw {

namespace {

bool streamHolds(const TMemoryStream& stream, const SharedBytes& bytes)
{
    const int64_t size = bytes ? int64_t(bytes->size()) : 0;
    return stream.size() == size && (size == 0 || std::memcmp(stream.Memory(), bytes->data(), size_t(size)) == 0);
}

} // namespace

bool sameBytes(const SharedBytes& a, const SharedBytes& b)
{
    if (a == b)
        return true;
    const size_t sa = a ? a->size() : 0, sb = b ? b->size() : 0;
    return sa == sb && (sa == 0 || std::memcmp(a->data(), b->data(), sa) == 0);
}

SharedBytes shareBytes(TMemoryStream& stream, const SharedBytes& previous, KnownBytes& known)
{
    if (known.bytes && known.stamp == stream.changeStamp())
        return known.bytes;
    static const SharedBytes kNone = std::make_shared<const ByteBlock>();
    SharedBytes bytes;
    if (stream.size() == 0) {
        bytes = kNone;
    } else if (previous && streamHolds(stream, previous)) {
        bytes = previous;
        if (stream.sharedBlock() != previous) {
            const int64_t position = stream.position();
            stream.adopt(previous); // one block for both
            stream.SetPosition(position);
        }
    } else {
        bytes = stream.share();
    }
    known = {stream.changeStamp(), bytes};
    return bytes;
}

bool putBytes(TMemoryStream& stream, const SharedBytes& bytes, KnownBytes& known)
{
    const bool held = known.bytes && known.stamp == stream.changeStamp() ? sameBytes(known.bytes, bytes)
                                                                         : streamHolds(stream, bytes);
    const bool empty = !bytes || bytes->empty();
    if (!held || (!empty && stream.sharedBlock() != bytes))
        stream.adopt(bytes);
    stream.SetPosition(0);
    known = {stream.changeStamp(), bytes ? bytes : std::make_shared<const ByteBlock>()};
    return !held;
}

bool ProjectSnapshot::sameAs(const ProjectSnapshot& o) const
{
    for (size_t i = 0; i < pictures.size(); ++i)
        if (!sameBytes(pictures[i], o.pictures[i]))
            return false;
    for (size_t i = 0; i < records.size(); ++i)
        if (!sameBytes(records[i], o.records[i]))
            return false;
    return centres == o.centres && pivots == o.pivots && shape == o.shape && title == o.title && author == o.author
           && options == o.options && extrudeHand == o.extrudeHand && cornerWidth == o.cornerWidth
           && cornerHeight == o.cornerHeight && paramsEnabled == o.paramsEnabled
           && slotFileNames == o.slotFileNames && linkedFiles == o.linkedFiles;
}

int64_t ProjectSnapshot::byteSize() const
{
    int64_t total = 0;
    for (const SharedBytes& b : pictures)
        total += b ? int64_t(b->size()) : 0;
    for (const SharedBytes& b : records)
        total += b ? int64_t(b->size()) : 0;
    return total;
}

} // namespace dw
