// SPDX-License-Identifier: GPL-3.0-or-later
#include "FluidMusicSequencer.h"
#include "AudioDevice.h"
#include "AudioTestFiles.h"
#include "SoundFontIndex.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <SDL_mixer.h>
#include <fluidsynth.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace morrow {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Notified {
    MusicNotify notify;
    long long atMilliseconds; // of wall clock after the play started
    double soundMilliseconds; // of sound put out after the play started
};

std::uint32_t Little32(std::vector<std::uint8_t>::const_iterator at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// The output's own clock: the sound it has mixed. SDL's dummy driver keeps
// time only to a few per cent, so a piece's length is checked against this.
// And the loudest sample put out.
std::atomic<long long> gFramesMixed{0};
std::atomic<int> gLoudest{0};
void CountFrames(void* /*data*/, Uint8* stream, int length) {
    gFramesMixed += length / 4;
    const auto* samples = reinterpret_cast<const std::int16_t*>(stream);
    for (int i = 0; i < length / 2; ++i) {
        gLoudest = std::max<int>(gLoudest, std::abs(samples[i]));
    }
}

// The real sequencer on the suite's output (SDL's dummy driver, real time)
// with the game's SoundFonts, and a Qt event loop to receive its notices.
class FluidMusicSequencerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "morrow_audio_tests";
        static char* argv[] = {name, nullptr};
        application_ = new QCoreApplication(argc, argv);
        // The game silences FluidSynth at its start; its warnings (a preset
        // missing on every channel the piece does not use) would otherwise
        // be printed from the audio thread.
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
    }
    static void TearDownTestSuite() {
        delete application_;
        application_ = nullptr;
    }

    void SetUp() override {
        if (sequencer_.DeviceError()) {
            GTEST_SKIP() << *sequencer_.DeviceError();
        }
        ASSERT_TRUE(sequencer_.WaitUntilReady(milliseconds(10000))) << "the synthesiser did not get ready";
        Mix_SetPostMix(&CountFrames, nullptr);
        sequencer_.SetNotifyHandler([this](MusicNotify notify) {
            const double sound = SoundMilliseconds();
            notified_.push_back(
                {notify, std::chrono::duration_cast<milliseconds>(Clock::now() - started_).count(), sound});
            if (notify == MusicNotify::Successful) {
                loop_.quit();
            }
        });
        test::WriteFile(dir_.File("half.mid"), test::OneNoteMidi(1)); // 500 ms
    }

    void TearDown() override { Mix_SetPostMix(nullptr, nullptr); }

    // Sound put out since Start.
    double SoundMilliseconds() {
        return 1000.0 * static_cast<double>(gFramesMixed.load()) / device_.SampleRate();
    }

    void Start() {
        started_ = Clock::now();
        gFramesMixed = 0;
        gLoudest = 0;
        ASSERT_EQ(sequencer_.Play(), std::nullopt);
    }
    // Runs the event loop for `span`, or until a successful end arrives.
    void RunEvents(milliseconds span) {
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop_, &QEventLoop::quit);
        limit.start(span);
        loop_.exec();
    }

    static inline QCoreApplication* application_ = nullptr;
    test::TempDir dir_;
    AudioDevice device_;
    FluidMusicSequencer sequencer_{device_};
    QEventLoop loop_;
    Clock::time_point started_;
    std::vector<Notified> notified_;
};

// A piece that plays to its end reports one successful end, on time, also
// when the output rested before it (the output may rest only once the
// piece's instruments are in).
TEST_F(FluidMusicSequencerTest, APieceThatEndsReportsSuccessOnTime) {
    ASSERT_EQ(sequencer_.Open(dir_.File("half.mid")), std::nullopt);
    EXPECT_FALSE(sequencer_.Quiet()) << "quiet while the piece's instruments load";
    RunEvents(milliseconds(1000)); // the piece's instruments load meanwhile
    ASSERT_TRUE(sequencer_.Quiet() && device_.Rest());
    Start();
    RunEvents(milliseconds(2000));
    ASSERT_EQ(notified_.size(), 1U) << "expected exactly one notice for one play";
    EXPECT_EQ(notified_[0].notify, MusicNotify::Successful);
    // Measured in sound put out, up to the notice's arrival: a late notice
    // comes after more sound, however busy the machine.
    EXPECT_NEAR(notified_[0].soundMilliseconds, 500.0, 50.0)
        << "the end of a 500 ms piece came after " << notified_[0].soundMilliseconds << " ms of its sound";
}

// A piece closed while it plays never reports a successful end.
TEST_F(FluidMusicSequencerTest, APieceStoppedReportsNoSuccess) {
    ASSERT_EQ(sequencer_.Open(dir_.File("half.mid")), std::nullopt);
    Start();
    RunEvents(milliseconds(150));
    sequencer_.Close();
    RunEvents(milliseconds(700));
    ASSERT_EQ(notified_.size(), 1U);
    EXPECT_EQ(notified_[0].notify, MusicNotify::Aborted);
}

// The end of a piece already on its way when the piece is closed and played
// again is dropped: only the new play's end is reported.
TEST_F(FluidMusicSequencerTest, AnEndOnItsWayIsDroppedWhenThePieceStartsAgain) {
    ASSERT_EQ(sequencer_.Open(dir_.File("half.mid")), std::nullopt);
    Start();
    // 650 ms of sound: the end is queued, not yet handled.
    const auto guard = Clock::now() + milliseconds(10000);
    while (SoundMilliseconds() < 650.0 && Clock::now() < guard) {
        std::this_thread::sleep_for(milliseconds(5));
    }
    sequencer_.Close();
    ASSERT_EQ(sequencer_.Open(dir_.File("half.mid")), std::nullopt);
    ASSERT_EQ(sequencer_.Play(), std::nullopt);
    RunEvents(milliseconds(2000));
    ASSERT_EQ(notified_.size(), 1U) << "the first play's end must not be delivered";
    EXPECT_EQ(notified_[0].notify, MusicNotify::Successful);
    EXPECT_GT(notified_[0].soundMilliseconds, 1000.0) << "the success reported was the first play's";
}

// A piece's instruments load beside the game. A piece opened over one whose
// instruments are still loading is the one that plays, to its end and
// aloud, and the piece before reports nothing.
TEST_F(FluidMusicSequencerTest, APieceOpenedOverOneStillLoadingIsTheOneThatPlays) {
    test::WriteFile(dir_.File("organ.mid"), test::OneNoteMidi(1, 19));
    test::WriteFile(dir_.File("strings.mid"), test::OneNoteMidi(1, 48));
    ASSERT_EQ(sequencer_.Open(dir_.File("organ.mid")), std::nullopt);
    ASSERT_EQ(sequencer_.Play(), std::nullopt);
    ASSERT_EQ(sequencer_.Open(dir_.File("strings.mid")), std::nullopt);
    Start();
    RunEvents(milliseconds(2000));
    ASSERT_EQ(notified_.size(), 1U) << "expected one notice, for the second piece";
    EXPECT_EQ(notified_[0].notify, MusicNotify::Successful);
    EXPECT_NEAR(notified_[0].soundMilliseconds, 500.0, 50.0) << "the second piece did not play whole";
    EXPECT_GT(gLoudest.load(), 1000) << "the second piece played without its instruments";
}

// Files that cannot be played are refused at open, with a text naming them.
TEST_F(FluidMusicSequencerTest, UnplayableFilesAreRefusedWithTheirReason) {
    std::vector<std::uint8_t> truncated = test::OneNoteMidi(1);
    truncated.resize(truncated.size() - 6);
    test::WriteFile(dir_.File("cut.mid"), truncated);
    test::WriteFile(dir_.File("noise.mid"), {'n', 'o', 't', ' ', 'M', 'I', 'D', 'I', 0, 0, 0, 0, 0, 0, 0});
    std::filesystem::create_directory(dir_.File("folder.mid"));
    const struct {
        const char* file;
        const char* reason;
    } cases[] = {
        {"missing.mid", "cannot be opened: File not found"},
        {"folder.mid", "cannot be opened: File access denied"},
        {"noise.mid", "is not a MIDI file"},
        {"cut.mid", "is not a MIDI file"},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> error = sequencer_.Open(dir_.File(c.file));
        ASSERT_TRUE(error.has_value()) << c.file << " was opened";
        EXPECT_NE(error->find(c.file), std::string::npos) << *error;
        EXPECT_NE(error->find(c.reason), std::string::npos) << *error;
        EXPECT_NE(sequencer_.Play(), std::nullopt) << "a refused file must leave nothing to play";
    }
}

// A file that passes the open but that the player cannot read after all (a
// track of data bytes without any status) ends in a failure, not a success.
TEST_F(FluidMusicSequencerTest, APieceThePlayerCannotReadEndsInFailure) {
    std::vector<std::uint8_t> midi = test::OneNoteMidi(1);
    const std::size_t trackStart = 14 + 8;
    midi.resize(trackStart);
    midi.insert(midi.end(), {0x00, 0x40, 0x40, 0x00, 0x40, 0x40});
    midi[trackStart - 1] = 6; // the track's length
    midi[trackStart - 2] = 0;
    test::WriteFile(dir_.File("bad.mid"), midi);
    ASSERT_EQ(sequencer_.Open(dir_.File("bad.mid")), std::nullopt);
    Start();
    RunEvents(milliseconds(500));
    ASSERT_EQ(notified_.size(), 1U);
    EXPECT_EQ(notified_[0].notify, MusicNotify::Failure);
}

// FluidSynth's configured font first, then Debian's, then the other
// systems' folder; a font named twice is tried once.
TEST(SoundFontCandidates, ConfiguredDefaultThenDebianThenOtherSystems) {
    const std::string debianDefault = "/usr/share/sounds/sf2/default-GM.sf2";
    const std::vector<std::string> others{
        "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2", debianDefault,
        "/usr/share/soundfonts/default.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2"};
    EXPECT_EQ(SoundFontCandidates(""), others);
    std::vector<std::string> withOwn{"/opt/fonts/mine.sf2"};
    withOwn.insert(withOwn.end(), others.begin(), others.end());
    EXPECT_EQ(SoundFontCandidates("/opt/fonts/mine.sf2"), withOwn);
    EXPECT_EQ(SoundFontCandidates(debianDefault),
              (std::vector<std::string>{debianDefault, others[0], others[1], others[3], others[4]}));
}

// Without any SoundFont the sequencer says so at once, and a play fails with
// that text instead of staying silent.
TEST_F(FluidMusicSequencerTest, NoSoundFontIsADeviceError) {
    FluidMusicSequencer without(device_, {dir_.File("none.sf2")});
    ASSERT_TRUE(without.DeviceError().has_value());
    EXPECT_NE(without.DeviceError()->find("SoundFont"), std::string::npos) << *without.DeviceError();
    ASSERT_EQ(without.Open(dir_.File("half.mid")), std::nullopt);
    EXPECT_EQ(without.Play(), without.DeviceError());

    // A sequencer may also go while its SoundFont is still loading.
    for (int i = 0; i < 2; ++i) {
        FluidMusicSequencer shortLived(device_);
    }
}

// A piece opened while the synthesiser is still loading gets its
// instruments when it plays, and plays to its end.
TEST_F(FluidMusicSequencerTest, APieceOpenedWhileTheSynthesiserLoadsStillSounds) {
    FluidMusicSequencer fresh(device_);
    ASSERT_EQ(fresh.Open(dir_.File("half.mid")), std::nullopt);
    fresh.SetNotifyHandler([this](MusicNotify notify) {
        notified_.push_back({notify, 0, 0.0});
        loop_.quit();
    });
    std::atomic<long long> loudest{0};
    Mix_SetPostMix(
        [](void* data, Uint8* stream, int length) {
            auto& peak = *static_cast<std::atomic<long long>*>(data);
            const auto* samples = reinterpret_cast<const std::int16_t*>(stream);
            for (int i = 0; i < length / 2; ++i) {
                peak = std::max<long long>(peak, std::abs(samples[i]));
            }
        },
        &loudest);
    ASSERT_EQ(fresh.Play(), std::nullopt);
    RunEvents(milliseconds(2000));
    Mix_SetPostMix(nullptr, nullptr);
    ASSERT_EQ(notified_.size(), 1U);
    EXPECT_EQ(notified_[0].notify, MusicNotify::Successful);
    EXPECT_GT(loudest.load(), 1000) << "the piece played in silence";
}

// A play asked for while the SoundFont is still loading does not hold the
// game until it is loaded: it is accepted at once and the piece starts when
// the synthesiser is ready. Closed before then, nothing plays.
TEST_F(FluidMusicSequencerTest, APlayWhileLoadingStartsOnceReadyWithoutWaiting) {
    for (const bool closedBeforeReady : {false, true}) {
        SCOPED_TRACE(closedBeforeReady ? "closed before ready" : "left open");
        notified_.clear();
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        bool releasedYet = false;
        const auto letLoad = [&] {
            if (!std::exchange(releasedYet, true)) {
                release.set_value();
            }
        };
        FluidMusicSequencer held(device_, DefaultSoundFonts(), [released] { released.wait(); });
        held.SetNotifyHandler([this](MusicNotify notify) {
            notified_.push_back({notify, 0, 0.0});
            loop_.quit();
        });
        const bool opened = held.Open(dir_.File("half.mid")) == std::nullopt;
        const std::optional<std::string> played = held.Play();
        const bool stillLoading = !held.WaitUntilReady(milliseconds(0));
        if (closedBeforeReady) {
            held.Close();
        }
        letLoad();
        EXPECT_TRUE(opened);
        EXPECT_EQ(played, std::nullopt) << "a play while loading was refused";
        EXPECT_TRUE(stillLoading) << "the play waited for the SoundFont";
        ASSERT_TRUE(held.WaitUntilReady(milliseconds(10000)));
        RunEvents(closedBeforeReady ? milliseconds(800) : milliseconds(10000));
        if (closedBeforeReady) {
            EXPECT_TRUE(notified_.empty()) << "a piece closed before it started was played";
        } else {
            ASSERT_EQ(notified_.size(), 1U);
            EXPECT_EQ(notified_[0].notify, MusicNotify::Successful);
        }
        held.SetNotifyHandler({});
    }
}

// A SoundFont whose tables the extracts cannot be made from (here a sample
// marked as kept in ROM, which FluidSynth skips) is loaded whole, and the
// piece plays to its end.
TEST_F(FluidMusicSequencerTest, AFontWithoutExtractsIsPlayedWhole) {
    const std::string source = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        GTEST_SKIP() << source << " is not installed";
    }
    std::vector<std::uint8_t> font((std::istreambuf_iterator<char>(in)), {});
    constexpr std::string_view kSampleHeaders = "shdr";
    const auto shdr = std::search(font.begin(), font.end(), kSampleHeaders.begin(), kSampleHeaders.end());
    ASSERT_NE(shdr, font.end()) << "no sample headers in " << source;
    const auto lastSampleType = shdr + 8 + static_cast<std::ptrdiff_t>(Little32(shdr + 4)) - 2 * 46 + 44;
    lastSampleType[0] = 0x01;
    lastSampleType[1] = 0x80; // a mono sample in ROM
    test::WriteFile(dir_.File("rom.sf2"), font);
    ASSERT_FALSE(SoundFontIndex::Read(dir_.File("rom.sf2")).has_value())
        << "extracts were made from it after all";

    FluidMusicSequencer whole(device_, {dir_.File("rom.sf2")});
    ASSERT_TRUE(whole.WaitUntilReady(milliseconds(10000))) << "the font was not loaded whole";
    whole.SetNotifyHandler([this](MusicNotify notify) {
        notified_.push_back({notify, 0, 0.0});
        loop_.quit();
    });
    ASSERT_EQ(whole.Open(dir_.File("half.mid")), std::nullopt);
    ASSERT_EQ(whole.Play(), std::nullopt);
    RunEvents(milliseconds(2000));
    ASSERT_EQ(notified_.size(), 1U);
    EXPECT_EQ(notified_[0].notify, MusicNotify::Successful);
}

} // namespace
} // namespace morrow
