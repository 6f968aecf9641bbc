// SPDX-License-Identifier: GPL-3.0-or-later
// A SoundFont in the place of the one installed: any bytes through the
// reading of its tables and the making of a piece's extract. An extract of
// a font that reads is itself a font that reads, and its bytes can be read
// to the end, from any offset.
#include "FuzzSupport.h"
#include "SoundFontIndex.h"

#include <vector>

using namespace morrow;

namespace {

// What a piece with a piano, a drum kit and a few more instruments asks for,
// with soft, middle and loud notes over the whole keyboard.
const PieceInstruments& SomePiece() {
    static const PieceInstruments piece = [] {
        NoteSet notes;
        for (int key = 0; key < 128; ++key) {
            for (const int velocity : {1, 64, 127}) {
                notes.Add(key, velocity);
            }
        }
        PieceInstruments instruments;
        for (const PresetNumber number :
             {PresetNumber{0, 0}, PresetNumber{0, 1}, PresetNumber{8, 4}, PresetNumber{kPercussionBank, 0},
              PresetNumber{kPercussionBank, 25}}) {
            instruments.presets[number] = notes;
        }
        return instruments;
    }();
    return piece;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path font = fuzz::ScratchDir() / "font.sf2";
    static const std::filesystem::path extracted = fuzz::ScratchDir() / "extract.sf2";
    fuzz::WriteFile(font, {data, size});
    std::string whyNot;
    const std::optional<SoundFontIndex> index = SoundFontIndex::Read(font, &whyNot);
    if (!index) {
        fuzz::Require(!whyNot.empty(), "a font refused without a reason");
        return 0;
    }
    const SoundFontExtract extract = index->Extract(SomePiece());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(extract.Size()));
    fuzz::Require(extract.Read(0, bytes), "an extract cannot be read whole");
    if (!bytes.empty()) {
        std::vector<std::uint8_t> tail(bytes.size() / 3);
        fuzz::Require(extract.Read(bytes.size() - tail.size(), tail) &&
                          std::equal(tail.begin(), tail.end(), bytes.end() - static_cast<long>(tail.size())),
                      "an extract reads otherwise from an offset");
    }
    std::uint8_t past = 0;
    fuzz::Require(!extract.Read(extract.Size(), {&past, 1}), "an extract reads past its end");
    fuzz::WriteFile(extracted, bytes);
    if (extract.SampleBytes() > 0) {
        const std::optional<SoundFontIndex> again = SoundFontIndex::Read(extracted, &whyNot);
        fuzz::Require(again.has_value(), "an extract is not a font that reads: " + whyNot);
    }
    return 0;
}
