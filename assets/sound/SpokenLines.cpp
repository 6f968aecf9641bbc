// The three spoken lines. The synthesiser gives plain speech; the spook is
// ours: the host is slowed into a deeper, wavering voice with a faint demon an
// octave below, the trick-or-treat call is a wobbling witch, and both echo
// round a cold stone hall.
#include "Effects.h"
#include "Sounds.h"
#include "Synth.h"

#include <stdexcept>

namespace morrow::soundgen {

namespace {

struct LineRecipe {
    const char* text;
    SpeechVoice voice;
    double speed;      // below 1: slower and lower
    double waverHz;    // the ghostly waver of the pitch
    double waverDepth; // of the speed, +-
    float undertone;   // level of the voice an octave down
    double echoDelay;  // seconds between repeats
    float echoLevel;   // level of the first repeat
    double roomLevel;  // wet level of the hall
};

LineRecipe Recipe(Line line) {
    // The host: a low voice, slowed into a deeper one with a demon beneath.
    LineRecipe host{.text = "",
                    .voice = {"en-us+m3", 155, 40, 60},
                    .speed = 0.88,
                    .waverHz = 4.0,
                    .waverDepth = 0.004,
                    .undertone = 0.2f,
                    .echoDelay = 0.26,
                    .echoLevel = 0.18f,
                    .roomLevel = 0.2};
    switch (line) {
    case Line::TrickOrTreat:
        // A sing-song witch whose voice wobbles.
        return {.text = "Trick or treat!",
                .voice = {"en-us+f2", 140, 68, 90},
                .speed = 0.95,
                .waverHz = 5.5,
                .waverDepth = 0.012,
                .undertone = 0.0f,
                .echoDelay = 0.18,
                .echoLevel = 0.22f,
                .roomLevel = 0.2};
    case Line::Welcome:
        host.text = "Welcome to Morrowmas Slots... if you dare!";
        return host;
    case Line::Goodbye:
        host.text = "Leaving so soon? Come back... if you dare.";
        host.voice.wordsPerMinute = 160;
        host.voice.pitch = 38;
        return host;
    }
    throw std::invalid_argument("no such spoken line");
}

} // namespace

Stereo SpokenLine(Speaker& speaker, Line line) {
    const LineRecipe r = Recipe(line);
    Mono voice = speaker.Say(r.text, r.voice);
    voice = ChangeSpeed(voice, speaker.Rate(), r.speed, r.waverHz, r.waverDepth);
    if (r.undertone > 0.0f) {
        Mono demon = ShiftPitch(voice, 0.5, 0.045);
        Biquad::LowPass(4000.0).Run(demon);
        MixInto(voice, demon, 0, r.undertone);
    }
    HighPass(voice, 70.0);
    // A little presence keeps the words clear through the echo and the room.
    Biquad::Peaking(3000.0, 1.0, 2.5).Run(voice);
    voice = Echo(voice, r.echoDelay, 0.3f, r.echoLevel, 2000.0, 1.0);
    ReverbSettings hall;
    hall.roomSize = 0.55;
    hall.damping = 0.5;
    hall.wet = r.roomLevel;
    hall.preDelay = 0.03;
    hall.tail = 0.8;
    Stereo out = Reverb(ToStereo(voice), hall);
    // Keep the ring-out down to -40 dB, then fade it away.
    TrimTail(out, 0.01f * Peak(out), 0.05);
    Finish(out, {-16.0, 0.005, 0.15});
    return out;
}

} // namespace morrow::soundgen
