// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech.h"

#include "Programs.h"

#include <sndfile.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace morrow::soundgen {

namespace {

// The text as a string of Festival's Scheme.
std::string Quoted(const std::string& text) {
    std::string q = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            q += '\\';
        }
        q += c;
    }
    return q + "\"";
}

bool PlainName(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
            return false;
        }
    }
    return true;
}

Speech ReadSpeech(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        throw std::runtime_error("festival wrote no speech");
    }
    if (info.channels != 1 || info.frames <= 0) {
        sf_close(file);
        throw std::runtime_error("festival wrote no mono speech");
    }
    Speech s;
    s.rate = info.samplerate;
    s.samples.resize(static_cast<std::size_t>(info.frames));
    const sf_count_t read = sf_readf_float(file, s.samples.data(), info.frames);
    sf_close(file);
    if (read != info.frames) {
        throw std::runtime_error("festival's speech is shorter than its header says");
    }
    return s;
}

} // namespace

Speaker::Speaker() {
    if (!FindProgram("festival")) {
        throw std::runtime_error("festival is not installed (bash scripts/setup.sh installs it)");
    }
}

Speech Speaker::Say(const std::string& text, const SpeechVoice& voice) const {
    if (!PlainName(voice.name) || !(voice.pace > 0.0)) {
        throw std::invalid_argument("festival: no voice named \"" + voice.name + "\" at that pace");
    }
    const ScratchDir dir;
    const std::filesystem::path wav = dir.Path() / "speech.wav";
    {
        // An unknown voice is an error that ends the batch before anything
        // is written, so it cannot fall back to another voice unnoticed.
        // The HTS engine takes its rate as "-r": below 1 is slower.
        char pace[32];
        std::snprintf(pace, sizeof pace, "%.4f", voice.pace);
        std::ofstream script(dir.Path() / "say.scm");
        script << "(voice_" << voice.name << ")\n"
               << "(if (not (equal? current-voice '" << voice.name << "))\n"
               << "    (error \"no such voice\"))\n"
               << "(set! hts_engine_params (cons (list \"-r\" " << pace << ") hts_engine_params))\n"
               << "(utt.save.wave (utt.synth (eval (list 'Utterance 'Text " << Quoted(text) << ")))\n"
               << "               " << Quoted(wav.string()) << " 'riff)\n";
        if (!script) {
            throw std::runtime_error("cannot write festival's script");
        }
    }
    const int status = dir.Run({"festival", "--batch", (dir.Path() / "say.scm").string()});
    std::error_code ec;
    if (status != 0 || !std::filesystem::exists(wav, ec)) {
        throw std::runtime_error("festival could not say \"" + text + "\" in the voice " + voice.name +
                                 " (is festvox-us-slt-hts installed?): " + dir.Read("stderr"));
    }
    Speech s = ReadSpeech(wav);
    double energy = 0.0;
    for (float v : s.samples) {
        energy += static_cast<double>(v) * v;
    }
    if (std::sqrt(energy / static_cast<double>(s.samples.size())) < 1e-3) {
        throw std::runtime_error("festival: nothing was spoken for \"" + text + "\"");
    }
    return s;
}

} // namespace morrow::soundgen
