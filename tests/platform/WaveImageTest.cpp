// Wave images read and converted without a device: every format the decoder knows, and images
// whose headers lie.
#include "WaveBytes.h"

#include "platform/RiffWave.h"
#include "platform/WaveImage.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace dw;
using namespace dw::test;

namespace {

WaveProbe probe(const std::vector<uint8_t>& image) { return probeWaveImage(image.data(), int64_t(image.size())); }

std::vector<uint8_t> msAdpcmExtension(uint16_t samplesPerBlock)
{
    static const int16_t kCoef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    std::vector<uint8_t> ext(2 + 2 + 2 + 28);
    writeLE16(ext.data(), 32);
    writeLE16(ext.data() + 2, samplesPerBlock);
    writeLE16(ext.data() + 4, 7);
    for (int i = 0; i < 7; ++i) {
        writeLE16(ext.data() + 6 + 4 * i, uint16_t(kCoef[i][0]));
        writeLE16(ext.data() + 8 + 4 * i, uint16_t(kCoef[i][1]));
    }
    return ext;
}

WaveFields fields(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign = 0,
                  std::vector<uint8_t> extension = {})
{
    WaveFields f;
    f.formatTag = tag;
    f.channels = channels;
    f.sampleRate = rate;
    f.bitsPerSample = bits;
    f.blockAlign = blockAlign;
    f.extension = std::move(extension);
    return f;
}

std::vector<uint8_t> imaExtension(uint16_t samplesPerBlock) { return {2, 0, uint8_t(samplesPerBlock), uint8_t(samplesPerBlock >> 8)}; }

} // namespace

TEST(WaveImage, EveryFormatTheDecoderKnowsPlays)
{
    struct Case {
        const char* name;
        WaveFields fields;
        size_t dataBytes;
        int64_t frames;
    };
    std::vector<uint8_t> msBlock(7 + 50, 0x12); // mono MS ADPCM: 7 header bytes, 100 codes
    msBlock[0] = 0;                             // predictor 0
    const Case cases[] = {
        {"PCM", fields(1, 1, 8000, 8), 800, 800},
        {"PCM", fields(1, 2, 44100, 16), 400, 100},
        {"PCM", fields(1, 2, 48000, 24), 600, 100},
        {"PCM", fields(1, 1, 96000, 32), 400, 100},
        {"IEEE float", fields(3, 2, 44100, 32), 800, 100},
        {"A-law", fields(6, 1, 8000, 8), 160, 160},
        {"µ-law", fields(7, 1, 8000, 8), 160, 160},
        {"IMA ADPCM", fields(0x11, 1, 22050, 4, 36, imaExtension(65)), 72, 130},
        {"MS ADPCM", fields(2, 1, 22050, 4, 57, msAdpcmExtension(102)), 57, 102},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> data(c.dataBytes, 0x21);
        if (c.fields.formatTag == 2)
            data = msBlock;
        if (c.fields.formatTag == 3)
            for (size_t i = 0; i + 4 <= data.size(); i += 4)
                writeLE32(data.data() + i, 0x3E800000); // 0.25f
        const WaveProbe p = probe(waveImage(c.fields, data));
        ASSERT_TRUE(p.playable()) << c.name << " " << c.fields.bitsPerSample << ": " << qPrintable(p.problem);
        EXPECT_EQ(p.format->formatName(), QString::fromUtf8(c.name));
        EXPECT_EQ(p.format->channels, c.fields.channels);
        EXPECT_EQ(p.format->sampleRate, int(c.fields.sampleRate));
        EXPECT_EQ(p.format->bitsPerSample, c.fields.bitsPerSample);
        EXPECT_EQ(p.format->frames, c.frames) << c.name;
    }
}

TEST(WaveImage, WhatIsNotAPlayableWaveSaysWhy)
{
    const std::vector<uint8_t> pcm(100, 0x40);
    struct Case {
        const char* what;
        std::vector<uint8_t> image;
    };
    std::vector<uint8_t> noData = waveImage({}, {});
    noData.resize(12 + 8 + 16);
    writeLE32(noData.data() + 4, uint32_t(noData.size() - 8));
    std::vector<uint8_t> shortFmt = waveImage({}, pcm);
    writeLE32(shortFmt.data() + 16, 14); // the format chunk claims 14 bytes
    std::vector<uint8_t> blockAlignZero = waveImage({}, pcm);
    writeLE16(blockAlignZero.data() + 32, 0);
    const Case cases[] = {
        {"nothing", {}},
        {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'}},
        {"RIFF but not WAVE", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}},
        {"no data chunk", noData},
        {"a format chunk too short", shortFmt},
        {"no channels", waveImage(fields(1, 0, 44100, 16, 2), pcm)},
        {"nine channels", waveImage(fields(1, 9, 44100, 16), std::vector<uint8_t>(180, 1))},
        {"65535 channels", waveImage(fields(1, 65535, 44100, 16, 2), pcm)},
        {"rate 0", waveImage(fields(1, 1, 0, 16), pcm)},
        {"rate 999", waveImage(fields(1, 1, 999, 16), pcm)},
        {"rate of four billion", waveImage(fields(1, 1, 4000000000u, 16), pcm)},
        {"block size 65535 for 16-bit mono", waveImage(fields(1, 1, 44100, 16, 0xFFFF), pcm)},
        {"block size 0", blockAlignZero},
        {"no samples", waveImage({}, {})},
        {"unknown format", waveImage(fields(0x55, 1, 44100, 16), pcm)},
        {"12-bit PCM", waveImage(fields(1, 1, 44100, 12, 2), pcm)},
        {"IMA ADPCM blocks smaller than their headers", waveImage(fields(0x11, 2, 44100, 4, 4, imaExtension(1)), pcm)},
    };
    for (const Case& c : cases) {
        const WaveProbe p = probe(c.image);
        EXPECT_FALSE(p.playable()) << c.what;
        EXPECT_FALSE(p.problem.isEmpty()) << c.what;
        const PcmSamples s = decodeWaveImage(c.image.data(), int64_t(c.image.size()), {2, 44100});
        EXPECT_FALSE(s.ok()) << c.what;
        EXPECT_TRUE(s.samples.empty()) << c.what;
    }
}

TEST(WaveImage, SizesThatLieAreCutToTheBytesThatAreThere)
{
    const std::vector<uint8_t> pcm = pcm16Bytes({100, -100, 200, -200, 300, -300});
    WaveFields f;
    f.dataSizeOverride = 0x7FFFFFF0; // a 2 GB claim in a 56-byte image
    f.riffSizeOverride = 0xFFFFFFFF;
    const std::vector<uint8_t> lying = waveImage(f, pcm);
    ASSERT_LT(lying.size(), 60u);
    const WaveProbe p = probe(lying);
    ASSERT_TRUE(p.playable()) << qPrintable(p.problem);
    EXPECT_EQ(p.format->frames, 6);
    const PcmSamples s = decodeWaveImage(lying.data(), int64_t(lying.size()), {1, 44100});
    EXPECT_EQ(s.samples, (std::vector<int16_t>{100, -100, 200, -200, 300, -300}));

    // A truncated chunk before the data leaves no data to play.
    std::vector<uint8_t> fmtOnly = waveImage({}, pcm);
    writeLE32(fmtOnly.data() + 16, 0xFFFFFF00);
    EXPECT_FALSE(probe(fmtOnly).playable());

    // Bytes after the RIFF size are not the wave's, even when they look like chunks.
    std::vector<uint8_t> trailing = waveImage({}, pcm);
    const std::vector<uint8_t> extra = {'d', 'a', 't', 'a', 2, 0, 0, 0, 1, 2};
    trailing.insert(trailing.end(), extra.begin(), extra.end());
    EXPECT_EQ(probe(trailing).format.value_or(WaveFormat{}).frames, 6);
}

TEST(WaveImage, ChunksAreFoundInAnyOrderAfterOthersAndOddPadding)
{
    const std::vector<uint8_t> pcm = pcm16Bytes({1, 2, 3});
    std::vector<uint8_t> image = waveImage({}, pcm);
    // A LIST chunk of odd length with its pad byte, between "WAVE" and "fmt ".
    const std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    image.insert(image.begin() + 12, list.begin(), list.end());
    writeLE32(image.data() + 4, uint32_t(image.size() - 8));
    QString problem;
    const std::optional<RiffWave> wave = findWaveChunks(image.data(), int64_t(image.size()), &problem);
    ASSERT_TRUE(wave) << qPrintable(problem);
    EXPECT_EQ(wave->dataSize, 6u);
    EXPECT_EQ(wave->channels(), 1);
    EXPECT_EQ(probe(image).format.value_or(WaveFormat{}).frames, 3);
}

TEST(WaveImage, SoundsLongerThanTheLimitAreCutThere)
{
    // 16-bit mono at 1000 samples a second: 350 seconds in 700000 bytes.
    const std::vector<uint8_t> data(700000, 0x11);
    const WaveProbe p = probe(waveImage(fields(1, 1, 1000, 16), data));
    ASSERT_TRUE(p.playable());
    EXPECT_EQ(p.format->frames, int64_t(kMaxWaveSeconds) * 1000);
    EXPECT_DOUBLE_EQ(p.format->seconds(), kMaxWaveSeconds);
}

TEST(WaveImage, ConversionKeepsSixteenBitStereoAndWidensEightBitMono)
{
    const std::vector<int16_t> stereo = {1000, -1000, 32767, -32768, 5, 7};
    const std::vector<uint8_t> image = waveImage(fields(1, 2, 44100, 16), pcm16Bytes(stereo));
    EXPECT_EQ(decodeWaveImage(image.data(), int64_t(image.size()), {2, 44100}).samples, stereo);

    const std::vector<uint8_t> eight = {255, 0, 128, 200, 1};
    const std::vector<uint8_t> mono = waveImage(fields(1, 1, 44100, 8), eight);
    const PcmSamples s = decodeWaveImage(mono.data(), int64_t(mono.size()), {2, 44100});
    ASSERT_EQ(s.samples.size(), 10u);
    for (size_t i = 0; i < eight.size(); ++i) {
        const int expected = (int(eight[i]) - 128) * 256;
        EXPECT_NEAR(s.samples[2 * i], expected, 256) << i;
        EXPECT_EQ(s.samples[2 * i], s.samples[2 * i + 1]) << "both channels";
    }

    // Another rate: the same duration at the device's rate.
    const std::vector<uint8_t> slow = waveImage(fields(1, 1, 11025, 16), pcm16Bytes(std::vector<int16_t>(1102, 3000)));
    const PcmSamples fast = decodeWaveImage(slow.data(), int64_t(slow.size()), {2, 44100});
    EXPECT_NEAR(double(fast.samples.size()) / 2, 4408, 16);
}
