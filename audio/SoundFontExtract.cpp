#include "SoundFontExtract.h"

#include <fluidsynth.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace morrow {

namespace {

// Generators that shape a zone.
constexpr std::uint16_t kKeyRange = 43;
constexpr std::uint16_t kVelocityRange = 44;
constexpr std::uint16_t kInstrument = 41;
constexpr std::uint16_t kSampleId = 53;

// Sample types.
constexpr std::uint16_t kMonoSample = 0x0001;
constexpr std::uint16_t kPairedSamples = 0x0002 | 0x0004 | 0x0008; // right, left, linked
constexpr std::uint16_t kCompressedSample = 0x0010;
constexpr std::uint16_t kRomSample = 0x8000;

// Zero sample points that follow every sample in the file; the synthesiser
// reads a little past a sample's end when it interpolates.
constexpr std::uint32_t kSampleGuard = 46;
// The synthesiser plays no sample shorter than this.
constexpr std::uint32_t kShortestSample = 4;

constexpr std::size_t kPresetRecord = 38;
constexpr std::size_t kPresetBagAt = 24;
constexpr std::size_t kBagRecord = 4;
constexpr std::size_t kModulatorRecord = 10;
constexpr std::size_t kGeneratorRecord = 4;
constexpr std::size_t kInstrumentRecord = 22;
constexpr std::size_t kInstrumentBagAt = 20;
constexpr std::size_t kSampleRecord = 46;

std::uint32_t FourCc(const char (&text)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])) << 24;
}

std::uint32_t Little(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = count; i > 0; --i) {
        value = (value << 8) | bytes[at + i - 1];
    }
    return value;
}

void PutLittle(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void SetLittle(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

} // namespace

// The source file, open for as long as an index or an extract needs it.
struct SoundFontExtract::Source {
    explicit Source(int descriptor) : fd(descriptor) {}
    ~Source() { ::close(fd); }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
        while (!into.empty()) {
            const ssize_t got = ::pread(fd, into.data(), into.size(), static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            into = into.subspan(static_cast<std::size_t>(got));
            offset += static_cast<std::uint64_t>(got);
        }
        return true;
    }

    const int fd;
};

namespace {

struct Bag {
    std::uint16_t generator = 0;
    std::uint16_t modulator = 0;
};

struct Generator {
    std::uint16_t oper = 0;
    std::uint16_t amount = 0;
    int Low() const { return amount & 0xFF; }
    int High() const { return amount >> 8; }
};

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

// One level of the tables: presets or instruments, each a run of zones
// (bags), each zone a run of generators and modulators.
struct Level {
    std::vector<std::vector<std::uint8_t>> headers; // without the closing record
    std::vector<std::uint16_t> firstBag;            // one more than headers
    std::vector<Bag> bags;                          // with the closing record
    std::vector<Generator> generators;
    std::vector<std::array<std::uint8_t, kModulatorRecord>> modulators;

    std::span<const Generator> GeneratorsOf(std::size_t bag) const {
        return std::span(generators)
            .subspan(bags[bag].generator,
                     static_cast<std::size_t>(bags[bag + 1].generator - bags[bag].generator));
    }

    // Whether every index points inside its table and runs forward.
    bool HoldsTogether(std::size_t targets, std::uint16_t targetOper) const {
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
};

// A sample header with its points in the source's sample data. Loop points
// are kept the way the synthesiser repairs unusable ones: a loop start
// outside the sample or not before the loop end becomes the sample's start,
// a loop end past the data or not after the loop start its end.
struct Sample {
    std::array<std::uint8_t, kSampleRecord> header{};
    std::uint32_t start = 0;
    std::uint32_t end = 0; // the first point after the sample
    std::uint32_t loopStart = 0;
    std::uint32_t loopEnd = 0;
    std::uint16_t link = 0;
    std::uint16_t type = 0;
};

// The zones of one level kept for an extract, in their order, and the
// tables written for them.
struct LevelOut {
    std::vector<std::uint8_t> headers, bags, generators, modulators;
    std::uint32_t bagCount = 0, generatorCount = 0, modulatorCount = 0;

    void AddZone(const Level& level, std::size_t bag, std::uint16_t targetOper,
                 const std::map<std::uint16_t, std::uint16_t>& renumber) {
        PutLittle(bags, generatorCount, 2);
        PutLittle(bags, modulatorCount, 2);
        ++bagCount;
        const std::span<const Generator> all = level.GeneratorsOf(bag);
        for (const Generator& generator : all.first(ShapeOf(all, targetOper).generatorCount)) {
            const std::uint16_t amount =
                generator.oper == targetOper ? renumber.at(generator.amount) : generator.amount;
            PutLittle(generators, generator.oper, 2);
            PutLittle(generators, amount, 2);
            ++generatorCount;
        }
        for (std::uint16_t m = level.bags[bag].modulator; m < level.bags[bag + 1].modulator; ++m) {
            modulators.insert(modulators.end(), level.modulators[m].begin(), level.modulators[m].end());
            ++modulatorCount;
        }
    }
    void AddHeader(std::vector<std::uint8_t> header, std::size_t bagAt) {
        SetLittle(header, bagAt, bagCount, 2);
        headers.insert(headers.end(), header.begin(), header.end());
    }
    // The closing records every table ends with.
    void Close(std::size_t headerSize, std::size_t bagAt, const char* name) {
        std::vector<std::uint8_t> last(headerSize, 0);
        std::memcpy(last.data(), name, std::strlen(name));
        AddHeader(std::move(last), bagAt);
        PutLittle(bags, generatorCount, 2);
        PutLittle(bags, modulatorCount, 2);
        generators.resize(generators.size() + kGeneratorRecord, 0);
        modulators.resize(modulators.size() + kModulatorRecord, 0);
    }
};

void PutChunk(std::vector<std::uint8_t>& out, const char (&id)[5], const std::vector<std::uint8_t>& body) {
    PutLittle(out, FourCc(id), 4);
    PutLittle(out, static_cast<std::uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) {
        out.push_back(0);
    }
}

} // namespace

struct SoundFontIndex::Tables {
    std::shared_ptr<const SoundFontExtract::Source> source;
    std::vector<std::uint8_t> info; // the INFO list's chunks
    std::uint64_t sampleOffset = 0; // of the first sample point in the file
    std::uint32_t samplePoints = 0;
    Level presets;
    Level instruments;
    std::vector<Sample> samples; // without the closing record
    std::multimap<PresetNumber, std::size_t> presetByNumber;
};

std::optional<SoundFontIndex> SoundFontIndex::Read(const std::string& path, std::string* whyNot) {
    const auto refuse = [whyNot](const char* reason) {
        if (whyNot != nullptr) {
            *whyNot = reason;
        }
        return std::nullopt;
    };
    // Opened without waiting, in case the name is a pipe or a device.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return refuse("the file cannot be opened");
    }
    auto tables = std::make_shared<Tables>();
    tables->source = std::make_shared<const SoundFontExtract::Source>(fd);
    const SoundFontExtract::Source& file = *tables->source;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        return refuse("not a plain file");
    }
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);
    std::array<std::uint8_t, 12> head{};
    if (!file.ReadAt(0, head) || Little(head, 0, 4) != FourCc("RIFF") ||
        Little(head, 8, 4) != FourCc("sfbk")) {
        return refuse("not a SoundFont 2 file");
    }
    const std::uint64_t riffEnd = std::min<std::uint64_t>(fileSize, 8 + std::uint64_t{Little(head, 4, 4)});

    std::map<std::uint32_t, std::vector<std::uint8_t>> hydra;
    bool haveSamples = false;
    bool haveInfo = false;
    const auto forEachChunk = [&](std::uint64_t from, std::uint64_t to, auto&& visit) {
        std::array<std::uint8_t, 12> chunk{};
        for (std::uint64_t at = from; at + 8 <= to;) {
            if (!file.ReadAt(at, std::span(chunk).first(std::min<std::uint64_t>(12, to - at)))) {
                return false;
            }
            const std::uint64_t length = Little(chunk, 4, 4);
            if (length > to - at - 8) {
                return false;
            }
            if (!visit(Little(chunk, 0, 4), at + 8, length, to - at >= 12 ? Little(chunk, 8, 4) : 0)) {
                return false;
            }
            at += 8 + length + (length % 2);
        }
        return true;
    };
    const bool readable = forEachChunk(
        12, riffEnd, [&](std::uint32_t id, std::uint64_t body, std::uint64_t length, std::uint32_t listType) {
            if (id != FourCc("LIST") || length < 4) {
                return true;
            }
            if (listType == FourCc("INFO")) {
                tables->info.resize(length - 4);
                haveInfo = true;
                return file.ReadAt(body + 4, tables->info);
            }
            if (listType == FourCc("sdta")) {
                return forEachChunk(
                    body + 4, body + length,
                    [&](std::uint32_t sub, std::uint64_t subBody, std::uint64_t subLength, std::uint32_t) {
                        if (sub == FourCc("smpl")) {
                            tables->sampleOffset = subBody;
                            tables->samplePoints = static_cast<std::uint32_t>(subLength / 2);
                            haveSamples = true;
                        }
                        return sub != FourCc("sm24"); // 24-bit samples: not carried
                    });
            }
            if (listType == FourCc("pdta")) {
                return forEachChunk(
                    body + 4, body + length,
                    [&](std::uint32_t sub, std::uint64_t subBody, std::uint64_t subLength, std::uint32_t) {
                        std::vector<std::uint8_t>& bytes = hydra[sub];
                        bytes.resize(subLength);
                        return file.ReadAt(subBody, bytes);
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

    const auto records = [&hydra](const char(&id)[5], std::size_t size) -> const std::vector<std::uint8_t>* {
        const auto found = hydra.find(FourCc(id));
        if (found == hydra.end() || found->second.size() % size != 0 || found->second.size() < size) {
            return nullptr;
        }
        return &found->second;
    };
    const std::vector<std::uint8_t>* phdr = records("phdr", kPresetRecord);
    const std::vector<std::uint8_t>* pbag = records("pbag", kBagRecord);
    const std::vector<std::uint8_t>* pmod = records("pmod", kModulatorRecord);
    const std::vector<std::uint8_t>* pgen = records("pgen", kGeneratorRecord);
    const std::vector<std::uint8_t>* inst = records("inst", kInstrumentRecord);
    const std::vector<std::uint8_t>* ibag = records("ibag", kBagRecord);
    const std::vector<std::uint8_t>* imod = records("imod", kModulatorRecord);
    const std::vector<std::uint8_t>* igen = records("igen", kGeneratorRecord);
    const std::vector<std::uint8_t>* shdr = records("shdr", kSampleRecord);
    if (!phdr || !pbag || !pmod || !pgen || !inst || !ibag || !imod || !igen || !shdr) {
        return refuse("its preset tables are missing or broken");
    }

    const auto readLevel = [](Level& level, const std::vector<std::uint8_t>& headers, std::size_t headerSize,
                              std::size_t bagAt, const std::vector<std::uint8_t>& bags,
                              const std::vector<std::uint8_t>& modulators,
                              const std::vector<std::uint8_t>& generators) {
        const std::size_t count = headers.size() / headerSize;
        for (std::size_t i = 0; i < count; ++i) {
            const auto* record = headers.data() + i * headerSize;
            if (i + 1 < count) {
                level.headers.emplace_back(record, record + headerSize);
            }
            level.firstBag.push_back(static_cast<std::uint16_t>(Little(headers, i * headerSize + bagAt, 2)));
        }
        for (std::size_t at = 0; at < bags.size(); at += kBagRecord) {
            level.bags.push_back({static_cast<std::uint16_t>(Little(bags, at, 2)),
                                  static_cast<std::uint16_t>(Little(bags, at + 2, 2))});
        }
        for (std::size_t at = 0; at < generators.size(); at += kGeneratorRecord) {
            level.generators.push_back({static_cast<std::uint16_t>(Little(generators, at, 2)),
                                        static_cast<std::uint16_t>(Little(generators, at + 2, 2))});
        }
        for (std::size_t at = 0; at < modulators.size(); at += kModulatorRecord) {
            std::array<std::uint8_t, kModulatorRecord> modulator{};
            std::copy_n(modulators.begin() + static_cast<std::ptrdiff_t>(at), kModulatorRecord,
                        modulator.begin());
            level.modulators.push_back(modulator);
        }
    };
    readLevel(tables->presets, *phdr, kPresetRecord, kPresetBagAt, *pbag, *pmod, *pgen);
    readLevel(tables->instruments, *inst, kInstrumentRecord, kInstrumentBagAt, *ibag, *imod, *igen);

    const std::size_t sampleCount = shdr->size() / kSampleRecord - 1;
    const std::uint32_t points = tables->samplePoints;
    for (std::size_t i = 0; i < sampleCount; ++i) {
        Sample sample;
        std::copy_n(shdr->begin() + static_cast<std::ptrdiff_t>(i * kSampleRecord), kSampleRecord,
                    sample.header.begin());
        sample.start = Little(sample.header, 20, 4);
        sample.end = Little(sample.header, 24, 4);
        const std::uint32_t loopStart = Little(sample.header, 28, 4);
        const std::uint32_t loopEnd = Little(sample.header, 32, 4);
        sample.link = static_cast<std::uint16_t>(Little(sample.header, 42, 2));
        sample.type = static_cast<std::uint16_t>(Little(sample.header, 44, 2));
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
    if (!tables->presets.HoldsTogether(tables->instruments.headers.size(), kInstrument) ||
        !tables->instruments.HoldsTogether(sampleCount, kSampleId)) {
        return refuse("its preset tables do not hold together");
    }
    for (std::size_t i = 0; i < tables->presets.headers.size(); ++i) {
        const std::vector<std::uint8_t>& header = tables->presets.headers[i];
        tables->presetByNumber.insert(
            {{static_cast<int>(Little(header, 22, 2)), static_cast<int>(Little(header, 20, 2))}, i});
    }

    SoundFontIndex index;
    index.path_ = path;
    index.tables_ = std::move(tables);
    return index;
}

SoundFontExtract SoundFontIndex::Extract(const PieceInstruments& instruments) const {
    const Tables& t = *tables_;

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
    LevelOut presetsOut;
    for (const auto& [preset, zones] : keptPresets) {
        presetsOut.AddHeader(t.presets.headers[preset], kPresetBagAt);
        for (std::size_t bag : zones) {
            presetsOut.AddZone(t.presets, bag, kInstrument, instrumentNumber);
        }
    }
    presetsOut.Close(kPresetRecord, kPresetBagAt, "EOP");
    LevelOut instrumentsOut;
    for (const auto& [instrument, zones] : keptInstruments) {
        instrumentsOut.AddHeader(t.instruments.headers[instrument], kInstrumentBagAt);
        for (std::size_t bag : zones) {
            instrumentsOut.AddZone(t.instruments, bag, kSampleId, sampleNumber);
        }
    }
    instrumentsOut.Close(kInstrumentRecord, kInstrumentBagAt, "EOI");
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
    PutLittle(pdta, FourCc("pdta"), 4);
    PutChunk(pdta, "phdr", presetsOut.headers);
    PutChunk(pdta, "pbag", presetsOut.bags);
    PutChunk(pdta, "pmod", presetsOut.modulators);
    PutChunk(pdta, "pgen", presetsOut.generators);
    PutChunk(pdta, "inst", instrumentsOut.headers);
    PutChunk(pdta, "ibag", instrumentsOut.bags);
    PutChunk(pdta, "imod", instrumentsOut.modulators);
    PutChunk(pdta, "igen", instrumentsOut.generators);
    PutChunk(pdta, "shdr", sampleHeaders);

    // RIFF sfbk: the INFO list, the sdta list whose sample data is read from
    // the source, the pdta list.
    const std::uint64_t sampleBytes = std::uint64_t{points} * 2;
    std::vector<std::uint8_t> front;
    PutLittle(front, FourCc("RIFF"), 4);
    PutLittle(front, 0, 4); // the size, once known
    PutLittle(front, FourCc("sfbk"), 4);
    std::vector<std::uint8_t> info;
    PutLittle(info, FourCc("INFO"), 4);
    info.insert(info.end(), t.info.begin(), t.info.end());
    PutChunk(front, "LIST", info);
    PutLittle(front, FourCc("LIST"), 4);
    PutLittle(front, static_cast<std::uint32_t>(4 + 8 + sampleBytes), 4);
    PutLittle(front, FourCc("sdta"), 4);
    PutLittle(front, FourCc("smpl"), 4);
    PutLittle(front, static_cast<std::uint32_t>(sampleBytes), 4);
    std::vector<std::uint8_t> back;
    PutChunk(back, "LIST", pdta);
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

// ---- Loading through the synthesiser's file callbacks ---------------------

namespace {

constexpr const char* kExtractPrefix = "morrow-extract:";

// Extracts being loaded, by the name handed to the synthesiser. The file
// callbacks carry no data of their own, so the name finds the extract.
std::mutex gExtractsMutex;
std::map<std::string, const SoundFontExtract*> gExtracts;
std::atomic<std::uint64_t> gExtractCount{0};

struct OpenExtract {
    const SoundFontExtract* extract;
    std::uint64_t at = 0;
};

void* OpenCallback(const char* name) {
    const std::lock_guard lock(gExtractsMutex);
    const auto found = gExtracts.find(name);
    if (found == gExtracts.end()) {
        return nullptr; // not ours: the synthesiser's own loader reads real files
    }
    return new OpenExtract{found->second, 0};
}

int ReadCallback(void* into, fluid_long_long_t count, void* handle) {
    auto& open = *static_cast<OpenExtract*>(handle);
    if (count < 0) {
        return FLUID_FAILED;
    }
    const std::span bytes(static_cast<std::uint8_t*>(into), static_cast<std::size_t>(count));
    if (!open.extract->Read(open.at, bytes)) {
        return FLUID_FAILED;
    }
    open.at += bytes.size();
    return FLUID_OK;
}

int SeekCallback(void* handle, fluid_long_long_t offset, int origin) {
    auto& open = *static_cast<OpenExtract*>(handle);
    const auto size = static_cast<fluid_long_long_t>(open.extract->Size());
    fluid_long_long_t base = 0;
    if (origin == SEEK_CUR) {
        base = static_cast<fluid_long_long_t>(open.at);
    } else if (origin == SEEK_END) {
        base = size;
    } else if (origin != SEEK_SET) {
        return FLUID_FAILED;
    }
    if (offset < -base || offset > size - base) {
        return FLUID_FAILED;
    }
    open.at = static_cast<std::uint64_t>(base + offset);
    return FLUID_OK;
}

fluid_long_long_t TellCallback(void* handle) {
    return static_cast<fluid_long_long_t>(static_cast<OpenExtract*>(handle)->at);
}

int CloseCallback(void* handle) {
    delete static_cast<OpenExtract*>(handle);
    return FLUID_OK;
}

} // namespace

void InstallExtractLoader(fluid_synth_t* synth, fluid_settings_t* settings) {
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    fluid_sfloader_set_callbacks(loader, &OpenCallback, &ReadCallback, &SeekCallback, &TellCallback,
                                 &CloseCallback);
    // Tried before the synthesiser's own loader; the synthesiser owns it.
    fluid_synth_add_sfloader(synth, loader);
}

int LoadExtract(fluid_synth_t* synth, const SoundFontExtract& extract) {
    // A name of its own for every load: the synthesiser shares loaded sample
    // data between SoundFonts of the same file name.
    const std::string name = kExtractPrefix + std::to_string(++gExtractCount);
    {
        const std::lock_guard lock(gExtractsMutex);
        gExtracts[name] = &extract;
    }
    const int id = fluid_synth_sfload(synth, name.c_str(), 1);
    const std::lock_guard lock(gExtractsMutex);
    gExtracts.erase(name);
    return id;
}

} // namespace morrow
