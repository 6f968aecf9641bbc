// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioDevice.h"
#include "MusicSequencer.h"
#include "SoundFonts.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morrow {

// SoundFontCandidates with FluidSynth's configured default font.
std::vector<std::string> DefaultSoundFonts();

// The music sequencer on FluidSynth: one synthesiser for the whole run,
// rendered into the sound output's music stream so that effects mix over
// it, and one MIDI player per piece. The SoundFont's tables are read on a
// thread of its own, so the window paints meanwhile; each piece opened then
// gets a SoundFont of its own holding only the samples its notes can sound,
// in place of the piece's before, made on a thread of its own too: a piece
// change takes tens of ms, which neither the window's frames nor the sound
// effects wait for. A font whose tables cannot be read that way is loaded
// whole instead (keeping the samples of the presets in use).
//
// A play never waits for the SoundFont or the piece's instruments: one asked
// for while they load starts as soon as they are there (or, should the
// loading fail, ends in Failure).
//
// The end of a piece is taken from the MIDI player itself, to the tick, on
// the audio thread and is delivered as a queued Qt event on the thread that
// made the sequencer, which must run a Qt event loop. A piece closed or
// played over never reports a successful end afterwards, even when its end
// was already on its way.
class FluidMusicSequencer final : public MusicSequencer {
public:
    // The first of `soundFonts` that loads is used. `device` must outlive
    // the sequencer. `beforeLoading` runs on the loader's thread before it
    // starts (tests hold the loading back with it).
    explicit FluidMusicSequencer(AudioDevice& device,
                                 std::vector<std::string> soundFonts = DefaultSoundFonts(),
                                 std::function<void()> beforeLoading = {});
    ~FluidMusicSequencer() override;

    FluidMusicSequencer(const FluidMusicSequencer&) = delete;
    FluidMusicSequencer& operator=(const FluidMusicSequencer&) = delete;

    // Why no music can be played at all in this run (none of the SoundFonts
    // exists); nothing when music can be played. Known at once.
    std::optional<std::string> DeviceError() const;

    // Waits at most `limit` for the synthesiser; true when it is ready.
    bool WaitUntilReady(std::chrono::milliseconds limit);
    // The SoundFont loaded, once ready.
    std::string SoundFontInUse();
    // Nothing sounds, rings out or waits to start, and nothing is loading:
    // the output may rest. A play opens a resting output again.
    bool Quiet();

    void SetNotifyHandler(NotifyHandler handler) override;
    [[nodiscard]] std::optional<std::string> Open(const std::string& path) override;
    [[nodiscard]] std::optional<std::string> Play() override;
    void Close() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace morrow
