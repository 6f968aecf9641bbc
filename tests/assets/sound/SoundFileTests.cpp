// SPDX-License-Identifier: GPL-3.0-or-later
// The sound files the build wrote into the program directory, read back as
// the game's player reads them, and the generator run again from scratch.
#include "Listener.h"
#include "SoundTestSupport.h"
#include "Wave.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace morrow::soundgen;
using morrow::soundgen::test::TempDir;

namespace {

const fs::path kProgramDir = MORROW_SOUND_PROGRAM_DIR;

struct Pcm {
    SF_INFO info{};
    std::vector<std::int16_t> samples; // interleaved
    double Seconds() const { return static_cast<double>(info.frames) / info.samplerate; }
};

Pcm Load(const fs::path& path) {
    Pcm p;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &p.info);
    if (f == nullptr) {
        ADD_FAILURE() << path << " cannot be read: " << sf_strerror(nullptr);
        return p;
    }
    p.samples.resize(static_cast<std::size_t>(p.info.frames * p.info.channels));
    const sf_count_t read = sf_readf_short(f, p.samples.data(), p.info.frames);
    sf_close(f);
    EXPECT_EQ(read, p.info.frames) << path << " is shorter than its header says";
    return p;
}

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Expected {
    const char* name;
    double minSeconds, maxSeconds;
};

// How long each effect may be, from how the game plays it: the tick repeats
// every 75 ms, the buzz and the jingles hold the game until they end, and the
// game waits for the goodbye before it closes.
constexpr Expected kFiles[] = {
    {"Morrow0.wav", 0.05, 0.4},  {"Morrow1.wav", 0.1, 0.6}, {"Morrow2.wav", 0.2, 0.999},
    {"Morrow3.wav", 0.01, 0.06}, {"MorWin0.wav", 1.0, 3.0}, {"MorWin1.wav", 1.0, 3.0},
    {"MorWin2.wav", 1.0, 3.0},   {"MorWin3.wav", 1.0, 3.0}, {"MorWin4.wav", 1.0, 3.0},
    {"MorWin5.wav", 1.0, 3.0},   {"MorWin6.wav", 1.0, 3.0}, {"MorWin7.wav", 1.0, 3.0},
    {"MorWin8.wav", 0.3, 1.0},   {"Tort.wav", 0.8, 3.0},    {"Welcome.wav", 1.5, 5.0},
    {"Goodbye.wav", 1.5, 4.5},
};

} // namespace

// Every effect is a 16-bit 44.1 kHz WAV within its length bounds, audible but
// not clipped, at a loudness close to the others, and starts and ends at
// silence so it never clicks.
TEST(SoundFiles, EveryEffectIsCleanPcmWithinItsBounds) {
    for (const Expected& e : kFiles) {
        SCOPED_TRACE(e.name);
        const Pcm p = Load(kProgramDir / e.name);
        if (p.samples.empty()) {
            ADD_FAILURE() << e.name << " is empty";
            continue;
        }
        EXPECT_EQ(p.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16) << "not a 16-bit PCM WAV file";
        EXPECT_EQ(p.info.samplerate, 44100);
        EXPECT_TRUE(p.info.channels == 1 || p.info.channels == 2) << p.info.channels << " channels";
        EXPECT_GE(p.Seconds(), e.minSeconds) << "too short";
        EXPECT_LE(p.Seconds(), e.maxSeconds) << "too long";

        int peak = 0;
        double energy = 0;
        for (std::int16_t s : p.samples) {
            peak = std::max(peak, std::abs(static_cast<int>(s)));
            energy += static_cast<double>(s) * s;
        }
        const double rms = std::sqrt(energy / static_cast<double>(p.samples.size())) / 32768.0;
        EXPECT_LT(peak, 31000) << "peak at full scale: clipped or without headroom";
        EXPECT_GT(peak, 6000) << "peak far below the other effects";
        EXPECT_GT(rms, 0.01) << "nearly silent (RMS " << GainToDb(rms) << " dBFS)";

        const auto channels = static_cast<std::size_t>(p.info.channels);
        for (std::size_t c = 0; c < channels; ++c) {
            EXPECT_LE(std::abs(p.samples[c]), 64) << "starts with a step";
            EXPECT_LE(std::abs(p.samples[p.samples.size() - channels + c]), 64) << "ends with a step";
        }

        Stereo s;
        s.Resize(static_cast<std::size_t>(p.info.frames));
        for (std::size_t i = 0; i < s.Frames(); ++i) {
            s.left[i] = p.samples[i * channels] / 32768.0f;
            s.right[i] = p.samples[i * channels + channels - 1] / 32768.0f;
        }
        const double lufs = Loudness(s);
        EXPECT_GE(lufs, -24.0) << "too quiet against the others";
        EXPECT_LE(lufs, -13.0) << "too loud against the others";
    }
}

// A speech recogniser, standing in for a player hearing each spoken line for
// the first time, makes out enough of its words. It must run: without it
// the check fails rather than passing unheard.
TEST(SoundFiles, SpokenLinesAreUnderstood) {
    struct Spoken {
        const char* name;
        std::vector<std::string> words;
        std::size_t atLeast;
    };
    const Spoken lines[] = {
        {"Welcome.wav", {"welcome", "slots", "if", "you", "dare"}, 4},
        {"Goodbye.wav", {"leaving", "so", "soon", "come", "back", "if", "you", "dare"}, 5},
        {"Tort.wav", {"trick", "treat"}, 2},
    };
    for (const Spoken& line : lines) {
        std::string heard;
        try {
            heard = HeardIn(kProgramDir / line.name);
        } catch (const std::exception& e) {
            FAIL() << "the speech recogniser cannot run: " << e.what();
        }
        std::istringstream in(heard);
        const std::set<std::string> words{std::istream_iterator<std::string>(in), {}};
        std::size_t found = 0;
        for (const std::string& w : line.words) {
            found += words.count(w);
        }
        EXPECT_GE(found, line.atLeast) << line.name << " was heard as \"" << heard << "\"";
    }
}

// The bigger the prize, the longer the jingle: the top prize's is the longest,
// the stake back's the shortest.
TEST(SoundFiles, JinglesGrowWithThePrize) {
    std::vector<double> seconds;
    for (int n = 0; n <= 8; ++n) {
        seconds.push_back(Load(kProgramDir / ("MorWin" + std::to_string(n) + ".wav")).Seconds());
    }
    for (std::size_t n = 1; n < seconds.size(); ++n) {
        EXPECT_LE(seconds[n], seconds[n - 1]) << "MorWin" << n << " is longer than MorWin" << n - 1;
    }
    EXPECT_GT(seconds.front(), seconds[1]) << "the top prize's jingle is not the longest";
}

// Running the generator again into an empty directory writes exactly the
// files the build wrote, byte for byte, and nothing else.
TEST(SoundGenerator, WritesTheSameBytesEveryRun) {
    const TempDir dir;
    std::string program = MORROW_SOUNDGEN, target = dir.Path().string();
    char* argv[] = {program.data(), target.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0)
        << "cannot run " << program;
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the generator failed (status " << status << ")";

    std::map<std::string, std::string> written;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        written[entry.path().filename().string()] = Bytes(entry.path());
    }
    EXPECT_EQ(written.size(), std::size(kFiles)) << "other files than the game's sounds, or some missing";
    for (const Expected& e : kFiles) {
        const auto it = written.find(e.name);
        ASSERT_NE(it, written.end()) << e.name << " was not written";
        EXPECT_TRUE(it->second == Bytes(kProgramDir / e.name)) << e.name << " differs from the build's copy";
    }
}
