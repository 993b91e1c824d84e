#include "StreamList.h"

#include "ContentHash.h"
#include "SliceGrid.h"

#include "platform/FrameworkError.h"
#include "platform/Random.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace dw {

SliceChoice sliceChoiceFromSeed(uint64_t seed)
{
    SliceChoice choice;
    choice.key = static_cast<uint8_t>((seed % 200) | 2);
    choice.slices = static_cast<uint8_t>(80 + (seed / 200) % 160);
    return choice;
}

void forEachSeedRun(int64_t size, const std::function<void(int64_t at, int64_t count)>& take)
{
    constexpr int64_t kWhole = int64_t(256) << 10, kEnd = int64_t(64) << 10;
    constexpr int64_t kStep = int64_t(16) << 10, kTaken = 64;
    if (size <= kWhole) {
        if (size > 0)
            take(0, size);
        return;
    }
    take(0, kEnd);
    for (int64_t at = kEnd; at < size - kEnd; at += kStep)
        take(at, std::min(kTaken, size - kEnd - at));
    take(size - kEnd, kEnd);
}

uint64_t contentSeed(const uint8_t* bytes, int64_t size)
{
    ContentHasher hasher;
    forEachSeedRun(size, [&](int64_t at, int64_t count) { hasher.add(bytes + at, count); });
    return hasher.finish();
}

SliceChoice drawSliceChoice()
{
    // The key first, as the generator has always drawn them.
    SliceChoice choice;
    choice.key = static_cast<uint8_t>(randomInt(200) | 2);
    choice.slices = static_cast<uint8_t>(80 + randomInt(160));
    return choice;
}

std::unique_ptr<TMemoryStream> SliceStream(TStream& source, int32_t n)
{
    return SliceStream(source, n, drawSliceChoice());
}

std::unique_ptr<TMemoryStream> SliceStream(TStream& source, int32_t n, const SliceChoice& choice)
{
    const int64_t count = n > 0 ? n : 0;
    // A short source fails before anything is allocated, as reading it would.
    auto* memorySource = dynamic_cast<TMemoryStream*>(&source);
    const int64_t position = source.Position();
    if (count > 0 && (position < 0 || count > source.Size() - position))
        throw EFrameworkError(stock::readError());

    auto result = std::make_unique<TMemoryStream>();
    // Every byte is written below. Raises the memory error past the memory stream's limit.
    result->SetSizeForOverwrite(count + 2);
    uint8_t* out = result->Memory();

    const uint8_t key = choice.key;
    const uint8_t slices = choice.slices;
    out[0] = key;
    out[1] = slices ^ key;

    if (count > 0) {
        if (memorySource) {
            // The plain bytes are taken straight from the block; no temporary copy is needed.
            slicegrid::toStored(memorySource->Memory() + position, out + 2, count, slices, key);
            source.Seek(count, soCurrent);
        } else {
            std::vector<uint8_t> plain;
            try {
                plain.resize(static_cast<size_t>(count));
            } catch (const std::bad_alloc&) {
                throw EFrameworkError(stock::memoryStreamError());
            }
            source.ReadBuffer(plain.data(), count);
            slicegrid::toStored(plain.data(), out + 2, count, slices, key);
        }
    }
    result->SetPosition(0);
    return result;
}

} // namespace dw
