// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundSet.h"

#include "Sounds.h"

#include <sndfile.h>

#include <stdexcept>
#include <system_error>

namespace morrow::soundgen {

void Finish(Stereo& s, const Mastering& m) {
    FadeIn(s, m.fadeIn);
    FadeOut(s, m.fadeOut);
    Normalise(s, m.loudness, kCeilingDb);
}

const std::vector<SoundRecipe>& SoundRecipes() {
    static const std::vector<SoundRecipe> recipes = {
        {"Morrow0.wav", "a reel comes to rest", false, [](const Speaker&) { return ReelStop(); }},
        {"Morrow1.wav", "a coin goes into the machine", false, [](const Speaker&) { return CoinDrop(); }},
        {"Morrow2.wav", "no nudge to be had (waited for)", false,
         [](const Speaker&) { return RefusalBuzz(); }},
        {"Morrow3.wav", "one step of counting a win", false, [](const Speaker&) { return CountTick(); }},
        {"MorWin0.wav", "three 0s: 250 a coin, the top prize", false,
         [](const Speaker&) { return WinJingle(0); }},
        {"MorWin1.wav", "three 1s: 50 a coin", false, [](const Speaker&) { return WinJingle(1); }},
        {"MorWin2.wav", "three 2s: 20 a coin", false, [](const Speaker&) { return WinJingle(2); }},
        {"MorWin3.wav", "three 3s: 18 a coin", false, [](const Speaker&) { return WinJingle(3); }},
        {"MorWin4.wav", "three 4s: 14 a coin", false, [](const Speaker&) { return WinJingle(4); }},
        {"MorWin5.wav", "three 5s: 12 a coin; a treat in the bonus game", false,
         [](const Speaker&) { return WinJingle(5); }},
        {"MorWin6.wav", "three 6s: 10 a coin; a trick in the bonus game", false,
         [](const Speaker&) { return WinJingle(6); }},
        {"MorWin7.wav", "three 7s: 3 a coin", false, [](const Speaker&) { return WinJingle(7); }},
        {"MorWin8.wav", "the wild alone: the stake back", false, [](const Speaker&) { return WinJingle(8); }},
        {"Tort.wav", "the bonus game opens: \"Trick or treat!\"", true,
         [](const Speaker& s) { return SpokenLine(s, Line::TrickOrTreat); }},
        {"Welcome.wav", "the game starts", true,
         [](const Speaker& s) { return SpokenLine(s, Line::Welcome); }},
        {"Goodbye.wav", "the game closes", true,
         [](const Speaker& s) { return SpokenLine(s, Line::Goodbye); }},
    };
    return recipes;
}

std::vector<SoundFile> BuildSounds() {
    const Speaker speaker;
    std::vector<SoundFile> out;
    for (const SoundRecipe& r : SoundRecipes()) {
        out.push_back({r.name, r.make(speaker)});
    }
    return out;
}

void WriteWav(const Stereo& wave, const std::filesystem::path& path) {
    const std::vector<std::int16_t> pcm = ToPcm16(wave);
    std::filesystem::path part = path;
    part += ".part";
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(part.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw std::runtime_error("cannot write " + part.string() + ": " + sf_strerror(nullptr));
    }
    const auto frames = static_cast<sf_count_t>(wave.Frames());
    const sf_count_t written = sf_writef_short(file, pcm.data(), frames);
    const int closed = sf_close(file);
    if (written != frames || closed != 0) {
        std::error_code ignored;
        std::filesystem::remove(part, ignored);
        throw std::runtime_error("cannot write " + part.string());
    }
    std::filesystem::rename(part, path);
}

void WriteSounds(const std::vector<SoundFile>& sounds, const std::filesystem::path& dir) {
    for (const SoundFile& s : sounds) {
        WriteWav(s.wave, dir / s.name);
    }
}

} // namespace morrow::soundgen
