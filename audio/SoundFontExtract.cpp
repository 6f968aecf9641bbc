// SPDX-License-Identifier: GPL-3.0-or-later
// Writing an extract: the zones and samples a piece can sound, chosen from
// the tables of a whole font, and the SoundFont made of them.
#include "SoundFontExtract.h"

#include "ByteReader.h"
#include "SoundFontTables.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <set>

namespace morrow {

using namespace soundfont;

namespace {

// Zero sample points that follow every sample in the file; the synthesiser
// reads a little past a sample's end when it interpolates.
constexpr std::uint32_t kSampleGuard = 46;

struct Range {
    int keyLow = 0;
    int keyHigh = 127;
    int velocityLow = 0;
    int velocityHigh = 127;

    Range Within(const Range& other) const {
        return {std::max(keyLow, other.keyLow), std::min(keyHigh, other.keyHigh),
                std::max(velocityLow, other.velocityLow), std::min(velocityHigh, other.velocityHigh)};
    }
    bool AnyOf(const NoteSet& notes) const { return notes.AnyIn(keyLow, keyHigh, velocityLow, velocityHigh); }
};

// A zone as the synthesiser reads it: a key range counts only as the first
// generator, a velocity range only before any other, and the instrument (or
// sample) generator ends the zone; whatever follows it is dropped. A zone
// without one is a global zone.
struct ZoneShape {
    Range range;
    std::optional<std::uint16_t> target;
    std::size_t generatorCount = 0; // the generators the synthesiser reads
};

ZoneShape ShapeOf(std::span<const Generator> generators, std::uint16_t targetOper) {
    ZoneShape shape;
    int level = 0;
    for (const Generator& generator : generators) {
        ++shape.generatorCount;
        if (generator.oper == targetOper) {
            shape.target = generator.amount;
            break;
        }
        if (generator.oper == kKeyRange) {
            if (level == 0) {
                shape.range.keyLow = generator.Low();
                shape.range.keyHigh = generator.High();
                level = 1;
            }
        } else if (generator.oper == kVelocityRange) {
            if (level <= 1) {
                shape.range.velocityLow = generator.Low();
                shape.range.velocityHigh = generator.High();
            }
            level = 2;
        } else {
            level = 2;
        }
    }
    return shape;
}

// The zones of one level kept for an extract, in their order, and the
// tables written for them.
struct LevelOut {
    std::vector<std::uint8_t> headers, bags, generators, modulators;
    std::uint32_t bagCount = 0, generatorCount = 0, modulatorCount = 0;

    void AddZone(const Level& level, std::size_t bag, std::uint16_t targetOper,
                 const std::map<std::uint16_t, std::uint16_t>& renumber) {
        AppendLittle(bags, generatorCount, 2);
        AppendLittle(bags, modulatorCount, 2);
        ++bagCount;
        const std::span<const Generator> all = level.GeneratorsOf(bag);
        for (const Generator& generator : all.first(ShapeOf(all, targetOper).generatorCount)) {
            const std::uint16_t amount =
                generator.oper == targetOper ? renumber.at(generator.amount) : generator.amount;
            AppendLittle(generators, generator.oper, 2);
            AppendLittle(generators, amount, 2);
            ++generatorCount;
        }
        for (std::uint16_t m = level.bags[bag].modulator; m < level.bags[bag + 1].modulator; ++m) {
            modulators.insert(modulators.end(), level.modulators[m].begin(), level.modulators[m].end());
            ++modulatorCount;
        }
    }
    void AddHeader(std::vector<std::uint8_t> header, HeaderRecord record) {
        SetLittle(header, record.bagAt, bagCount, 2);
        headers.insert(headers.end(), header.begin(), header.end());
    }
    // The closing records every table ends with.
    void Close(HeaderRecord record, const char* name) {
        std::vector<std::uint8_t> last(record.size, 0);
        std::memcpy(last.data(), name, std::strlen(name));
        AddHeader(std::move(last), record);
        AppendLittle(bags, generatorCount, 2);
        AppendLittle(bags, modulatorCount, 2);
        generators.resize(generators.size() + kGeneratorRecord, 0);
        modulators.resize(modulators.size() + kModulatorRecord, 0);
    }
};

} // namespace

SoundFontExtract SoundFontExtract::Of(const Tables& t, const PieceInstruments& instruments) {
    // The presets asked for, with the synthesiser's stand-ins for numbers
    // the font lacks: kit 0 for a missing kit; for a melodic preset the same
    // program in bank 0, then program 0 in bank 0. Presets of the same
    // numbers are all kept, in their order, so the synthesiser picks the
    // same one as from the whole font.
    std::map<std::size_t, NoteSet> presetNotes;
    for (const auto& [number, notes] : instruments.presets) {
        std::vector<PresetNumber> tries{number};
        if (number.bank == kPercussionBank) {
            tries.push_back({kPercussionBank, 0});
        } else {
            tries.push_back({0, number.program});
            tries.push_back({0, 0});
        }
        for (const PresetNumber& attempt : tries) {
            const auto [from, to] = t.presetByNumber.equal_range(attempt);
            for (auto it = from; it != to; ++it) {
                presetNotes[it->second].Merge(notes);
            }
            if (from != to) {
                break;
            }
        }
    }

    // Preset zones whose range holds a note the piece plays there, and for
    // each instrument they use the notes that can reach it. Global zones
    // cost no samples and are all kept: the synthesiser uses the first.
    struct Reach {
        const NoteSet* notes;
        Range range;
    };
    std::map<std::uint16_t, std::vector<Reach>> instrumentReach;
    std::vector<std::pair<std::size_t, std::vector<std::size_t>>> keptPresets;
    for (const auto& [preset, notes] : presetNotes) {
        std::vector<std::size_t> zones;
        for (std::size_t bag = t.presets.firstBag[preset]; bag < t.presets.firstBag[preset + 1]; ++bag) {
            const ZoneShape shape = ShapeOf(t.presets.GeneratorsOf(bag), kInstrument);
            if (!shape.target) {
                zones.push_back(bag);
            } else if (shape.range.AnyOf(notes)) {
                zones.push_back(bag);
                instrumentReach[*shape.target].push_back({&notes, shape.range});
            }
        }
        keptPresets.emplace_back(preset, std::move(zones));
    }

    // Instrument zones a note can reach through one of those preset zones.
    std::map<std::uint16_t, std::uint16_t> instrumentNumber;
    std::vector<std::pair<std::uint16_t, std::vector<std::size_t>>> keptInstruments;
    std::set<std::uint16_t> usedSamples;
    for (const auto& [instrument, reaches] : instrumentReach) {
        std::vector<std::size_t> zones;
        for (std::size_t bag = t.instruments.firstBag[instrument];
             bag < t.instruments.firstBag[instrument + 1u]; ++bag) {
            const ZoneShape shape = ShapeOf(t.instruments.GeneratorsOf(bag), kSampleId);
            if (!shape.target) {
                zones.push_back(bag);
            } else if (std::any_of(reaches.begin(), reaches.end(), [&](const Reach& reach) {
                           return reach.range.Within(shape.range).AnyOf(*reach.notes);
                       })) {
                zones.push_back(bag);
                usedSamples.insert(*shape.target);
            }
        }
        instrumentNumber[instrument] = static_cast<std::uint16_t>(keptInstruments.size());
        keptInstruments.emplace_back(instrument, std::move(zones));
    }

    // The samples, numbered afresh in their order, and their data in
    // stretches (overlapping and touching ones merged): each sample with its
    // loop and the guard points after it.
    std::map<std::uint16_t, std::uint16_t> sampleNumber;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> stretches; // [from, to) in source points
    for (std::uint16_t s : usedSamples) {
        const auto number = static_cast<std::uint16_t>(sampleNumber.size());
        sampleNumber.emplace(s, number);
        const Sample& sample = t.samples[s];
        const std::uint64_t to = std::uint64_t{std::max(sample.end, sample.loopEnd)} + kSampleGuard;
        stretches.emplace_back(sample.start,
                               static_cast<std::uint32_t>(std::min<std::uint64_t>(t.samplePoints, to)));
    }
    std::sort(stretches.begin(), stretches.end());
    std::vector<std::pair<std::uint32_t, std::uint32_t>> merged;
    for (const auto& stretch : stretches) {
        if (!merged.empty() && stretch.first <= merged.back().second) {
            merged.back().second = std::max(merged.back().second, stretch.second);
        } else {
            merged.push_back(stretch);
        }
    }
    std::vector<std::uint32_t> stretchAt; // each stretch's first point in the extract
    std::uint32_t points = 0;
    for (const auto& stretch : merged) {
        stretchAt.push_back(points);
        points += stretch.second - stretch.first;
    }
    // Where a point of a kept sample lies in the extract's sample data.
    const auto moved = [&](std::uint32_t point) {
        const auto after =
            std::upper_bound(merged.begin(), merged.end(), point,
                             [](std::uint32_t p, const auto& stretch) { return p < stretch.first; });
        const auto i = static_cast<std::size_t>(after - merged.begin()) - 1;
        return stretchAt[i] + (point - merged[i].first);
    };

    // The tables.
    const auto write = [](const Level& level, const auto& kept, HeaderRecord record, std::uint16_t targetOper,
                          const std::map<std::uint16_t, std::uint16_t>& renumber, const char* closing) {
        LevelOut out;
        for (const auto& [header, zones] : kept) {
            out.AddHeader(level.headers[header], record);
            for (std::size_t bag : zones) {
                out.AddZone(level, bag, targetOper, renumber);
            }
        }
        out.Close(record, closing);
        return out;
    };
    const LevelOut presetsOut =
        write(t.presets, keptPresets, kPresetRecord, kInstrument, instrumentNumber, "EOP");
    const LevelOut instrumentsOut =
        write(t.instruments, keptInstruments, kInstrumentRecord, kSampleId, sampleNumber, "EOI");
    std::vector<std::uint8_t> sampleHeaders;
    for (const auto& [s, number] : sampleNumber) {
        const Sample& sample = t.samples[s];
        std::array<std::uint8_t, kSampleRecord> header = sample.header;
        SetLittle(header, 20, moved(sample.start), 4);
        SetLittle(header, 24, moved(sample.end), 4);
        SetLittle(header, 28, moved(sample.loopStart), 4);
        SetLittle(header, 32, moved(sample.loopEnd), 4);
        // A stereo half whose partner is not kept plays on as a mono sample.
        const bool paired = (sample.type & kPairedSamples) != 0;
        const auto partner = paired ? sampleNumber.find(sample.link) : sampleNumber.end();
        SetLittle(header, 42, partner != sampleNumber.end() ? partner->second : 0, 2);
        if (paired && partner == sampleNumber.end()) {
            SetLittle(header, 44, kMonoSample, 2);
        }
        sampleHeaders.insert(sampleHeaders.end(), header.begin(), header.end());
    }
    sampleHeaders.resize(sampleHeaders.size() + kSampleRecord, 0);
    std::memcpy(sampleHeaders.data() + sampleHeaders.size() - kSampleRecord, "EOS", 3);

    std::vector<std::uint8_t> pdta;
    AppendTag(pdta, "pdta");
    AppendRiffChunk(pdta, "phdr", presetsOut.headers);
    AppendRiffChunk(pdta, "pbag", presetsOut.bags);
    AppendRiffChunk(pdta, "pmod", presetsOut.modulators);
    AppendRiffChunk(pdta, "pgen", presetsOut.generators);
    AppendRiffChunk(pdta, "inst", instrumentsOut.headers);
    AppendRiffChunk(pdta, "ibag", instrumentsOut.bags);
    AppendRiffChunk(pdta, "imod", instrumentsOut.modulators);
    AppendRiffChunk(pdta, "igen", instrumentsOut.generators);
    AppendRiffChunk(pdta, "shdr", sampleHeaders);

    // RIFF sfbk: the INFO list, the sdta list whose sample data is read from
    // the source, the pdta list.
    const std::uint64_t sampleBytes = std::uint64_t{points} * 2;
    std::vector<std::uint8_t> front;
    AppendTag(front, "RIFF");
    AppendLittle(front, 0, 4); // the size, once known
    AppendTag(front, "sfbk");
    std::vector<std::uint8_t> info;
    AppendTag(info, "INFO");
    info.insert(info.end(), t.info.begin(), t.info.end());
    AppendRiffChunk(front, "LIST", info);
    AppendTag(front, "LIST");
    AppendLittle(front, static_cast<std::uint32_t>(4 + 8 + sampleBytes), 4);
    AppendTag(front, "sdta");
    AppendTag(front, "smpl");
    AppendLittle(front, static_cast<std::uint32_t>(sampleBytes), 4);
    std::vector<std::uint8_t> back;
    AppendRiffChunk(back, "LIST", pdta);
    SetLittle(front, 4, static_cast<std::uint32_t>(front.size() - 8 + sampleBytes + back.size()), 4);

    SoundFontExtract extract;
    extract.source_ = t.source;
    extract.sampleBytes_ = sampleBytes;
    extract.presetCount_ = static_cast<int>(keptPresets.size());
    extract.parts_.push_back({std::move(front), 0, 0});
    for (const auto& [from, to] : merged) {
        extract.parts_.push_back(
            {{}, t.sampleOffset + std::uint64_t{from} * 2, std::uint64_t{to - from} * 2});
    }
    extract.parts_.push_back({std::move(back), 0, 0});
    for (SoundFontExtract::Part& part : extract.parts_) {
        if (!part.bytes.empty()) {
            part.length = part.bytes.size();
        }
        extract.size_ += part.length;
    }
    return extract;
}

bool SoundFontExtract::Read(std::uint64_t offset, std::span<std::uint8_t> into) const {
    if (offset > size_ || into.size() > size_ - offset) {
        return false;
    }
    std::uint64_t partStart = 0;
    for (const Part& part : parts_) {
        if (into.empty()) {
            break;
        }
        const std::uint64_t partEnd = partStart + part.length;
        if (offset < partEnd) {
            const std::uint64_t within = offset - partStart;
            const auto count =
                static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), partEnd - offset));
            if (part.bytes.empty()) {
                if (!source_->ReadAt(part.sourceOffset + within, into.first(count))) {
                    return false;
                }
            } else {
                std::copy_n(part.bytes.begin() + static_cast<std::ptrdiff_t>(within), count, into.begin());
            }
            into = into.subspan(count);
            offset += count;
        }
        partStart = partEnd;
    }
    return into.empty();
}

} // namespace morrow
