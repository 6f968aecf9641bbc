// SPDX-License-Identifier: GPL-3.0-or-later
// The tables of an SF2 SoundFont as SoundFontIndex reads them and
// SoundFontExtract writes the tables of an extract from them.
#pragma once

#include "PieceInstruments.h"
#include "WholeFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

namespace morrow::soundfont {

// Generators that shape a zone.
inline constexpr std::uint16_t kKeyRange = 43;
inline constexpr std::uint16_t kVelocityRange = 44;
inline constexpr std::uint16_t kInstrument = 41;
inline constexpr std::uint16_t kSampleId = 53;

// Sample types.
inline constexpr std::uint16_t kMonoSample = 0x0001;
inline constexpr std::uint16_t kPairedSamples = 0x0002 | 0x0004 | 0x0008; // right, left, linked
inline constexpr std::uint16_t kCompressedSample = 0x0010;
inline constexpr std::uint16_t kRomSample = 0x8000;

// The size of a record of each table; a preset's or an instrument's header
// also says where in it the number of its first zone (bag) stands.
struct HeaderRecord {
    std::size_t size;
    std::size_t bagAt;
};
inline constexpr HeaderRecord kPresetRecord{38, 24};
inline constexpr HeaderRecord kInstrumentRecord{22, 20};
inline constexpr std::size_t kBagRecord = 4;
inline constexpr std::size_t kModulatorRecord = 10;
inline constexpr std::size_t kGeneratorRecord = 4;
inline constexpr std::size_t kSampleRecord = 46;

struct Bag {
    std::uint16_t generator = 0;
    std::uint16_t modulator = 0;
};

struct Generator {
    std::uint16_t oper = 0;
    std::uint16_t amount = 0;
    int Low() const { return amount & 0xFF; }
    int High() const { return amount >> 8; }
};

// One level of the tables: presets or instruments, each a run of zones
// (bags), each zone a run of generators and modulators.
struct Level {
    std::vector<std::vector<std::uint8_t>> headers; // without the closing record
    std::vector<std::uint16_t> firstBag;            // one more than headers
    std::vector<Bag> bags;                          // with the closing record
    std::vector<Generator> generators;
    std::vector<std::array<std::uint8_t, kModulatorRecord>> modulators;

    std::span<const Generator> GeneratorsOf(std::size_t bag) const {
        return std::span(generators)
            .subspan(bags[bag].generator,
                     static_cast<std::size_t>(bags[bag + 1].generator - bags[bag].generator));
    }
};

// A sample header with its points in the source's sample data. Loop points
// are kept the way the synthesiser repairs unusable ones: a loop start
// outside the sample or not before the loop end becomes the sample's start,
// a loop end past the data or not after the loop start its end.
struct Sample {
    std::array<std::uint8_t, kSampleRecord> header{};
    std::uint32_t start = 0;
    std::uint32_t end = 0; // the first point after the sample
    std::uint32_t loopStart = 0;
    std::uint32_t loopEnd = 0;
    std::uint16_t link = 0;
    std::uint16_t type = 0;
};

struct Tables {
    // The source file, open for as long as an index or an extract needs it.
    std::shared_ptr<const PlainFile> source;
    std::vector<std::uint8_t> info; // the INFO list's chunks
    std::uint64_t sampleOffset = 0; // of the first sample point in the file
    std::uint32_t samplePoints = 0;
    Level presets;
    Level instruments;
    std::vector<Sample> samples; // without the closing record
    std::multimap<PresetNumber, std::size_t> presetByNumber;
};

} // namespace morrow::soundfont
