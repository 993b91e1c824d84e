// The device player heard through SDL's file-writing audio driver: what reaches the "device" is
// compared with the wave's own samples. The disk driver writes a buffer of 1024 frames, then
// waits SDL_DISKAUDIODELAY ms (by default the buffer's real duration; 0 would spin writing
// silence), so a short delay plays the test sounds several times faster than real time.
#include "WaveBytes.h"

#include "platform/DeviceWavePlayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace dw;
using namespace dw::test;

namespace {

class DiskDevice : public ::testing::Test {
protected:
    DiskDevice()
    {
        m_saved = {qgetenv("SDL_AUDIODRIVER"), qgetenv("SDL_DISKAUDIOFILE"), qgetenv("SDL_DISKAUDIODELAY")};
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output()));
        qputenv("SDL_DISKAUDIODELAY", "4");
    }
    ~DiskDevice() override
    {
        player.closeDevice();
        const char* names[] = {"SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "SDL_DISKAUDIODELAY"};
        for (int i = 0; i < 3; ++i) {
            if (m_saved[size_t(i)].isNull())
                qunsetenv(names[i]);
            else
                qputenv(names[i], m_saved[size_t(i)]);
        }
    }

    QString output() const { return m_dir.filePath("device.raw"); }

    bool play(const std::vector<uint8_t>& image) { return player.playWave(image.data(), int64_t(image.size())); }

    // Waits until the device has played everything queued and written a few more buffers, then
    // closes it and returns what it wrote (16-bit stereo frames).
    std::vector<int16_t> heard()
    {
        QElapsedTimer clock;
        clock.start();
        while (player.playing() && clock.elapsed() < 20000)
            QThread::msleep(5);
        EXPECT_FALSE(player.playing()) << "the sound did not finish";
        QThread::msleep(60);
        player.closeDevice();
        QFile f(output());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        std::vector<int16_t> samples(size_t(bytes.size()) / 2);
        std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        return samples;
    }

    // Where the sound begins in what the device wrote: the first sample that is not silence,
    // moved back to the frame's start.
    static size_t start(const std::vector<int16_t>& samples)
    {
        size_t i = 0;
        while (i < samples.size() && samples[i] == 0)
            ++i;
        return i - i % 2;
    }

    DeviceWavePlayer player;

private:
    QTemporaryDir m_dir;
    std::array<QByteArray, 3> m_saved;
};

WaveFields pcm(uint16_t channels, uint16_t bits)
{
    WaveFields f;
    f.channels = channels;
    f.bitsPerSample = bits;
    return f;
}

std::vector<int16_t> noise(size_t count, int limit, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-limit, limit);
    std::vector<int16_t> out(count);
    for (int16_t& s : out) {
        do
            s = int16_t(value(random));
        while (s == 0);
    }
    return out;
}

} // namespace

TEST_F(DiskDevice, SixteenBitStereoReachesTheDeviceUnchanged)
{
    const std::vector<int16_t> samples = noise(2 * 3000, 30000, 1);
    ASSERT_TRUE(play(waveImage(pcm(2, 16), pcm16Bytes(samples))));
    EXPECT_TRUE(player.deviceOpen());
    EXPECT_EQ(player.deviceRate(), 44100);
    const std::vector<int16_t> out = heard();
    const size_t at = start(out);
    ASSERT_GE(out.size(), at + samples.size());
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), out.begin() + std::ptrdiff_t(at)));
    EXPECT_TRUE(std::all_of(out.begin() + std::ptrdiff_t(at + samples.size()), out.end(), [](int16_t s) { return s == 0; }))
        << "silence after the sound";
}

TEST_F(DiskDevice, EightBitMonoIsHeardOnBothChannels)
{
    std::vector<uint8_t> samples(2000);
    std::mt19937 random(2);
    for (uint8_t& s : samples)
        s = uint8_t(129 + random() % 127); // above the silence value, so the start can be found
    ASSERT_TRUE(play(waveImage(pcm(1, 8), samples)));
    const std::vector<int16_t> out = heard();
    const size_t at = start(out);
    ASSERT_GE(out.size(), at + 2 * samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        const int expected = (int(samples[i]) - 128) * 256;
        ASSERT_NEAR(out[at + 2 * i], expected, 256) << i;
        ASSERT_EQ(out[at + 2 * i + 1], out[at + 2 * i]) << i;
    }
}

TEST_F(DiskDevice, ImaAdpcmIsHeardAsItsDecodedSamples)
{
    // Two channels, 257 frames a block (4 header bytes and 32 groups of 4 code bytes a channel),
    // any codes: every nibble is a valid code.
    constexpr int kBlockAlign = 8 + 8 * 32;
    std::vector<uint8_t> data(4 * kBlockAlign);
    std::mt19937 random(3);
    for (uint8_t& b : data)
        b = uint8_t(random());
    for (size_t block = 0; block < data.size(); block += kBlockAlign)
        for (int c = 0; c < 2; ++c) {
            writeLE16(&data[block + 4 * size_t(c)], uint16_t(1000 + 500 * c)); // a first sample away from silence
            data[block + 4 * size_t(c) + 2] = uint8_t(random() % 89);
            data[block + 4 * size_t(c) + 3] = 0;
        }
    WaveFields f;
    f.formatTag = 0x11;
    f.channels = 2;
    f.bitsPerSample = 4;
    f.blockAlign = kBlockAlign;
    f.extension = {2, 0, 1, 1}; // 257 frames a block
    const std::vector<int16_t> expected = decodeImaAdpcm(data, 2, kBlockAlign);
    ASSERT_EQ(expected.size(), 2u * 4 * 257);
    ASSERT_TRUE(play(waveImage(f, data)));
    const std::vector<int16_t> out = heard();
    const size_t at = start(out);
    ASSERT_GE(out.size(), at + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + std::ptrdiff_t(at)));
}

TEST_F(DiskDevice, ASecondSoundReplacesTheFirst)
{
    // Two seconds of one value, then at once a short sound of another.
    const std::vector<int16_t> first(2 * 88200, 1111);
    const std::vector<int16_t> second = noise(2 * 1000, 20000, 4);
    ASSERT_TRUE(play(waveImage(pcm(2, 16), pcm16Bytes(first))));
    ASSERT_TRUE(play(waveImage(pcm(2, 16), pcm16Bytes(second))));
    const std::vector<int16_t> out = heard();
    const auto firstHeard = std::count(out.begin(), out.end(), int16_t(1111));
    EXPECT_LT(firstHeard, 2 * 3 * 1024) << "at most the buffers the device held already";
    const auto at = std::search(out.begin(), out.end(), second.begin(), second.end());
    EXPECT_NE(at, out.end()) << "the second sound is heard whole";
}

TEST_F(DiskDevice, WhatDoesNotPlayIsSilenceAndStopsTheSoundBefore)
{
    const std::vector<int16_t> first(2 * 88200, 2222);
    ASSERT_TRUE(play(waveImage(pcm(2, 16), pcm16Bytes(first))));
    const std::vector<uint8_t> garbage = {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0x7F, 'W', 'A', 'V', 'E', 1, 2, 3};
    EXPECT_FALSE(play(garbage));
    EXPECT_FALSE(player.playing());
    const std::vector<int16_t> out = heard();
    EXPECT_LT(std::count(out.begin(), out.end(), int16_t(2222)), 2 * 3 * 1024);
}

TEST_F(DiskDevice, NoDeviceIsSilenceAndTheNextSoundTriesAgain)
{
    const std::vector<uint8_t> image = waveImage(pcm(2, 16), pcm16Bytes(noise(200, 1000, 5)));
    qputenv("SDL_AUDIODRIVER", "no-such-driver");
    EXPECT_FALSE(play(image));
    EXPECT_FALSE(player.deviceOpen());
    EXPECT_FALSE(play(image)) << "still none";
    qputenv("SDL_AUDIODRIVER", "disk");
    EXPECT_TRUE(play(image)) << "the device is there now";
    EXPECT_TRUE(player.deviceOpen());
    // An output file that cannot be made is a busy device.
    player.closeDevice();
    qputenv("SDL_DISKAUDIOFILE", "/no/such/folder/device.raw");
    EXPECT_FALSE(play(image));
    EXPECT_FALSE(player.deviceOpen());
}
