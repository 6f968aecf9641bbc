// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameRecordFile.h"

#include "AtomicFile.h"
#include "IniText.h"
#include "RecordValue.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

namespace morrow {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFolderName = "morrowmas-slots";
constexpr std::size_t kValueCharacters = 1023; // longest value the game reads
constexpr std::size_t kNameCharacters = 30;
constexpr std::size_t kDateCharacters = 10;
bool IsSlot(int slot) {
    return slot >= 0 && slot <= kCurrentGameSlot;
}

std::string HomeOfUser() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

// The file to replace: the target of a symbolic link, so that a linked
// record file stays linked.
fs::path WriteTarget(const fs::path& path) {
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        fs::path resolved = fs::weakly_canonical(path, error);
        if (!error) {
            return resolved;
        }
    }
    return path;
}

} // namespace

std::string SectionNameOf(int slot) {
    if (slot == kCurrentGameSlot) {
        return std::string(kCurrentGameName);
    }
    return "GameNo" + std::to_string(slot + 1);
}

fs::path GameRecordPathFor(std::string_view xdgConfigHome, std::string_view home) {
    fs::path configHome;
    if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/') {
        configHome = fs::path(xdgConfigHome);
    } else {
        configHome = fs::path(home) / ".config";
    }
    return configHome / kFolderName / kGameRecordFileName;
}

fs::path DefaultGameRecordPath() {
    const char* xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string homeDir = (home != nullptr && *home != '\0') ? std::string(home) : HomeOfUser();
    return GameRecordPathFor(xdgConfigHome != nullptr ? xdgConfigHome : "", homeDir);
}

GameRecordFile::GameRecordFile(fs::path path, Clock& clock, std::string dateSeparator)
    : path_(std::move(path)), clock_(&clock), dateSeparator_(OneLine(dateSeparator)) {}

std::string GameRecordFile::TodayText() const {
    return FormatGameDate(clock_->Today(), dateSeparator_);
}

void GameRecordFile::ReadGameRecord(SavedGame& game, int slot) const {
    if (!IsSlot(slot)) {
        return;
    }
    FileContents contents;
    (void)ReadWholeFile(path_, contents); // an unreadable file reads as a missing one
    const IniText ini(contents.text);
    const std::string section = SectionNameOf(slot);
    const auto value = [&](std::string_view key) -> std::optional<std::string_view> {
        const auto raw = ini.Find(section, key);
        if (!raw) {
            return std::nullopt;
        }
        return FirstCharacters(UnwrapValue(*raw), kValueCharacters);
    };

    const auto name = value("GameName");
    game.GameName = name ? std::string(FirstCharacters(*name, kNameCharacters)) : section;
    const auto date = value("GameDate");
    game.GameDate = date ? std::string(FirstCharacters(*date, kDateCharacters)) : TodayText();
    for (const SavedCounter& counter : kSavedCounters) {
        const auto text = value(counter.key);
        const auto number = text ? ParseRecordInteger(*text) : std::nullopt;
        game.*counter.field = number.value_or(counter.whenMissing);
    }
}

std::optional<RecordWriteError> GameRecordFile::WriteGameRecord(const SavedGame& game, int slot,
                                                                std::string_view name) const {
    const auto refused = [this](std::string detail) {
        return RecordWriteError{"Unable to write to " + path_.filename().string(), std::move(detail)};
    };
    if (!IsSlot(slot)) {
        return refused("no game slot " + std::to_string(slot));
    }
    if (FileResult failure = MakeDirectories(path_.parent_path())) {
        return refused(failure->detail);
    }
    FileLock lock;
    if (FileResult failure = lock.Acquire(fs::path(path_) += ".lock")) {
        return refused(failure->detail);
    }
    const fs::path target = WriteTarget(path_);
    FileContents contents;
    if (FileResult failure = ReadWholeFile(target, contents)) {
        // Never replace a file that could not be read: the other slots would be lost.
        return refused(failure->detail);
    }
    if (contents.presence == FilePresence::Present && ::access(target.c_str(), W_OK) != 0) {
        return refused("write " + target.string() + ": " + std::strerror(errno));
    }
    RemoveStaleTemporaries(target);

    IniText ini(contents.text);
    const std::string section = SectionNameOf(slot);
    ini.Set(section, "GameName", WrapValue(OneLine(name)));
    ini.Set(section, "GameDate", WrapValue(TodayText()));
    for (const SavedCounter& counter : kSavedCounters) {
        ini.Set(section, counter.key, std::to_string(game.*counter.field));
    }
    if (FileResult failure = ReplaceFileAtomically(target, ini.Text())) {
        return refused(failure->detail);
    }
    return std::nullopt;
}

} // namespace morrow
