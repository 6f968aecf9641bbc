// SPDX-License-Identifier: GPL-3.0-or-later
// A sound in the place of the game's: any bytes as a WAV file, played from
// memory (the reel stop and the counting tick) and from its file (every
// other effect). Nothing breaks; a sound that cannot be decoded is silent.
#include "AudioDevice.h"
#include "FuzzSupport.h"
#include "MixerSoundPlayer.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <chrono>
#include <cstdlib>

using namespace morrow;

namespace {

AudioDevice& Output() {
    static AudioDevice* device = [] {
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        auto* made = new AudioDevice();
        fuzz::Require(made->WaitUntilOpen(std::chrono::seconds(10)), "the dummy sound output did not open");
        // SDL keeps its error text in memory it takes once per thread: take
        // it before the first input, so that it is not seen as a leak.
        const std::uint8_t noSound[] = {0};
        Mix_FreeChunk(Mix_LoadWAV_RW(SDL_RWFromConstMem(noSound, sizeof noSound), 1));
        return made;
    }();
    return *device;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = (fuzz::ScratchDir() / "Morrow1.wav").string();
    AudioDevice& device = Output();
    fuzz::WriteFile(path, {data, size});
    MixerSoundPlayer player(device);
    const SoundImage image = player.AddImage("Morrow0.wav", {data, size});
    player.PlayImage(image);
    player.PlayFile(path, SoundWait::NoWait);
    return 0;
}
