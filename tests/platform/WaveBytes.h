#pragma once

// Wave images written byte by byte for the tests: a format chunk from its fields and any data,
// plus a reference IMA ADPCM decoder that does not share code with the player's.

#include "platform/ByteOrder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace dw::test {

struct WaveFields {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t sampleRate = 44100;
    uint16_t bitsPerSample = 16;
    uint16_t blockAlign = 0;             // 0: channels × bits / 8
    std::vector<uint8_t> extension;      // cbSize and what follows, for formats that have them
    uint32_t riffSizeOverride = 0;       // 0: the true size
    uint32_t dataSizeOverride = 0;       // 0: the true size
};

inline std::vector<uint8_t> waveImage(const WaveFields& f, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out(12);
    auto chunk = [&](const char* id, const std::vector<uint8_t>& body, uint32_t claimed) {
        const size_t at = out.size();
        out.resize(at + 8);
        std::memcpy(out.data() + at, id, 4);
        writeLE32(out.data() + at + 4, claimed);
        out.insert(out.end(), body.begin(), body.end());
    };
    std::vector<uint8_t> fmt(16);
    const uint16_t blockAlign = f.blockAlign ? f.blockAlign : uint16_t(f.channels * f.bitsPerSample / 8);
    writeLE16(fmt.data(), f.formatTag);
    writeLE16(fmt.data() + 2, f.channels);
    writeLE32(fmt.data() + 4, f.sampleRate);
    writeLE32(fmt.data() + 8, f.sampleRate * blockAlign);
    writeLE16(fmt.data() + 12, blockAlign);
    writeLE16(fmt.data() + 14, f.bitsPerSample);
    fmt.insert(fmt.end(), f.extension.begin(), f.extension.end());
    std::memcpy(out.data(), "RIFF", 4);
    std::memcpy(out.data() + 8, "WAVE", 4);
    chunk("fmt ", fmt, uint32_t(fmt.size()));
    chunk("data", data, f.dataSizeOverride ? f.dataSizeOverride : uint32_t(data.size()));
    writeLE32(out.data() + 4, f.riffSizeOverride ? f.riffSizeOverride : uint32_t(out.size() - 8));
    return out;
}

// A wave file of 8-bit mono PCM at 8000 samples a second holding the given samples.
inline std::vector<uint8_t> pcm8Wave(const std::vector<uint8_t>& samples)
{
    WaveFields f;
    f.sampleRate = 8000;
    f.bitsPerSample = 8;
    return waveImage(f, samples);
}

inline std::vector<uint8_t> pcm16Bytes(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        writeLE16(out.data() + 2 * i, uint16_t(samples[i]));
    return out;
}

// IMA ADPCM as a wave file stores it: per block and channel a header (first sample, step index,
// a zero byte), then per channel in turn four bytes of eight 4-bit codes, low nibble first.
inline std::vector<int16_t> decodeImaAdpcm(const std::vector<uint8_t>& data, int channels, int blockAlign)
{
    static const int kSteps[89] = {
        7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
        31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
        130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
        544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
        2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
        9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const int kIndexShift[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    std::vector<int16_t> out;
    for (size_t block = 0; block + size_t(blockAlign) <= data.size(); block += size_t(blockAlign)) {
        const uint8_t* b = data.data() + block;
        std::vector<int> sample(static_cast<size_t>(channels)), index(static_cast<size_t>(channels));
        for (int c = 0; c < channels; ++c) {
            sample[size_t(c)] = int16_t(readLE16(b + 4 * c));
            index[size_t(c)] = std::min<int>(b[4 * c + 2], 88);
            out.push_back(int16_t(sample[size_t(c)]));
        }
        const int groups = (blockAlign - 4 * channels) / (4 * channels);
        std::vector<std::vector<int16_t>> decoded(static_cast<size_t>(channels));
        const uint8_t* p = b + 4 * channels;
        for (int g = 0; g < groups; ++g) {
            for (int c = 0; c < channels; ++c) {
                for (int i = 0; i < 8; ++i) {
                    const int code = (p[i / 2] >> ((i % 2) * 4)) & 0xF;
                    const int step = kSteps[index[size_t(c)]];
                    int delta = step >> 3;
                    if (code & 4)
                        delta += step;
                    if (code & 2)
                        delta += step >> 1;
                    if (code & 1)
                        delta += step >> 2;
                    if (code & 8)
                        delta = -delta;
                    sample[size_t(c)] = std::clamp(sample[size_t(c)] + delta, -32768, 32767);
                    index[size_t(c)] = std::clamp(index[size_t(c)] + kIndexShift[code & 7], 0, 88);
                    decoded[size_t(c)].push_back(int16_t(sample[size_t(c)]));
                }
                p += 4;
            }
        }
        for (size_t i = 0; i < decoded[0].size(); ++i)
            for (int c = 0; c < channels; ++c)
                out.push_back(decoded[size_t(c)][i]);
    }
    return out;
}

} // namespace dw::test
