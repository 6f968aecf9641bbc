// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordValue.h"

#include <limits>

namespace morrow {

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

// Digits in `base`, at least one, as a magnitude no larger than `limit`.
std::optional<std::int64_t> ParseMagnitude(std::string_view digits, int base, std::int64_t limit) {
    if (digits.empty()) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    for (const char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    return magnitude;
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0U) == 0x80U;
}

// Length of the valid UTF-8 sequence starting at `at`, or 1 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if (lead >= 0xC2U && lead <= 0xDFU) {
        length = 2;
    } else if (lead >= 0xE0U && lead <= 0xEFU) {
        length = 3;
    } else if (lead >= 0xF0U && lead <= 0xF4U) {
        length = 4;
    }
    if (length == 1 || at + length > text.size()) {
        return 1;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (!IsContinuation(static_cast<unsigned char>(text[at + k]))) {
            return 1;
        }
    }
    return length;
}

} // namespace

std::optional<std::int32_t> ParseRecordInteger(std::string_view text) {
    std::optional<std::int64_t> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        value = ParseMagnitude(text.substr(2), 16, kInt32Max);
    } else if (!text.empty() && text[0] == '$') {
        value = ParseMagnitude(text.substr(1), 16, kInt32Max);
    } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        const bool negative = text[0] == '-';
        value = ParseMagnitude(text.substr(1), 10, negative ? -kInt32Min : kInt32Max);
        if (value && negative) {
            value = -*value;
        }
    } else {
        value = ParseMagnitude(text, 10, kInt32Max);
    }
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*value);
}

std::string_view FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t characters = 0; characters < count && at < text.size(); ++characters) {
        at += SequenceLength(text, at);
    }
    return text.substr(0, at);
}

std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20U || byte == 0x7FU) {
            c = ' ';
        }
    }
    return line;
}

std::string_view UnwrapValue(std::string_view raw) {
    while (!raw.empty() && IsBlank(raw.front())) {
        raw.remove_prefix(1);
    }
    while (!raw.empty() && IsBlank(raw.back())) {
        raw.remove_suffix(1);
    }
    if (raw.size() >= 2 && raw.front() == raw.back() && (raw.front() == '"' || raw.front() == '\'')) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return raw;
}

std::string WrapValue(std::string_view text) {
    if (UnwrapValue(text) == text) {
        return std::string(text);
    }
    std::string wrapped;
    wrapped.reserve(text.size() + 2);
    wrapped += '"';
    wrapped += text;
    wrapped += '"';
    return wrapped;
}

} // namespace morrow
