// Wave images from outside bytes (an embedded sound, a named .wav file): the chunk walk, SDL's
// decoder and the conversion to a device's layout, without a device. Whatever plays must convert
// to whole frames no longer than the limit allows, and the probe must agree with the decoder.
#include "FuzzSupport.h"

#include "platform/WaveImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const dw::WaveProbe probe = dw::probeWaveImage(data, int64_t(size));
    const dw::PcmFormat device{2, 48000};
    const dw::PcmSamples pcm = dw::decodeWaveImage(data, int64_t(size), device);
    dw::fuzz::check(probe.playable() == pcm.ok());
    if (!pcm.ok())
        return 0;
    dw::fuzz::check(pcm.samples.size() % 2 == 0);
    dw::fuzz::check(probe.format->frames <= int64_t(dw::kMaxWaveSeconds) * probe.format->sampleRate);
    const int64_t frames = int64_t(pcm.samples.size()) / 2;
    dw::fuzz::check(frames <= (probe.format->frames * device.sampleRate) / probe.format->sampleRate + 1);
    return 0;
}
