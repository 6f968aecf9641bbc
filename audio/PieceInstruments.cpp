// SPDX-License-Identifier: GPL-3.0-or-later
#include "PieceInstruments.h"

#include "MidiReader.h"

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

namespace morrow {

namespace {

constexpr int kChannels = 16;
constexpr int kPercussionChannel = 9; // channel 10 as musicians count

std::uint64_t VelocityMask(int low, int high, int word) {
    // The bits low..high of the 128-bit velocity set that fall in `word`.
    const int from = std::max(low, word * 64);
    const int to = std::min(high, word * 64 + 63);
    if (from > to) {
        return 0;
    }
    const int count = to - from + 1;
    const std::uint64_t ones = count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
    return ones << (from - word * 64);
}

// Where an event stands: its tick, its track and its place in the file.
struct Position {
    std::uint64_t tick = 0;
    std::size_t track = 0;
    std::size_t order = 0;
};

struct ChannelUse {
    NoteSet notes;
    std::vector<Position> noteStarts;
    std::vector<Position> programChanges;
    std::set<int> programs;
    std::set<int> banks{0};
};

// The player sends the events of one slice of time track by track, so a
// note on an earlier track may go out before a program change a little
// earlier on a later track. A slice is 64 samples; a 64th note is longer at
// any tempo a piece is written in.
bool MightComeFirst(const Position& note, const Position& change, std::uint64_t slice) {
    if (note.track == change.track) {
        return note.order < change.order;
    }
    return note.tick < change.tick || (note.track < change.track && note.tick <= change.tick + slice);
}

struct Scan {
    std::array<ChannelUse, kChannels> channels;
    bool systemExclusive = false;
    std::uint64_t slice = 1;
};

// One track's events; false where the player would refuse the file. The
// player keeps its running status from one track into the next, and reads
// on past the end of a chunk as long as an event lasts.
bool ReadTrack(midi::Bytes file, const midi::Chunk& chunk, std::size_t track, std::uint8_t& running,
               std::size_t& order, Scan& scan, std::size_t& stoppedAt) {
    midi::TrackReader reader(file, chunk, midi::Dialect::Player, running);
    midi::Event event;
    while (!reader.AtEnd()) {
        if (!reader.Next(event)) {
            return false;
        }
        running = reader.RunningStatus();
        const Position here{event.tick, track, order++};

        if (event.IsSystemExclusive()) {
            scan.systemExclusive = scan.systemExclusive || !event.payload.empty();
            continue;
        }
        if (event.IsMeta()) {
            // The lengths the player insists on.
            const struct {
                std::uint8_t type;
                std::size_t length;
            } fixed[] = {{0x2F, 0}, {0x51, 3}, {0x54, 5}, {0x58, 4}, {0x59, 2}};
            for (const auto& rule : fixed) {
                if (event.metaType == rule.type && event.payload.size() != rule.length) {
                    return false;
                }
            }
            if (event.metaType == midi::kEndOfTrack) {
                break; // the end of the track: what follows is not read
            }
            continue;
        }
        const unsigned kind = event.Kind();
        const std::uint8_t first = event.data[0];
        const std::uint8_t second = event.data[1];
        ChannelUse& channel = scan.channels[event.Channel()];
        // Values above 127 are refused by the synthesiser and change nothing.
        if (kind == 0x90 && second > 0 && first < 128 && second < 128) {
            channel.notes.Add(first, second);
            channel.noteStarts.push_back(here);
        } else if (kind == 0xC0 && first < 128) {
            channel.programs.insert(first);
            channel.programChanges.push_back(here);
        } else if (kind == 0xB0 && first == 0 && second < 128) {
            channel.banks.insert(second);
        }
    }
    stoppedAt = reader.At();
    return true;
}

std::optional<Scan> ReadPiece(midi::Bytes midi) {
    // The player reads exactly six bytes of header and the tracks after them.
    const std::optional<midi::Header> header = midi::ReadHeader(midi);
    if (!header || header->length != 6 || (header->division & 0x8000U) != 0) {
        return std::nullopt;
    }

    Scan scan;
    scan.slice = std::max<std::uint64_t>(1, header->division / 16);
    std::uint8_t running = 0;
    std::size_t order = 0;
    std::size_t at = header->end;
    for (std::size_t track = 0; track < header->trackCount;) {
        const std::optional<midi::Chunk> chunk = midi::ReadChunk(midi, at);
        if (!chunk || !chunk->Whole(midi)) {
            return std::nullopt;
        }
        std::size_t stoppedAt = chunk->begin;
        if (chunk->id == midi::kTrackId) {
            if (!ReadTrack(midi, *chunk, track, running, order, scan, stoppedAt)) {
                return std::nullopt;
            }
            ++track;
        }
        // A track that ran past its chunk goes on where it stopped, as the
        // player's does.
        at = std::max(stoppedAt, static_cast<std::size_t>(chunk->end));
    }
    return scan;
}

} // namespace

void NoteSet::Add(int key, int velocity) {
    const auto k = static_cast<std::size_t>(key);
    velocities_[k][static_cast<std::size_t>(velocity / 64)] |= std::uint64_t{1} << (velocity % 64);
}

void NoteSet::Merge(const NoteSet& other) {
    for (std::size_t k = 0; k < velocities_.size(); ++k) {
        velocities_[k][0] |= other.velocities_[k][0];
        velocities_[k][1] |= other.velocities_[k][1];
    }
}

bool NoteSet::Empty() const {
    return std::all_of(velocities_.begin(), velocities_.end(),
                       [](const auto& words) { return words[0] == 0 && words[1] == 0; });
}

bool NoteSet::AnyIn(int keyLow, int keyHigh, int velocityLow, int velocityHigh) const {
    const std::uint64_t low = VelocityMask(velocityLow, velocityHigh, 0);
    const std::uint64_t high = VelocityMask(velocityLow, velocityHigh, 1);
    for (int key = std::max(keyLow, 0); key <= std::min(keyHigh, 127); ++key) {
        const auto& words = velocities_[static_cast<std::size_t>(key)];
        if ((words[0] & low) != 0 || (words[1] & high) != 0) {
            return true;
        }
    }
    return false;
}

PieceInstruments ScanPieceInstruments(std::span<const std::uint8_t> midi) {
    PieceInstruments wanted;
    const std::optional<Scan> scan = ReadPiece(midi);
    if (!scan) {
        return wanted; // the player will not play it either
    }
    for (int number = 0; number < kChannels; ++number) {
        const ChannelUse& channel = scan->channels[static_cast<std::size_t>(number)];
        if (channel.noteStarts.empty()) {
            continue;
        }
        // A system exclusive message may reset every channel or turn a
        // melodic one into a percussion one and back.
        const bool melodic = number != kPercussionChannel || scan->systemExclusive;
        const bool percussion = number == kPercussionChannel || scan->systemExclusive;
        // The program a channel starts with sounds when a note may come
        // before every program change.
        const bool startingProgram =
            scan->systemExclusive ||
            std::any_of(channel.noteStarts.begin(), channel.noteStarts.end(), [&](const Position& note) {
                return std::all_of(
                    channel.programChanges.begin(), channel.programChanges.end(),
                    [&](const Position& change) { return MightComeFirst(note, change, scan->slice); });
            });
        std::set<int> programs = channel.programs;
        if (startingProgram) {
            programs.insert(0);
        }
        for (int program : programs) {
            if (melodic) {
                for (int bank : channel.banks) {
                    wanted.presets[{bank, program}].Merge(channel.notes);
                }
            }
            if (percussion) {
                wanted.presets[{kPercussionBank, program}].Merge(channel.notes);
            }
        }
    }
    return wanted;
}

} // namespace morrow
