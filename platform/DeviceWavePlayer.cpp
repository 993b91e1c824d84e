#include "DeviceWavePlayer.h"

#include "WaveImage.h"

#include <SDL.h>

#include <dlfcn.h>

namespace dw {

namespace {

// What the device is asked for; it may choose another rate (the sound is converted to it), the
// rest SDL converts itself.
constexpr int kWantedRate = 44100;
constexpr int kWantedChannels = 2;
constexpr int kBufferFrames = 1024;

// ALSA's library writes its own complaints to stderr (no card, no default device) while SDL
// looks for a device. A missing device is no news to the user, so its error handler is replaced
// by one that drops them; the library stays loaded for the rest of the run, as SDL keeps it too.
extern "C" void dropAlsaError(const char*, int, const char*, int, const char*, ...) {}

void quietAlsa()
{
    static const bool done = [] {
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (!alsa)
            return true;
        if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler")))
            set(dropAlsaError);
        return true;
    }();
    (void)done;
}

} // namespace

struct DeviceWavePlayer::Device {
    bool audioStarted = false; // SDL's audio subsystem
    SDL_AudioDeviceID id = 0;
    SDL_AudioSpec audioFormat{};

    bool open()
    {
        // A device that went away (unplugged, sound server stopped) is opened anew.
        if (id != 0 && SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_STOPPED)
            close();
        if (id != 0)
            return true;
        if (!audioStarted) {
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            quietAlsa();
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
                return false;
            audioStarted = true;
        }
        SDL_AudioSpec wanted{};
        wanted.freq = kWantedRate;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = kWantedChannels;
        wanted.samples = kBufferFrames;
        id = SDL_OpenAudioDevice(nullptr, 0, &wanted, &audioFormat, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (id == 0) {
            // Given up entirely, so that the next sound starts from scratch (another driver may
            // answer by then).
            close();
            return false;
        }
        return true;
    }

    void close()
    {
        if (id != 0)
            SDL_CloseAudioDevice(id);
        id = 0;
        audioFormat = {};
        if (audioStarted)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioStarted = false;
    }
};

DeviceWavePlayer::DeviceWavePlayer() : m_device(std::make_unique<Device>()) {}

DeviceWavePlayer::~DeviceWavePlayer() { m_device->close(); }

bool DeviceWavePlayer::playWave(const uint8_t* image, int64_t size)
{
    // The new sound replaces the old one, also when it turns out to play nothing.
    stopWave();
    if (!m_device->open())
        return false;
    const PcmSamples pcm = decodeWaveImage(image, size, {m_device->audioFormat.channels, m_device->audioFormat.freq});
    if (!pcm.ok())
        return false;
    const uint64_t bytes = pcm.samples.size() * sizeof(int16_t);
    if (bytes > SDL_MAX_UINT32 || SDL_QueueAudio(m_device->id, pcm.samples.data(), Uint32(bytes)) != 0)
        return false;
    SDL_PauseAudioDevice(m_device->id, 0);
    return true;
}

void DeviceWavePlayer::stopWave()
{
    if (m_device->id == 0)
        return;
    SDL_PauseAudioDevice(m_device->id, 1);
    SDL_ClearQueuedAudio(m_device->id);
}

bool DeviceWavePlayer::playing() const { return m_device->id != 0 && SDL_GetQueuedAudioSize(m_device->id) > 0; }

bool DeviceWavePlayer::deviceOpen() const { return m_device->id != 0; }

int DeviceWavePlayer::deviceRate() const { return m_device->audioFormat.freq; }

void DeviceWavePlayer::closeDevice() { m_device->close(); }

} // namespace dw
