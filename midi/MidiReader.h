// SPDX-License-Identifier: GPL-3.0-or-later
// Reading Standard MIDI Files: the header chunk, the chunks after it and
// the events of a track, with running status. What a reader makes of the
// events (notes, tempo, instruments) is its own business; this reads the
// bytes and never reads past them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace morrow::midi {

using Bytes = std::span<const std::uint8_t>;

inline constexpr std::uint32_t kHeaderId = 0x4D546864; // "MThd"
inline constexpr std::uint32_t kTrackId = 0x4D54726B;  // "MTrk"
inline constexpr std::uint8_t kMetaEvent = 0xFF;
inline constexpr std::uint8_t kEndOfTrack = 0x2F;
inline constexpr std::uint8_t kTempo = 0x51;

// A chunk: its four-letter id and where its data lies in the file. A chunk
// cut short by the end of the file claims an `end` past it.
struct Chunk {
    std::uint32_t id = 0;
    std::size_t lengthAt = 0; // the offset of its four-byte length
    std::size_t begin = 0;    // its first byte of data
    std::uint64_t end = 0;    // one past its last byte of data

    bool Whole(Bytes file) const { return end <= file.size(); }
};

// The chunk whose head starts at `at`; nothing when fewer than its eight
// bytes of id and length are left.
std::optional<Chunk> ReadChunk(Bytes file, std::size_t at);

struct Header {
    std::uint32_t length = 0; // six, or more in a file from a later standard
    unsigned format = 0;
    unsigned trackCount = 0;
    unsigned division = 0;
    std::size_t end = 0; // where the first chunk after the header starts
};

// The header chunk at the start of the file; nothing when the file does not
// start with a whole one of at least six bytes.
std::optional<Header> ReadHeader(Bytes file);

// Whether FluidSynth's player takes the file: a header of exactly six
// bytes, format 0 to 2, at least one track, timing in ticks per quarter note
// (not time code), and as many whole track chunks as the header promises.
bool PlayerCanOpen(Bytes file);

// How a track's bytes are read.
enum class Dialect {
    // As the standard writes it: running status carries channel messages
    // only and ends at a meta or system exclusive event; F0 and F7 both
    // start a system exclusive event; no event runs past its chunk.
    Standard,
    // As FluidSynth's player reads it: any status runs on, meta and system
    // exclusive ones too, and into the next track; only F0 starts a system
    // exclusive event (F7 is refused); an event may run on past the end of
    // its chunk into the bytes that follow.
    Player,
};

struct Event {
    std::size_t at = 0;     // the offset of its delta-time
    std::uint64_t tick = 0; // from the start of the track
    std::uint8_t status = 0;
    std::uint8_t metaType = 0;     // meta events
    std::uint8_t data[2] = {0, 0}; // channel messages, as read
    int dataCount = 0;             // 1 or 2 for channel messages
    Bytes payload;                 // meta and system exclusive events

    bool IsMeta() const { return status == kMetaEvent; }
    bool IsSystemExclusive() const { return status == 0xF0 || status == 0xF7; }
    bool IsChannelMessage() const { return status >= 0x80 && status < 0xF0; }
    unsigned Kind() const { return status & 0xF0u; }
    unsigned Channel() const { return status & 0x0Fu; }
};

enum class EventError {
    CutInDeltaTime,
    CutInMetaEvent,
    CutInSystemExclusive,
    CutInChannelMessage,
    NoStatus,      // a data byte where no running status holds
    SystemMessage, // a system common or real-time status inside a track
};

// The events of one track chunk, one at a time. In the Standard dialect the
// chunk must be whole.
class TrackReader {
public:
    // `running`: the running status the track starts with (the Player
    // dialect carries it over from the track before).
    TrackReader(Bytes file, const Chunk& track, Dialect dialect, std::uint8_t running = 0);

    // Whether the reading has reached (or, in the Player dialect, passed)
    // the end of the chunk.
    bool AtEnd() const { return at_ >= trackEnd_; }
    // Reads the next event; false with error() set when it is broken. The
    // reader is then of no further use.
    bool Next(Event& event);

    EventError error() const { return error_; }
    std::size_t At() const { return at_; }
    std::uint8_t RunningStatus() const { return running_; }

private:
    bool Byte(std::uint8_t& value);
    bool VariableLength(std::uint32_t& value);
    bool Payload(std::uint32_t length, Bytes& payload);
    bool Fail(EventError error);

    Bytes file_;
    std::size_t at_;
    std::uint64_t trackEnd_;
    std::size_t limit_; // reading stops here
    Dialect dialect_;
    std::uint8_t running_;
    std::uint64_t tick_ = 0;
    EventError error_ = EventError::CutInDeltaTime;
};

} // namespace morrow::midi
