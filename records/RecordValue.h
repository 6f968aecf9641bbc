// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morrow {

// The game's own reading of a whole number in the record file: an optional
// sign and decimal digits; or "0x"/"0X" followed by hexadecimal digits (the
// prefix alone is not a number); or "$" followed by hexadecimal digits.
// Anything else, an empty text, or a value outside the signed 32-bit range
// is not a number.
std::optional<std::int32_t> ParseRecordInteger(std::string_view text);

// The first `count` characters of UTF-8 text. A sequence is never split; a
// byte that does not begin a valid sequence counts as one character.
std::string_view FirstCharacters(std::string_view text, std::size_t count);

// The text fit for one line of the file: every control character (line
// breaks, tabs, the other C0 codes and DEL) becomes a space.
std::string OneLine(std::string_view text);

// How a value reads from the file, as the classic profile functions read it:
// blanks trimmed at both ends, then one pair of enclosing quotes (double or
// single) removed.
std::string_view UnwrapValue(std::string_view raw);

// The form to write so that UnwrapValue gives `text` back exactly: `text`
// itself, or `text` in double quotes when its blanks or quotes would be lost.
std::string WrapValue(std::string_view text);

} // namespace morrow
