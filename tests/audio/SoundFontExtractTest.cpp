// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioTestFiles.h"
#include "ExtractLoader.h"
#include "FluidMusicSequencer.h"
#include "SoundFontIndex.h"

#include <fluidsynth.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace morrow {
namespace {

// FluidSynth's warnings and errors while a SoundFont loads: a table it reads
// differently from the way it was written shows up here first.
std::vector<std::string> gFluidComplaints;
void CollectComplaint(int /*level*/, const char* message, void* /*data*/) {
    gFluidComplaints.emplace_back(message);
}

struct FluidDeleter {
    void operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
    void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
    void operator()(fluid_player_t* player) const { delete_fluid_player(player); }
};
using Settings = std::unique_ptr<fluid_settings_t, FluidDeleter>;
using Synth = std::unique_ptr<fluid_synth_t, FluidDeleter>;
using Player = std::unique_ptr<fluid_player_t, FluidDeleter>;

// A short piece of one track at 120 beats a minute: a piano over four
// octaves and three velocities, strings asked for in a bank the fonts lack
// (the synthesiser takes bank 0's), a flute and three drums.
std::vector<std::uint8_t> SeveralInstruments() {
    std::vector<std::uint8_t> track;
    const auto event = [&track](std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
        test::AppendVariableLength(track, delta);
        track.insert(track.end(), bytes);
    };
    event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    event(0, {0xC0, 0});
    event(0, {0xB1, 0, 5});
    event(0, {0xC1, 48});
    event(0, {0xC2, 73});
    const std::uint8_t piano[][2] = {{36, 40}, {60, 100}, {84, 127}};
    for (const auto& [key, velocity] : piano) {
        event(0, {0x90, key, velocity});
        event(0, {0x91, static_cast<std::uint8_t>(key + 7), 80});
        event(0, {0x99, static_cast<std::uint8_t>(key == 36 ? 36 : key == 60 ? 38 : 42), 100});
        event(0, {0x92, static_cast<std::uint8_t>(key + 12), 90});
        event(480, {0x80, key, 0});
        event(0, {0x81, static_cast<std::uint8_t>(key + 7), 0});
        event(0, {0x82, static_cast<std::uint8_t>(key + 12), 0});
    }
    event(0, {0xFF, 0x2F, 0x00});
    std::vector<std::uint8_t> midi{'M', 'T', 'h', 'd'};
    test::AppendBigEndian(midi, 6, 4);
    test::AppendBigEndian(midi, 0, 2);
    test::AppendBigEndian(midi, 1, 2);
    test::AppendBigEndian(midi, 480, 2);
    midi.insert(midi.end(), {'M', 'T', 'r', 'k'});
    test::AppendBigEndian(midi, static_cast<std::uint32_t>(track.size()), 4);
    midi.insert(midi.end(), track.begin(), track.end());
    return midi;
}

// A synthesiser that renders offline, its player clocked by the sound.
Synth MakeSynth(const Settings& settings) {
    fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 0);
    fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
    return Synth(new_fluid_synth(settings.get()));
}

// The piece and two seconds after it, as stereo floating-point frames.
std::vector<float> Render(fluid_synth_t* synth, const std::vector<std::uint8_t>& midi) {
    const Player player(new_fluid_player(synth));
    fluid_player_add_mem(player.get(), midi.data(), midi.size());
    fluid_player_play(player.get());
    std::vector<float> out;
    std::vector<float> block(128);
    for (int after = 0; after < 2 * 44100;
         after += fluid_player_get_status(player.get()) == FLUID_PLAYER_DONE ? 64 : 0) {
        fluid_synth_write_float(synth, 64, block.data(), 0, 2, block.data(), 1, 2);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

class SoundFontExtractTest : public ::testing::TestWithParam<std::string> {};

// An extract holds the presets the piece asks for (or their stand-ins),
// loads without a word from FluidSynth, is a small part of the font and
// renders the piece to the same samples as the whole font.
TEST_P(SoundFontExtractTest, AnExtractSoundsExactlyLikeTheWholeFont) {
    const std::string font = GetParam();
    if (!std::filesystem::is_regular_file(font)) {
        GTEST_SKIP() << font << " is not installed";
    }
    std::string whyNot;
    const std::optional<SoundFontIndex> index = SoundFontIndex::Read(font, &whyNot);
    ASSERT_TRUE(index.has_value()) << font << ": " << whyNot;
    const std::vector<std::uint8_t> midi = SeveralInstruments();
    const SoundFontExtract extract = index->Extract(ScanPieceInstruments(midi));
    EXPECT_EQ(extract.PresetCount(), 4) << "piano, strings, flute and drum kit";
    EXPECT_LT(extract.Size(), std::filesystem::file_size(font) / 4)
        << "the extract is not much smaller than the font";

    const Settings extractSettings(new_fluid_settings());
    const Synth fromExtract = MakeSynth(extractSettings);
    InstallExtractLoader(fromExtract.get(), extractSettings.get());
    gFluidComplaints.clear();
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN}) {
        fluid_set_log_function(level, &CollectComplaint, nullptr);
    }
    const int id = LoadExtract(fromExtract.get(), extract);
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN}) {
        fluid_set_log_function(level, nullptr, nullptr);
    }
    ASSERT_NE(id, FLUID_FAILED) << "FluidSynth refused the extract";
    EXPECT_EQ(gFluidComplaints, std::vector<std::string>{}) << "FluidSynth found fault with the extract";
    fluid_sfont_t* sfont = fluid_synth_get_sfont_by_id(fromExtract.get(), id);
    for (const auto& [bank, program] : {std::pair{0, 0}, {0, 48}, {0, 73}, {kPercussionBank, 0}}) {
        EXPECT_NE(fluid_sfont_get_preset(sfont, bank, program), nullptr)
            << bank << ":" << program << " is missing";
    }

    const Settings wholeSettings(new_fluid_settings());
    const Synth fromWhole = MakeSynth(wholeSettings);
    ASSERT_NE(fluid_synth_sfload(fromWhole.get(), font.c_str(), 1), FLUID_FAILED);
    const std::vector<float> expected = Render(fromWhole.get(), midi);
    const std::vector<float> got = Render(fromExtract.get(), midi);
    ASSERT_EQ(got.size(), expected.size());
    const auto [differs, _] = std::mismatch(got.begin(), got.end(), expected.begin());
    EXPECT_EQ(differs, got.end()) << "the extract's sound departs from the whole font's at frame "
                                  << (differs - got.begin()) / 2;
    const float peak = std::abs(*std::max_element(
        got.begin(), got.end(), [](float a, float b) { return std::abs(a) < std::abs(b); }));
    EXPECT_GT(peak, 0.05F) << "the piece was (nearly) silent";
}

// The two fonts of the set-up (the other places the game looks hold copies
// or links of fonts like these).
INSTANTIATE_TEST_SUITE_P(GeneralMidiFonts, SoundFontExtractTest,
                         ::testing::Values(std::string("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
                                           std::string("/usr/share/sounds/sf2/TimGM6mb.sf2")),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             return std::filesystem::path(param.param).stem().string();
                         });

} // namespace
} // namespace morrow
