// SPDX-License-Identifier: GPL-3.0-or-later
// Ends the tempo track of a built piece where its music ends.
//
// abc2midi writes the tempo changes of a piece into the first track of a
// format 1 file, and when the tempo changes after the start it puts that
// track's End of Track past the last note, by as much as a whole section.
// A MIDI player takes the longest track as the length of the piece, so the
// piece would end in seconds of silence and the next piece of the rotation
// would start that much later.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morrow {

enum class TempoTrackEnd {
    Unchanged, // nothing to move
    Moved,     // the first track now ends with the music
    Refused,   // not a well-formed Standard MIDI File; the bytes are as they were
};

// Moves the first track's End of Track back to the end of the longest other
// track (never before the first track's own last event) and leaves every
// other byte as it was. On a refusal `error` says why.
TempoTrackEnd EndTempoTrackWithMusic(std::vector<std::uint8_t>& bytes, std::string& error);

} // namespace morrow
