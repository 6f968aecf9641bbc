// SPDX-License-Identifier: GPL-3.0-or-later
#include "MusicRotation.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace morrow {

bool MusicFileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

MusicRotation::MusicRotation(GameOptions& options, MusicSequencer& sequencer, Clock& clock,
                             FileExists fileExists)
    : options_(options), sequencer_(sequencer), fileExists_(std::move(fileExists)),
      Timer1(clock.MakeTimer(GameTimer::Timer1,
                             [this] {
                                 Timer1->Stop();
                                 Timer1Timer();
                                 if (onStartUp_) {
                                     onStartUp_();
                                 }
                             })),
      Timer4(clock.MakeTimer(GameTimer::Timer4, [this] {
          if (const std::optional<std::string> error = Timer4Timer(); error && onError_) {
              onError_(*error);
          }
      })) {
    sequencer_.SetNotifyHandler([this](MusicNotify notify) { MediaPlayer1Notify(notify); });
}

MusicRotation::~MusicRotation() {
    sequencer_.SetNotifyHandler({});
    sequencer_.Close();
}

void MusicRotation::FillMusicFiles() {
    for (int n = 0; n < kMusicFileCount; ++n) {
        options_.MusicFiles[static_cast<std::size_t>(n)] =
            options_.ProgramDir + "Morro" + std::to_string(n) + ".mid";
    }
}

void MusicRotation::StartTimers() {
    Timer1->Start();
    Timer4->Start();
}

void MusicRotation::ChooseNextTrack() {
    std::array<bool, kMusicFileCount> exists{};
    bool any = false;
    for (std::size_t n = 0; n < exists.size(); ++n) {
        exists[n] = fileExists_(options_.MusicFiles[n]);
        any = any || exists[n];
    }
    if (!any) {
        options_.MusicTrack = kNoMusicTrack;
        return;
    }
    // From 9, or past a piece that never started, the search starts again
    // at file 0.
    std::int32_t next = options_.MusicChange == TrackChange::Pending ? 0 : options_.MusicTrack + 1;
    if (next < 0 || next >= kMusicFileCount) {
        next = 0;
    }
    while (!exists[static_cast<std::size_t>(next)]) {
        next = next + 1 >= kMusicFileCount ? 0 : next + 1;
    }
    options_.MusicTrack = next;
}

std::optional<std::string> MusicRotation::StartPendingTrack() {
    if (options_.MusicChange != TrackChange::Pending) {
        return std::nullopt;
    }
    options_.MusicChange = TrackChange::Applied;
    if (options_.MusicTrack == kNoMusicTrack) {
        return std::nullopt;
    }
    // The change is applied before the piece opens: a piece that cannot be opened
    // is not tried again until the Music item is used.
    return OpenAndPlay(options_.MusicTrack);
}

void MusicRotation::StartRotation() {
    rotationStarted_ = true;
    options_.MusicTrack = kBeforeFirstTrack;
    ChooseNextTrack();
    options_.MusicChange = TrackChange::Pending;
}

void MusicRotation::Timer1Timer() {
    if (startupTickDone_) {
        return;
    }
    startupTickDone_ = true;
    if (options_.MusicOn) {
        StartRotation();
    }
}

void MusicRotation::MediaPlayer1Notify(MusicNotify notify) {
    if (notify != MusicNotify::Successful) {
        return;
    }
    ChooseNextTrack();
    options_.MusicChange = TrackChange::Pending;
    sequencer_.Close();
}

std::optional<std::string> MusicRotation::Music1Click() {
    options_.MusicOn = !options_.MusicOn;
    if (!options_.MusicOn) {
        sequencer_.Close();
        // A piece chosen in the second before it would have started waits for
        // the music to come back on, instead of starting while it is off.
        options_.MusicChange = TrackChange::Applied;
        return std::nullopt;
    }
    if (!rotationStarted_) {
        // The start-up tick found the music off: the rotation begins now, at
        // the first existing file. Before that tick, the tick will begin it.
        if (!startupTickDone_) {
            return std::nullopt;
        }
        StartRotation();
        return StartPendingTrack();
    }
    if (options_.MusicChange == TrackChange::Pending) {
        return StartPendingTrack();
    }
    if (options_.MusicTrack < 0 || options_.MusicTrack >= kMusicFileCount) {
        return std::nullopt; // no music file existed: nothing to play
    }
    // The current piece again, from its beginning.
    return OpenAndPlay(options_.MusicTrack);
}

std::optional<std::string> MusicRotation::OpenAndPlay(std::int32_t track) {
    if (track < 0 || track >= kMusicFileCount) {
        return std::nullopt;
    }
    if (std::optional<std::string> error =
            sequencer_.Open(options_.MusicFiles[static_cast<std::size_t>(track)])) {
        return error;
    }
    return sequencer_.Play();
}

} // namespace morrow
