// SPDX-License-Identifier: GPL-3.0-or-later
// The built music as the tests check it, read with the game's MIDI reader
// (strictly, as the standard writes it): the header, the notes with their
// lengths, and the tempo map that turns ticks into seconds.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace morrow::test {

struct MidiNote {
    int channel = 0; // 0..15; 9 is the percussion channel
    int pitch = 0;
    std::uint64_t onTick = 0;
    std::uint64_t offTick = 0;
};

struct TempoChange {
    std::uint64_t tick = 0;
    std::uint32_t microsPerQuarter = 500000;
};

struct MidiFile {
    int format = 0;
    int trackCount = 0;
    int ticksPerQuarter = 0;
    std::vector<TempoChange> tempoMap; // sorted by tick, from every track
    std::vector<MidiNote> notes;       // in the order they end
    std::vector<std::uint64_t> trackEnds;
    int unreleasedNotes = 0; // note-ons still sounding at their track's end

    std::uint64_t EndTick() const;
    double Seconds(std::uint64_t tick) const;
    std::set<int> Channels() const;
};

// Parses a whole file; on a malformed file returns false and says why.
bool ReadMidiFile(const std::vector<std::uint8_t>& bytes, MidiFile& file, std::string& error);

} // namespace morrow::test
