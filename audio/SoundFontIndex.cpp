// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the tables of an SF2 SoundFont.
#include "SoundFontIndex.h"

#include "ByteReader.h"
#include "SoundFontTables.h"

#include <algorithm>
#include <map>

namespace morrow {

using namespace soundfont;

namespace {

// The synthesiser plays no sample shorter than this.
constexpr std::uint32_t kShortestSample = 4;

// Reads one level's tables, each already a whole number of records.
void ReadLevel(Level& level, std::span<const std::uint8_t> headers, HeaderRecord record,
               std::span<const std::uint8_t> bags, std::span<const std::uint8_t> modulators,
               std::span<const std::uint8_t> generators) {
    const std::size_t count = headers.size() / record.size;
    for (std::size_t i = 0; i < count; ++i) {
        const std::span<const std::uint8_t> header = headers.subspan(i * record.size, record.size);
        if (i + 1 < count) {
            level.headers.emplace_back(header.begin(), header.end());
        }
        level.firstBag.push_back(ByteReader(header, record.bagAt).U16());
    }
    for (ByteReader in(bags); in.Left() > 0;) {
        level.bags.push_back({in.U16(), in.U16()});
    }
    for (ByteReader in(generators); in.Left() > 0;) {
        level.generators.push_back({in.U16(), in.U16()});
    }
    for (std::size_t at = 0; at < modulators.size(); at += kModulatorRecord) {
        std::array<std::uint8_t, kModulatorRecord> modulator{};
        std::copy_n(modulators.begin() + static_cast<std::ptrdiff_t>(at), kModulatorRecord,
                    modulator.begin());
        level.modulators.push_back(modulator);
    }
}

// Whether every index of a level points inside its table and runs forward.
bool HoldsTogether(const Level& level, std::size_t targets, std::uint16_t targetOper) {
    const auto& [headers, firstBag, bags, generators, modulators] = level;
    if (firstBag.size() != headers.size() + 1 || bags.empty() || firstBag.back() >= bags.size()) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < firstBag.size(); ++i) {
        if (firstBag[i] > firstBag[i + 1]) {
            return false;
        }
    }
    for (std::size_t b = 0; b + 1 < bags.size(); ++b) {
        if (bags[b].generator > bags[b + 1].generator || bags[b].modulator > bags[b + 1].modulator) {
            return false;
        }
    }
    if (bags.back().generator > generators.size() || bags.back().modulator > modulators.size()) {
        return false;
    }
    return std::none_of(generators.begin(), generators.end(), [&](const Generator& generator) {
        return generator.oper == targetOper && generator.amount >= targets;
    });
}

} // namespace

std::optional<SoundFontIndex> SoundFontIndex::Read(const std::string& path, std::string* whyNot) {
    const auto refuse = [whyNot](const char* reason) {
        if (whyNot != nullptr) {
            *whyNot = reason;
        }
        return std::nullopt;
    };
    FileReadError error{};
    std::optional<PlainFile> opened = PlainFile::Open(path, error);
    if (!opened) {
        return refuse(error == FileReadError::NotFound ? "the file cannot be opened" : "not a plain file");
    }
    auto tables = std::make_shared<Tables>();
    tables->source = std::make_shared<const PlainFile>(std::move(*opened));
    const PlainFile& file = *tables->source;
    const std::optional<RiffChunk> riff = ReadRiffChunk(file, 0, file.Size());
    if (!riff || riff->id != FourCc("RIFF") || riff->form != FourCc("sfbk")) {
        return refuse("not a SoundFont 2 file");
    }

    std::map<std::uint32_t, std::vector<std::uint8_t>> hydra;
    bool haveSamples = false;
    bool haveInfo = false;
    // The chunks of a list, each of them whole.
    const auto forEachChunk = [&file](std::uint64_t from, std::uint64_t to, auto&& visit) {
        return ForEachRiffChunk(file, from, to,
                                [&](const RiffChunk& chunk) { return chunk.Whole() && visit(chunk); });
    };
    const bool readable = forEachChunk(12, riff->body + riff->held, [&](const RiffChunk& list) {
        if (list.id != FourCc("LIST") || list.length < 4) {
            return true;
        }
        if (list.form == FourCc("INFO")) {
            tables->info.resize(list.length - 4);
            haveInfo = true;
            return file.ReadAt(list.body + 4, tables->info);
        }
        if (list.form == FourCc("sdta")) {
            return forEachChunk(list.body + 4, list.body + list.length, [&](const RiffChunk& chunk) {
                if (chunk.id == FourCc("smpl")) {
                    tables->sampleOffset = chunk.body;
                    tables->samplePoints = chunk.length / 2;
                    haveSamples = true;
                }
                return chunk.id != FourCc("sm24"); // 24-bit samples: not carried
            });
        }
        if (list.form == FourCc("pdta")) {
            return forEachChunk(list.body + 4, list.body + list.length, [&](const RiffChunk& chunk) {
                std::vector<std::uint8_t>& bytes = hydra[chunk.id];
                bytes.resize(chunk.length);
                return file.ReadAt(chunk.body, bytes);
            });
        }
        return true;
    });
    if (!readable) {
        return refuse("its chunks cannot be read, or it has 24-bit samples");
    }
    if (!haveInfo || !haveSamples) {
        return refuse("it has no information or no sample data");
    }

    // A table of whole records, at least its closing one.
    const auto records = [&hydra](const char(&id)[5], std::size_t size) -> std::span<const std::uint8_t> {
        const auto found = hydra.find(FourCc(id));
        if (found == hydra.end() || found->second.size() % size != 0 || found->second.size() < size) {
            return {};
        }
        return found->second;
    };
    const std::span<const std::uint8_t> phdr = records("phdr", kPresetRecord.size);
    const std::span<const std::uint8_t> pbag = records("pbag", kBagRecord);
    const std::span<const std::uint8_t> pmod = records("pmod", kModulatorRecord);
    const std::span<const std::uint8_t> pgen = records("pgen", kGeneratorRecord);
    const std::span<const std::uint8_t> inst = records("inst", kInstrumentRecord.size);
    const std::span<const std::uint8_t> ibag = records("ibag", kBagRecord);
    const std::span<const std::uint8_t> imod = records("imod", kModulatorRecord);
    const std::span<const std::uint8_t> igen = records("igen", kGeneratorRecord);
    const std::span<const std::uint8_t> shdr = records("shdr", kSampleRecord);
    if (phdr.empty() || pbag.empty() || pmod.empty() || pgen.empty() || inst.empty() || ibag.empty() ||
        imod.empty() || igen.empty() || shdr.empty()) {
        return refuse("its preset tables are missing or broken");
    }
    ReadLevel(tables->presets, phdr, kPresetRecord, pbag, pmod, pgen);
    ReadLevel(tables->instruments, inst, kInstrumentRecord, ibag, imod, igen);

    const std::size_t sampleCount = shdr.size() / kSampleRecord - 1;
    const std::uint32_t points = tables->samplePoints;
    for (std::size_t i = 0; i < sampleCount; ++i) {
        Sample sample;
        std::copy_n(shdr.begin() + static_cast<std::ptrdiff_t>(i * kSampleRecord), kSampleRecord,
                    sample.header.begin());
        ByteReader in(sample.header, 20);
        sample.start = in.U32();
        sample.end = in.U32();
        const std::uint32_t loopStart = in.U32();
        const std::uint32_t loopEnd = in.U32();
        in.Skip(6); // the sample rate, the original key and the pitch correction
        sample.link = in.U16();
        sample.type = in.U16();
        // The synthesiser would silence such samples; an extract would have
        // to rebuild that, so the font is played whole instead.
        if ((sample.type & (kRomSample | kCompressedSample)) != 0 || sample.end > points ||
            sample.end < kShortestSample || sample.start > sample.end - kShortestSample) {
            return refuse("it has samples outside its sample data, too short, in ROM or compressed");
        }
        // A loop begun before the sample begins where the sample does; one
        // ended past the sample data ends where the sample does. A loop that
        // is then empty or backwards (also one wholly before the sample)
        // loops the whole sample.
        const std::uint32_t loopFrom = std::max(loopStart, sample.start);
        const std::uint32_t loopTo = loopEnd > points ? sample.end : loopEnd;
        const bool loopBroken = loopFrom >= loopTo;
        sample.loopStart = loopBroken ? sample.start : loopFrom;
        sample.loopEnd = loopBroken ? sample.end : loopTo;
        tables->samples.push_back(sample);
    }
    if (!HoldsTogether(tables->presets, tables->instruments.headers.size(), kInstrument) ||
        !HoldsTogether(tables->instruments, sampleCount, kSampleId)) {
        return refuse("its preset tables do not hold together");
    }
    for (std::size_t i = 0; i < tables->presets.headers.size(); ++i) {
        ByteReader in(tables->presets.headers[i], 20);
        const int program = in.U16();
        const int bank = in.U16();
        tables->presetByNumber.insert({{bank, program}, i});
    }

    SoundFontIndex index;
    index.path_ = path;
    index.tables_ = std::move(tables);
    return index;
}

} // namespace morrow
