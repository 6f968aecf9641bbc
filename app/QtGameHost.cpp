#include "QtGameHost.h"

#include "Clock.h"
#include "TForm1.h"
#include "TTrickForm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
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

QtGameHost::QtGameHost(TForm1& form, Clock& clock) : form_(form), clock_(clock) {}

std::int64_t QtGameHost::NowMicroseconds() {
    return clock_.NowMicroseconds();
}

void QtGameHost::HandleMessages(std::int64_t deadlineMicroseconds) {
    // What the engine drew before it waits is this frame: shown now, it
    // reaches the screen on time. Left to the event loop, it would wait for
    // Qt's own paint timer, and on a busy machine for that timer's late
    // wake-up as well.
    form_.ShowCanvasNow();
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
    form_.Painter().DrawReel(reel);
}
void QtGameHost::DrawReelMotion(int reel, int stripOffset) {
    form_.Painter().DrawReelMotion(reel, stripOffset);
}
void QtGameHost::BeginReelBounce(int reel) {
    form_.Painter().BeginReelBounce(reel);
}
void QtGameHost::DrawReelBounce(int reel, int shift) {
    form_.Painter().DrawReelBounce(reel, shift);
}
void QtGameHost::BeginNudgeSlide(int reel, std::int32_t newPosition) {
    form_.Painter().BeginNudgeSlide(reel, newPosition);
}
void QtGameHost::DrawNudgeSlide(int reel, int top) {
    form_.Painter().DrawNudgeSlide(reel, top);
}
void QtGameHost::BeginShakeReel(int reel) {
    form_.Painter().BeginShakeReel(reel);
}
void QtGameHost::DrawShakeReel(int reel, int shift) {
    form_.Painter().DrawShakeReel(reel, shift);
}
void QtGameHost::DrawCredits(std::int32_t credits) {
    form_.Painter().DrawCredits(credits);
}
void QtGameHost::DrawNudges(std::int32_t nudges) {
    form_.Painter().DrawNudges(nudges);
}
void QtGameHost::DrawBet(std::int32_t bet) {
    form_.Painter().DrawBet(bet);
}
void QtGameHost::DrawWinnings(std::int32_t amount) {
    form_.Painter().DrawWinnings(amount);
}
void QtGameHost::DrawWinningsLabel() {
    form_.Painter().DrawWinningsLabel();
}
void QtGameHost::DrawNudgeLabels(Rgb colour) {
    form_.Painter().DrawNudgeLabels(colour);
}
void QtGameHost::DrawPayline() {
    form_.Painter().DrawPayline();
}
void QtGameHost::RepaintWindow() {
    form_.RepaintField();
}

void QtGameHost::PlayReelStop() {
    form_.Sounds().PlayReelStop();
}
void QtGameHost::PlayCountTick() {
    form_.Sounds().PlayCountTick();
}
void QtGameHost::PlayWinSound(int sound, SoundWait wait) {
    if (wait == SoundWait::WaitForEnd) {
        form_.ShowCanvasNow();
    }
    form_.Sounds().PlayWinSound(sound, wait);
}
void QtGameHost::PlayCoin() {
    form_.Sounds().PlayCoin();
}
void QtGameHost::PlayNoNudge() {
    form_.ShowCanvasNow(); // the refusal is heard out in full
    form_.Sounds().PlayNoNudge();
}

void QtGameHost::StartTimer(GameTimer timer) {
    form_.TimerFor(timer).start();
}
void QtGameHost::StopTimer(GameTimer timer) {
    form_.TimerFor(timer).stop();
}

void QtGameHost::ShowInformation(std::string_view text) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(form_.Session().GameTitle),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok,
                    &form_);
    box.exec();
    form_.TakeFocusBack();
}

void QtGameHost::RunBonusGame() {
    GameEngine& engine = form_.Engine();
    auto random = [&engine](int n) { return engine.Random(n); };
    // A bonus that comes up while the window closes is still played, unseen,
    // so the game that is kept holds its prize.
    if (form_.Session().PicksBonusUnseen()) {
        PickPumpkinUnseen(form_.Session(), random);
        return;
    }
    RunTrickOrTreat(&form_, form_.Session(),
                    {random, [this](int sound) { form_.Sounds().PlayWinSound(sound, SoundWait::NoWait); },
                     [this] { form_.PlayTrickOrTreat(); }});
    form_.TakeFocusBack();
}

TrackStart QtGameHost::StartPendingTrack() {
    return form_.ShowMusicError(form_.Music().StartPendingTrack()) ? TrackStart::Failed : TrackStart::Started;
}

} // namespace morrow
