// SPDX-License-Identifier: GPL-3.0-or-later
#include "PieceInstruments.h"
#include "AudioTestFiles.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace morrow {
namespace {

using Track = std::vector<std::uint8_t>;

// Appends one event: its delta time in ticks, then its bytes as written.
void Event(Track& track, std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
    test::AppendVariableLength(track, delta);
    track.insert(track.end(), bytes);
}

// A format-1 Standard MIDI File of `tracks` at 480 ticks a beat.
std::vector<std::uint8_t> MidiFile(const std::vector<Track>& tracks) {
    std::vector<std::uint8_t> midi{'M', 'T', 'h', 'd'};
    test::AppendBigEndian(midi, 6, 4);
    test::AppendBigEndian(midi, 1, 2);
    test::AppendBigEndian(midi, static_cast<std::uint32_t>(tracks.size()), 2);
    test::AppendBigEndian(midi, 480, 2);
    for (const Track& track : tracks) {
        midi.insert(midi.end(), {'M', 'T', 'r', 'k'});
        test::AppendBigEndian(midi, static_cast<std::uint32_t>(track.size()), 4);
        midi.insert(midi.end(), track.begin(), track.end());
    }
    return midi;
}

std::vector<PresetNumber> Numbers(const PieceInstruments& instruments) {
    std::vector<PresetNumber> numbers;
    for (const auto& entry : instruments.presets) {
        numbers.push_back(entry.first);
    }
    return numbers;
}

bool Plays(const PieceInstruments& instruments, PresetNumber preset, int key, int velocity) {
    const auto found = instruments.presets.find(preset);
    return found != instruments.presets.end() && found->second.AnyIn(key, key, velocity, velocity);
}

// Bank select (controller 0) picks the bank of a melodic channel's program;
// the percussion channel stays in bank 128 whatever it is sent; controller
// 32, a note-on of velocity 0 and meta events select nothing; running status
// carries notes.
TEST(PieceInstrumentsTest, PresetsFollowProgramChangesBanksAndThePercussionChannel) {
    Track track;
    Event(track, 0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}); // tempo
    Event(track, 0, {0xB0, 0, 8});                         // bank 8 on channel 1
    Event(track, 0, {0xB0, 32, 3});                        // bank LSB: ignored
    Event(track, 0, {0xC0, 40});
    Event(track, 0, {0x90, 60, 100});
    Event(track, 0, {64, 30}); // running status: another note-on
    Event(track, 0, {0xFF, 0x01, 0x02, 'h', 'i'});
    Event(track, 0, {0xB9, 0, 5}); // bank select on the percussion channel: ignored
    Event(track, 0, {0x99, 36, 110});
    Event(track, 0, {0x92, 70, 0}); // velocity 0: a note-off
    Event(track, 480, {0x80, 60, 0});
    Event(track, 0, {0xFF, 0x2F, 0x00});

    const PieceInstruments wanted = ScanPieceInstruments(MidiFile({track}));
    EXPECT_EQ(Numbers(wanted), (std::vector<PresetNumber>{{0, 40}, {8, 40}, {kPercussionBank, 0}}))
        << "channel 1 may play program 40 in bank 0 or 8, the drums kit 0; nothing else";
    EXPECT_TRUE(Plays(wanted, {8, 40}, 60, 100));
    EXPECT_TRUE(Plays(wanted, {8, 40}, 64, 30)) << "the note in running status was lost";
    EXPECT_FALSE(Plays(wanted, {8, 40}, 64, 100)) << "a velocity no note had was asked for";
    EXPECT_TRUE(Plays(wanted, {kPercussionBank, 0}, 36, 110));
}

// The program a channel starts with is asked for only when one of its notes
// may reach the synthesiser before every program change: events of the same
// moment go out track by track.
TEST(PieceInstrumentsTest, TheStartingProgramCountsOnlyWhenANoteMayComeFirst) {
    Track first;
    Event(first, 0, {0xC1, 20});     // channel 2: the change on the earlier track
    Event(first, 0, {0x92, 50, 90}); // channel 3: the note on the earlier track
    Event(first, 0, {0xFF, 0x2F, 0x00});
    Track second;
    Event(second, 0, {0x91, 50, 90}); // channel 2
    Event(second, 0, {0xC2, 30});     // channel 3
    Event(second, 0, {0xFF, 0x2F, 0x00});

    const PieceInstruments wanted = ScanPieceInstruments(MidiFile({first, second}));
    EXPECT_EQ(Numbers(wanted), (std::vector<PresetNumber>{{0, 0}, {0, 20}, {0, 30}}));
    EXPECT_TRUE(Plays(wanted, {0, 0}, 50, 90)) << "channel 3's note sounds before its program change";
}

// The player keeps the running status of one track into the next, so a
// track may begin with data bytes; a file it cannot read asks for nothing.
TEST(PieceInstrumentsTest, RunningStatusCarriesOnIntoTheNextTrack) {
    Track first;
    Event(first, 0, {0xC1, 33});
    Event(first, 0, {0x91, 40, 80}); // the track ends without an end-of-track event
    Track second;
    Event(second, 240, {43, 70}); // a note-on on channel 2
    Event(second, 0, {0xFF, 0x2F, 0x00});

    const PieceInstruments wanted = ScanPieceInstruments(MidiFile({first, second}));
    EXPECT_TRUE(Plays(wanted, {0, 33}, 43, 70)) << "the second track's note was not found";

    const Track unreadable{0x00, 43, 70}; // data bytes with no status before them
    EXPECT_TRUE(ScanPieceInstruments(MidiFile({unreadable})).presets.empty());
}

} // namespace
} // namespace morrow
