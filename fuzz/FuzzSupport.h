// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: a scratch folder of their own in memory, and
// a check that stops the run with a message when a property does not hold.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

namespace morrow::fuzz {

// A folder for this process's files, made once, on a memory file system
// where there is one, so that the many small writes stay off the disk.
inline const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error)) {
            base = std::filesystem::temp_directory_path();
        }
        std::filesystem::path made = base / ("morrow-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made, error);
        std::atexit([] { std::filesystem::remove_all(ScratchDir()); });
        return made;
    }();
    return dir;
}

inline void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A property that failed: said on standard error, then an abort, which
// libFuzzer keeps as a crash with its input.
[[noreturn]] inline void Broken(std::string_view what) {
    std::fprintf(stderr, "property broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void Require(bool holds, std::string_view what) {
    if (!holds) {
        Broken(what);
    }
}

} // namespace morrow::fuzz
