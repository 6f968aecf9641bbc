// SPDX-License-Identifier: GPL-3.0-or-later
// Running the outside programs the sound generator leans on (the speech
// synthesiser, SoX, the speech recogniser) in a scratch folder of their own.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace morrow::soundgen {

// The full path of an executable found on PATH, if there is one.
std::optional<std::string> FindProgram(const std::string& name);

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes. Throws std::runtime_error when it
// cannot be made.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Runs the program named by args[0] (looked up on PATH) and waits for it.
    // Its output goes to "stdout" and "stderr" in this directory, and HOME
    // points here, so no personal settings of the user reach it. Returns its
    // exit status (128 + the signal when killed). Throws std::runtime_error
    // when the program is not installed or cannot be started.
    int Run(const std::vector<std::string>& args) const;

    // The whole of a file in this directory ("" when it is not there).
    std::string Read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

} // namespace morrow::soundgen
