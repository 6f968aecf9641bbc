// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PieceInstruments.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace morrow {

class PlainFile;
namespace soundfont {
struct Tables;
}

// A SoundFont made of the tables of a bigger one and stretches of its
// sample data: the presets one piece asks for, with only the zones its notes
// can sound and only the samples those zones play. The sample data stays in
// the source file until the synthesiser loads the extract; the extract keeps
// that file open, so a font replaced on disk meanwhile is still read whole.
// Made by SoundFontIndex::Extract.
class SoundFontExtract {
public:
    // The extract of the font whose tables are `tables` for a piece.
    static SoundFontExtract Of(const soundfont::Tables& tables, const PieceInstruments& instruments);

    std::uint64_t Size() const { return size_; }
    std::uint64_t SampleBytes() const { return sampleBytes_; }
    int PresetCount() const { return presetCount_; }

    // Copies the extract's bytes from `offset` on into `into`. False when
    // the source cannot be read or the range runs past the end.
    bool Read(std::uint64_t offset, std::span<std::uint8_t> into) const;

private:
    // Bytes of its own, or `length` bytes of the source from `sourceOffset`.
    struct Part {
        std::vector<std::uint8_t> bytes;
        std::uint64_t sourceOffset = 0;
        std::uint64_t length = 0;
    };

    std::shared_ptr<const PlainFile> source_;
    std::vector<Part> parts_;
    std::uint64_t size_ = 0;
    std::uint64_t sampleBytes_ = 0;
    int presetCount_ = 0;
};

} // namespace morrow
