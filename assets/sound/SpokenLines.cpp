// SPDX-License-Identifier: GPL-3.0-or-later
// The three spoken lines. Festival's natural voice says the words; the spook
// is ours, kept light enough that every word comes through at the first
// hearing. The host is the voice slowed and lowered into a big, deep throat
// with a faint demon an octave below; the trick-or-treat call is a witch whose
// voice rises and falls in a sing-song and trembles. Both stand in a cold
// stone hall whose echo and ring are held down while a word sounds, and
// swell in the pauses and after the last word.
//
// The voice's pitch cannot be moved on its own by more than a little without
// the words going to mush (a lifted witch's voice was no longer understood),
// so the host is lowered by slowing the whole voice down, throat and all.
#include "Effects.h"
#include "Sounds.h"
#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace morrow::soundgen {

namespace {

struct LineRecipe {
    const char* text;   // the words, with the pauses the speaker makes
    double pace;        // the voice's own speaking rate: below 1 slower
    double throat;      // played back at this speed: below 1 lower, slower, a bigger throat
    double liltHz;      // the sing-song: a slow rise and fall of the pitch ...
    double liltDepth;   // ... of the speed, +-
    double quiverHz;    // a fast tremble of the pitch ...
    double quiverDepth; // ... of the speed, +-
    float undertone;    // level of the voice an octave down
    double echoDelay;   // seconds between repeats
    float echoLevel;    // level of the first repeat
    double roomLevel;   // wet level of the hall
};

LineRecipe Recipe(Line line) {
    // The host: slow, low and big, with a demon beneath.
    LineRecipe host{.text = "",
                    .pace = 1.0,
                    .throat = 0.8,
                    .liltHz = 0.0,
                    .liltDepth = 0.0,
                    .quiverHz = 4.0,
                    .quiverDepth = 0.004,
                    .undertone = 0.25f,
                    .echoDelay = 0.26,
                    .echoLevel = 0.15f,
                    .roomLevel = 0.1};
    switch (line) {
    case Line::TrickOrTreat:
        return {.text = "Trick or treat!",
                .pace = 1.0,
                .throat = 0.95,
                .liltHz = 1.6,
                .liltDepth = 0.05,
                .quiverHz = 6.5,
                .quiverDepth = 0.006,
                .undertone = 0.0f,
                .echoDelay = 0.18,
                .echoLevel = 0.1f,
                .roomLevel = 0.06};
    case Line::Welcome:
        // A held breath after "Welcome".
        host.text = "Welcome... to Morrowmas Slots... if you dare!";
        return host;
    case Line::Goodbye:
        host.text = "Leaving so soon? Come back... if you dare.";
        return host;
    }
    throw std::invalid_argument("no such spoken line");
}

} // namespace

Stereo SpokenLine(const Speaker& speaker, Line line) {
    const LineRecipe r = Recipe(line);
    Speech dry = speaker.Say(r.text, {kNaturalVoice, r.pace});
    // The voice draws a long breath of silence first. Keep a tenth of a
    // second of it: the line comes promptly at its moment, and an ear (the
    // recogniser's too) settles on the quiet before the first word.
    float peak = 0.0f;
    for (float v : dry.samples) {
        peak = std::max(peak, std::abs(v));
    }
    const auto first = std::find_if(dry.samples.begin(), dry.samples.end(),
                                    [&](float v) { return std::abs(v) > 0.01f * peak; });
    const auto lead = static_cast<std::ptrdiff_t>(0.1 * dry.rate);
    dry.samples.erase(dry.samples.begin(), first - std::min(lead, first - dry.samples.begin()));
    Mono voice = ChangeSpeed(dry.samples, dry.rate, r.throat, r.liltHz, r.liltDepth);
    if (r.quiverDepth > 0.0) {
        voice = ChangeSpeed(voice, kSampleRate, 1.0, r.quiverHz, r.quiverDepth);
    }
    if (r.undertone > 0.0f) {
        Mono demon = ShiftPitch(voice, 0.5, 0.045);
        Biquad::LowPass(3000.0).Run(demon);
        MixInto(voice, demon, 0, r.undertone);
    }
    HighPass(voice, 70.0);
    // A little presence keeps the words clear.
    Biquad::Peaking(3000.0, 1.0, 2.5).Run(voice);

    // The hall: the echo's repeats and the room's ring, ducked under the voice.
    const Mono echoed = Echo(voice, r.echoDelay, 0.35f, r.echoLevel, 2000.0, 1.2);
    Mono repeats = echoed;
    for (std::size_t i = 0; i < voice.size(); ++i) {
        repeats[i] -= voice[i];
    }
    ReverbSettings hall;
    hall.roomSize = 0.5;
    hall.damping = 0.6;
    hall.wet = r.roomLevel;
    hall.dry = 0.0;
    hall.preDelay = 0.03;
    hall.tail = 1.0;
    Stereo out = Reverb(ToStereo(echoed), hall);
    MixInto(out, repeats, 0);
    Duck(out, voice, 0.97, 0.35);
    MixInto(out, voice, 0);
    // Keep the ring-out down to -40 dB, then fade it away.
    TrimTail(out, 0.01f * Peak(out), 0.05);
    Finish(out, {-16.0, 0.005, 0.15});
    return out;
}

} // namespace morrow::soundgen
