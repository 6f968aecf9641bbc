// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtGameHost.h"

#include "GameDialogs.h"
#include "GameSounds.h"
#include "MusicRotation.h"
#include "PlayField.h"
#include "PlayFieldAccessible.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>

namespace morrow {

namespace {
constexpr std::int64_t kLongestWaitMilliseconds = 25;
} // namespace

int MessageWaitMilliseconds(std::int64_t nowMicroseconds, std::int64_t deadlineMicroseconds) {
    const std::int64_t left = deadlineMicroseconds - nowMicroseconds;
    if (left <= 0) {
        return 0;
    }
    return static_cast<int>(std::min(left / 1000, kLongestWaitMilliseconds));
}

QtGameHost::QtGameHost(Clock& clock, PlayField& field, GameSounds& sounds, MusicRotation& music,
                       GameDialogs& dialogs)
    : clock_(clock), field_(field), sounds_(sounds), music_(music), dialogs_(dialogs) {}

void QtGameHost::HandleMessages(std::int64_t deadlineMicroseconds) {
    // What the engine drew before it waits is this frame: shown now, it
    // reaches the screen on time. Left to the event loop, it would wait for
    // Qt's own paint timer, and on a busy machine for that timer's late
    // wake-up as well.
    field_.ShowNow();
    const int wait = MessageWaitMilliseconds(clock_.NowMicroseconds(), deadlineMicroseconds);
    if (wait == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // The last fraction of a millisecond is slept out here: the event
        // loop's timers count whole milliseconds, and a frame that woke up to
        // a millisecond late would make every spin a few dozen ms longer. The
        // thread sleeps to the deadline and does not yield the core before
        // it, nor wait for it awake: on a busy machine a thread that yields,
        // or runs on, is set behind another program's whole slice of time,
        // a few ms.
        const std::int64_t left = deadlineMicroseconds - clock_.NowMicroseconds();
        if (left > 0 && left < 1000) {
            std::this_thread::sleep_for(std::chrono::microseconds(left));
        }
        return;
    }
    // processEvents with a time limit does not sleep when nothing is pending,
    // so a spin would keep a core busy. Instead sleep until the next message
    // arrives, and let a precise one-shot timer be that message, due just
    // before the deadline at the latest.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(wait);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// The play field's drawing operations paint into the window's canvas.

void QtGameHost::DrawReel(int reel) {
    field_.Painter().DrawReel(reel);
    if (PlayFieldAccess* access = PlayFieldAccess::Of(field_.View()); access && reel == kReelCount - 1) {
        access->ReelsAtRest(); // the last reel has stopped
    }
}
void QtGameHost::DrawReelMotion(int reel, int stripOffset) {
    field_.Painter().DrawReelMotion(reel, stripOffset);
    if (PlayFieldAccess* access = PlayFieldAccess::Of(field_.View())) {
        access->ReelsMoving();
    }
}
void QtGameHost::BeginReelBounce(int reel) {
    field_.Painter().BeginReelBounce(reel);
}
void QtGameHost::DrawReelBounce(int reel, int shift) {
    field_.Painter().DrawReelBounce(reel, shift);
}
void QtGameHost::BeginNudgeSlide(int reel, std::int32_t newPosition) {
    field_.Painter().BeginNudgeSlide(reel, newPosition);
    if (PlayFieldAccess* access = PlayFieldAccess::Of(field_.View())) {
        access->ReelsMoving();
    }
}
void QtGameHost::DrawNudgeSlide(int reel, int top) {
    field_.Painter().DrawNudgeSlide(reel, top);
}
void QtGameHost::BeginShakeReel(int reel) {
    field_.Painter().BeginShakeReel(reel);
}
void QtGameHost::DrawShakeReel(int reel, int shift) {
    field_.Painter().DrawShakeReel(reel, shift);
}
void QtGameHost::DrawCredits(std::int32_t credits) {
    field_.Painter().DrawCredits(credits);
    if (PlayFieldAccess* access = PlayFieldAccess::Of(field_.View())) {
        access->CounterDrawn(FieldReading::Credits, credits);
    }
}
void QtGameHost::DrawNudges(std::int32_t nudges) {
    field_.Painter().DrawNudges(nudges);
    if (PlayFieldAccess* access = PlayFieldAccess::Of(field_.View())) {
        access->CounterDrawn(FieldReading::Nudges, nudges);
    }
}
void QtGameHost::DrawBet(std::int32_t bet) {
    field_.Painter().DrawBet(bet);
    if (PlayFieldAccess* access = PlayFieldAccess::Of(field_.View())) {
        access->CounterDrawn(FieldReading::Coins, bet);
    }
}
void QtGameHost::DrawWinnings(std::int32_t amount) {
    field_.Painter().DrawWinnings(amount);
    if (PlayFieldAccess* access = PlayFieldAccess::Of(field_.View())) {
        access->CounterDrawn(FieldReading::Winnings, amount);
    }
}
void QtGameHost::DrawWinningsLabel() {
    field_.Painter().DrawWinningsLabel();
}
void QtGameHost::DrawNudgeLabels(Rgb colour) {
    field_.Painter().DrawNudgeLabels(colour);
    if (PlayFieldAccess* access = PlayFieldAccess::Of(field_.View())) {
        access->Refresh();
    }
}
void QtGameHost::DrawPayline() {
    field_.Painter().DrawPayline();
}
void QtGameHost::DrawWildFrame() {
    field_.Painter().Timer2Timer();
}
void QtGameHost::RepaintWindow() {
    field_.Repaint();
}

void QtGameHost::PlayReelStop() {
    sounds_.PlayReelStop();
    // A nudged reel is read once it rests; a spin's reels when the last has.
    if (PlayFieldAccess* access = PlayFieldAccess::Of(field_.View()); access && !access->Spinning()) {
        access->ReelsAtRest();
    }
}
void QtGameHost::PlayCountTick() {
    sounds_.PlayCountTick();
}
void QtGameHost::PlayWinSound(int sound, SoundWait wait) {
    if (wait == SoundWait::WaitForEnd) {
        field_.ShowNow();
    }
    sounds_.PlayWinSound(sound, wait);
}
void QtGameHost::PlayCoin() {
    sounds_.PlayCoin();
}
void QtGameHost::PlayNoNudge() {
    field_.ShowNow(); // the refusal is heard out in full
    sounds_.PlayNoNudge();
}

void QtGameHost::ShowInformation(std::string_view text) {
    dialogs_.ShowInformation(text);
}

void QtGameHost::RunBonusGame() {
    dialogs_.RunBonusGame();
}

TrackStart QtGameHost::StartPendingTrack() {
    return dialogs_.ShowMusicError(music_.StartPendingTrack()) ? TrackStart::Failed : TrackStart::Started;
}

} // namespace morrow
