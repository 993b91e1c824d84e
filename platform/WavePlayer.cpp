#include "WavePlayer.h"

#include "DeviceWavePlayer.h"

namespace dw {

namespace {

WavePlayer* g_installed = nullptr;

// Made at the first sound and destroyed at exit, which closes the device.
DeviceWavePlayer& devicePlayer()
{
    static DeviceWavePlayer player;
    return player;
}

} // namespace

WavePlayer& wavePlayer() { return g_installed ? *g_installed : devicePlayer(); }

WavePlayer* installWavePlayer(WavePlayer* player)
{
    WavePlayer* previous = g_installed;
    g_installed = player;
    return previous;
}

} // namespace dw
