// SPDX-License-Identifier: GPL-3.0-or-later
// The built background music: the MIDI reader the checks stand on, then
// every one of the eight pieces the rotation plays.
#include "MidiFileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using morrow::test::MidiFile;
using morrow::test::ReadMidiFile;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A format 1 file at 96 ticks a quarter from raw track bodies.
Bytes MakeFile(const std::vector<Bytes>& tracks, int format = 1) {
    Bytes out = {'M', 'T',
                 'h', 'd',
                 0,   0,
                 0,   6,
                 0,   static_cast<std::uint8_t>(format),
                 0,   static_cast<std::uint8_t>(tracks.size()),
                 0,   96};
    for (const Bytes& body : tracks) {
        const std::size_t n = body.size();
        out.insert(out.end(), {'M', 'T', 'r', 'k', static_cast<std::uint8_t>(n >> 24),
                               static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8),
                               static_cast<std::uint8_t>(n)});
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

// The reader follows running status (also across a note-on of velocity 0
// used as note-off), a sysex that cancels it, long delta-times, and a tempo
// change stored in a later track than the notes it times.
TEST(MidiFileReader, ReadsRunningStatusAndTimesNotesByTheTempoMap) {
    // clang-format off
    const Bytes tempoTrack = Join({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,         // 500000 us: 120 a minute
                                   0x83, 0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40},  // tick 384: 60 a minute
                                  {0x83, 0x00, 0xFF, 0x2F, 0x00});                   // ends at tick 768
    const Bytes notes = Join({0x00, 0x90, 60, 100,          // C on, channel 1
                              0x60, 64, 90,                 // running status: E on at 96
                              0x60, 60, 0,                  // running status: C off at 192
                              0x00, 0xF0, 0x01, 0xF7,       // a sysex cancels running status
                              0x00, 0x89, 38, 64,           // a stray note-off
                              0x82, 0x40, 0x80, 64, 0,      // two-byte delta: E off at 512
                              0x00, 0x99, 38, 80, 0x30, 38, 0}, // snare on channel 10, off at 560
                             kEnd);
    // clang-format on
    MidiFile file;
    std::string error;
    ASSERT_TRUE(ReadMidiFile(MakeFile({tempoTrack, notes}), file, error)) << error;

    ASSERT_EQ(file.notes.size(), 3u) << "C, E and the snare, and no note for the stray note-off";
    EXPECT_EQ(file.notes[0].pitch, 60);
    EXPECT_EQ(file.notes[0].offTick, 192u);
    EXPECT_EQ(file.notes[1].pitch, 64);
    EXPECT_EQ(file.notes[1].onTick, 96u);
    EXPECT_EQ(file.notes[1].offTick, 512u) << "a two-byte delta-time was misread";
    EXPECT_EQ(file.notes[2].channel, 9);
    EXPECT_EQ(file.Channels().size(), 2u);
    EXPECT_EQ(file.unreleasedNotes, 0);
    EXPECT_EQ(file.EndTick(), 768u);
    // 384 ticks at 120 a minute (2 s) and 384 at 60 a minute (4 s).
    EXPECT_DOUBLE_EQ(file.Seconds(384), 2.0);
    EXPECT_DOUBLE_EQ(file.Seconds(file.EndTick()), 6.0) << "the tempo change was not applied";
}

// Damaged files are refused with a reason instead of being half read.
TEST(MidiFileReader, RefusesMalformedFiles) {
    const Bytes note = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0};
    struct Case {
        const char* what;
        Bytes bytes;
    };
    Bytes cutShort = MakeFile({Join(note, kEnd)});
    cutShort.resize(cutShort.size() - 3);
    Bytes badTag = MakeFile({Join(note, kEnd)});
    badTag[15] = 'X';
    Bytes smpte = MakeFile({Join(note, kEnd)});
    smpte[12] = 0xE7;
    const Case cases[] = {
        {"not a MIDI file", {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96}},
        {"track cut short", cutShort},
        {"track chunk tag wrong", badTag},
        {"SMPTE division", smpte},
        {"no End of Track", MakeFile({note})},
        {"events after End of Track", MakeFile({Join(kEnd, note)})},
        {"data byte before any status", MakeFile({Join({0x00, 60, 100}, kEnd)})},
        {"running status after a meta event",
         MakeFile({Join({0x00, 0x90, 60, 100, 0x00, 0xFF, 0x01, 0x00, 0x60, 60, 0}, kEnd)})},
        {"delta-time longer than four bytes", MakeFile({Join({0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, kEnd)})},
        {"format 0 with two tracks", MakeFile({kEnd, kEnd}, 0)},
    };
    for (const Case& c : cases) {
        MidiFile file;
        std::string error;
        EXPECT_FALSE(ReadMidiFile(c.bytes, file, error)) << c.what << ": read as a valid file";
        EXPECT_FALSE(error.empty()) << c.what << ": refused without a reason";
    }
}

class MusicPiece : public ::testing::TestWithParam<int> {
protected:
    static std::string Path(int n) {
        return std::string(MORROW_MUSIC_DIR) + "/Morro" + std::to_string(n) + ".mid";
    }

    static bool Load(int n, MidiFile& file, std::string& error) {
        std::ifstream in(Path(n), std::ios::binary);
        if (!in) {
            error = "missing";
            return false;
        }
        const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        return ReadMidiFile(bytes, file, error);
    }
};

// Each piece is a sound MIDI file long enough to carry the rotation, for
// several instruments, with every note released and no silence at either
// end (a silent tail would hold back the next piece).
TEST_P(MusicPiece, IsAFullLengthPieceForSeveralInstruments) {
    const int n = GetParam();
    MidiFile file;
    std::string error;
    ASSERT_TRUE(Load(n, file, error)) << Path(n) << ": " << error;
    ASSERT_FALSE(file.notes.empty()) << Path(n) << " holds no notes";

    const double length = file.Seconds(file.EndTick());
    EXPECT_GE(length, 60.0) << "too short to carry the rotation";
    EXPECT_LE(length, 240.0) << "far longer than meant: a runaway tempo or a held note?";
    EXPECT_GE(file.Channels().size(), 3u) << "fewer than three instruments play";
    EXPECT_GE(file.notes.size(), 300u) << "too few notes for a developed piece";
    EXPECT_EQ(file.unreleasedNotes, 0) << "notes are left sounding at the end";

    std::uint64_t firstOn = file.notes.front().onTick, lastOff = 0;
    for (const auto& note : file.notes) {
        firstOn = std::min(firstOn, note.onTick);
        lastOff = std::max(lastOff, note.offTick);
    }
    EXPECT_LE(file.Seconds(firstOn), 3.0) << "the piece opens with a long silence";
    EXPECT_LE(length - file.Seconds(lastOff), 2.5) << "the file runs on in silence after its last note";
}

// Percussion notes name General MIDI drum sounds: a drum voice written in the
// wrong octave would fall outside them and play nothing.
TEST_P(MusicPiece, DrumNotesAreGeneralMidiPercussion) {
    const int n = GetParam();
    MidiFile file;
    std::string error;
    ASSERT_TRUE(Load(n, file, error)) << Path(n) << ": " << error;
    for (const auto& note : file.notes) {
        if (note.channel == 9) {
            ASSERT_TRUE(note.pitch >= 27 && note.pitch <= 87)
                << "drum key " << note.pitch << " at tick " << note.onTick << " is no percussion sound";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Morro, MusicPiece, ::testing::Range(0, 8),
                         [](const ::testing::TestParamInfo<int>& piece) {
                             return "Morro" + std::to_string(piece.param);
                         });
