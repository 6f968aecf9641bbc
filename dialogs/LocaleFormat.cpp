// SPDX-License-Identifier: GPL-3.0-or-later
#include "LocaleFormat.h"

#include <cmath>
#include <cstdio>

namespace morrow {

namespace {

QString PadLeft(const QString& text, int width) {
    return text.size() >= width ? text : QString(width - text.size(), QLatin1Char(' ')) + text;
}

} // namespace

QString FormatFixed(double value, int width, int decimals, const QLocale& locale) {
    if (!std::isfinite(value)) {
        return PadLeft(locale.toString(value), width);
    }
    // The C library gives the digits and rounding; only the separator is the
    // locale's. Wide enough for any double printed in full.
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.*f", decimals, value);
    QString text = QString::fromLatin1(digits);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return PadLeft(text, width);
}

QString FormatThousands(std::int64_t value, int width, const QLocale& locale) {
    // Digits of the magnitude, read from the last one, grouped in threes.
    std::uint64_t magnitude =
        value < 0 ? 0U - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const QString separator = locale.groupSeparator();
    QString text;
    int inGroup = 0;
    do {
        if (inGroup == 3) {
            text.prepend(separator);
            inGroup = 0;
        }
        text.prepend(QLatin1Char(static_cast<char>('0' + magnitude % 10)));
        magnitude /= 10;
        ++inGroup;
    } while (magnitude != 0);
    if (value < 0) {
        text.prepend(QLatin1Char('-'));
    }
    return PadLeft(text, width);
}

} // namespace morrow
