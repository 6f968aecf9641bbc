// SPDX-License-Identifier: GPL-3.0-or-later
#include "MidiReader.h"

#include <algorithm>

namespace morrow::midi {

namespace {

std::uint32_t BigEndian(Bytes bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

constexpr std::size_t kChunkHead = 8;
constexpr std::uint32_t kShortestHeader = 6;

} // namespace

std::optional<Chunk> ReadChunk(Bytes file, std::size_t at) {
    if (at > file.size() || file.size() - at < kChunkHead) {
        return std::nullopt;
    }
    Chunk chunk;
    chunk.id = BigEndian(file, at, 4);
    chunk.lengthAt = at + 4;
    chunk.begin = at + kChunkHead;
    chunk.end = std::uint64_t{chunk.begin} + BigEndian(file, at + 4, 4);
    return chunk;
}

std::optional<Header> ReadHeader(Bytes file) {
    const std::optional<Chunk> chunk = ReadChunk(file, 0);
    if (!chunk || chunk->id != kHeaderId || !chunk->Whole(file) ||
        chunk->end - chunk->begin < kShortestHeader) {
        return std::nullopt;
    }
    Header header;
    header.length = static_cast<std::uint32_t>(chunk->end - chunk->begin);
    header.format = BigEndian(file, chunk->begin, 2);
    header.trackCount = BigEndian(file, chunk->begin + 2, 2);
    header.division = BigEndian(file, chunk->begin + 4, 2);
    header.end = static_cast<std::size_t>(chunk->end);
    return header;
}

bool PlayerCanOpen(Bytes file) {
    const std::optional<Header> header = ReadHeader(file);
    if (!header || header->length != kShortestHeader || header->format > 2 || header->trackCount == 0 ||
        header->division == 0 || (header->division & 0x8000U) != 0) {
        return false;
    }
    std::size_t at = header->end;
    unsigned wholeTracks = 0;
    while (wholeTracks < header->trackCount) {
        const std::optional<Chunk> chunk = ReadChunk(file, at);
        if (!chunk) {
            break;
        }
        if (!chunk->Whole(file)) {
            return false;
        }
        if (chunk->id == kTrackId) {
            ++wholeTracks;
        }
        at = static_cast<std::size_t>(chunk->end);
    }
    return wholeTracks == header->trackCount;
}

TrackReader::TrackReader(Bytes file, const Chunk& track, Dialect dialect, std::uint8_t running)
    : file_(file), at_(std::min(track.begin, file.size())), trackEnd_(track.end),
      limit_(dialect == Dialect::Player
                 ? file.size()
                 : static_cast<std::size_t>(std::min<std::uint64_t>(track.end, file.size()))),
      dialect_(dialect), running_(running) {}

bool TrackReader::Byte(std::uint8_t& value) {
    if (at_ >= limit_) {
        return false;
    }
    value = file_[at_++];
    return true;
}

// A variable-length number: at most four bytes of seven bits each.
bool TrackReader::VariableLength(std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint8_t byte = 0;
        if (!Byte(byte)) {
            return false;
        }
        value = (value << 7) | (byte & 0x7Fu);
        if ((byte & 0x80u) == 0) {
            return true;
        }
    }
    return false;
}

bool TrackReader::Payload(std::uint32_t length, Bytes& payload) {
    if (length > limit_ - at_) {
        return false;
    }
    payload = file_.subspan(at_, length);
    at_ += length;
    return true;
}

bool TrackReader::Fail(EventError error) {
    error_ = error;
    return false;
}

bool TrackReader::Next(Event& event) {
    event = Event{};
    event.at = at_;
    std::uint32_t delta = 0;
    if (!VariableLength(delta) || at_ >= limit_) {
        return Fail(EventError::CutInDeltaTime);
    }
    tick_ += delta;
    event.tick = tick_;

    std::uint8_t status = file_[at_];
    if ((status & 0x80u) != 0) {
        ++at_;
    } else if ((running_ & 0x80u) != 0) {
        status = running_; // the byte is the first data byte
    } else {
        return Fail(EventError::NoStatus);
    }
    event.status = status;
    // Standard running status outlives channel messages only.
    running_ = dialect_ == Dialect::Player || event.IsChannelMessage() ? status : 0;

    std::uint32_t length = 0;
    if (status == kMetaEvent) {
        if (!Byte(event.metaType) || !VariableLength(length) || !Payload(length, event.payload)) {
            return Fail(EventError::CutInMetaEvent);
        }
        return true;
    }
    if (status == 0xF0 || (status == 0xF7 && dialect_ == Dialect::Standard)) {
        if (!VariableLength(length) || !Payload(length, event.payload)) {
            return Fail(EventError::CutInSystemExclusive);
        }
        return true;
    }
    if (status >= 0xF0) {
        return Fail(EventError::SystemMessage);
    }
    event.dataCount = (event.Kind() == 0xC0 || event.Kind() == 0xD0) ? 1 : 2;
    for (int i = 0; i < event.dataCount; ++i) {
        if (!Byte(event.data[i])) {
            return Fail(EventError::CutInChannelMessage);
        }
    }
    return true;
}

} // namespace morrow::midi
