// SPDX-License-Identifier: GPL-3.0-or-later
#include "MusicRotation.h"
#include "FakeMusicSequencer.h"
#include "engine/FakeGameHost.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace morrow {
namespace {

using test::FakeMusicSequencer;
using test::FakeTimers;

std::vector<std::string> Pieces(std::initializer_list<int> numbers) {
    std::vector<std::string> names;
    for (int n : numbers) {
        names.push_back("Morro" + std::to_string(n) + ".mid");
    }
    return names;
}

// A rotation over a fake sequencer, fake timers and a fake set of music
// files present.
struct RotationRig {
    explicit RotationRig(std::set<int> files)
        : present(std::move(files)), rotation(session, sequencer, timers, [this](const std::string& path) {
              return present.contains(path[path.size() - 5] - '0'); // ".../MorroN.mid"
          }) {
        for (int n = 0; n < kMusicFileCount; ++n) {
            session.MusicFiles[static_cast<std::size_t>(n)] = "/game/Morro" + std::to_string(n) + ".mid";
        }
        rotation.SetErrorHandler([this](const std::string& error) { errors.push_back(error); });
        rotation.SetStartUpTick([this] { ++startUpTicks; });
    }

    // "3", or "3 pending" while its change waits to be applied.
    std::string Track() const {
        return std::to_string(session.MusicTrack) +
               (session.MusicChange == TrackChange::Pending ? " pending" : "");
    }
    void Keep(std::optional<std::string> error) {
        if (error) {
            errors.push_back(*error);
        }
    }
    // The one start-up tick, then the first second's.
    void StartUp() {
        rotation.StartTimers();
        timers.Tick(GameTimer::Timer1);
        EXPECT_FALSE(rotation.StartUpTimer().IsActive());
        EXPECT_EQ(startUpTicks, 1);
        timers.Tick(GameTimer::Timer4);
    }
    // The piece playing ends; the next second's tick starts the next one.
    void NextPiece() {
        sequencer.EndPiece();
        timers.Tick(GameTimer::Timer4);
    }

    GameSession session;
    FakeMusicSequencer sequencer;
    FakeTimers timers;
    std::set<int> present;
    MusicRotation rotation;
    int startUpTicks = 0;
    std::vector<std::string> errors;
};

// The choice walks the files cyclically from the current track, skipping the
// missing ones; from 9 or a piece still pending it starts again at file 0.
TEST(MusicRotationTest, ChooseNextTrackSkipsMissingFilesAndWraps) {
    const std::set<int> all{0, 1, 2, 3, 4, 5, 6, 7};
    struct Case {
        std::set<int> present;
        std::int32_t from;
        std::int32_t expected;
        TrackChange change = TrackChange::Applied;
    };
    constexpr TrackChange pending = TrackChange::Pending;
    const Case cases[] = {
        {all, -1, 0},   {all, 6, 7},          {all, 7, 0},
        {all, 9, 0},    {all, 3, 0, pending}, {{2, 5}, -1, 2},
        {{2, 5}, 2, 5}, {{2, 5}, 5, 2},       {{2, 5}, 9, 2, pending},
        {{7}, 7, 7},    {{}, 3, 9},           {{}, -1, 9},
    };
    for (const Case& c : cases) {
        RotationRig rig(c.present);
        rig.session.MusicTrack = c.from;
        rig.session.MusicChange = c.change;
        rig.rotation.ChooseNextTrack();
        EXPECT_EQ(rig.session.MusicTrack, c.expected)
            << "choosing from " << c.from << " among " << c.present.size() << " files";
    }
}

// With all eight files the pieces play 0 to 7 and then 0 again; between a
// piece's end and the next tick the next one is pending and the device closed.
TEST(MusicRotationTest, AllEightPiecesPlayInOrderAndComeRound) {
    RotationRig rig({0, 1, 2, 3, 4, 5, 6, 7});
    rig.rotation.Timer1Timer();
    EXPECT_EQ(rig.Track(), "0 pending") << "the start-up tick marks the first piece pending";
    EXPECT_TRUE(rig.sequencer.calls.empty()) << "nothing opens before the one-second timer";
    rig.Keep(rig.rotation.Timer4Timer());
    rig.sequencer.EndPiece();
    EXPECT_EQ(rig.Track(), "1 pending") << "after piece 0 ends, piece 1 is pending";
    EXPECT_EQ(rig.sequencer.calls.back(), "close");
    rig.Keep(rig.rotation.Timer4Timer());
    for (int n = 2; n <= 8; ++n) {
        rig.NextPiece();
    }
    EXPECT_EQ(rig.sequencer.Played(), Pieces({0, 1, 2, 3, 4, 5, 6, 7, 0}));
    EXPECT_TRUE(rig.errors.empty());
}

// Only files 2 and 5 present: 2, 5, 2.
TEST(MusicRotationTest, MissingFilesAreSkipped) {
    RotationRig rig({2, 5});
    rig.StartUp();
    rig.NextPiece();
    rig.NextPiece();
    EXPECT_EQ(rig.sequencer.Played(), Pieces({2, 5, 2}));
}

// No file at all: MusicTrack ends as 9, nothing is ever opened, later ticks
// and the Music item do nothing.
TEST(MusicRotationTest, NoMusicFilesMeansNoMusicAndNoError) {
    RotationRig rig({});
    rig.rotation.Timer1Timer();
    EXPECT_EQ(rig.Track(), "9 pending");
    rig.Keep(rig.rotation.Timer4Timer());
    EXPECT_EQ(rig.Track(), "9");
    rig.Keep(rig.rotation.Timer4Timer());
    rig.Keep(rig.rotation.Music1Click());
    rig.Keep(rig.rotation.Music1Click());
    EXPECT_EQ(rig.sequencer.calls, std::vector<std::string>{"close"}) << "only the switch-off closes";
    EXPECT_TRUE(rig.errors.empty());
}

// Files are looked for at every choice: one deleted while a piece plays is
// skipped, one added joins at its turn.
TEST(MusicRotationTest, FilesDeletedOrAddedDuringPlayChangeTheRotation) {
    RotationRig rig({0, 1, 2, 5});
    rig.StartUp();
    rig.present.erase(1);
    rig.NextPiece(); // 2: file 1 is gone
    rig.present.insert(3);
    rig.NextPiece(); // 3 has joined
    rig.NextPiece();
    rig.NextPiece();
    EXPECT_EQ(rig.sequencer.Played(), Pieces({0, 2, 3, 5, 0}));
}

// Music off and on again restarts the piece that was playing, from its start.
TEST(MusicRotationTest, MusicOffAndOnRestartsTheCurrentPiece) {
    RotationRig rig({0, 1, 2});
    rig.StartUp();
    rig.NextPiece();
    rig.sequencer.calls.clear();
    rig.Keep(rig.rotation.Music1Click());
    EXPECT_FALSE(rig.session.MusicOn);
    EXPECT_EQ(rig.sequencer.Playing(), "");
    rig.Keep(rig.rotation.Music1Click());
    EXPECT_TRUE(rig.session.MusicOn);
    EXPECT_EQ(rig.sequencer.calls, (std::vector<std::string>{"close", "open Morro1.mid", "play"}));
    EXPECT_EQ(rig.Track(), "1");
}

// A spin in the second after a piece ended starts the pending piece at once,
// not the one that ended; the timer then has nothing left to start.
TEST(MusicRotationTest, SpinDuringThePendingSecondStartsThePendingPiece) {
    RotationRig rig({0, 1, 2});
    rig.StartUp();
    rig.sequencer.EndPiece();
    rig.Keep(rig.rotation.StartPendingTrack()); // the spin
    EXPECT_EQ(rig.sequencer.Playing(), "Morro1.mid");
    const std::size_t callsAfterSpin = rig.sequencer.calls.size();
    rig.Keep(rig.rotation.Timer4Timer());
    EXPECT_EQ(rig.sequencer.calls.size(), callsAfterSpin) << "the timer must not open the piece again";
}

// Music switched off in the pending second: the pending piece does not start
// while the music is off, and is the one that plays when it comes back on.
TEST(MusicRotationTest, MusicOffDuringThePendingSecondDropsTheMark) {
    RotationRig rig({0, 1, 2});
    rig.StartUp();
    rig.sequencer.EndPiece();
    rig.Keep(rig.rotation.Music1Click());
    EXPECT_EQ(rig.Track(), "1");
    rig.Keep(rig.rotation.Timer4Timer());
    rig.Keep(rig.rotation.StartPendingTrack());
    EXPECT_EQ(rig.sequencer.Played(), Pieces({0})) << "nothing may start while the music is off";
    rig.Keep(rig.rotation.Music1Click());
    EXPECT_EQ(rig.sequencer.Played(), Pieces({0, 1}));
}

// A file that cannot be opened: its text is returned once, the rotation stops
// there, and the Music item tries the same piece again.
TEST(MusicRotationTest, AnOpenErrorIsReportedOnceAndStopsTheRotation) {
    RotationRig rig({0, 1, 2});
    rig.sequencer.openErrors["Morro1.mid"] = "cannot open Morro1.mid";
    rig.StartUp();
    rig.NextPiece();
    EXPECT_EQ(rig.errors, std::vector<std::string>{"cannot open Morro1.mid"});
    EXPECT_EQ(rig.Track(), "1");
    rig.Keep(rig.rotation.Timer4Timer());
    rig.Keep(rig.rotation.StartPendingTrack());
    EXPECT_EQ(rig.errors.size(), 1U) << "the piece must not be retried by the timer or a spin";
    rig.sequencer.openErrors.clear();
    rig.Keep(rig.rotation.Music1Click());
    rig.Keep(rig.rotation.Music1Click());
    EXPECT_EQ(rig.sequencer.Playing(), "Morro1.mid");
}

// Music switched off before the start-up tick: nothing is chosen then; when
// it comes back on the rotation begins at the first existing file.
TEST(MusicRotationTest, MusicOnAfterAStartUpTickWithMusicOffBeginsAtTheFirstFile) {
    RotationRig rig({3, 6});
    rig.Keep(rig.rotation.Music1Click());
    rig.rotation.Timer1Timer();
    rig.Keep(rig.rotation.Timer4Timer());
    EXPECT_TRUE(rig.sequencer.Played().empty());
    rig.Keep(rig.rotation.Music1Click());
    EXPECT_EQ(rig.sequencer.Played(), Pieces({3}));
    EXPECT_TRUE(rig.errors.empty()) << "Morro0.mid does not exist and must not be opened";
}

// Only a successful end moves the rotation on.
TEST(MusicRotationTest, UnsuccessfulEndsChangeNothing) {
    for (MusicNotify notify : {MusicNotify::Superseded, MusicNotify::Aborted, MusicNotify::Failure}) {
        RotationRig rig({0, 1});
        rig.StartUp();
        const std::vector<std::string> callsBefore = rig.sequencer.calls;
        rig.sequencer.EndPiece(notify);
        rig.Keep(rig.rotation.Timer4Timer());
        EXPECT_EQ(rig.Track(), "0") << "notify " << static_cast<int>(notify);
        EXPECT_EQ(rig.sequencer.calls, callsBefore) << "notify " << static_cast<int>(notify);
    }
}

} // namespace
} // namespace morrow
