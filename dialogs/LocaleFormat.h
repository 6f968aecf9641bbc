// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as the game's windows print them, with the separators of the
// player's locale.
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

namespace morrow {

// A number with `decimals` decimals and the locale's decimal separator,
// right-aligned with blanks in at least `width` characters and never
// grouped in thousands: like printf's "%7.2f" for width 7, decimals 2.
QString FormatFixed(double value, int width, int decimals, const QLocale& locale);

// A whole number with the locale's thousands separator between every group
// of three digits, right-aligned with blanks in at least `width`
// characters: 1234567 with width 10 is "1,234,567" after one blank in an
// English locale.
QString FormatThousands(std::int64_t value, int width, const QLocale& locale);

} // namespace morrow
