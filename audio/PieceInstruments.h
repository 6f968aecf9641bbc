// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <map>
#include <span>

namespace morrow {

inline constexpr int kPercussionBank = 128;

// A preset of a General MIDI SoundFont by its numbers, as a MIDI channel
// asks for it: melodic channels in banks 0 to 127, the percussion channel in
// bank 128.
struct PresetNumber {
    int bank = 0;
    int program = 0;
    auto operator<=>(const PresetNumber&) const = default;
};

// Notes by key and note-on velocity (each 0..127).
class NoteSet {
public:
    void Add(int key, int velocity);
    void Merge(const NoteSet& other);
    bool Empty() const;
    // Whether a note lies in the key and velocity ranges (both inclusive).
    bool AnyIn(int keyLow, int keyHigh, int velocityLow, int velocityHigh) const;
    bool operator==(const NoteSet& other) const = default;

private:
    // For each key, its velocities as 128 bits.
    std::array<std::array<std::uint64_t, 2>, 128> velocities_{};
};

// What a MIDI piece can ask of the synthesiser: each preset a channel may
// have selected when a note starts on it, with the notes that may start on
// it. Where the order of events on different tracks leaves doubt, or a
// system exclusive message may reset the channels or change their kind, it
// says more rather than less. A piece the player cannot read asks for
// nothing.
struct PieceInstruments {
    std::map<PresetNumber, NoteSet> presets;
    bool operator==(const PieceInstruments& other) const = default;
};

// Reads a Standard MIDI File the way the synthesiser's player reads it:
// every channel starts on program 0 (channel 10: the percussion kit 0), and
// controller 0 picks the bank of a melodic channel's next program change.
PieceInstruments ScanPieceInstruments(std::span<const std::uint8_t> midi);

} // namespace morrow
