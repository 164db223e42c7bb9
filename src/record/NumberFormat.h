// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <concepts>

// Numbers as shown on screen, in the data log and on paper.
//
// formatNumber applies a numeric pattern: "#" an optional digit, "0" a
// required digit, "," (between integer digit places) thousands grouping, "."
// the decimal point, "%" multiplies the value by 100 and shows a per-cent
// sign. Any other text before or after the digit places is shown as it stands
// ("###,##0.0 psi"); a backslash shows the next character as it stands, and
// text in double quotes is shown without the quotes.
//
// The digits shown are rounded half away from zero from the value's shortest
// decimal form, so a single-precision 0.0625f with "##.000" gives ".063" and
// 1.4985f with "0.000" gives "1.499", as written, not as stored in binary.
// Integer places: every place from the first "0" on is always shown; "#"
// places before it show digits only when the value needs them, so "##.00" of
// 0.5 gives ".50" and "#0.00" gives "0.50". More integer digits than places
// are all shown. Fraction places: digits up to the last "0" are always shown,
// "#" places after it only when not zero; a decimal point with no fraction
// digit after it is left out. A negative value starts with "-" (before any
// leading text); a value that rounds to zero has no sign. NaN and infinities
// give "NaN", "Inf" and "-Inf".
QString formatNumber(double value, const QString& pattern);
QString formatNumber(float value, const QString& pattern);
template <std::integral T> QString formatNumber(T value, const QString& pattern) {
    return formatNumber(static_cast<double>(value), pattern);
}

// The plain conversion of a number to text: a leading blank for zero and
// positive numbers, "-" for negative ones; at most 7 significant digits for
// single precision and 15 for double precision, no trailing zeros and no
// zero before the point of a number below 1 (" .5", " 533.3333", "-2.5",
// " 1"). Exponent form is used only when the rounded number is 10^7 (10^15 for
// double precision) or more, where the digits cannot show its size, or below
// 10^-4, where the leading zeros would crowd out the digits: the mantissa
// without trailing zeros, "E", the sign and at least two exponent digits
// (" 1.234568E+07", " 1E-05").
QString numberToText(float value);
QString numberToText(double value);
template <std::integral T> QString numberToText(T value) {
    return numberToText(static_cast<double>(value));
}

// Prefixes blanks up to the width; a longer text is kept whole.
QString rightAlign(const QString& text, int width);
