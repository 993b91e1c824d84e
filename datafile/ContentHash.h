#pragma once

// A 64-bit hash of bytes, for the seed of the slicing of a file made from sources: the same bytes
// always give the same hash, whichever processor makes it and however the bytes are handed in.

#include <cstdint>

namespace dw {

// Which code takes the bytes: the fastest the processor has (AVX2 where there is), or the
// portable code. Both give the same hash; the choice is for tests.
enum class HashKernel { Fastest, Portable };

// The bytes are taken in consecutive parts of any sizes, 64 bytes at a time across eight 64-bit
// lanes: each lane adds the product of the two halves of its word XORed with a constant, and the
// word of its neighbour (so that every word counts in full); every 1 KiB the lanes are mixed, and
// at the end the last part-filled 64 bytes (zero-padded), the lanes and the length are folded
// into one value. Not for anything that must resist a chosen input.
class ContentHasher {
public:
    explicit ContentHasher(HashKernel kernel = HashKernel::Fastest);

    void add(const uint8_t* bytes, int64_t size);
    // The hash of every byte added so far (more may be added after).
    uint64_t finish() const;

private:
    uint64_t m_lanes[8];
    uint8_t m_pending[64];
    int m_pendingCount = 0;
    int m_stripe = 0; // 64-byte stripes taken since the lanes were last mixed
    uint64_t m_length = 0;
    bool m_avx2;
};

} // namespace dw
