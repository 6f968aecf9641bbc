// SPDX-License-Identifier: GPL-3.0-or-later
// The window tests: the real game played in a virtual X server, driven with
// xdotool and read back from screenshots. This header holds the process
// plumbing they stand on.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace morrow::e2e {

// Variables set (or replaced) in a child's copy of our environment.
using Environment = std::map<std::string, std::string>;

// A process we started, known by its pid and ended by that pid alone. The
// destructor ends it, so a failing test never leaves it behind.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `argv` with stdout and stderr appended to `logFile`. The
    // descriptor `inheritFd`, when given, stays open in the child under the
    // same number. Empty on failure, with the reason in `error`.
    static std::optional<ChildProcess> Start(const std::vector<std::string>& argv, const Environment& env,
                                             const std::filesystem::path& logFile, std::string& error,
                                             std::optional<int> inheritFd = std::nullopt);

    pid_t Pid() const { return pid_; }
    // False once the process has ended (it is reaped then).
    bool Running();
    // SIGTERM, then SIGKILL if it has not gone within `grace`; reaps it.
    void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

private:
    explicit ChildProcess(pid_t pid) : pid_(pid) {}
    pid_t pid_ = -1;
};

struct CommandResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;
    std::string output; // stdout only; stderr is discarded
};

// Runs a short helper command to its end, killing it (by its pid) if it
// outlives `timeout`.
CommandResult RunCommand(const std::vector<std::string>& argv, const Environment& env,
                         std::chrono::milliseconds timeout);

// How a read of a pipe ended.
enum class PipeEnd {
    Closed,   // end of file (or a read error): the writer has gone
    Enough,   // what was read so far is all the caller wanted
    TimedOut, // the deadline passed first
    Failed,   // poll failed
};

// Appends what arrives on `fd` to `text` until the writer closes its end,
// `enough(text)` is true, or `deadline` passes. An empty `enough` reads to
// the end.
PipeEnd ReadPipeUntil(int fd, std::chrono::steady_clock::time_point deadline, std::string& text,
                      const std::function<bool(const std::string&)>& enough = {});

// A fresh directory under the system's temporary directory, removed with
// everything in it when this object goes.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace morrow::e2e
