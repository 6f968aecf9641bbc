// SPDX-License-Identifier: GPL-3.0-or-later
// A temporary directory for the tests of every folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace morrow::test {

enum class TempPlace { Disk, Memory };

// A fresh directory, removed with everything in it when the object goes. In
// memory (/dev/shm) the stress tests' many flushes cost nothing; locks and
// renames behave the same there.
class TempDir {
public:
    explicit TempDir(TempPlace place = TempPlace::Disk) {
        std::error_code error;
        const bool inMemory = place == TempPlace::Memory && std::filesystem::is_directory("/dev/shm", error);
        std::string pattern =
            ((inMemory ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path()) /
             "morrow-XXXXXX")
                .string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary directory " + pattern);
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // The directory with its trailing separator, as the game's ProgramDir.
    std::string ProgramDir() const { return path_.string() + "/"; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

} // namespace morrow::test
