// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian numbers and RIFF chunks: read with every read checked against the end, and written.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace morrow {

// A four-character code as RIFF files hold it, read as a little-endian number.
constexpr std::uint32_t FourCc(const char (&text)[5]) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(text[i]);
    }
    return value;
}

// Reads little-endian numbers from bytes in memory, on from a cursor. A read
// that would run past the end reads nothing, gives 0 and leaves the reader
// failed for good, so a run of reads is checked once, with Ok(), after it.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t at = 0);

    std::uint16_t U16() { return static_cast<std::uint16_t>(Next(2)); }
    std::uint32_t U32() { return Next(4); }
    std::int32_t I32() { return static_cast<std::int32_t>(Next(4)); }
    void Skip(std::size_t count);

    bool Ok() const { return ok_; }
    std::size_t Left() const { return ok_ ? bytes_.size() - at_ : 0; }

    // Copies the bytes from `offset` on into `into`, as a file is read: false,
    // with nothing copied, when they are not all there. The cursor stays.
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const;

private:
    std::uint32_t Next(std::size_t count);

    std::span<const std::uint8_t> bytes_;
    std::size_t at_;
    bool ok_;
};

// One chunk of a RIFF file (or of a LIST inside one), as its header states it.
struct RiffChunk {
    std::uint32_t id = 0;
    std::uint32_t length = 0; // the length its header states
    std::uint64_t body = 0;   // where its body begins
    std::uint64_t held = 0;   // its length, or less where the file or its list ends sooner
    std::uint32_t form = 0;   // the four bytes after the header (a RIFF's or LIST's type); 0 past the end

    bool Whole() const { return held == length; }
    // Where the chunk after it begins: bodies are padded to an even length.
    std::uint64_t Next() const { return body + held + (held & 1U); }
};

// The chunk whose header begins at `at`, of a file or list that ends at `end`,
// read through `source.ReadAt(offset, into)` (a ByteReader, or a file).
// Nothing when its eight header bytes are not there or cannot be read.
template <typename Source>
std::optional<RiffChunk> ReadRiffChunk(const Source& source, std::uint64_t at, std::uint64_t end) {
    if (at > end || end - at < 8) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 12> head{};
    const std::span<std::uint8_t> got = std::span(head).first(std::min<std::uint64_t>(12, end - at));
    if (!source.ReadAt(at, got)) {
        return std::nullopt;
    }
    ByteReader in(got);
    RiffChunk chunk;
    chunk.id = in.U32();
    chunk.length = in.U32();
    chunk.form = in.U32();
    chunk.body = at + 8;
    chunk.held = std::min<std::uint64_t>(chunk.length, end - chunk.body);
    return chunk;
}

// Visits the chunks that follow one another from `from` up to `end`, until
// `visit(chunk)` says false. Whether every chunk could be read and visited;
// fewer than eight bytes left over at the end are no chunk.
template <typename Source, typename Visit>
bool ForEachRiffChunk(const Source& source, std::uint64_t from, std::uint64_t end, Visit&& visit) {
    for (std::uint64_t at = from; at < end && end - at >= 8;) {
        const std::optional<RiffChunk> chunk = ReadRiffChunk(source, at, end);
        if (!chunk || !visit(*chunk)) {
            return false;
        }
        at = chunk->Next();
    }
    return true;
}

// Writing: `count` bytes (1 to 4) of `value`, least significant first.
void AppendLittle(std::vector<std::uint8_t>& bytes, std::uint32_t value, std::size_t count);
void AppendTag(std::vector<std::uint8_t>& bytes, const char (&tag)[5]);
// Overwrites bytes from `at` on; false, with nothing written, past the end.
bool SetLittle(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value, std::size_t count);
// A chunk with its header, padded to an even length.
void AppendRiffChunk(std::vector<std::uint8_t>& bytes, const char (&id)[5],
                     std::span<const std::uint8_t> body);

} // namespace morrow
