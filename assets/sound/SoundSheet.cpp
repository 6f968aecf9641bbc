// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundSheet.h"

#include "Listener.h"
#include "Programs.h"
#include "SoundSet.h"

#include <sndfile.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace morrow::soundgen {

Stereo ReadWav(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        throw std::runtime_error("cannot read " + path.string() + ": " + sf_strerror(nullptr));
    }
    if (info.samplerate != kSampleRate || info.channels < 1 || info.channels > 2) {
        sf_close(file);
        throw std::runtime_error(path.string() + ": not a mono or stereo file at 44.1 kHz");
    }
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> samples(static_cast<std::size_t>(info.frames) * channels);
    const sf_count_t read = sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    if (read != info.frames) {
        throw std::runtime_error(path.string() + ": shorter than its header says");
    }
    Stereo s;
    s.Resize(static_cast<std::size_t>(info.frames));
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        s.left[i] = samples[i * channels];
        s.right[i] = samples[i * channels + channels - 1];
    }
    return s;
}

namespace {

// A sound server (PulseAudio or PipeWire) or an ALSA playback device.
bool HaveSoundDevice() {
    if (std::getenv("PULSE_SERVER") != nullptr) {
        return true;
    }
    std::error_code ec;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        const std::filesystem::path dir(runtime);
        if (std::filesystem::exists(dir / "pulse" / "native", ec) ||
            std::filesystem::exists(dir / "pipewire-0", ec)) {
            return true;
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator("/dev/snd", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("pcmC", 0) == 0 && name.back() == 'p') {
            return true;
        }
    }
    return false;
}

void PlayFile(const std::string& player, const std::filesystem::path& file) {
    std::string program = player, quiet = "-q", path = file.string();
    char* argv[] = {program.data(), quiet.data(), path.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, player.c_str(), nullptr, nullptr, argv, environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

} // namespace

int PrintSoundSheet(const std::filesystem::path& dir, Playback playback, std::FILE* out) {
    std::optional<std::string> player;
    if (playback == Playback::Play) {
        player = FindProgram("play");
        if (!player) {
            player = FindProgram("aplay");
        }
        if (!player) {
            std::fprintf(out, "(neither play nor aplay is installed: listing only)\n");
        } else if (!HaveSoundDevice()) {
            std::fprintf(out, "(no sound device found: listing only)\n");
            player.reset();
        }
    }
    std::fprintf(out, "Sound effects in %s\n\n", dir.string().c_str());
    std::fprintf(out, "%-12s %8s %10s %9s %7s  %s\n", "File", "Length", "Peak dBFS", "RMS dBFS", "LUFS",
                 "Played when");
    int status = 0;
    double total = 0.0;
    for (const SoundRecipe& r : SoundRecipes()) {
        const std::filesystem::path file = dir / r.name;
        std::error_code ec;
        if (!std::filesystem::exists(file, ec)) {
            std::fprintf(out, "%-12s missing\n", r.name);
            status = 1;
            continue;
        }
        try {
            const Stereo s = ReadWav(file);
            total += s.Seconds();
            std::fprintf(out, "%-12s %6.0f ms %10.1f %9.1f %7.1f  %s\n", r.name, 1000.0 * s.Seconds(),
                         GainToDb(Peak(s)), GainToDb(Rms(s)), Loudness(s), r.what);
            std::fflush(out);
            if (r.spoken) {
                // What a listener who never heard it before makes of it.
                try {
                    std::fprintf(out, "%-12s heard: \"%s\"\n", "", HeardIn(file).c_str());
                } catch (const std::exception& e) {
                    std::fprintf(out, "%-12s heard: nothing, the recogniser cannot run: %s\n", "", e.what());
                    status = 1;
                }
                std::fflush(out);
            }
            if (player) {
                PlayFile(*player, file);
            }
        } catch (const std::exception& e) {
            std::fprintf(out, "%-12s unreadable: %s\n", r.name, e.what());
            status = 1;
        }
    }
    std::fprintf(out, "\n%zu files, %.1f s in all\n", SoundRecipes().size(), total);
    return status;
}

} // namespace morrow::soundgen
