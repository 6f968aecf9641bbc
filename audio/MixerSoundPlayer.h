#pragma once

#include "AudioDevice.h"
#include "SoundPlayer.h"

#include <cstdint>
#include <memory>
#include <vector>

struct Mix_Chunk;

namespace morrow {

// The sound player on SDL_mixer's one effect channel. Sound files are decoded
// each time they are played, as they were always read from disk; images are
// decoded once, into the player's own memory, before their first play.
// Called from one thread (the GUI thread).
class MixerSoundPlayer final : public SoundPlayer {
public:
    explicit MixerSoundPlayer(AudioDevice& device);
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
        std::vector<std::uint8_t> bytes; // until decoded
        Chunk chunk;
        bool decoded = false;
    };

    // True once the output is open; the first call waits for it (bounded).
    bool OutputReady();
    void Decode(Image& image);
    // Decodes a WAV image (fitting its header to it first); nothing when it
    // is no sound the mixer can read.
    static Chunk DecodeWave(std::vector<std::uint8_t>& bytes);
    void Start(Mix_Chunk* chunk);
    void WaitWhilePlaying(std::chrono::milliseconds limit);

    AudioDevice& device_;
    bool waitedForOutput_ = false;
    bool outputOpen_ = false;
    std::vector<Image> images_;
    Chunk fileSound_; // the sound last played from a file, freed when replaced
};

} // namespace morrow
