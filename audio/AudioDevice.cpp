// SPDX-License-Identifier: GPL-3.0-or-later
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

// Opens the mixer again in exactly the format it had; SDL converts for the
// device if it must. SDL's audio stays initialised while the output rests.
bool ReopenMixer(int rate, Uint16 format, int channels) {
    return Mix_OpenAudioDevice(rate, format, channels, kBufferFrames, nullptr, 0) == 0;
}

} // namespace

AudioDevice::AudioDevice() : opener_([this] { OpenOutput(); }) {}

AudioDevice::~AudioDevice() {
    opener_.join();
    if (state_ == AudioDeviceState::Open) {
        if (!resting_) {
            Mix_CloseAudio();
        }
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
        format_ = format;
        channels_ = channels;
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

bool AudioDevice::Rest() {
    const std::lock_guard lock(mutex_);
    if (state_ != AudioDeviceState::Open || resting_) {
        return false;
    }
    // The mixer's settings that outlive a close (the music hook) stay; its
    // channels go, and come back with Wake.
    Mix_CloseAudio();
    resting_ = true;
    return true;
}

bool AudioDevice::Resting() {
    const std::lock_guard lock(mutex_);
    return resting_;
}

bool AudioDevice::IsOpen() {
    const std::lock_guard lock(mutex_);
    return state_ == AudioDeviceState::Open && !resting_;
}

bool AudioDevice::Wake() {
    const std::lock_guard lock(mutex_);
    if (!resting_) {
        return state_ == AudioDeviceState::Open;
    }
    resting_ = false;
    bool open = ReopenMixer(sampleRate_, format_, channels_);
    if (!open) {
        // The device went while the output rested: the silent driver keeps
        // the sounds' and the music's time.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        open = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && ReopenMixer(sampleRate_, format_, channels_);
    }
    if (!open) {
        state_ = AudioDeviceState::Failed;
        return false;
    }
    Mix_AllocateChannels(kEffectChannels);
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    if (rate != sampleRate_ || format != format_ || channels != channels_) {
        ++formatGeneration_;
        sampleRate_ = rate;
        format_ = format;
        channels_ = channels;
    }
    return true;
}

int AudioDevice::FormatGeneration() {
    const std::lock_guard lock(mutex_);
    return formatGeneration_;
}

} // namespace morrow
