#pragma once

// The chunks of a RIFF WAVE image, found without trusting its sizes: every chunk is cut to the
// bytes that are really there, so that nothing read later can ask for more than the image holds.

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace dw {

struct RiffWave {
    // The format chunk (at least 16 bytes), the fact chunk (possibly empty) and the data chunk,
    // each pointing into the image; sizes are what the image holds, never what it claims.
    const uint8_t* fmt = nullptr;
    uint32_t fmtSize = 0;
    const uint8_t* fact = nullptr;
    uint32_t factSize = 0;
    const uint8_t* data = nullptr;
    uint32_t dataSize = 0;

    uint16_t formatTag() const;
    uint16_t channels() const;
    uint32_t sampleRate() const;
    uint16_t blockAlign() const;
    uint16_t bitsPerSample() const;
    // The format tag, or for WAVE_FORMAT_EXTENSIBLE the tag of its sub-format.
    uint16_t effectiveFormatTag() const;
};

// Whether the image's first twelve bytes are those of a RIFF WAVE image ("RIFF", a size,
// "WAVE"); what findWaveChunks says when they are not.
bool isRiffWaveHead(const uint8_t* image, int64_t size);
inline constexpr char kNotRiffWave[] = "not a RIFF WAVE image";

// A wave image walks at most this many chunks before giving up on finding its format and data.
constexpr int kMaxRiffChunks = 10000;

// Finds the first fmt, fact and data chunks. The RIFF size bounds the walk when it is smaller
// than the image (bytes after it are not the wave's); a chunk that claims more than is left is
// cut to what is left and ends the walk. Nothing, with the reason in problem, when the image is
// not RIFF WAVE or lacks a format chunk of 16 bytes or a data chunk.
std::optional<RiffWave> findWaveChunks(const uint8_t* image, int64_t size, QString* problem);

// A clean image of the same sound: RIFF header, fmt, fact (when there was one) and data, each
// with the size it really has and the data cut to dataSize bytes.
std::vector<uint8_t> rebuildWaveImage(const RiffWave& wave, uint32_t dataSize);

} // namespace dw
