// SPDX-License-Identifier: GPL-3.0-or-later
// Renders a MIDI piece offline into a 16-bit stereo WAV file, the way the
// game's sequencer plays it: one SoundFont made for the piece from the
// font's tables, or with --whole the whole font as fluidsynth loads it. For
// listening, and for comparing with `fluidsynth -ni -F out.wav font piece`.
//
//   morrow-music-render [--whole] [--font file.sf2] piece.mid out.wav
#include "ExtractLoader.h"
#include "FluidMusicSequencer.h"
#include "PieceInstruments.h"
#include "SoundFontIndex.h"
#include "WholeFile.h"

#include <fluidsynth.h>
#include <sndfile.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr int kPolyphony = 64; // as the game's sequencer
constexpr int kTailSeconds = 2;

struct Fluid {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_synth_t* synth = nullptr;
    ~Fluid() {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    bool whole = false;
    std::string font;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--whole") {
            whole = true;
        } else if (argument == "--font" && i + 1 < argc) {
            font = argv[++i];
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "usage: morrow-music-render [--whole] [--font file.sf2] piece.mid out.wav\n");
        return 2;
    }
    if (font.empty()) {
        for (const std::string& candidate : morrow::DefaultSoundFonts()) {
            if (std::filesystem::is_regular_file(candidate)) {
                font = candidate;
                break;
            }
        }
    }
    std::vector<std::uint8_t> midi;
    if (const auto error = morrow::ReadWholeFile(files[0], midi)) {
        std::fprintf(stderr, "%s: %s\n", files[0].c_str(),
                     std::string(morrow::FileReadErrorText(*error)).c_str());
        return 1;
    }

    Fluid fluid;
    fluid_settings_setnum(fluid.settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setint(fluid.settings, "synth.polyphony", kPolyphony);
    fluid_settings_setint(fluid.settings, "synth.lock-memory", 0);
    fluid_settings_setint(fluid.settings, "synth.dynamic-sample-loading", whole ? 1 : 0);
    fluid_settings_setstr(fluid.settings, "player.timing-source", "sample");
    fluid.synth = new_fluid_synth(fluid.settings);
    morrow::InstallExtractLoader(fluid.synth, fluid.settings);
    const auto loading = std::chrono::steady_clock::now();
    int id = FLUID_FAILED;
    if (whole) {
        id = fluid_synth_sfload(fluid.synth, font.c_str(), 1);
    } else {
        std::string whyNot;
        const std::optional<morrow::SoundFontIndex> index = morrow::SoundFontIndex::Read(font, &whyNot);
        if (!index) {
            std::fprintf(stderr, "%s gives no extracts: %s\n", font.c_str(), whyNot.c_str());
            return 1;
        }
        const morrow::SoundFontExtract extract = index->Extract(morrow::ScanPieceInstruments(midi));
        std::printf("extract: %d presets, %.2f MiB of samples\n", extract.PresetCount(),
                    static_cast<double>(extract.SampleBytes()) / (1024.0 * 1024.0));
        id = extract.SampleBytes() > 0 ? morrow::LoadExtract(fluid.synth, extract) : 0;
    }
    if (id == FLUID_FAILED) {
        std::fprintf(stderr, "the SoundFont could not be loaded\n");
        return 1;
    }
    std::printf(
        "%s loaded in %.1f ms\n", whole ? font.c_str() : "extract",
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loading).count());

    fluid_player_t* player = new_fluid_player(fluid.synth);
    if (fluid_player_add_mem(player, midi.data(), midi.size()) != FLUID_OK ||
        fluid_player_play(player) != FLUID_OK) {
        delete_fluid_player(player);
        std::fprintf(stderr, "the piece cannot be played\n");
        return 1;
    }
    SF_INFO format{};
    format.samplerate = kSampleRate;
    format.channels = 2;
    format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(files[1].c_str(), SFM_WRITE, &format);
    if (out == nullptr) {
        delete_fluid_player(player);
        std::fprintf(stderr, "%s: %s\n", files[1].c_str(), sf_strerror(nullptr));
        return 1;
    }
    std::vector<std::int16_t> block(2 * 64);
    for (int after = 0; after < kTailSeconds * kSampleRate;) {
        fluid_synth_write_s16(fluid.synth, 64, block.data(), 0, 2, block.data(), 1, 2);
        sf_writef_short(out, block.data(), 64);
        if (fluid_player_get_status(player) == FLUID_PLAYER_DONE) {
            after += 64;
        }
    }
    sf_close(out);
    delete_fluid_player(player);
    return 0;
}
