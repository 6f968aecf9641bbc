// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MusicSequencer.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace morrow::test {

// A MusicSequencer that plays nothing and keeps a transcript of its calls by
// file name: "open Morro2.mid", "play", "close". The test plays the role of
// the event loop: EndPiece delivers the end of the piece playing.
class FakeMusicSequencer : public MusicSequencer {
public:
    std::vector<std::string> calls;
    // Opening a file of one of these names fails with the given text.
    std::map<std::string, std::string> openErrors;

    // The file name of the piece playing; empty when none plays.
    const std::string& Playing() const { return playing_; }
    // The file names of all plays so far, in order.
    std::vector<std::string> Played() const { return played_; }

    // The piece playing comes to its end and the end is delivered.
    void EndPiece(MusicNotify notify = MusicNotify::Successful) {
        playing_.clear();
        if (handler_) {
            handler_(notify);
        }
    }

    void SetNotifyHandler(NotifyHandler handler) override { handler_ = std::move(handler); }
    std::optional<std::string> Open(const std::string& path) override {
        const std::string name = std::filesystem::path(path).filename().string();
        calls.push_back("open " + name);
        open_.clear();
        playing_.clear();
        if (const auto error = openErrors.find(name); error != openErrors.end()) {
            return error->second;
        }
        open_ = name;
        return std::nullopt;
    }
    std::optional<std::string> Play() override {
        calls.push_back("play");
        if (open_.empty()) {
            return "No music file is open.";
        }
        playing_ = open_;
        played_.push_back(open_);
        return std::nullopt;
    }
    void Close() override {
        calls.push_back("close");
        open_.clear();
        playing_.clear();
    }

private:
    NotifyHandler handler_;
    std::string open_;
    std::string playing_;
    std::vector<std::string> played_;
};

} // namespace morrow::test
