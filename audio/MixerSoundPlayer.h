// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioDevice.h"
#include "Clock.h"
#include "SoundPlayer.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct Mix_Chunk;

namespace morrow {

// The sound player on SDL_mixer's one effect channel. Sound files are decoded
// each time they are played, as they were always read from disk; images are
// decoded once, into the player's own memory, before their first play.
// Called from one thread (the GUI thread).
//
// A waited sound keeps the game waiting for its own length and a second more
// at most, and never longer than kLongestWaitedSound: an output that stalls
// (a sound system that stopped taking samples) would otherwise hold the game
// for ever. When the bound is reached the sound is cut off and the game goes
// on, as if it had ended.
class MixerSoundPlayer final : public SoundPlayer {
public:
    // The longest a waited sound holds the game, however long the sound.
    static constexpr std::chrono::milliseconds kLongestWaitedSound{20000};
    // How much longer than its length a waited sound may take to end.
    static constexpr std::chrono::milliseconds kWaitedSoundSlack{1000};

    // Waits are measured on `clock` (the game's); without one, on the
    // system's steady clock with real sleeps.
    explicit MixerSoundPlayer(AudioDevice& device, Clock* clock = nullptr);
    ~MixerSoundPlayer() override;

    MixerSoundPlayer(const MixerSoundPlayer&) = delete;
    MixerSoundPlayer& operator=(const MixerSoundPlayer&) = delete;

    void PlayFile(const std::string& path, SoundWait wait) override;
    SoundImage AddImage(std::string_view name, std::span<const std::uint8_t> wavImage) override;
    void PlayImage(SoundImage image) override;
    bool IsPlaying() override;
    bool WaitUntilQuiet(std::chrono::milliseconds limit) override;

private:
    struct ChunkDeleter {
        void operator()(Mix_Chunk* chunk) const;
    };
    using Chunk = std::unique_ptr<Mix_Chunk, ChunkDeleter>;

    struct Image {
        std::vector<std::uint8_t> bytes; // kept, should the output's format change
        Chunk chunk;
        int decodedFor = -1; // the output format's generation it was decoded for
    };

    // True once the output is open; the first call waits for it (bounded),
    // and a call while it rests opens it again.
    bool OutputReady();
    void Decode(Image& image);
    // Decodes a WAV image (fitting its header to it first); nothing when it
    // is no sound the mixer can read.
    static Chunk DecodeWave(std::vector<std::uint8_t>& bytes);
    void Start(Mix_Chunk* chunk);
    // Polls until the channel is quiet or `limit` has passed; true when quiet.
    bool WaitWhilePlaying(std::chrono::milliseconds limit);

    AudioDevice& device_;
    Clock* clock_;
    bool waitedForOutput_ = false;
    bool outputOpen_ = false;
    std::vector<Image> images_;
    Chunk fileSound_; // the sound last played from a file, freed when replaced
};

} // namespace morrow
