// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

// A non-negative decimal number: digits d1 d2 d3 ... and the count of them
// that stand before the decimal point (may be negative or beyond the digits:
// digits "625", point -1 is 0.0625; digits "15", point 3 is 150).
struct Decimal {
    std::string digits;
    int point = 0;
    bool negative = false;
};

// The shortest decimal that reads back to the same value at its precision.
template <typename F> Decimal shortestDecimalOf(F value) {
    Decimal d;
    d.negative = std::signbit(value);
    char buf[64];
    const auto r =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const std::string text(buf, r.ptr);
    const auto e = text.find('e');
    for (size_t i = 0; i < e; ++i) {
        if (text[i] != '.') {
            d.digits.push_back(text[i]);
        }
    }
    d.point = std::atoi(text.c_str() + e + 1) + 1;
    return d;
}

// Keeps `fraction` digits after the point, rounding half away from zero.
void roundToFraction(Decimal& d, int fraction) {
    const int keep = d.point + fraction;
    if (keep >= static_cast<int>(d.digits.size())) {
        return;
    }
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (!up) {
        return;
    }
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') {
        d.digits[i] = '0';
        --i;
    }
    if (i >= 0) {
        ++d.digits[i];
    } else {
        d.digits.insert(d.digits.begin(), '1');
        ++d.point;
    }
}

bool isZero(const Decimal& d) {
    return d.digits.find_first_not_of('0') == std::string::npos;
}

struct Pattern {
    QString prefix;
    QString suffix;
    bool hasDigits = false;
    bool percent = false;
    bool grouping = false;
    bool hasPoint = false;
    int minInteger = 0;
    int minFraction = 0;
    int maxFraction = 0;
};

bool isPlace(QChar c) {
    return c == QLatin1Char('#') || c == QLatin1Char('0');
}

Pattern parsePattern(const QString& text) {
    Pattern p;
    enum class Where { Prefix, Digits, Suffix };
    Where where = Where::Prefix;
    int integerPlaces = 0;
    int firstRequired = -1; // integer place index of the first "0"
    int fractionPlaces = 0;
    bool placeSeen = false;
    QString pendingCommas; // commas after the last place, literal if nothing follows
    const int n = static_cast<int>(text.size());
    auto literal = [&](QChar c) { (where == Where::Prefix ? p.prefix : p.suffix).append(c); };
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        const bool startsDigits =
            isPlace(c) || (c == QLatin1Char('.') && i + 1 < n && isPlace(text[i + 1]));
        if (where == Where::Prefix && startsDigits) {
            where = Where::Digits;
            p.hasDigits = true;
        }
        if (where == Where::Digits) {
            if (isPlace(c)) {
                if (p.hasPoint) {
                    ++fractionPlaces;
                    if (c == QLatin1Char('0')) {
                        p.minFraction = fractionPlaces;
                    }
                } else {
                    if (!pendingCommas.isEmpty() && placeSeen) {
                        p.grouping = true;
                    }
                    if (c == QLatin1Char('0') && firstRequired < 0) {
                        firstRequired = integerPlaces;
                    }
                    ++integerPlaces;
                }
                pendingCommas.clear();
                placeSeen = true;
                continue;
            }
            if (c == QLatin1Char(',')) {
                pendingCommas.append(c);
                continue;
            }
            if (c == QLatin1Char('.') && !p.hasPoint) {
                p.hasPoint = true;
                pendingCommas.clear();
                continue;
            }
            where = Where::Suffix;
            p.suffix.append(pendingCommas);
            pendingCommas.clear();
        }
        if (c == QLatin1Char('\\') && i + 1 < n) {
            literal(text[++i]);
        } else if (c == QLatin1Char('"')) {
            const int close = text.indexOf(QLatin1Char('"'), i + 1);
            const int end = close < 0 ? n : close;
            for (int k = i + 1; k < end; ++k) {
                literal(text[k]);
            }
            i = end;
        } else {
            if (c == QLatin1Char('%')) {
                p.percent = true;
            }
            literal(c);
        }
    }
    p.suffix.append(pendingCommas);
    p.minInteger = firstRequired < 0 ? 0 : integerPlaces - firstRequired;
    p.maxFraction = fractionPlaces;
    return p;
}

QString applyPattern(Decimal d, const Pattern& p) {
    if (p.percent) {
        d.point += 2;
    }
    roundToFraction(d, p.maxFraction);
    const bool negative = d.negative && !isZero(d);

    // Integer digits without leading zeros, then padded to the required places.
    std::string integer;
    for (int i = 0; i < d.point; ++i) {
        integer.push_back(i < static_cast<int>(d.digits.size()) ? d.digits[i] : '0');
    }
    const auto firstNonZero = integer.find_first_not_of('0');
    integer.erase(0, firstNonZero == std::string::npos ? integer.size() : firstNonZero);
    if (static_cast<int>(integer.size()) < p.minInteger) {
        integer.insert(0, p.minInteger - integer.size(), '0');
    }

    std::string fraction;
    for (int i = 0; i < p.maxFraction; ++i) {
        const int at = d.point + i;
        fraction.push_back(at >= 0 && at < static_cast<int>(d.digits.size()) ? d.digits[at] : '0');
    }
    while (static_cast<int>(fraction.size()) > p.minFraction && fraction.back() == '0') {
        fraction.pop_back();
    }

    QString out;
    if (negative) {
        out.append(QLatin1Char('-'));
    }
    out.append(p.prefix);
    const int len = static_cast<int>(integer.size());
    for (int i = 0; i < len; ++i) {
        if (p.grouping && i > 0 && (len - i) % 3 == 0) {
            out.append(QLatin1Char(','));
        }
        out.append(QLatin1Char(integer[i]));
    }
    if (!fraction.empty()) {
        out.append(QLatin1Char('.'));
        out.append(QString::fromLatin1(fraction.data(), static_cast<int>(fraction.size())));
    }
    out.append(p.suffix);
    return out;
}

template <typename F> QString nonFinite(F value) {
    if (std::isnan(value)) {
        return QStringLiteral("NaN");
    }
    return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
}

template <typename F> QString formatAny(F value, const QString& pattern) {
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    if (pattern.isEmpty()) {
        return numberToText(value).trimmed();
    }
    const Pattern p = parsePattern(pattern);
    if (!p.hasDigits) {
        return p.prefix + p.suffix;
    }
    return applyPattern(shortestDecimalOf(value), p);
}

template <typename F> QString plainText(F value, int significant) {
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    Decimal d = shortestDecimalOf(value);
    if (isZero(d)) {
        return QStringLiteral(" 0");
    }
    // Keep at most `significant` digits, rounding half away from zero.
    roundToFraction(d, significant - d.point);
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    QString out = QLatin1String(d.negative ? "-" : " ");
    const int exponent = d.point - 1;
    const int count = static_cast<int>(d.digits.size());
    if (exponent >= significant || exponent < -4) {
        out.append(QLatin1Char(d.digits[0]));
        if (count > 1) {
            out.append(QLatin1Char('.'));
            out.append(QString::fromLatin1(d.digits.data() + 1, count - 1));
        }
        out.append(exponent < 0 ? QLatin1String("E-") : QLatin1String("E+"));
        out.append(QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0')));
        return out;
    }
    for (int i = 0; i < d.point; ++i) {
        out.append(QLatin1Char(i < count ? d.digits[i] : '0'));
    }
    if (count > d.point) {
        out.append(QLatin1Char('.'));
        for (int i = d.point; i < 0; ++i) {
            out.append(QLatin1Char('0'));
        }
        for (int i = std::max(d.point, 0); i < count; ++i) {
            out.append(QLatin1Char(d.digits[i]));
        }
    }
    return out;
}

} // namespace

QString formatNumber(double value, const QString& pattern) {
    return formatAny(value, pattern);
}

QString formatNumber(float value, const QString& pattern) {
    return formatAny(value, pattern);
}

QString numberToText(float value) {
    return plainText(value, 7);
}

QString numberToText(double value) {
    return plainText(value, 15);
}

QString rightAlign(const QString& text, int width) {
    const auto missing = width - text.size();
    if (missing <= 0) {
        return text;
    }
    return QString(missing, QLatin1Char(' ')) + text;
}
