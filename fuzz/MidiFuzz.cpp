// SPDX-License-Identifier: GPL-3.0-or-later
// A player's own Morro<N>.mid, or a broken build of ours: any bytes through
// the MIDI reader in both its readings, the sequencer's check that the
// player can open the file, the scan of the instruments a piece asks for,
// the tests' strict reading, and the build tool's tidying of the tempo
// track, which must leave a file that reads as before and needs no second
// tidying.
#include "FuzzSupport.h"
#include "MidiFileReader.h"
#include "MidiReader.h"
#include "PieceInstruments.h"
#include "TempoTrackEnd.h"

#include <string>
#include <vector>

using namespace morrow;

namespace {

// Walks every track chunk the way each dialect reads it; true when every
// event of every track reads.
bool WalkTracks(midi::Bytes file, midi::Dialect dialect) {
    const std::optional<midi::Header> header = midi::ReadHeader(file);
    if (!header) {
        return false;
    }
    std::size_t at = header->end;
    std::uint8_t running = 0;
    for (unsigned track = 0; track < header->trackCount;) {
        const std::optional<midi::Chunk> chunk = midi::ReadChunk(file, at);
        if (!chunk || !chunk->Whole(file)) {
            return false;
        }
        std::size_t stoppedAt = chunk->begin;
        if (chunk->id == midi::kTrackId) {
            midi::TrackReader reader(file, *chunk, dialect, running);
            midi::Event event;
            std::uint64_t lastTick = 0;
            while (!reader.AtEnd()) {
                const std::size_t from = reader.At();
                if (!reader.Next(event)) {
                    return false;
                }
                fuzz::Require(event.at == from && reader.At() > from && reader.At() <= file.size(),
                              "an event read nothing or past the file");
                fuzz::Require(event.tick >= lastTick, "time ran backwards in a track");
                fuzz::Require(event.payload.empty() ||
                                  (event.payload.data() >= file.data() &&
                                   event.payload.data() + event.payload.size() <= file.data() + file.size()),
                              "an event's payload lies outside the file");
                lastTick = event.tick;
            }
            running = reader.RunningStatus();
            stoppedAt = reader.At();
            ++track;
        }
        at = std::max(stoppedAt, static_cast<std::size_t>(chunk->end));
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);

    const bool standard = WalkTracks(bytes, midi::Dialect::Standard);
    WalkTracks(bytes, midi::Dialect::Player);
    (void)midi::PlayerCanOpen(bytes);
    const PieceInstruments instruments = ScanPieceInstruments(bytes);
    for (const auto& [preset, notes] : instruments.presets) {
        fuzz::Require(preset.program >= 0 && preset.program < 128 && preset.bank >= 0 &&
                          preset.bank <= kPercussionBank && !notes.Empty(),
                      "the scan asked for a preset out of range or for no notes");
    }

    test::MidiFile strict;
    std::string error;
    const bool readable = test::ReadMidiFile(bytes, strict, error);
    fuzz::Require(readable || !error.empty(), "a file refused without a reason");

    std::vector<std::uint8_t> tidied = bytes;
    const TempoTrackEnd tidy = EndTempoTrackWithMusic(tidied, error);
    fuzz::Require(tidy == TempoTrackEnd::Refused || standard,
                  "the build tool took a file the reader cannot read");
    if (tidy != TempoTrackEnd::Moved) {
        fuzz::Require(tidied == bytes, "the build tool changed a file it left alone");
        return 0;
    }
    std::vector<std::uint8_t> again = tidied;
    fuzz::Require(EndTempoTrackWithMusic(again, error) == TempoTrackEnd::Unchanged,
                  "a tidied file needs tidying again");
    fuzz::Require(ScanPieceInstruments(tidied) == instruments,
                  "tidying changed the instruments a piece asks for");
    test::MidiFile after;
    if (readable) {
        fuzz::Require(test::ReadMidiFile(tidied, after, error), "tidying broke a readable file");
        fuzz::Require(after.notes.size() == strict.notes.size() && after.EndTick() <= strict.EndTick(),
                      "tidying changed the notes or lengthened the piece");
    }
    return 0;
}
