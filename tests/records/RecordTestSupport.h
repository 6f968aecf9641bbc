#pragma once

#include "GameRecordFile.h"
#include "GameSession.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace morrow::test {

enum class TempPlace { Disk, Memory };

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes. In memory (/dev/shm, when there is
// one) the many flushes of the stress tests cost nothing; the file's rules
// (locks, renames) are the same there.
class TempDir {
public:
    explicit TempDir(TempPlace place = TempPlace::Disk) {
        std::filesystem::path base = std::filesystem::temp_directory_path();
        std::error_code error;
        if (place == TempPlace::Memory && std::filesystem::is_directory("/dev/shm", error)) {
            base = "/dev/shm";
        }
        std::string pattern = (base / "morrow-records-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) == nullptr) {
            ADD_FAILURE() << "cannot create a temporary directory from " << pattern;
        }
        path_ = name.data();
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Leftover temporaries of a write beside `record`.
inline int TemporaryCount(const std::filesystem::path& record) {
    int count = 0;
    const std::string prefix = "." + record.filename().string() + ".new-";
    for (const auto& entry : std::filesystem::directory_iterator(record.parent_path())) {
        count += entry.path().filename().string().rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return count;
}

// A record file whose "today" is Halloween 1998.
inline GameRecordFile HalloweenFile(const std::filesystem::path& path, std::string separator = "/") {
    return GameRecordFile(
        path,
        [] {
            return CalendarDate{1998, 10, 31};
        },
        std::move(separator));
}

// A game whose saved counters all hold `value` (name and date left empty).
inline GameSession GameWithCounters(std::int32_t value) {
    GameSession game;
    game.Credits = game.Borrowed = game.Spins = game.TotalBets = value;
    game.Nudges = game.NudgesUsed = game.TricksWon = value;
    return game;
}

inline std::string SavedFields(const GameSession& game) {
    std::ostringstream out;
    out << "name=[" << game.GameName << "] date=[" << game.GameDate << "] credits=" << game.Credits
        << " borrowed=" << game.Borrowed << " spins=" << game.Spins << " bets=" << game.TotalBets
        << " nudges=" << game.Nudges << " used=" << game.NudgesUsed << " tricks=" << game.TricksWon;
    return out.str();
}

} // namespace morrow::test
