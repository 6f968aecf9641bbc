// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PieceInstruments.h"
#include "SoundFontExtract.h"

#include <memory>
#include <optional>
#include <string>

namespace morrow {

namespace soundfont {
struct Tables;
}

// The tables of an SF2 SoundFont file (16-bit samples in the file itself),
// read once, from which extracts for single pieces are made.
class SoundFontIndex {
public:
    // Reads the tables of the file at `path`. Nothing, with the reason in
    // `whyNot`, when the file is not such a SoundFont, its tables do not
    // hold together or it has samples an extract cannot carry.
    static std::optional<SoundFontIndex> Read(const std::string& path, std::string* whyNot = nullptr);

    // The extract for a piece: each preset it asks for or, where the font
    // has none of those numbers, the one the synthesiser takes instead.
    SoundFontExtract Extract(const PieceInstruments& instruments) const {
        return SoundFontExtract::Of(*tables_, instruments);
    }

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::shared_ptr<const soundfont::Tables> tables_;
};

} // namespace morrow
