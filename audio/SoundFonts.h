// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace morrow {

// The General MIDI SoundFonts to try, best first: `configuredDefault`
// (FluidSynth's own default) when there is one, then Debian's FluidR3
// (package fluid-soundfont-gm), TimGM6mb (timgm6mb-soundfont) and the
// default-GM alternative, then the fonts other systems keep in
// /usr/share/soundfonts; each once.
std::vector<std::string> SoundFontCandidates(const std::string& configuredDefault);

// True when `path` names a regular file (or a link to one).
bool IsPlainFile(const std::string& path);

} // namespace morrow
