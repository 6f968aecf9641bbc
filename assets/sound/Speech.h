// Spoken lines from the espeak-ng speech synthesiser, as plain dry speech for
// our own effects to work on.
#pragma once

#include "Wave.h"

#include <string>

namespace morrow::soundgen {

struct SpeechVoice {
    std::string name;   // an espeak-ng voice, optionally with a variant: "en-us+m3"
    int wordsPerMinute; // 80..450
    int pitch;          // 0..100, 50 being the voice's own
    int pitchRange;     // 0..100: 0 a monotone, 50 normal intonation
};

// One espeak-ng session for the life of the object (the library keeps one
// global state, so only one may exist at a time). Throws std::runtime_error
// when the library or its voice data cannot be used.
class Speaker {
public:
    Speaker();
    ~Speaker();
    Speaker(const Speaker&) = delete;
    Speaker& operator=(const Speaker&) = delete;

    // The text spoken in the voice, at Rate() samples a second. Throws
    // std::runtime_error when the voice is unknown or nothing is spoken.
    Mono Say(const std::string& text, const SpeechVoice& voice);

    // The synthesiser's own sample rate.
    int Rate() const { return rate_; }

private:
    int rate_ = 0;
};

} // namespace morrow::soundgen
