// SPDX-License-Identifier: GPL-3.0-or-later
#include "Listener.h"

#include "Programs.h"

#include <cctype>
#include <sstream>
#include <stdexcept>

namespace morrow::soundgen {

std::string HeardIn(const std::filesystem::path& file) {
    const ScratchDir dir;
    const std::string heard = (dir.Path() / "heard.wav").string();
    if (dir.Run({"sox", file.string(), "-r", "16000", "-c", "1", "-b", "16", heard}) != 0) {
        throw std::runtime_error("sox cannot convert " + file.string() + ": " + dir.Read("stderr"));
    }
    if (dir.Run({"pocketsphinx_continuous", "-infile", heard, "-logfn", "/dev/null"}) != 0) {
        throw std::runtime_error("pocketsphinx_continuous failed on " + file.string() +
                                 " (is pocketsphinx-en-us installed?): " + dir.Read("stderr"));
    }
    // One line per stretch of speech it found; the words of all of them.
    std::istringstream lines(dir.Read("stdout"));
    std::string word, words;
    while (lines >> word) {
        for (char& c : word) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        words += (words.empty() ? "" : " ") + word;
    }
    return words;
}

} // namespace morrow::soundgen
