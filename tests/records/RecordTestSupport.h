#pragma once

#include "GameRecordFile.h"
#include "TempDir.h"

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

// A record file whose today is Halloween 1998.
inline GameRecordFile HalloweenFile(const std::filesystem::path& path, std::string separator = "/") {
    return GameRecordFile(
        path,
        [] {
            return CalendarDate{1998, 10, 31};
        },
        std::move(separator));
}

// A game whose seven saved counters all hold `value`.
inline GameSession GameWithCounters(std::int32_t value) {
    GameSession game;
    game.Credits = game.Borrowed = game.Spins = game.TotalBets = value;
    game.Nudges = game.NudgesUsed = game.TricksWon = value;
    return game;
}

inline std::string SavedFields(const GameSession& g) {
    std::ostringstream out;
    out << "[" << g.GameName << "] [" << g.GameDate << "] " << g.Credits << " " << g.Borrowed << " "
        << g.Spins << " " << g.TotalBets << " " << g.Nudges << " " << g.NudgesUsed << " " << g.TricksWon;
    return out.str();
}

inline std::string ReadSlot(const GameRecordFile& file, int slot) {
    GameSession game;
    file.ReadGameRecord(game, slot);
    return SavedFields(game);
}

} // namespace morrow::test
