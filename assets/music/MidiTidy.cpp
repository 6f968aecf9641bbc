// morrow-miditidy: ends the tempo track of a built piece where its music ends.
//
// abc2midi writes the tempo changes of a piece into the first track of a
// format 1 file, and when the tempo changes after the start it puts that
// track's End of Track past the last note, by as much as a whole section.
// A MIDI player takes the longest track as the length of the piece, so the
// piece would end in seconds of silence and the next piece of the rotation
// would start that much later. This tool moves the first track's End of Track
// back to the end of the longest other track (never before the first track's
// own last event) and leaves every other byte as it was.
//
// Usage: morrow-miditidy <piece.mid>     rewrites the file in place
// Exit status 0 on success, 1 with a message on a file it cannot read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace morrow {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Where one track chunk and its End of Track lie in the file.
struct TrackSpan {
    std::size_t lengthAt = 0;        // offset of the chunk's 4-byte length
    std::size_t dataEnd = 0;         // one past the chunk's last byte
    std::size_t endEventAt = 0;      // offset of the End of Track's delta-time
    std::uint64_t lastEventTick = 0; // the last event before End of Track
    std::uint64_t endTick = 0;
};

class MidiScanner {
public:
    explicit MidiScanner(const Bytes& bytes) : bytes_(bytes) {}

    // Reads the header and every track; false with error() set on a file
    // that is not a well-formed Standard MIDI File.
    bool Scan() {
        if (!Expect("MThd", 0) || ReadU32(4) != 6) {
            return Fail("no MIDI header");
        }
        format_ = ReadU16(8);
        const unsigned trackCount = ReadU16(10);
        std::size_t at = 14;
        for (unsigned i = 0; i < trackCount; ++i) {
            if (!Expect("MTrk", at)) {
                return Fail("track " + std::to_string(i) + " is missing");
            }
            TrackSpan span;
            span.lengthAt = at + 4;
            const std::size_t dataStart = at + 8;
            span.dataEnd = dataStart + ReadU32(span.lengthAt);
            if (span.dataEnd > bytes_.size() || !ScanTrack(dataStart, span)) {
                return Fail(error_.empty() ? "track " + std::to_string(i) + " is cut short" : error_);
            }
            tracks_.push_back(span);
            at = span.dataEnd;
        }
        return true;
    }

    unsigned format() const { return format_; }
    const std::vector<TrackSpan>& tracks() const { return tracks_; }
    const std::string& error() const { return error_; }

private:
    bool ScanTrack(std::size_t at, TrackSpan& span) {
        std::uint64_t tick = 0;
        std::uint8_t status = 0;
        while (at < span.dataEnd) {
            const std::size_t eventAt = at;
            std::uint32_t delta = 0;
            if (!ReadVlq(at, span.dataEnd, delta) || at >= span.dataEnd) {
                return false;
            }
            tick += delta;
            const std::uint8_t lead = bytes_[at];
            if (lead == 0xFF || lead == 0xF0 || lead == 0xF7) {
                const bool meta = lead == 0xFF;
                if (meta && at + 1 >= span.dataEnd) {
                    return false;
                }
                const std::uint8_t type = meta ? bytes_[at + 1] : 0;
                at += meta ? 2 : 1;
                std::uint32_t length = 0;
                if (!ReadVlq(at, span.dataEnd, length) || length > span.dataEnd - at) {
                    return false;
                }
                at += length;
                if (meta && type == 0x2F) {
                    if (at != span.dataEnd) {
                        return Fail("events after End of Track");
                    }
                    span.endEventAt = eventAt;
                    span.endTick = tick;
                    return true;
                }
                status = 0; // running status does not survive a meta or sysex event
            } else {
                if (lead >= 0xF0) {
                    return Fail("a system message inside a track");
                }
                if (lead & 0x80) {
                    status = lead;
                    ++at;
                } else if (status == 0) {
                    return Fail("data byte without a status");
                }
                const unsigned kind = status & 0xF0u;
                const std::size_t dataBytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
                if (dataBytes > span.dataEnd - at) {
                    return false;
                }
                at += dataBytes;
            }
            span.lastEventTick = tick;
        }
        return Fail("a track has no End of Track");
    }

    bool Expect(const char* tag, std::size_t at) const {
        return at + 8 <= bytes_.size() && std::equal(tag, tag + 4, bytes_.begin() + static_cast<long>(at));
    }
    std::uint32_t ReadU32(std::size_t at) const {
        return static_cast<std::uint32_t>(bytes_[at]) << 24 |
               static_cast<std::uint32_t>(bytes_[at + 1]) << 16 |
               static_cast<std::uint32_t>(bytes_[at + 2]) << 8 | bytes_[at + 3];
    }
    unsigned ReadU16(std::size_t at) const { return static_cast<unsigned>(bytes_[at] << 8 | bytes_[at + 1]); }
    bool ReadVlq(std::size_t& at, std::size_t end, std::uint32_t& value) const {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (at >= end) {
                return false;
            }
            const std::uint8_t b = bytes_[at++];
            value = value << 7 | (b & 0x7Fu);
            if (!(b & 0x80)) {
                return true;
            }
        }
        return false;
    }
    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    const Bytes& bytes_;
    unsigned format_ = 0;
    std::vector<TrackSpan> tracks_;
    std::string error_;
};

Bytes EncodeVlq(std::uint64_t value) {
    Bytes out{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0) {
        out.insert(out.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    }
    return out;
}

// Moves the first track's End of Track back to the music's end; true when
// the file needed it.
bool TidyTempoTrackEnd(Bytes& bytes, const MidiScanner& scan) {
    const auto& tracks = scan.tracks();
    if (scan.format() != 1 || tracks.size() < 2) {
        return false;
    }
    std::uint64_t musicEnd = 0;
    for (std::size_t i = 1; i < tracks.size(); ++i) {
        musicEnd = std::max(musicEnd, tracks[i].endTick);
    }
    const TrackSpan& first = tracks.front();
    const std::uint64_t newEnd = std::max(musicEnd, first.lastEventTick);
    if (first.endTick <= newEnd) {
        return false;
    }
    Bytes endEvent = EncodeVlq(newEnd - first.lastEventTick);
    endEvent.insert(endEvent.end(), {0xFF, 0x2F, 0x00});
    bytes.erase(bytes.begin() + static_cast<long>(first.endEventAt),
                bytes.begin() + static_cast<long>(first.dataEnd));
    bytes.insert(bytes.begin() + static_cast<long>(first.endEventAt), endEvent.begin(), endEvent.end());
    const std::size_t length = first.endEventAt + endEvent.size() - (first.lengthAt + 4);
    for (int i = 0; i < 4; ++i) {
        bytes[first.lengthAt + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }
    return true;
}

int Run(const std::string& path) {
    Bytes bytes;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "morrow-miditidy: cannot open %s\n", path.c_str());
            return 1;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    MidiScanner scan(bytes);
    if (!scan.Scan()) {
        std::fprintf(stderr, "morrow-miditidy: %s: %s\n", path.c_str(), scan.error().c_str());
        return 1;
    }
    if (!TidyTempoTrackEnd(bytes, scan)) {
        return 0;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "morrow-miditidy: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

} // namespace
} // namespace morrow

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: morrow-miditidy <piece.mid>\n");
        return 2;
    }
    return morrow::Run(argv[1]);
}
