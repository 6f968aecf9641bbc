// SPDX-License-Identifier: GPL-3.0-or-later
#include "MidiFileReader.h"

#include "MidiReader.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <utility>

namespace morrow::test {

namespace {

bool Fail(std::string& error, std::string message) {
    error = std::move(message);
    return false;
}

// What each of the reader's errors means here, in the order of midi::EventError.
constexpr std::array<const char*, 6> kEventErrorText{
    "cut off in a delta-time",
    "cut off in a meta event",
    "cut off in a system exclusive event",
    "bad data byte in a channel message",
    "data byte without a status (running status not set)",
    "system message inside a track",
};

bool ReadTrack(const std::vector<std::uint8_t>& bytes, const midi::Chunk& chunk, int track, MidiFile& file,
               std::string& error) {
    const std::string where = "track " + std::to_string(track) + ": ";
    std::map<std::pair<int, int>, std::vector<std::uint64_t>> sounding; // (channel, pitch) -> starts
    midi::TrackReader in(bytes, chunk, midi::Dialect::Standard);
    midi::Event event;
    while (!in.AtEnd()) {
        if (!in.Next(event)) {
            return Fail(error, where + kEventErrorText[static_cast<std::size_t>(in.error())]);
        }
        if (event.IsMeta()) {
            if (event.metaType == midi::kTempo) {
                const auto& p = event.payload;
                const std::uint32_t micros =
                    p.size() == 3 ? static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]) : 0;
                if (micros == 0) {
                    return Fail(error, where + "bad tempo event");
                }
                file.tempoMap.push_back({event.tick, micros});
            } else if (event.metaType == midi::kEndOfTrack) {
                if (!event.payload.empty() || !in.AtEnd()) {
                    return Fail(error, where + "events after End of Track");
                }
                file.trackEnds.push_back(event.tick);
                for (const auto& [key, starts] : sounding) {
                    file.unreleasedNotes += static_cast<int>(starts.size());
                }
                return true;
            }
            continue;
        }
        if (event.IsSystemExclusive()) {
            continue;
        }
        if ((event.data[0] & 0x80) || (event.data[1] & 0x80)) {
            return Fail(error, where + "bad data byte in a channel message");
        }
        const unsigned kind = event.Kind();
        const int channel = static_cast<int>(event.Channel());
        const bool noteOn = kind == 0x90 && event.data[1] > 0;
        const bool noteOff = kind == 0x80 || (kind == 0x90 && event.data[1] == 0);
        auto& starts = sounding[{channel, event.data[0]}];
        if (noteOn) {
            starts.push_back(event.tick);
        } else if (noteOff && !starts.empty()) {
            file.notes.push_back({channel, event.data[0], starts.front(), event.tick});
            starts.erase(starts.begin());
        }
    }
    return Fail(error, where + "no End of Track");
}

} // namespace

std::uint64_t MidiFile::EndTick() const {
    return trackEnds.empty() ? 0 : *std::max_element(trackEnds.begin(), trackEnds.end());
}

double MidiFile::Seconds(std::uint64_t tick) const {
    double seconds = 0;
    std::uint64_t from = 0;
    std::uint32_t micros = 500000; // 120 beats a minute until told otherwise
    for (const TempoChange& change : tempoMap) {
        if (change.tick >= tick) {
            break;
        }
        seconds += static_cast<double>(change.tick - from) * micros / ticksPerQuarter / 1e6;
        from = change.tick;
        micros = change.microsPerQuarter;
    }
    return seconds + static_cast<double>(tick - from) * micros / ticksPerQuarter / 1e6;
}

std::set<int> MidiFile::Channels() const {
    std::set<int> channels;
    for (const MidiNote& note : notes) {
        channels.insert(note.channel);
    }
    return channels;
}

bool ReadMidiFile(const std::vector<std::uint8_t>& bytes, MidiFile& file, std::string& error) {
    file = MidiFile{};
    const std::optional<midi::Header> header = midi::ReadHeader(bytes);
    if (!header) {
        return Fail(error, "no MIDI header");
    }
    if (header->format > 2 || header->trackCount == 0 || (header->format == 0 && header->trackCount != 1)) {
        return Fail(error, "bad format or track count");
    }
    if (header->division == 0 || (header->division & 0x8000)) {
        return Fail(error, "division is not in ticks per quarter note");
    }
    file.format = static_cast<int>(header->format);
    file.trackCount = static_cast<int>(header->trackCount);
    file.ticksPerQuarter = static_cast<int>(header->division);
    std::size_t at = header->end;
    for (unsigned t = 0; t < header->trackCount; ++t) {
        const std::optional<midi::Chunk> chunk = midi::ReadChunk(bytes, at);
        if (!chunk || chunk->id != midi::kTrackId || !chunk->Whole(bytes)) {
            return Fail(error, "track " + std::to_string(t) + " is missing or cut short");
        }
        if (!ReadTrack(bytes, *chunk, static_cast<int>(t), file, error)) {
            return false;
        }
        at = static_cast<std::size_t>(chunk->end);
    }
    std::stable_sort(file.tempoMap.begin(), file.tempoMap.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    return true;
}

} // namespace morrow::test
