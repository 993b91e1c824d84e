#pragma once

#include <cstdint>

namespace dw {

// Plays a wave image held in memory the way the system's sndPlaySound does with SND_ASYNC,
// SND_NODEFAULT and SND_MEMORY: the call returns at once, a sound still playing is replaced, and
// an image that cannot be played plays nothing (no default sound, no message).
class WavePlayer {
public:
    virtual ~WavePlayer() = default;
    // Starts playing size bytes at image (a RIFF WAVE file's bytes). The bytes are not kept: the
    // caller may change or free them once the call returns. Returns whether the sound is heard:
    // false for an image that is not playable and when no audio device can be opened.
    virtual bool playWave(const uint8_t* image, int64_t size) = 0;
    // Stops the sound that is playing, if any.
    virtual void stopWave() = 0;
};

// The player the program's commands use: the audio device's, unless another one is installed.
WavePlayer& wavePlayer();
// Installs a player (not owned) and returns the one it replaces (nullptr for the device's);
// nullptr brings back the device's player. Tests install one that records what it is given.
WavePlayer* installWavePlayer(WavePlayer* player);

} // namespace dw
