// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace morrow {

// How a play of a music piece came to an end.
enum class MusicNotify {
    Successful, // the piece played to its end
    Superseded, // a new play started over it
    Aborted,    // the piece was closed while it played
    Failure,    // the piece stopped by itself before its end
};

// Plays one MIDI piece at a time: open a file, play it once, close it. The
// real one is FluidMusicSequencer; tests hand in a fake.
class MusicSequencer {
public:
    using NotifyHandler = std::function<void(MusicNotify)>;

    virtual ~MusicSequencer() = default;

    // Where the end of every play is reported: on the thread that owns the
    // sequencer, from its event loop, never from inside Open, Play or Close.
    // Set an empty handler before whatever the handler refers to goes.
    virtual void SetNotifyHandler(NotifyHandler handler) = 0;
    // Opens the piece at `path`, closing any piece open before. Returns the
    // text to show when the file cannot be opened.
    [[nodiscard]] virtual std::optional<std::string> Open(const std::string& path) = 0;
    // Plays the open piece once from its beginning; its end is notified.
    // Returns the text to show when it cannot be played.
    [[nodiscard]] virtual std::optional<std::string> Play() = 0;
    // Stops and closes the open piece, if any.
    virtual void Close() = 0;
};

} // namespace morrow
