#include "AudioDevice.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace morrow {

namespace {

constexpr int kWantedSampleRate = 44100;
constexpr int kOutputChannels = 2;
// 512 frames are 11.6 ms at 44.1 kHz: a reel stop is heard at once, and the
// synthesiser renders in pieces large enough to cost little.
constexpr int kBufferFrames = 512;
constexpr int kEffectChannels = 1; // one sound at a time: a new one cuts off the last

// ALSA reports every failed probe of a missing card on the terminal through
// its error handler. A game without a sound card should run quietly, so the
// handler is replaced by one that says nothing. libasound is looked up at run
// time, as SDL itself does, so the game neither links nor needs it.
void QuietAlsaHandler(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                      const char* /*format*/, ...) {}

void SilenceDriverMessages() {
    using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetAlsaErrorHandler = int (*)(AlsaErrorHandler);
    if (void* alsa = SDL_LoadObject("libasound.so.2")) {
        if (void* setter = SDL_LoadFunction(alsa, "snd_lib_error_set_handler")) {
            reinterpret_cast<SetAlsaErrorHandler>(setter)(&QuietAlsaHandler);
        }
        // The library stays loaded (SDL opens it again), so the handler holds.
    }
    SDL_ClearError();
}

// One attempt with the driver SDL would choose now; on failure SDL's audio is
// shut down again so that another driver can be tried.
bool TryOpenMixer() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    // Sample rate may differ from the wish (the synthesiser follows it); the
    // format stays 16-bit stereo, which SDL converts for the device if need be.
    if (Mix_OpenAudioDevice(kWantedSampleRate, AUDIO_S16SYS, kOutputChannels, kBufferFrames, nullptr,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

} // namespace

AudioDevice::AudioDevice() : opener_([this] { OpenOutput(); }) {}

AudioDevice::~AudioDevice() {
    opener_.join();
    if (state_ == AudioDeviceState::Open) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // The sound layer is SDL's only user in the game: SDL goes with it,
    // hints included, so that a later output starts afresh.
    SDL_Quit();
}

void AudioDevice::OpenOutput() {
    const auto start = std::chrono::steady_clock::now();
    SilenceDriverMessages();
    // Ctrl+C and the other signals stay with the application.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");

    bool open = TryOpenMixer();
    if (!open) {
        // No usable sound device: the game runs silently on the dummy driver,
        // which consumes sound in real time, so waits and music keep their
        // length. The hint overrides an SDL_AUDIODRIVER set in the environment.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        open = TryOpenMixer();
    }

    int rate = 0;
    std::string driver;
    if (open) {
        Mix_AllocateChannels(kEffectChannels);
        Uint16 format = 0;
        int channels = 0;
        Mix_QuerySpec(&rate, &format, &channels);
        if (const char* name = SDL_GetCurrentAudioDriver()) {
            driver = name;
        }
    }

    // SDL keeps its error text per thread; this thread is not one of SDL's,
    // so it frees that itself before it ends.
    SDL_TLSCleanup();

    const std::lock_guard lock(mutex_);
    state_ = open ? AudioDeviceState::Open : AudioDeviceState::Failed;
    driverName_ = driver;
    sampleRate_ = rate;
    openingTime_ =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    opened_.notify_all();
}

bool AudioDevice::WaitUntilOpen(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    opened_.wait_for(lock, limit, [this] { return state_ != AudioDeviceState::Opening; });
    return state_ == AudioDeviceState::Open;
}

AudioDeviceState AudioDevice::State() {
    const std::lock_guard lock(mutex_);
    return state_;
}

std::string AudioDevice::DriverName() {
    const std::lock_guard lock(mutex_);
    return driverName_;
}

int AudioDevice::SampleRate() {
    const std::lock_guard lock(mutex_);
    return sampleRate_;
}

std::chrono::microseconds AudioDevice::OpeningTime() {
    const std::lock_guard lock(mutex_);
    return openingTime_;
}

} // namespace morrow
