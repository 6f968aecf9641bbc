// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ByteReader.h"
#include "TempDir.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace morrow::test {

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void AppendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A 44.1 kHz 16-bit mono PCM WAV file image of a 440 Hz tone.
inline std::vector<std::uint8_t> ToneWav(int milliseconds) {
    constexpr std::uint32_t kRate = 44100;
    const auto frames = static_cast<std::uint32_t>(kRate * static_cast<std::uint32_t>(milliseconds) / 1000);
    std::vector<std::uint8_t> wav;
    AppendTag(wav, "RIFF");
    AppendLittle(wav, 36 + frames * 2, 4);
    AppendTag(wav, "WAVE");
    AppendTag(wav, "fmt ");
    AppendLittle(wav, 16, 4);
    AppendLittle(wav, 1, 2); // PCM
    AppendLittle(wav, 1, 2); // mono
    AppendLittle(wav, kRate, 4);
    AppendLittle(wav, kRate * 2, 4);
    AppendLittle(wav, 2, 2);
    AppendLittle(wav, 16, 2);
    AppendTag(wav, "data");
    AppendLittle(wav, frames * 2, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double phase = 2.0 * std::numbers::pi * 440.0 * static_cast<double>(i) / kRate;
        const auto sample = static_cast<std::int16_t>(12000.0 * std::sin(phase));
        AppendLittle(wav, static_cast<std::uint16_t>(sample), 2);
    }
    return wav;
}

inline void AppendVariableLength(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    std::vector<std::uint8_t> groups{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0) {
        groups.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    }
    bytes.insert(bytes.end(), groups.rbegin(), groups.rend());
}

// A Standard MIDI File of one track at 120 beats a minute (480 ticks a beat):
// a single held note (piano, or General MIDI `program`), then the end of the
// track after `beats` beats, each half a second.
inline std::vector<std::uint8_t> OneNoteMidi(int beats, std::uint8_t program = 0) {
    std::vector<std::uint8_t> track;
    const auto event = [&track](std::uint32_t delta, std::initializer_list<std::uint8_t> data) {
        AppendVariableLength(track, delta);
        track.insert(track.end(), data);
    };
    event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}); // tempo: 500000 microseconds a beat
    event(0, {0xC0, program});
    event(0, {0x90, 60, 100});
    event(static_cast<std::uint32_t>(beats) * 480, {0x80, 60, 0});
    event(0, {0xFF, 0x2F, 0x00});

    std::vector<std::uint8_t> midi{'M', 'T', 'h', 'd'};
    AppendBigEndian(midi, 6, 4);
    AppendBigEndian(midi, 0, 2);   // format 0
    AppendBigEndian(midi, 1, 2);   // one track
    AppendBigEndian(midi, 480, 2); // ticks a beat
    midi.insert(midi.end(), {'M', 'T', 'r', 'k'});
    AppendBigEndian(midi, static_cast<std::uint32_t>(track.size()), 4);
    midi.insert(midi.end(), track.begin(), track.end());
    return midi;
}

} // namespace morrow::test
