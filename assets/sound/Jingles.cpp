// SPDX-License-Identifier: GPL-3.0-or-later
// The win jingles, all in D minor on celesta, church bells and pipe organ in a
// haunted hall. The bigger the prize, the longer and fuller the jingle: a
// music-box figure for the small wins, bells and organ chords further up, and
// for the top prize the whole organ, pealing bells and a villain's laugh.
#include "Effects.h"
#include "Laugh.h"
#include "Sounds.h"
#include "Synth.h"

#include <stdexcept>
#include <string>

namespace morrow::soundgen {

namespace {

// Note numbers by name: P(D, 4) is the D above middle C.
enum PitchClass { C = 0, Cs = 1, D = 2, Ds = 3, E = 4, F = 5, Fs = 6, G = 7, A = 9, Bb = 10 };
constexpr double P(PitchClass pc, int octave) {
    return 12.0 * (octave + 1) + static_cast<int>(pc);
}

constexpr auto kCelesta = Instrument::Celesta;
constexpr auto kBell = Instrument::Bell;
constexpr auto kFlute = Instrument::OrganFlute;
constexpr auto kPrincipal = Instrument::OrganPrincipal;
constexpr auto kFull = Instrument::OrganFull;

void Chord(std::vector<Note>& notes, Instrument inst, double at, double seconds, float velocity,
           std::initializer_list<double> pitches) {
    float pan = -0.3f;
    const float step = pitches.size() > 1 ? 0.6f / static_cast<float>(pitches.size() - 1) : 0.0f;
    for (double p : pitches) {
        notes.push_back({inst, at, p, seconds, velocity, pan});
        pan += step;
    }
}

// A run of equal notes, `spacing` apart, each held `seconds`, panned from
// `panFrom` to `panTo`.
void Run(std::vector<Note>& notes, Instrument inst, double at, double spacing, double seconds, float velocity,
         std::initializer_list<double> pitches, float panFrom = 0.0f, float panTo = 0.0f) {
    const float step = pitches.size() > 1 ? (panTo - panFrom) / static_cast<float>(pitches.size() - 1) : 0.0f;
    float pan = panFrom;
    for (double p : pitches) {
        notes.push_back({inst, at, p, seconds, velocity, pan});
        at += spacing;
        pan += step;
    }
}

struct Jingle {
    std::vector<Note> notes;
    double length;    // seconds, ring-out included
    double room;      // 0..1, size of the hall
    double roomLevel; // wet level
    double loudness;  // LUFS
    LaughStyle laughStyle = LaughStyle::Witch;
    double laughAt = -1.0; // seconds; negative: no laugh
    float laughLevel = 0.0f;
};

// The stake back: two soft celesta notes rising a fourth.
Jingle StakeBack() {
    Jingle j{{}, 0.75, 0.6, 0.18, -19.0};
    j.notes.push_back({kCelesta, 0.0, P(A, 5), 0.12, 0.55f, -0.2f});
    j.notes.push_back({kCelesta, 0.13, P(D, 6), 0.45, 0.65f, 0.2f});
    return j;
}

// 3 a coin: a music-box arpeggio up to the tonic and one quiet bell.
Jingle SmallestWin() {
    Jingle j{{}, 1.2, 0.7, 0.2, -18.0};
    Run(j.notes, kCelesta, 0.0, 0.09, 0.12, 0.6f, {P(D, 5), P(F, 5), P(A, 5)}, -0.3f, 0.1f);
    j.notes.push_back({kCelesta, 0.27, P(D, 6), 0.6, 0.75f, 0.3f});
    j.notes.push_back({kBell, 0.27, P(D, 5), 0.9, 0.3f, -0.3f});
    return j;
}

// 10 a coin, and the empty pumpkin of the bonus game: something tiptoes down
// chromatically, a low organ "dum", and a witch cackles.
Jingle Cackle() {
    Jingle j{{}, 1.85, 0.7, 0.22, -17.6};
    Run(j.notes, kCelesta, 0.0, 0.08, 0.07, 0.6f, {P(E, 6), P(Ds, 6), P(D, 6), P(Cs, 6)}, 0.3f, -0.3f);
    Chord(j.notes, kFlute, 0.34, 0.14, 0.7f, {P(D, 3), P(A, 3)});
    j.laughStyle = LaughStyle::Witch;
    j.laughAt = 0.5;
    j.laughLevel = 0.9f;
    return j;
}

// 12 a coin, and the treat of the bonus game: an arpeggio up through D minor
// that lands, sweetly, on D major, a bell and a sprinkle of glitter.
Jingle Treat() {
    Jingle j{{}, 1.95, 0.72, 0.22, -17.2};
    Run(j.notes, kCelesta, 0.0, 0.07, 0.15, 0.6f, {P(D, 5), P(F, 5), P(A, 5), P(D, 6), P(F, 6), P(A, 6)},
        -0.4f, 0.4f);
    Chord(j.notes, kCelesta, 0.45, 1.0, 0.7f, {P(D, 6), P(Fs, 6), P(A, 6)});
    j.notes.push_back({kBell, 0.45, P(D, 5), 1.45, 0.45f, 0.0f});
    Run(j.notes, kCelesta, 0.75, 0.1, 0.1, 0.35f, {P(D, 7), P(Fs, 7), P(A, 7)}, 0.5f, -0.5f);
    return j;
}

// 14 a coin: a music-box phrase over a soft organ, D minor - A - D minor.
Jingle MusicBox() {
    Jingle j{{}, 2.05, 0.74, 0.22, -16.8};
    Run(j.notes, kCelesta, 0.0, 0.15, 0.14, 0.65f, {P(A, 5), P(D, 6), P(E, 6)}, -0.2f, 0.2f);
    j.notes.push_back({kCelesta, 0.45, P(F, 6), 0.28, 0.7f, 0.2f});
    Run(j.notes, kCelesta, 0.75, 0.15, 0.14, 0.65f, {P(E, 6), P(Cs, 6)}, 0.1f, -0.1f);
    j.notes.push_back({kCelesta, 1.05, P(D, 6), 0.7, 0.7f, 0.0f});
    Chord(j.notes, kFlute, 0.0, 0.75, 0.35f, {P(D, 4), P(F, 4), P(A, 4)});
    Chord(j.notes, kFlute, 0.75, 0.3, 0.35f, {P(Cs, 4), P(E, 4), P(A, 4)});
    Chord(j.notes, kFlute, 1.05, 0.7, 0.35f, {P(D, 4), P(F, 4), P(A, 4)});
    return j;
}

// 18 a coin: bells ring down the D minor chord, the celesta answers upwards
// over an organ chord.
Jingle Bells() {
    Jingle j{{}, 2.2, 0.78, 0.24, -16.4};
    j.notes.push_back({kBell, 0.0, P(D, 6), 1.2, 0.5f, 0.4f});
    j.notes.push_back({kBell, 0.18, P(A, 5), 1.2, 0.5f, -0.2f});
    j.notes.push_back({kBell, 0.36, P(F, 5), 1.3, 0.5f, 0.2f});
    j.notes.push_back({kBell, 0.54, P(D, 5), 1.6, 0.55f, -0.4f});
    Run(j.notes, kCelesta, 0.8, 0.08, 0.1, 0.5f, {P(D, 6), P(F, 6), P(A, 6)}, -0.3f, 0.3f);
    j.notes.push_back({kCelesta, 1.04, P(D, 7), 0.5, 0.55f, 0.4f});
    Chord(j.notes, kPrincipal, 0.54, 1.0, 0.4f, {P(D, 3), P(A, 3), P(D, 4), P(F, 4)});
    return j;
}

// 20 a coin: organ chords i - iv - V - i under a celesta line that climbs to
// the tonic, then glitter and a bell.
Jingle Cadence() {
    Jingle j{{}, 2.4, 0.8, 0.25, -16.0};
    Chord(j.notes, kPrincipal, 0.0, 0.28, 0.4f, {P(D, 3), P(D, 4), P(F, 4), P(A, 4)});
    Chord(j.notes, kPrincipal, 0.32, 0.28, 0.4f, {P(G, 3), P(Bb, 3), P(D, 4), P(G, 4)});
    Chord(j.notes, kPrincipal, 0.64, 0.28, 0.4f, {P(A, 3), P(Cs, 4), P(E, 4), P(A, 4)});
    Chord(j.notes, kPrincipal, 0.96, 0.8, 0.42f, {P(D, 3), P(D, 4), P(F, 4), P(A, 4)});
    Run(j.notes, kCelesta, 0.0, 0.32, 0.25, 0.7f, {P(A, 5), P(Bb, 5), P(Cs, 6)}, -0.2f, 0.2f);
    j.notes.push_back({kCelesta, 0.96, P(D, 6), 0.5, 0.75f, 0.0f});
    Run(j.notes, kCelesta, 1.12, 0.07, 0.12, 0.45f, {P(D, 6), P(F, 6), P(A, 6), P(D, 7)}, -0.5f, 0.5f);
    j.notes.push_back({kBell, 0.96, P(D, 5), 1.4, 0.4f, -0.3f});
    return j;
}

// 50 a coin: the full organ races up two octaves of D harmonic minor and
// lands on a great D minor chord; bells toll, the celesta sweeps down.
Jingle Flourish() {
    Jingle j{{}, 2.65, 0.85, 0.27, -15.6};
    Run(j.notes, kFull, 0.0, 0.045, 0.07, 0.5f,
        {P(D, 4), P(E, 4), P(F, 4), P(G, 4), P(A, 4), P(Bb, 4), P(Cs, 5), P(D, 5), P(E, 5), P(F, 5), P(G, 5),
         P(A, 5), P(Bb, 5), P(Cs, 6)},
        -0.4f, 0.4f);
    Chord(j.notes, kFull, 0.66, 1.3, 0.5f, {P(D, 3), P(A, 3), P(D, 4), P(F, 4), P(A, 4), P(D, 5)});
    j.notes.push_back({kBell, 0.66, P(D, 5), 1.9, 0.5f, -0.3f});
    j.notes.push_back({kBell, 0.96, P(A, 4), 1.6, 0.35f, 0.3f});
    Run(j.notes, kCelesta, 0.9, 0.05, 0.12, 0.4f,
        {P(D, 7), P(Cs, 7), P(Bb, 6), P(A, 6), P(G, 6), P(F, 6), P(E, 6), P(D, 6)}, 0.6f, -0.6f);
    return j;
}

// 250 a coin, the top prize: the full organ through D minor - B flat -
// G minor - A seven - D minor with a bright line above, a bell on every
// chord and glitter on the last; as the organ stops, a villain laughs into
// the ringing hall.
Jingle TopPrize() {
    Jingle j{{}, 2.98, 0.82, 0.26, -15.2};
    Chord(j.notes, kFull, 0.0, 0.42, 0.42f, {P(D, 3), P(A, 3), P(D, 4), P(F, 4)});
    Chord(j.notes, kFull, 0.45, 0.42, 0.42f, {P(Bb, 2), P(F, 3), P(Bb, 3), P(D, 4)});
    Chord(j.notes, kFull, 0.9, 0.27, 0.42f, {P(G, 2), P(D, 3), P(G, 3), P(Bb, 3)});
    Chord(j.notes, kFull, 1.2, 0.27, 0.42f, {P(A, 2), P(E, 3), P(G, 3), P(Cs, 4)});
    Chord(j.notes, kFull, 1.5, 0.55, 0.45f, {P(D, 2), P(D, 3), P(A, 3), P(D, 4), P(F, 4)});
    Run(j.notes, kPrincipal, 0.0, 0.15, 0.14, 0.55f,
        {P(A, 5), P(D, 6), P(F, 6), P(F, 6), P(D, 6), P(Bb, 5), P(G, 5), P(Bb, 5), P(Cs, 6), P(E, 6)}, -0.2f,
        0.2f);
    j.notes.push_back({kPrincipal, 1.5, P(D, 6), 0.55, 0.6f, 0.0f});
    j.notes.push_back({kBell, 0.0, P(D, 5), 1.0, 0.45f, -0.4f});
    j.notes.push_back({kBell, 0.45, P(Bb, 4), 0.9, 0.4f, 0.4f});
    j.notes.push_back({kBell, 0.9, P(G, 4), 0.8, 0.4f, -0.4f});
    j.notes.push_back({kBell, 1.2, P(A, 4), 0.8, 0.4f, 0.4f});
    j.notes.push_back({kBell, 1.5, P(D, 5), 1.45, 0.55f, -0.3f});
    j.notes.push_back({kBell, 1.5, P(D, 4), 1.45, 0.45f, 0.3f});
    Run(j.notes, kCelesta, 1.5, 0.06, 0.1, 0.4f,
        {P(D, 6), P(F, 6), P(A, 6), P(D, 7), P(A, 6), P(F, 6), P(D, 6), P(F, 6), P(A, 6), P(D, 7)}, -0.6f,
        0.6f);
    j.laughStyle = LaughStyle::Villain;
    j.laughAt = 1.85;
    j.laughLevel = 1.6f;
    return j;
}

Jingle Score(int prize) {
    switch (prize) {
    case 0:
        return TopPrize();
    case 1:
        return Flourish();
    case 2:
        return Cadence();
    case 3:
        return Bells();
    case 4:
        return MusicBox();
    case 5:
        return Treat();
    case 6:
        return Cackle();
    case 7:
        return SmallestWin();
    case 8:
        return StakeBack();
    default:
        throw std::out_of_range("no win jingle for prize " + std::to_string(prize));
    }
}

} // namespace

Stereo WinJingle(int prize) {
    const Jingle j = Score(prize);
    Stereo dry = PlayNotes(j.notes);
    if (j.laughAt >= 0.0) {
        MixInto(dry, Laugh(j.laughStyle), FramesFor(j.laughAt), j.laughLevel, 0.15f);
    }
    ReverbSettings hall;
    hall.roomSize = j.room;
    hall.damping = 0.45;
    hall.wet = j.roomLevel;
    hall.preDelay = 0.022;
    hall.tail = 2.0;
    Stereo out = Reverb(dry, hall);
    out.Resize(FramesFor(j.length));
    Finish(out, {j.loudness, 0.001, 0.3});
    return out;
}

} // namespace morrow::soundgen
