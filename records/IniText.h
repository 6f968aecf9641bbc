// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morrow {

// A text of the INI kind held line by line, each line with its own line end,
// so that whatever is not changed is written back byte for byte.
//
// It reads the way the classic profile functions do: a line whose first
// non-blank character is '[' and which holds a ']' opens a section named by
// the trimmed text up to the last ']'; a line holding '=' is an entry whose
// key is the trimmed text before the first '='; lines starting with ';' or
// '#' are comments; section and key names are matched without regard to
// letter case (A-Z); only the first section of a name and, in it, only the
// first entry of a key count. Line ends may be LF, CR LF or CR; a UTF-8 byte
// order mark at the start is kept and skipped.
class IniText {
public:
    IniText() = default;
    explicit IniText(std::string_view text);

    // The raw text after the '=' of the entry, up to its line end; empty when
    // the section or the key is missing.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

    // Sets the entry's value: an existing entry keeps its place and the
    // spelling of its key, a new entry goes after the last entry of its
    // section, a new section at the end of the text. Line breaks in `value`
    // become spaces, so the value stays on its line.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

private:
    struct Line {
        std::string text;   // without its line end
        std::string ending; // "\n", "\r\n", "\r" or, for a last line, ""
    };

    // Index of the header line of the first section named `section`.
    std::optional<std::size_t> FindSection(std::string_view section) const;
    // One past the last line of the section whose header is at `header`.
    std::size_t SectionEnd(std::size_t header) const;
    std::optional<std::size_t> FindEntry(std::size_t header, std::string_view key) const;
    std::string_view Content(std::size_t line) const;

    std::string byteOrderMark_;
    std::vector<Line> lines_;
    std::string newLine_ = "\n"; // the line end of lines added: the text's own
};

} // namespace morrow
