// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniText.h"

#include <algorithm>

namespace morrow {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

// The section name of a header line, or nothing when the line is no header.
std::optional<std::string_view> HeaderName(std::string_view content) {
    const std::string_view text = TrimBlanks(content);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = text.rfind(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimBlanks(text.substr(1, close - 1));
}

bool IsComment(std::string_view content) {
    const std::string_view text = TrimBlanks(content);
    return !text.empty() && (text.front() == ';' || text.front() == '#');
}

bool IsBlankLine(std::string_view content) {
    return TrimBlanks(content).empty();
}

} // namespace

IniText::IniText(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        byteOrderMark_ = kByteOrderMark;
        text.remove_prefix(kByteOrderMark.size());
    }
    bool newLineKnown = false;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.push_back({std::string(text.substr(start)), ""});
            break;
        }
        const std::size_t endLength =
            (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
        lines_.push_back(
            {std::string(text.substr(start, end - start)), std::string(text.substr(end, endLength))});
        if (!newLineKnown) {
            newLine_ = lines_.back().ending;
            newLineKnown = true;
        }
        start = end + endLength;
    }
}

std::string_view IniText::Content(std::size_t line) const {
    return lines_[line].text;
}

std::optional<std::size_t> IniText::FindSection(std::string_view section) const {
    for (std::size_t line = 0; line < lines_.size(); ++line) {
        const auto name = HeaderName(Content(line));
        if (name && SameName(*name, section)) {
            return line;
        }
    }
    return std::nullopt;
}

std::size_t IniText::SectionEnd(std::size_t header) const {
    std::size_t line = header + 1;
    while (line < lines_.size() && !HeaderName(Content(line))) {
        ++line;
    }
    return line;
}

std::optional<std::size_t> IniText::FindEntry(std::size_t header, std::string_view key) const {
    const std::size_t end = SectionEnd(header);
    for (std::size_t line = header + 1; line < end; ++line) {
        const std::string_view content = Content(line);
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos || IsComment(content)) {
            continue;
        }
        if (SameName(TrimBlanks(content.substr(0, equals)), key)) {
            return line;
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> IniText::Find(std::string_view section, std::string_view key) const {
    const auto header = FindSection(section);
    if (!header) {
        return std::nullopt;
    }
    const auto entry = FindEntry(*header, key);
    if (!entry) {
        return std::nullopt;
    }
    const std::string_view content = Content(*entry);
    return content.substr(content.find('=') + 1);
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string oneLine(value);
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');

    const auto header = FindSection(section);
    if (header) {
        if (const auto entry = FindEntry(*header, key)) {
            // Keep the key as spelt and any blanks around the '='.
            std::string& text = lines_[*entry].text;
            std::size_t valueStart = text.find('=') + 1;
            while (valueStart < text.size() && IsBlank(text[valueStart])) {
                ++valueStart;
            }
            text.replace(valueStart, std::string::npos, oneLine);
            return;
        }
        // After the section's last line that is neither blank nor a comment,
        // so that blank lines and comments before the next section stay there.
        std::size_t after = *header;
        const std::size_t end = SectionEnd(*header);
        for (std::size_t line = *header + 1; line < end; ++line) {
            if (!IsBlankLine(Content(line)) && !IsComment(Content(line))) {
                after = line;
            }
        }
        if (lines_[after].ending.empty()) {
            lines_[after].ending = newLine_;
        }
        const auto at = lines_.begin() + static_cast<std::ptrdiff_t>(after + 1);
        lines_.insert(at, {std::string(key) + "=" + oneLine, newLine_});
        return;
    }
    if (!lines_.empty() && lines_.back().ending.empty()) {
        lines_.back().ending = newLine_;
    }
    lines_.push_back({"[" + std::string(section) + "]", newLine_});
    lines_.push_back({std::string(key) + "=" + oneLine, newLine_});
}

std::string IniText::Text() const {
    std::string text = byteOrderMark_;
    for (const Line& line : lines_) {
        text += line.text;
        text += line.ending;
    }
    return text;
}

} // namespace morrow
