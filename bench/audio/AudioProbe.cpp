// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the sound layer on this machine: the time to open the output,
// the time from a sound request to its first sample in the mix, the time to
// get the synthesiser ready, how exactly the end of a piece is reported, and
// the memory and processor time music costs while it plays.
//
//   morrow-audio-probe [--seconds N] [--font file.sf2] [piece.mid ...]
//
// Each piece is opened and played in turn for N seconds (20 by default),
// as the game plays them one after the other, and the time to open it, the
// processor time and the resident memory while it plays are shown. Without
// a piece, a generated one of several instruments with drums plays.
#include "AudioDevice.h"
#include "FluidMusicSequencer.h"
#include "MixerSoundPlayer.h"
#include "PieceInstruments.h"
#include "ProcessSettings.h"
#include "SoundFontIndex.h"
#include "WholeFile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <SDL_mixer.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A figure of this process's memory from /proc (VmRSS: resident now, VmHWM:
// the most ever resident), in MiB.
double StatusMiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::strtod(line.c_str() + prefix.size(), nullptr) / 1024.0;
        }
    }
    return 0.0;
}

double ResidentMiB() {
    return StatusMiB("VmRSS");
}

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::vector<std::uint8_t> ToneWav(int milliseconds) {
    constexpr std::uint32_t kRate = 44100;
    const auto frames = kRate * static_cast<std::uint32_t>(milliseconds) / 1000;
    std::vector<std::uint8_t> wav;
    const auto put = [&wav](std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            wav.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    const auto tag = [&wav](std::string_view text) {
        for (char c : text) {
            wav.push_back(static_cast<std::uint8_t>(c));
        }
    };
    tag("RIFF");
    put(36 + frames * 2, 4);
    tag("WAVEfmt ");
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(kRate, 4);
    put(kRate * 2, 4);
    put(2, 2);
    put(16, 2);
    tag("data");
    put(frames * 2, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double value = 12000.0 * std::sin(2.0 * std::numbers::pi * 440.0 * i / kRate);
        put(static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
    }
    return wav;
}

void PutVariableLength(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    std::vector<std::uint8_t> groups{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0) {
        groups.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    }
    bytes.insert(bytes.end(), groups.rbegin(), groups.rend());
}

void PutBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A format-0 piece at 120 beats a minute, `beats` beats long: strings,
// a bass, a piano arpeggio and drums, in D minor.
std::vector<std::uint8_t> BusyPiece(int beats) {
    struct Event {
        std::uint32_t tick;
        std::vector<std::uint8_t> data;
    };
    std::vector<Event> events{
        {0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}}, {0, {0xC0, 48}}, {0, {0xC1, 33}}, {0, {0xC2, 0}}};
    const int chord[] = {62, 65, 69, 74};
    for (int beat = 0; beat < beats; ++beat) {
        const auto at = static_cast<std::uint32_t>(beat) * 480;
        if (beat % 4 == 0) {
            for (int note : chord) {
                events.push_back({at, {0x90, static_cast<std::uint8_t>(note), 70}});
                events.push_back({at + 1900, {0x80, static_cast<std::uint8_t>(note), 0}});
            }
        }
        events.push_back({at, {0x91, 38, 90}});
        events.push_back({at + 400, {0x81, 38, 0}});
        for (int step = 0; step < 4; ++step) {
            const auto note = static_cast<std::uint8_t>(chord[step] + 12);
            events.push_back({at + static_cast<std::uint32_t>(step) * 120, {0x92, note, 80}});
            events.push_back({at + static_cast<std::uint32_t>(step) * 120 + 110, {0x82, note, 0}});
        }
        events.push_back({at, {0x99, static_cast<std::uint8_t>(beat % 2 == 0 ? 36 : 38), 100}});
        events.push_back({at + 60, {0x89, static_cast<std::uint8_t>(beat % 2 == 0 ? 36 : 38), 0}});
        events.push_back({at + 240, {0x99, 42, 70}});
        events.push_back({at + 300, {0x89, 42, 0}});
    }
    events.push_back({static_cast<std::uint32_t>(beats) * 480, {0xFF, 0x2F, 0x00}});
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    std::vector<std::uint8_t> track;
    std::uint32_t last = 0;
    for (const Event& event : events) {
        PutVariableLength(track, event.tick - last);
        last = event.tick;
        track.insert(track.end(), event.data.begin(), event.data.end());
    }
    std::vector<std::uint8_t> midi{'M', 'T', 'h', 'd'};
    PutBigEndian(midi, 6, 4);
    PutBigEndian(midi, 0, 2);
    PutBigEndian(midi, 1, 2);
    PutBigEndian(midi, 480, 2);
    midi.insert(midi.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian(midi, static_cast<std::uint32_t>(track.size()), 4);
    midi.insert(midi.end(), track.begin(), track.end());
    return midi;
}

// The post-mix probe: the moment the first sample that is not silence
// passes through the mixer after a request.
std::atomic<bool> gArmed{false};
std::atomic<long long> gHeardAtNanoseconds{0};
// Frames the mixer has put out since the counter was last reset.
std::atomic<long long> gFramesMixed{0};

void CountFrames(void* /*data*/, Uint8* /*stream*/, int length) {
    gFramesMixed += length / 4;
}

void PostMix(void* /*data*/, Uint8* stream, int length) {
    if (!gArmed.load()) {
        return;
    }
    const auto* samples = reinterpret_cast<const std::int16_t*>(stream);
    for (int i = 0; i < length / 2; ++i) {
        if (samples[i] != 0) {
            gHeardAtNanoseconds = Clock::now().time_since_epoch().count();
            gArmed = false;
            return;
        }
    }
}

// Runs the event loop until it is told to quit or `milliseconds` have gone.
void RunEvents(QEventLoop& loop, int milliseconds) {
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(milliseconds);
    loop.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    // Memory and the libraries' logs as in the game.
    morrow::ApplyProcessSettings();
    QCoreApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    int musicSeconds = 20;
    std::vector<std::string> soundFonts = morrow::DefaultSoundFonts();
    std::vector<std::string> pieces;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--seconds" && i + 1 < argc) {
            musicSeconds = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--font" && i + 1 < argc) {
            soundFonts = {argv[++i]};
        } else {
            pieces.push_back(argument);
        }
    }
    const double startMiB = ResidentMiB();

    const auto constructed = Clock::now();
    morrow::AudioDevice device;
    const double constructMs = MillisecondsSince(constructed);
    device.WaitUntilOpen(std::chrono::milliseconds(5000));
    std::printf(
        "output: driver %s, %d Hz, opened in %.1f ms on its own thread (constructor returned in %.3f ms)\n",
        device.DriverName().c_str(), device.SampleRate(),
        static_cast<double>(device.OpeningTime().count()) / 1000.0, constructMs);

    // Request to first sample, for a memory image (reel stop) and a file.
    {
        morrow::MixerSoundPlayer player(device);
        const std::vector<std::uint8_t> tone = ToneWav(40);
        const morrow::SoundImage image = player.AddImage("tone.wav", tone);
        const std::string file = "/tmp/morrow-audio-probe-tone.wav";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(tone.data()), static_cast<std::streamsize>(tone.size()));
        Mix_SetPostMix(&PostMix, nullptr);
        for (const bool fromFile : {false, true}) {
            std::vector<double> latencies;
            for (int i = 0; i < 40; ++i) {
                gArmed = true;
                const auto requested = Clock::now();
                if (fromFile) {
                    player.PlayFile(file, morrow::SoundWait::NoWait);
                } else {
                    player.PlayImage(image);
                }
                while (gArmed.load() && MillisecondsSince(requested) < 500) {
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                }
                latencies.push_back(
                    static_cast<double>(gHeardAtNanoseconds.load() - requested.time_since_epoch().count()) /
                    1e6);
                std::this_thread::sleep_for(std::chrono::milliseconds(37));
            }
            std::sort(latencies.begin(), latencies.end());
            std::printf(
                "request to first sample in the mix (%s): median %.1f ms, 95th %.1f ms, max %.1f ms\n",
                fromFile ? "file" : "memory image", latencies[latencies.size() / 2],
                latencies[latencies.size() * 95 / 100], latencies.back());
        }
        Mix_SetPostMix(nullptr, nullptr);
        player.WaitUntilQuiet(std::chrono::milliseconds(500));
        std::remove(file.c_str());
    }
    const double beforeMusicMiB = ResidentMiB();

    const auto synthStart = Clock::now();
    morrow::FluidMusicSequencer sequencer(device, soundFonts);
    const double sequencerConstructMs = MillisecondsSince(synthStart);
    if (sequencer.DeviceError()) {
        std::printf("music: %s\n", sequencer.DeviceError()->c_str());
        return 1;
    }
    sequencer.WaitUntilReady(std::chrono::milliseconds(10000));
    std::printf("synthesiser ready in %.1f ms with %s on its own thread (constructor returned in %.3f ms); "
                "resident %.1f MiB\n",
                MillisecondsSince(synthStart), sequencer.SoundFontInUse().c_str(), sequencerConstructMs,
                ResidentMiB());

    QEventLoop loop;
    Clock::time_point played;
    double endAtMs = -1.0;
    sequencer.SetNotifyHandler([&](morrow::MusicNotify notify) {
        if (notify == morrow::MusicNotify::Successful) {
            endAtMs = MillisecondsSince(played);
            loop.quit();
        }
    });

    // Memory and processor time while music plays.
    std::printf("resident at start %.1f MiB, before the synthesiser %.1f MiB\n", startMiB, beforeMusicMiB);
    const std::string shortPiece = "/tmp/morrow-audio-probe-piece.mid";
    if (pieces.empty()) {
        const std::vector<std::uint8_t> bytes = BusyPiece(musicSeconds * 2 + 8);
        std::ofstream(shortPiece, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        pieces.push_back(shortPiece);
    }
    // The samples each piece's own SoundFont holds, when the font gives
    // extracts at all.
    const std::optional<morrow::SoundFontIndex> index =
        morrow::SoundFontIndex::Read(sequencer.SoundFontInUse());
    for (const std::string& piece : pieces) {
        // A piece ends early when it is shorter than the time asked for.
        endAtMs = -1.0;
        const auto opening = Clock::now();
        if (const auto error = sequencer.Open(piece)) {
            std::printf("%s\n", error->c_str());
            return 1;
        }
        const double openMs = MillisecondsSince(opening);
        const auto playing = Clock::now();
        if (const auto error = sequencer.Play()) {
            std::printf("%s\n", error->c_str());
            return 1;
        }
        const double playMs = MillisecondsSince(playing);
        std::string samples = "whole font";
        if (index) {
            std::vector<std::uint8_t> bytes;
            if (!morrow::ReadWholeFile(piece, bytes)) {
                const morrow::SoundFontExtract extract = index->Extract(morrow::ScanPieceInstruments(bytes));
                samples = std::to_string(extract.SampleBytes() / 1024) + " KiB of samples in " +
                          std::to_string(extract.PresetCount()) + " presets";
            }
        }
        played = Clock::now();
        RunEvents(loop, 1000);
        const double cpuStart = ProcessorSeconds();
        const auto wallStart = Clock::now();
        RunEvents(loop, musicSeconds * 1000);
        const double cpuPercent =
            100.0 * (ProcessorSeconds() - cpuStart) / (MillisecondsSince(wallStart) / 1000.0);
        std::printf("%s: open %.1f ms, play %.1f ms (%s); while it plays (%.0f s): %.1f %% of a core, "
                    "resident %.1f MiB, most ever %.1f MiB\n",
                    piece.c_str(), openMs, playMs, samples.c_str(), MillisecondsSince(wallStart) / 1000.0,
                    cpuPercent, ResidentMiB(), StatusMiB("VmHWM"));
        sequencer.Close();
    }

    // End accuracy: a generated piece of 8 beats, 4 seconds.
    {
        const std::vector<std::uint8_t> bytes = BusyPiece(8);
        std::ofstream(shortPiece, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    // The output's own clock is the sound it has mixed: on the dummy driver
    // it runs a few per cent off the wall clock.
    Mix_SetPostMix(&CountFrames, nullptr);
    for (int round = 0; round < 5; ++round) {
        if (sequencer.Open(shortPiece)) {
            std::printf("the probe's piece could not be opened\n");
            return 1;
        }
        played = Clock::now();
        gFramesMixed = 0;
        if (sequencer.Play()) {
            std::printf("the probe's piece could not be played\n");
            return 1;
        }
        RunEvents(loop, 8000);
        const double mixedMs = 1000.0 * static_cast<double>(gFramesMixed.load()) / device.SampleRate();
        std::printf("end of a 4000 ms piece reported at %.1f ms of wall clock, %.1f ms of sound mixed\n",
                    endAtMs, mixedMs);
    }
    Mix_SetPostMix(nullptr, nullptr);

    const double idleCpuStart = ProcessorSeconds();
    const auto idleStart = Clock::now();
    RunEvents(loop, 5000);
    std::printf("music closed, after its tail: %.1f %% of a core\n",
                100.0 * (ProcessorSeconds() - idleCpuStart) / (MillisecondsSince(idleStart) / 1000.0));
    std::remove(shortPiece.c_str());
    return 0;
}
