#include "Speech.h"

#include <espeak-ng/speak_lib.h>

#include <cstdlib>
#include <stdexcept>

namespace morrow::soundgen {

namespace {

bool speakerAlive = false;

// Collects what the synthesiser hands back; the buffer travels as the
// utterance's user data.
int Collect(short* samples, int count, espeak_EVENT* events) {
    if (samples == nullptr || count <= 0 || events == nullptr || events->user_data == nullptr) {
        return 0;
    }
    auto* out = static_cast<Mono*>(events->user_data);
    for (int i = 0; i < count; ++i) {
        out->push_back(static_cast<float>(samples[i]) / 32768.0f);
    }
    return 0;
}

void Check(espeak_ERROR result, const char* what) {
    if (result != EE_OK) {
        throw std::runtime_error(std::string("espeak-ng: ") + what + " failed");
    }
}

} // namespace

Speaker::Speaker() {
    if (speakerAlive) {
        throw std::runtime_error("espeak-ng: only one speaker at a time");
    }
    // DONT_EXIT: report a missing data directory instead of ending the program.
    rate_ = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate_ <= 0) {
        throw std::runtime_error("espeak-ng: cannot start the synthesiser (is espeak-ng-data installed?)");
    }
    speakerAlive = true;
    espeak_SetSynthCallback(Collect);
}

Speaker::~Speaker() {
    espeak_Terminate();
    speakerAlive = false;
}

Mono Speaker::Say(const std::string& text, const SpeechVoice& voice) {
    if (espeak_SetVoiceByName(voice.name.c_str()) != EE_OK) {
        throw std::runtime_error("espeak-ng: no voice named " + voice.name);
    }
    Check(espeak_SetParameter(espeakRATE, voice.wordsPerMinute, 0), "setting the rate");
    Check(espeak_SetParameter(espeakPITCH, voice.pitch, 0), "setting the pitch");
    Check(espeak_SetParameter(espeakRANGE, voice.pitchRange, 0), "setting the pitch range");
    // Some voice variants mix in breath noise drawn from the C library's
    // generator; a fixed seed keeps those the same on every run.
    std::srand(1);
    Mono out;
    Check(espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &out),
          "speaking");
    Check(espeak_Synchronize(), "finishing the speech");
    if (out.empty()) {
        throw std::runtime_error("espeak-ng: nothing was spoken for \"" + text + "\"");
    }
    return out;
}

} // namespace morrow::soundgen
