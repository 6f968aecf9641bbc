// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundFonts.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace morrow {

bool IsPlainFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::vector<std::string> SoundFontCandidates(const std::string& configuredDefault) {
    std::vector<std::string> fonts;
    const auto add = [&fonts](const std::string& font) {
        if (!font.empty() && std::find(fonts.begin(), fonts.end(), font) == fonts.end()) {
            fonts.push_back(font);
        }
    };
    add(configuredDefault);
    for (const char* font : {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                             "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/soundfonts/default.sf2",
                             "/usr/share/soundfonts/FluidR3_GM.sf2"}) {
        add(font);
    }
    return fonts;
}

} // namespace morrow
