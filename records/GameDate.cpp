// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameDate.h"

#include <langinfo.h>

#include <cstdio>

namespace morrow {

namespace {

constexpr std::string_view kDefaultSeparator = "/";

bool IsPunctuation(char c) {
    return c > ' ' && c < 0x7F && !(c >= '0' && c <= '9') && !(c >= 'a' && c <= 'z') &&
           !(c >= 'A' && c <= 'Z');
}

// Flags and modifiers that may stand between '%' and a conversion letter.
bool IsModifier(char c) {
    return c == '-' || c == '_' || c == '0' || c == '^' || c == '#' || c == 'E' || c == 'O';
}

} // namespace

std::string FormatGameDate(const CalendarDate& date, std::string_view separator) {
    const auto twoDigits = [](int value) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%02d", ((value % 100) + 100) % 100);
        return std::string(digits);
    };
    std::string text = twoDigits(date.month);
    text += separator;
    text += twoDigits(date.day);
    text += separator;
    text += twoDigits(date.year);
    return text;
}

std::string DateSeparatorOf(std::string_view dateFormat) {
    const std::size_t percent = dateFormat.find('%');
    if (percent == std::string_view::npos) {
        return std::string(kDefaultSeparator);
    }
    std::size_t at = percent + 1;
    while (at < dateFormat.size() && IsModifier(dateFormat[at])) {
        ++at;
    }
    if (at >= dateFormat.size()) {
        return std::string(kDefaultSeparator);
    }
    // %D is %m/%d/%y and %F is %Y-%m-%d.
    if (dateFormat[at] == 'D') {
        return "/";
    }
    if (dateFormat[at] == 'F') {
        return "-";
    }
    ++at;
    if (at < dateFormat.size() && IsPunctuation(dateFormat[at]) && dateFormat[at] != '%') {
        return std::string(1, dateFormat[at]);
    }
    return std::string(kDefaultSeparator);
}

std::string LocaleDateSeparator() {
    const char* format = nl_langinfo(D_FMT);
    return DateSeparatorOf(format != nullptr ? format : "");
}

} // namespace morrow
