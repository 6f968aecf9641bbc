// Shared helpers of the sound tests: a temporary directory and test tones.
#pragma once

#include "Wave.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <stdexcept>
#include <string>
#include <system_error>

namespace morrow::soundgen::test {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "morrow-sound-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary directory");
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

private:
    std::filesystem::path path_;
};

inline Mono Sine(double hz, double seconds, double amplitude, int rate = kSampleRate) {
    Mono m(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < m.size(); ++i) {
        m[i] = static_cast<float>(amplitude *
                                  std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate));
    }
    return m;
}

} // namespace morrow::soundgen::test
