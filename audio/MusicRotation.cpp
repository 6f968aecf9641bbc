#include "MusicRotation.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace morrow {

bool MusicFileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

MusicRotation::MusicRotation(GameSession& session, MusicSequencer& sequencer, Clock& clock,
                             FileExists fileExists)
    : session_(session), sequencer_(sequencer), fileExists_(std::move(fileExists)),
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
        session_.MusicFiles[static_cast<std::size_t>(n)] =
            session_.ProgramDir + "Morro" + std::to_string(n) + ".mid";
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
        exists[n] = fileExists_(session_.MusicFiles[n]);
        any = any || exists[n];
    }
    if (!any) {
        session_.MusicTrack = kNoMusicTrack;
        return;
    }
    // From 9 or a pending value the search starts again at file 0.
    std::int32_t next = session_.MusicTrack + 1;
    if (next < 0 || next >= kMusicFileCount) {
        next = 0;
    }
    while (!exists[static_cast<std::size_t>(next)]) {
        next = next + 1 >= kMusicFileCount ? 0 : next + 1;
    }
    session_.MusicTrack = next;
}

std::optional<std::string> MusicRotation::StartPendingTrack() {
    if (session_.MusicTrack < kPendingMark) {
        return std::nullopt;
    }
    while (session_.MusicTrack >= kPendingMark) {
        session_.MusicTrack -= kPendingMark;
    }
    if (session_.MusicTrack == kNoMusicTrack) {
        return std::nullopt;
    }
    // The mark is gone before the piece opens: a piece that cannot be opened
    // is not tried again until the Music item is used.
    return OpenAndPlay(session_.MusicTrack);
}

void MusicRotation::StartRotation() {
    rotationStarted_ = true;
    session_.MusicTrack = kBeforeFirstTrack;
    ChooseNextTrack();
    session_.MusicTrack += kPendingMark;
}

void MusicRotation::Timer1Timer() {
    if (startupTickDone_) {
        return;
    }
    startupTickDone_ = true;
    if (session_.MusicOn) {
        StartRotation();
    }
}

void MusicRotation::MediaPlayer1Notify(MusicNotify notify) {
    if (notify != MusicNotify::Successful) {
        return;
    }
    ChooseNextTrack();
    session_.MusicTrack += kPendingMark;
    sequencer_.Close();
}

std::optional<std::string> MusicRotation::Music1Click() {
    session_.MusicOn = !session_.MusicOn;
    if (!session_.MusicOn) {
        sequencer_.Close();
        // A piece chosen in the second before it would have started waits for
        // the music to come back on, instead of starting while it is off.
        while (session_.MusicTrack >= kPendingMark) {
            session_.MusicTrack -= kPendingMark;
        }
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
    if (session_.MusicTrack >= kPendingMark) {
        return StartPendingTrack();
    }
    if (session_.MusicTrack < 0 || session_.MusicTrack >= kMusicFileCount) {
        return std::nullopt; // no music file existed: nothing to play
    }
    // The current piece again, from its beginning.
    return OpenAndPlay(session_.MusicTrack);
}

std::optional<std::string> MusicRotation::OpenAndPlay(std::int32_t track) {
    if (track < 0 || track >= kMusicFileCount) {
        return std::nullopt;
    }
    if (std::optional<std::string> error =
            sequencer_.Open(session_.MusicFiles[static_cast<std::size_t>(track)])) {
        return error;
    }
    return sequencer_.Play();
}

} // namespace morrow
