#include "MidiFileReader.h"

#include <algorithm>
#include <map>
#include <utility>

namespace morrow::test {

namespace {

class ByteReader {
public:
    ByteReader(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t end)
        : bytes_(bytes), at_(at), end_(end) {}

    bool AtEnd() const { return at_ >= end_; }
    std::size_t Left() const { return end_ - at_; }
    std::size_t Offset() const { return at_; }
    bool Byte(std::uint8_t& b) {
        if (AtEnd()) {
            return false;
        }
        b = bytes_[at_++];
        return true;
    }
    bool Peek(std::uint8_t& b) const {
        if (AtEnd()) {
            return false;
        }
        b = bytes_[at_];
        return true;
    }
    bool Skip(std::size_t n) {
        if (n > Left()) {
            return false;
        }
        at_ += n;
        return true;
    }
    bool Big(int width, std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < width; ++i) {
            std::uint8_t b = 0;
            if (!Byte(b)) {
                return false;
            }
            value = value << 8 | b;
        }
        return true;
    }
    // A variable-length quantity: at most four bytes of seven bits.
    bool Vlq(std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b = 0;
            if (!Byte(b)) {
                return false;
            }
            value = value << 7 | (b & 0x7Fu);
            if (!(b & 0x80)) {
                return true;
            }
        }
        return false;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_;
    std::size_t end_;
};

bool Fail(std::string& error, std::string message) {
    error = std::move(message);
    return false;
}

bool ReadTrack(ByteReader in, int track, MidiFile& file, std::string& error) {
    const std::string where = "track " + std::to_string(track) + ": ";
    std::uint64_t tick = 0;
    std::uint8_t status = 0;
    std::map<std::pair<int, int>, std::vector<std::uint64_t>> sounding; // (channel, pitch) -> starts
    while (!in.AtEnd()) {
        std::uint32_t delta = 0;
        std::uint8_t lead = 0;
        if (!in.Vlq(delta) || !in.Peek(lead)) {
            return Fail(error, where + "cut off in a delta-time");
        }
        tick += delta;
        if (lead == 0xFF) {
            std::uint8_t type = 0;
            std::uint32_t length = 0;
            in.Skip(1);
            if (!in.Byte(type) || !in.Vlq(length) || length > in.Left()) {
                return Fail(error, where + "cut off in a meta event");
            }
            if (type == 0x51) {
                std::uint32_t micros = 0;
                if (length != 3 || !in.Big(3, micros) || micros == 0) {
                    return Fail(error, where + "bad tempo event");
                }
                file.tempoMap.push_back({tick, micros});
            } else if (type == 0x2F) {
                if (length != 0 || !in.AtEnd()) {
                    return Fail(error, where + "events after End of Track");
                }
                file.trackEnds.push_back(tick);
                for (const auto& [key, starts] : sounding) {
                    file.unreleasedNotes += static_cast<int>(starts.size());
                }
                return true;
            } else {
                in.Skip(length);
            }
            status = 0; // meta and sysex events cancel running status
            continue;
        }
        if (lead == 0xF0 || lead == 0xF7) {
            std::uint32_t length = 0;
            in.Skip(1);
            if (!in.Vlq(length) || !in.Skip(length)) {
                return Fail(error, where + "cut off in a system exclusive event");
            }
            status = 0;
            continue;
        }
        if (lead >= 0xF0) {
            return Fail(error, where + "system message inside a track");
        }
        if (lead & 0x80) {
            status = lead;
            in.Skip(1);
        } else if (status == 0) {
            return Fail(error, where + "data byte without a status (running status not set)");
        }
        const int kind = status & 0xF0;
        const int channel = status & 0x0F;
        std::uint8_t data[2] = {0, 0};
        const int count = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        for (int i = 0; i < count; ++i) {
            if (!in.Byte(data[i]) || (data[i] & 0x80)) {
                return Fail(error, where + "bad data byte in a channel message");
            }
        }
        const bool noteOn = kind == 0x90 && data[1] > 0;
        const bool noteOff = kind == 0x80 || (kind == 0x90 && data[1] == 0);
        auto& starts = sounding[{channel, data[0]}];
        if (noteOn) {
            starts.push_back(tick);
        } else if (noteOff && !starts.empty()) {
            file.notes.push_back({channel, data[0], starts.front(), tick});
            starts.erase(starts.begin());
        }
    }
    return Fail(error, where + "no End of Track");
}

} // namespace

std::uint64_t MidiFile::EndTick() const {
    return trackEnds.empty() ? 0 : *std::max_element(trackEnds.begin(), trackEnds.end());
}

double MidiFile::Seconds(std::uint64_t tick) const {
    double seconds = 0;
    std::uint64_t from = 0;
    std::uint32_t micros = 500000; // 120 beats a minute until told otherwise
    for (const TempoChange& change : tempoMap) {
        if (change.tick >= tick) {
            break;
        }
        seconds += static_cast<double>(change.tick - from) * micros / ticksPerQuarter / 1e6;
        from = change.tick;
        micros = change.microsPerQuarter;
    }
    return seconds + static_cast<double>(tick - from) * micros / ticksPerQuarter / 1e6;
}

std::set<int> MidiFile::Channels() const {
    std::set<int> channels;
    for (const MidiNote& note : notes) {
        channels.insert(note.channel);
    }
    return channels;
}

bool ReadMidiFile(const std::vector<std::uint8_t>& bytes, MidiFile& file, std::string& error) {
    file = MidiFile{};
    ByteReader header(bytes, 0, bytes.size());
    std::uint32_t tag = 0, length = 0, format = 0, tracks = 0, division = 0;
    if (!header.Big(4, tag) || tag != 0x4D546864 /* MThd */ || !header.Big(4, length) || length < 6 ||
        !header.Big(2, format) || !header.Big(2, tracks) || !header.Big(2, division) ||
        !header.Skip(length - 6)) {
        return Fail(error, "no MIDI header");
    }
    if (format > 2 || tracks == 0 || (format == 0 && tracks != 1)) {
        return Fail(error, "bad format or track count");
    }
    if (division == 0 || (division & 0x8000)) {
        return Fail(error, "division is not in ticks per quarter note");
    }
    file.format = static_cast<int>(format);
    file.trackCount = static_cast<int>(tracks);
    file.ticksPerQuarter = static_cast<int>(division);
    std::size_t at = header.Offset();
    for (std::uint32_t t = 0; t < tracks; ++t) {
        ByteReader chunk(bytes, at, bytes.size());
        if (!chunk.Big(4, tag) || tag != 0x4D54726B /* MTrk */ || !chunk.Big(4, length) ||
            length > chunk.Left()) {
            return Fail(error, "track " + std::to_string(t) + " is missing or cut short");
        }
        const std::size_t start = chunk.Offset();
        if (!ReadTrack(ByteReader(bytes, start, start + length), static_cast<int>(t), file, error)) {
            return false;
        }
        at = start + length;
    }
    std::stable_sort(file.tempoMap.begin(), file.tempoMap.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    return true;
}

} // namespace morrow::test
