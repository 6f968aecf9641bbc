// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GameRecordFile.h"
#include "TempDir.h"
#include "engine/FakeGameHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace morrow::test {

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A record file on the fake clock, whose today is Halloween 1998.
inline GameRecordFile HalloweenFile(const std::filesystem::path& path, std::string separator = "/") {
    static FakeTimers clock;
    return GameRecordFile(path, clock, std::move(separator));
}

// A game whose saved counters all hold `value`.
inline SavedGame GameWithCounters(std::int32_t value) {
    SavedGame game;
    for (const SavedCounter& counter : kSavedCounters) {
        game.*counter.field = value;
    }
    return game;
}

// "[name] [date]" and the counters in the record's order.
inline std::string SavedFields(const SavedGame& g) {
    std::ostringstream out;
    out << "[" << g.GameName << "] [" << g.GameDate << "]";
    for (const SavedCounter& counter : kSavedCounters) {
        out << " " << g.*counter.field;
    }
    return out.str();
}

inline std::string ReadSlot(const GameRecordFile& file, int slot) {
    SavedGame game;
    file.ReadGameRecord(game, slot);
    return SavedFields(game);
}

} // namespace morrow::test
