// SPDX-License-Identifier: GPL-3.0-or-later
// What an open speech recogniser hears in a sound file: PocketSphinx with its
// US English model, standing in for a player who hears a spoken line for the
// first time.
#pragma once

#include <filesystem>
#include <string>

namespace morrow::soundgen {

// The words heard in the file, in lower case, one space apart ("" when it
// heard nothing). SoX first brings the file to 16 kHz mono, the rate of the
// recogniser's model. Throws std::runtime_error when sox or
// pocketsphinx_continuous (packages sox, pocketsphinx, pocketsphinx-en-us)
// is missing or fails.
std::string HeardIn(const std::filesystem::path& file);

} // namespace morrow::soundgen
