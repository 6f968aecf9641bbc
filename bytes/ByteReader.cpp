// SPDX-License-Identifier: GPL-3.0-or-later
#include "ByteReader.h"

namespace morrow {

ByteReader::ByteReader(std::span<const std::uint8_t> bytes, std::size_t at)
    : bytes_(bytes), at_(at), ok_(at <= bytes.size()) {}

std::uint32_t ByteReader::Next(std::size_t count) {
    if (count > Left()) {
        ok_ = false;
        return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = count; i > 0; --i) {
        value = value << 8 | bytes_[at_ + i - 1];
    }
    at_ += count;
    return value;
}

void ByteReader::Skip(std::size_t count) {
    if (count > Left()) {
        ok_ = false;
        return;
    }
    at_ += count;
}

bool ByteReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
    if (offset > bytes_.size() || into.size() > bytes_.size() - offset) {
        return false;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
    return true;
}

void AppendLittle(std::vector<std::uint8_t>& bytes, std::uint32_t value, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void AppendTag(std::vector<std::uint8_t>& bytes, const char (&tag)[5]) {
    AppendLittle(bytes, FourCc(tag), 4);
}

bool SetLittle(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value, std::size_t count) {
    if (at > bytes.size() || count > bytes.size() - at) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return true;
}

void AppendRiffChunk(std::vector<std::uint8_t>& bytes, const char (&id)[5],
                     std::span<const std::uint8_t> body) {
    AppendTag(bytes, id);
    AppendLittle(bytes, static_cast<std::uint32_t>(body.size()), 4);
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) {
        bytes.push_back(0);
    }
}

} // namespace morrow
