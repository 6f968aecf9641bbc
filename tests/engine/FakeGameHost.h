// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"
#include "GameHost.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace morrow::test {

// One call the engine made on its host, stamped with the fake time: the
// operation, its number arguments, and the whole call as text for
// transcripts ("DrawReelMotion 1 488", "PlayWinSound 7 wait").
struct HostCall {
    std::int64_t at = 0; // microseconds
    std::string op;      // "DrawReelMotion"
    std::vector<std::int64_t> args;
    std::string what;
};

// A fake Clock: its time moves only when a test moves `now`, its timers tick
// only when a test says so, and its day is Halloween 1998. Each start and stop is noted in `timerRunning`
// and reported to `onChange` ("StartTimer Timer3").
class FakeTimers : public Clock {
public:
    std::int64_t now = 0;
    std::map<GameTimer, bool> timerRunning;
    std::map<GameTimer, std::function<void()>> ticks;
    std::function<void(std::string)> onChange;

    CalendarDate today{1998, 10, 31};

    std::int64_t NowMicroseconds() override { return now; }
    CalendarDate Today() override { return today; }
    std::unique_ptr<Timer> MakeTimer(GameTimer timer, std::function<void()> tick) override {
        ticks[timer] = std::move(tick);
        return std::make_unique<FakeTimer>(*this, timer);
    }
    void Tick(GameTimer timer) { ticks.at(timer)(); }
    std::set<GameTimer> Running() const {
        std::set<GameTimer> running;
        for (const auto& [timer, on] : timerRunning) {
            if (on) {
                running.insert(timer);
            }
        }
        return running;
    }

private:
    struct FakeTimer final : Timer {
        FakeTimer(FakeTimers& timers, GameTimer timer) : timers_(timers), timer_(timer) {}
        void Start() override { Switch("StartTimer ", true); }
        void Stop() override { Switch("StopTimer ", false); }
        bool IsActive() const override { return timers_.timerRunning[timer_]; }
        void Switch(const char* what, bool on) {
            timers_.timerRunning[timer_] = on;
            if (timers_.onChange) {
                timers_.onChange(what + std::string("Timer") + std::to_string(static_cast<int>(timer_) + 1));
            }
        }
        FakeTimers& timers_;
        GameTimer timer_;
    };
};

// A GameHost for tests: a fake clock in microseconds that moves only when the
// engine waits for messages, a transcript of every call (timers included),
// and actions that fire once the clock reaches their time (the player
// pressing a key in the middle of a spin, the window closing...).
class FakeGameHost : public GameHost, public FakeTimers {
public:
    // As start-up leaves them: the wild moves, no nudge is offered.
    FakeGameHost() {
        timerRunning = {{GameTimer::Timer2, true}, {GameTimer::Timer3, false}};
        onChange = [this](std::string what) { Log(std::move(what)); };
    }
    FakeGameHost(const FakeGameHost&) = delete;
    FakeGameHost& operator=(const FakeGameHost&) = delete;

    // How long a sound played to its end keeps the game waiting.
    std::int64_t waitedSoundMicroseconds = 0;
    // The game's sound switch: like the real host, the fake plays (and
    // waits for) nothing while it is off.
    const bool* soundOn = nullptr;
    std::vector<HostCall> calls;
    std::vector<std::string> messages;
    // What the Trick or Treat window does while it is open.
    std::function<void()> onBonusGame;
    int handleMessagesCalls = 0;

    // Runs `action` the first time the clock has reached `atMicroseconds`.
    void At(std::int64_t atMicroseconds, std::function<void()> action) {
        scheduled_.push_back({atMicroseconds, std::move(action)});
    }

    // The calls whose text starts with `prefix`, in order.
    std::vector<HostCall> Matching(std::string_view prefix) const {
        std::vector<HostCall> found;
        for (const HostCall& call : calls) {
            if (call.what.starts_with(prefix)) {
                found.push_back(call);
            }
        }
        return found;
    }
    std::vector<std::string> Texts(std::string_view prefix = "") const {
        std::vector<std::string> found;
        for (const HostCall& call : Matching(prefix)) {
            found.push_back(call.what);
        }
        return found;
    }
    std::size_t Count(std::string_view prefix) const { return Matching(prefix).size(); }

    void HandleMessages(std::int64_t deadline) override {
        ++handleMessagesCalls;
        now = deadline > now ? deadline : now + 1000;
        RunDue();
    }

    void DrawReel(int reel) override { Log("DrawReel", {reel}); }
    void DrawReelMotion(int reel, int offset) override { Log("DrawReelMotion", {reel, offset}); }
    void BeginReelBounce(int reel) override { Log("BeginReelBounce", {reel}); }
    void DrawReelBounce(int reel, int shift) override { Log("DrawReelBounce", {reel, shift}); }
    void BeginNudgeSlide(int reel, std::int32_t position) override {
        Log("BeginNudgeSlide", {reel, position});
    }
    void DrawNudgeSlide(int reel, int top) override { Log("DrawNudgeSlide", {reel, top}); }
    void BeginShakeReel(int reel) override { Log("BeginShakeReel", {reel}); }
    void DrawShakeReel(int reel, int shift) override { Log("DrawShakeReel", {reel, shift}); }
    void DrawCredits(std::int32_t credits) override { Log("DrawCredits", {credits}); }
    void DrawNudges(std::int32_t nudges) override { Log("DrawNudges", {nudges}); }
    void DrawBet(std::int32_t bet) override { Log("DrawBet", {bet}); }
    void DrawWinnings(std::int32_t amount) override { Log("DrawWinnings", {amount}); }
    void DrawWinningsLabel() override { Log("DrawWinningsLabel"); }
    void DrawNudgeLabels(Rgb colour) override {
        Log("DrawNudgeLabels", {},
            colour == kNudgeYellow ? "yellow" : (colour == kNudgeGrey ? "grey" : "other"));
    }
    void DrawPayline() override { Log("DrawPayline"); }
    void DrawWildFrame() override { Log("DrawWildFrame"); }
    void RepaintWindow() override { Log("RepaintWindow"); }

    void PlayReelStop() override { Sound("PlayReelStop"); }
    void PlayCountTick() override { Sound("PlayCountTick"); }
    void PlayWinSound(int sound, SoundWait wait) override {
        if (!SoundIsOn()) {
            return;
        }
        Log("PlayWinSound", {sound}, wait == SoundWait::WaitForEnd ? "wait" : "nowait");
        if (wait == SoundWait::WaitForEnd) {
            now += waitedSoundMicroseconds;
        }
    }
    void PlayCoin() override { Sound("PlayCoin"); }
    void PlayNoNudge() override {
        if (!SoundIsOn()) {
            return;
        }
        Log("PlayNoNudge");
        now += waitedSoundMicroseconds;
    }

    void ShowInformation(std::string_view text) override {
        messages.emplace_back(text);
        Log("ShowInformation", {}, std::string(text));
    }
    void RunBonusGame() override {
        Log("RunBonusGame");
        if (onBonusGame) {
            onBonusGame();
        }
    }
    TrackStart StartPendingTrack() override {
        Log("StartPendingTrack");
        return pendingTrackStart;
    }
    TrackStart pendingTrackStart = TrackStart::Started;

private:
    bool SoundIsOn() const { return soundOn == nullptr || *soundOn; }
    void Sound(const std::string& what) {
        if (SoundIsOn()) {
            Log(what);
        }
    }

    struct Scheduled {
        std::int64_t at;
        std::function<void()> action;
    };

    void Log(std::string op, std::vector<std::int64_t> args = {}, const std::string& tail = "") {
        std::string what = op;
        for (const std::int64_t arg : args) {
            what += " " + std::to_string(arg);
        }
        if (!tail.empty()) {
            what += " " + tail;
        }
        calls.push_back({now, std::move(op), std::move(args), std::move(what)});
    }
    void RunDue() {
        for (std::size_t i = 0; i < scheduled_.size();) {
            if (scheduled_[i].at <= now) {
                auto action = std::move(scheduled_[i].action);
                scheduled_.erase(scheduled_.begin() + static_cast<std::ptrdiff_t>(i));
                action();
            } else {
                ++i;
            }
        }
    }

    std::vector<Scheduled> scheduled_;
};

} // namespace morrow::test
