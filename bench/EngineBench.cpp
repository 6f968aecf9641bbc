// SPDX-License-Identifier: GPL-3.0-or-later
// Engine speed: the pay table over every stop combination, and whole spins
// on a clock that jumps to each deadline, so the figure shows the engine's
// own work with no waiting in it.
#include "GameEngine.h"
#include "Reels.h"

#include <benchmark/benchmark.h>

namespace {

using namespace morrow;

// A host that draws nothing and whose clock moves only when the engine waits.
class SilentHost final : public GameHost, public Clock {
public:
    std::int64_t now = 0;
    std::int64_t drawCalls = 0;

    struct StillTimer final : Timer {
        void Start() override {}
        void Stop() override {}
        bool IsActive() const override { return false; }
    };
    std::int64_t NowMicroseconds() override { return now; }
    CalendarDate Today() override { return {}; }
    std::unique_ptr<Timer> MakeTimer(GameTimer, std::function<void()>) override {
        return std::make_unique<StillTimer>();
    }
    void HandleMessages(std::int64_t deadline) override { now = deadline > now ? deadline : now + 1000; }
    void DrawReel(int) override { ++drawCalls; }
    void DrawReelMotion(int, int) override { ++drawCalls; }
    void BeginReelBounce(int) override {}
    void DrawReelBounce(int, int) override { ++drawCalls; }
    void BeginNudgeSlide(int, std::int32_t) override {}
    void DrawNudgeSlide(int, int) override { ++drawCalls; }
    void BeginShakeReel(int) override {}
    void DrawShakeReel(int, int) override { ++drawCalls; }
    void DrawCredits(std::int32_t) override { ++drawCalls; }
    void DrawNudges(std::int32_t) override { ++drawCalls; }
    void DrawBet(std::int32_t) override { ++drawCalls; }
    void DrawWinnings(std::int32_t) override { ++drawCalls; }
    void DrawWinningsLabel() override {}
    void DrawNudgeLabels(Rgb) override {}
    void DrawPayline() override {}
    void DrawWildFrame() override {}
    void RepaintWindow() override {}
    void PlayReelStop() override {}
    void PlayCountTick() override {}
    void PlayWinSound(int, SoundWait) override {}
    void PlayCoin() override {}
    void PlayNoNudge() override {}
    void ShowInformation(std::string_view) override {}
    void RunBonusGame() override {}
    TrackStart StartPendingTrack() override { return TrackStart::Started; }
};

void BM_EvaluateAllStopCombinations(benchmark::State& state) {
    GameSession session;
    SetupReels(session);
    for (auto _ : state) {
        std::int64_t paid = 0;
        for (std::int32_t p0 = 1; p0 <= kStripLength; ++p0) {
            for (std::int32_t p1 = 1; p1 <= kStripLength; ++p1) {
                for (std::int32_t p2 = 1; p2 <= kStripLength; ++p2) {
                    session.ReelPos = {p0, p1, p2};
                    const LineResult line = EvaluateLine(PaylineSymbol(session, 0), PaylineSymbol(session, 1),
                                                         PaylineSymbol(session, 2));
                    paid += line.payPerCoin;
                }
            }
        }
        benchmark::DoNotOptimize(paid);
    }
    state.SetItemsProcessed(state.iterations() * 27'000);
}
BENCHMARK(BM_EvaluateAllStopCombinations)->Unit(benchmark::kMicrosecond);

// Bet Max and a whole spin: 47 frames, the evaluation and any count-up.
void BM_WholeSpin(benchmark::State& state) {
    GameSession session;
    SilentHost host;
    GameEngine engine(session, host, host, 12345);
    SetupReels(session);
    engine.NewGame();
    for (auto _ : state) {
        if (session.Credits < 3) {
            session.Credits = 1'000'000;
        }
        engine.BetMax();
    }
    benchmark::DoNotOptimize(host.drawCalls);
    state.SetItemsProcessed(state.iterations());
    state.counters["spins/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WholeSpin)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
