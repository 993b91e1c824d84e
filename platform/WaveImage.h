#pragma once

// Wave images held in memory (the bytes of a .wav file): what they hold and their samples in the
// form an audio device plays. Whatever the platform's decoder reads plays: PCM of 8, 16, 24 and
// 32 bits, 32-bit float, MS and IMA ADPCM, A-law and µ-law, also in the extensible format.
//
// Limits (a wave image comes from any file the user picks): 1 to 8 channels, 1000 to 384000
// samples a second, at most kMaxWaveSeconds played (a longer sound is cut there, and only the
// data those seconds need is decoded); chunk sizes are never trusted (RiffWave.h).

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace dw {

constexpr int kMinWaveChannels = 1;
constexpr int kMaxWaveChannels = 8;
constexpr int kMinWaveRate = 1000;
constexpr int kMaxWaveRate = 384000;
constexpr int kMaxWaveSeconds = 300;

struct WaveFormat {
    int formatTag = 0;     // 1 PCM, 2 MS ADPCM, 3 float, 6 A-law, 7 µ-law, 0x11 IMA ADPCM
    int channels = 0;
    int sampleRate = 0;    // sample frames a second
    int bitsPerSample = 0; // as the format chunk states it (4 for ADPCM)
    int64_t frames = 0;    // sample frames that play (after the limits above)

    double seconds() const { return sampleRate > 0 ? double(frames) / sampleRate : 0.0; }
    // "PCM", "IEEE float", "MS ADPCM", "IMA ADPCM", "A-law", "µ-law", or "format 0x…".
    QString formatName() const;
};

struct WaveProbe {
    std::optional<WaveFormat> format; // set when the image plays
    QString problem;                  // why it does not, in English
    bool playable() const { return format.has_value(); }
};

// What a wave image holds and whether it plays; no audio device is involved.
WaveProbe probeWaveImage(const uint8_t* image, int64_t size);

// Why the file at path is no wave image at all, judged by its first twelve bytes alone ("not a
// RIFF WAVE image"); nothing when it may be one, or when it cannot be opened (reading it says
// so then). A sound command asks this before reading a file whole: a large file of anything
// else is refused without being read.
std::optional<QString> waveFileHeadProblem(const QString& path);

// The sample layout of an audio device: signed 16-bit samples in the machine's byte order,
// channels interleaved.
struct PcmFormat {
    int channels = 2;
    int sampleRate = 44100;
};

struct PcmSamples {
    std::vector<int16_t> samples; // interleaved
    QString problem;              // why nothing can be played; empty when samples are there
    bool ok() const { return problem.isEmpty(); }
};

// The wave image's sound converted to the device's layout (channels mixed or duplicated, rate
// converted). An image that does not play gives no samples and the reason.
PcmSamples decodeWaveImage(const uint8_t* image, int64_t size, const PcmFormat& device);

} // namespace dw
