// The file-image reading routine and both stream-list readers on arbitrary bytes: the input as
// a file image, as a sliced buffer (checked against the per-byte mapping) and as a plain
// stream list, with seeks, reads and writes chosen by the input. Any crash, sanitizer report
// or broken invariant (a trap) is a finding.

#include "datafile/FileImage.h"
#include "datafile/StreamList.h"

#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"
#include "platform/Seam.h"

#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

using namespace dw;
using dw::fuzz::check;
using dw::fuzz::QuietHandler;

namespace {

void fileImage(const uint8_t* data, size_t size)
{
    try {
        const FileImageContents got = readFileImage(data, int64_t(size));
        for (const auto& member : got.members)
            check(member.size() <= size);
        check(got.members.size() <= size / 4);
    } catch (const EFrameworkError&) {
        // The memory refusal is an answer, not a finding.
    }
}

int64_t consumeOffset(FuzzedDataProvider& fdp)
{
    switch (fdp.ConsumeIntegralInRange(0, 3)) {
    case 0: return fdp.ConsumeIntegral<int64_t>();
    case 1: return fdp.ConsumeIntegral<int32_t>();
    default: return fdp.ConsumeIntegralInRange<int64_t>(-70, 70);
    }
}

void slicedBuffer(const uint8_t* data, size_t size, FuzzedDataProvider& fdp)
{
    TMemoryStream source;
    source.SetSize(int64_t(size));
    if (size)
        std::memcpy(source.Memory(), data, size);
    TSliceStreamReader reader(source);
    const int64_t n = reader.Size();
    check(n == (size >= 3 && (data[0] ^ data[1]) != 0 ? int64_t(size) - 2 : 0));

    std::vector<uint8_t> buffer;
    for (int op = 0; op < 16 && fdp.remaining_bytes() > 0; ++op) {
        if (fdp.ConsumeBool()) {
            reader.Seek(consumeOffset(fdp), fdp.ConsumeIntegralInRange(0, 3));
            continue;
        }
        const int64_t from = reader.Position();
        const int64_t want = fdp.ConsumeIntegralInRange<int64_t>(-2, int64_t(size) + 4);
        buffer.assign(size_t(std::max<int64_t>(want, 0)), 0);
        const int64_t got = reader.Read(buffer.data(), want);
        check(got >= 0 && got <= std::max<int64_t>(want, 0) && from + got <= n);
        check(reader.Position() == from + got);
        // The grid walk against the per-byte mapping.
        const uint8_t key = data[0], slices = data[1] ^ data[0];
        for (int64_t k = 0; k < got; ++k)
            check(buffer[size_t(k)] == (data[2 + FlatToSlicedPos(int32_t(from + k), int32_t(n), slices)] ^ key));
    }
    const uint8_t junk[8] = {};
    check(reader.Write(junk, 8) == 0);
    check(source.size() == int64_t(size) && (size == 0 || std::memcmp(source.Memory(), data, size) == 0));
}

void plainList(const uint8_t* data, size_t size, FuzzedDataProvider& fdp)
{
    TMemoryStream source;
    source.SetSize(int64_t(size));
    if (size)
        std::memcpy(source.Memory(), data, size);
    TStreamListReader reader(source);
    std::vector<uint8_t> before, buffer;
    for (int op = 0; op < 24 && fdp.remaining_bytes() > 0; ++op) {
        switch (fdp.ConsumeIntegralInRange(0, 3)) {
        case 0: reader.SetItemIndex(fdp.ConsumeIntegral<int32_t>() % std::max(reader.Count(), 1) + fdp.ConsumeIntegralInRange(-1, 1)); break;
        case 1: reader.Seek(consumeOffset(fdp), fdp.ConsumeIntegralInRange(-1, 3)); break;
        case 2: {
            const int64_t want = fdp.ConsumeIntegralInRange<int64_t>(-2, int64_t(size) + 4);
            buffer.assign(size_t(std::max<int64_t>(want, 0)), 0);
            const int64_t from = reader.Position();
            const int64_t got = reader.Read(buffer.data(), want);
            check(got >= 0 && from + got <= reader.ItemSize());
            break;
        }
        default: {
            // A write changes bytes of the selected member only. (In a lying list its record may
            // overlap the offset table, which an earlier write may have changed since it was
            // selected; the reader keeps the place it read then.)
            const int64_t want = fdp.ConsumeIntegralInRange<int64_t>(0, int64_t(size) + 4);
            buffer.assign(size_t(want), 0xEE);
            before.assign(source.Memory(), source.Memory() + source.size());
            const int64_t start = int64_t(reader.ItemOffset()) + 4;
            const int64_t from = reader.Position();
            const int64_t got = reader.Write(buffer.data(), want);
            check(got >= 0 && from + got <= reader.ItemSize());
            check(source.size() == int64_t(size));
            if (got > 0) {
                for (int64_t i = 0; i < int64_t(size); ++i)
                    if (i < start || i >= start + reader.ItemSize())
                        check(source.Memory()[i] == before[size_t(i)]);
            }
        }
        }
        check(reader.Position() >= 0 && reader.Position() <= reader.ItemSize());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietHandler quiet;
    static const bool installed = (seam::install(&quiet), true);
    (void)installed;

    fileImage(data, size);
    FuzzedDataProvider fdp(data, size);
    slicedBuffer(data, size, fdp);
    plainList(data, size, fdp);

    // The stack of the save check: a list reader on a slice reader.
    TMemoryStream source;
    source.SetSize(int64_t(size));
    if (size)
        std::memcpy(source.Memory(), data, size);
    TSliceStreamReader slices(source);
    TStreamListReader list(slices);
    const int32_t shown = std::min(list.Count(), int32_t(size / 4));
    std::vector<uint8_t> buffer;
    for (int32_t i = 0; i < shown; ++i) {
        list.SetItemIndex(i);
        buffer.resize(size_t(list.ItemSize()));
        check(list.ItemSize() <= slices.Size());
        check(list.Read(buffer.data(), list.ItemSize()) == list.ItemSize());
    }
    return 0;
}
