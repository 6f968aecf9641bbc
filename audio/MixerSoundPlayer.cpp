// SPDX-License-Identifier: GPL-3.0-or-later
#include "MixerSoundPlayer.h"

#include "WaveImage.h"
#include "WholeFile.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <utility>

namespace morrow {

namespace {

constexpr int kChannel = 0;
// The longest the first sound waits for the output to open. Opening takes a
// few milliseconds and starts with the program, so this bounds only a stuck
// sound system; after it the game stays silent rather than stall.
constexpr std::chrono::milliseconds kOutputWait{2000};
constexpr std::chrono::milliseconds kPollInterval{2};

// How long `chunk` plays on the open output, rounded up.
std::chrono::milliseconds LengthOf(const Mix_Chunk& chunk) {
    int frequency = 0;
    int channels = 0;
    Uint16 format = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) == 0 || frequency <= 0 || channels <= 0) {
        return std::chrono::milliseconds(0);
    }
    const std::int64_t bytesPerSecond =
        static_cast<std::int64_t>(frequency) * channels * (SDL_AUDIO_BITSIZE(format) / 8);
    return std::chrono::milliseconds((static_cast<std::int64_t>(chunk.alen) * 1000 + bytesPerSecond - 1) /
                                     bytesPerSecond);
}

} // namespace

void MixerSoundPlayer::ChunkDeleter::operator()(Mix_Chunk* chunk) const {
    // Halts the channel first if it still plays this chunk.
    Mix_FreeChunk(chunk);
}

MixerSoundPlayer::MixerSoundPlayer(AudioDevice& device, Clock* clock) : device_(device), clock_(clock) {}

MixerSoundPlayer::~MixerSoundPlayer() {
    if (outputOpen_ && device_.IsOpen()) {
        Mix_HaltChannel(kChannel);
    }
}

bool MixerSoundPlayer::OutputReady() {
    if (!waitedForOutput_) {
        waitedForOutput_ = true;
        outputOpen_ = device_.WaitUntilOpen(kOutputWait);
    } else if (!outputOpen_) {
        // Never wait twice; pick the output up if it opened late after all.
        outputOpen_ = device_.State() == AudioDeviceState::Open;
    }
    return outputOpen_ && device_.Wake();
}

void MixerSoundPlayer::PlayFile(const std::string& path, SoundWait wait) {
    if (!OutputReady()) {
        return;
    }
    // Decoded before the sound playing is cut off, to keep the gap short.
    // Read here rather than by the decoder: never from a pipe or a device
    // (which could hang the game), and with its header fitted to the file.
    std::vector<std::uint8_t> bytes;
    Chunk sound;
    if (!ReadWholeFile(path, bytes)) {
        sound = DecodeWave(bytes);
    }
    Mix_HaltChannel(kChannel);
    fileSound_ = std::move(sound);
    if (!fileSound_) {
        return; // a missing or unreadable file is silent
    }
    Start(fileSound_.get());
    if (wait == SoundWait::WaitForEnd &&
        !WaitWhilePlaying(std::min(LengthOf(*fileSound_) + kWaitedSoundSlack, kLongestWaitedSound))) {
        Mix_HaltChannel(kChannel); // stalled or overlong: the game goes on without it
    }
}

SoundImage MixerSoundPlayer::AddImage(std::string_view /*name*/, std::span<const std::uint8_t> wavImage) {
    Image& image = images_.emplace_back();
    image.bytes.assign(wavImage.begin(), wavImage.end());
    if (device_.IsOpen()) {
        Decode(image);
    }
    return SoundImage{static_cast<int>(images_.size()) - 1};
}

// Decoded into the output's format once, and again only should the output
// come back from a rest in another format.
void MixerSoundPlayer::Decode(Image& image) {
    const int generation = device_.FormatGeneration();
    if (image.decodedFor == generation) {
        return;
    }
    image.decodedFor = generation;
    image.chunk = DecodeWave(image.bytes);
}

MixerSoundPlayer::Chunk MixerSoundPlayer::DecodeWave(std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        return nullptr;
    }
    // Effects are WAV files. The mixer would also take music of many kinds
    // and render it whole before the first sound (a MIDI file in a coin's
    // place held the game for seconds): anything else is silent.
    if (!IsWaveImage(bytes)) {
        return nullptr;
    }
    FitWaveChunksToImage(bytes);
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (source == nullptr) {
        return nullptr;
    }
    // Converts into the output's format in memory of its own. The source is
    // closed here: the mixer leaves it open on some of its ways of refusing
    // a file it cannot read, even when told to close it.
    Chunk chunk(Mix_LoadWAV_RW(source, 0));
    SDL_RWclose(source);
    return chunk;
}

void MixerSoundPlayer::PlayImage(SoundImage handle) {
    if (handle.id < 0 || static_cast<std::size_t>(handle.id) >= images_.size() || !OutputReady()) {
        return;
    }
    Image& image = images_[static_cast<std::size_t>(handle.id)];
    Decode(image);
    Mix_HaltChannel(kChannel);
    fileSound_.reset();
    if (image.chunk) {
        Start(image.chunk.get());
    }
}

void MixerSoundPlayer::Start(Mix_Chunk* chunk) {
    Mix_PlayChannel(kChannel, chunk, 0);
}

bool MixerSoundPlayer::IsPlaying() {
    return outputOpen_ && device_.IsOpen() && Mix_Playing(kChannel) != 0;
}

bool MixerSoundPlayer::WaitWhilePlaying(std::chrono::milliseconds limit) {
    const auto now = [this] {
        return clock_ ? std::chrono::microseconds(clock_->NowMicroseconds())
                      : std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now().time_since_epoch());
    };
    const auto deadline = now() + limit;
    while (Mix_Playing(kChannel) != 0) {
        if (now() >= deadline) {
            return false;
        }
        clock_ ? clock_->Sleep(kPollInterval) : std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

bool MixerSoundPlayer::WaitUntilQuiet(std::chrono::milliseconds limit) {
    return !IsPlaying() || WaitWhilePlaying(limit);
}

} // namespace morrow
