// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioOutput.h"
#include "Clock.h"
#include "MusicSequencer.h"
#include "SoundPlayer.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morrow {

// The game's sound output, loaded late: the effect player and the music
// sequencer the game is handed at once, while the output behind them (the
// module morrow-audio.so in the program directory, with SDL_mixer,
// FluidSynth and their libraries) is loaded by Load, which the program
// calls once the window has first painted, or by the first sound or piece
// asked for before that. Sounds taken in before it are handed on as it
// loads. Should the module not load, the game plays on without sound.
// Called from the GUI thread only.
class LateAudio {
public:
    // `programDir` holds the module; `clock` measures the waits for a
    // sound's end (nullptr: the system's steady clock) and must outlive this.
    LateAudio(QString programDir, Clock* clock);
    ~LateAudio();

    LateAudio(const LateAudio&) = delete;
    LateAudio& operator=(const LateAudio&) = delete;

    SoundPlayer& Effects() { return effects_; }
    MusicSequencer& Music() { return music_; }

    // Why no music can be played at all in this run. Known without the
    // module while one of the usual SoundFonts is there; otherwise the
    // module is loaded now to ask FluidSynth for its configured one.
    std::optional<std::string> MusicError();

    // Loads the module and opens the output, once; true when it is open.
    bool Load();
    bool Loaded() const { return output_ != nullptr; }
    // Whether the window is in sight, passed on to the output, now or as it
    // loads: out of sight, with nothing to hear, it rests.
    void SetSeen(bool seen);
    // Why the module did not load; empty while it has not been tried or
    // when it loaded.
    const std::string& LoadError() const { return loadError_; }

private:
    class LateEffects final : public SoundPlayer {
    public:
        explicit LateEffects(LateAudio& audio) : audio_(audio) {}
        void PlayFile(const std::string& path, SoundWait wait) override;
        SoundImage AddImage(std::string_view name, std::span<const std::uint8_t> wavImage) override;
        void PlayImage(SoundImage image) override;
        bool IsPlaying() override;
        bool WaitUntilQuiet(std::chrono::milliseconds limit) override;

    private:
        friend class LateAudio;
        SoundPlayer* Real();
        LateAudio& audio_;
        // Images taken in before the output was there, handed on as it
        // loads; the handles the real player gave them, by ours.
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> waiting_;
        std::vector<SoundImage> real_;
    };

    class LateMusic final : public MusicSequencer {
    public:
        explicit LateMusic(LateAudio& audio) : audio_(audio) {}
        void SetNotifyHandler(NotifyHandler handler) override;
        [[nodiscard]] std::optional<std::string> Open(const std::string& path) override;
        [[nodiscard]] std::optional<std::string> Play() override;
        void Close() override;

    private:
        friend class LateAudio;
        MusicSequencer* Real();
        LateAudio& audio_;
        NotifyHandler handler_;
    };

    QString programDir_;
    Clock* clock_;
    bool tried_ = false;
    bool seen_ = true;
    std::string loadError_;
    std::unique_ptr<AudioOutput> output_;
    LateEffects effects_{*this};
    LateMusic music_{*this};
};

} // namespace morrow
