// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempoTrackEnd.h"

#include "MidiReader.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace morrow {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Where one track chunk and its End of Track lie in the file.
struct TrackSpan {
    std::size_t lengthAt = 0;        // offset of the chunk's 4-byte length
    std::size_t dataEnd = 0;         // one past the chunk's last byte
    std::size_t endEventAt = 0;      // offset of the End of Track's delta-time
    std::uint64_t lastEventTick = 0; // the last event before End of Track
    std::uint64_t endTick = 0;
};

struct Scan {
    unsigned format = 0;
    std::vector<TrackSpan> tracks;
};

std::string TrackText(std::size_t track, const char* what) {
    return "track " + std::to_string(track) + what;
}

// One track's events up to its End of Track, which must close the chunk.
bool ScanTrack(const Bytes& bytes, const midi::Chunk& chunk, std::size_t track, TrackSpan& span,
               std::string& error) {
    midi::TrackReader reader(bytes, chunk, midi::Dialect::Standard);
    midi::Event event;
    while (!reader.AtEnd()) {
        if (!reader.Next(event)) {
            switch (reader.error()) {
            case midi::EventError::NoStatus:
                error = "data byte without a status";
                break;
            case midi::EventError::SystemMessage:
                error = "a system message inside a track";
                break;
            default:
                error = TrackText(track, " is cut short");
                break;
            }
            return false;
        }
        if (event.IsMeta() && event.metaType == midi::kEndOfTrack) {
            if (!reader.AtEnd()) {
                error = "events after End of Track";
                return false;
            }
            span.endEventAt = event.at;
            span.endTick = event.tick;
            return true;
        }
        span.lastEventTick = event.tick;
    }
    error = "a track has no End of Track";
    return false;
}

std::optional<Scan> ScanFile(const Bytes& bytes, std::string& error) {
    const std::optional<midi::Header> header = midi::ReadHeader(bytes);
    if (!header || header->length != 6) {
        error = "no MIDI header";
        return std::nullopt;
    }
    Scan scan;
    scan.format = header->format;
    std::size_t at = header->end;
    for (std::size_t i = 0; i < header->trackCount; ++i) {
        const std::optional<midi::Chunk> chunk = midi::ReadChunk(bytes, at);
        if (!chunk || chunk->id != midi::kTrackId) {
            error = TrackText(i, " is missing");
            return std::nullopt;
        }
        if (!chunk->Whole(bytes)) {
            error = TrackText(i, " is cut short");
            return std::nullopt;
        }
        TrackSpan span;
        span.lengthAt = chunk->lengthAt;
        span.dataEnd = static_cast<std::size_t>(chunk->end);
        if (!ScanTrack(bytes, *chunk, i, span, error)) {
            return std::nullopt;
        }
        scan.tracks.push_back(span);
        at = span.dataEnd;
    }
    return scan;
}

Bytes EncodeVlq(std::uint64_t value) {
    Bytes out{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0) {
        out.insert(out.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    }
    return out;
}

} // namespace

TempoTrackEnd EndTempoTrackWithMusic(Bytes& bytes, std::string& error) {
    const std::optional<Scan> scan = ScanFile(bytes, error);
    if (!scan) {
        return TempoTrackEnd::Refused;
    }
    const auto& tracks = scan->tracks;
    if (scan->format != 1 || tracks.size() < 2) {
        return TempoTrackEnd::Unchanged;
    }
    std::uint64_t musicEnd = 0;
    for (std::size_t i = 1; i < tracks.size(); ++i) {
        musicEnd = std::max(musicEnd, tracks[i].endTick);
    }
    const TrackSpan& first = tracks.front();
    const std::uint64_t newEnd = std::max(musicEnd, first.lastEventTick);
    if (first.endTick <= newEnd) {
        return TempoTrackEnd::Unchanged;
    }
    Bytes endEvent = EncodeVlq(newEnd - first.lastEventTick);
    endEvent.insert(endEvent.end(), {0xFF, 0x2F, 0x00});
    bytes.erase(bytes.begin() + static_cast<long>(first.endEventAt),
                bytes.begin() + static_cast<long>(first.dataEnd));
    bytes.insert(bytes.begin() + static_cast<long>(first.endEventAt), endEvent.begin(), endEvent.end());
    const std::size_t length = first.endEventAt + endEvent.size() - (first.lengthAt + 4);
    for (int i = 0; i < 4; ++i) {
        bytes[first.lengthAt + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }
    return TempoTrackEnd::Moved;
}

} // namespace morrow
