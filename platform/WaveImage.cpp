// Wave images decoded with SDL's wave reader and converted with its audio stream; neither needs
// an audio device or SDL's initialisation. SDL reads only the clean image that RiffWave.h
// rebuilds, so every chunk size it sees is true (its reader allocates what a chunk claims).
#include "WaveImage.h"

#include "RiffWave.h"

#include <SDL.h>

#include <QFile>

#include <algorithm>
#include <memory>

namespace dw {

namespace {

enum : uint16_t {
    WAVE_FORMAT_PCM = 0x0001,
    WAVE_FORMAT_ADPCM = 0x0002,
    WAVE_FORMAT_IEEE_FLOAT = 0x0003,
    WAVE_FORMAT_ALAW = 0x0006,
    WAVE_FORMAT_MULAW = 0x0007,
    WAVE_FORMAT_IMA_ADPCM = 0x0011,
};

// The most sample frames one block of an ADPCM format holds (its header sample(s) included);
// 0 when the block is too small for its headers.
int64_t adpcmFramesPerBlock(uint16_t tag, int64_t blockAlign, int64_t channels)
{
    if (tag == WAVE_FORMAT_IMA_ADPCM) // 4 header bytes a channel, then 4-bit samples
        return blockAlign < 4 * channels ? 0 : (blockAlign - 4 * channels) * 2 / channels + 1;
    // MS ADPCM: 7 header bytes a channel holding two samples, then 4-bit samples
    return blockAlign < 7 * channels ? 0 : (blockAlign - 7 * channels) * 2 / channels + 2;
}

// How many bytes of the data chunk the longest sound that plays can need: the format's frames
// for kMaxWaveSeconds, in whole blocks.
std::optional<uint32_t> neededDataBytes(const RiffWave& wave, QString& problem)
{
    const int64_t channels = wave.channels();
    const int64_t rate = wave.sampleRate();
    const int64_t blockAlign = wave.blockAlign();
    if (channels < kMinWaveChannels || channels > kMaxWaveChannels) {
        problem = QStringLiteral("%1 channels (1 to %2 play)").arg(channels).arg(kMaxWaveChannels);
        return std::nullopt;
    }
    if (rate < kMinWaveRate || rate > kMaxWaveRate) {
        problem = QStringLiteral("%1 samples a second (%2 to %3 play)").arg(rate).arg(kMinWaveRate).arg(kMaxWaveRate);
        return std::nullopt;
    }
    if (blockAlign == 0) {
        problem = QStringLiteral("a block size of 0");
        return std::nullopt;
    }
    const int64_t maxFrames = int64_t(kMaxWaveSeconds) * rate;
    const uint16_t tag = wave.effectiveFormatTag();
    int64_t bytes = maxFrames * blockAlign; // at most 300 × 384000 × 65535: fits 64 bits
    if (tag == WAVE_FORMAT_ADPCM || tag == WAVE_FORMAT_IMA_ADPCM) {
        const int64_t framesPerBlock = adpcmFramesPerBlock(tag, blockAlign, channels);
        if (framesPerBlock <= 0) {
            problem = QStringLiteral("ADPCM blocks too small for their headers");
            return std::nullopt;
        }
        bytes = (maxFrames + framesPerBlock - 1) / framesPerBlock * blockAlign;
    }
    return uint32_t(std::min<int64_t>(bytes, wave.dataSize));
}

struct SdlFree {
    void operator()(Uint8* p) const { SDL_FreeWAV(p); }
};

// The decoded sound: SDL's samples in the wave's own layout, cut to kMaxWaveSeconds.
struct Decoded {
    WaveFormat format;
    SDL_AudioSpec audioFormat{};
    std::unique_ptr<Uint8, SdlFree> samples;
    uint32_t length = 0; // bytes at samples
    QString problem;
};

Decoded decode(const uint8_t* image, int64_t size)
{
    Decoded out;
    const std::optional<RiffWave> wave = findWaveChunks(image, size, &out.problem);
    if (!wave)
        return out;
    const std::optional<uint32_t> needed = neededDataBytes(*wave, out.problem);
    if (!needed)
        return out;
    const std::vector<uint8_t> clean = rebuildWaveImage(*wave, *needed);
    if (clean.size() > size_t(INT32_MAX)) { // SDL's memory reader counts in int
        out.problem = QStringLiteral("more than 2 GiB of wave data");
        return out;
    }

    SDL_RWops* source = SDL_RWFromConstMem(clean.data(), int(clean.size()));
    if (!source) {
        out.problem = QStringLiteral("out of memory");
        return out;
    }
    Uint8* samples = nullptr;
    Uint32 length = 0;
    // Frees the source (freesrc 1) whatever happens.
    if (!SDL_LoadWAV_RW(source, 1, &out.audioFormat, &samples, &length)) {
        out.problem = QString::fromUtf8(SDL_GetError());
        if (out.problem.isEmpty())
            out.problem = QStringLiteral("not a wave the decoder reads");
        return out;
    }
    out.samples.reset(samples);
    const int64_t frameBytes = int64_t(SDL_AUDIO_BITSIZE(out.audioFormat.format) / 8) * out.audioFormat.channels;
    if (frameBytes <= 0 || out.audioFormat.freq <= 0) {
        out.problem = QStringLiteral("a sample layout the decoder cannot give");
        return out;
    }
    const int64_t frames = std::min<int64_t>(length / frameBytes, int64_t(kMaxWaveSeconds) * out.audioFormat.freq);
    if (frames <= 0) {
        out.problem = QStringLiteral("no samples");
        return out;
    }
    out.length = uint32_t(frames * frameBytes);
    out.format.formatTag = wave->effectiveFormatTag();
    out.format.channels = out.audioFormat.channels;
    out.format.sampleRate = out.audioFormat.freq;
    out.format.bitsPerSample = wave->bitsPerSample();
    out.format.frames = frames;
    return out;
}

} // namespace

QString WaveFormat::formatName() const
{
    switch (formatTag) {
    case WAVE_FORMAT_PCM: return QStringLiteral("PCM");
    case WAVE_FORMAT_ADPCM: return QStringLiteral("MS ADPCM");
    case WAVE_FORMAT_IEEE_FLOAT: return QStringLiteral("IEEE float");
    case WAVE_FORMAT_ALAW: return QStringLiteral("A-law");
    case WAVE_FORMAT_MULAW: return QStringLiteral("µ-law");
    case WAVE_FORMAT_IMA_ADPCM: return QStringLiteral("IMA ADPCM");
    default: return QStringLiteral("format 0x%1").arg(formatTag, 4, 16, QLatin1Char('0'));
    }
}

WaveProbe probeWaveImage(const uint8_t* image, int64_t size)
{
    Decoded decoded = decode(image, size);
    WaveProbe probe;
    if (decoded.problem.isEmpty())
        probe.format = decoded.format;
    else
        probe.problem = decoded.problem;
    return probe;
}

std::optional<QString> waveFileHeadProblem(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    uint8_t head[12] = {};
    const qint64 got = file.read(reinterpret_cast<char*>(head), sizeof head);
    if (got < 0 || isRiffWaveHead(head, got))
        return std::nullopt;
    return QString::fromLatin1(kNotRiffWave);
}

PcmSamples decodeWaveImage(const uint8_t* image, int64_t size, const PcmFormat& device)
{
    PcmSamples out;
    Decoded decoded = decode(image, size);
    if (!decoded.problem.isEmpty()) {
        out.problem = decoded.problem;
        return out;
    }
    SDL_AudioStream* stream = SDL_NewAudioStream(decoded.audioFormat.format, decoded.audioFormat.channels, decoded.audioFormat.freq,
                                                 AUDIO_S16SYS, Uint8(device.channels), device.sampleRate);
    if (!stream) {
        out.problem = QString::fromUtf8(SDL_GetError());
        return out;
    }
    const std::unique_ptr<SDL_AudioStream, void (*)(SDL_AudioStream*)> owner(stream, SDL_FreeAudioStream);
    out.samples.reserve(size_t(decoded.format.frames * device.sampleRate / decoded.audioFormat.freq + 1) * size_t(device.channels));
    // Fed and drained a piece at a time: the stream counts in int, and the pieces keep its own
    // buffers small.
    constexpr uint32_t kPiece = 1 << 20;
    auto drain = [&] {
        for (int available = SDL_AudioStreamAvailable(stream); available > 0; available = SDL_AudioStreamAvailable(stream)) {
            const size_t at = out.samples.size();
            out.samples.resize(at + size_t(available) / sizeof(int16_t));
            const int got = SDL_AudioStreamGet(stream, out.samples.data() + at, available);
            out.samples.resize(at + size_t(std::max(got, 0)) / sizeof(int16_t));
            if (got <= 0)
                break;
        }
    };
    for (uint32_t at = 0; at < decoded.length; at += kPiece) {
        const uint32_t piece = std::min(kPiece, decoded.length - at);
        if (SDL_AudioStreamPut(stream, decoded.samples.get() + at, int(piece)) != 0) {
            out.problem = QString::fromUtf8(SDL_GetError());
            out.samples.clear();
            return out;
        }
        drain();
    }
    // SDL's resampler keeps its last input frames back as its right-hand padding, and flushing
    // does not give them out; silence after the sound pushes them through, and the output is then
    // cut to the sound's own length.
    const int64_t expectedFrames =
        (decoded.format.frames * device.sampleRate + decoded.audioFormat.freq - 1) / decoded.audioFormat.freq;
    const int64_t padFrames = 2 * (512 * std::max(1, decoded.audioFormat.freq / std::max(device.sampleRate, 1)) + 512);
    const std::vector<Uint8> silence(size_t(padFrames) * (SDL_AUDIO_BITSIZE(decoded.audioFormat.format) / 8) * decoded.audioFormat.channels,
                                     decoded.audioFormat.format == AUDIO_U8 ? 0x80 : 0);
    SDL_AudioStreamPut(stream, silence.data(), int(silence.size()));
    SDL_AudioStreamFlush(stream);
    drain();
    out.samples.resize(std::min(out.samples.size(), size_t(expectedFrames) * size_t(device.channels)));
    if (out.samples.empty())
        out.problem = QStringLiteral("no samples");
    return out;
}

} // namespace dw
