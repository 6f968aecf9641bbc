// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GameHost.h"
#include "GameSession.h"
#include "SoundPlayer.h"
#include "WholeFile.h"

#include <optional>
#include <string>
#include <string_view>

namespace morrow {

// The effect files, all in the program directory.
inline constexpr std::string_view kReelStopFile = "Morrow0.wav";
inline constexpr std::string_view kCoinFile = "Morrow1.wav";
inline constexpr std::string_view kNoNudgeFile = "Morrow2.wav";
inline constexpr std::string_view kCountTickFile = "Morrow3.wav";
inline constexpr std::string_view kTrickOrTreatFile = "Tort.wav";
inline constexpr std::string_view kWelcomeFile = "Welcome.wav";
inline constexpr std::string_view kGoodbyeFile = "Goodbye.wav";
inline constexpr int kWinSoundCount = 9; // "MorWin0.wav" to "MorWin8.wav"

// The game's sound operations over a sound player: each plays its effect from
// the program directory when sound is switched on, some waiting for the end.
// The reel stop and the count tick play very often, so they are read into
// memory once at start-up (LoadSounds) and played from there.
class GameSounds {
public:
    GameSounds(const GameSession& session, SoundPlayer& player);

    // Reads "Morrow0.wav", then "Morrow3.wav", into memory. The first failure
    // ends the loading and its text is returned for the caller to show; a
    // sound that was not read stays silent for the rest of the run.
    [[nodiscard]] std::optional<std::string> LoadSounds();

    void PlayReelStop();
    void PlayCountTick();
    // `sound` is 0..8: "MorWin0.wav" to "MorWin8.wav".
    void PlayWinSound(int sound, SoundWait wait);
    void PlayCoin();
    void PlayNoNudge(); // waits for its end
    void PlayWelcome();
    void PlayGoodbye();
    void PlayTrickOrTreat();

private:
    void PlayFileSound(std::string_view fileName, SoundWait wait);
    void PlayMemorySound(const std::optional<SoundImage>& image);
    std::optional<FileReadError> LoadImage(std::string_view fileName, std::optional<SoundImage>& image);

    const GameSession& session_;
    SoundPlayer& player_;
    std::optional<SoundImage> reelStopSound_;
    std::optional<SoundImage> countTickSound_;
};

} // namespace morrow
