// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameSounds.h"

#include "WaveImage.h"

#include <utility>

namespace morrow {

GameSounds::GameSounds(const GameSession& session, SoundPlayer& player)
    : session_(session), player_(player) {}

std::optional<FileReadError> GameSounds::LoadImage(std::string_view fileName,
                                                   std::optional<SoundImage>& image) {
    std::vector<std::uint8_t> bytes;
    if (const std::optional<FileReadError> error =
            ReadWholeFile(session_.ProgramDir + std::string(fileName), bytes)) {
        return error;
    }
    // A RIFF file states its own length. One that ends sooner was cut off (a
    // copy broken off halfway): a read beyond its end, not a sound.
    if (IsCutShortRiff(bytes)) {
        return FileReadError::ReadBeyondEnd;
    }
    image = player_.AddImage(fileName, bytes);
    return std::nullopt;
}

std::optional<std::string> GameSounds::LoadSounds() {
    for (auto [fileName, image] :
         {std::pair{kReelStopFile, &reelStopSound_}, std::pair{kCountTickFile, &countTickSound_}}) {
        if (const std::optional<FileReadError> error = LoadImage(fileName, *image)) {
            return std::string(FileReadErrorText(*error));
        }
    }
    return std::nullopt;
}

void GameSounds::PlayFileSound(std::string_view fileName, SoundWait wait) {
    if (!session_.SoundOn) {
        return;
    }
    player_.PlayFile(session_.ProgramDir + std::string(fileName), wait);
}

void GameSounds::PlayMemorySound(const std::optional<SoundImage>& image) {
    if (session_.SoundOn && image) {
        player_.PlayImage(*image);
    }
}

void GameSounds::PlayReelStop() {
    PlayMemorySound(reelStopSound_);
}

void GameSounds::PlayCountTick() {
    PlayMemorySound(countTickSound_);
}

void GameSounds::PlayWinSound(int sound, SoundWait wait) {
    if (sound < 0 || sound >= kWinSoundCount) {
        return;
    }
    PlayFileSound("MorWin" + std::to_string(sound) + ".wav", wait);
}

void GameSounds::PlayCoin() {
    PlayFileSound(kCoinFile, SoundWait::NoWait);
}

void GameSounds::PlayNoNudge() {
    PlayFileSound(kNoNudgeFile, SoundWait::WaitForEnd);
}

void GameSounds::PlayWelcome() {
    PlayFileSound(kWelcomeFile, SoundWait::NoWait);
}

void GameSounds::PlayGoodbye() {
    PlayFileSound(kGoodbyeFile, SoundWait::NoWait);
}

void GameSounds::PlayTrickOrTreat() {
    PlayFileSound(kTrickOrTreatFile, SoundWait::NoWait);
}

} // namespace morrow
