// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

extern char** environ;

namespace morrow::e2e {

namespace {

// Our environment with `overrides` applied, as NAME=value strings.
std::vector<std::string> MergedEnvironment(const Environment& overrides) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string item(*entry);
        const std::string name = item.substr(0, item.find('='));
        if (overrides.find(name) == overrides.end()) {
            merged.push_back(item);
        }
    }
    for (const auto& [name, value] : overrides) {
        merged.push_back(name + "=" + value);
    }
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// What a child's standard descriptors become.
struct Redirection {
    int in = -1;
    int out = -1;
    int err = -1;
    std::optional<int> keep; // stays open under its own number
};

// fork and exec with `redirection`; the pid, or -1 with the reason in
// `error`. The child is killed if this process dies first, so a test
// killed by its timeout leaves no server behind.
pid_t Spawn(const std::vector<std::string>& argv, const Environment& env, const Redirection& redirection,
            std::string& error) {
    std::vector<std::string> args = argv;
    std::vector<std::string> envStrings = MergedEnvironment(env);
    std::vector<char*> argPointers = Pointers(args);
    std::vector<char*> envPointers = Pointers(envStrings);

    // The child reports a failed exec through this pipe; a successful exec
    // closes it unwritten.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return -1;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        dup2(redirection.in, STDIN_FILENO);
        dup2(redirection.out, STDOUT_FILENO);
        dup2(redirection.err, STDERR_FILENO);
        if (redirection.keep) {
            fcntl(*redirection.keep, F_SETFD, 0);
        }
        execvpe(argPointers[0], argPointers.data(), envPointers.data());
        const int failure = errno;
        [[maybe_unused]] const ssize_t ignored = write(report[1], &failure, sizeof failure);
        _exit(127);
    }
    close(report[1]);
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close(report[0]);
        return -1;
    }
    int failure = 0;
    ssize_t n = 0;
    do {
        n = read(report[0], &failure, sizeof failure);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    if (n == static_cast<ssize_t>(sizeof failure)) {
        int status = 0;
        waitpid(pid, &status, 0);
        error = "cannot start " + argv.front() + ": " + std::strerror(failure);
        return -1;
    }
    return pid;
}

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

} // namespace

ChildProcess::~ChildProcess() {
    Stop();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_) {
    other.pid_ = -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Stop();
        pid_ = other.pid_;
        other.pid_ = -1;
    }
    return *this;
}

std::optional<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv, const Environment& env,
                                                const std::filesystem::path& logFile, std::string& error,
                                                std::optional<int> inheritFd) {
    const Descriptor in(open("/dev/null", O_RDONLY | O_CLOEXEC));
    const Descriptor out(open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (in.Get() < 0 || out.Get() < 0) {
        error = "cannot open " + logFile.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const pid_t pid = Spawn(argv, env, {in.Get(), out.Get(), out.Get(), inheritFd}, error);
    if (pid < 0) {
        return std::nullopt;
    }
    return ChildProcess(pid);
}

bool ChildProcess::Running() {
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    const pid_t rc = waitpid(pid_, &status, WNOHANG);
    if (rc == 0) {
        return true;
    }
    pid_ = -1;
    return false;
}

void ChildProcess::Stop(std::chrono::milliseconds grace) {
    if (!Running()) {
        return;
    }
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!Running()) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

PipeEnd ReadPipeUntil(int fd, std::chrono::steady_clock::time_point deadline, std::string& text,
                      const std::function<bool(const std::string&)>& enough) {
    char buffer[4096];
    for (;;) {
        if (enough && enough(text)) {
            return PipeEnd::Enough;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return PipeEnd::TimedOut;
        }
        pollfd readable{fd, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return PipeEnd::Failed;
        }
        if (ready == 0) {
            continue; // the deadline is looked at again above
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return PipeEnd::Closed;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

CommandResult RunCommand(const std::vector<std::string>& argv, const Environment& env,
                         std::chrono::milliseconds timeout) {
    CommandResult result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return result;
    }
    const Descriptor in(open("/dev/null", O_RDONLY | O_CLOEXEC));
    const Descriptor discard(open("/dev/null", O_WRONLY | O_CLOEXEC));
    std::string error;
    const pid_t pid = Spawn(argv, env, {in.Get(), fds[1], discard.Get(), std::nullopt}, error);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return result;
    }
    result.started = true;

    const PipeEnd end = ReadPipeUntil(fds[0], std::chrono::steady_clock::now() + timeout, result.output);
    result.timedOut = end == PipeEnd::TimedOut;
    close(fds[0]);
    if (end != PipeEnd::Closed) {
        kill(pid, SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morrow-e2e-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    }
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace morrow::e2e
