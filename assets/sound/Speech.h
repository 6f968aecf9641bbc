// SPDX-License-Identifier: GPL-3.0-or-later
// Spoken lines from the Festival speech synthesiser and its natural (HTS)
// American English voice, as plain dry speech for our own effects to work on.
// Festival runs as a program of its own, on this machine only.
#pragma once

#include "Wave.h"

#include <string>

namespace morrow::soundgen {

struct SpeechVoice {
    std::string name; // a Festival voice: "cmu_us_slt_arctic_hts"
    double pace;      // the voice's own speaking rate: 1 its natural pace, 0.8 a fifth slower
};

// Dry speech at the synthesiser's own sample rate.
struct Speech {
    Mono samples;
    int rate = 0;
};

// The natural voice every spoken line of the game starts from.
inline const char* const kNaturalVoice = "cmu_us_slt_arctic_hts";

class Speaker {
public:
    // Throws std::runtime_error when Festival is not installed.
    Speaker();

    // The text spoken in the voice. The same text and voice give the same
    // samples on every run. Throws std::runtime_error when the voice is not
    // installed, Festival fails or nothing is spoken.
    Speech Say(const std::string& text, const SpeechVoice& voice) const;
};

} // namespace morrow::soundgen
