// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SoundPlayer.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace morrow::test {

// A SoundPlayer that plays nothing and keeps a transcript: one entry per
// play, the file name (without its directory) followed by " wait" for a
// waited sound or " memory" for an image, e.g. "MorWin3.wav wait",
// "Morrow0.wav memory"; "wait until quiet" for the drain at exit.
class FakeSoundPlayer : public SoundPlayer {
public:
    struct Image {
        std::string name;
        std::vector<std::uint8_t> bytes;
    };

    std::vector<std::string> plays;
    std::vector<std::string> filePaths; // the full path of every file played
    std::vector<Image> images;
    // Runs after each play is recorded, with its entry: a test can move its
    // fake clock by the length of a waited sound.
    std::function<void(const std::string&)> onPlay;

    void PlayFile(const std::string& path, SoundWait wait) override {
        filePaths.push_back(path);
        Record(std::filesystem::path(path).filename().string() +
               (wait == SoundWait::WaitForEnd ? " wait" : ""));
    }
    SoundImage AddImage(std::string_view name, std::span<const std::uint8_t> wavImage) override {
        images.push_back({std::string(name), {wavImage.begin(), wavImage.end()}});
        return SoundImage{static_cast<int>(images.size()) - 1};
    }
    void PlayImage(SoundImage image) override {
        const bool known = image.id >= 0 && static_cast<std::size_t>(image.id) < images.size();
        Record((known ? images[static_cast<std::size_t>(image.id)].name : "unknown image") + " memory");
    }
    bool IsPlaying() override { return false; }
    bool WaitUntilQuiet(std::chrono::milliseconds /*limit*/) override {
        Record("wait until quiet");
        return true;
    }

private:
    void Record(std::string entry) {
        plays.push_back(entry);
        if (onPlay) {
            onPlay(entry);
        }
    }
};

} // namespace morrow::test
