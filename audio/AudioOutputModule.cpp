// SPDX-License-Identifier: GPL-3.0-or-later
// The module the game loads once its window is up: the sound output on
// SDL_mixer with the effect player and the FluidSynth music sequencer on it.
#include "AudioDevice.h"
#include "AudioOutput.h"
#include "AudioRest.h"
#include "FluidMusicSequencer.h"
#include "MixerSoundPlayer.h"

#include <fluidsynth.h>

#include <new>

namespace morrow {
namespace {

// FluidSynth writes warnings and errors to the terminal; the game has no
// terminal to speak to, and reports its own errors to the player.
void SilenceFluidSynth() {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
        fluid_set_log_function(level, nullptr, nullptr);
    }
}

// The output opens on a thread of its own and the SoundFont is read on
// another, so neither holds the window up.
class MachineAudio final : public AudioOutput {
public:
    explicit MachineAudio(Clock* clock) : player_(device_, clock) {}

    SoundPlayer& Effects() override { return player_; }
    MusicSequencer& Music() override { return music_; }
    std::optional<std::string> MusicError() const override { return music_.DeviceError(); }
    void SetSeen(bool seen) override { rest_.SetSeen(seen); }

private:
    AudioDevice device_;
    MixerSoundPlayer player_;
    FluidMusicSequencer music_{device_};
    // Out of sight and with nothing to hear, the output rests.
    AudioRest rest_{device_, [this] { return !player_.IsPlaying() && music_.Quiet(); }};
};

} // namespace
} // namespace morrow

extern "C" __attribute__((visibility("default"))) morrow::AudioOutput*
MorrowOpenAudioOutput(morrow::Clock* clock) {
    morrow::SilenceFluidSynth();
    try {
        return new morrow::MachineAudio(clock);
    } catch (...) {
        return nullptr;
    }
}
