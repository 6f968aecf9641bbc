// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"

#include <string>
#include <string_view>

namespace morrow {

// The date as a saved game shows it: "mm/dd/yy" with `separator` in place of
// the slashes, e.g. "10/31/98" or "10.31.98".
std::string FormatGameDate(const CalendarDate& date, std::string_view separator);

// The date separator of a strftime date format such as "%m/%d/%y" or
// "%d.%m.%Y": the first character after the first field when it is a mark
// of punctuation, otherwise "/".
std::string DateSeparatorOf(std::string_view dateFormat);

// The date separator of the LC_TIME locale in force (call setlocale first;
// QApplication does), "/" in the C locale.
std::string LocaleDateSeparator();

} // namespace morrow
