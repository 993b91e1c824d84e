#pragma once

// A wave player that records what it is given instead of playing it; installed while it lives.

#include "platform/WavePlayer.h"

#include <cstdint>
#include <vector>

namespace dw::test {

class RecordingWavePlayer final : public WavePlayer {
public:
    RecordingWavePlayer() { m_previous = installWavePlayer(this); }
    ~RecordingWavePlayer() override { installWavePlayer(m_previous); }
    RecordingWavePlayer(const RecordingWavePlayer&) = delete;
    RecordingWavePlayer& operator=(const RecordingWavePlayer&) = delete;

    bool playWave(const uint8_t* image, int64_t size) override
    {
        played.emplace_back(image, image + size);
        return true;
    }
    void stopWave() override { ++stops; }

    std::vector<std::vector<uint8_t>> played; // every image handed over, in order
    int stops = 0;

private:
    WavePlayer* m_previous = nullptr;
};

} // namespace dw::test
