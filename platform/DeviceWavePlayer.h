#pragma once

#include "WavePlayer.h"

#include <memory>

namespace dw {

// The wave player of the audio device. The device is opened at the first sound, kept open, and
// closed with the player (the program's own player goes at exit). No device (none there, busy,
// no sound server) means silence and nothing said; the next sound tries again.
class DeviceWavePlayer final : public WavePlayer {
public:
    DeviceWavePlayer();
    ~DeviceWavePlayer() override;
    DeviceWavePlayer(const DeviceWavePlayer&) = delete;
    DeviceWavePlayer& operator=(const DeviceWavePlayer&) = delete;

    // Decodes and converts the whole image to the device's layout, hands it to the device and
    // returns; the device plays it on its own thread.
    bool playWave(const uint8_t* image, int64_t size) override;
    void stopWave() override;

    // Whether the device still has samples of the last sound to play.
    bool playing() const;
    bool deviceOpen() const;
    // The device's sample rate (0 while it is closed).
    int deviceRate() const;
    // Closes the device; the next sound opens it again.
    void closeDevice();

private:
    struct Device;
    std::unique_ptr<Device> m_device;
};

} // namespace dw
