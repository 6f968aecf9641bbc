#pragma once

#include "PieceInstruments.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <fluidsynth/types.h>

namespace morrow {

// A SoundFont made of the tables of a bigger one and stretches of its
// sample data: the presets one piece asks for, with only the zones its notes
// can sound and only the samples those zones play. The sample data stays in
// the source file until the synthesiser loads the extract; the extract keeps
// that file open, so a font replaced on disk meanwhile is still read whole.
class SoundFontExtract {
public:
    std::uint64_t Size() const { return size_; }
    std::uint64_t SampleBytes() const { return sampleBytes_; }
    int PresetCount() const { return presetCount_; }

    // Copies the extract's bytes from `offset` on into `into`. False when
    // the source cannot be read or the range runs past the end.
    bool Read(std::uint64_t offset, std::span<std::uint8_t> into) const;

private:
    friend class SoundFontIndex;
    struct Source;

    // Bytes of its own, or `length` bytes of the source from `sourceOffset`.
    struct Part {
        std::vector<std::uint8_t> bytes;
        std::uint64_t sourceOffset = 0;
        std::uint64_t length = 0;
    };

    std::shared_ptr<const Source> source_;
    std::vector<Part> parts_;
    std::uint64_t size_ = 0;
    std::uint64_t sampleBytes_ = 0;
    int presetCount_ = 0;
};

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
    SoundFontExtract Extract(const PieceInstruments& instruments) const;

    const std::string& Path() const { return path_; }

    struct Tables;

private:
    std::string path_;
    std::shared_ptr<const Tables> tables_;
};

// Lets `synth` load extracts from memory: adds a SoundFont loader, tried
// before the synthesiser's own, that reads the names LoadExtract hands out.
// Call once per synthesiser, before any SoundFont is loaded into it (the
// synthesiser takes no new loaders after that).
void InstallExtractLoader(fluid_synth_t* synth, fluid_settings_t* settings);

// Loads `extract` into `synth`, whose settings must not ask for dynamic
// sample loading (everything is read here, while the extract is at hand),
// and selects the channels' presets afresh. An extract without samples
// cannot be loaded: such a piece sounds nothing anyway. The SoundFont's id,
// or FLUID_FAILED.
int LoadExtract(fluid_synth_t* synth, const SoundFontExtract& extract);

} // namespace morrow
