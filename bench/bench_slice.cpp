// Slicing and slice read-back of a 16 MiB buffer: the grid walk of SliceStream and
// TSliceStreamReader against the per-byte form (every byte mapped through FlatToSlicedPos) and
// against memcpy of the same bytes.

#include "BenchTimer.h"

#include "datafile/StreamList.h"

#include "platform/MemoryStream.h"
#include "platform/Random.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

using namespace dw;

namespace {

constexpr int32_t kSize = 16 << 20;
constexpr uint64_t kSeed = 2024;

// The per-byte forms, written the plain way: one FlatToSlicedPos per byte.
void slicePerByte(const uint8_t* plain, int32_t n, uint8_t key, uint8_t slices, uint8_t* out)
{
    out[0] = key;
    out[1] = slices ^ key;
    for (int32_t i = 0; i < n; ++i)
        out[2 + FlatToSlicedPos(i, n, slices)] = plain[i] ^ key;
}

void unslicePerByte(const uint8_t* sliced, int32_t n, uint8_t* out)
{
    const uint8_t key = sliced[0], slices = sliced[1] ^ sliced[0];
    for (int32_t i = 0; i < n; ++i)
        out[i] = sliced[2 + FlatToSlicedPos(i, n, slices)] ^ key;
}

} // namespace

int main()
{
    std::mt19937 rng(7);
    TMemoryStream plain;
    plain.SetSize(kSize);
    for (int32_t i = 0; i < kSize; ++i)
        plain.Memory()[i] = static_cast<uint8_t>(rng());

    // The same draws for every call, so that every case slices with one key and slice count.
    setRandomSeed(kSeed);
    const auto reference = SliceStream(plain, kSize);
    const uint8_t key = reference->Memory()[0];
    const uint8_t slices = reference->Memory()[1] ^ key;
    std::printf("16 MiB, key %u, slice count %u\n", key, slices);

    std::vector<uint8_t> perByte(kSize + 2), copy(kSize + 2), back(kSize);
    bool identical = true;

    auto sliceOnce = [&] {
        setRandomSeed(kSeed);
        plain.SetPosition(0);
        auto sliced = SliceStream(plain, kSize);
        bench::keep(sliced->Memory()[kSize / 2]);
    };
    auto sliceCopyOnce = [&] {
        std::memcpy(copy.data() + 2, plain.Memory(), kSize);
        bench::keep(copy[kSize / 2]);
    };
    TSliceStreamReader reader(*reference);
    auto readOnce = [&] {
        reader.SetPosition(0);
        bench::keep(reader.Read(back.data(), kSize));
    };
    auto readCopyOnce = [&] {
        std::memcpy(back.data(), reference->Memory() + 2, kSize);
        bench::keep(back[kSize / 2]);
    };

    // The per-byte forms, once: they are slow and far from their goal either way.
    slicePerByte(plain.Memory(), kSize, key, slices, perByte.data());
    identical &= std::memcmp(perByte.data(), reference->Memory(), kSize + 2) == 0;
    const double slicePerByteTime = bench::secondsPerCall(
        [&] { slicePerByte(plain.Memory(), kSize, key, slices, perByte.data()); }, 0.25, 2);
    std::vector<uint8_t> backPerByte(kSize);
    const double readPerByteTime = bench::secondsPerCall(
        [&] { unslicePerByte(reference->Memory(), kSize, backPerByte.data()); }, 0.25, 2);

    // The fast cases and their memcpy peers alternately, three times over, best of each: the
    // machine is shared, and a busy neighbour should not fall on one side of a ratio only.
    double sliceOurs = 1e300, sliceCopy = 1e300, readOurs = 1e300, readCopy = 1e300;
    for (int round = 0; round < 3; ++round) {
        sliceOurs = std::min(sliceOurs, bench::secondsPerCall(sliceOnce, 0.2, 3));
        sliceCopy = std::min(sliceCopy, bench::secondsPerCall(sliceCopyOnce, 0.2, 3));
        readOurs = std::min(readOurs, bench::secondsPerCall(readOnce, 0.2, 3));
        readCopy = std::min(readCopy, bench::secondsPerCall(readCopyOnce, 0.2, 3));
    }
    readOnce();
    identical &= std::memcmp(back.data(), plain.Memory(), kSize) == 0;
    unslicePerByte(reference->Memory(), kSize, backPerByte.data());
    identical &= backPerByte == back;

    std::printf("slicing\n");
    bench::printCase("SliceStream (grid walk, new stream)", sliceOurs, kSize, "MB");
    bench::printCase("per-byte FlatToSlicedPos", slicePerByteTime, kSize, "MB");
    bench::printCase("memcpy", sliceCopy, kSize, "MB");
    std::printf("read-back\n");
    bench::printCase("TSliceStreamReader::Read (grid walk)", readOurs, kSize, "MB");
    bench::printCase("per-byte FlatToSlicedPos", readPerByteTime, kSize, "MB");
    bench::printCase("memcpy", readCopy, kSize, "MB");
    std::printf("ratios\n");
    bench::printRatio("slicing vs per-byte", sliceOurs, slicePerByteTime, 10.0);
    bench::printRatio("slicing vs memcpy", sliceOurs, sliceCopy, 0.25);
    bench::printRatio("read-back vs per-byte", readOurs, readPerByteTime, 10.0);
    bench::printRatio("read-back vs memcpy", readOurs, readCopy, 0.25);
    std::printf("output bytes identical to the per-byte form: %s\n", identical ? "yes" : "NO");
    if (!identical)
        bench::fail("the grid walk and the per-byte form differ");
    return bench::exitStatus();
}
